#pragma once
// The password confirmation before deleting relay data or releasing a cloud-share area in use: the
// dialog closes with OK only when its box is ticked and the typed password equals the expected one
// (the hidden Label2's text). The password takes up to six half-width letters and digits.

#include "controls/SDI.h"

#include <memory>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TxEdit;
namespace Ui {
class TfmTusinSettiPas;
}

// The keys the communication ID and password edits take: Enter, Backspace, copy, paste, ASCII letters
// and digits, and keys that type nothing (moving and function keys).
bool TusinKeyAllowed(QKeyEvent* e);

class TfmTusinSettiPas : public TBSDI {
    Q_OBJECT
public:
    explicit TfmTusinSettiPas(QWidget* owner = nullptr);
    ~TfmTusinSettiPas() override;

    QCheckBox* CheckBox1() const;
    TxEdit* txtConPasswd() const;
    QLabel* Label2() const;
    QPlainTextEdit* memHint() const;
    QPushButton* btnOK() const;

    // 1 (OK) or 2 (cancel).
    int ShowModal();

    void btnOKClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void txtConPasswdExit();
    std::unique_ptr<Ui::TfmTusinSettiPas> ui;
};

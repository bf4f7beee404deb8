#pragma once
// The dialog "データの持ち出し／持ち帰り": asks whether the focused dataset of the server is to be taken
// out to this computer or brought back from it. The caller sets TakenOut (1: the dataset is already
// out) and BringBack (false), calls Setup and runs the dialog modally; on OK (1) BringBack is the
// answer. Cancel and Esc give 2. Closing hides the dialog; its owner frees it.

#include "controls/SDI.h"

#include <memory>

namespace Ui {
class TWhichDataSetBox;
}

class TxRadioButton;

class TWhichDataSetBox : public TBSDI {
    Q_OBJECT
public:
    explicit TWhichDataSetBox(QWidget* owner = nullptr);
    ~TWhichDataSetBox() override;

    bool Flag = false;
    int TakenOut = 0;
    bool BringBack = false;

    void Setup(bool flag);
    // Hints, which choices are offered and which is checked, from TakenOut and BringBack.
    void Refresh();
    void btnOKClick();

    TxRadioButton* MochidashiButton() const;
    TxRadioButton* MochikaeriButton() const;
    Ui::TWhichDataSetBox& form() { return *ui; }

protected:
    void FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) override;
    void FormClose(TCloseAction& Action) override;
    void ShowingChanged(bool Visible) override;

private:
    std::unique_ptr<Ui::TWhichDataSetBox> ui;
};

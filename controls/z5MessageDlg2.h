#pragma once
// The framework's general message box: an icon by kind, a caption, up to ten coloured lines of which
// any may be a link, up to three buttons from a fixed set of eleven and an optional agreement box that
// can gate the first button. A record may name a canned message instead, whose content the dialog
// fills in itself. Long lines wrap and the dialog grows to show every line in use.

#include "controls/TColor.h"
#include "platform/UserInteraction.h"
#include <QDialog>
#include <QLabel>
#include <array>
#include <memory>

class QPushButton;
class TxCheckBox;

struct TMessage2CaptionRec {
    QString Text;
    TColor Color = 0; // 0x00BBGGRR
    QString Link;     // not empty: the line is a link to this address
};

struct TMessage2InfoRec {
    qint32 Id = 0;       // canned message number; 0 none
    quint8 Kind = 0;     // 0 warning, 1 error, 2 information, 3 confirmation; other values show no icon
    quint16 Buttons = 0; // bits of ui::Button
    QString Caption;
    std::array<TMessage2CaptionRec, 10> Lines;
    qint32 AgreeMode = 0; // 0 none; 1 the box gates the first button; other values show it without gating
    QString AgreeCaption; // empty or blank turns the box off
    quint8 Agreed = 0;    // initial state; after ShowMessageBox2 the final one
};

// The window a new dialog belongs to: the active modal dialog, else the active window (may be none).
QWidget* activeDialogOwner();
// Resets the record for a kind: its caption and buttons, empty lines, no agreement box.
void InitMessage2Info(quint8 Kind, TMessage2InfoRec& Info);
// Shows the record modally and returns the pressed button's modal result (ui::mrCancel for Esc or the
// window's close button); Info.Agreed receives the agreement box's final state.
// focusButton: the shown button (0-2) that starts with the focus.
int ShowMessageBox2(TMessage2InfoRec& Info, int focusButton = 0);
// Shows a canned message through the user interaction (its lines as the text); returns the modal result.
int ShowCannedMessage(qint32 number);

// One text line of the dialog: wraps at the width it is given, also inside long words.
class TMessageLine : public QLabel {
    Q_OBJECT
public:
    explicit TMessageLine(QWidget* parent = nullptr) : QLabel(parent) {}
    // Width of the text's longest line, unwrapped.
    int naturalWidth() const;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};

namespace Ui {
class TMessageBox2;
}

class TMessageBox2 : public QDialog {
    Q_OBJECT
public:
    explicit TMessageBox2(QWidget* owner = nullptr);
    ~TMessageBox2() override;

    // Takes the record (or its canned message) and lays out icon, lines and buttons.
    void ApplyInfo(const TMessage2InfoRec& Info);
    // Applies the record again with the agreement panel; run before showing. Modal and modeless
    // showing prepare alike.
    void Prepare(bool Modal);
    void SetCannedMessage(qint32 Number);
    bool GetAgreed();
    // The shown button (0-2) that gets the focus when the dialog appears, unless the agreement box
    // must be ticked first.
    void setFocusButton(int index) { m_focusButton = index; }
    const TMessage2InfoRec& info() const { return m_info; }

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private Q_SLOTS:
    void btnButton1Click();
    void btnAgreeClick();
    void LinkLabelClick();

private:
    void Rebuild();
    int scaled(int value) const;
    void layoutLines(int usedLast);
    void placePanels();
    QString clipboardText() const;

    std::unique_ptr<Ui::TMessageBox2> ui;
    qint32 m_cannedNumber = 0;
    TMessage2InfoRec m_info;
    std::array<TMessageLine*, 10> m_labels{};
    std::array<QPushButton*, 3> m_buttons{};
    std::array<int, 3> m_buttonResults{};
    int m_focusButton = 0;
    int m_clientWidth = 0;
    int m_textHeight = 0;
    qint32 m_agreeMode = 0;
    QString m_agreeCaption;
    quint8 m_agreed = 0;
};

#pragma once
// Asks for one value: a text, a password, a choice from a list (which may also be typed), an amount or a
// date range. The caller sets the public fields, calls Prepare (SetCharFilter for a character filter),
// runs exec() and, on 1 (OK), reads Value or the two dates; Esc, [キャンセル] and the close box give 2.
// Maximum lengths count CP932 bytes.

#include "controls/SDI.h"
#include "controls/TColor.h"
#include "controls/xEdit.h"
#include "core/TDateTime.h"

#include <QStringList>
#include <memory>

namespace Ui {
class TInputDlgBox;
}

class TInputDlgBox : public TBSDI {
    Q_OBJECT
public:
    enum TInputKind { ikText = 0, ikPassword = 1, ikList = 2, ikAmount = 3, ikDateRange = 4 };
    // Characters the text input accepts: 10 digits, "-" and "."; 20 letters; 30 letters and digits;
    // 40 everything but " * , / : ; < > ? \ |. 10 to 30 refuse every double-byte character.
    enum TCharFilter { cfNone = 0, cfNumber = 10, cfAlpha = 20, cfAlphaNumeric = 30, cfFileName = 40 };

    explicit TInputDlgBox(QWidget* owner = nullptr);
    ~TInputDlgBox() override;

    bool Modal = false;
    int Kind = ikText; // any other value behaves as ikText
    QString CaptionText;
    QString MainText;
    TColor MainColor;
    QString Value;
    TDateTime Date1, MinDate1, MaxDate1;
    TDateTime Date2, MinDate2, MaxDate2;
    QString HintText;
    int MaxLen = 0; // bytes; 0 none
    TxEdit::TImeMode InputImeMode = TxEdit::imDontCare;
    bool Required = false;
    int CharFilter = cfNone;
    QStringList Items;

    void Prepare(bool modal);
    void SetCharFilter(int filter);
    // Whether the filter lets the character through (Enter and Backspace always pass).
    static bool FilterAccepts(int filter, QChar c);

    Ui::TInputDlgBox& form() { return *ui; }

protected:
    void ShowingChanged(bool Visible) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void ApplySettings();
    void btnOKClick();
    void btnFusejiClick();
    bool isKind(int kind) const;
    QWidget* kindInput() const;

    std::unique_ptr<Ui::TInputDlgBox> ui;
    bool m_filtering = false;
};

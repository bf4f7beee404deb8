#pragma once
// The confirmation dialog: a caption, a main message in the caller's colour (red by default), an optional
// read-only list of lines, [OK] and [キャンセル], and an optional agreement box. Kinds: 0 OK and cancel;
// 1 a single OK; 2 OK and cancel with the agreement box, OK enabled only while it is ticked; 3 OK and
// cancel with an agreement box that gates nothing. Other kinds behave as 0. The result is 1 for OK, 2 for
// cancel, Esc or the close box.

#include "controls/SDI.h"
#include "controls/TColor.h"

#include <QStringList>
#include <memory>

namespace Ui {
class TMessageBox;
}

struct TMessageInfoRec {
    qint32 Kind = 0;
    quint8 Position = poOwnerFormCenter;
    QString Caption;
    QString MainText;
    TColor MainColor = 255;
    QStringList Lines;
    QString AgreeCaption; // empty: "同意する"
};

// Kind 0, empty texts, red, no lines, no agreement caption, centred on the owner form.
void InitMessageBoxRec(TMessageInfoRec& Info);
// Shows the record modally over the main form and returns 1 (OK) or 2.
int ShowMessageBox(const TMessageInfoRec& Info);

class TMessageBox : public TBSDI {
    Q_OBJECT
public:
    explicit TMessageBox(QWidget* owner = nullptr);
    ~TMessageBox() override;

    bool Modal = false;
    qint32 Kind = 0;
    QString CaptionText;
    QString MainText;
    TColor MainColor;
    QStringList MessageLines;
    bool AgreeVisible = false;
    QString AgreeCaption;
    bool Agreed = false;  // initial state of the box
    int InitialWidth = 0; // design client size
    int InitialHeight = 0;

    void SetLines(const QStringList& List) { MessageLines = List; }
    void Prepare(bool modal);
    // The box's state now.
    bool agreeTicked() const;

    Ui::TMessageBox& form() { return *ui; }

protected:
    void ShowingChanged(bool Visible) override;

private:
    void ApplySettings();
    void cboxAgreeClick();

    std::unique_ptr<Ui::TMessageBox> ui;
    QRect m_agreeDesign; // as created, anchored to the bottom of the client panel
    int m_bottomHeight = 0;
};

#pragma once
// The print option dialog shown before a report is printed: monochrome or colour, the first page number,
// margins for double-sided printing, and print, preview or copy. The choices come back in the caller's
// TDefaultPrintRec. With the style store on, the report's colours and option lines are kept per operator
// in the system table STYLECOLOR.
//
// Deriving: Setup, ApplyOptions, SetHints and HozonFukugen are virtual. A derived Setup may change the
// show flags before the inherited Setup; after the inherited ApplyOptions, OptionLines holds the saved
// lines; btnOKClick fills the record and saves ("Hozon"), after which a derived handler may add its own
// key=value lines and write OptionText again; FormClose writes the style row after all that. The keys
// "C010" and "C020" belong to this dialog.

#include "controls/SDI.h"
#include "controls/xCheckBox.h"
#include "controls/xEdit.h"
#include "controls/xRadioButton.h"
#include "print/z5PrintRec.h"

#include <QColor>
#include <QStringList>

#include <memory>

class QAbstractButton;
class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace Ui {
class TPrintDlgBox;
}

class TPrintDlgBox : public TBSDI {
    Q_OBJECT
public:
    explicit TPrintDlgBox(QWidget* owner = nullptr);
    ~TPrintDlgBox() override;

    virtual void Setup(int Flag);
    virtual void ApplyOptions();
    virtual void SetHints();
    virtual void HozonFukugen(const QString& Mode);

    // "020-" and the report name in capitals, cut to 40 bytes and trimmed.
    QString MakeStyleName() const;
    void GetStyleColorRec();
    void PutStyleColorRec();

    // The OK, preview and copy buttons' handler.
    void btnOKClick(QAbstractButton* Sender);
    void btnCancelClick();
    void btnColorSelectClick();

    TDefaultPrintRec* PrintRec = nullptr;
    QString DlgCaption;
    QString DlgMessage;
    QColor MessageColor;
    QString PrintHint; // the dialog's own hint, "short|long"
    bool UseStyleStore = false;
    bool ShowColor = false, ShowStartPage = false, ShowBothSides = false, ShowPreview = false,
         ShowCopy = false;
    quint8 ResultKind = 0;
    QString StylePrefix;
    QString StyleName;
    QStringList OptionLines;
    int SetupFlag = 0;

    // ---- controls of the form ----
    QLabel* lblMain = nullptr;
    QLabel* lblColor = nullptr;
    QGroupBox* grpColor = nullptr;
    TxRadioButton* btnMono = nullptr;
    TxRadioButton* btnColor = nullptr;
    QPushButton* btnColorSelect = nullptr;
    QLabel* lblStartPage = nullptr;
    TxEdit* txtStartPage = nullptr;
    TxCheckBox* chkBoth = nullptr;
    QFrame* PanelHint = nullptr;
    QPlainTextEdit* HintArea = nullptr;
    QPushButton* btnPreview = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose(TCloseAction& Action) override;
    // Places the hint panel and the buttons at the bottom of a dialog of the given design height.
    void PlaceBottom(int height);

private:
    std::unique_ptr<Ui::TPrintDlgBox> ui;
    bool m_okPressed = false;
};

// The value of Key in key=value lines; empty when absent.
QString OptionValue(const QStringList& lines, const QString& key);

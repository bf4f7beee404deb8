#include "datalist/z5DataSentakuPrintDlg.h"

#include "datalist/uPrDataList.h"
#include "platform/UserInteraction.h"
#include "ui_z5DataSentakuPrintDlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

TDataSentakuPrintDlg::TDataSentakuPrintDlg(QWidget* owner)
    : TPrintDlgBox(owner), ui(std::make_unique<Ui::TDataSentakuPrintDlg>()) {
    // The orientation choice joins the base form's controls, in the place of the hidden colour choice.
    ui->setupUi(this);
    setObjectName(QStringLiteral("DataSentakuPrintDlg"));
    lblOrientation = ui->lblOrientation;
    grpOrientation = ui->grpOrientation;
    rbTate = ui->rbTate;
    rbYoko = ui->rbYoko;
    for (QWidget* w : std::initializer_list<QWidget*>{lblOrientation, grpOrientation, rbTate, rbYoko})
        SetDesignGeometry(w, w->geometry());
    // The base handler runs inside this one.
    for (QPushButton* b : {btnOK, btnPreview, btnCopy}) {
        disconnect(b, &QPushButton::clicked, this, nullptr);
        connect(b, &QPushButton::clicked, this, [this, b] { OKClick(b); });
    }
}

TDataSentakuPrintDlg::~TDataSentakuPrintDlg() = default;

void TDataSentakuPrintDlg::Setup(int Flag) {
    ShowColor = false;
    ShowStartPage = false;
    ShowBothSides = false;
    TPrintDlgBox::Setup(Flag);
}

void TDataSentakuPrintDlg::ApplyOptions() {
    UseStyleStore = true;
    TPrintDlgBox::ApplyOptions();
    restoreOrientation();
}

void TDataSentakuPrintDlg::restoreOrientation() {
    Orientation = OptionValue(OptionLines, QStringLiteral("P010")).trimmed().toInt() == 1 ? 1 : 0;
    rbTate->setChecked(true);
    if (Orientation == 1)
        rbYoko->setChecked(true);
}

void TDataSentakuPrintDlg::SetHints() {
    TPrintDlgBox::SetHints();
    const QString orientation =
        QStringLiteral("印刷帳票の用紙の向きを選択します。|印刷帳票の用紙の向きを選択します。\r\n"
                       "[横]を選択したときに限り、帳票上にコード情報を出力します。");
    SetHint(rbTate, orientation);
    SetHint(rbYoko, orientation);
    const QString preview = QStringLiteral("|[ﾌﾟﾚﾋﾞｭｰ]ﾎﾞﾀﾝを押すと画面上に印刷ｲﾒｰｼﾞを出力します。");
    for (QPushButton* b : {btnPreview, btnOK, btnCancel})
        SetHint(b, preview);
}

void TDataSentakuPrintDlg::HozonFukugen(const QString& Mode) {
    const QString mode = Mode.toUpper();
    if (mode == QLatin1String("HOZON")) {
        TPrintDlgBox::HozonFukugen(Mode);
        OptionLines << QStringLiteral("P010=%1").arg(Orientation);
        if (PrintRec)
            PrintRec->OptionText = OptionLines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
        if (ScreenValues)
            ScreenValues->ClearValue();
        SaveScreenValues();
    } else if (mode == QLatin1String("FUKUGEN")) {
        RestoreScreenValues();
        TPrintDlgBox::HozonFukugen(Mode);
        restoreOrientation();
    }
}

void TDataSentakuPrintDlg::OKClick(QAbstractButton* Sender) {
    Orientation = rbYoko->isChecked() ? 1 : 0;
    btnOKClick(Sender);
}

bool PrintDatasetList(QWidget* owner, int listKind, const TDataSentakuRecArray& list,
                      const TDataSentakuRecDispArray& disp) {
    TDefaultPrintRec rec;
    InitPrintRec(rec);
    rec.ReportName = QStringLiteral("DataSentakuList");
    int kind = 0;
    int orientation = 0;
    {
        TDataSentakuPrintDlg dlg(owner);
        dlg.PrintRec = &rec;
        if (listKind == 1) {
            dlg.DlgCaption = QStringLiteral("共有データリストの印刷");
            dlg.DlgMessage = QStringLiteral("共有データリストを印刷します。");
        } else {
            dlg.DlgCaption = QStringLiteral("データリストの印刷");
            dlg.DlgMessage = QStringLiteral("データリストを印刷します。");
        }
        dlg.PrintHint = QStringLiteral(
            "［OK］を押すとﾃﾞｰﾀ選択ﾘｽﾄの印刷を実行します。印刷ｲﾒｰｼﾞを確認する場合は［ﾌﾟﾚﾋﾞｭｰ］を押します。");
        dlg.ShowPreview = true;
        dlg.ShowCopy = false;
        dlg.Setup(1);
        if (dlg.exec() != ui::mrOk)
            return false;
        kind = dlg.ResultKind;
        orientation = dlg.Orientation;
    }
    if (kind != 1 && kind != 2)
        return false;
    TPrDataList printer;
    printer.PrintRec = rec;
    printer.ListKind = listKind;
    printer.List = list;
    printer.Disp = disp;
    printer.Orientation = orientation;
    return printer.PrintList(kind == 1 ? 1 : 0);
}

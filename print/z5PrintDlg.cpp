#include "print/z5PrintDlg.h"

#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbError.h"
#include "print/z5PrnColorSet.h"
#include "ui_z5PrintDlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace {

constexpr int kWidth = 440;
constexpr int kDesignHeight = 200;

const QString kStyleWhere = QStringLiteral("WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");

} // namespace

QString OptionValue(const QStringList& lines, const QString& key) {
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && line.left(eq) == key)
            return line.mid(eq + 1);
    }
    return {};
}

TPrintDlgBox::TPrintDlgBox(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TPrintDlgBox>()) {
    ui->setupUi(this);
    lblMain = ui->lblMain;
    lblColor = ui->lblColor;
    grpColor = ui->grpColor;
    btnMono = ui->btnMono;
    btnColor = ui->btnColor;
    btnColorSelect = ui->btnColorSelect;
    lblStartPage = ui->lblStartPage;
    txtStartPage = ui->txtStartPage;
    txtStartPage->setImeMode(TxEdit::imDisable);
    chkBoth = ui->chkBoth;
    PanelHint = ui->PanelHint;
    HintArea = ui->HintArea;
    btnPreview = ui->btnPreview;
    btnCopy = ui->btnCopy;
    btnOK = ui->btnOK;
    btnCancel = ui->btnCancel;

    for (QPushButton* b : {btnOK, btnPreview, btnCopy})
        connect(b, &QPushButton::clicked, this, [this, b] { btnOKClick(b); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(btnColorSelect, &QPushButton::clicked, this, [this] { btnColorSelectClick(); });

    FormCreate();
    SetDesignClientSize(kWidth, kDesignHeight);
    HintTarget = HintArea;
    MessageColor = palette().color(QPalette::WindowText);
    StylePrefix = QStringLiteral("020-");
    ExecuteButton = btnOK;
    SetupDone = true;
}

TPrintDlgBox::~TPrintDlgBox() = default;

void TPrintDlgBox::PlaceBottom(int height) {
    SetDesignGeometry(PanelHint, {8, height - 100, kWidth - 16, 58});
    int x = kWidth - 8;
    for (QPushButton* b : {btnCancel, btnOK, btnCopy, btnPreview}) {
        x -= 100;
        SetDesignGeometry(b, {x, height - 36, 96, 30});
    }
}

void TPrintDlgBox::Setup(int Flag) {
    SetupFlag = Flag;
    SetHints();
    ApplyOptions();
    ForcePlace = false;
}

void TPrintDlgBox::ApplyOptions() {
    ResultKind = 0;
    setWindowTitle(DlgCaption);
    lblMain->setText(DlgMessage);
    QPalette p = lblMain->palette();
    p.setColor(QPalette::WindowText, MessageColor);
    lblMain->setPalette(p);
    if (!PrintHint.isEmpty()) {
        SetHint(this, PrintHint);
        ShowLongHint(this, HintArea);
    }
    lblColor->setVisible(ShowColor);
    grpColor->setVisible(ShowColor);
    btnColorSelect->setVisible(ShowColor);
    lblStartPage->setVisible(ShowStartPage);
    txtStartPage->setVisible(ShowStartPage);
    chkBoth->setVisible(ShowBothSides);
    btnPreview->setVisible(ShowPreview);
    btnCopy->setVisible(ShowCopy);
    if (ForcePlace) {
        int height = 0;
        if (ShowColor)
            height = 250;
        if (ShowStartPage)
            height = 300;
        if (ShowBothSides)
            height = 300;
        if (height > 0) {
            PlaceBottom(height);
            SetDesignClientSize(kWidth, height);
        }
    }
    GetStyleColorRec();
    HozonFukugen(QStringLiteral("Fukugen"));
}

void TPrintDlgBox::SetHints() {
    SetHint(btnMono, QStringLiteral("白黒で印刷する場合に選択します。|白黒で印刷する場合に選択します。"));
    SetHint(btnColor,
            QStringLiteral("色付きで印刷する場合に選択します。|色付きで印刷する場合に選択します。\r\n"
                           "「色選択」ﾎﾞﾀﾝを押すと好みの色に変更できます。"));
    SetHint(btnColorSelect, QStringLiteral("「色選択」画面を開きます。|「色選択」画面を開きます。\r\n"
                                           "「ｶﾗｰ印刷」を行う場合の色を指定します。"));
    SetHint(txtStartPage,
            QStringLiteral("1ﾍﾟｰｼﾞ目のﾍﾟｰｼﾞ番号を指定します。|1ﾍﾟｰｼﾞ目のﾍﾟｰｼﾞ番号を指定します。"));
    SetHint(chkBoth, QStringLiteral("偶数ﾍﾟｰｼﾞの余白を右側に取る場合にﾁｪｯｸします。|偶数ﾍﾟｰｼﾞの余白を右側に"
                                    "取る場合にﾁｪｯｸします。\r\n両面への印刷は「印刷」ﾎﾞﾀﾝ押下後に表示する"
                                    "「印刷」画面で「ﾌﾟﾛﾊﾟﾃｨ」ﾎﾞﾀﾝを押して設定します。"));
    SetHint(btnPreview,
            QStringLiteral("帳票の印刷ｲﾒｰｼﾞを画面に表示します。|帳票の印刷ｲﾒｰｼﾞを画面に表示します。"));
    SetHint(btnCopy,
            QStringLiteral("帳票の情報をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします。|帳票の情報をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします。"
                           "\r\nｺﾋﾟｰした情報はﾜｰﾌﾟﾛｿﾌﾄ、表計算ｿﾌﾄで貼り付けられます。"));
    SetHint(btnOK, QStringLiteral("帳票を印刷します。|帳票を印刷します。"));
    SetHint(btnCancel, QStringLiteral("印刷を取り止めます。|印刷を取り止めます。"));
}

void TPrintDlgBox::HozonFukugen(const QString& Mode) {
    if (!PrintRec)
        return;
    const QString mode = Mode.toUpper();
    if (mode == QLatin1String("HOZON")) {
        OptionLines.clear();
        if (ShowColor && PrintRec->ColorMode == 1)
            OptionLines << QStringLiteral("C010=1");
        if (ShowBothSides && PrintRec->BothSides)
            OptionLines << QStringLiteral("C020=1");
        PrintRec->OptionText = OptionLines.isEmpty()
                                   ? QString()
                                   : OptionLines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    } else if (mode == QLatin1String("FUKUGEN")) {
        OptionLines =
            PrintRec->OptionText.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")), Qt::SkipEmptyParts);
        if (ShowColor && OptionValue(OptionLines, QStringLiteral("C010")) == QLatin1String("1")) {
            PrintRec->ColorMode = 1;
            btnColor->setChecked(true);
        }
        if (ShowBothSides && OptionValue(OptionLines, QStringLiteral("C020")) == QLatin1String("1")) {
            PrintRec->BothSides = true;
            chkBoth->setChecked(true);
        }
    }
}

QString TPrintDlgBox::MakeStyleName() const {
    const QString report = PrintRec ? PrintRec->ReportName : QString();
    return LeftStrB((StylePrefix + report).toUpper(), 40).trimmed();
}

void TPrintDlgBox::GetStyleColorRec() {
    if (!UseStyleStore || !PrintRec || PrintRec->ReportName.isEmpty() || !DM ||
        !DM->IBDatabaseDEF.isConnected())
        return;
    const QString message = QStringLiteral("ユーザー別帳票色情報の取得に失敗しました。");
    StyleName = MakeStyleName();
    TDefaultPrintRec read = *PrintRec;
    try {
        OwnTransaction own(DM->IBTransactionDEF);
        try {
            fb::Query q(DM->IBTransactionDEF);
            q.setSql(QStringList{
                QStringLiteral("SELECT LINECOLOR1,LINECOLOR2,NETCOLOR1,NETCOLOR2,SSTR FROM STYLECOLOR"),
                kStyleWhere});
            q.setInt("OPCODE", SystemDef.OPCODE);
            q.setString("STYLENAME", StyleName);
            for (q.open(); !q.eof(); q.next()) {
                const auto take = [&](const char* column, qint32& colour) {
                    const int v = q.field(column).asInt();
                    if (!q.field(column).isNull() && v != -1)
                        colour = v;
                };
                take("LINECOLOR1", read.LineColor1);
                take("LINECOLOR2", read.LineColor2);
                take("NETCOLOR1", read.NetColor1);
                take("NETCOLOR2", read.NetColor2);
                read.OptionText = q.field("SSTR").asString();
            }
            q.close();
            *PrintRec = read;
        } catch (const fb::Error& e) {
            ErrFbAccess(e, QStringLiteral("TPrintDlgBox.GetStyleColorRec"), message);
        } catch (const std::exception& e) {
            ShowErrDetail(message, QString::fromUtf8(e.what()), ui::MsgKind::Error);
        }
        own.commit();
    } catch (const std::exception& e) {
        ShowErrDetail(message, QString::fromUtf8(e.what()), ui::MsgKind::Error);
    }
}

void TPrintDlgBox::PutStyleColorRec() {
    if (!UseStyleStore || !PrintRec || PrintRec->ReportName.isEmpty() || !DM ||
        !DM->IBDatabaseDEF.isConnected())
        return;
    const QString message = QStringLiteral("ユーザー別帳票色情報の更新に失敗しました。");
    StyleName = MakeStyleName();
    try {
        OwnTransaction own(DM->IBTransactionDEF);
        try {
            fb::Query q(DM->IBTransactionDEF);
            q.setSql(
                QStringList{QStringLiteral("SELECT COUNT(OPCODE) AS RECCNT FROM STYLECOLOR"), kStyleWhere});
            q.setInt("OPCODE", SystemDef.OPCODE);
            q.setString("STYLENAME", StyleName);
            const int count = q.openInt("RECCNT");
            if (count > 0)
                q.setSql(QStringList{
                    QStringLiteral(
                        "UPDATE STYLECOLOR SET OPCODE=:OPCODE,STYLENAME=:STYLENAME,LINECOLOR1=:LINECOLOR1,"
                        "LINECOLOR2=:LINECOLOR2,LINECOLOR3=:LINECOLOR3,LINECOLOR4=:LINECOLOR4,"
                        "LINECOLOR5=:LINECOLOR5,NETCOLOR1=:NETCOLOR1,NETCOLOR2=:NETCOLOR2,SSTR=:SSTR"),
                    kStyleWhere});
            else
                q.setSql(QStringList{
                    QStringLiteral("INSERT INTO STYLECOLOR(OPCODE,STYLENAME,LINECOLOR1,LINECOLOR2,LINECOLOR3,"
                                   "LINECOLOR4,LINECOLOR5,NETCOLOR1,NETCOLOR2,SSTR)"),
                    QStringLiteral(
                        "VALUES(:OPCODE,:STYLENAME,:LINECOLOR1,:LINECOLOR2,:LINECOLOR3,:LINECOLOR4,"
                        ":LINECOLOR5,:NETCOLOR1,:NETCOLOR2,:SSTR)")});
            q.setInt("OPCODE", SystemDef.OPCODE);
            q.setString("STYLENAME", StyleName);
            const auto own_or_default = [](qint32 colour, qint32 operatorColour) {
                return colour == operatorColour ? -1 : colour;
            };
            q.setInt("LINECOLOR1", own_or_default(PrintRec->LineColor1, SystemDef.PLineColor1));
            q.setInt("LINECOLOR2", own_or_default(PrintRec->LineColor2, SystemDef.PLineColor2));
            q.setInt("LINECOLOR3", -1);
            q.setInt("LINECOLOR4", -1);
            q.setInt("LINECOLOR5", -1);
            q.setInt("NETCOLOR1", own_or_default(PrintRec->NetColor1, SystemDef.NetColor1));
            q.setInt("NETCOLOR2", own_or_default(PrintRec->NetColor2, SystemDef.NetColor2));
            q.setString("SSTR", PrintRec->OptionText);
            q.execute();
            q.close();
            own.commit();
        } catch (const fb::Error& e) {
            own.rollback();
            ErrFbAccess(e, QStringLiteral("TPrintDlgBox.PutStyleColorRec"), message);
        }
    } catch (const std::exception& e) {
        ShowErrDetail(message, QString::fromUtf8(e.what()), ui::MsgKind::Error);
    }
}

void TPrintDlgBox::btnOKClick(QAbstractButton* Sender) {
    if (!PrintRec)
        return;
    PrintRec->ColorMode = btnColor->isChecked() ? 1 : 0;
    bool ok = false;
    int page = txtStartPage->text().trimmed().toInt(&ok);
    if (!ok || page == 0)
        page = 1;
    PrintRec->StartPage = page;
    PrintRec->BothSides = chkBoth->isChecked();
    HozonFukugen(QStringLiteral("Hozon"));
    ResultKind = Sender == btnPreview ? 2 : Sender == btnCopy ? 3 : 1;
    m_okPressed = true;
    done(ui::mrOk);
}

void TPrintDlgBox::btnCancelClick() {
    done(ui::mrCancel);
}

void TPrintDlgBox::btnColorSelectClick() {
    if (!PrintRec)
        return;
    TPrnColorSetBox box(this);
    box.PerReport = UseStyleStore ? 1 : 0;
    box.setLineColor1(PrintRec->LineColor1);
    box.setLineColor2(PrintRec->LineColor2);
    box.setNetColor1(PrintRec->NetColor1);
    box.setNetColor2(PrintRec->NetColor2);
    box.PlaceForm(0, 0, 0, 0, 2);
    box.Setup(1);
    if (box.exec() == ui::mrOk) {
        PrintRec->LineColor1 = box.LineColor1();
        PrintRec->LineColor2 = box.LineColor2();
        PrintRec->NetColor1 = box.NetColor1();
        PrintRec->NetColor2 = box.NetColor2();
        PutStyleColorRec();
    }
}

void TPrintDlgBox::FormShow() {
    TBSDI::FormShow();
    if (!SetupDone) {
        ui::showMessage(
            ui::MsgKind::Error,
            QStringLiteral("%1画面の初期化に失敗しました。\r処理を終了します。").arg(windowTitle()),
            ui::mbYes);
        QTimer::singleShot(0, this, [this] { done(ui::mrCancel); });
    }
}

void TPrintDlgBox::FormActivate() {
    TBSDI::FormActivate();
    if (isVisible())
        btnOK->setFocus();
}

void TPrintDlgBox::FormClose(TCloseAction& Action) {
    TBSDI::FormClose(Action);
    Action = caHide;
    // A cancelled dialog leaves the stored style as it was.
    if (m_okPressed)
        PutStyleColorRec();
}

#include "tusin/z5DataTusin.h"

#include "controls/PerfectGrid.h"
#include "controls/SafeCall.h"
#include "controls/z5HtmlHelp.h"
#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/TBackupRestoreThread.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/SpecialFolders.h"
#include "platform/UserInteraction.h"
#include "tusin/unlha32.h"
#include "tusin/z5TusinSetteiPas.h"
#include "tusin/z5WaitMess.h"
#include "ui_z5DataTusin.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <stdexcept>

namespace {

const bool registered = [] {
    RegisterDialogClass(DialogClassOf<TfmDataTusin>(), QStringLiteral("QzDataTusin"));
    return true;
}();

QString framed(const QString& text) {
    return QStringLiteral("　\r\n") + text + QStringLiteral("\r\n ");
}

const QString kSetupFailed = QStringLiteral("%1画面の初期化に失敗しました。\r処理を終了します。");
const QString kReconnectFailed =
    framed(QStringLiteral("データの接続に失敗したため、データ選択画面を開きます。"));

bool isListKind(int kind) {
    return kind == tkSend || kind == tkReceive || kind == tkAreaList || kind == tkAreaListOnline;
}

// Column headers and widths of the lists (design pixels).
using ColumnSpec = TfmDataTusin::ColumnSpec;
const ColumnSpec kRelayColumns[] = {
    {u"No.", 40},       {u"データ名", 300}, {u"会計年度", 80},   {u"会計期間", 180},
    {u"送信日時", 134}, {u"受信日時", 134}, {u"バージョン", 85}, {u"", 0}};
const ColumnSpec kAreaColumns[] = {{u"No.", 40},           {u"状況", 75},      {u"データ名", 266},
                                   {u"年度", 53},          {u"会計期間", 175}, {u"使用開始日時", 128},
                                   {u"最終更新日時", 128}, {u"バージョン", 85}};
const ColumnSpec kCashColumns[] = {{u"処理", 55},      {u"データ名", 285}, {u"会計年度", 80},
                                   {u"会計期間", 180}, {u"送信日時", 134}, {u"受信日時", 0},
                                   {u"バージョン", 85}};

QString versionLabelOf(const QString& version) {
    if (version.trimmed().isEmpty())
        return {};
    return VersionLabel(version.left(2).toInt(), version.right(2).toInt());
}

QString periodText(const TRelayServerEntry& e) {
    return e.PeriodStartText.left(10) + QStringLiteral(" ～ ") + e.PeriodEndText.left(10);
}

} // namespace

QString PackageTempFolder() {
    const QString t = SystemDef.WinTempDir.isEmpty() ? specialfolders::temp() : SystemDef.WinTempDir;
    return ExcludePathDelim(t);
}

QString RelayFolderName(int slot) {
    return u'/' + (u'0' + QString::number(slot)).right(2);
}

// ---- the form's life -------------------------------------------------------------------------------

TfmDataTusin::TfmDataTusin(QWidget* owner)
    : TBSDI(owner, bsDialog), Relay(RelaySettings()), ui(std::make_unique<Ui::TfmDataTusin>()) {
    ui->setupUi(this);
    FormCreate();
    DataLost = 0;
    ProcHistory = true;
    SaveFormSize = false;
    HostQuerySkip = true;
    ActivateNotify = false;
    // The grid's window procedure hook of the original form only passed every message on: nothing to
    // hook on Linux.
    m_keys = {ui->ESC, ui->F1, ui->F2, ui->F3, ui->F4, ui->F5, ui->F6, ui->F7, ui->F8, ui->F12};
    connect(ui->ESC, &QPushButton::clicked, this, [this] { guarded([this] { ESCClick(); }); });
    for (int k = kF1; k < KeyCount; ++k)
        connect(m_keys[k], &QPushButton::clicked, this, [this, k] { guarded([this, k] { F1Click(k); }); });
    connect(ui->PerfectGrid1, &TPerfectGrid::OnCellGotFocus, this,
            [this](QObject*, int row, int col) { guarded([&] { PerfectGrid1CellGotFocus(row, col); }); });
    connect(ui->PerfectGrid1, &TPerfectGrid::OnCellLostFocus, this,
            [this](QObject*, int row, int col) { guarded([&] { PerfectGrid1CellLostFocus(row, col); }); });
    Pictures = {style()->standardIcon(QStyle::SP_DirIcon).pixmap(32, 32),
                style()->standardIcon(QStyle::SP_FileIcon).pixmap(32, 32)};
    DataInfo = std::make_unique<TDataInfomation>();
    DataInfo->ConnectMode = ConnectMode;
    SetupGrid();
    Initialised = 1;
    ArchiverLoaded = UnlhaAvailable ? 1 : 0;
    if (!ArchiverLoaded)
        ui::showInformation(QStringLiteral("圧縮用DLLがロード出来ません。"));
    Received = 0;
    SetupDone = true;
}

TfmDataTusin::~TfmDataTusin() {
    if (BackupWorker)
        BackupWorker->wait();
}

TPerfectGrid* TfmDataTusin::PerfectGrid1() const {
    return ui->PerfectGrid1;
}
QPushButton* TfmDataTusin::keyButton(Key key) const {
    return m_keys[key];
}
QLabel* TfmDataTusin::Label1() const {
    return ui->Label1;
}
QPlainTextEdit* TfmDataTusin::HintArea() const {
    return ui->HintArea;
}

void TfmDataTusin::SetParams(const QStringList& params) {
    Params = params;
    const int kind = ParamInt(params, QStringLiteral("SyoriType"), -1);
    if (kind >= 0)
        SyoriType = kind;
    // MDI child, MDI form, normal or stay-on-top: a Linux dialog is a normal window in every case.
    FormStyle = ParamInt(params, QStringLiteral("FormStyle"), 0);
}

QString TfmDataTusin::OperationFolder() const {
    return SyoriType < tkCloudSend ? SystemDef.DataDir : DataFolder;
}

TRelayContext TfmDataTusin::relayContext() const {
    TRelayContext c = TRelayContext::current();
    c.Automatic = AutoMode != 0;
    return c;
}

void TfmDataTusin::pause() const {
    // A busy wait on the clock between the steps; no messages are processed meanwhile.
    QDeadlineTimer deadline(Relay.PauseMs);
    while (!deadline.hasExpired()) {
    }
}

int TfmDataTusin::Execute(bool modal) {
    ShowNormalCursor();
    CloudAnalysisSend = 0;
    if (ConnectMode != 2 && AccInf.CLOUD_LINE != 0 && SyoriType == tkReceive) {
        ui::showInformation(QStringLiteral("クラウドシェアデータでデータ受信は実行できません。"));
        return -1;
    }
    if (DM && DM->IBDatabaseDAT.isConnected())
        CloudAnalysisSend = GetAccReg(QStringLiteral("通信設定"), QStringLiteral("クラウド区分"),
                                      QStringLiteral("整数"), QStringLiteral("0"))
                                .toInt();
    BackupName = SyoriType <= tkCloudSend ? QStringLiteral("placc.fbk") : QStringLiteral("cplacc.fbk");
    StartPending = 1;
    OperationName = TavrinoEdition == 1 || TavrinoEdition == 2 ? QStringLiteral("データ送受信")
                                                               : QStringLiteral("データ通信");
    if (SyoriType == tkSend || SyoriType == tkReceive) {
        if (AccInf.WEB_HOLDER.trimmed().isEmpty()) {
            ui::showWarning(framed(QStringLiteral("通信IDが設定されてません。通信設定で設定して下さい。")));
            return -1;
        }
        if (AccInf.PASWORD.trimmed().isEmpty()) {
            ui::showWarning(
                framed(QStringLiteral("パスワードが設定されてません。通信設定で設定して下さい。")));
            return -1;
        }
        if (!modal) {
            PrepareList(0);
            show();
            return 0;
        }
        if (HostMenuProc && HostMenuProc(10, QString()) > 0) {
            ui::showMessage(ui::MsgKind::Warning,
                            QStringLiteral("メニュー以外の処理が開いています。\r全ての処理を閉じてから処理を"
                                           "実行してください。"),
                            ui::mbYes);
            return -1;
        }
        if (!Initialised) {
            ui::showMessage(ui::MsgKind::Error, kSetupFailed.arg(windowTitle()), ui::mbYes);
            return -1;
        }
        PlaceForm(0, 0, 0, 0, 3);
        PrepareList(1);
        exec();
        return Received ? 1 : 0;
    }
    return RunDirectKind(modal);
}

void TfmDataTusin::PrepareList(int showMode) {
    ShowMode = showMode;
    if (SyoriType == tkReceive) {
        SystemDef.HostMenuResult = 0;
        SystemDef.SelectedPaths.clear();
    }
    if (SyoriType == tkSend) {
        setWindowTitle(QStringLiteral("データ送信"));
        m_helpPage = QStringLiteral("tsusin01.html");
    } else if (SyoriType == tkReceive) {
        setWindowTitle(QStringLiteral("データ受信"));
        m_helpPage = QStringLiteral("tsusin02.html");
    }
    if (!isListKind(SyoriType) || SyoriType == tkAreaListOnline)
        ShowServerList();
    SetKeyCaptions();
}

void TfmDataTusin::FormShow() {
    TBSDI::FormShow();
    if (!Initialised) {
        ui::showMessage(ui::MsgKind::Error, kSetupFailed.arg(windowTitle()), ui::mbYes);
        QTimer::singleShot(0, this, [this] { reject(); });
        return;
    }
    // The start-up runs on the first activation; an offscreen or unmanaged window may never be
    // activated, so it is queued here as well (whichever comes first clears StartPending).
    QTimer::singleShot(0, this, [this] { guarded([this] { FormActivate(); }); });
}

void TfmDataTusin::FormActivate() {
    TBSDI::FormActivate();
    if (isVisible() && ui->PerfectGrid1->isEnabled())
        ui->PerfectGrid1->setFocus();
    if ((SyoriType == tkSend || SyoriType == tkReceive || SyoriType == tkAreaList) && StartPending) {
        guarded([this] { StartOperation(); });
        if (ui->PerfectGrid1->RowCount() <= 0) {
            m_keys[kF12]->setEnabled(false);
            m_keys[kF5]->setEnabled(false);
        } else {
            ui->PerfectGrid1->SetCurrentCell(0, 0);
            ui->PerfectGrid1->MakeRowVisible(0);
            PerfectGrid1CellGotFocus(0, 0);
            // Putting the window back to not-topmost has nothing to do on Linux.
        }
    }
}

int TfmDataTusin::StartOperation() {
    if (!isListKind(SyoriType))
        return 0;
    StartPending = 0;
    int result = -1;
    ShowNormalCursor();
    BackupName = SyoriType <= tkCloudSend ? QStringLiteral("placc.fbk") : QStringLiteral("cplacc.fbk");
    if (HostMenuProc && HostMenuProc(10, QString()) > 0) {
        ui::showWarning(framed(QStringLiteral("現在メニュー以外の画面を表示中なので、") + OperationName +
                               QStringLiteral("処理は行えません。")));
        return -1;
    }
    const bool areas = IsAreaList();
    WaitMessParent = this;
    std::unique_ptr<TfmWaitMess> wait(new TfmWaitMess(this));
    fmWaitMess = wait.get();
    for (int n : {1, 4, 5})
        wait->line(n)->setVisible(false);
    wait->line(2)->setText(QStringLiteral("認証チェック　実行中"));
    SetWaitStep(wait->line(2), TWaitStep::Running);
    wait->line(3)->setText(areas ? QStringLiteral("クラウドシェア情報確認")
                                 : QStringLiteral("中継サーバー情報確認"));
    SetWaitStep(wait->line(3), TWaitStep::ToCome);
    wait->show();
    pause();

    if (SyoriType == tkSend) {
        setWindowTitle(QStringLiteral("データ送信"));
        m_helpPage = QStringLiteral("tsusin01.html");
    } else if (SyoriType == tkReceive) {
        setWindowTitle(QStringLiteral("データ受信"));
        m_helpPage = QStringLiteral("tsusin02.html");
    }

    const bool inUse = DM && DM->AccDatInConnection(1, SystemDef.HOSTNAME, false, OperationFolder());
    if (inUse) {
        if (areas) {
            ui::showWarning(QStringLiteral("このデータは他のオペレータが使用中です。 "));
            return -1;
        }
        wait->hide();
        const int answer =
            ui::askConfirmation(framed(QStringLiteral("このデータは他のオペレータが使用中です。") +
                                       windowTitle() + QStringLiteral("を開始しますか？")));
        if (answer != ui::mrYes) {
            m_keys[kF5]->setEnabled(false);
            m_keys[kF12]->setEnabled(false);
            return -1;
        }
    }
    wait->line(2)->setText(QStringLiteral("認証チェック　終了"));
    SetWaitStep(wait->line(2), TWaitStep::Done);
    wait->line(3)->setText(areas ? QStringLiteral("クラウドシェア情報確認　実行中")
                                 : QStringLiteral("中継サーバー情報確認　実行中"));
    SetWaitStep(wait->line(3), TWaitStep::Running);
    pause();
    if (!RequestServerInfo())
        result = 0;
    wait.reset();
    ShowNormalCursor();
    ShowServerList();
    SetKeyCaptions();
    return result;
}

bool TfmDataTusin::RequestServerInfo() {
    const TRelayOutcome outcome = ::RequestServerInfo(ServerInfo, SyoriType, relayContext(), Relay);
    if (outcome == TRelayOutcome::ConnectionFailed) {
        m_keys[kF5]->setEnabled(false);
        m_keys[kF12]->setEnabled(false);
    }
    return outcome == TRelayOutcome::Ok;
}

bool TfmDataTusin::ConnectData(bool flag) {
    bool result = flag;
    if (!DM)
        return false;
    if (!DM->IBDatabaseDAT.isConnected()) {
        if (DM->fnAccDatConnected(SystemDef.HOSTNAME, OperationFolder(), 1)) {
            if (!DM->fnGetAccInfo()) {
                ui::showWarning(kReconnectFailed);
                result = false;
            } else if (!DM->fnGetExistsOpeDefSisetu()) {
                DataLost = 1;
                result = false;
            }
        } else {
            ui::showWarning(kReconnectFailed);
            result = false;
        }
    }
    if (DM->IBTransactionDEF.isActive())
        DM->IBTransactionDEF.commit();
    return result;
}

bool TfmDataTusin::ReleaseData() {
    if (!DM)
        return true;
    try {
        if (DM->IBDatabaseDAT.isConnected())
            DM->fnAccDatDisConnected(OperationFolder(), 1, 0);
        if (DM->IBTransactionDEF.isActive())
            DM->IBTransactionDEF.commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TfmDataTusin::reconnectForClose() {
    if (!DM)
        return true;
    bool ok = true;
    if (!DM->IBDatabaseDAT.isConnected()) {
        ok = DM->fnAccDatConnected(SystemDef.HOSTNAME, OperationFolder(), 1) && DM->fnGetAccInfo();
        if (!ok) {
            ui::showWarning(kReconnectFailed);
            SystemDef.DataDir.clear();
        } else if (!DM->fnGetExistsOpeDefSisetu()) {
            DataLost = 1;
        }
        // The host notification hooks are not installed by this program.
    }
    if (DM->IBTransactionDEF.isActive())
        DM->IBTransactionDEF.commit();
    return ok;
}

void TfmDataTusin::closeEvent(QCloseEvent* e) {
    guarded([this] { reconnectForClose(); });
    m_closeQueried = true;
    TBSDI::closeEvent(e);
}

void TfmDataTusin::FormClose(TCloseAction& Action) {
    if (!m_closeQueried)
        guarded([this] { reconnectForClose(); });
    m_closeQueried = false;
    TBSDI::FormClose(Action);
    if (DataLost && DM)
        DM->fnAccDatDisConnected(OperationFolder(), 1, 0);
    // The area lists are only hidden: their caller reads the chosen area and frees the form.
    if (IsAreaList())
        Action = caHide;
    ShowNormalCursor();
}

// ---- the list ----------------------------------------------------------------------------------------

void TfmDataTusin::SetupGrid() {
    TPerfectGrid* g = ui->PerfectGrid1;
    g->setProperty("FixedBackColor", SystemDef.ColHeaderColor);
    g->setProperty("FixedBorderColor", 0x808080);
    g->setProperty("FocusBorderColor", SystemDef.ActiveColor);
    g->setProperty("BorderColor", 0x808080);
    g->setProperty("ThruBorderColor", 0x008000);
    const QColor grey = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
    const qint32 greyText = qint32(grey.red() | grey.green() << 8 | grey.blue() << 16);
    g->setProperty("DisabledColor", greyText);
    g->setProperty("VoidAreaColor", greyText);
    g->setProperty("BackColor", SystemDef.ClientColor);
    g->AllowSelCol = false;
    g->AllowSelRow = false;
    g->setRowCount(0);
    const bool areas = IsAreaList();
    setColumns(areas ? kAreaColumns : kRelayColumns, 8, areas ? 2 : 1);
}

void TfmDataTusin::setColumns(const ColumnSpec* columns, int count, int nameCol) {
    TPerfectGrid* g = ui->PerfectGrid1;
    g->SetCols(count);
    for (int c = 0; c < count; ++c) {
        g->SetCellText(-1, c, QString::fromUtf16(columns[c].header));
        g->SetColWidth(c, Scaled(columns[c].width));
        g->SetColAlignment(c, c == nameCol ? 0 : 2);
        g->SetColCellType(c, 1);
        g->SetCellAlignment(-1, c, 2);
    }
}

void TfmDataTusin::ShowServerList() {
    if (GetDataListRecord() <= 0)
        return;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int kind = SyoriType;
    const bool areas = IsAreaList();
    g->setRowCount(0);
    if (kind == tkServerCheck) {
        g->InsertRows(0, 3);
        setColumns(kCashColumns, 7, 1);
        const QString heads[] = {QStringLiteral("受信"), QStringLiteral("送信"), QStringLiteral("全送信")};
        for (int r = 0; r < 3; ++r)
            g->SetCellText(r, 0, heads[r]);
        g->SetDefHeight(Scaled(40));
    } else {
        g->InsertRows(0, 10);
        setColumns(areas ? kAreaColumns : kRelayColumns, 8, areas ? 2 : 1);
        if (areas)
            ui->Label1->setText(QString());
        for (int r = 0; r < 10; ++r)
            g->SetCellText(r, 0, QString::number(r + 1));
    }

    switch (kind) {
    case tkSend:
        setWindowTitle(QStringLiteral("データ送信"));
        g->setProperty("FocusBorderColor", SystemDef.ActiveColor);
        g->setOddRowBackColor(SystemDef.ClientColor2);
        ui->HintArea->setPlainText(QStringLiteral(
            "［F12］を押すと現在利用中のデータが中継先サーバーの選択したフォルダに送信されます。"
            "\n\n［F5］を押すと中継先サーバーのデータが削除されます。"));
        break;
    case tkReceive:
        setWindowTitle(QStringLiteral("データ受信"));
        g->setBackColor(SystemDef.ClientColor != 0 ? SystemDef.ClientColor : 0xFFFFFF);
        g->setOddRowBackColor(qint32(187 | 222 << 8 | 255 << 16));
        g->setProperty("FocusBorderColor", qint32(0 | 64 << 8 | 128 << 16));
        ui->HintArea->setPlainText(
            QStringLiteral("［F12］を押すと選択したデータを受信して、現在利用中のデータに上書きします。"
                           "\n\n［F5］を押すと中継先サーバーのデータが削除されます。"));
        break;
    case tkServerCheck:
        setWindowTitle(QStringLiteral("サーバー確認"));
        m_keys[kF12]->setVisible(false);
        ui->HintArea->setPlainText(QStringLiteral(
            "１行目は現金出納帳から送信されたデータです。　　　２行目はペラン財務が送信したデータです。"
            "\n３行目はペラン財務が送信したマスターデータです。\n\n［F5］を押すと中継先サーバーの"
            "データが削除されます。"));
        break;
    case tkAreaList:
        setWindowTitle(QStringLiteral("クラウドシェア領域を選択"));
        ui->HintArea->setPlainText(QStringLiteral(
            "どの行でクラウドシェアするかを選んで［F12：選択］を押します。\nこれからクラウドシェアを始める場"
            "合は"
            "空白行を、クラウドシェアがスタートしている場合は該当行を選択します。\n［F4：解除］は誰も使用して"
            "ない筈なのに「使用中」のままになってしまった場合に使用します。\n［F5：削除］は既にクラウドシェア"
            "を"
            "止めたデータがリストに残っている場合に使用します。"));
        break;
    default:
        break;
    }

    if (areas) {
        m_helpPage = QStringLiteral("cloudshare_sel.html");
        const int line = AccInf.CLOUD_LINE;
        ChosenAreaName =
            line >= 1 && line <= 10 ? ServerInfo.Entries[line - 1].DataName.trimmed() : QString();
        for (int r = 0; r < 10; ++r)
            fillAreaRow(r, ServerInfo.Entries[r]);
        const int focus = line >= 1 && line <= 10 ? line - 1 : 0;
        g->SetCurrentCell(focus, 1);
        PerfectGrid1CellGotFocus(focus, 1);
    } else {
        const int rows = kind == tkServerCheck ? 3 : 10;
        for (int r = 0; r < rows; ++r)
            fillListRow(r, ServerInfo.Entries[r]);
    }
}

void TfmDataTusin::fillListRow(int row, const TRelayServerEntry& e) {
    if (e.DataName.isEmpty())
        return;
    TPerfectGrid* g = ui->PerfectGrid1;
    g->SetCellText(row, 1, e.DataName);
    g->SetCellText(row, 2, e.FiscalYear + QStringLiteral("期"));
    g->SetCellText(row, 3, periodText(e));
    g->SetCellText(row, 4, e.SendTimeText);
    g->SetCellText(row, 5, e.ReceiveTimeText);
    g->SetCellText(row, 6, versionLabelOf(e.Version));
}

void TfmDataTusin::fillAreaRow(int row, const TRelayServerEntry& e) {
    if (e.DataName.isEmpty())
        return;
    TPerfectGrid* g = ui->PerfectGrid1;
    const bool free = e.ShareStatus == u"1";
    const bool used = e.ShareStatus == u"2";
    if (!free && !used) {
        g->SetCellText(row, 1, QString());
        return;
    }
    g->SetCellText(row, 1, free ? QStringLiteral("未使用") : QStringLiteral("使用中"));
    g->SetCellText(row, 2, e.DataName);
    g->SetCellText(row, 3, e.FiscalYear + QStringLiteral("期"));
    g->SetCellText(row, 4, periodText(e));
    g->SetCellText(row, 5, free ? QStringLiteral("-") : e.ReceiveTimeText);
    g->SetCellText(row, 6, free ? e.SendTimeText : QStringLiteral("-"));
    g->SetCellText(row, 7, versionLabelOf(e.Version));
}

int TfmDataTusin::GetDataListRecord() {
    ListRows.clear();
    if (!DM || !DM->IBDatabaseDEF.isConnected())
        return 0;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query q(DM->IBTransactionDEF);
        q.setSql(QStringList{
            QStringLiteral(
                "SELECT REC,ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,"
                "DATALOCK,KYOYULOCK,TANTOU,VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT FROM DATALIST"),
            QStringLiteral("WHERE (GROUPID=:GROUPID)"), QStringLiteral("ORDER BY REC")});
        q.setInt("GROUPID", SystemDef.GROUPID);
        for (q.open(); !q.eof(); q.next()) {
            TDataSentakuRec r;
            r.REC = q.field("REC").asInt();
            r.GROUPID = SystemDef.GROUPID;
            r.ENTTEXT = q.field("ENTTEXT").asString();
            r.SHOUGOU = q.field("SHOUGOU").asString();
            r.NENDO = q.field("NENDO").asInt();
            r.KISHU = fb::asDateTime(q.field("KISHU"));
            r.KIMATU = fb::asDateTime(q.field("KIMATU"));
            r.KIKAN = DateToStrFmt(QStringLiteral("yyyy/mm/dd"), 4, r.KISHU) + QStringLiteral(" ～ ") +
                      DateToStrFmt(QStringLiteral("yyyy/mm/dd"), 4, r.KIMATU);
            r.NETDRIVE = q.field("NETDRIVE").asInt();
            r.PASNAME = q.field("PASNAME").asString();
            r.LOCALPATH = r.PASNAME;
            r.TANTOU = q.field("TANTOU").asInt();
            r.DATATYPE = q.field("DATATYPE").asInt();
            r.CODETYPE = q.field("CODETYPE").asInt();
            r.DATALOCK = q.field("DATALOCK").asInt();
            r.KYOYULOCK = q.field("KYOYULOCK").asInt();
            r.VER_MAJOR = q.field("VER_MAJOR").asInt();
            r.VER_MINOR1 = q.field("VER_MINOR1").asInt();
            r.VER_MINOR2 = q.field("VER_MINOR2").asInt();
            r.VER_TEXT = q.field("VER_TEXT").asString();
            ListRows.append(r);
        }
        q.close();
        own.commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDataSentakuBox.GetDataListRecord"),
                    QStringLiteral("データリストの読み込みに失敗しました。"));
        own.commit();
        throw;
    }
    return static_cast<int>(ListRows.size());
}

void TfmDataTusin::UpdateDataListRecord(int index) {
    if (index < 0 || index >= ListRows.size())
        throw std::runtime_error("UpdateDataListRecord: no such row");
    const TDataSentakuRec& row = ListRows[index];
    QString folder = row.PASNAME;
    if (folder.remove(u' ').isEmpty())
        throw std::runtime_error(
            QStringLiteral("データフォルダパスが不正です。\r処理を中止します。").toStdString());
    folder = ExcludePathDelim(row.PASNAME);

    const QStringList setLines{QStringLiteral("SET ENTTEXT=:ENTTEXT,"),
                               QStringLiteral("NENDO=:NENDO,"),
                               QStringLiteral("KISHU=:KISHU,"),
                               QStringLiteral("KIMATU=:KIMATU,"),
                               QStringLiteral("VER_MAJOR=:VER_MAJOR,"),
                               QStringLiteral("VER_MINOR1=:VER_MINOR1,"),
                               QStringLiteral("VER_MINOR2=:VER_MINOR2,"),
                               QStringLiteral("VER_TEXT=:VER_TEXT,"),
                               QStringLiteral("UPDATE_LOCK=:UPDATE_LOCK,"),
                               QStringLiteral("READ_ONLY=:READ_ONLY")};
    const auto bindRow = [&row](fb::Query& q) {
        q.setString("ENTTEXT", row.ENTTEXT);
        q.setInt("NENDO", row.NENDO);
        fb::setDateTime(q, "KISHU", row.KISHU);
        fb::setDateTime(q, "KIMATU", row.KIMATU);
        q.setInt("VER_MAJOR", row.VER_MAJOR);
        q.setInt("VER_MINOR1", row.VER_MINOR1);
        q.setInt("VER_MINOR2", row.VER_MINOR2);
        q.setString("VER_TEXT", row.VER_TEXT);
        q.setInt("UPDATE_LOCK", row.UPDATE_LOCK);
        q.setInt("READ_ONLY", row.READ_ONLY);
    };

    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query q(DM->IBTransactionDEF);
        if (ConnectMode != 0) {
            // The dataset lies in the default data folder (its DATALIST row) or in a data place.
            q.setSql(QStringList{QStringLiteral("UPDATE ") + DataListTableOfFolder(OperationFolder())} +
                     setLines + QStringList{QStringLiteral("WHERE PASNAME=:PASNAME")});
            bindRow(q);
            q.setString("PASNAME", row.PASNAME);
        } else if (GassanKbnText.trimmed() != u"10") {
            q.setSql(QStringList{QStringLiteral("UPDATE DATALIST")} + setLines +
                     QStringList{QStringLiteral("WHERE REC=:REC")});
            bindRow(q);
            q.setInt("REC", folder.right(4).toInt());
        } else {
            // A distributed child: ".../<list number>/<child name>" with a child name of two or three
            // characters.
            QString rec, child;
            if (folder.size() >= 7 && folder.at(folder.size() - 3) == u'/') {
                rec = folder.mid(folder.size() - 7, 4);
                child = folder.right(2);
            } else if (folder.size() >= 8 && folder.at(folder.size() - 4) == u'/') {
                rec = folder.mid(folder.size() - 8, 4);
                child = folder.right(3);
            } else {
                own.rollback();
                ui::showMessage(ui::MsgKind::Error, QStringLiteral("C_DATALISTが更新出来ません。(1)"),
                                ui::mbYes);
                return;
            }
            fb::Query find(DM->IBTransactionDEF);
            find.setSql(QStringList{QStringLiteral("SELECT ROWNO FROM Child_DATALIST"),
                                    QStringLiteral("WHERE (REC=:REC) and (PASNAME LIKE :PASNAME)")});
            find.setInt("REC", rec.toInt());
            find.setString("PASNAME", u'%' + child);
            find.open();
            if (find.eof()) {
                find.close();
                own.rollback();
                ui::showMessage(ui::MsgKind::Error, QStringLiteral("C_DATALISTが更新出来ません。(2)"),
                                ui::mbYes);
                return;
            }
            const int rowNo = find.field("ROWNO").asInt();
            find.close();
            q.setSql(
                QStringList{QStringLiteral("UPDATE Child_DATALIST")} + setLines +
                QStringList{QStringLiteral("WHERE (REC=:REC) and (ROWNO=:ROWNO) and (GROUPID=:GROUPID)")});
            bindRow(q);
            q.setInt("REC", rec.toInt());
            q.setInt("ROWNO", rowNo);
            q.setInt("GROUPID", SystemDef.GROUPID);
        }
        q.execute();
        own.commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDataSentakuBox.UpdateDataListRecord"),
                    QStringLiteral("データリストの更新に失敗しました。"));
        own.rollback();
        throw;
    } catch (...) {
        own.rollback();
        throw;
    }
}

// ---- keys ----------------------------------------------------------------------------------------------

void TfmDataTusin::SetKeyCaptions() {
    const bool areas = IsAreaList();
    const QString captions[KeyCount] = {
        QStringLiteral("ESC:ｷｬﾝｾﾙ"),
        QStringLiteral("F1:ヘルプ"),
        QStringLiteral("F2:"),
        QStringLiteral("F3:"),
        areas ? QStringLiteral("F4: 解除") : QStringLiteral("F4:"),
        areas ? QStringLiteral("F5: 削除") : QStringLiteral("F5:ﾃﾞｰﾀ削除"),
        QStringLiteral("F6:"),
        QStringLiteral("F7:"),
        QStringLiteral("F8:"),
        areas ? QStringLiteral("F12: 選択") : QStringLiteral("F12:実  行"),
    };
    for (int k = 0; k < KeyCount; ++k)
        m_keys[k]->setText(captions[k]);
}

namespace {
// A caption that is only the key name marks the key inactive.
bool bareCaption(const QPushButton* b) {
    return b->text().endsWith(u':');
}
} // namespace

void TfmDataTusin::ESCClick() {
    if (bareCaption(m_keys[kEsc]))
        return;
    done(ui::mrCancel);
}

void TfmDataTusin::FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    static const std::pair<int, int> keys[] = {{Qt::Key_F1, kF1}, {Qt::Key_F2, kF2}, {Qt::Key_F3, kF3},
                                               {Qt::Key_F4, kF4}, {Qt::Key_F5, kF5}, {Qt::Key_F6, kF6},
                                               {Qt::Key_F7, kF7}, {Qt::Key_F8, kF8}, {Qt::Key_F12, kF12}};
    if (Key == Qt::Key_Escape) {
        Key = 0;
        ESCClick();
        return;
    }
    for (const auto& [qtKey, button] : keys) {
        if (Key == qtKey) {
            // A hidden key (F12 of the server check) is ignored.
            if (m_keys[button]->isVisible() || !isVisible())
                guarded([this, button = button] { F1Click(button); });
            if (qtKey == Qt::Key_F12)
                Key = 0;
            break;
        }
    }
    TBSDI::FormKeyUp(Key, Shift);
}

int TfmDataTusin::SelectedRow() const {
    const int row = ui->PerfectGrid1->CurrentRow();
    return row == TPerfectGrid::NoRow ? -1 : row;
}

void TfmDataTusin::F1Click(int key) {
    FormatSettings.ShortDateFormat = QStringLiteral("yyyy/MM/dd");
    FormatSettings.DateSeparator = u'/';
    QPushButton* b = m_keys[key];
    if (!b->isEnabled() || bareCaption(b)) {
        SetKeyCaptions();
        return;
    }
    const int row = SelectedRow();
    switch (key) {
    case kF1:
        OpenOnlineManual(m_helpPage);
        break;
    case kF4:
        if (IsAreaList() && row >= 0 && row < 10) {
            const TRelayServerEntry& e = ServerInfo.Entries[row];
            if (!ui->PerfectGrid1->CellText(row, 2).trimmed().isEmpty() && e.ShareStatus == u"2") {
                TfmTusinSettiPas pas(this);
                pas.setWindowTitle(QStringLiteral("解除"));
                pas.CheckBox1()->setText(QStringLiteral("解除処理を実行します"));
                pas.memHint()->setPlainText(
                    QStringLiteral("「解除処理を実行します」をチェックして、パスワードを入力します。"));
                pas.Label2()->setText(e.Password);
                bool released = false;
                if (pas.ShowModal() == ui::mrOk) {
                    try {
                        released = SetAreaShareStatus(row + 1, 1);
                    } catch (const ERelayConnection&) {
                        ui::showError(QStringLiteral("　\r\nサーバーに接続出来ません。\r\n "));
                    }
                }
                if (released) {
                    TPerfectGrid* g = ui->PerfectGrid1;
                    g->SetCellText(row, 1, QStringLiteral("未使用"));
                    g->SetCellText(row, 5, QStringLiteral("-"));
                    g->SetCellText(row, 6, e.SendTimeText);
                    ServerInfo.Entries[row].ShareStatus = QStringLiteral("1");
                    m_keys[kF4]->setEnabled(false);
                    m_keys[kF5]->setEnabled(true);
                    ui::showMessage(ui::MsgKind::Information, QStringLiteral("使用中を解除しました。"),
                                    ui::mbYes);
                }
            }
        }
        break;
    case kF5:
        if (SyoriType == tkServerCheck || !isListKind(SyoriType))
            DeleteCashBookServerData(row);
        else
            DeleteServerData();
        break;
    case kF12:
        if (SyoriType == tkSend || SyoriType == tkReceive) {
            const bool send = SyoriType == tkSend;
            try {
                if ((send ? SendData() : ReceiveData()) == 0)
                    done(ui::mrOk);
            } catch (const std::exception& e) {
                // The road broke off: the dialog gives its controls back, says why and closes.
                setEnabled(true);
                keyButton(kF12)->setEnabled(true);
                keyButton(kF5)->setEnabled(true);
                reportException(send ? QStringLiteral("送信処理中にエラーになりました。\r\n")
                                     : QStringLiteral("受信処理中にエラーになりました。\r\n"),
                                &e);
                done(ui::mrCancel);
            }
        } else if (IsAreaList() && row >= 0 && row < 10) {
            const TRelayServerEntry& e = ServerInfo.Entries[row];
            ChosenAreaName = ui->PerfectGrid1->CellText(row, 2).trimmed();
            ChosenAreaState = ui->PerfectGrid1->CellText(row, 1).trimmed();
            ChosenArea = row + 1;
            const bool hasData = !ChosenAreaName.isEmpty();
            if (hasData && e.Password != AccInf.PASWORD) {
                ui::showMessage(
                    ui::MsgKind::Warning,
                    QStringLiteral("クラウド領域のデータと現在選択中のデータのパスワードが一致しません。"),
                    ui::mbYes);
                break;
            }
            if (SyoriType == tkAreaListOnline && hasData) {
                ui::showMessage(ui::MsgKind::Information,
                                QStringLiteral("翌年度更新処理中の場合は、空白行を選択してください。"),
                                ui::mbYes);
                break;
            }
            if (SyoriType == tkAreaList && !hasData)
                ui::showInformation(
                    QStringLiteral("お手元のデータをアップロードしてクラウドシェアを開始します。"));
            AreaChosen = 1;
            done(ui::mrOk);
        }
        break;
    default:
        break;
    }
    SetKeyCaptions();
}

void TfmDataTusin::PerfectGrid1CellGotFocus(int row, int /*col*/) {
    if (row == TPerfectGrid::NoRow || row < 0)
        return;
    TPerfectGrid* g = ui->PerfectGrid1;
    g->SetRowForeColor(row, SystemDef.ActiveColor);
    if (SystemDef.DisplayFont)
        g->SetRowFont(row, *SystemDef.DisplayFont);
    if (SyoriType >= tkCloudSend && row < 10) {
        const QString& status = ServerInfo.Entries[row].ShareStatus;
        m_keys[kF5]->setEnabled(status == u"1");
        m_keys[kF4]->setEnabled(status == u"2");
    }
    SetKeyCaptions();
}

void TfmDataTusin::PerfectGrid1CellLostFocus(int row, int /*col*/) {
    if (row == TPerfectGrid::NoRow || row < 0)
        return;
    TPerfectGrid* g = ui->PerfectGrid1;
    g->SetRowForeColor(row, g->ForeColor());
    g->SetRowFont(row, std::nullopt);
}

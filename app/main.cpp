#include "app/main.h"

#include "app/ComDataExp.h"
#include "app/HostProcs.h"
#include "app/TestHooks.h"
#include "app/hj19.h"
#include "controls/SafeCall.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "datalist/z5ComDataSentaku.h"
#include "datasel/Logon.h"
#include "platform/SpecialFolders.h"
#include "platform/UserInteraction.h"
#include "tusin/z5DataTusin.h"
#include "ui_main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <limits>

namespace {

const QString kInvalidArgument =
    QStringLiteral("不正な引数が渡されました。\r\rアプリケーションを強制終了します。");
const QString kAppInfoMissing =
    QStringLiteral("アプリケーションの設定ファイル(AppInfo.ini)"
                   "が見つかりませんでした。\rアプリケーションを強制終了します。");
const QString kAppInfoNoEdition =
    QStringLiteral("アプリケーションの設定ファイル(AppInfo.ini)"
                   "の値を参照できませんでした。\rアプリケーションを強制終了します。");
const QString kAppInfoUnreadable =
    QStringLiteral("アプリケーションの設定ファイル(AppInfo.ini)"
                   "を参照できませんでした。\rアプリケーションを強制終了します。");
const QString kCancelQuestion = QStringLiteral(
    "[キャンセル]ボタンが押されました。\r連動データの作成ウィザードを終了してもよろしいですか？\r");
const QString kStartInfoFailed =
    QStringLiteral("起動情報の初期化に失敗しました。アプリケーションを強制終了します。");
const QString kAppName = QStringLiteral("Corvane連動コンポーネント");
const QString kConvertFailedReceive =
    QStringLiteral("共有データパスの変換に失敗しました。データ選択画面を開きます。");
const QString kNotTaken =
    QStringLiteral("このデータは共有取得が行われていません。データ選択画面を開きます。");
const QString kSharedGone = QStringLiteral("共有サーバーが起動していない、接続が切断されている または "
                                           "共有サーバー上のデータ領域が削除された可能性があります。");
const QString kSharedDamaged =
    QStringLiteral("このデータは破損している可能性があり、基本情報が取得できませんでした。");
const QString kConvertFailedSend =
    QStringLiteral("共有データパスの変換に失敗しました。共有データの自動保管は行えませんでした。");
const QString kMergedDamaged =
    QStringLiteral("合算・分散データに破損したデータが存在するため、共有データの自動保管を中止します。\r"
                   "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。");
const QString kCreateFailed = QStringLiteral("中間ファイルの作成に失敗しました。\r");

bool toInt32(const QString& text, qint32& value) {
    if (text.isEmpty()) {
        value = 0;
        return true;
    }
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        return false;
    value = static_cast<qint32>(v);
    return true;
}

QString programFilePath() {
    return specialfolders::programDir() + u'/' +
           QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

} // namespace

TArgumentKind ParseCallerArgument(const QStringList& arguments, TCallerArgument& caller) {
    caller = TCallerArgument();
    if (arguments.isEmpty())
        return TArgumentKind::Standalone;
    if (arguments.size() > 1)
        return TArgumentKind::Invalid;
    const QString& arg = arguments.constFirst();
    const auto field = [&arg](int n) { return GetLineOfText(arg, QStringLiteral(","), n); };
    qint32 wnd = 0;
    TCallerArgument parsed;
    if (!toInt32(field(1), wnd) || !toInt32(field(2), parsed.Msg) || !toInt32(field(3), parsed.WParam))
        return TArgumentKind::Invalid;
    parsed.Wnd = static_cast<quint32>(wnd);
    // The file is all that follows the third comma: a path may hold commas of its own.
    qsizetype comma = -1;
    for (int i = 0; i < 3 && (i == 0 || comma >= 0); ++i)
        comma = arg.indexOf(u',', comma + 1);
    parsed.File = comma < 0 ? QString() : arg.mid(comma + 1);
    caller = parsed;
    return TArgumentKind::Caller;
}

bool LoadProductIdentity() {
    switch (ReadAppInfoIni(programFilePath(), AppInfo)) {
    case AppInfoRead:
        ApplyAppInfo();
        return true;
    case AppInfoMissing:
        ui::showError(kAppInfoMissing);
        return false;
    case AppInfoNoEdition:
        ui::showError(kAppInfoNoEdition);
        return false;
    default:
        ui::showError(kAppInfoUnreadable);
        return false;
    }
}

namespace wizardtext {
const QString NoDataChosen = QStringLiteral(
    "会計データの選択が行われていません。\r「データ選択を開く」ボタンを押して選択して下さい。");
const QString ConnectFailed = QStringLiteral("データの接続に失敗しました。");
const QString NoRights = QStringLiteral("このデータを扱う権限がありません。");
const QString VersionTooOld = QStringLiteral("このプログラムで処理できるデータバージョンに達していません。");
const QString ChooseAnother = QStringLiteral("データ選択画面を開き、別のデータを選択しますか？");
const QString NoOutputFile =
    QStringLiteral("中間ﾌｧｲﾙが指定されていません。\r指定してから[次へ]をｸﾘｯｸしてください。\r");
const QString Created = QStringLiteral("中間ファイルが作成されました。\r");
} // namespace wizardtext

TFinishResult FinishOutcome(int created, const QString& escaped, bool callerWindow) {
    switch (created) {
    case 1:
        if (!callerWindow)
            ui::showInformation(wizardtext::Created);
        return {0, true};
    case 3:
        return {1, false};
    default:
        ui::showError(kCreateFailed);
        // Reported after the failure, as the application's own handler would.
        if (!escaped.isEmpty())
            ui::showError(escaped);
        return {2, true};
    }
}

TFinishResult FinishExport(TComDataExport& exporter, bool callerWindow) {
    int result = 4;
    QString escaped;
    try {
        result = CreateLinkFile(exporter);
    } catch (const std::exception& e) {
        escaped = QString::fromUtf8(e.what());
    }
    return FinishOutcome(result, escaped, callerWindow);
}

namespace {

// The progress window over the form while a step runs; it goes with the object, however the step ends.
class ProgressShown {
public:
    ProgressShown(TxAnimeProgressDialog& progress, QWidget* owner, const QString& caption,
                  const QString& line, bool animation)
        : m_progress(progress) {
        m_progress.setCaption(caption);
        m_progress.setInfoLabel(line);
        m_progress.setAviFile(animation ? SystemDef.ProgramDir + QStringLiteral("/progress.avi") : QString());
        m_progress.setCancelBtnShow(false);
        m_progress.Execute(owner);
    }
    ~ProgressShown() { m_progress.Close(); }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

private:
    TxAnimeProgressDialog& m_progress;
};

class HourglassShown {
public:
    HourglassShown() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourglassShown() { QGuiApplication::restoreOverrideCursor(); }
    HourglassShown(const HourglassShown&) = delete;
    HourglassShown& operator=(const HourglassShown&) = delete;
};

void processPendingEvents(int ms) {
    WaitMSec(ms);
    QCoreApplication::processEvents();
}

} // namespace

QString ResolveOutputFile(const QString& text, const QString& documentsDir) {
    if (text.isEmpty() || text.contains(u'/'))
        return text;
    return QDir(documentsDir).filePath(text);
}

TForm1::TForm1(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::TForm1>()) {
    m_ui->setupUi(this);
    // The wizard's own face, not scaled with the operator's font.
    QFont face(QStringLiteral("ＭＳ Ｐゴシック"));
    face.setPixelSize(13);
    setFont(face);
    QFont memo(QStringLiteral("ＭＳ ゴシック"));
    memo.setPixelSize(12);
    m_ui->Memo5b->setFont(memo);
    QFont intro = face;
    intro.setPixelSize(15);
    m_ui->Memo1a->setFont(intro);
    m_ui->listDataInfo->horizontalHeader()->resizeSection(0, 150);
    m_ui->listDataInfo->verticalHeader()->setDefaultSectionSize(24);
    // The introduction takes no input, but its text reads as plain text, not greyed out.
    QPalette introPalette = m_ui->Panel1->palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text})
        introPalette.setColor(QPalette::Disabled, role, introPalette.color(QPalette::Active, role));
    m_ui->Panel1->setPalette(introPalette);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    TxWizard* w = m_ui->Wizard1;
    w->setNextButton(m_ui->Button2);
    w->setBackButton(m_ui->Button1);
    w->OnNextClicking = [this](QObject* sender, bool finalState, bool& allow) {
        Wizard1NextClicking(sender, finalState, allow);
    };
    w->OnNextClick = [this](QObject* sender, bool finalState) { Wizard1NextClick(sender, finalState); };
    connect(w, &QStackedWidget::currentChanged, this, [this] { guarded([this] { Wizard1PageChanged(); }); });
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &TForm1::btnCancelClick);
    connect(m_ui->btnDataSentaku, &TxPlButton::clicked, this,
            [this] { guarded([this] { btnDataSentakuClick(); }); });
    connect(m_ui->BitBtn4a, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn4aClick(); }); });
    // Enter on a focused button presses it, as in a dialog.
    for (QPushButton* b : {m_ui->Button1, m_ui->Button2, m_ui->btnCancel, m_ui->BitBtn4a})
        b->setAutoDefault(true);
    ClearDataInfoList();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    const bool plain = !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
    QPushButton* target = nullptr;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        target = m_ui->Button2;
    else if (plain && event->key() == Qt::Key_Escape)
        target = m_ui->btnCancel;
    if (!target) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (target->isEnabled() && target->isVisible())
        target->click();
}

TForm1::~TForm1() {
    FormDestroy();
}

bool TForm1::FormCreate(const QStringList& arguments) {
    InstallHostProcs();
    m_systemDrive = GetSystemDriveRoot();
    FExitCode = 2;
    m_ui->Wizard1->setCurrentIndex(0);

    TCallerArgument caller;
    bool hasArgument = false;
    switch (ParseCallerArgument(arguments, caller)) {
    case TArgumentKind::Invalid:
        ui::showError(kInvalidArgument);
        return false;
    case TArgumentKind::Caller:
        hasArgument = true;
        FCallerWnd = caller.Wnd;
        FCallerMsg = caller.Msg;
        FCallerWParam = caller.WParam;
        FCallerFile = caller.File;
        m_callerWindow.setHandle(FCallerWnd);
        m_callerWindow.setEnabled(false);
        break;
    case TArgumentKind::Standalone:
        break;
    }

    if (!LoadProductIdentity())
        return false;

    m_exporter = std::make_unique<THojinZeiGenkaDataExport>(FCallerWParam, FCallerFile);
    if (m_exporter->TaxProductName.isEmpty()) {
        ui::showError(kStartInfoFailed);
        return false;
    }
    if (!CheckVersion(m_exporter->ProductVersion, m_exporter->RequiredVersion)) {
        ui::showError(
            QStringLiteral("このアプリケーションはインストールされている「") + AppInfo.Zaimu.AppTitle +
            QStringLiteral("」のバージョンに対応していません。\rバージョン:") + m_exporter->RequiredVersion +
            QStringLiteral("以降をインストールしてください。\r\rアプリケーションを強制終了します。"));
        return false;
    }

    m_documentsDir = GetMyDocumentsDir();
    setWindowTitle(m_exporter->Title);
    SetTexts();
    RemovePages(hasArgument);
    m_ui->Edit4a->setText(m_exporter->OutputFile);
    return true;
}

void TForm1::SetTexts() {
    const QString product = m_exporter->ProductName;
    const QString tax = m_exporter->TaxProductName;
    m_ui->Memo1a->setText(
        (FCallerWnd != 0
             ? QStringLiteral("『%1』から『%2』へデータの連動を行います。")
             : QStringLiteral("『%1』から『%2』へデータを連動させるための中間ファイルを作成します。"))
            .arg(product, tax));
    m_ui->Memo1b->setText(QStringLiteral("『%1』が起動している場合は終了してください。\n\n\n"
                                         "作成を始めるには[次へ]をクリックしてください。")
                              .arg(product));
    m_ui->Label2a->setText(
        QStringLiteral("連動元となる対象データを「データ選択を開く」ボタンを押して指定します。"));
    if (FCallerWnd == 0)
        m_ui->Label4a->setText(
            QStringLiteral("連動先となる『%1』で使用する中間ファイルを指定します。").arg(tax));
}

void TForm1::RemovePages(bool hasArgument) {
    const QStringList kept = m_exporter->Target().pages;
    TxWizard* w = m_ui->Wizard1;
    for (int i = w->count() - 1; i >= 0; --i) {
        QWidget* page = w->widget(i);
        const QString name = page->objectName();
        if (!kept.contains(name) || (hasArgument && name == QLatin1String("page4"))) {
            w->removeWidget(page);
            page->deleteLater();
        }
    }
    w->setCurrentIndex(0);
    // The Next caption depends on the number of pages left.
    w->setNextButton(m_ui->Button2);
}

bool TForm1::InitApplication() {
    return m_environment.InitApplication(font(), [this] {
        QCoreApplication::setApplicationName(m_exporter->Title);
        setWindowTitle(m_exporter->Title);
    });
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // The logon runs once the window is on screen and the message loop runs.
    QTimer::singleShot(0, this, [this] { guarded([this] { FirstShow(); }); });
}

void TForm1::FirstShow() {
    if (m_closed)
        return;
    repaint();
    SystemDef.AppName = kAppName;
    FLoggedOn = Logon();
    if (m_closed) {
        // Closed from outside while the logon was open: the close path has run without the logon.
        CloseConnections();
        return;
    }
    if (FLoggedOn) {
        if (DM->fnGetSysDef()) {
            DM->LoadGengoTable();
            return;
        }
        DM->DeleteLogonInfo();
        FLoggedOn = false;
    }
    try {
        DM->IBDatabaseDEF.detach();
    } catch (const std::exception&) {
        // Ending anyway.
    }
    Terminate();
}

bool TForm1::Logon() {
    auto box = std::make_unique<TLogonBox>(nullptr);
    if (!box->SetupDone)
        return false;
    box->SetProgramDisplayName(SystemDef.AppName);
    if (testhooks::autoLogon(*box))
        return box->result() == 1;
    return box->exec() == 1;
}

void TForm1::Terminate() {
    // The exit code stays as it is (2 unless the operator closed the window).
    CloseWithExitCode(FExitCode);
}

// ---- the data page ------------------------------------------------------------------------------------

void TForm1::ClearDataInfoList() {
    m_ui->listDataInfo->setRowCount(0);
}

void TForm1::FillDataInfoList() {
    ClearDataInfoList();
    QList<QPair<QString, QString>> rows;
    rows.append({QStringLiteral("データ区分"), AccInf.CodeTypeName.isEmpty()
                                                   ? AccInf.DataTypeName
                                                   : AccInf.DataTypeName + u'／' + AccInf.CodeTypeName});
    if (AccInf.DATATYPE == 1)
        rows.append({QStringLiteral("会社名"), AccInf.SHOUGOU});
    else if (AccInf.DATATYPE == 2)
        rows.append({QStringLiteral("データ名"), AccInf.SHOUGOU});
    rows.append({QStringLiteral("会計年度"), QStringLiteral("%1期").arg(AccInf.NENDO)});
    rows.append({QStringLiteral("会計期間"), KikanToStr(AccInf.KISHU, AccInf.KIMATU)});
    QTableWidget* list = m_ui->listDataInfo;
    list->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        list->setItem(i, 0, new QTableWidgetItem(rows[i].first));
        list->setItem(i, 1, new QTableWidgetItem(rows[i].second));
    }
}

void TForm1::btnDataSentakuClick() {
    if (SelectData(3))
        FillDataInfoList();
    if (!(FDataConnected && !SystemDef.DataDir.isEmpty())) {
        ClearDataInfoList();
        DisconnectData();
    }
}

void TForm1::DisconnectData(int refreshList) {
    if (DM && DM->IBDatabaseDAT.isConnected())
        DM->fnAccDatDisConnected(SystemDef.DataDir, 1, refreshList);
    FDataConnected = false;
}

bool TForm1::AskAnotherChoice(const QStringList& lines) {
    return ui::showMessage(ui::MsgKind::Confirmation, lines.join(u'\r'), ui::mbOK | ui::mbCancel) == ui::mrOk;
}

bool TForm1::SelectData(int syoriType) {
    TSystemDef& s = SystemDef;
    s.DataVersionText.clear();
    s.DialogShown = 0;
    bool ok = false;
    bool success = false;

    QStringList lines{QStringLiteral("SyoriType=%1").arg(syoriType), QStringLiteral("JyokenSet=1")};
    const int kind = m_exporter->SelectionDataKind;
    if (kind == 1 || kind == 2)
        lines << QStringLiteral("DataType=%1").arg(kind == 1 ? -13 : 2)
              << QStringLiteral("CodeType=%1").arg(0);
    lines << QStringLiteral("DataVerMajor=%1").arg(m_exporter->DataMajorVersion);
    const QString params = lines.join(u'\r');

    for (;;) {
        // A new attempt lets the dataset of the last one go.
        if (FHadData && !ok) {
            DisconnectData();
            ReleaseSharedData();
        }
        // Choose until a dataset connects and its shared copy is at hand.
        for (;;) {
            const int chosen =
                RunDialogByNameProc ? RunDialogByNameProc(QStringLiteral("QzDataSenkaku"), 1, params) : -1;
            if (chosen == 1) {
                success = true;
            } else if (FHadData && !FPrevDataFolder.isEmpty()) {
                success = true;
                s.DataDir = FPrevDataFolder;
            } else {
                success = false;
                FPrevDataFolder.clear();
                s.DataDir.clear();
            }
            if (s.DataDir.isEmpty())
                goto end;
            FDataConnected = DM->fnAccDatConnected(s.HOSTNAME, s.DataDir, 1);
            if (FDataConnected)
                ok = DM->fnGetAccInfo();
            if (!ok) {
                // A connection whose company information failed keeps no in-use mark.
                DisconnectData();
                if (AskAnotherChoice({wizardtext::ConnectFailed, wizardtext::ChooseAnother}))
                    continue;
                success = false;
                goto end;
            }
            ok = false;
            if (AcquireSharedData() < 1) {
                s.DataDir = FPrevDataFolder;
                continue;
            }
            break;
        }

        FHadData = true;
        {
            const ProgressShown progress(xAnimeProgressDialog1, this, QStringLiteral("接続中"),
                                         QStringLiteral("会計データに接続中です…"), true);

            FDataConnected = DM->fnAccDatConnected(s.HOSTNAME, s.DataDir, 1);
            if (FDataConnected)
                ok = DM->fnGetAccInfo();
            if (!ok) {
                DisconnectData();
                if (!AskAnotherChoice({wizardtext::ConnectFailed, wizardtext::ChooseAnother})) {
                    success = false;
                    goto end;
                }
            } else if (!DM->fnGetExistsOpeDefSisetu()) {
                DisconnectData();
                ok = false;
                if (!AskAnotherChoice({wizardtext::NoRights, wizardtext::ChooseAnother})) {
                    success = false;
                    goto end;
                }
            } else {
                s.DataVersionText = DM->fnGetDataBaseVer();
                if (!CheckVersion(s.DataVersionText, m_exporter->RequiredVersion)) {
                    DisconnectData();
                    ok = false;
                    if (!AskAnotherChoice({wizardtext::VersionTooOld,
                                           QStringLiteral("データバージョン:") + m_exporter->RequiredVersion +
                                               QStringLiteral("以降のデータを選択して下さい。"),
                                           wizardtext::ChooseAnother})) {
                        success = false;
                        goto end;
                    }
                }
            }
            // Only an accepted dataset is the one to fall back to; a refused one would be offered again.
            if (ok)
                FPrevDataFolder = s.DataDir;
        }
        if (ok)
            break;
    }

end:
    if (!success && FHadData)
        ReleaseSharedData();
    return success;
}

int TForm1::ReleaseSharedData() {
    DisconnectData();
    int result = 1;
    if (CloudShareTransfer(1) < 1)
        result = -921;
    else if (SendBackSharedData(SystemDef.Reserve4Flag1) < 1)
        result = -911;
    DisconnectData();
    processPendingEvents(100);
    return result;
}

int TForm1::AcquireSharedData() {
    DisconnectData();
    int result = 1;
    if (ReceiveSharedData(SystemDef.Reserve4Flag1) < 1)
        result = -912;
    else if (CloudShareTransfer(0) < 1)
        result = -922;
    DisconnectData();
    processPendingEvents(100);
    return result;
}

TDataSentakuListCtl& TForm1::ListCtl() {
    if (!m_listCtl)
        m_listCtl = std::make_unique<TDataSentakuListCtl>();
    m_listCtl->ConnectMode = quint8(ConnectMode);
    return *m_listCtl;
}

int TForm1::ReceiveSharedData(int automatic) {
    const TSystemDef& s = SystemDef;
    if (ConnectMode != 0 || s.DataDir.isEmpty())
        return 1;
    QString sharePath;
    qint32 kyoyuLock = 0, netDrive = 0;
    if (!ListCtl().ConvLocalPathToSharePath(s.DataDir, sharePath, kyoyuLock, netDrive)) {
        ui::showInformation(kConvertFailedReceive);
        return 0;
    }
    if (!(netDrive == 1 && kyoyuLock == 0))
        return 1;
    if (automatic == 0) {
        ui::showInformation(kNotTaken);
        return 0;
    }
    int result = 0;
    QString failure;
    {
        const ProgressShown progress(xAnimeProgressDialog1, this, QStringLiteral("共有データ受信中"),
                                     QStringLiteral("共有データから受信中…"), false);
        try {
            TDataSentakuRec row;
            ListCtl().GetDataListRecordByPath(s.DataDir, row);
            result = ListCtl().ReceiveServerData(row, 1);
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    if (!failure.isEmpty()) {
        ui::showWarning(failure);
        return 0;
    }
    if (result == 0 || (result == 1 && !QFileInfo::exists(s.DataDir + u'/' + DataFileName))) {
        ui::showInformation(kSharedGone + u'\r' + QStringLiteral("共有データパス: ") + sharePath);
        return 0;
    }
    if (result == 1) {
        const bool connected = DM->fnAccDatConnected(s.HOSTNAME, s.DataDir, 0);
        if (connected)
            DM->fnGetAccInfo();
        else
            result = 0;
        if (DM->IBDatabaseDAT.isConnected())
            DM->fnAccDatDisConnected(s.DataDir, 0, 0);
        if (!connected)
            ui::showInformation(kSharedDamaged);
    }
    return result;
}

int TForm1::SendBackSharedData(int /*automatic*/) {
    const TSystemDef& s = SystemDef;
    if (ConnectMode != 0 || s.DataDir.isEmpty())
        return 1;
    if (s.DataDamaged == 1)
        return 0;
    if (s.Reserve4Flag1 == 0)
        return 1;
    QString sharePath;
    qint32 kyoyuLock = 0, netDrive = 0;
    if (!ListCtl().ConvLocalPathToSharePath(s.DataDir, sharePath, kyoyuLock, netDrive)) {
        ui::showInformation(kConvertFailedSend);
        return 0;
    }
    if (!(netDrive == 1 && kyoyuLock == 1))
        return 1;
    const ProgressShown progress(xAnimeProgressDialog1, this, QStringLiteral("共有データ送信中"),
                                 QStringLiteral("共有データへ送信中…"), false);
    try {
        TDataSentakuRec row;
        ListCtl().GetDataListRecordByPath(s.DataDir, row);
        bool sound =
            DM->CallDataCheck(s.HOSTNAME, row.LOCALPATH.isEmpty() ? s.DataDir : row.LOCALPATH, 0, 1) != 0;
        for (const TDataListRec& child : row.CHILDREN)
            sound = DM->CallDataCheck(s.HOSTNAME, child.LOCALPATH, 0, 1) != 0 && sound;
        if (!sound) {
            xAnimeProgressDialog1.setAnimeActive(false);
            ui::showInformation(kMergedDamaged);
            return 0;
        }
        return ListCtl().SendServerData(row, 1);
    } catch (const std::exception& e) {
        ui::showWarning(QString::fromUtf8(e.what()));
        return 0;
    }
}

int TForm1::CloudShareTransfer(int send) {
    if (TavrinoEdition != 0)
        return 1;
    if (!m_dataTusin)
        m_dataTusin = new TfmDataTusin(this);
    if (AccInf.CLOUD_LINE <= 0)
        return 1;
    const int r = send == 0 ? m_dataTusin->CloudShareReceive(SystemDef.DataDir, 1)
                            : m_dataTusin->CloudShareSend(SystemDef.DataDir, QString(), 1);
    return r >= 1 && r <= 9 ? -1 : 1;
}

// ---- navigation ---------------------------------------------------------------------------------------

QString TForm1::CurrentPageName() const {
    const QWidget* page = m_ui->Wizard1->currentWidget();
    return page ? page->objectName() : QString();
}

void TForm1::Wizard1NextClicking(QObject* /*sender*/, bool /*finalState*/, bool& allow) {
    allow = false;
    const QString page = CurrentPageName();
    const QString target = m_exporter ? m_exporter->TargetCode : QString();
    const bool summaryNext = target == u"HJ_G" || target == u"ST_G" || target == u"RC_G";
    if (page == u"page2") {
        if (!CheckDataPage())
            return;
        if (FCallerWnd != 0 && summaryNext)
            BuildSummary();
    } else if (page == u"page4") {
        if (!CheckOutputFile())
            return;
        BuildSummary();
    } else if (page == u"page3" || page == u"page7") {
        if (FCallerWnd != 0)
            BuildSummary();
    }
    allow = true;
}

bool TForm1::CheckDataPage() {
    if (SystemDef.DataDir.isEmpty() || m_ui->listDataInfo->rowCount() == 0) {
        ui::showWarning(wizardtext::NoDataChosen);
        m_ui->btnDataSentaku->setFocus();
        return false;
    }
    m_exporter->TakeDataset();
    const QString target = m_exporter->TargetCode;
    if ((target == u"ST" || target == u"ST_G") && AccInf.DATATYPE != 2) {
        ui::showWarning(QStringLiteral(
            "指定された会計データは個人データではありません。\rもう一度、選びなおしてください。\r"));
        return false;
    }
    return true;
}

bool TForm1::CheckOutputFile() {
    const QString text = m_ui->Edit4a->text();
    if (text.isEmpty() || QFileInfo(text).fileName().isEmpty()) {
        ui::showWarning(wizardtext::NoOutputFile);
        m_ui->Button2->setText(m_ui->Wizard1->NextButtonCap());
        return false;
    }
    // The root of the system's file system is refused as the root of the system drive is on every
    // Windows with protected system folders; there is no older system here to allow it.
    const QString folder = QFileInfo(ResolveOutputFile(text, m_documentsDir)).absolutePath();
    if (IncludePathDelim(folder) == IncludePathDelim(m_systemDrive)) {
        ui::showWarning(QStringLiteral("ｼｽﾃﾑﾄﾞﾗｲﾌﾞ(%1)直下にﾌｧｲﾙは指定できません。").arg(m_systemDrive) +
                        QStringLiteral("\r別のﾄﾞﾗｲﾌﾞまたはﾌｫﾙﾀﾞを指定してから[次へ]をｸﾘｯｸしてください。\r"));
        m_ui->Button2->setText(m_ui->Wizard1->NextButtonCap());
        return false;
    }
    return true;
}

void TForm1::BuildSummary() {
    QStringList lines;
    lines << QStringLiteral("【連動元情報】");
    lines << QStringLiteral(" 会社名        : %1").arg(AccInf.SHOUGOU);
    lines << (AccInf.NENDO > 0 ? QStringLiteral(" 会計年度      : %1 期").arg(AccInf.NENDO)
                               : QStringLiteral(" 会計年度      : %1 期").arg(QStringLiteral("-")));
    const QString word = QStringLiteral("yyyy年m月d日");
    lines << QStringLiteral(" 会計期間      : %1 ～ %2")
                 .arg(DateToStrJpn(word, 1, AccInf.KISHU), DateToStrJpn(word, 1, AccInf.KIMATU));
    m_exporter->FirstSlot = AccInf.StartSlot;
    m_exporter->LastSlot = AccInf.EndSlot;
    m_exporter->LastUsableSlot = AccInf.EndSlot;
    if (FCallerWnd == 0) {
        // The file lands where the summary says: a bare name lies in the documents folder for both.
        m_exporter->OutputFile = ResolveOutputFile(m_ui->Edit4a->text(), m_documentsDir);
        lines << QString() << QStringLiteral("【中間ファイル】")
              << QStringLiteral(" %1").arg(m_exporter->OutputFile);
    }
    m_ui->Memo5b->setPlainText(lines.join(u'\n'));
}

void TForm1::Wizard1PageChanged() {
    if (CurrentPageName() == u"page2" && m_ui->listDataInfo->rowCount() == 0)
        m_ui->btnDataSentaku->setFocus();
}

void TForm1::BitBtn4aClick() {
    ui::FileRequest request;
    request.caption = QStringLiteral("中間ﾌｧｲﾙの指定");
    request.folder = m_documentsDir;
    request.filter = QStringLiteral("中間ﾌｧｲﾙ (*.xml *.XML);;すべてのﾌｧｲﾙ(*.*) (*)");
    request.defaultExt = QStringLiteral("xml");
    // An existing output file is offered where it lies, so that Save alone keeps it there.
    const QFileInfo current(ResolveOutputFile(m_ui->Edit4a->text(), m_documentsDir));
    if (current.isFile()) {
        request.folder = current.absolutePath();
        request.fileName = current.fileName();
    }
    const QString chosen = ui::current().pickSaveFile(request);
    if (!chosen.isEmpty())
        m_ui->Edit4a->setText(chosen);
}

void TForm1::Wizard1NextClick(QObject* /*sender*/, bool finalState) {
    if (!finalState)
        return;
    // The outcome's boxes come after the progress window has gone.
    int created = 4;
    QString escaped;
    {
        const ProgressShown progress(xAnimeProgressDialog1, this, QStringLiteral("連動データの作成中"),
                                     QStringLiteral("連動データの作成中です…"), true);
        const HourglassShown hourglass;
        try {
            created = CreateLinkFile(*m_exporter);
        } catch (const std::exception& e) {
            escaped = QString::fromUtf8(e.what());
        }
    }
    const TFinishResult result = FinishOutcome(created, escaped, FCallerWnd != 0);
    FExitCode = result.ExitCode;
    if (result.CloseForm)
        CloseWithExitCode(result.ExitCode);
}

// ---- closing ------------------------------------------------------------------------------------------

void TForm1::CloseWithExitCode(int exitCode) {
    FExitCode = exitCode;
    m_closingByForm = true;
    close();
    m_closingByForm = false;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!m_closingByForm)
        FExitCode = 1;
    CloseConnections();
    m_closed = true;
    event->accept();
}

void TForm1::CloseConnections() {
    if (!DM)
        return;
    TSystemDef& s = SystemDef;
    // A close that came while the dataset was being chosen has let the logon go before the dataset was
    // in hand; its row in the data list is still written back through the system database.
    bool systemConnectedHere = false;
    if (FDataConnected && !s.DataDir.trimmed().isEmpty()) {
        if (!DM->IBDatabaseDEF.isConnected())
            systemConnectedHere = DM->fnAccDefConnected(s.HOSTNAME, 1);
        const int sent = CloudShareTransfer(1);
        if (!DM->IBDatabaseDAT.isConnected())
            DM->fnAccDatConnected(s.HOSTNAME, s.DataDir, 0);
        DisconnectData(1);
        if (sent == 1)
            SendBackSharedData(s.Reserve4Flag1);
    }
    if (FLoggedOn) {
        if (!DM->IBDatabaseDEF.isConnected())
            DM->fnAccDefConnected(s.HOSTNAME, 1);
        DM->DeleteLogonInfo();
        try {
            DM->IBDatabaseDEF.detach();
        } catch (const std::exception&) {
            // The close goes on.
        }
        FLoggedOn = false;
    } else if (systemConnectedHere) {
        try {
            DM->IBDatabaseDEF.detach();
        } catch (const std::exception&) {
        }
    }
}

void TForm1::btnCancelClick() {
    try {
        if (ui::showMessage(ui::MsgKind::Information, kCancelQuestion, ui::mbYes | ui::mbNo) == ui::mrYes)
            CloseWithExitCode(1);
    } catch (const std::exception& e) {
        ui::showError(QString::fromUtf8(e.what()));
    }
}

void TForm1::FormDestroy() {
    if (m_destroyed)
        return;
    m_destroyed = true;
    // A form destroyed without its close (a start that ended early) still hands everything back.
    try {
        CloseConnections();
    } catch (const std::exception&) {
    }
    m_exporter.reset(); // writes the linkage ini back
    m_listCtl.reset();
    delete m_dataTusin.data();
    m_environment.Release();
    ClearHostProcs();
    // Whatever ended the run, a caller gets its window back together with the outcome.
    if (FCallerWnd == 0)
        return;
    m_callerWindow.setForeground();
    m_callerWindow.setEnabled(true);
    m_callerWindow.postMessage(FCallerMsg, FCallerWParam, FExitCode);
}

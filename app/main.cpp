#include "app/main.h"

#include "app/ComDataExp.h"
#include "app/HostProcs.h"
#include "core/uAccFunction2.h"
#include "core/z5AppInfo.h"
#include "platform/SpecialFolders.h"
#include "platform/UserInteraction.h"
#include "ui_main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
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
const QString kCreated = QStringLiteral("中間ファイルが作成されました。\r");
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

TFinishResult FinishExport(TComDataExport& exporter, bool callerWindow) {
    int result = 4;
    QString escaped;
    try {
        result = CreateLinkFile(exporter);
    } catch (const std::exception& e) {
        // Reported after the failure, as the application's own handler would.
        escaped = QString::fromUtf8(e.what());
    }
    switch (result) {
    case 1:
        if (!callerWindow)
            ui::showInformation(kCreated);
        return {0, true};
    case 3:
        return {1, false};
    default:
        ui::showError(kCreateFailed);
        if (!escaped.isEmpty())
            ui::showError(escaped);
        return {2, true};
    }
}

TForm1::TForm1(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::TForm1>()) {
    m_ui->setupUi(this);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &TForm1::btnCancelClick);
}

TForm1::~TForm1() {
    FormDestroy();
}

bool TForm1::FormCreate(const QStringList& arguments) {
    FExitCode = 2;
    InstallHostProcs();

    TCallerArgument caller;
    switch (ParseCallerArgument(arguments, caller)) {
    case TArgumentKind::Invalid:
        ui::showError(kInvalidArgument);
        return false;
    case TArgumentKind::Caller:
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

    return LoadProductIdentity();
}

bool TForm1::InitApplication() {
    return m_environment.InitApplication(font(),
                                         [this] { setWindowTitle(QCoreApplication::applicationName()); });
}

void TForm1::CloseWithExitCode(int exitCode) {
    FExitCode = exitCode;
    m_closingByForm = true;
    close();
    m_closingByForm = false;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!m_closingByForm)
        FExitCode = 1;
    m_closed = true;
    event->accept();
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
    ClearHostProcs();
    // Whatever ended the run, a caller gets its window back together with the outcome.
    if (FCallerWnd == 0)
        return;
    m_callerWindow.setForeground();
    m_callerWindow.setEnabled(true);
    m_callerWindow.postMessage(FCallerMsg, FCallerWParam, FExitCode);
}

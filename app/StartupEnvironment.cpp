#include "app/StartupEnvironment.h"

#include "core/DataModule.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "datalist/z5ComDataSentaku.h"
#include "datasel/AppIniCreate.h"
#include "datasel/WebMenuL.h"
#include "datalist/z5ComDataSentaku.h"
#include "datasel/z5DataSentaku.h"
#include "platform/IniFile.h"
#include "platform/SpecialFolders.h"
#include "platform/UserInteraction.h"
#include "tusin/RelayStatus.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>

namespace {

const QString kInitFailed = QStringLiteral("アプリケーションの初期化に失敗しました。\r%1を終了します。");
const QString kNoDataFolder = QStringLiteral(
    "アプリケーションの初期化に失敗しました。\r%1を終了します。\rデータフォルダの取得に失敗しました。");
const QString kNotSetUp =
    QStringLiteral("アプリケーションの初期設定がおこなわれていないため\r%1を終了します。");

// Stored folders may come from a Windows installation; the separator here is "/".
QString nativeSeparators(QString path) {
    return path.replace(u'\\', u'/');
}

QString parentFolder(const QString& folder) {
    return QFileInfo(folder).absolutePath();
}

// The first-run settings: without a dialog the application ini is written with its default sections.
bool RunAppIniSetup() {
    return WriteAppIni(1);
}

} // namespace

void ApplyAppInfo() {
    const TAppInfoRec::TZaimuKeys& z = AppInfo.Zaimu;
    HomeDirName = z.HomeDir;
    ShareDirName = z.ShareDir;
    ServerDirName = z.ServerDir;
    ServerTempDirName = z.ServerTempDir;
    SysDbFileName = z.DataDefFile;
    DataFileName = z.DataFile;
    BackupFileName = z.DataBackupFile;
    DataIniFileName = z.DataIniFile;
    ViewerDirName = AppInfo.DOzidi.DataDir;
    // The other values of the identity (company, initial-data files, list size, the management-analysis
    // and cash-book folders) are read from AppInfo where they are used.
    TavrinoEdition = AppInfo.Application.OEM == QLatin1String("TavrinoData") ? 1 : 0;
    if (TavrinoEdition == 1) {
        SysDefColorDefaults.ClientColor2 = 0xF2FFEE;
        SysDefColorDefaults.TotalColor = 0xD6FFC8;
        SysDefColorDefaults.ActiveColor = 0x008000;
    }
}

TStartupEnvironment::TStartupEnvironment() = default;

TStartupEnvironment::~TStartupEnvironment() {
    Release();
}

void TStartupEnvironment::Release() {
    m_dm.reset();
    SystemDef.BaseFont = nullptr;
    SystemDef.DisplayFont = nullptr;
}

void TStartupEnvironment::InitEnvironment(const QFont& formFont) {
    TSystemDef& s = SystemDef;
    s.AppName.clear();
    s.OsVersion = GetOSMajorVersion();
    s.MenuHeight = MenuBarHeight();
    s.ReservedMetric = 0;
    s.CaptionHeight = CaptionHeight();
    s.FrameHeight = SizableFrameHeight();
    s.FrameAdjust = s.FrameHeight > 4 ? (s.FrameHeight - 4) * 2 : 0;
    AppKind = 0;
    s.WinUserName = GetLoginUserName();
    s.PCName = GetPCName();
    s.ProgramDir = ExcludePathDelim(specialfolders::programDir());
    s.BaseDir = parentFolder(s.ProgramDir);
    s.PrintDir = s.BaseDir + QStringLiteral("/print");
    s.HelpDir = s.BaseDir + QStringLiteral("/help");
    s.SqlDir = s.BaseDir + QStringLiteral("/sql");

    const QString appData = ExcludePathDelim(GetAppDataDir(true));
    if (appData.isEmpty())
        throw EStartupError(kNoDataFolder.arg(s.AppName));
    s.DataRoot = appData + u'/' + HomeDirName;
    s.IniDir = s.DataRoot + QStringLiteral("/ini");
    s.LogDir = s.DataRoot + QStringLiteral("/log");
    s.TempDir = s.DataRoot + QStringLiteral("/temp");
    for (const QString& dir : {s.IniDir, s.LogDir, s.TempDir})
        ForceFolder(dir);
    s.WinTempDir = GetTempDir(QString());
    s.SystemFolder = GetSystemDir();
    s.DocumentsDir = GetMyDocumentsDir() + u'/' + HomeDirName;
    ForceFolder(s.DocumentsDir);
    s.ViewerTempDir = s.WinTempDir + u'/' + ViewerDirName;
    s.SYSDIR = nativeSeparators(s.DataRoot + QStringLiteral("/data"));
    s.DataDir.clear();
    s.HOSTNAME = s.PCName;
    s.USER = QStringLiteral("PELLAN");
    s.PASSWORD = QStringLiteral("vintor");
    s.AppIniFile = QStringLiteral("%1/%2.ini").arg(s.DataRoot, AppInfo.Zaimu.AppName);

    // A first start (no file), or an ini whose connection values are gone: the defaults are written.
    const QString local = QStringLiteral("LOCAL");
    IniFile ini(s.AppIniFile);
    if (ini.keys(local).isEmpty()) {
        if (!RunAppIniSetup())
            throw EStartupError(kNotSetUp.arg(s.AppName));
        ini.reload();
    }
    // A key missing from LOCAL reads as empty and replaces the default.
    s.HOSTNAME = ini.readString(local, QStringLiteral("HOSTNAME"));
    s.GOGLOBAL = ini.readString(local, QStringLiteral("GOGLOBAL")).toUpper() == QLatin1String("YES") ? 1 : 0;
    s.GROUP = ini.readString(local, QStringLiteral("GROUP")).toUpper() == QLatin1String("YES") ? 1 : 0;
    s.SYSDIR = nativeSeparators(ini.readString(local, QStringLiteral("SYSDIR")));
    s.USER = ini.readString(local, QStringLiteral("USER")).toUpper();
    s.PASSWORD = ini.readString(local, QStringLiteral("PASSWORD")).toLower();
    // Where the relay server's status service is (section RELAY; absent keys keep the defaults).
    LoadRelaySettings(ini, RelaySettings());

    // Start-up always works on local data.
    ConnectMode = 0;
    s.HOSTNAME.clear();
    s.GOGLOBAL = 0;
    s.GROUPID = 10000;

    m_baseFont = std::make_unique<QFont>(formFont);
    m_displayFont = std::make_unique<QFont>(formFont);
    s.BaseFont = m_baseFont.get();
    s.DisplayFont = m_displayFont.get();
}

bool TStartupEnvironment::InitApplication(const QFont& formFont,
                                          const std::function<void()>& afterEnvironment) {
    QString failure = kInitFailed.arg(SystemDef.AppName);
    try {
        InitEnvironment(formFont);
        if (afterEnvironment)
            afterEnvironment();
        m_dm = std::make_unique<TDM>();
        InstallDataListStore();
        RegisterDataSentakuBox();
        RegisterWebMenuL();
        return true;
    } catch (const EStartupError& e) {
        failure = e.Text;
    } catch (const std::exception&) {
        // The general failure text stands.
    }
    ui::showMessage(ui::MsgKind::Error, failure, ui::mbYes);
    return false;
}

#include "core/z5AppInfo.h"

#include "platform/IniFile.h"

#include <QFileInfo>

TAppInfoRec AppInfo;

void SetAppInfoDefaults(TAppInfoRec& rec) {
    auto& a = rec.Application;
    a.OEM = QStringLiteral("-");
    a.Since = QStringLiteral("2009-2019");
    a.RegKey = QStringLiteral("\\SOFTWARE\\QUARNO");
    a.VerMajorDiff = 0;
    a.VerMinorDiff = 0;
    a.VerRevDiff = 0;
    a.VerTest.clear();
    a.VorezuriBlind = 0;
    a.WebSolvarnetServer = QStringLiteral("analysis.quarno.example");
    a.WebSolvarnetFtpPort = 21;
    a.WebSolvarnetCaFile.clear();
    a.TorimakServer = QStringLiteral("budget.quarno.example");

    auto& c = rec.Company;
    c.Name = QStringLiteral("株式会社クオルノ");
    c.ZipCode = QStringLiteral("000-0000");
    c.Addr = QStringLiteral("東京都千代田区");
    c.TEL = QStringLiteral("00-0000-0000");
    c.FAX = QStringLiteral("00-0000-0001");
    c.Mail = QStringLiteral("support@quarno.example");
    c.URL = QStringLiteral("https://www.quarno.example/");

    auto& z = rec.Zaimu;
    z.AppName = QStringLiteral("plzaimu");
    z.AppTitle = QStringLiteral("ペラン財務");
    z.AppTitle_CL = QStringLiteral("顧問先版");
    z.RegKey = QStringLiteral("PELLANZAIMU");
    z.HomeDir = QStringLiteral("quarno/pellanzaimu");
    z.ShareDir = QStringLiteral("pellanzaimu");
    z.ServerDir = QStringLiteral("/pellanzaimu/data");
    z.ServerTempDir = QStringLiteral("/pellanzaimu/temp");
    z.DataDefFile = QStringLiteral("placcdef.fdb");
    z.DataFile = QStringLiteral("placc.fdb");
    z.DataBackupFile = QStringLiteral("placc.fbk");
    z.DataInitFile = QStringLiteral("acc%d.gbk");
    z.DataIniFile = QStringLiteral("placc.ini");
    z.DataListCnt = 120;

    rec.DOzidi = {QStringLiteral("電子帳簿"), QStringLiteral("plzview"), QStringLiteral("plz%.2dcd")};
    rec.Solvarne = {QStringLiteral("経営Solvarnet"), QStringLiteral("SOLVARNE"),
                    QStringLiteral("quarno/pellanzaimu")};
    rec.Vorezuri = {QStringLiteral("ペラン現金出納帳"), QStringLiteral("VOREZURI"), QStringLiteral("cb_data"),
                    QStringLiteral("plcashbook.fbk")};
    rec.Menu = {QStringLiteral("データ通信"), QStringLiteral("データ送信"), QStringLiteral("データ受信"),
                QStringLiteral("通信設定")};
}

namespace {

int ReadAppInfoFile(const IniFile& ini, TAppInfoRec& rec) {
    if (ini.lastLoadFailed())
        return AppInfoReadFailed;

    // A missing key reads as empty, not as its built-in default: the defaults only serve as a whole.
    auto text = [&ini](const char* section, const char* key) {
        return ini.readString(QLatin1String(section), QLatin1String(key));
    };
    auto number = [&ini](const char* section, const char* key, int def) {
        return ini.readInteger(QLatin1String(section), QLatin1String(key), def);
    };

    rec.Application.OEM = text("Application", "OEM");
    if (rec.Application.OEM.isEmpty()) {
        SetAppInfoDefaults(rec);
        return AppInfoNoEdition;
    }
    auto& a = rec.Application;
    a.Since = text("Application", "Since");
    a.RegKey = text("Application", "RegKey");
    a.VerMajorDiff = number("Application", "VerMajorDiff", 0);
    a.VerMinorDiff = number("Application", "VerMinorDiff", 0);
    a.VerRevDiff = number("Application", "VerRevDiff", 0);
    a.VerTest = text("Application", "VerTest");
    a.VorezuriBlind = number("Application", "VorezuriBlind", 0);
    a.WebSolvarnetServer = text("Application", "WebSolvarnetServer");
    a.WebSolvarnetFtpPort = number("Application", "WebSolvarnetFtpPort", 21);
    a.WebSolvarnetCaFile = text("Application", "WebSolvarnetCaFile");
    a.TorimakServer = text("Application", "TorimakServer");

    auto& c = rec.Company;
    c.Name = text("Company", "Name");
    c.ZipCode = text("Company", "ZipCode");
    c.Addr = text("Company", "Addr");
    c.TEL = text("Company", "TEL");
    c.FAX = text("Company", "FAX");
    c.Mail = text("Company", "Mail");
    c.URL = text("Company", "URL");

    auto& z = rec.Zaimu;
    z.AppName = text("Zaimu", "AppName");
    z.AppTitle = text("Zaimu", "AppTitle");
    z.AppTitle_CL = text("Zaimu", "AppTitle_CL");
    z.RegKey = text("Zaimu", "RegKey");
    z.HomeDir = text("Zaimu", "HomeDir");
    z.ShareDir = text("Zaimu", "ShareDir");
    z.ServerDir = text("Zaimu", "ServerDir");
    z.ServerTempDir = text("Zaimu", "ServerTempDir");
    z.DataDefFile = text("Zaimu", "DataDefFile");
    z.DataFile = text("Zaimu", "DataFile");
    z.DataBackupFile = text("Zaimu", "DataBackupFile");
    z.DataInitFile = text("Zaimu", "DataInitFile");
    z.DataIniFile = text("Zaimu", "DataIniFile");
    z.DataListCnt = number("Zaimu", "DataListCnt", 120);

    rec.DOzidi.AppTitle = text("DOzidi", "AppTitle");
    rec.DOzidi.DataDir = text("DOzidi", "DataDir");
    rec.DOzidi.WriteDirFmt = text("DOzidi", "WriteDirFmt");

    rec.Solvarne.AppTitle = text("Solvarne", "AppTitle");
    rec.Solvarne.RegKey = text("Solvarne", "RegKey");
    rec.Solvarne.HomeDir = text("Solvarne", "HomeDir");

    rec.Vorezuri.AppTitle = text("Vorezuri", "AppTitle");
    rec.Vorezuri.RegKey = text("Vorezuri", "RegKey");
    rec.Vorezuri.DataDir = text("Vorezuri", "DataDir");
    rec.Vorezuri.DataBackupFile = text("Vorezuri", "DataBackupFile");

    rec.Menu.DataCon = text("Menu", "DataCon");
    rec.Menu.DataCon01 = text("Menu", "DataCon01");
    rec.Menu.DataCon02 = text("Menu", "DataCon02");
    rec.Menu.DataCon03 = text("Menu", "DataCon03");
    return AppInfoRead;
}

} // namespace

int ReadAppInfoIni(const QString& programPath, TAppInfoRec& rec) {
    const QString path = QFileInfo(programPath).absolutePath() + QStringLiteral("/AppInfo.ini");
    if (!QFileInfo::exists(path))
        return AppInfoMissing;
    try {
        return ReadAppInfoFile(IniFile(path), rec);
    } catch (...) {
        return AppInfoReadFailed;
    }
}

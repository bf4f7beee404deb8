#pragma once
// The product identity: everything that names the edition of the hosting accounting product, read once
// at start-up from "AppInfo.ini" beside the program. Other code reads the record AppInfo, never the file.
// Fields are grouped by the file's sections and named after their keys.

#include <QString>

struct TAppInfoRec {
    struct TApplicationKeys {
        QString OEM;
        QString Since;
        QString RegKey;
        qint32 VerMajorDiff = 0;
        qint32 VerMinorDiff = 0;
        qint32 VerRevDiff = 0;
        QString VerTest;
        qint32 VorezuriBlind = 0;
        QString WebSolvarnetServer;
        // FTP port of the analysis service and the CA file its HTTPS certificate is checked against
        // (empty: the system's CA store).
        qint32 WebSolvarnetFtpPort = 21;
        QString WebSolvarnetCaFile;
        QString TorimakServer;
        bool operator==(const TApplicationKeys&) const = default;
    } Application;
    struct TCompanyKeys {
        QString Name, ZipCode, Addr, TEL, FAX, Mail, URL;
        bool operator==(const TCompanyKeys&) const = default;
    } Company;
    struct TZaimuKeys {
        QString AppName, AppTitle, AppTitle_CL, RegKey, HomeDir, ShareDir, ServerDir, ServerTempDir,
            DataDefFile, DataFile, DataBackupFile, DataInitFile, DataIniFile;
        qint32 DataListCnt = 0;
        bool operator==(const TZaimuKeys&) const = default;
    } Zaimu;
    struct TDOzidiKeys {
        QString AppTitle, DataDir, WriteDirFmt;
        bool operator==(const TDOzidiKeys&) const = default;
    } DOzidi;
    struct TSolvarneKeys {
        QString AppTitle, RegKey, HomeDir;
        bool operator==(const TSolvarneKeys&) const = default;
    } Solvarne;
    struct TVorezuriKeys {
        QString AppTitle, RegKey, DataDir, DataBackupFile;
        bool operator==(const TVorezuriKeys&) const = default;
    } Vorezuri;
    struct TMenuKeys {
        QString DataCon, DataCon01, DataCon02, DataCon03;
        bool operator==(const TMenuKeys&) const = default;
    } Menu;

    bool operator==(const TAppInfoRec&) const = default;
};

extern TAppInfoRec AppInfo;

// Results of ReadAppInfoIni.
enum : int {
    AppInfoRead = 1,
    AppInfoMissing = 0,    // no file: the record is left as it was
    AppInfoNoEdition = -1, // OEM missing or empty: the record holds the built-in defaults
    AppInfoReadFailed = -10,
};

// Reads "AppInfo.ini" from the folder of the program file programPath.
int ReadAppInfoIni(const QString& programPath, TAppInfoRec& rec);
void SetAppInfoDefaults(TAppInfoRec& rec);

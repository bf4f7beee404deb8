#pragma once
// Process-wide state that every part of the program reads directly: the program, connection and
// operator record SystemDef, the open dataset's record AccInf, the process flags, the procedure
// variables through which the framework calls back into the application, and the process date formats.
// Plain data: no locking, no notification. Everything starts zeroed.

#include "core/Money.h"
#include "core/TDateTime.h"

#include <QString>
#include <array>
#include <functional>

class QFont;
class QObject;

// ---- process-wide flags and hooks --------------------------------------------------------------

// 0 stand-alone (local data, embedded engine), 1 client/server.
extern quint8 ConnectMode;
// Kind of the hosting application; always 0 here.
extern quint8 AppKind;
// 1 in the organisation edition.
extern quint8 TavrinoEdition;
// Set by the database error reporter on a fatal error; never cleared.
extern quint8 DbFatalError;

using THostMenuProc = std::function<int(int code, const QString& text)>;
using TRunDialogByNameProc = std::function<int(const QString& programName, int modal, const QString& params)>;
// (host, folder, quiet, out result): result 1 sound, 0 damaged.
using TDataCheckProc =
    std::function<void(const QString& host, const QString& folder, int quiet, int& result)>;

extern THostMenuProc HostMenuProc;
extern TRunDialogByNameProc RunDialogByNameProc;
extern TDataCheckProc DataCheckProc;

// ---- names taken from the product identity file at start-up ------------------------------------

extern QString SysDbFileName;     // "placcdef.fdb"
extern QString DataFileName;      // "placc.fdb"
extern QString BackupFileName;    // "placc.fbk"
extern QString DataIniFileName;   // "placc.ini"
extern QString HomeDirName;       // "quarno/pellanzaimu"
extern QString ShareDirName;      // "pellanzaimu"
extern QString ServerDirName;     // "/pellanzaimu/data"
extern QString ServerTempDirName; // "/pellanzaimu/temp"
extern QString ViewerDirName;     // "plzview"

// Restores the built-in defaults of the names above.
void ResetProcessNames();

// ---- SYSTEMINI row -------------------------------------------------------------------------------

struct TSystemIniRec {
    qint32 REC = 0;
    qint32 RESERVE1 = 0, RESERVE2 = 0, RESERVE3 = 0, RESERVE4 = 0, RESERVE5 = 0;
    QString SSTR;
};

// ---- TVersionRec -----------------------------------------------------------------------------------

// A dotted version text and its first four numbers (ParseVersion fills it).
struct TVersionRec {
    qint32 Major = 0;
    qint32 Minor = 0;
    qint32 Release = 0;
    qint32 Build = 0;
    QString Text;
};

// ---- TErrInfomation ---------------------------------------------------------------------------------

// Result record of the backup and restore worker.
struct TErrInfomation {
    bool Error = false;
    QString Operation; // "BackupDatabase", "RestoreDatabase"; empty for copy and rebuild
    QString Code;      // result code in decimal digits
    QString Message;   // first line for the operator
    QString Detail;    // second part for the operator
};

// ---- TSystemDef ------------------------------------------------------------------------------------

struct TSystemDef {
    qint32 GROUPID = 0;
    QString AppIniFile;
    QString WinUserName;
    QString SystemFolder;
    QString DocumentsDir;
    QString DataRoot;
    QString ProgramDir;
    QString BaseDir;
    QString PrintDir;
    QString HelpDir;
    QString SqlDir;
    QString IniDir, LogDir, TempDir;
    QString WinTempDir;
    QString ViewerTempDir;
    QString SYSDIR;
    QString DataDir;
    QString HOSTNAME;
    quint8 GOGLOBAL = 0;
    quint8 GROUP = 0;
    QString USER;
    QString PASSWORD;
    QString LogSerial;
    QString PCName;
    qint32 OPCODE = 0;
    qint32 LoginCode = 0;
    QString OperatorName;
    qint32 JOBLEVEL = 0;
    quint8 SisetuFree = 0;
    QString SisetuCodeCopy;
    quint8 MYNUMBER_ADM = 0;
    quint8 SHONIN = 0;
    qint32 JIGYOKBN = 0;
    QString SCODE;
    qint32 NextTermMode = 0;
    QString FontName;
    qint32 FontSize = 0, FontStyle = 0, FontCharSet = 0, FontHeight = 0;
    qint32 GridResize = 0, ShowHint = 0, GridMaxRow = 0, GridRsiz = 0;
    qint32 PanelColor = 0, PanelBackColor = 0, MenuPrintSw = 0;
    qint32 ColHeaderColor = 0, FixedTopColor = 0, RowHeaderColor = 0, FixedLeftColor = 0, ActiveColor = 0,
           ClientColor = 0, ClientColor1 = 0, ClientColor2 = 0, ClientColor3 = 0, TotalColor = 0,
           ColHeaderGradColor1 = 0, ColHeaderGradColor2 = 0, ForeColor = 0, BorderColor = 0,
           ThruBorderColor = 0;
    QString PrinterName;
    qint32 PreviewZOOM = 0;
    qint32 NetColor1 = 0, NetColor2 = 0, PLineColor1 = 0, PLineColor2 = 0;
    qint32 HojWait = 0, DicSwitch = 0, DicTekAuto = 0, DicTorAuto = 0, DicUsednt = 0, DicType = 0,
           DicNum1 = 0, DicNum2 = 0, DicSortType = 0, TEK_AUTOUP = 0, TOR_AUTOUP = 0, UserPrint = 0,
           SwkTotal = 0, SwkLine = 0;
    qint32 Reserve3 = 0, Reserve1 = 0, KingakuPlus = 0, ZeroPrint = 0, SankakuPlus = 0;
    qint32 Reserve2Flag1 = 0, Reserve2Flag2 = 0;
    qint32 Reserve2 = 0, Reserve4 = 0, Reserve5 = 0;
    QString SSTR;
    QString AppName;
    QString AppVer;
    qint32 ProductMajor = 0;
    qint32 MFTop = 0, MFLeft = 0, MFWidth = 0, MFHeight = 0;
    QString DataVersionText;
    qint32 OsVersion = 0;
    QFont* BaseFont = nullptr;
    QFont* DisplayFont = nullptr;
    qint32 MenuHeight = 0, ReservedMetric = 0, FrameHeight = 0, CaptionHeight = 0, FrameAdjust = 0;
    qint32 ShowDataSentaku = 0;
    QString ZenkaiDrive;
    qint32 LastMenu = 0;
    QString SelectedPaths;
    quint8 HostMenuResult = 0;
    quint8 DialogShown = 0;
    QString SysIniName, SysIniAddress, SysIniTel;
    qint32 SysIni10Reserve1 = 0, SysIni10Reserve2 = 0, SysIni10Reserve3 = 0;
    qint32 Reserve4Flag1 = 0, Reserve4Flag2 = 0, Reserve4Flag3 = 0, Reserve4Flag4 = 0;
    qint32 Reserve4Flag5 = 0;
    qint32 LedgerLastBalance = 0;
    qint32 Reserve4Flag8 = 0;
    qint32 AllSisetuSwitch = 0;
    qint32 Reserve4Flag9 = 0;
    qint32 WarekiDisp = 0;
    qint32 Reserve4Flag11 = 0;
    qint32 NextItemMove = 0;
    quint8 KamokuDigits = 0, HojoDigits = 0, BumonDigits = 0, DateFocus = 0;
    qint32 DataDamaged = 0;
    qint32 DataCheck = 0;
    qint32 TrialTotalOut = 0, LedgerTitleOut = 0, TrialBsPage = 0, TrialTitleOut = 0;
    QString TrialTitle;
    // Report titles, indexed 1..3 (index 0 unused): all accounts, fixed A4 form, fixed A3 form.
    std::array<QString, 4> BsTitles, AssetTitles, LiabilityTitles, PlTitles, SgaTitles;
    qint32 ServerDataPlace = 0;
    qint32 TekiyoEditMode = 0;
    qint32 LedgerOneLine = 0, LedgerTagMark = 0, AssocCondition = 0;
    QString ListPath;
    qint32 TekiyoInput = 0, TorihikiInput = 0, BackRuleLine = 0, TaxCodePrint = 0, TegataOffset = 0,
           HanbaiInclude = 0, TrialRowAdjust = 0;
    qint32 SisetuColor = 0;
    qint32 AssocCodeInput = 0, AssocListOrder = 0;
    QString ServerDriveDir;
    qint32 SysDbMAJOR = 0, SysDbMINOR1 = 0, SysDbMINOR2 = 0;
    qint32 TrialPeriodOut = 0;
    QString TrialTitle2;
    qint32 TekDicOpen = 0, TorDicOpen = 0, TekAssocOpen = 0, TorAssocOpen = 0, TekAutoOpen = 0,
           TorAutoOpen = 0, TekNoInput = 0, TorNoInput = 0;
    QObject* TransferProgress = nullptr;

    // Unpacks the bit sets Reserve2 and Reserve4 into their flag fields (bit 1 = least significant).
    void UnpackReserveFlags();
    // Packs the flag fields into Reserve2 and Reserve4; the bits of those values that no flag stands
    // for are kept as they are.
    void PackReserveFlags();
};

// ---- TACCINF -------------------------------------------------------------------------------------

struct TACCINF {
    qint32 GROUPID = 0;
    QString ENTTEXT, SERIAL;
    qint32 TANTOU = 0, GYOUSHU = 0;
    qint32 DATATYPE = 0;
    QString DataTypeName;
    qint32 CODETYPE = 0;
    QString CodeTypeName;
    qint32 BumonCount = 0;
    QString SCODE1, SCODE2, SKANA, SHOUGOU, POST, ADD1, ADD2, TEL;
    QString AO_ADD1, AO_ADD2, AO_KANA, AO_SIMEI, AO_GYOUSHU, AO_YAGO, AO_KANYU, AO_TEL, AO_SHOKUGYO1,
        AO_SHOKUGYO2, MAIL;
    TDateTime zzKISHU, zKISHU;
    qint32 NENDO = 0;
    TDateTime KISHU, KIMATU, KAISI;
    qint32 SIME = 0;
    qint32 KAISINO = 0;
    qint32 StartSlot = 0;
    qint32 EndSlot = 0;
    qint32 KaisiMonths = 0, TermMonths = 0;
    qint32 GENGOU_FLG = 0, GENGOU_HOSEI = 0;
    QString GENGOU_NAME;
    // YAKUMEI1..3 at indexes 1..3 (index 0 unused).
    std::array<QString, 4> YAKUMEI;
    Money OLD_TAX_RATE1, OLD_TAX_RATE2, OLD_TAX_RATE3, OLD_TAX_RATE4, OLD_TAX_RATE5;
    Money NEW_TAX_RATE1, NEW_TAX_RATE2, NEW_TAX_RATE3, NEW_TAX_RATE4, NEW_TAX_RATE5;
    TDateTime CHG_DAYS1, CHG_DAYS2, CHG_DAYS3, CHG_DAYS4, CHG_DAYS5;
    TDateTime KANSA_FIXDATE, KANSA_DATE;
    qint32 CALCU = 0, TAXU_HASUU = 0, TAXH_HASUU = 0, TAXDEFUH = 0, TAXKANNI = 0, TAXJIGYOU = 0,
           GENKAPRINT = 0, KANSA_LOCK = 0, TEGATADICSW = 0, KESSAN_KIKAN = 0, CASHFLOW_KIKAN1 = 0,
           CASHFLOW_KIKAN2 = 0, CASHFLOWSW = 0, SDAI_HASUU1 = 0, SDAI_HASUU2 = 0, SDAI_HASUU3 = 0,
           CONVERT = 0, SHOUHYOU = 0;
    qint32 SITEN = 0, BUMON = 0;
    qint32 DATALOCK = 0, GENKA_USE = 0;
    QString GENKA_HWORD1, GENKA_HWORD2, GENKA_HWORD3, GENKA_HWORD4, GENKA_HWORD5;
    QString PlusName1, PlusName2, PlusName3, PlusName4, PlusName5;
    QString PASWORD, WEB_HOLDER;
    // Index 0 copies PASWORD and WEB_HOLDER, index 1 holds TUSIN_ID record 1.
    std::array<QString, 6> TusinPasword, TusinHolder;
    QString CashKCODE, KaribaraiTaxKCODE, KariukeTaxKCODE, ShokuchiKCODE, KurikosiKCODE, JigyonushiKasiKCODE,
        JigyonushiKariKCODE, MotoirekinKCODE, KyuryoKCODE, ShoyoKCODE, ShoyoHikiateKCODE, TaishokuKCODE;
    QString CashUserCode, KaribaraiTaxUserCode, KariukeTaxUserCode, ShokuchiUserCode, KurikosiUserCode,
        JigyonushiKasiUserCode, JigyonushiKariUserCode, MotoirekinUserCode, KyuryoUserCode, ShoyoUserCode,
        ShoyoHikiateUserCode, TaishokuUserCode;
    QString FUMEI_KCODE, FumeiUserCode;
    quint8 IryoFlag = 0;
    TDateTime ThisKISHU, PrevKISHU, PrevPrevKISHU, ThisKIMATU, PrevKIMATU, PrevPrevKIMATU, ThisKAISI,
        PrevKAISI, PrevPrevKAISI;
    qint32 KakoMeisai = 0;
    quint8 GassanKbn = 0;
    qint32 GassanCount = 0;
    quint8 KamokuDigits = 0, HojoDigits = 0, BumonDigits = 0;
    qint32 IkkatuZeinuki = 0;
    QString DataPassword;
    // 1 when the dataset has a data password that could not be read: no entry opens the dataset.
    quint8 DataPasswordUnreadable = 0;
    qint32 PrintKikanUse = 0;
    TDateTime PrintKISHU, PrintKIMATU;
    QString UketoriTegataKCODE, WaribikiTegataKCODE, UragakiTegataKCODE;
    QString UketoriTegataUserCode, WaribikiTegataUserCode, UragakiTegataUserCode;
    qint32 TAXDEFUH2 = 0, KURIKOSI1 = 0, KURIKOSI2 = 0;
    QString GENKA_HWORD6;
    QString PlusName6;
    qint32 MAJOR = 0, MINOR1 = 0, MINOR2 = 0;
    qint32 KobetuGenkaUse = 0;
    QString KobetuGenkaName;
    quint8 KobetuGenkaDigits = 0;
    qint32 MyNumberUse = 0;
    QString MyNumberKey, MyNumberValue;
    qint32 CloudKbn = 0;
    qint32 CLOUD_LINE = 0;
    TDateTime CLOUD_TIME;
    // Use of the 3 %, 5 % and 8 % rates, then 1 and 1.
    std::array<quint8, 5> TaxRateUse{};
    qint32 READ_ONLY = 0;
};

extern TSystemDef SystemDef;
extern TACCINF AccInf;

// Colours (0x00BBGGRR) of a new SYSDEF row; start-up replaces ClientColor2, TotalColor and ActiveColor
// in the organisation edition.
struct TSysDefColorDefaults {
    qint32 ColHeaderColor = 0xDBDBDB;
    qint32 ColHeaderGradColor1 = 0xFFFFFF;
    qint32 ColHeaderGradColor2 = 0xDBDBDB;
    qint32 ClientColor = 0xFFFFFF;
    qint32 ClientColor1 = 0xFFFFFF;
    qint32 ClientColor2 = 0xE1F0FF;
    qint32 TotalColor = 0x8EC7FF;
    qint32 ActiveColor = 0x246BFF;
    qint32 NetColor1 = 0xD7FFD7;
    qint32 NetColor2 = 0xD7FFD7;
    qint32 PLineColor1 = 0x007900;
    qint32 PLineColor2 = 0x007900;
};
extern TSysDefColorDefaults SysDefColorDefaults;

// ---- process date and time formats ------------------------------------------------------------------

struct TProcessFormats {
    QChar DateSeparator = u'/';
    QChar TimeSeparator = u':';
    QString ShortDateFormat = QStringLiteral("yyyy/MM/dd");
    QString LongDateFormat = QStringLiteral("yyyy年MM月dd日");
    QString ShortTimeFormat = QStringLiteral("hh:mm");
    QString LongTimeFormat = QStringLiteral("hh:mm:ss");
};
extern TProcessFormats FormatSettings;

// Puts every process-wide variable of this unit back to its state at process start (tests use this).
void ResetProcessState();

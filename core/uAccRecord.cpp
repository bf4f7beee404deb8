#include "core/uAccRecord.h"

quint8 ConnectMode = 0;
quint8 AppKind = 0;
quint8 TavrinoEdition = 0;
quint8 DbFatalError = 0;

THostMenuProc HostMenuProc;
TRunDialogByNameProc RunDialogByNameProc;
TDataCheckProc DataCheckProc;

QString SysDbFileName;
QString DataFileName;
QString BackupFileName;
QString DataIniFileName;
QString HomeDirName;
QString ShareDirName;
QString ServerDirName;
QString ServerTempDirName;
QString ViewerDirName;

TSystemDef SystemDef;
TACCINF AccInf;
TSysDefColorDefaults SysDefColorDefaults;
TProcessFormats FormatSettings;

void ResetProcessNames() {
    SysDbFileName = QStringLiteral("placcdef.fdb");
    DataFileName = QStringLiteral("placc.fdb");
    BackupFileName = QStringLiteral("placc.fbk");
    DataIniFileName = QStringLiteral("placc.ini");
    HomeDirName = QStringLiteral("quarno/pellanzaimu");
    ShareDirName = QStringLiteral("pellanzaimu");
    ServerDirName = QStringLiteral("/pellanzaimu/data");
    ServerTempDirName = QStringLiteral("/pellanzaimu/temp");
    ViewerDirName = QStringLiteral("plzview");
}

namespace {
// The names get their defaults before main() runs, as the unit's initialisation does.
const bool kNamesInitialised = (ResetProcessNames(), true);

qint32 bit(qint32 value, int n) {
    return (value >> (n - 1)) & 1;
}

qint32 bitIf(bool on, int n) {
    return on ? qint32(1) << (n - 1) : 0;
}

// The bits of the two bit-set columns that this program knows; other programs keep theirs in the rest.
constexpr qint32 kReserve2Known = 0x3;
constexpr qint32 kReserve4Known = 0x7FF;
} // namespace

void TSystemDef::UnpackReserveFlags() {
    Reserve2Flag1 = bit(Reserve2, 1);
    Reserve2Flag2 = bit(Reserve2, 2);
    Reserve4Flag1 = bit(Reserve4, 1);
    Reserve4Flag2 = bit(Reserve4, 2);
    Reserve4Flag3 = bit(Reserve4, 3);
    Reserve4Flag4 = bit(Reserve4, 4);
    Reserve4Flag5 = bit(Reserve4, 5) ? 1 : (bit(Reserve4, 6) ? 2 : 0);
    LedgerLastBalance = bit(Reserve4, 7);
    Reserve4Flag8 = bit(Reserve4, 8);
    Reserve4Flag9 = bit(Reserve4, 9);
    WarekiDisp = bit(Reserve4, 10);
    Reserve4Flag11 = bit(Reserve4, 11);
}

void TSystemDef::PackReserveFlags() {
    Reserve2 = (Reserve2 & ~kReserve2Known) | bitIf(Reserve2Flag1 == 1, 1) | bitIf(Reserve2Flag2 == 1, 2);
    Reserve4 = (Reserve4 & ~kReserve4Known) | bitIf(Reserve4Flag1 == 1, 1) | bitIf(Reserve4Flag2 == 1, 2) |
               bitIf(Reserve4Flag3 == 1, 3) | bitIf(Reserve4Flag4 == 1, 4) | bitIf(Reserve4Flag5 == 1, 5) |
               bitIf(Reserve4Flag5 == 2, 6) | bitIf(LedgerLastBalance == 1, 7) |
               bitIf(Reserve4Flag8 == 1, 8) | bitIf(Reserve4Flag9 == 1, 9) | bitIf(WarekiDisp == 1, 10) |
               bitIf(Reserve4Flag11 == 1, 11);
}

void ResetProcessState() {
    (void)kNamesInitialised;
    ConnectMode = 0;
    AppKind = 0;
    TavrinoEdition = 0;
    DbFatalError = 0;
    HostMenuProc = nullptr;
    RunDialogByNameProc = nullptr;
    DataCheckProc = nullptr;
    ResetProcessNames();
    SystemDef = TSystemDef();
    SysDefColorDefaults = TSysDefColorDefaults();
    AccInf = TACCINF();
    FormatSettings = TProcessFormats();
}

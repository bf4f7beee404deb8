// Taking a dataset of the data server out to this computer's own data list and bringing it back.
//
// Both directions pass a backup "placc.fbk" through the system temporary folder. The local side is a
// second, modal data-selection dialog of type 5 that runs while the process-wide connection settings
// point at this computer's own data folder; they are put back on every path, also when that dialog
// fails. While the data is out, the server row carries the lock of the operator who took it out: only
// that operator, or an unrestricted one, may bring it back and so release the lock. A bring-back whose
// restore fails puts the lock back as it was.

#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datasel/z5DataSentaku.h"
#include "datasel/z5WhichDataSet.h"
#include "platform/SpecialFolders.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbError.h"
#include "ui_z5DataSentaku.h"

#include <QScopeGuard>
#include <memory>
#include <stdexcept>

namespace {

// What the switch to this computer's own data changes, as it was before.
struct TConnectionState {
    quint8 Mode = 0;
    QString HostName;
    QString SysDir;
    QString DataDir;
    QString ListPath;
    QString SelectedPaths;
    qint32 AllSisetu = 0;
    qint32 Major = 0, Minor1 = 0, Minor2 = 0;
};

bool isUnrestrictedOperator() {
    return SystemDef.JOBLEVEL == 9;
}

// The system database again, under the settings now in force; false when it cannot be reached.
bool reconnectSystem() {
    try {
        DM->IBDatabaseDEF.detach();
    } catch (const fb::Error&) {
        // A lost attachment is gone all the same.
    }
    return DM->fnAccDefConnected(SystemDef.HOSTNAME, 1);
}

QString onlySaParams(const QString& operation, const QString& folder) {
    return QStringList{QStringLiteral("SyoriType=5"), QStringLiteral("OnlySA_Syori=%1").arg(operation),
                       QStringLiteral("OnlySA_BackupPath=%1").arg(folder)}
        .join(u'\r');
}

} // namespace

bool TDataSentakuBox::TakeOutData() {
    if (ConnectMode == 2)
        return true;
    if (!hasCurrentRow())
        return false;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int row = g->CurrentRow();
    const QString folder = RowDataPath(row);
    if (DM->IsCloudShareEnabled(0) && RowRecord(row).CLOUD == 1) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("クラウドシェアデータのため持ち出し処理は行えません。"));
        return false;
    }

    TConnectionState saved;
    const auto SwitchConnection = [&saved](const QString& kind) {
        if (kind == QLatin1String("backup")) {
            saved.Mode = ConnectMode;
            saved.HostName = SystemDef.HOSTNAME;
            saved.SysDir = SystemDef.SYSDIR;
            saved.DataDir = SystemDef.DataDir;
            saved.ListPath = SystemDef.ListPath;
            saved.SelectedPaths = SystemDef.SelectedPaths;
            saved.AllSisetu = SystemDef.AllSisetuSwitch;
            saved.Major = SystemDef.SysDbMAJOR;
            saved.Minor1 = SystemDef.SysDbMINOR1;
            saved.Minor2 = SystemDef.SysDbMINOR2;
        } else if (kind == QLatin1String("local")) {
            ConnectMode = 0;
            SystemDef.HOSTNAME.clear();
            SystemDef.SYSDIR.clear();
            SystemDef.AllSisetuSwitch = 1;
            const QString appData = ExcludePathDelim(specialfolders::commonAppData());
            if (appData.isEmpty())
                throw std::runtime_error(QStringLiteral("アプリケーションの初期化に失敗しました。\r%1を終了"
                                                        "します。\rデータフォルダの取得に失敗しました。")
                                             .arg(SystemDef.AppName)
                                             .toStdString());
            SystemDef.SYSDIR = appData + u'/' + HomeDirName + QStringLiteral("/data");
        } else if (kind == QLatin1String("server")) {
            ConnectMode = saved.Mode;
            SystemDef.HOSTNAME = saved.HostName;
            SystemDef.SYSDIR = saved.SysDir;
            SystemDef.DataDir = saved.DataDir;
            SystemDef.ListPath = saved.ListPath;
            SystemDef.SelectedPaths = saved.SelectedPaths;
            SystemDef.AllSisetuSwitch = saved.AllSisetu;
            SystemDef.SysDbMAJOR = saved.Major;
            SystemDef.SysDbMINOR1 = saved.Minor1;
            SystemDef.SysDbMINOR2 = saved.Minor2;
        }
    };
    SwitchConnection(QStringLiteral("backup"));
    const bool locked = g->CellText(row, colLock).toInt() != 0;

    bool bringBack = false;
    {
        TWhichDataSetBox box(this);
        box.TakenOut = locked ? 1 : 0;
        box.BringBack = false;
        box.Setup(false);
        if (box.exec() != ui::mrOk)
            return false;
        bringBack = box.BringBack;
    }

    const QString transfer = ExcludePathDelim(SystemDef.WinTempDir);
    if (transfer.isEmpty()) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("一時フォルダが見つからないため処理を中止します。"));
        return false;
    }

    // The local dialog under this computer's own settings; the server's are back on every way out.
    // 1 when the local dialog reported done, 0 when it did not, -1 when the server cannot be reached
    // again.
    const auto runLocal = [&](const QString& operation) {
        int r = 0;
        try {
            SwitchConnection(QStringLiteral("local"));
            if (!SystemDef.SYSDIR.isEmpty() && reconnectSystem()) {
                DM->GetSystemDbVersion();
                if (RunDialogByNameProc)
                    r = RunDialogByNameProc(QStringLiteral("QzDataSenkaku"), 1,
                                            onlySaParams(operation, transfer));
            }
        } catch (const std::exception& e) {
            r = 0;
            ui::showMessage(ui::MsgKind::Error, QString::fromStdString(e.what()));
        }
        SwitchConnection(QStringLiteral("server"));
        if (!reconnectSystem())
            return -1;
        return r == 1 ? 1 : 0;
    };

    if (!bringBack) {
        if (SaveData(transfer) != 1)
            return false;
        ui::showMessage(
            ui::MsgKind::Information,
            QStringLiteral("続いて、このコンピュータのデータリストを表示します。\r持ち出し先を選んで"
                           "下さい。"));
        const int r = runLocal(QStringLiteral("Restore"));
        if (r < 0)
            return false;
        if (r == 1 && !locked)
            SetRowLock(true);
        return r == 1;
    }

    // Only the operator who took the data out, or an unrestricted operator, brings it back: the stored
    // lock decides, not the row as it was drawn.
    DataInfo->ConnectMode = ConnectMode;
    DataInfo->ReadDataIni(folder, InfoBuf);
    const bool storedLock = InfoBuf.STATUS == 3;
    const qint32 storedHolder = storedLock ? OperatorCodeOf(InfoBuf.OPCODE) : 0;
    if (storedLock && InfoBuf.OPCODE != SystemDef.OPCODE && !isUnrestrictedOperator()) {
        g->SetCellPicture(row, colLockPic, StatePictures[1]);
        g->SetCellValue(row, colLock, storedHolder);
        RowRecord(row).DATALOCK = storedHolder;
        showStatusBox(QStringLiteral("ロックデータの状態"), folder, InfoBuf.OPCODE, InfoBuf.OPERATOR,
                      QStringLiteral("このデータは違うオペレータにより持ち出されているため持ち帰りは行えま"
                                     "せん。"));
        return false;
    }
    if (!DataInfo->IsDataSiyouKengen(folder))
        return false;
    ui::showMessage(
        ui::MsgKind::Information,
        QStringLiteral("このコンピュータのデータリストを表示します。\r持ち帰ったデータを選んで下さい。"));
    const int r = runLocal(QStringLiteral("Backup"));
    if (r != 1)
        return false;
    g->SetCurrentCell(row, 0);
    if (storedLock)
        SetRowLock(false);
    bool restored = false;
    // Unless the restore went through, the data stays out: the lock goes back to whoever held it, also
    // when the restore ended in an exception.
    const auto relock = qScopeGuard([&] {
        if (restored || !storedLock)
            return;
        try {
            TDataListRec& e = RowRecord(row);
            e.DATALOCK = storedHolder;
            UpdateListRow(e);
            g->SetCellPicture(row, colLockPic, StatePictures[1]);
            g->SetCellValue(row, colLock, storedHolder);
        } catch (const std::exception& e) {
            ui::showMessage(ui::MsgKind::Error, QString::fromStdString(e.what()));
        }
    });
    restored = RestoreData(transfer) == 1;
    return restored;
}

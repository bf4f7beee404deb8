#include "app/HostProcs.h"

#include "core/DataModule.h"
#include "core/DialogRegistry.h"
#include "core/TDataInfomation.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbServices.h"

namespace {

const QString kDamaged =
    QStringLiteral("データ検証の結果、このデータは破損している恐れがあります。\r"
                   "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。\r"
                   "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。");
const QString kLoopback = QStringLiteral("127.0.0.1");

constexpr qint64 kBadAttachParameters = 335544325;
constexpr qint64 kFileIoError = 335544344;

std::function<bool(const QString&, const QString&)>& validator() {
    static std::function<bool(const QString&, const QString&)> v;
    return v;
}

void markDamaged(const QString& folder) {
    try {
        if (DM) {
            qint32 rec = 0, rowNo = 0;
            DM->GetDataListRec(folder, rec, rowNo);
            if (rec > 0) {
                OwnTransaction own(DM->IBTransactionDEF);
                fb::Query& q = DM->QueryDef;
                if (rowNo == 0) {
                    q.setSql(QStringList{QStringLiteral("UPDATE DATALIST SET DATA_STATUS=1"),
                                         QStringLiteral("WHERE REC=:REC")});
                } else {
                    q.setSql(QStringList{QStringLiteral("UPDATE CHILD_DATALIST SET DATA_STATUS=1"),
                                         QStringLiteral("WHERE REC=:REC AND ROWNO=:ROWNO")});
                    q.setInt("ROWNO", rowNo);
                }
                q.setInt("REC", rec);
                q.execute();
                q.close();
                own.commit();
            }
        }
    } catch (const std::exception&) {
        // The mark is a courtesy: the box (or the caller's result) reports the damage.
    }
    try {
        TDataInfomation info;
        info.ConnectMode = ConnectMode;
        info.SetDataStatus(folder, 10);
    } catch (const std::exception&) {
    }
}

} // namespace

int HostMenuStub(int, const QString&) {
    return 0;
}

bool ValidateDatabase(const QString& host, const QString& path) {
    // A file the service cannot open is not marked damaged: only a validation that found faults is.
    if (!DM)
        return true;
    const int protocol = host.isEmpty() ? TDM::ProtocolLocal : TDM::ProtocolTcp;
    return DM->ValidateFDB(protocol, host, path) != TDM::ValidateResult::Damaged;
}

void SetDatabaseValidator(std::function<bool(const QString&, const QString&)> v) {
    validator() = std::move(v);
}

int DataCheckHook(const QString& host, const QString& folder, int quiet) {
    SystemDef.DataDamaged = 0;
    const QString path = folder + u'/' + DataFileName;
    const QString engineHost = host.isEmpty() || host == kLoopback ? QString() : host;
    bool sound = true;
    try {
        sound = validator() ? validator()(engineHost, path) : ValidateDatabase(engineHost, path);
    } catch (const std::exception&) {
        sound = false;
    }
    if (sound)
        return 1;
    SystemDef.DataDamaged = 1;
    if (quiet == 0)
        ui::showMessage(ui::MsgKind::Error, kDamaged, ui::mbOK);
    markDamaged(folder);
    return 0;
}

void InstallHostProcs() {
    RunDialogByNameProc = RunNamedDialog;
    DataCheckProc = [](const QString& host, const QString& folder, int quiet, int& result) {
        result = DataCheckHook(host, folder, quiet);
    };
    HostMenuProc = HostMenuStub;
}

void ClearHostProcs() {
    RunDialogByNameProc = nullptr;
    DataCheckProc = nullptr;
    HostMenuProc = nullptr;
}

// Job control of the operator's level, the schema probes of the accounting database, the logon row and
// the running-job rows.
#include "core/DataModule.h"

#include "core/uAccFunction2.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"

#include <optional>

namespace {

QString detailOf(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

} // namespace

bool TDM::SetJobControl(const QString& processId, const QString& option) {
    const quint16 level = CombineWord(AccInf.IryoFlag, quint16(SystemDef.JOBLEVEL), 1000);
    const QString message = QStringLiteral("メニュー制御情報の取得に失敗しました。");
    // Only a call that starts the transaction itself reports; under a caller's transaction the refusal
    // is silent.
    const bool callerTransaction = IBTransactionDEF.isActive();
    std::optional<OwnTransaction> own;
    try {
        own.emplace(IBTransactionDEF);
        fb::Query& q = IBSQLDEF;
        q.setSql(QStringList{QStringLiteral("SELECT COUNT(PROC_ID) AS REC_CNT FROM JOBCONTROL2"),
                             QStringLiteral("WHERE LEVELNO=:LEVELNO")});
        q.setInt("LEVELNO", level);
        q.open();
        const int count = q.field("REC_CNT").asInt();
        q.close();
        bool allowed = count == 0;
        if (!allowed) {
            QStringList sql{QStringLiteral("SELECT PROC_ID,PROC_OPTION FROM JOBCONTROL2"),
                            QStringLiteral("WHERE (LEVELNO=:LEVELNO) AND (PROC_ID=:PROC_ID)")};
            const bool withOption = !option.trimmed().isEmpty();
            if (withOption)
                sql << QStringLiteral("AND (PROC_OPTION LIKE :PROC_OPTION)");
            q.setSql(sql);
            q.setInt("LEVELNO", level);
            q.setString("PROC_ID", processId);
            if (withOption)
                q.setString("PROC_OPTION", u'%' + option + u'%');
            q.open();
            allowed = !q.eof();
            q.close();
        }
        own->commit();
        return allowed;
    } catch (const std::exception& e) {
        if (!callerTransaction) {
            if (const auto* fbError = dynamic_cast<const fb::Error*>(&e))
                ErrFbAccess(*fbError, QStringLiteral("TDM.SetJobControl"), message);
            else
                ShowErrDetail(message, detailOf(e), ui::MsgKind::Error);
            try {
                if (own)
                    own->commit();
            } catch (const fb::Error&) {
            }
        }
        return false;
    }
}

// Both probes run in the accounting transaction as it stands: the statement starts it when needed and
// it stays open for the caller.
bool TDM::fnExistence_Table(const QString& tableName) {
    try {
        IBQACC1.setSql(
            QStringLiteral("SELECT Count(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME=:Table_NAME"));
        IBQACC1.setString("Table_NAME", tableName);
        IBQACC1.open();
        const bool exists = IBQACC1.field(0).asInt() > 0;
        IBQACC1.close();
        return exists;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.fnExistence_Table"),
                    QStringLiteral("テーブルの存在情報の取得に失敗しました。"));
        return false;
    } catch (...) {
        IBQACC1.close();
        throw;
    }
}

bool TDM::fnExistence_Field(const QString& tableName, const QString& fieldName) {
    try {
        IBQACC1.setSql(QStringLiteral("SELECT count(*) FROM RDB$RELATION_FIELDS WHERE "
                                      "(RDB$RELATION_NAME=:TABLE_NAME) AND (RDB$FIELD_NAME=:FIELD_NAME )"));
        IBQACC1.setString("TABLE_NAME", tableName);
        IBQACC1.setString("FIELD_NAME", fieldName);
        IBQACC1.open();
        const bool exists = IBQACC1.field(0).asInt() > 0;
        IBQACC1.close();
        return exists;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.fnExistence_Field"),
                    QStringLiteral("テーブル項目の存在情報の取得に失敗しました。"));
        return false;
    } catch (...) {
        IBQACC1.close();
        throw;
    }
}

void TDM::DeleteLogonInfo() {
    const QString message = QStringLiteral("ログイン情報の削除に失敗しました。");
    try {
        OwnTransaction own(IBTransactionDEF);
        QueryDef.setSql(QStringLiteral("DELETE FROM LOGONUSERLIST WHERE OPCODE=:OPCODE"));
        QueryDef.setInt("OPCODE", SystemDef.OPCODE);
        QueryDef.execute();
        own.commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.DeleteLogonInfo"), message);
    } catch (const std::exception& e) {
        ShowErrDetail(message, detailOf(e), ui::MsgKind::Error);
    }
}

void TDM::ClearOpInf() {
    OwnTransaction own(IBTransactionDAT);
    IBQACC1.setSql(QStringLiteral("DELETE FROM OPINF"));
    IBQACC1.execute();
    IBQACC1.close();
    own.commit();
}

bool TDM::IsReadOnlyData() {
    return AccInf.READ_ONLY == 1;
}

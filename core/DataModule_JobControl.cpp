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
        const int count = q.openInt("REC_CNT");
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

namespace {

// Counts rows of the system table of columns with the names given as parameters. The probes run in the
// accounting transaction as it stands: the statement starts it when needed and it stays open for the
// caller.
bool schemaProbe(fb::Query& q, const QString& sql, const QList<QPair<const char*, QString>>& names,
                 const QString& context, const QString& message) {
    try {
        q.setSql(sql);
        for (const auto& [param, value] : names)
            q.setString(QLatin1StringView(param), value);
        q.open();
        const bool exists = q.field(0).asInt() > 0;
        q.close();
        return exists;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, context, message);
        return false;
    } catch (...) {
        q.close();
        throw;
    }
}

} // namespace

bool TDM::fnExistence_Table(const QString& tableName) {
    return schemaProbe(
        IBQACC1,
        QStringLiteral("SELECT Count(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME=:Table_NAME"),
        {{"Table_NAME", tableName}}, QStringLiteral("TDM.fnExistence_Table"),
        QStringLiteral("テーブルの存在情報の取得に失敗しました。"));
}

bool TDM::fnExistence_Field(const QString& tableName, const QString& fieldName) {
    return schemaProbe(IBQACC1,
                       QStringLiteral("SELECT count(*) FROM RDB$RELATION_FIELDS WHERE "
                                      "(RDB$RELATION_NAME=:TABLE_NAME) AND (RDB$FIELD_NAME=:FIELD_NAME )"),
                       {{"TABLE_NAME", tableName}, {"FIELD_NAME", fieldName}},
                       QStringLiteral("TDM.fnExistence_Field"),
                       QStringLiteral("テーブル項目の存在情報の取得に失敗しました。"));
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

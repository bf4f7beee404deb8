#include "core/TUserList.h"

#include "core/DataModule.h"
#include "core/uAccFunction_ErrLog.h"
#include "platform/firebird/FbError.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

namespace {

const QString kUserListFailed = QStringLiteral("ユーザーリストの取得に失敗しました。");
const QString kLoginListFailed = QStringLiteral("ログインユーザーリストの取得に失敗しました。");

QStringList operatorSelect(bool full, bool approversOnly) {
    QStringList sql{full ? QStringLiteral("SELECT O.GROUPID,O.OPCODE,O.OPNAME,O.JOBLEVEL,L.NAME,O.PASWORD,O.DATAPAS,"
                                          "O.JIMUSHO,O.OKINIIRI,O.KANSA,O.MYNUMBER_ADM,O.SHONIN")
                         : QStringLiteral("SELECT O.GROUPID,O.OPCODE,O.OPNAME,O.JOBLEVEL,L.NAME,O.PASWORD,O.DATAPAS,"
                                          "O.JIMUSHO,O.OKINIIRI,O.KANSA,0 AS MYNUMBER_ADM,0 AS SHONIN"),
                    QStringLiteral("FROM OPERATOR O"), QStringLiteral("INNER JOIN LEVELNAME L ON (O.JOBLEVEL=L.LEVELNO)"),
                    QStringLiteral("WHERE (O.GROUPID=:GROUPID) AND (O.OPCODE>=10)")};
    if (full && approversOnly)
        sql << QStringLiteral("AND (SHONIN>0)");
    sql << QStringLiteral("ORDER BY O.OPCODE");
    return sql;
}

} // namespace

TUserList::TUserList()
    : Transaction(std::make_unique<fb::Transaction>(DM->IBDatabaseDEF)),
      DatTransaction(std::make_unique<fb::Transaction>(DM->IBDatabaseDAT)),
      SysQuery(std::make_unique<fb::Query>(*Transaction)), DatQuery(std::make_unique<fb::Query>(*DatTransaction)) {}

TUserList::~TUserList() {
    // Queries go before their transactions; an own transaction still running is rolled back.
    SysQuery.reset();
    DatQuery.reset();
}

void TUserList::SetTransaction(fb::Transaction& transaction, int which) {
    if (which == -1) {
        SysQuery->setTransaction(*Transaction);
        DatQuery->setTransaction(*DatTransaction);
    } else if (which == 0) {
        SysQuery->setTransaction(transaction);
    } else {
        DatQuery->setTransaction(transaction);
    }
}

void TUserList::Clear() {
    Entries.clear();
    Lines.clear();
    Count = 0;
}

QString TUserList::lineOf(const QString& code, const QString& name) const {
    if (Quoted == 1)
        return u'"' + code + QStringLiteral("\"\t\"") + name + u'"';
    return code + u':' + name;
}

void TUserList::Execute() {
    Clear();
    if (!AllCaption.isEmpty()) {
        TUserListRec all;
        all.GroupId = GroupId;
        all.OpName = AllCaption;
        all.JobLevel = 9;
        Entries.push_back(all);
        Lines << (Quoted == 1 ? lineOf(AllCaption, QString()) : AllCaption);
    }
    fb::Transaction& t = SysQuery->transaction();
    const bool started = !t.isActive();
    try {
        if (started)
            t.start();
        QStringList count{QStringLiteral("SELECT COUNT(O.GROUPID) AS RECCNT FROM OPERATOR O"),
                          QStringLiteral("INNER JOIN LEVELNAME L ON (O.JOBLEVEL=L.LEVELNO)"),
                          QStringLiteral("WHERE (O.GROUPID=:GROUPID) AND (O.OPCODE>=10)")};
        // Without the newest columns the approver condition cannot be asked; the count then takes
        // every operator, as the replacement statement below does.
        bool full = true;
        int rows = 0;
        try {
            SysQuery->setSql(ApproversOnly == 1 ? count + QStringList{QStringLiteral("AND (SHONIN>0)")} : count);
            SysQuery->setInt("GROUPID", GroupId);
            rows = SysQuery->openInt("RECCNT");
        } catch (const fb::Error&) {
            SysQuery->setSql(count);
            SysQuery->setInt("GROUPID", GroupId);
            rows = SysQuery->openInt("RECCNT");
            full = false;
        }
        if (rows > 0) {
            Entries.reserve(Entries.size() + rows);
            SysQuery->setSql(operatorSelect(full, ApproversOnly == 1));
            for (int run = 1;; ++run) {
                try {
                    SysQuery->setInt("GROUPID", GroupId);
                    SysQuery->open();
                    break;
                } catch (const fb::Error&) {
                    if (run >= 4)
                        throw std::runtime_error("OPERATORテーブル参照クエリーの作成エラー");
                    SysQuery->setSql(operatorSelect(false, false));
                }
            }
            for (int n = 0; !SysQuery->eof() && n < rows; SysQuery->next(), ++n) {
                TUserListRec r;
                r.GroupId = SysQuery->field("GROUPID").asInt();
                r.OpCode = SysQuery->field("OPCODE").asInt();
                r.OpName = SysQuery->field("OPNAME").asString();
                r.Password = SysQuery->field("PASWORD").asString();
                r.JobLevel = SysQuery->field("JOBLEVEL").asInt();
                r.LevelName = SysQuery->field("NAME").asString();
                r.Jimusho = SysQuery->field("JIMUSHO").asInt() != 0;
                r.Okiniiri = SysQuery->field("OKINIIRI").asInt() != 0;
                r.MyNumberAdm = SysQuery->field("MYNUMBER_ADM").asInt() != 0;
                r.Shonin = SysQuery->field("SHONIN").asInt() != 0;
                Entries.push_back(r);
                Lines << lineOf(QString::number(r.OpCode), r.OpName);
            }
            SysQuery->close();
        }
        if (started)
            t.commit();
        Count = Lines.size();
    } catch (const std::exception& e) {
        if (!started)
            return; // a caller's transaction: the caller learns nothing, as it always did
        if (const auto* fe = dynamic_cast<const fb::Error*>(&e))
            ErrFbAccess(*fe, QStringLiteral("TUserList.Execute"), kUserListFailed, true);
        else
            ShowErrDetail(kUserListFailed, QString::fromUtf8(e.what()), ui::MsgKind::Error);
        try {
            if (t.isActive())
                t.commit();
        } catch (const fb::Error&) {
        }
    }
}

void TUserList::GetText(QString& text) const {
    text.clear();
    for (const QString& line : Lines)
        text += line + QStringLiteral("\r\n");
}

qint32 TUserList::GetOpCode(int index) const {
    return index >= 0 && index < Count && index < int(Entries.size()) ? Entries[index].OpCode : 0;
}

int TUserList::IndexOfOpCode(qint32 code) const {
    for (int i = 0; i < int(Entries.size()); ++i)
        if (Entries[i].OpCode == code)
            return i;
    return -1;
}

TLoginUserList::~TLoginUserList() = default;

qint32 TLoginUserList::GetOpCode(int index) const {
    return index >= 0 && index < Count ? Entries[index].OperatorCode : 0;
}

void TLoginUserList::GetName(int index, QString& name) const {
    name = index >= 0 && index < Count ? Entries[index].OpName : QString();
}

void TLoginUserList::Clear() {
    Entries.clear();
    Lines.clear();
    Count = 0;
}

TLoginUserListOnDef::TLoginUserListOnDef() {
    Query = std::make_unique<fb::Query>(DM->IBTransactionDEF);
}

void TLoginUserListOnDef::Execute(qint32 group, qint32 opKey, quint8 includeSelf) {
    Clear();
    GroupId = group;
    OpKey = opKey;
    IncludeSelf = includeSelf;
    fb::Transaction& t = Query->transaction();
    const bool started = !t.isActive();
    try {
        if (started)
            t.start();
        QStringList sql{QStringLiteral("SELECT L.OPERATORCODE,L.PCNAME,O.OPNAME FROM LOGONUSERLIST L"),
                        QStringLiteral("INNER JOIN OPERATOR O ON(L.GROUPID=O.GROUPID AND L.OPERATORCODE=O.OPCODE)"),
                        QStringLiteral("WHERE L.GROUPID=:GROUPID")};
        if (includeSelf == 0)
            sql << QStringLiteral("AND L.OPCODE<>:OPCODE");
        sql << QStringLiteral("GROUP BY L.OPERATORCODE,L.PCNAME,O.OPNAME") << QStringLiteral("ORDER BY L.OPERATORCODE");
        Query->setSql(sql);
        Query->setInt("GROUPID", group);
        if (includeSelf == 0)
            Query->setInt("OPCODE", opKey);
        for (Query->open(); !Query->eof(); Query->next()) {
            TLoginUserListRec r;
            r.OperatorCode = Query->field("OPERATORCODE").asInt();
            r.OpName = Query->field("OPNAME").asString();
            r.PcName = Query->field("PCNAME").asString();
            Entries.push_back(r);
            Lines << QStringLiteral("%1:%2").arg(r.OperatorCode).arg(r.OpName);
        }
        Query->close();
        Count = Lines.size();
        if (started)
            t.commit();
    } catch (const std::exception& e) {
        if (started) {
            if (const auto* fe = dynamic_cast<const fb::Error*>(&e))
                ErrFbAccess(*fe, QStringLiteral("TLoginUserListOnDef.Execute"), kLoginListFailed, true);
            else
                ShowErrDetail(kLoginListFailed, QString::fromUtf8(e.what()), ui::MsgKind::Error);
            try {
                if (t.isActive())
                    t.commit();
            } catch (const fb::Error&) {
            }
        }
        throw;
    }
}

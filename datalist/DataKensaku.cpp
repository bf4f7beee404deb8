#include "datalist/DataKensaku.h"

#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/firebird/FbQuery.h"

#include <optional>

namespace {

// Stored SORTCOL n is grid column kGridCols[n].
constexpr int kGridCols[] = {0, 3, 4, 5, 6, 7, 1};

const QString kWhere = QStringLiteral("WHERE (OPCODE=:OPCODE)AND(LISTTYPE=:LISTTYPE)");

// Full-width, with full-width letters raised: the form both sides of a name search are compared in.
QString searchForm(const QString& text) {
    return ZenkakuUpperCase(MapStringLC(cp932::MapFullWidth, text));
}

struct Failure {
    QString context;
    QString message;
};

const Failure kSelectFailed{QStringLiteral("TDataListKensakuBox.SelectRecord"),
                            QStringLiteral("検索条件レコードの参照に失敗しました。")};
const Failure kUpdateFailed{QStringLiteral("TDataListKensakuBox.UpdateRecord"),
                            QStringLiteral("検索条件レコードの更新に失敗しました。")};
const Failure kPersonsFailed{QStringLiteral("TUserList.Execute"),
                             QStringLiteral("ユーザーリストの取得に失敗しました。")};
const Failure kSortFailed{QStringLiteral("TDataListKensakuBox.UpdateRecordSortField"),
                          QStringLiteral("検索条件レコードの更新に失敗しました。")};

// Runs work in the transaction, started and committed here only when it is not running yet. A failure
// of an own transaction is reported and rolled back; inside a caller's it is left to the caller.
bool inTransaction(fb::Transaction& t, const Failure& failure, const std::function<void()>& work) {
    const bool mine = !t.isActive();
    std::optional<OwnTransaction> own;
    try {
        own.emplace(t);
        work();
        own->commit();
        return true;
    } catch (const fb::Error& e) {
        if (mine)
            ErrFbAccess(e, failure.context, failure.message);
    } catch (const std::exception& e) {
        if (mine)
            ShowErrDetail(failure.message, QString::fromUtf8(e.what()), ui::MsgKind::Error);
    }
    return false; // the guard rolls an own transaction back
}

} // namespace

const QList<TDataKindEntry>& DataKindEntries() {
    static const QList<TDataKindEntry> entries{
        {QStringLiteral("選択なし"), 0, 0},   {QStringLiteral("法人"), 1, 1},
        {QStringLiteral("個人(一般)"), 2, 1}, {QStringLiteral("個人(不動産)"), 2, 2},
        {QStringLiteral("医療法人"), 3, 1},   {QStringLiteral("個人(クリニック)"), 2, 3},
        {QStringLiteral("個人(農業)"), 2, 4},
    };
    return entries;
}

int DataKindIndex(qint32 dataType, qint32 codeType) {
    switch (dataType) {
    case 1:
        return 1;
    case 3:
        return 4;
    case 2:
        switch (codeType) {
        case 1:
            return 2;
        case 2:
            return 3;
        case 3:
            return 5;
        case 4:
            return 6;
        default:
            return 0;
        }
    default:
        return 0;
    }
}

int SortColToGridCol(int stored) {
    return stored >= 0 && stored < int(std::size(kGridCols)) ? kGridCols[stored] : 0;
}

int GridColToSortCol(int grid) {
    for (int i = 1; i < int(std::size(kGridCols)); ++i)
        if (kGridCols[i] == grid)
            return i;
    return 0;
}

void ClearKensakuFilters(TDataKensakuRec& rec) {
    rec.DATATYPE = 0;
    rec.CODETYPE = 0;
    rec.DATACODE.clear();
    rec.DATANAME.clear();
    rec.TANTO = 0;
    rec.DATAVER.clear();
}

bool KensakuMatches(const TDataKensakuRec& rec, const TDataListRec& row) {
    if (rec.DATATYPE > 0) {
        if (row.DATATYPE != rec.DATATYPE)
            return false;
        if (rec.CODETYPE != 0 && row.CODETYPE != rec.CODETYPE)
            return false;
    } else if (rec.DATATYPE == -13 && row.DATATYPE != 1 && row.DATATYPE != 3) {
        return false;
    }
    if (!rec.DATANAME.isEmpty() && !searchForm(row.ENTTEXT).contains(searchForm(rec.DATANAME)))
        return false;
    if (rec.TANTO != 0 && row.TANTOU != rec.TANTO)
        return false;
    if (!rec.DATAVER.isEmpty()) {
        const QStringList parts = rec.DATAVER.split(u'.');
        const int major = parts.value(0).toInt();
        const int minor = parts.value(1).toInt();
        switch (rec.VERCMP) {
        case 1:
            if (row.VER_MAJOR != major)
                return false;
            break;
        case 2:
            if (row.VER_MAJOR < major || (row.VER_MAJOR == major && row.VER_MINOR1 < minor))
                return false;
            break;
        default:
            if (QStringLiteral("%1.%2").arg(row.VER_MAJOR).arg(row.VER_MINOR1) != rec.DATAVER)
                return false;
            break;
        }
    }
    const QString code = TrimZenkaku(rec.DATACODE);
    if (!code.isEmpty()) {
        const int n = int(cp932::byteLength(code));
        if (LeftStrB(row.DATACODE, n).toUpper() != code.toUpper())
            return false;
    }
    return true;
}

TDataSentakuRecDispArray ApplyKensaku(const TDataKensakuRec& rec, const TDataSentakuRecArray& rows) {
    TDataSentakuRecDispArray shown;
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (KensakuMatches(rec, rows[i]))
            shown.append(qint32(i));
    return shown;
}

TDataKensakuIO::TDataKensakuIO() : Transaction(DM->IBDatabaseDEF, fb::Transaction::defaultParams()) {}

void TDataKensakuIO::InitKensakuRec(TDataKensakuRec& rec) const {
    rec = TDataKensakuRec();
    rec.OPCODE = SystemDef.OPCODE;
    rec.LISTTYPE = ListType;
}

void TDataKensakuIO::bindKey(fb::Query& q, const TDataKensakuRec& rec) const {
    q.setInt("OPCODE", rec.OPCODE);
    q.setInt("LISTTYPE", rec.LISTTYPE);
}

void TDataKensakuIO::bindCondition(fb::Query& q, const TDataKensakuRec& rec) const {
    bindKey(q, rec);
    q.setInt("JYOKENUSE", rec.JYOKENUSE);
    q.setInt("DATATYPE", rec.DATATYPE);
    q.setInt("CODETYPE", rec.CODETYPE);
    q.setString("DATACODE", rec.DATACODE);
    q.setString("DATANAME", rec.DATANAME);
    q.setInt("TANTO", rec.TANTO);
    q.setString("DATAVER", rec.DATAVER);
    q.setString("SEIHINNAME", rec.SEIHINNAME);
    q.setInt("SORTCOL", GridColToSortCol(rec.SORTCOL));
    q.setInt("SORTTYPE", rec.SORTTYPE);
}

bool TDataKensakuIO::SelectRecord(TDataKensakuRec& rec) {
    InitKensakuRec(rec);
    return inTransaction(Transaction, kSelectFailed, [&] {
        fb::Query q(Transaction);
        q.setSql(
            QStringList{QStringLiteral("SELECT JYOKENUSE,DATATYPE,CODETYPE,DATACODE,DATANAME,TANTO,DATAVER,"
                                       "SEIHINNAME,SORTCOL,SORTTYPE FROM KENSAKUJYOKEN"),
                        kWhere});
        bindKey(q, rec);
        q.open();
        if (!q.eof()) {
            rec.JYOKENUSE = q.field("JYOKENUSE").asInt();
            rec.DATATYPE = q.field("DATATYPE").asInt();
            rec.CODETYPE = q.field("CODETYPE").asInt();
            rec.DATACODE = q.field("DATACODE").asString();
            rec.DATANAME = q.field("DATANAME").asString();
            rec.TANTO = q.field("TANTO").asInt();
            rec.DATAVER = q.field("DATAVER").asString();
            rec.SEIHINNAME = q.field("SEIHINNAME").asString();
            rec.SORTCOL = SortColToGridCol(q.field("SORTCOL").asInt());
            rec.SORTTYPE = q.field("SORTTYPE").asInt();
            q.close();
            return;
        }
        q.close();
        q.setSql(QStringList{
            QStringLiteral(
                "INSERT INTO KENSAKUJYOKEN(OPCODE,LISTTYPE,JYOKENUSE,DATATYPE,CODETYPE,DATACODE,DATANAME,"
                "TANTO,DATAVER,SEIHINNAME,SORTCOL,SORTTYPE)"),
            QStringLiteral(
                "VALUES(:OPCODE,:LISTTYPE,:JYOKENUSE,:DATATYPE,:CODETYPE,:DATACODE,:DATANAME,:TANTO,"
                ":DATAVER,:SEIHINNAME,:SORTCOL,:SORTTYPE)")});
        bindCondition(q, rec);
        q.execute();
    });
}

int TDataKensakuIO::UpdateRecord(const TDataKensakuRec& rec) {
    return inTransaction(
               Transaction, kUpdateFailed,
               [&] {
                   fb::Query q(Transaction);
                   q.setSql(QStringList{
                       QStringLiteral("UPDATE KENSAKUJYOKEN"),
                       QStringLiteral(
                           "SET "
                           "JYOKENUSE=:JYOKENUSE,DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,DATACODE=:DATACODE,"
                           "DATANAME=:DATANAME,TANTO=:TANTO,"),
                       QStringLiteral(
                           "DATAVER=:DATAVER,SEIHINNAME=:SEIHINNAME,SORTCOL=:SORTCOL,SORTTYPE=:SORTTYPE"),
                       kWhere});
                   bindCondition(q, rec);
                   q.execute();
               })
               ? 1
               : 0;
}

int TDataKensakuIO::UpdateRecordSortField(const TDataKensakuRec& rec) {
    return inTransaction(Transaction, kSortFailed,
                         [&] {
                             fb::Query q(Transaction);
                             q.setSql(QStringList{QStringLiteral("UPDATE KENSAKUJYOKEN"),
                                                  QStringLiteral("SET SORTCOL=:SORTCOL,SORTTYPE=:SORTTYPE"),
                                                  kWhere});
                             bindKey(q, rec);
                             q.setInt("SORTCOL", GridColToSortCol(rec.SORTCOL));
                             q.setInt("SORTTYPE", rec.SORTTYPE);
                             q.execute();
                         })
               ? 1
               : 0;
}

bool TDataKensakuIO::LoadPersons(QList<TKensakuPerson>& persons) {
    persons = {{0, QStringLiteral("選択なし")}};
    return inTransaction(Transaction, kPersonsFailed, [&] {
        fb::Query q(Transaction);
        q.setSql(QStringList{QStringLiteral("SELECT OPCODE,OPNAME FROM OPERATOR"),
                             QStringLiteral("WHERE (GROUPID=:GROUPID) AND (OPCODE>=10)"),
                             QStringLiteral("ORDER BY OPCODE")});
        q.setInt("GROUPID", SystemDef.GROUPID);
        for (q.open(); !q.eof(); q.next()) {
            const qint32 code = q.field("OPCODE").asInt();
            persons.append({code, QStringLiteral("%1:%2").arg(code).arg(q.field("OPNAME").asString())});
        }
        q.close();
    });
}

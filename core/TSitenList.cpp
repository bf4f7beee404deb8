#include "core/TSitenList.h"

#include "core/DataModule.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"

#include <QMap>

namespace {

const QString kLoadFailed = QStringLiteral("支店リストの取得に失敗しました。");

// The permission of a set of facilities: 1 when every one of them is licensed to the operator key.
const QString kPermit =
    QStringLiteral("CASE WHEN MIN(CASE WHEN S.SCODE IN (SELECT SCODE FROM OPLICENSE WHERE "
                   "OPCODE=:OPCODE) THEN 1\nELSE 0\nEND)=1 THEN 1\n       ELSE 0 END AS PERMIT");

QString jigyouName(int kind) {
    switch (kind) {
    case 8:
        return QStringLiteral("病院・診療所");
    case 4:
        return QStringLiteral("老人保健施設");
    case 2:
        return QStringLiteral("指定訪問看護");
    default:
        return QStringLiteral("その他の事業");
    }
}

void commitQuietly(OwnTransaction& own) {
    try {
        own.commit();
    } catch (const fb::Error&) {
        // The error being passed on says what went wrong.
    }
}

QString quoted(QString name) {
    return name.replace(u'"', u'\'');
}

} // namespace

TSitenList::TSitenList() {
    m_query = std::make_unique<fb::Query>(DM->IBTransactionDAT);
}

void TSitenList::SetTransaction(fb::Transaction& transaction) {
    m_query->setTransaction(transaction);
}

void TSitenList::Clear() {
    Items.clear();
    Lines.clear();
    Count = 0;
    OperatorKey = 0;
}

QString TSitenList::GetCode(qint32 index) const {
    if (index < 0 || index >= Count || index >= Items.size())
        return QString();
    return Items[index].Code;
}

QString TSitenList::wholeName() const {
    if (AccInf.SITEN == 0)
        return AccInf.SHOUGOU;
    return AccInf.DATATYPE == 2 ? QStringLiteral("総体") : QStringLiteral("法人全体");
}

void TSitenList::add(const TSitenListRec& rec) {
    Items.append(rec);
    QString line;
    const bool site = rec.Kind == 2 || rec.Kind == 3;
    const bool group = (rec.Kind == 1 && rec.Code != QStringLiteral(" ")) || rec.Kind == 5;
    if (!TabLines) {
        if (site)
            line = QStringLiteral("%1:%2").arg(rec.Code, rec.Name);
        else if (group)
            line = QStringLiteral("(%1):%2").arg(rec.Code, rec.Name);
        else
            line = rec.Name;
    } else {
        if (site)
            line = QStringLiteral("\"%1\"\t\"\"\t\"%2\"").arg(rec.Code, quoted(rec.Name));
        else if (group)
            line = QStringLiteral("\"(%1)\"\t\"%1\"\t\"%2\"").arg(rec.Code, quoted(rec.Name));
        else
            line = QStringLiteral("\"%1\"\t\"\"\t\"\"").arg(rec.Name);
    }
    Lines.append(line);
}

void TSitenList::Load(qint32 operatorKey) {
    if (AccInf.IryoFlag == 0)
        Execute(operatorKey);
    else if (AccInf.IryoFlag == 1)
        ExecuteMB(operatorKey);
}

void TSitenList::Execute(qint32 operatorKey) {
    run(operatorKey, false);
}

void TSitenList::ExecuteMB(qint32 operatorKey) {
    run(operatorKey, true);
}

void TSitenList::run(qint32 operatorKey, bool medical) {
    Clear();
    const qint32 K = DM->IsAllSisetuOperator() ? -1 : operatorKey;
    OperatorKey = K;
    fb::Query& q = *m_query;
    OwnTransaction own(q.transaction());
    try {
        const QString W = wholeName();
        const qint32 wholeJigyou = medical ? 0 : 1;
        bool wholeAdded = false;
        const auto addWhole = [&](qint32 bumonFlag) {
            add({QStringLiteral(" "), W, 0, wholeJigyou, bumonFlag, 0, {}, {}});
            wholeAdded = true;
        };

        if (Kinds & KindWhole) {
            if (K == -1 || AccInf.SITEN == 0) {
                addWhole(0);
            } else {
                q.setSql(QStringList{QStringLiteral("SELECT"), kPermit, QStringLiteral("FROM SISETUMST S"),
                                     QStringLiteral("WHERE S.SCODE <> ''")});
                q.setInt("OPCODE", K);
                q.open();
                const bool permitted = !q.eof() && q.field("PERMIT").asInt() == 1;
                q.close();
                if (permitted)
                    addWhole(0);
            }
        }

        if ((Kinds & KindGroups) && AccInf.SITEN == 1) {
            if (medical) {
                const auto countByKind = [&](bool permittedOnly) {
                    QStringList sql{
                        QStringLiteral("SELECT S.MB_JIGYOU,COUNT(S.SCODE) AS RECCNT FROM SISETUMST S")};
                    if (permittedOnly)
                        sql << QStringLiteral("INNER JOIN OPLICENSE O ON (O.SCODE=S.SCODE)")
                            << QStringLiteral("WHERE (S.SCODE NOT IN ('','00')) AND (O.OPCODE=:OPCODE)");
                    else
                        sql << QStringLiteral("WHERE (S.SCODE NOT IN ('','00'))");
                    if (JigyouFilter > 0)
                        sql << QStringLiteral("AND (S.MB_JIGYOU=:MB_JIGYOU)");
                    sql << QStringLiteral("GROUP BY S.MB_JIGYOU")
                        << QStringLiteral("ORDER BY S.MB_JIGYOU DESC");
                    q.setSql(sql);
                    if (permittedOnly)
                        q.setInt("OPCODE", K);
                    if (JigyouFilter > 0)
                        q.setInt("MB_JIGYOU", JigyouFilter);
                    QMap<int, int> counts;
                    for (q.open(); !q.eof(); q.next())
                        counts[q.field("MB_JIGYOU").asInt()] = q.field("RECCNT").asInt();
                    q.close();
                    return counts;
                };
                const QMap<int, int> all = countByKind(false);
                const QMap<int, int> permitted = K == -1 ? all : countByKind(true);
                for (int kind : {8, 4, 2, 1}) {
                    const int count = all.value(kind);
                    if (count > 0 && count == permitted.value(kind))
                        add({QStringLiteral(" "), jigyouName(kind), 1, kind, 0, 0, {}, {}});
                }
            }
            q.setSql(QStringList{QStringLiteral("SELECT G.GCODE,G.GNAME, ") +
                                     (K == -1 ? QStringLiteral("1 AS PERMIT") : kPermit),
                                 QStringLiteral("FROM SISETUGROUPLIST S"),
                                 QStringLiteral("INNER JOIN SISETUGROUP G ON (S.GCODE=G.GCODE)"),
                                 QStringLiteral("WHERE S.SCODE <> ''"),
                                 QStringLiteral("GROUP BY G.GCODE,G.GNAME"),
                                 QStringLiteral("ORDER BY G.GCODE")});
            if (K != -1)
                q.setInt("OPCODE", K);
            for (q.open(); !q.eof(); q.next()) {
                if (q.field("PERMIT").asInt() != 1)
                    continue;
                add({q.field("GCODE").asString(),
                     q.field("GNAME").asString(),
                     medical ? 5 : 1,
                     medical ? 0 : 1,
                     0,
                     0,
                     {},
                     {}});
            }
            q.close();
        }

        const auto addSites = [&](bool bumonOnly) {
            if (AccInf.SITEN == 0) {
                if (!(Kinds & KindWhole) && !wholeAdded)
                    addWhole(bumonOnly || medical ? 0 : AccInf.BUMON);
                return;
            }
            QString head;
            if (medical)
                head = bumonOnly
                           ? QStringLiteral("SELECT S.SCODE,S.SNAME,S.MB_JIGYOU,S.XSTR FROM SISETUMST S")
                           : QStringLiteral(
                                 "SELECT S.SCODE,S.SNAME,S.MB_JIGYOU,S.BUMEX,S.XSTR FROM SISETUMST S");
            else
                head = bumonOnly ? QStringLiteral("SELECT S.SCODE,S.SNAME,S.XSTR FROM SISETUMST S")
                                 : QStringLiteral("SELECT S.SCODE,S.SNAME,S.BUMEX,S.XSTR FROM SISETUMST S");
            QStringList sql{head};
            const QString bumex = bumonOnly ? QStringLiteral(" AND (S.BUMEX=1)") : QString();
            if (K == -1) {
                sql << QStringLiteral("WHERE (S.SCODE<>'')") + bumex;
            } else {
                sql << QStringLiteral("INNER JOIN OPLICENSE O ON (O.SCODE=S.SCODE)")
                    << QStringLiteral("WHERE (S.SCODE<>'')") + bumex +
                           QStringLiteral(" AND (O.OPCODE=:OPCODE)");
            }
            if (medical && JigyouFilter > 0)
                sql << QStringLiteral("AND (S.MB_JIGYOU=:MB_JIGYOU)");
            sql << QStringLiteral("ORDER BY S.SCODE");
            q.setSql(sql);
            if (K != -1)
                q.setInt("OPCODE", K);
            if (medical && JigyouFilter > 0)
                q.setInt("MB_JIGYOU", JigyouFilter);
            for (q.open(); !q.eof(); q.next()) {
                const QString code = q.field("SCODE").asString();
                if (code.trimmed().isEmpty())
                    continue;
                if (medical && !Include00 && code == QStringLiteral("00"))
                    continue;
                QVariant colour;
                DM->GetXstrVariant(q.field("XSTR").asString(), QStringLiteral("COLOR"), colour);
                TSitenListRec rec{code,
                                  q.field("SNAME").asString(),
                                  bumonOnly ? 3 : 2,
                                  medical ? q.field("MB_JIGYOU").asInt() : 1,
                                  bumonOnly ? 1 : q.field("BUMEX").asInt(),
                                  colour.toInt(),
                                  {},
                                  {}};
                add(rec);
            }
            q.close();
        };
        if (Kinds & KindSites)
            addSites(false);
        if (Kinds & KindBumonSites)
            addSites(true);

        Count = qint32(Lines.size());
        own.commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TSitenList.Execute"), kLoadFailed);
        commitQuietly(own);
        throw;
    } catch (const std::exception& e) {
        ShowErrDetail(kLoadFailed, QString::fromUtf8(e.what()), ui::MsgKind::Error);
        commitQuietly(own);
        throw;
    }
}

#include "DbCompare.h"

#include "DataRootFixture.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace testenv {

namespace {

QString normalised(const QString& source) {
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return source.trimmed().replace(blanks, QStringLiteral(" "));
}

QString text(const fb::Query& q, const char* name) {
    const fb::Field f = q.field(name);
    return f.isNull() ? QStringLiteral("<null>") : normalised(f.asString());
}

// Appends one line per row: the values of the columns named, joined with "|".
void collect(fb::Transaction& t, const QString& sql, const QString& prefix, QStringList& lines,
             const QList<const char*>& columns) {
    fb::Query q(t, sql);
    q.open();
    for (; !q.eof(); q.next()) {
        QStringList values;
        for (const char* c : columns)
            values << text(q, c);
        lines << prefix + u' ' + values.join(u'|');
    }
}

// The column N of every row.
QStringList names(fb::Transaction& t, const QString& sql) {
    QStringList list;
    fb::Query q(t, sql);
    q.open();
    for (; !q.eof(); q.next())
        list << q.field("N").asString();
    return list;
}

// Generated names (RDB$123, INTEG_45) differ between two databases that are alike.
QString stableName(const QString& name) {
    static const QRegularExpression generated(QStringLiteral("^(RDB\\$|INTEG_)\\d+$"));
    return generated.match(name).hasMatch() ? QStringLiteral("<generated>") : name;
}

} // namespace

QStringList describeSchema(fb::Database& database) {
    QStringList lines;
    fb::Transaction t(database);
    collect(
        t,
        QStringLiteral(
            "SELECT TRIM(RF.RDB$RELATION_NAME) AS R, ROW_NUMBER() OVER (PARTITION BY RF.RDB$RELATION_NAME "
            "ORDER BY RF.RDB$FIELD_POSITION) AS P, TRIM(RF.RDB$FIELD_NAME) AS "
            "F,"
            " CASE WHEN RF.RDB$FIELD_SOURCE STARTING WITH 'RDB$' THEN '' ELSE TRIM(RF.RDB$FIELD_SOURCE) END "
            "AS DOM,"
            " F.RDB$FIELD_TYPE AS T, COALESCE(F.RDB$FIELD_SUB_TYPE, 0) AS ST, F.RDB$FIELD_LENGTH AS L, "
            "F.RDB$FIELD_SCALE "
            "AS SC,"
            " COALESCE(F.RDB$FIELD_PRECISION, 0) AS PR, F.RDB$CHARACTER_SET_ID AS CS, F.RDB$CHARACTER_LENGTH "
            "AS CL,"
            " COALESCE(RF.RDB$NULL_FLAG, 0) AS NF, RF.RDB$DEFAULT_SOURCE AS D, F.RDB$COMPUTED_SOURCE AS CMP"
            " FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE"
            " JOIN RDB$RELATIONS REL ON REL.RDB$RELATION_NAME = RF.RDB$RELATION_NAME"
            " WHERE COALESCE(REL.RDB$SYSTEM_FLAG, 0) = 0"),
        QStringLiteral("COLUMN"), lines,
        {"R", "P", "F", "DOM", "T", "ST", "L", "SC", "PR", "CS", "CL", "NF", "D", "CMP"});
    collect(t,
            QStringLiteral("SELECT TRIM(F.RDB$FIELD_NAME) AS N, F.RDB$FIELD_TYPE AS T, "
                           "COALESCE(F.RDB$FIELD_SUB_TYPE, 0) AS ST,"
                           " F.RDB$FIELD_LENGTH AS L, COALESCE(F.RDB$FIELD_SCALE, 0) AS SC, "
                           "COALESCE(F.RDB$FIELD_PRECISION, 0) AS PR,"
                           " F.RDB$CHARACTER_SET_ID AS CS, F.RDB$CHARACTER_LENGTH AS CL,"
                           " COALESCE(F.RDB$NULL_FLAG, 0) AS NF, F.RDB$DEFAULT_SOURCE AS D,"
                           " F.RDB$VALIDATION_SOURCE AS V"
                           " FROM RDB$FIELDS F WHERE COALESCE(F.RDB$SYSTEM_FLAG, 0) = 0"
                           " AND F.RDB$FIELD_NAME NOT STARTING WITH 'RDB$'"),
            QStringLiteral("DOMAIN"), lines, {"N", "T", "ST", "L", "SC", "PR", "CS", "CL", "NF", "D", "V"});
    {
        // Keys and indices with their columns; generated names are left out, the columns say enough.
        fb::Query q(
            t, QStringLiteral(
                   "SELECT TRIM(I.RDB$INDEX_NAME) AS N, TRIM(I.RDB$RELATION_NAME) AS R,"
                   " COALESCE(I.RDB$UNIQUE_FLAG, 0) AS U, COALESCE(I.RDB$INDEX_TYPE, 0) AS D,"
                   " COALESCE(I.RDB$INDEX_INACTIVE, 0) AS A, TRIM(I.RDB$FOREIGN_KEY) AS FK,"
                   " TRIM(RC.RDB$CONSTRAINT_TYPE) AS CT, TRIM(RC.RDB$CONSTRAINT_NAME) AS CN,"
                   " I.RDB$EXPRESSION_SOURCE AS E,"
                   " (SELECT LIST(TRIM(S.RDB$FIELD_NAME), ',') FROM (SELECT S2.RDB$FIELD_NAME FROM"
                   "   RDB$INDEX_SEGMENTS S2 WHERE S2.RDB$INDEX_NAME = I.RDB$INDEX_NAME"
                   "   ORDER BY S2.RDB$FIELD_POSITION) S) AS SEGS,"
                   " REF.RDB$UPDATE_RULE AS UR, REF.RDB$DELETE_RULE AS DR"
                   " FROM RDB$INDICES I"
                   " LEFT JOIN RDB$RELATION_CONSTRAINTS RC ON RC.RDB$INDEX_NAME = I.RDB$INDEX_NAME"
                   " LEFT JOIN RDB$REF_CONSTRAINTS REF ON REF.RDB$CONSTRAINT_NAME = RC.RDB$CONSTRAINT_NAME"
                   " WHERE COALESCE(I.RDB$SYSTEM_FLAG, 0) = 0"));
        q.open();
        for (; !q.eof(); q.next()) {
            QString target;
            if (!q.field("FK").isNull()) {
                fb::Query r(t, QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) AS R FROM RDB$INDICES"
                                              " WHERE RDB$INDEX_NAME = :N"));
                r.setString("N", q.field("FK").asString());
                r.open();
                target = r.eof() ? QString() : r.field("R").asString();
            }
            lines << QStringLiteral("INDEX %1|%2|%3|%4|%5|%6|%7|%8|%9|%10|%11|%12")
                         .arg(text(q, "R"), stableName(q.field("N").asString()), text(q, "CT"),
                              stableName(q.field("CN").isNull() ? QString() : q.field("CN").asString()),
                              text(q, "SEGS"), text(q, "U"), text(q, "D"), text(q, "A"))
                         .arg(target, text(q, "E"), text(q, "UR"), text(q, "DR"));
        }
    }
    collect(t,
            QStringLiteral("SELECT TRIM(RC.RDB$RELATION_NAME) AS R, TRIM(RC.RDB$CONSTRAINT_TYPE) AS CT,"
                           " T.RDB$TRIGGER_SOURCE AS S FROM RDB$RELATION_CONSTRAINTS RC"
                           " JOIN RDB$CHECK_CONSTRAINTS CC ON CC.RDB$CONSTRAINT_NAME = RC.RDB$CONSTRAINT_NAME"
                           " JOIN RDB$TRIGGERS T ON T.RDB$TRIGGER_NAME = CC.RDB$TRIGGER_NAME"
                           " WHERE RC.RDB$CONSTRAINT_TYPE = 'CHECK' AND T.RDB$TRIGGER_TYPE = 1"),
            QStringLiteral("CHECK"), lines, {"R", "CT", "S"});
    collect(t,
            QStringLiteral(
                "SELECT TRIM(RDB$TRIGGER_NAME) AS N, TRIM(RDB$RELATION_NAME) AS R, RDB$TRIGGER_TYPE AS T,"
                " RDB$TRIGGER_SEQUENCE AS S, COALESCE(RDB$TRIGGER_INACTIVE, 0) AS A,"
                " RDB$TRIGGER_SOURCE AS SRC FROM RDB$TRIGGERS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0"),
            QStringLiteral("TRIGGER"), lines, {"N", "R", "T", "S", "A", "SRC"});
    collect(
        t,
        QStringLiteral("SELECT TRIM(RDB$PROCEDURE_NAME) AS N, RDB$PROCEDURE_SOURCE AS SRC FROM RDB$PROCEDURES"
                       " WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0"),
        QStringLiteral("PROCEDURE"), lines, {"N", "SRC"});
    collect(t,
            QStringLiteral(
                "SELECT TRIM(P.RDB$PROCEDURE_NAME) AS N, P.RDB$PARAMETER_TYPE AS IO,"
                " P.RDB$PARAMETER_NUMBER AS PNO, TRIM(P.RDB$PARAMETER_NAME) AS PN, F.RDB$FIELD_TYPE AS T,"
                " F.RDB$FIELD_LENGTH AS L, COALESCE(F.RDB$FIELD_SCALE, 0) AS SC, F.RDB$CHARACTER_SET_ID AS CS"
                " FROM RDB$PROCEDURE_PARAMETERS P JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = P.RDB$FIELD_SOURCE"
                " WHERE COALESCE(P.RDB$SYSTEM_FLAG, 0) = 0"),
            QStringLiteral("PARAMETER"), lines, {"N", "IO", "PNO", "PN", "T", "L", "SC", "CS"});
    collect(t,
            QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) AS N, RDB$VIEW_SOURCE AS SRC FROM RDB$RELATIONS"
                           " WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$VIEW_BLR IS NOT NULL"),
            QStringLiteral("VIEW"), lines, {"N", "SRC"});
    collect(t,
            QStringLiteral(
                "SELECT TRIM(RDB$GENERATOR_NAME) AS N FROM RDB$GENERATORS"
                " WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$GENERATOR_NAME NOT STARTING WITH 'RDB$'"),
            QStringLiteral("GENERATOR"), lines, {"N"});
    collect(t,
            QStringLiteral(
                "SELECT TRIM(RDB$FUNCTION_NAME) AS N, TRIM(RDB$MODULE_NAME) AS M, TRIM(RDB$ENTRYPOINT) AS E"
                " FROM RDB$FUNCTIONS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0"),
            QStringLiteral("FUNCTION"), lines, {"N", "M", "E"});
    t.commit();
    lines.sort();
    return lines;
}

QStringList describeData(fb::Database& database) {
    QStringList lines;
    fb::Transaction t(database);
    const QStringList tables =
        names(t, QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) AS N FROM RDB$RELATIONS"
                                " WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$VIEW_BLR IS NULL"));
    for (const QString& table : tables) {
        fb::Query q(t, QStringLiteral("SELECT * FROM \"%1\"").arg(table));
        q.open();
        QList<QByteArray> rows;
        for (; !q.eof(); q.next()) {
            QByteArray row;
            for (int i = 0; i < q.fieldCount(); ++i) {
                const fb::Field f(&q, i);
                row += f.isNull() ? QByteArray("\x01") : f.asBytes();
                row += '\0';
            }
            rows << row;
        }
        std::sort(rows.begin(), rows.end());
        QCryptographicHash hash(QCryptographicHash::Sha1);
        for (const QByteArray& row : rows)
            hash.addData(row + '\n');
        lines << QStringLiteral("TABLE %1 rows=%2 %3")
                     .arg(table)
                     .arg(rows.size())
                     .arg(QString::fromLatin1(hash.result().toHex()));
    }
    const QStringList generators =
        names(t, QStringLiteral("SELECT TRIM(RDB$GENERATOR_NAME) AS N FROM RDB$GENERATORS"
                                " WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0"
                                " AND RDB$GENERATOR_NAME NOT STARTING WITH 'RDB$'"));
    for (const QString& g : generators) {
        fb::Query q(t, QStringLiteral("SELECT GEN_ID(\"%1\", 0) AS V FROM RDB$DATABASE").arg(g));
        q.open();
        lines << QStringLiteral("GEN %1=%2").arg(g).arg(q.field("V").asInt64());
    }
    t.commit();
    lines.sort();
    return lines;
}

namespace {

// Lines only in left ("- ...") or only in right ("+ ...").
QStringList difference(const QStringList& left, const QStringList& right) {
    const QSet<QString> l(left.begin(), left.end()), r(right.begin(), right.end());
    QStringList diff;
    for (const QString& line : left)
        if (!r.contains(line))
            diff << QStringLiteral("- ") + line;
    for (const QString& line : right)
        if (!l.contains(line))
            diff << QStringLiteral("+ ") + line;
    return diff;
}

QStringList describe(const QString& path, bool withData) {
    fb::Database db(path, databaseUser());
    db.attach();
    QStringList lines = describeSchema(db);
    if (withData)
        lines += describeData(db);
    db.detach();
    return lines;
}

} // namespace

QStringList describeData(const QString& path) {
    fb::Database db(path, databaseUser());
    db.attach();
    QStringList lines = describeData(db);
    db.detach();
    return lines;
}

QStringList compareDatabases(const QString& a, const QString& b) {
    return difference(describe(a, true), describe(b, true));
}

QStringList compareSchemas(const QString& a, const QString& b) {
    return difference(describe(a, false), describe(b, false));
}

} // namespace testenv

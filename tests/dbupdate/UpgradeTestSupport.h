#pragma once
// What the upgrade tests read back from a dataset.

#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DataRootFixture.h"

// "%d.%d.%d" of the dataset's ACCVERSION row.
inline QString accountingVersion(const testenv::Dataset& ds) {
    auto db = ds.connect();
    fb::Transaction t(*db);
    fb::Query q(t, QStringLiteral("SELECT MAJOR, MINOR1, MINOR2 FROM ACCVERSION WHERE REC=1"));
    q.open();
    return QStringLiteral("%1.%2.%3")
        .arg(q.field("MAJOR").asInt())
        .arg(q.field("MINOR1").asInt())
        .arg(q.field("MINOR2").asInt());
}

// Every row of the statement as its fields joined by "|" ("null" for a null), in the statement's order;
// what the statement wrote (a selected procedure) is committed.
inline QStringList queryRows(fb::Database& db, const QString& sql) {
    fb::Transaction t(db);
    fb::Query q(t, sql);
    QStringList out;
    for (q.open(); !q.eof(); q.next()) {
        QStringList f;
        for (int i = 0; i < q.fieldCount(); ++i)
            f << (q.field(i).isNull() ? QStringLiteral("null") : q.field(i).asString());
        out << f.join(u'|');
    }
    q.close();
    t.commit();
    return out;
}

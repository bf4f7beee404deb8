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

#pragma once
// Reads of the system database through an attachment of its own, so a test sees only committed data.

#include "support/DataRootFixture.h"

#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QStringList>

namespace testenv {

// The first column of every row, as text.
inline QStringList systemColumn(const DataRoot& root, const QString& sql) {
    auto db = root.connectSystem();
    fb::Transaction t(*db);
    fb::Query q(t, sql);
    QStringList out;
    for (q.open(); !q.eof(); q.next())
        out << q.field(0).asString();
    q.close();
    t.commit();
    return out;
}

// The first column of the first row, "<none>" without a row.
inline QString systemValue(const DataRoot& root, const QString& sql) {
    const QStringList values = systemColumn(root, sql);
    return values.isEmpty() ? QStringLiteral("<none>") : values.first();
}

} // namespace testenv

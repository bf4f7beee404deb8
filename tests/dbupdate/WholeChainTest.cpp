// The whole chain of accounting steps: the database of the first release, upgraded by every step through
// real isql-fb (tests/support/AccountingChain.h), is the database the newest schema script makes: the
// same objects, and the same rows in the tables the steps fill.

#include "UpgradeTestSupport.h"
#include "platform/firebird/FbDatabase.h"
#include "support/AccountingChain.h"
#include "support/DbCompare.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QStringList rowsOf(const QString& path) {
    fb::Database db(path, testenv::databaseUser());
    db.attach();
    QStringList lines = testenv::describeData(db);
    db.detach();
    return lines;
}

TEST(WholeChain, TheUpgradedFirstReleaseIsTheDatabaseOfTheNewestSchema) {
    const QString chain = testenv::accountingChainTemplate();
    const QString fresh = testenv::scriptTemplate(testenv::accountingSchemaScript());
    const QStringList objects = testenv::compareSchemas(chain, fresh);
    EXPECT_TRUE(objects.isEmpty()) << objects.join(u'\n').toStdString();

    const QStringList upgraded = rowsOf(chain);
    const QStringList made = rowsOf(fresh);
    QStringList differing;
    for (const QString& line : upgraded)
        if (!made.contains(line))
            differing << QStringLiteral("- ") + line;
    for (const QString& line : made)
        if (!upgraded.contains(line))
            differing << QStringLiteral("+ ") + line;
    EXPECT_TRUE(differing.isEmpty()) << differing.join(u'\n').toStdString();
}

} // namespace

// The whole chain of accounting steps: the database of the first release, upgraded by every step through
// real isql-fb (tests/support/AccountingChain.h), is the database the newest schema script makes: the
// same objects, and the same rows in the tables the steps fill.

#include "UpgradeTestSupport.h"
#include "platform/firebird/FbDatabase.h"
#include "support/AccountingChain.h"
#include "support/DbCompare.h"

#include <gtest/gtest.h>

namespace {

TEST(WholeChain, TheUpgradedFirstReleaseIsTheDatabaseOfTheNewestSchema) {
    const QString chain = testenv::accountingChainTemplate();
    const QString fresh = testenv::scriptTemplate(testenv::accountingSchemaScript());
    const QStringList objects = testenv::compareSchemas(chain, fresh);
    EXPECT_TRUE(objects.isEmpty()) << objects.join(u'\n').toStdString();

    // The rows the steps give a dataset: sql/placc_seed.sql holds them for the script.
    const QStringList seeded = testenv::stepSeedRows(chain);
    EXPECT_FALSE(seeded.isEmpty());
    EXPECT_EQ(seeded, testenv::stepSeedRows(fresh));
}

} // namespace

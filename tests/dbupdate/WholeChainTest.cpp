// The whole chain of accounting steps: the database of the first release, upgraded by every step through
// real isql-fb (tests/support/AccountingChain.h), is the database the newest schema script makes: the
// same objects, and the same rows in the tables the steps fill.

#include "UpgradeTestSupport.h"
#include "platform/firebird/FbDatabase.h"
#include "support/AccountingChain.h"
#include "support/DbCompare.h"
#include "support/TestEnv.h"

#include <QFile>

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

// The variance items of the budget/actual comparison keep the form step 2.0.0 gives them: later steps
// move their columns onto the domains, but neither widen the name nor change a default.
TEST(WholeChain, TheVarianceItemsKeepTheirNameWidthAndDefaults) {
    // Copies: the embedded engine of another test process may hold the templates themselves.
    testenv::TempEnvironment env;
    int n = 0;
    for (const QString& source :
         {testenv::accountingChainTemplate(), testenv::scriptTemplate(testenv::accountingSchemaScript())}) {
        const QString database = env.path() + QStringLiteral("/db%1.fdb").arg(++n);
        ASSERT_TRUE(QFile::copy(source, database)) << source.toStdString();
        fb::Database db(database, testenv::databaseUser());
        db.attach();
        EXPECT_EQ(queryRows(db, QStringLiteral(
                                    "SELECT TRIM(RF.RDB$FIELD_NAME), COALESCE(F.RDB$CHARACTER_LENGTH, 0), "
                                    "TRIM(CAST(COALESCE(RF.RDB$DEFAULT_SOURCE, F.RDB$DEFAULT_SOURCE, '') "
                                    "AS VARCHAR(40))) FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON "
                                    "F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE WHERE RF.RDB$RELATION_NAME = "
                                    "'SOLVARNE_YOJITUHENDOU' ORDER BY RF.RDB$FIELD_POSITION")),
                  (QStringList{"REC|0|", "MEISHOU|14|", "RATE1|0|DEFAULT 0", "KIND1|0|DEFAULT 0",
                               "RATE2|0|DEFAULT 0", "KIND2|0|DEFAULT 1"}))
            << database.toStdString();
        db.detach();
    }
}

} // namespace

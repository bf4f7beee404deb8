// The demo data root that run.sh prepares on a first run.
#include "support/DataRootFixture.h"
#include "support/TestEnv.h"

#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

TEST(DemoData, FirstRunCreatesOneCompanyWithAssetsOfEveryMethod) {
    testenv::TempEnvironment env;
    const QString tool = testenv::buildDir() + QStringLiteral("/bin/make_demo_data");
    ASSERT_TRUE(QFileInfo(tool).isExecutable());
    auto run = [&] {
        QProcess p;
        p.start(tool, {QStringLiteral("--if-missing")});
        p.waitForFinished(-1);
        return p.exitCode();
    };
    ASSERT_EQ(run(), 0);
    const QString root = testenv::DataRoot::defaultRoot();
    ASSERT_TRUE(root.startsWith(env.commonAppData()));
    const QString database = root + QStringLiteral("/data/0001/placc.fdb");
    ASSERT_TRUE(QFileInfo::exists(database));
    const QDateTime written = QFileInfo(database).lastModified();
    EXPECT_EQ(run(), 0); // an existing data root is left alone
    EXPECT_EQ(QFileInfo(database).lastModified(), written);

    fb::Database db(database, testenv::databaseUser());
    db.attach();
    fb::Transaction t(db);
    fb::Query q(t, QStringLiteral("SELECT KS.GSHOUHOU, COUNT(*) AS N FROM KS_SISAN KS"
                                  " INNER JOIN KAMOKUMST K ON (KS.KCODE=K.KCODE) GROUP BY KS.GSHOUHOU"));
    QList<int> methods;
    for (q.open(); !q.eof(); q.next())
        methods << q.field("GSHOUHOU").asInt();
    EXPECT_EQ(methods, QList<int>({1, 2, 3, 4, 5, 6}));
    fb::Query c(t, QStringLiteral("SELECT SHOUGOU, NENDO FROM ACCDEF1 WHERE REC = 1"));
    c.open();
    EXPECT_EQ(c.field("SHOUGOU").asString(), QStringLiteral("株式会社ペラン商事"));
}

} // namespace

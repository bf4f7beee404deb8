// The export driver (tests/tools/export_dataset) as a child process on a fixture data root: its exit
// codes, the boxes it prints and the file it writes.
#include "ProgramProcess.h"
#include "XmlReadBack.h"

#include "platform/IniFile.h"
#include "support/DataRootFixture.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct DriverRun {
    int exitCode = -1;
    std::vector<LoggedBox> boxes;
};

DriverRun runDriver(const QStringList& arguments) {
    QProcess driver;
    driver.start(testenv::buildDir() + QStringLiteral("/bin/export_dataset"), arguments);
    const bool finished = driver.waitForFinished(120000);
    EXPECT_TRUE(finished && driver.exitStatus() == QProcess::NormalExit);
    return {driver.exitCode(), parseBoxLog(driver.readAllStandardError())};
}

LoggedBox box(int kind, const char* caption, const QString& text) {
    return {kind, QString::fromUtf8(caption), text};
}

testenv::AssetSpec asset(const QString& kanri, int method, TDateTime acquired) {
    testenv::AssetSpec a;
    a.kanri = kanri;
    a.kcode = QStringLiteral("1405");
    a.name = QStringLiteral("資産") + kanri;
    a.method = method;
    a.acquired = acquired;
    a.lifeYears = 5;
    a.cost = a.base = Money(500000);
    a.rate = Money::fromString(QStringLiteral("0.2"));
    a.ordinary = a.total = Money(100000);
    a.bookValueEnd = Money(400000);
    return a;
}

class ExportDriver : public ::testing::Test {
protected:
    void SetUp() override {
        // A data root of its own, outside the default place.
        root = std::make_unique<testenv::DataRoot>(env.path() + QStringLiteral("/roots/office"));
        testenv::CompanySpec company;
        company.name = QStringLiteral("有限会社ドライバ");
        ds = root->addDataset(company);
        ds.addAccount({QStringLiteral("1405"), QStringLiteral("144"), QStringLiteral("工具器具備品")});
        out = env.path() + QStringLiteral("/out/export.xml");
        QDir().mkpath(env.path() + QStringLiteral("/out"));
    }

    QStringList args(const QStringList& extra = {}) const {
        return QStringList{root->root(), ds.folder, out} + extra;
    }

    testenv::TempEnvironment env;
    std::unique_ptr<testenv::DataRoot> root;
    testenv::Dataset ds;
    QString out;
};

} // namespace

TEST_F(ExportDriver, CreatedFileExitsWith0AndLeavesTheDatasetFree) {
    ds.addAsset(asset(QStringLiteral("1"), 1, TDateTime::fromDate(2020, 4, 1)));
    ds.addAsset(asset(QStringLiteral("2"), 6, TDateTime::fromDate(2024, 4, 1)));

    const DriverRun run = runDriver(args({QStringLiteral("5")}));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.boxes,
              std::vector<LoggedBox>{box(2, "情報", QStringLiteral("中間ファイルが作成されました。\r"))});

    const XmlFile f = readXmlFile(out);
    ASSERT_TRUE(f.root);
    EXPECT_EQ(f.root->child("SYSTEM")->childText("FUNCTIONID"), "5");
    const XmlElement* basic = f.root->child("BASIC");
    EXPECT_EQ(basic->childText("KOMONSAKINAME"), QStringLiteral("有限会社ドライバ"));
    EXPECT_EQ(basic->childText("JIGYOUNENDOFROM"), "20240401");
    EXPECT_EQ(basic->childText("JIGYOUNENDOTO"), "20250331");
    EXPECT_EQ(f.root->child("DATA")->childNames(), (QStringList{"HJK160119", "HJK160419"}));
    EXPECT_EQ(f.root->child("DATA")
                  ->child("HJK160119")
                  ->child("TEIGAKU_MEISAI_19")
                  ->childText("TEIGAKU_MEISAI_19_0420"),
              "2"); // 令和2年

    // The environment stood on the given root: the linkage ini lies in its ini folder, and the
    // dataset's in-use mark is gone again.
    EXPECT_EQ(IniFile(root->iniDir() + QStringLiteral("/Corvane.ini")).readString("HOJINZEI_G", "KOMONSAKI"),
              QStringLiteral("有限会社ドライバ"));
    EXPECT_EQ(IniFile(ds.folder + QStringLiteral("/placc.ini")).readString("DATASTS", "STATUS"), "1");
}

TEST_F(ExportDriver, NothingToExportExitsWith1WithoutAFile) {
    // A small-amount asset acquired after the fiscal year is not exported.
    ds.addAsset(asset(QStringLiteral("1"), 5, TDateTime::fromDate(2025, 4, 1)));
    const DriverRun run = runDriver(args());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.boxes, std::vector<LoggedBox>{
                             box(2, "情報", QStringLiteral("対象の減価償却資産が登録されていません。\r\r"))});
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(ExportDriver, FailuresExitWith2AfterTheirBoxes) {
    ds.addAsset(asset(QStringLiteral("1"), 1, TDateTime::fromDate(2020, 4, 1)));
    const QString failed = QStringLiteral("中間ファイルの作成に失敗しました。\r");
    {
        SCOPED_TRACE("the file cannot be saved");
        const QString missing = env.path() + QStringLiteral("/no/such/folder/export.xml");
        const DriverRun run = runDriver({root->root(), ds.folder, missing});
        EXPECT_EQ(run.exitCode, 2);
        ASSERT_EQ(run.boxes.size(), 2u);
        EXPECT_EQ(run.boxes[0], box(1, "エラー", failed));
        EXPECT_TRUE(run.boxes[1].text.contains(missing)) << run.boxes[1].text.toStdString();
    }
    {
        SCOPED_TRACE("an asset without acquisition date");
        testenv::AssetSpec undated = asset(QStringLiteral("2"), 2, TDateTime());
        ds.addAsset(undated);
        const DriverRun run = runDriver(args());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.boxes,
                  (std::vector<LoggedBox>{
                      box(1, "エラー",
                          QStringLiteral("例外エラー\r取得年月が設定されていません。\r資産名:資産2\r")),
                      box(1, "エラー", QStringLiteral("減価償却資産の取得に失敗しました。\r\r")),
                      box(1, "エラー", failed)}));
        EXPECT_FALSE(QFile::exists(out));
    }
    {
        SCOPED_TRACE("a folder without a dataset");
        const DriverRun run = runDriver({root->root(), env.path(), out});
        EXPECT_EQ(run.exitCode, 2);
        ASSERT_FALSE(run.boxes.empty());
        EXPECT_EQ(run.boxes.back(),
                  box(3, "確認",
                      QStringLiteral(
                          "データの接続に失敗しました。\rデータ選択画面を開き、別のデータを選択しますか？")));
    }
}

TEST_F(ExportDriver, WrongArgumentsExitWith2) {
    const DriverRun run = runDriver({root->root(), ds.folder});
    EXPECT_EQ(run.exitCode, 2);
}

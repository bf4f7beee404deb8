// The export driver (tests/tools/export_dataset) as a child process on a fixture data root: its exit
// codes, the boxes it prints and the file it writes.
#include "ProgramProcess.h"
#include "XmlReadBack.h"

#include "platform/IniFile.h"
#include "support/DataRootFixture.h"
#include "support/TestEnv.h"

#include "core/FbValues.h"
#include "platform/firebird/FbQuery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct DriverRun {
    int exitCode = -1;
    std::vector<LoggedBox> boxes;
};

DriverRun runDriver(const QStringList& arguments) {
    QProcess driver;
    driver.start(testenv::buildDir() + QStringLiteral("/bin/export_dataset"), arguments);
    const bool finished = driver.waitForFinished(-1);
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

// An output path that exists and is no regular file is refused with the export's failure box and stays
// what it was.
TEST_F(ExportDriver, AnOutputThatIsNoRegularFileIsRefusedAndKept) {
    ds.addAsset(asset(QStringLiteral("1"), 1, TDateTime::fromDate(2020, 4, 1)));
    const QString fifo = env.path() + QStringLiteral("/out/fifo.xml");
    const QString folder = env.path() + QStringLiteral("/out/folder.xml");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString& target : {fifo, folder}) {
        SCOPED_TRACE(target.toStdString());
        const DriverRun run = runDriver({root->root(), ds.folder, target});
        EXPECT_EQ(run.exitCode, 2);
        ASSERT_EQ(run.boxes.size(), 2u);
        EXPECT_EQ(run.boxes[0], box(1, "エラー", QStringLiteral("中間ファイルの作成に失敗しました。\r")));
        EXPECT_TRUE(run.boxes[1].text.contains(QStringLiteral("通常のファイルではありません")))
            << run.boxes[1].text.toStdString();
    }
    EXPECT_TRUE(QFileInfo(fifo).exists());
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(QDir(env.path() + QStringLiteral("/out")).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

// Data the file cannot hold stops the export with a box that names the asset, and nothing is written:
// amounts that would leave the range of amounts, month counts outside the year, text with control
// characters.
TEST_F(ExportDriver, AssetsThatCannotBeWrittenFailWithTheirName) {
    struct Case {
        const char* label;
        std::function<std::vector<testenv::AssetSpec>()> assets;
        QString message; // the first box after "例外エラー\r"
        QString ending = {};
    };
    const Money big(qint64(999999999999));
    const Case cases[] = {
        {"1001 lump-sum assets whose total leaves the range",
         [&] {
             std::vector<testenv::AssetSpec> list;
             for (int i = 1; i <= 1001; ++i) {
                 testenv::AssetSpec a = asset(QString::number(i), 4, TDateTime::fromDate(2024, 4, 1));
                 a.cost = a.base = big;
                 a.ordinary = a.total = Money(1);
                 list.push_back(a);
             }
             return list;
         },
         QStringLiteral("金額が扱える範囲を超えています。\r資産名:資産")},
        {"a cost at the limit of amounts",
         [&] {
             testenv::AssetSpec a = asset(QStringLiteral("7"), 1, TDateTime::fromDate(2020, 4, 1));
             a.cost = Money::fromString(QStringLiteral("922337203685477.5807"));
             return std::vector<testenv::AssetSpec>{a};
         },
         QStringLiteral("金額が扱える範囲を超えています。\r資産名:資産7\r")},
        {"months outside the year",
         [&] {
             testenv::AssetSpec a = asset(QStringLiteral("8"), 6, TDateTime::fromDate(2020, 4, 1));
             a.monthFrom = 0;
             a.monthTo = 13;
             return std::vector<testenv::AssetSpec>{a};
         },
         QStringLiteral("償却期間の月が正しくありません。(0～13)\r資産名:資産8\r")},
        {"a name with a control character",
         [&] {
             testenv::AssetSpec a = asset(QStringLiteral("9"), 1, TDateTime::fromDate(2020, 4, 1));
             a.name = QStringLiteral("機械\x01装置");
             return std::vector<testenv::AssetSpec>{a};
         },
         QStringLiteral("XMLに書けない制御文字が含まれています: 機械\x01装置"),
         QStringLiteral("\r項目:TEIGAKU_MEISAI_19_0300\r")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ds.execute(QStringLiteral("DELETE FROM KS_SISAN"));
        ds.addAssets(c.assets());
        ASSERT_TRUE(testenv::writeFile(out, "old"));
        const DriverRun run = runDriver(args());
        EXPECT_EQ(run.exitCode, 2);
        ASSERT_EQ(run.boxes.size(), 3u);
        EXPECT_TRUE(run.boxes[0].text.startsWith(QStringLiteral("例外エラー\r") + c.message))
            << run.boxes[0].text.toStdString();
        EXPECT_TRUE(run.boxes[0].text.endsWith(c.ending)) << run.boxes[0].text.toStdString();
        EXPECT_EQ(run.boxes[2], box(1, "エラー", QStringLiteral("中間ファイルの作成に失敗しました。\r")));
        EXPECT_EQ(testenv::readFile(out), "old");
    }
}

TEST_F(ExportDriver, ADatasetWithoutItsFiscalPeriodIsRefused) {
    ds.addAsset(asset(QStringLiteral("1"), 1, TDateTime::fromDate(2020, 4, 1)));
    for (const char* column : {"KISHU", "KIMATU"}) {
        SCOPED_TRACE(column);
        ds.execute(QStringLiteral("UPDATE ACCDEF1 SET KISHU=:K, KIMATU=:M"), [](fb::Query& q) {
            fb::setDateTime(q, "K", TDateTime::fromDate(2024, 4, 1));
            fb::setDateTime(q, "M", TDateTime::fromDate(2025, 3, 31));
        });
        ds.execute(QStringLiteral("UPDATE ACCDEF1 SET %1=NULL").arg(QLatin1String(column)));
        const DriverRun run = runDriver(args());
        EXPECT_EQ(run.exitCode, 2);
        ASSERT_FALSE(run.boxes.empty());
        EXPECT_TRUE(run.boxes[0].text.startsWith(
            QStringLiteral("データの会計期間（期首日・期末日）が設定されていません。\r")))
            << run.boxes[0].text.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}

// The close path reports what it cannot do and the run still ends as it would: a dataset whose in-use mark
// cannot be written, and one whose version table is gone.
TEST_F(ExportDriver, CloseFailuresAreReportedAndTheRunEndsNormally) {
    const QString failed = QStringLiteral("ユーザーデータベースの切断処理に失敗しました。");
    {
        SCOPED_TRACE("the data-information ini cannot be written");
        const QString ini = ds.folder + QStringLiteral("/placc.ini");
        QFile::remove(ini);
        ASSERT_TRUE(QDir().mkpath(ini));
        const DriverRun run = runDriver(args());
        EXPECT_EQ(run.exitCode, 2);
        ASSERT_FALSE(run.boxes.empty());
        EXPECT_TRUE(run.boxes.back().text.startsWith(failed)) << run.boxes.back().text.toStdString();
        QDir(ini).removeRecursively();
    }
    {
        SCOPED_TRACE("the version table is missing");
        ds.execute(QStringLiteral("DROP TABLE ACCVERSION"));
        const DriverRun run = runDriver(args());
        EXPECT_EQ(run.exitCode, 2);
        bool reported = false;
        for (const LoggedBox& b : run.boxes)
            reported = reported || b.text.startsWith(failed);
        EXPECT_TRUE(reported);
    }
}

// Creates a demo data root when there is none, so that a first run has something real to open: the
// system database with the first operator (code 10, no password), and one sample company with a fiscal
// year and fixed assets of every depreciation method.
//
//   make_demo_data [--if-missing] [root folder]
// Without a folder the data root of the current environment is used (see README: QV_COMMON_APPDATA).
#include "support/DataRootFixture.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

void addSampleAssets(const testenv::Dataset& ds) {
    ds.addAccount({"1401", "140", QStringLiteral("建物")});
    ds.addAccount({"1404", "143", QStringLiteral("車両運搬具")});
    ds.addAccount({"1405", "144", QStringLiteral("工具器具備品")});
    ds.addAccount({"1410", "149", QStringLiteral("リース資産")});
    ds.addAccount({"1701", "170", QStringLiteral("創立費")});

    auto money = [](const char* text) { return Money::fromString(QLatin1String(text)); };
    testenv::AssetSpec a;

    a = {};
    a.kanri = "A-001";
    a.kcode = "1401";
    a.name = QStringLiteral("本社建物");
    a.method = 1; // straight-line
    a.acquired = TDateTime::fromDate(2015, 4, 1);
    a.lifeYears = 38;
    a.cost = a.base = money("50000000");
    a.rate = money("0.027");
    a.bookValueStart = money("37850000");
    a.ordinary = a.total = money("1350000");
    a.bookValueEnd = money("36500000");
    ds.addAsset(a);

    a = {};
    a.kanri = "A-002";
    a.kcode = "1404";
    a.name = QStringLiteral("営業車");
    a.method = 2; // declining balance, 200 %
    a.acquired = TDateTime::fromDate(2023, 10, 1);
    a.lifeYears = 6;
    a.cost = a.base = money("3000000");
    a.rate = money("0.333");
    a.teiritu200 = 1;
    a.bookValueStart = money("2500500");
    a.ordinary = a.total = money("832667");
    a.bookValueEnd = money("1667833");
    ds.addAsset(a);

    a = {};
    a.kanri = "A-003";
    a.kcode = "1701";
    a.name = QStringLiteral("創立費");
    a.method = 3; // equal amortisation
    a.acquired = TDateTime::fromDate(2022, 4, 1);
    a.lifeYears = 5;
    a.cost = a.base = money("600000");
    a.bookValueStart = money("480000");
    a.ordinary = a.total = money("120000");
    a.bookValueEnd = money("360000");
    ds.addAsset(a);

    a = {};
    a.kanri = "A-004";
    a.kcode = "1405";
    a.name = QStringLiteral("パソコン一式");
    a.method = 4; // lump-sum over three years
    a.acquired = TDateTime::fromDate(2024, 6, 15);
    a.lifeYears = 3;
    a.cost = a.base = money("180000");
    a.monthFrom = 3;
    a.bookValueStart = a.cost;
    a.ordinary = a.total = money("60000");
    a.bookValueEnd = money("120000");
    ds.addAsset(a);

    a = {};
    a.kanri = "A-005";
    a.kcode = "1405";
    a.name = QStringLiteral("複合機");
    a.method = 5; // small amount, acquired within the year
    a.acquired = TDateTime::fromDate(2024, 9, 1);
    a.lifeYears = 5;
    a.cost = a.base = money("250000");
    a.monthFrom = 6;
    a.bookValueStart = a.cost;
    a.ordinary = a.total = money("250000");
    a.bookValueEnd = money("0");
    ds.addAsset(a);

    a = {};
    a.kanri = "A-006";
    a.kcode = "1410";
    a.name = QStringLiteral("リース車両");
    a.method = 6; // lease period
    a.acquired = TDateTime::fromDate(2024, 4, 1);
    a.lifeYears = 5;
    a.cost = a.base = money("4200000");
    a.bookValueStart = a.cost;
    a.ordinary = a.total = money("840000");
    a.bookValueEnd = money("3360000");
    a.residualGuaranteed = money("0");
    ds.addAsset(a);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bool ifMissing = false;
    QString root;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--if-missing"))
            ifMissing = true;
        else
            root = arg;
    }
    if (root.isEmpty())
        root = testenv::DataRoot::defaultRoot();
    if (QFileInfo::exists(root + QStringLiteral("/data/placcdef.fdb")) ||
        QFileInfo::exists(root + QStringLiteral("/plzaimu.ini"))) {
        if (ifMissing)
            return 0;
        std::fprintf(stderr, "%s already holds a data root\n", qPrintable(root));
        return 1;
    }
    try {
        testenv::DataRoot dataRoot(root);
        testenv::CompanySpec company;
        company.name = QStringLiteral("株式会社ペラン商事");
        company.title = QStringLiteral("ペラン商事（デモ）");
        company.kana = QStringLiteral("ﾍﾟﾗﾝｼｮｳｼﾞ");
        company.code = QStringLiteral("1001");
        company.nendo = 10;
        company.kishu = QDate(2024, 4, 1);
        const testenv::Dataset ds = dataRoot.addDataset(company);
        addSampleAssets(ds);
        std::printf("Demo data root created in %s (operator code 10, no password)\n", qPrintable(root));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_demo_data: %s\n", e.what());
        return 1;
    }
    return 0;
}

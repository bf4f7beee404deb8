// Creates a demo data root when there is none, so that a first run has something real to open: the
// system database with the first operator (code 10, no password), one sample company with a fiscal year
// and fixed assets of every depreciation method, and the accounting product in the registry.
//
//   make_demo_data [--if-missing] [root folder]
// Without a folder the data root of the current environment is used (see README: QV_COMMON_APPDATA).
#include "platform/Registry.h"
#include "support/DataRootFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

// The fixed assets of the sample company in the fiscal year 2024/04/01 - 2025/03/31, with the figures the
// accounting application would have stored: cost, base of the year (the cost for straight-line, the book
// value at the start of the year for declining-balance), rate, the year's depreciation and the book
// values at both ends, each following from the acquisition date and the useful life.
struct SampleAsset {
    const char* kanri;
    const char* kcode;
    const char* name;
    int method; // 1 straight-line, 2 declining-balance, 3 equal amortisation, 4 lump-sum, 5 small-amount,
                // 6 lease period
    QDate acquired;
    int lifeYears;
    const char* cost;
    const char* base;
    const char* rate;
    int monthFrom; // first month of the year depreciated (1 = April)
    const char* bookValueStart;
    const char* depreciation;
    const char* bookValueEnd;
    int teiritu200;           // 1: the 200 % declining-balance table
    const char* adjustedCost; // the cost the guarantee amount is taken from (200 % declining-balance)
};

const SampleAsset kSamples[] = {
    // 50,000,000 x 0.027 a year since April 2015: nine years before this one.
    {"A-001", "1401", "本社建物", 1, QDate(2015, 4, 1), 38, "50000000", "50000000", "0.027", 1, "37850000",
     "1350000", "36500000", 0, "0"},
    {"A-002", "1402", "空調設備", 1, QDate(2020, 4, 1), 15, "8000000", "8000000", "0.067", 1, "5856000",
     "536000", "5320000", 0, "0"},
    {"A-003", "1406", "販売管理システム", 1, QDate(2022, 4, 1), 5, "1200000", "1200000", "0.200", 1, "720000",
     "240000", "480000", 0, "0"},
    // 200 %: six months of 0.333 in its first year, then 0.333 of the book value; guarantee 0.09911 of
    // the cost (297,330) stays below the computed amount.
    {"A-004", "1404", "営業車", 2, QDate(2023, 10, 1), 6, "3000000", "2500500", "0.333", 1, "2500500",
     "832666", "1667834", 1, "3000000"},
    // 200 %, ten years: 0.200 of the book value, four years in.
    {"A-005", "1403", "工作機械", 2, QDate(2021, 4, 1), 10, "5000000", "2560000", "0.200", 1, "2560000",
     "512000", "2048000", 1, "5000000"},
    {"A-006", "1701", "創立費", 3, QDate(2022, 4, 1), 5, "600000", "600000", "0", 1, "360000", "120000",
     "240000", 0, "0"},
    // A third of the cost each year, whatever the month of acquisition.
    {"A-007", "1405", "パソコン一式", 4, QDate(2024, 6, 15), 3, "180000", "180000", "0", 3, "180000", "60000",
     "120000", 0, "0"},
    {"A-008", "1405", "複合機", 5, QDate(2024, 9, 1), 5, "250000", "250000", "0", 6, "250000", "250000", "0",
     0, "0"},
    {"A-009", "1410", "リース車両", 6, QDate(2024, 4, 1), 5, "4200000", "4200000", "0", 1, "4200000",
     "840000", "3360000", 0, "0"},
};

void addSampleAssets(const testenv::Dataset& ds) {
    ds.addAccount({"1401", "140", QStringLiteral("建物")});
    ds.addAccount({"1402", "141", QStringLiteral("建物附属設備")});
    ds.addAccount({"1403", "142", QStringLiteral("機械装置")});
    ds.addAccount({"1404", "143", QStringLiteral("車両運搬具")});
    ds.addAccount({"1405", "144", QStringLiteral("工具器具備品")});
    ds.addAccount({"1406", "145", QStringLiteral("ソフトウェア")});
    ds.addAccount({"1410", "149", QStringLiteral("リース資産")});
    ds.addAccount({"1701", "170", QStringLiteral("創立費")});
    auto money = [](const char* text) { return Money::fromString(QString::fromUtf8(text)); };
    for (const SampleAsset& s : kSamples) {
        testenv::AssetSpec a;
        a.kanri = QString::fromUtf8(s.kanri);
        a.kcode = QString::fromUtf8(s.kcode);
        a.name = QString::fromUtf8(s.name);
        a.method = s.method;
        a.acquired = TDateTime::fromDate(s.acquired);
        a.lifeYears = s.lifeYears;
        a.cost = money(s.cost);
        a.base = money(s.base);
        a.rate = money(s.rate);
        a.monthFrom = s.monthFrom;
        a.bookValueStart = money(s.bookValueStart);
        a.ordinary = a.total = money(s.depreciation);
        a.bookValueEnd = money(s.bookValueEnd);
        a.teiritu200 = s.teiritu200;
        a.costAdjustment = money(s.adjustedCost);
        ds.addAsset(a);
    }
}

// The program refuses to start without an accounting product of version 13 or later in the registry:
// the demo registers one when none is there. The registry lies in the application-data folder above
// the data root.
void registerDemoProduct(const QString& root) {
    const QString home = QStringLiteral("/quarno/pellanzaimu");
    if (root.endsWith(home) && qEnvironmentVariableIsEmpty("QV_REGISTRY_FILE"))
        qputenv("QV_COMMON_APPDATA", root.chopped(home.size()).toLocal8Bit());
    const QString key = QStringLiteral("\\SOFTWARE\\QUARNO\\PELLANZAIMU13");
    if (registry::readString(registry::Root::LocalMachine, key, QStringLiteral("Version")).isEmpty())
        testenv::registerAccountingProduct();
}

} // namespace

int main(int argc, char** argv) {
    // The demo dataset comes from the newest schema script: the first start needs no upgrade chain.
    qputenv("QV_ACCOUNTING_TEMPLATE", "script");
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
    root = QDir::cleanPath(QDir(root).absolutePath());
    try {
        registerDemoProduct(root);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_demo_data: %s\n", e.what());
        return 1;
    }
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

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

// One asset of each depreciation method (GSHOUHOU 1 to 6) with the figures of the fiscal year
// 2024/04/01 - 2025/03/31 as the accounting application would have stored them.
struct SampleAsset {
    const char* kanri;
    const char* kcode;
    const char* name;
    int method;
    QDate acquired;
    int lifeYears;
    const char* cost;
    const char* rate;
    int monthFrom;
    const char* bookValueStart;
    const char* depreciation;
    const char* bookValueEnd;
    int teiritu200;
};

const SampleAsset kSamples[] = {
    {"A-001", "1401", "本社建物", 1, QDate(2015, 4, 1), 38, "50000000", "0.027", 1, "37850000", "1350000",
     "36500000", 0},
    {"A-002", "1404", "営業車", 2, QDate(2023, 10, 1), 6, "3000000", "0.333", 1, "2500500", "832667",
     "1667833", 1},
    {"A-003", "1701", "創立費", 3, QDate(2022, 4, 1), 5, "600000", "0", 1, "480000", "120000", "360000", 0},
    {"A-004", "1405", "パソコン一式", 4, QDate(2024, 6, 15), 3, "180000", "0", 3, "180000", "60000", "120000",
     0},
    {"A-005", "1405", "複合機", 5, QDate(2024, 9, 1), 5, "250000", "0", 6, "250000", "250000", "0", 0},
    {"A-006", "1410", "リース車両", 6, QDate(2024, 4, 1), 5, "4200000", "0", 1, "4200000", "840000",
     "3360000", 0},
};

void addSampleAssets(const testenv::Dataset& ds) {
    ds.addAccount({"1401", "140", QStringLiteral("建物")});
    ds.addAccount({"1404", "143", QStringLiteral("車両運搬具")});
    ds.addAccount({"1405", "144", QStringLiteral("工具器具備品")});
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
        a.cost = a.base = money(s.cost);
        a.rate = money(s.rate);
        a.monthFrom = s.monthFrom;
        a.bookValueStart = money(s.bookValueStart);
        a.ordinary = a.total = money(s.depreciation);
        a.bookValueEnd = money(s.bookValueEnd);
        a.teiritu200 = s.teiritu200;
        ds.addAsset(a);
    }
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

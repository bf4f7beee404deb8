// The refresh of the shared-server list (every area's folder read again and the stored list rebuilt, then
// shown) against its floor: a plain load of the same stored list into the grid, in the same run. The
// share has N areas, half of them holding a dataset with its information file, half free. Each size runs
// three rounds of each side, alternating; min and median are printed with the ratio, and for more than
// one size the growth of the refresh time from the smallest size to each larger one.
//
//   ServerListBench [areas ...]   (default 1000 2000)
#include "BenchMeasure.h"
#include "core/uAccRecord.h"
#include "platform/IniFile.h"
#include "platform/firebird/FbQuery.h"
#include "support/DmFixture.h"
#include "support/TestEnv.h"
#include "tusin/z5ServerSentaku.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 3;

void makeShare(const QString& root, int areas) {
    QDir().mkpath(root);
    for (int i = 1; i <= areas; ++i) {
        const QString folder = root + QStringLiteral("/sv%1").arg(i, 4, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        if (i % 2 == 0)
            continue;
        testenv::writeFile(folder + QStringLiteral("/placc.fdb"), "DATA");
        IniFile ini(folder + QStringLiteral("/placc.ini"), false);
        ini.writeInteger(QStringLiteral("DATASTS"), QStringLiteral("STATUS"), 1);
        ini.writeInteger(QStringLiteral("DATASTS"), QStringLiteral("SHARE_STATUS"), 1);
        ini.writeString(QStringLiteral("DATAINFO"), QStringLiteral("DATALISTNAME"),
                        QStringLiteral("会社%1").arg(i));
        ini.writeString(QStringLiteral("DATAINFO"), QStringLiteral("CODE"), QString::number(i));
        ini.writeInteger(QStringLiteral("DATAINFO"), QStringLiteral("NENDO"), 5);
        ini.writeString(QStringLiteral("DATAINFO"), QStringLiteral("KISHU"), QStringLiteral("2024/04/01"));
        ini.writeString(QStringLiteral("DATAINFO"), QStringLiteral("KIMATU"), QStringLiteral("2025/03/31"));
        ini.writeString(QStringLiteral("DATAINFO"), QStringLiteral("VERSION1"), QStringLiteral("13.0.0"));
        ini.save();
    }
}

// The minimum refresh time of the size.
double run(int areas) {
    testenv::DmEnvironment e;
    e.connectSystem();
    SystemDef.AppIniFile = e.root->appIni();
    const QString nas = e.env.path() + QStringLiteral("/nas");
    makeShare(nas + QStringLiteral("/pellanzaimu"), areas);
    {
        IniFile ini(SystemDef.AppIniFile, false);
        ini.writeString(QStringLiteral("SHAREFOLDER"), QStringLiteral("S"), nas);
        ini.save();
    }

    SystemDef.Reserve4Flag2 = 0;
    TServerSentakuBox box;
    box.DriveLetter = QStringLiteral("S");
    // The first opening refreshes (the stored list is empty).
    QElapsedTimer t;
    quint64 before = fb::Query::executedCount();
    t.start();
    box.Setup(1);
    std::printf("%5d areas: first opening %lld ms, %llu statements, %lld rows\n", areas, t.elapsed(),
                static_cast<unsigned long long>(fb::Query::executedCount() - before),
                static_cast<long long>(box.List.size()));

    std::vector<double> refreshMs, loadMs;
    quint64 refreshStatements = 0, loadStatements = 0;
    for (int round = 0; round < kRounds; ++round) {
        before = fb::Query::executedCount();
        t.start();
        box.RefreshFromShare();
        refreshMs.push_back(t.nsecsElapsed() / 1e6);
        refreshStatements = fb::Query::executedCount() - before;

        before = fb::Query::executedCount();
        t.start();
        box.LoadList(false);
        box.FillGrid();
        loadMs.push_back(t.nsecsElapsed() / 1e6);
        loadStatements = fb::Query::executedCount() - before;
    }
    const bench::Stats refresh = bench::stats(refreshMs), load = bench::stats(loadMs);
    std::printf("%5d areas: refresh min %.0f median %.0f ms (%llu statements); load min %.0f median %.0f ms "
                "(%llu statements); ratio min %.2f median %.2f\n",
                areas, refresh.min, refresh.median, static_cast<unsigned long long>(refreshStatements),
                load.min, load.median, static_cast<unsigned long long>(loadStatements),
                refresh.min / load.min, refresh.median / load.median);
    std::fflush(stdout);
    return refresh.min;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::max(1, std::atoi(argv[i])));
    if (sizes.empty())
        sizes = {1000, 2000};
    std::vector<double> best;
    for (const int n : sizes)
        best.push_back(run(n));
    for (size_t i = 1; i < sizes.size(); ++i)
        std::printf("growth: refresh(%d) / refresh(%d) = %.2f\n", sizes[i], sizes[0], best[i] / best[0]);
    return 0;
}

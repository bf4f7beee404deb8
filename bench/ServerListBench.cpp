// Refreshes the shared-server list of a share with many areas (half of them holding a dataset with its
// information file, half free) and prints the time and the number of statements run against the system
// database, for the refresh and for a plain load of the same list.
//
//   ServerListBench [areas (default 2000)]
#include "core/uAccRecord.h"
#include "platform/IniFile.h"
#include "platform/firebird/FbQuery.h"
#include "support/DmFixture.h"
#include "support/TestEnv.h"
#include "tusin/z5ServerSentaku.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int areas = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;

    testenv::DmEnvironment e;
    e.connectSystem();
    SystemDef.AppIniFile = e.root->appIni();
    const QString nas = e.env.path() + QStringLiteral("/nas");
    const QString root = nas + QStringLiteral("/pellanzaimu");
    QDir().mkpath(root);
    {
        IniFile ini(SystemDef.AppIniFile, false);
        ini.writeString(QStringLiteral("SHAREFOLDER"), QStringLiteral("S"), nas);
        ini.save();
    }
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

    SystemDef.Reserve4Flag2 = 0;
    TServerSentakuBox box;
    box.DriveLetter = QStringLiteral("S");
    // The first opening refreshes (the stored list is empty).
    QElapsedTimer t;
    quint64 before = fb::Query::executedCount();
    t.start();
    box.Setup(1);
    std::printf("first opening (refresh of %d areas): %lld ms, %llu statements, %lld rows\n", areas,
                t.elapsed(), static_cast<unsigned long long>(fb::Query::executedCount() - before),
                static_cast<long long>(box.List.size()));

    before = fb::Query::executedCount();
    t.restart();
    box.RefreshFromShare();
    std::printf("refresh of a stored list:          %lld ms, %llu statements\n", t.elapsed(),
                static_cast<unsigned long long>(fb::Query::executedCount() - before));

    before = fb::Query::executedCount();
    t.restart();
    box.LoadList(false);
    box.FillGrid();
    std::printf("load without refresh:              %lld ms, %llu statements\n", t.elapsed(),
                static_cast<unsigned long long>(fb::Query::executedCount() - before));
    return 0;
}

// Packs, checks, encrypts, decrypts and extracts one data package file and compares each stage with its
// floor, a plain copy of the same bytes through a 1 MiB buffer, synced before it ends as every stage's output
// is (for the check, which writes nothing, a plain read).
// Each stage and its floor run in turns for the given number of rounds; the minimum and the median of
// each are printed with their ratios, and the peak resident memory of each stage, which should stay flat
// whatever the size.
//
//   PackageBench [size in MB (default 1024)] [work folder (default: a temporary folder under the build)]
//                [rounds (default 3)]
#include "BenchMeasure.h"
#include "tusin/rijn.h"
#include "tusin/unlha32.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

bool writeSource(const QString& path, qint64 bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    std::vector<quint32> block((1 << 20) / 4);
    QRandomGenerator gen(1);
    for (qint64 done = 0; done < bytes; done += 1 << 20) {
        gen.fillRange(block.data(), block.size());
        const qint64 n = std::min<qint64>(1 << 20, bytes - done);
        if (f.write(reinterpret_cast<const char*>(block.data()), n) != n)
            return false;
    }
    return f.flush();
}

bool readFile(const QString& from) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n <= 0)
            return n == 0;
    }
}

template <class F> double timed(F&& f) {
    QElapsedTimer t;
    t.start();
    if (!f()) {
        std::fprintf(stderr, "stage failed\n");
        std::exit(2);
    }
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 mb = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    const QString base =
        argc > 2 && argv[2][0] ? QString::fromLocal8Bit(argv[2]) : QCoreApplication::applicationDirPath();
    const int rounds = argc > 3 ? std::max(1, QByteArray(argv[3]).toInt()) : 3;
    QTemporaryDir temp(base + QStringLiteral("/pkgbench-XXXXXX"));
    if (mb <= 0 || !temp.isValid()) {
        std::fprintf(stderr, "usage: PackageBench [size in MB] [work folder] [rounds]\n");
        return 2;
    }
    const QString dir = temp.path();
    const QString backup = dir + QStringLiteral("/placc.fbk");
    const QString archive = dir + QStringLiteral("/placc.lzh");
    const QString package = dir + QStringLiteral("/placc.wen");
    const QString received = dir + QStringLiteral("/ComR");
    const QString back = dir + QStringLiteral("/back.lzh");
    QDir().mkpath(received);
    if (!writeSource(backup, mb << 20)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(backup));
        return 2;
    }
    constexpr double MB = 1024.0 * 1024.0;
    std::printf("PackageBench: %lld MB in %s, %d rounds, resident before %.0f MB\n",
                static_cast<long long>(mb), qPrintable(dir), rounds,
                double(bench::residentBytes("VmRSS")) / MB);
    const QString key = QStringLiteral("bench key");
    struct Stage {
        Stage(const char* stageName, std::function<bool()> stageRun, const QString& input,
              const QString& output)
            : name(stageName), run(std::move(stageRun)), from(input), to(output) {}
        const char* name;
        std::function<bool()> run;
        QString from;
        QString to; // empty: the stage only reads
        bool readsOnly() const { return to.isEmpty(); }
        std::vector<double> times, floors;
        qint64 peak = 0;
    };
    Stage stages[] = {
        {"pack", [&] { return lha::pack(archive, backup) == unlhaOk; }, backup, archive},
        // The check that follows the packing on the send road; it only reads, so its floor is a read.
        {"check", [&] { return UnlhaCheckArchive(archive, 2) != 0; }, archive, QString()},
        {"encrypt", [&] { return EncryptFile(archive, package, key) == rijnOk; }, archive, package},
        {"decrypt", [&] { return DecryptFile(package, back, key) == rijnOk; }, package, back},
        {"extract", [&] { return lha::extract(back, received, QStringLiteral("placc.fbk")) == unlhaOk; },
         back, received + QStringLiteral("/placc.fbk")},
    };
    const QString copy = dir + QStringLiteral("/floor.tmp");
    for (int round = 0; round < rounds; ++round) {
        for (Stage& s : stages) {
            // Both sides write a new file: the floor's copy is removed after it, and the stage's output of
            // the round before is removed here, outside the timing. Replacing a file of 1 GB frees its
            // blocks, which takes a few tenths of a second on ext4 and would land on one side only.
            if (!s.readsOnly())
                QFile::remove(s.to);
            bench::resetPeakResident();
            s.times.push_back(timed(s.run));
            s.peak = std::max(s.peak, bench::residentBytes("VmHWM"));
            s.floors.push_back(
                timed([&] { return s.readsOnly() ? readFile(s.from) : bench::copyFile(s.from, copy); }));
            QFile::remove(copy);
        }
    }
    std::printf("%-8s %17s %17s %13s   %s\n", "stage", "time min/median", "floor min/median", "ratio",
                "peak resident");
    for (const Stage& s : stages) {
        const bench::Stats t = bench::stats(s.times), f = bench::stats(s.floors);
        std::printf("%-8s %7.2f %7.2f s %7.2f %7.2f s %5.2f %5.2f   %.0f MB\n", s.name, t.min, t.median,
                    f.min, f.median, t.min / f.min, t.median / f.median, double(s.peak) / MB);
    }
    return 0;
}

// Packs, encrypts, decrypts and extracts one data package file and compares each stage with its floor,
// a plain copy of the same bytes through a 1 MiB buffer. Peak memory (resident high-water mark) is
// printed after every stage: it should stay flat whatever the size.
//
//   PackageBench [size in MB (default 1024)] [work folder (default: a temporary folder under the build)]
#include "tusin/rijn.h"
#include "tusin/unlha32.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

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

bool copyFile(const QString& from, const QString& to) {
    QFile in(from), out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (out.write(buffer.data(), n) != n)
            return false;
    }
    return out.flush();
}

template <class F> double timed(F&& f) {
    QElapsedTimer t;
    t.start();
    if (!f()) {
        std::fprintf(stderr, "stage failed\n");
        std::exit(2);
    }
    return t.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 mb = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    QTemporaryDir temp(argc > 2
                           ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/pkgbench-XXXXXX")
                           : QCoreApplication::applicationDirPath() + QStringLiteral("/pkgbench-XXXXXX"));
    if (mb <= 0 || !temp.isValid()) {
        std::fprintf(stderr, "usage: PackageBench [size in MB] [work folder]\n");
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
    std::printf("PackageBench: %lld MB in %s, peak before %ld KB\n", static_cast<long long>(mb),
                qPrintable(dir), peakKb());
    const QString key = QStringLiteral("bench key");
    struct Stage {
        const char* name;
        std::function<bool()> run;
        QString from, to;
    };
    const Stage stages[] = {
        {"pack", [&] { return lha::pack(archive, backup) == unlhaOk; }, backup, archive},
        {"encrypt", [&] { return EncryptFile(archive, package, key) == rijnOk; }, archive, package},
        {"decrypt", [&] { return DecryptFile(package, back, key) == rijnOk; }, package, back},
        {"extract", [&] { return lha::extract(back, received, QStringLiteral("placc.fbk")) == unlhaOk; },
         back, received + QStringLiteral("/placc.fbk")},
    };
    double total = 0, floorTotal = 0;
    for (const Stage& s : stages) {
        const double t = timed(s.run);
        const QString copy = dir + QStringLiteral("/floor.tmp");
        const double floor = timed([&] { return copyFile(s.from, copy); });
        QFile::remove(copy);
        total += t;
        floorTotal += floor;
        std::printf("%-8s %7.2f s   floor (copy) %7.2f s   ratio %5.2f   peak %ld KB\n", s.name, t, floor,
                    floor > 0 ? t / floor : 0.0, peakKb());
    }
    std::printf("%-8s %7.2f s   floor (copy) %7.2f s   ratio %5.2f\n", "total", total, floorTotal,
                floorTotal > 0 ? total / floorTotal : 0.0);
    return 0;
}

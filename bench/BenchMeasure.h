#pragma once
// What the benchmarks share: the resident memory of the process, the minimum and median of rounds, and the
// floor of a stage that turns one file into another: a plain copy of the same bytes.

#include <QByteArray>
#include <QFile>

#include <unistd.h>

#include <algorithm>
#include <vector>

namespace bench {

// Resident memory of the process from /proc/self/status ("VmRSS", "VmHWM" for the peak), in bytes.
inline qint64 residentBytes(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

// Starts the peak of resident memory afresh at the present size.
inline void resetPeakResident() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

struct Stats {
    double min = 0;
    double median = 0;
};

inline Stats stats(std::vector<double> values) {
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return {values.front(), n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2};
}

// A copy through a 1 MiB buffer, synced to the disk before it ends as the program's outputs are.
inline bool copyFile(const QString& from, const QString& to) {
    QFile in(from), out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const qint64 n = in.read(buffer.data(), qint64(buffer.size()));
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (out.write(buffer.data(), n) != n)
            return false;
    }
    return out.flush() && ::fdatasync(out.handle()) == 0;
}

} // namespace bench

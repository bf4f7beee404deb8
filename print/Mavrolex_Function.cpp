#include "print/Mavrolex_Function.h"

#include "platform/Cp932.h"
#include "platform/SpecialFolders.h"
#include "platform/UserInteraction.h"
#include "print/Mavrolex_SpoolFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

std::function<QDateTime()> MavrolexClock;

QDateTime MavrolexNow() {
    return MavrolexClock ? MavrolexClock() : QDateTime::currentDateTime();
}

QString MavrolexErrorLogPath() {
    return SpecialFolderPath(CSIDL_PERSONAL) + QStringLiteral("/Mavrolex_Error.log");
}

bool WriteMavrolexErrorLog(const QString& message) noexcept {
    try {
        const QString path = MavrolexErrorLogPath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        // A diagnostic: a character CP932 cannot hold must not cost the whole entry.
        QString line =
            MavrolexNow().toString(QStringLiteral("yy/MM/dd HH:mm:ss")) + QStringLiteral("  ") + message;
        line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QByteArray bytes = cp932::encodeLossy(line) + "\r\n";
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Append) && f.write(bytes) == bytes.size() && f.flush())
            return true;
        qWarning("Mavrolex: cannot append to %s", qPrintable(path));
    } catch (...) {
        qWarning("Mavrolex: the error log failed");
    }
    return false;
}

bool WriteMavrolexErrorLog(const QString& context, const QString& error) noexcept {
    return WriteMavrolexErrorLog(context + QLatin1Char(':') + error);
}

QString SpecialFolderPath(int csidl) {
    switch (csidl) {
    case CSIDL_PERSONAL:
        return specialfolders::documents();
    case CSIDL_COMMON_APPDATA:
        return specialfolders::commonAppData();
    default:
        ui::showError(QStringLiteral("特殊フォルダ %1 はありません。").arg(csidl));
        return QString();
    }
}

QString NotFoundMessage(const QString& path) {
    return QLatin1Char('<') + path + QStringLiteral("> が見つかりません。");
}

bool OpenTextFileChecked(SpoolTextFile& file, const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (info.isFile()) {
        file.assign(info.absoluteFilePath());
        return true;
    }
    ui::showError(NotFoundMessage(path));
    return false;
}

int SplitFields(const QString& text, QChar separator, QStringList& parts) {
    parts = text.split(separator);
    return int(parts.size()) - 1;
}

QString NthField(const QString& line, QChar separator, int n) {
    constexpr int kMaxParts = 100;
    QString text = line;
    const qsizetype comment = text.indexOf(QStringLiteral("//"));
    if (comment >= 0)
        text.truncate(comment);
    QStringList parts;
    SplitFields(text, separator, parts);
    if (n < 0 || n >= kMaxParts || n >= parts.size())
        return QString();
    return parts.at(n).trimmed();
}

double StrToFloatSafe(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

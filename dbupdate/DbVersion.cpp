#include "dbupdate/DbVersion.h"

#include "core/TMojiBunkatu.h"

QString TDbVersion::text() const {
    return QStringLiteral("%1.%2.%3").arg(MAJOR).arg(MINOR1).arg(MINOR2);
}

TDbVersion TDbVersion::fromText(const QString& text) {
    TMojiBunkatu split;
    split.Separator = u'.';
    split.Bunkatu(text);
    if (split.Count != 3)
        return {};
    const auto number = [&](int i) {
        bool ok = false;
        const qint32 v = split.GetMoji(i).trimmed().toInt(&ok);
        return ok ? v : 0;
    };
    return {number(0), number(1), number(2)};
}

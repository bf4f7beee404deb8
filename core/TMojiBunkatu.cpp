#include "core/TMojiBunkatu.h"

#include "platform/Cp932.h"

namespace {

constexpr QChar kQuote = u'"';

bool isBlank(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= 32;
}

// The quoted value starting at pos (on the opening quote); pos ends behind the closing quote, or at the
// end when the quote is never closed.
QString extractQuoted(const QString& text, qsizetype& pos, qsizetype end) {
    QString value;
    ++pos;
    while (pos < end) {
        const QChar c = text.at(pos);
        if (c == kQuote) {
            if (pos + 1 < end && text.at(pos + 1) == kQuote) {
                value += kQuote;
                pos += 2;
                continue;
            }
            ++pos;
            break;
        }
        value += c;
        ++pos;
    }
    return value;
}

} // namespace

void TMojiBunkatu::Bunkatu(const QString& text) {
    Parts.clear();
    const qsizetype nul = text.indexOf(QChar(0));
    const qsizetype end = nul < 0 ? text.size() : nul;
    qsizetype p = 0;
    const auto skipBlanks = [&] {
        while (p < end && isBlank(text.at(p)))
            ++p;
    };
    skipBlanks();
    while (p < end) {
        if (text.at(p) == kQuote) {
            Parts.append(extractQuoted(text, p, end));
        } else {
            const qsizetype start = p;
            while (p < end && text.at(p).unicode() > 32 && text.at(p) != Separator)
                ++p;
            Parts.append(text.mid(start, p - start));
        }
        skipBlanks();
        if (p < end && text.at(p) == Separator) {
            if (p + 1 == end)
                Parts.append(QString());
            ++p;
            skipBlanks();
        }
    }
    finish();
}

bool TMojiBunkatu::BunkatuByte(const QString& text, qint32 width) {
    Parts.clear();
    if (width < 2) {
        finish();
        return false;
    }
    qsizetype start = 0;
    int used = 0;
    for (const cp932::CharUnit& u : cp932::charUnits(text)) {
        if (used + u.width > width) {
            Parts.append(text.mid(start, u.pos - start));
            start = u.pos;
            used = 0;
        }
        used += u.width;
    }
    if (start < text.size())
        Parts.append(text.mid(start));
    finish();
    return true;
}

QString TMojiBunkatu::GetMoji(qint32 index) const {
    if (index < 0 || index >= Count || index >= Parts.size())
        return QString();
    return Parts.at(index);
}

void TMojiBunkatu::Clear() {
    Parts.clear();
    Count = 0;
}

void TMojiBunkatu::finish() {
    if (Parts.isEmpty())
        Parts.append(QString());
    Count = qint32(Parts.size());
}

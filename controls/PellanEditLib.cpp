#include "controls/PellanEditLib.h"
#include <QRegularExpression>
#include <QStringList>

namespace {

struct Decimal {
    bool negative = false;
    QString intDigits; // without leading zeros, empty for 0
    QString fracDigits;
    bool isZero() const {
        for (QChar c : intDigits + fracDigits)
            if (c != u'0')
                return false;
        return true;
    }
};

Decimal parseDecimal(const QString& text) {
    Decimal d;
    const QString t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        d.negative = t[i++] == u'-';
    QString whole, frac;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128)
            (point ? frac : whole) += c;
        else if (c == u'.' && !point)
            point = true;
        else
            return Decimal();
    }
    if (whole.isEmpty() && frac.isEmpty())
        return Decimal();
    while (!whole.isEmpty() && whole.front() == u'0')
        whole.remove(0, 1);
    d.intDigits = whole;
    d.fracDigits = frac;
    if (d.isZero())
        d.negative = false;
    return d;
}

// Adds one to a string of decimal digits.
QString incremented(QString digits) {
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != u'9') {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
        digits[i] = u'0';
    }
    return QStringLiteral("1") + digits;
}

struct Section {
    QString prefix, suffix;
    int minInt = 0;
    int minFrac = 0;
    int maxFrac = 0;
    bool grouping = false;
};

Section parseSection(const QString& s) {
    Section sec;
    bool placeholderSeen = false, point = false, zeroSeen = false;
    int intPlaces = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        QString literal;
        if (c == u'\'' || c == u'"') {
            const qsizetype end = s.indexOf(c, i + 1);
            literal = s.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? s.size() : end;
        } else if (c == u'0' || c == u'#') {
            placeholderSeen = true;
            if (point) {
                ++sec.maxFrac;
                if (c == u'0')
                    sec.minFrac = sec.maxFrac;
            } else {
                zeroSeen = zeroSeen || c == u'0';
                if (zeroSeen)
                    ++intPlaces;
            }
            continue;
        } else if (c == u',' && !point) {
            sec.grouping = true;
            continue;
        } else if (c == u'.' && !point) {
            point = true;
            continue;
        } else {
            literal = c;
        }
        (placeholderSeen ? sec.suffix : sec.prefix) += literal;
    }
    sec.minInt = intPlaces;
    return sec;
}

QString applySection(const Section& sec, const Decimal& d, bool* roundedZero = nullptr) {
    QString frac = d.fracDigits;
    QString digits = d.intDigits + frac.left(sec.maxFrac);
    if (frac.size() > sec.maxFrac) {
        if (frac[sec.maxFrac] >= u'5')
            digits = incremented(digits);
    }
    digits += QString(std::max<qsizetype>(0, sec.maxFrac - frac.size()), u'0');
    if (roundedZero)
        *roundedZero = !digits.contains(QRegularExpression(QStringLiteral("[1-9]")));
    QString whole = digits.left(digits.size() - sec.maxFrac);
    frac = digits.right(sec.maxFrac);
    while (!whole.isEmpty() && whole.front() == u'0')
        whole.remove(0, 1);
    if (whole.size() < sec.minInt)
        whole = QString(sec.minInt - whole.size(), u'0') + whole;
    while (frac.size() > sec.minFrac && frac.back() == u'0')
        frac.chop(1);
    if (sec.grouping)
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, u',');
    return sec.prefix + whole + (frac.isEmpty() ? QString() : QStringLiteral(".") + frac) + sec.suffix;
}

QStringList splitSections(const QString& format) {
    QStringList out{QString()};
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            out << QString();
            continue;
        }
        out.back() += c;
    }
    return out;
}

} // namespace

QChar ZeroKeyChar(TZeroKey key) {
    switch (key) {
    case zkDot:
        return u'.';
    case zkPlus:
        return u'+';
    case zkMinus:
        return u'-';
    case zkAsterisk:
        return u'*';
    case zkSlash:
        return u'/';
    default:
        return QChar();
    }
}

int CommaCount(const QString& text) {
    return int(text.count(u','));
}

QString FormatFloatText(const QString& format, const QString& text) {
    Decimal d = parseDecimal(text);
    const QStringList sections = splitSections(format);
    if (d.isZero() && sections.size() > 2 && !sections[2].isEmpty())
        return applySection(parseSection(sections[2]), d);
    if (d.negative && sections.size() > 1 && !sections[1].isEmpty()) {
        d.negative = false;
        return applySection(parseSection(sections[1]), d);
    }
    const bool negative = d.negative;
    d.negative = false;
    bool roundedZero = false;
    const QString body = applySection(parseSection(sections[0]), d, &roundedZero);
    // A negative value that rounds to zero shows no sign.
    return negative && !roundedZero ? QStringLiteral("-") + body : body;
}

#include "core/uAccFunction2.h"

#include "core/DateTimeFormat.h"
#include "core/uAccDateCmp.h"
#include "platform/Cp932.h"

#include <array>
#include <tuple>

namespace {

constexpr QChar kZenkakuBlank(0x3000);

bool isBlankOrControl(QChar c) {
    return c.unicode() <= 0x20;
}

template <typename Pred> QString trimWhere(const QString& text, Pred strip) {
    qsizetype from = 0, to = text.size();
    while (from < to && strip(text.at(from)))
        ++from;
    while (to > from && strip(text.at(to - 1)))
        --to;
    return text.mid(from, to - from);
}

// Trim as the class library does: blanks and control characters at both ends.
QString trimBlanks(const QString& text) {
    return trimWhere(text, isBlankOrControl);
}

// Where the longest head of text within n bytes ends, and how many bytes it holds.
std::pair<qsizetype, int> headWithin(const QString& text, int n) {
    int used = 0;
    qsizetype to = 0;
    bool ok = false;
    const QByteArray whole = cp932::encode(text, &ok);
    if (ok) {
        // Every character CP932 holds is one or two bytes and a single UTF-16 unit: the encoding walks in
        // step with the text.
        for (qsizetype b = 0; b < whole.size() && to < text.size(); ++to) {
            const int width = cp932::isLeadByte(static_cast<unsigned char>(whole.at(b))) ? 2 : 1;
            if (used + width > n)
                break;
            used += width;
            b += width;
        }
        return {to, used};
    }
    for (const cp932::CharUnit& u : cp932::charUnits(text)) {
        if (used + u.width > n)
            break;
        used += u.width;
        to = u.pos + u.len;
    }
    return {to, used};
}

// The last n bytes of text, filled on the left with `fill` to exactly n bytes; a double-byte character
// that the cut would halve is replaced by the fill too.
QString rightBytes(const QString& text, int n, QChar fill) {
    if (n <= 0)
        return QString();
    const QList<cp932::CharUnit> units = cp932::charUnits(text);
    int used = 0;
    qsizetype from = text.size();
    for (qsizetype i = units.size() - 1; i >= 0 && used + units[i].width <= n; --i) {
        used += units[i].width;
        from = units[i].pos;
    }
    return QString(n - used, fill) + text.mid(from);
}

// Lines as a string list takes them from its text: CR, LF or CR LF end a line, a final line break adds
// no empty line, NUL ends the text.
QStringList textLines(const QString& text) {
    QStringList lines;
    qsizetype p = 0;
    const qsizetype end = text.contains(QChar(0)) ? text.indexOf(QChar(0)) : text.size();
    while (p < end) {
        const qsizetype start = p;
        while (p < end && text.at(p) != u'\r' && text.at(p) != u'\n')
            ++p;
        lines.append(text.mid(start, p - start));
        if (p < end && text.at(p) == u'\r')
            ++p;
        if (p < end && text.at(p) == u'\n')
            ++p;
    }
    return lines;
}

std::tuple<quint32, quint32, quint32> versionKey(const QString& text) {
    const TVersionRec v = ParseVersion(text);
    return {quint32(v.Major), quint32(v.Minor), quint32(v.Release)};
}

bool warekiDisplay() {
    return SystemDef.WarekiDisp == 1;
}

// Era name or letter for the era text kinds; kind 3 means the letter for the slash words and the name for
// the 年月日 words.
QString eraText(const TWarekiRec& w, int kind, bool kind3IsLetter) {
    if (kind == 0)
        return QString();
    if (kind == 2 || (kind == 3 && kind3IsLetter))
        return w.Letter;
    return w.Name;
}

// A format word (or its variants) and the printf pattern it stands for: era text, year, month, day as
// far as the pattern has fields.
struct WordPattern {
    const char16_t* words[3];
    const char* pattern;
    bool twoDigitYear = false; // without era display: the year formatted "yy" and read back as a number
};

constexpr WordPattern kFmtEra[] = {
    {{u"yyyy/mm/dd", u"yy/mm/dd"}, "%s %.2d/%.2d/%.2d"},
    {{u"yyyy/mm", u"yy/mm"}, "%s %.2d/%.2d"},
    {{u"yyyy", u"yy"}, "%s %.2d"},
    {{u"yyyy/m/d", u"yy/m/d", u"y/m/d"}, "%s %2d/%2d/%2d"},
    {{u"yyyy/m", u"yy/m", u"y/m"}, "%s %2d/%2d"},
    {{u"y"}, "%s %2d"},
    {{u"yy2/mm/dd"}, "%s%.2d/%.2d/%.2d"},
};

constexpr WordPattern kFmtPlain[] = {
    {{u"yyyy/m/d"}, "%4d/%2d/%2d"},
    {{u"yy/m/d", u"y/m/d"}, "%2d/%2d/%2d", true},
    {{u"yyyy/m"}, "%4d/%2d"},
    {{u"yy/m", u"y/m/"}, "%2d/%2d", true},
};

constexpr WordPattern kJpnEra[] = {
    {{u"yyyy年mm月dd日", u"yy年mm月dd日"}, "%s %.2d年%.2d月%.2d日"},
    {{u"yyyy年mm月", u"yy年mm月"}, "%s %.2d年%.2d月"},
    {{u"yyyy年", u"yy年"}, "%s %.2d年"},
    {{u"yyyy年m月d日", u"yy年m月d日", u"y年m月d日"}, "%s %2d年%2d月%2d日"},
    {{u"yyyy年m月", u"yy年m月", u"y年m月"}, "%s %2d年%2d月"},
    {{u"y"}, "%s %2d年"},
    {{u"yyyy年 m月 d日", u"yy年 m月 d日", u"y年 m月 d日"}, "%s %2d年 %d月 %d日"},
    {{u"yyyy年 m月", u"yy年 m月", u"y年 m月"}, "%s %2d年 %d月"},
    {{u"yyyy年 mm月 dd日", u"yy年 mm月 dd日"}, "%s %.2d年 %.2d月 %.2d日"},
    {{u"yyyy年 mm月", u"yy年 mm月"}, "%s %.2d年 %.2d月"},
};

constexpr WordPattern kJpnPlain[] = {
    {{u"yyyy年m月d日"}, "%4d年%2d月%2d日"},
    {{u"yy年m月d日", u"y年m月d日"}, "%2d年%2d月%2d日", true},
    {{u"yyyy年m月"}, "%4d年%2d月"},
    {{u"yy年m月", u"y年m月"}, "%.2d年%2d月", true},
    {{u"yyyy年 m月 d日"}, "%4d年 %d月 %d日"},
    {{u"yyyy年 m月"}, "%4d年 %d月"},
    {{u"yy年 m月 d日", u"y年 m月 d日"}, "%.2d年 %d月 %d日", true},
    {{u"yy年 m月", u"y年 m月"}, "%.2d年 %d月", true},
};

template <std::size_t N> const WordPattern* findWord(const QString& word, const WordPattern (&table)[N]) {
    for (const WordPattern& row : table)
        for (const char16_t* w : row.words)
            if (w && word == QStringView(w))
                return &row;
    return nullptr;
}

QString eraPatternText(const char* pattern, const QString& era, const TWarekiRec& w) {
    return QString::asprintf(pattern, era.toUtf8().constData(), int(w.Year), int(w.Month), int(w.Day));
}

// The era form of a date by a pattern; kind 0 (no era text) is trimmed.
QString eraDateText(const WordPattern& row, int kind, bool kind3IsLetter, TDateTime date) {
    TWarekiRec w;
    DateToWareki(w, date);
    const QString result = eraPatternText(row.pattern, eraText(w, kind, kind3IsLetter), w);
    return kind == 0 ? trimBlanks(result) : result;
}

QString plainDateText(const WordPattern& row, TDateTime date) {
    const QDate d = date.toDate();
    return QString::asprintf(row.pattern, row.twoDigitYear ? d.year() % 100 : d.year(), d.month(), d.day());
}

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghijklmnopqrstuvwxyz";

int alphabetIndex(QChar c) {
    if (c.unicode() > 0x7F)
        return -1;
    const auto pos = kAlphabet.find(char(c.unicode()));
    return pos == std::string_view::npos ? -1 : int(pos);
}

// The running sum over the key bytes: each step adds the next key byte, starting again after the last.
class KeyStream {
public:
    explicit KeyStream(const QByteArray& key) : m_key(key) {}
    qint64 next() {
        if (m_key.isEmpty())
            return m_sum;
        if (m_index >= m_key.size())
            m_index = 0;
        m_sum += static_cast<unsigned char>(m_key.at(m_index++));
        return m_sum;
    }

private:
    QByteArray m_key;
    qsizetype m_index = 0;
    qint64 m_sum = 0;
};

} // namespace

// ---- numbers ---------------------------------------------------------------------------------------

Money RoundKingaku(int mode, Money amount) {
    return amount.roundUnits(mode);
}

QString IntToComma(qint64 value) {
    const QString digits = QString::number(value < 0 ? -(value + 1) + quint64(1) : quint64(value));
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += u',';
        out += digits.at(i);
    }
    return value < 0 ? u'-' + out : out;
}

Money StrToCurrSafe(const QString& text) {
    if (text.contains(u','))
        return Money();
    return Money::parse(text).value_or(Money());
}

TDateTime StrToDateSafe(const QString& text) {
    return TryStrToDate(text).value_or(TDateTime());
}

quint16 CombineWord(quint16 high, quint16 low, quint16 factor) {
    return quint16(high * factor + low);
}

void SetFlagBit(quint32& flags, int n) {
    if (n >= 1 && n <= 24)
        flags |= quint32(1) << (n - 1);
}

bool IsFlagBitSet(quint32 value, int n) {
    return (value >> ((n - 1) & 31)) & 1;
}

int BoolToInt(bool value) {
    return value ? 1 : 0;
}

quint32 ToGrayColor(quint32 colour) {
    if (colour == 0xFFFFFF || colour == 0)
        return colour;
    const quint32 r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    // The sum of three channels divided by 3 never ends in .5, so rounding to nearest is unambiguous.
    const quint32 grey = (r + g + b + 1) / 3;
    return grey | (grey << 8) | (grey << 16);
}

// ---- byte-width texts --------------------------------------------------------------------------------

QString LeftStrB(const QString& text, int n) {
    if (n <= 0)
        return QString();
    const auto [to, used] = headWithin(text, n);
    return text.left(to) + QString(n - used, u' ');
}

QString HeadStrB(const QString& text, int n) {
    return text.left(headWithin(text, n).first);
}

QByteArray LeftStrB(const QByteArray& bytes, int n) {
    if (n <= 0)
        return QByteArray();
    QByteArray out = bytes.left(n);
    if (out.size() < n)
        out.append(QByteArray(n - out.size(), ' '));
    return RepairMbcs(out);
}

QString RightStrB(const QString& text, int n) {
    return rightBytes(text, n, u' ');
}

QByteArray RightStrB(const QByteArray& bytes, int n) {
    if (n <= 0)
        return QByteArray();
    if (bytes.size() < n)
        return QByteArray(n - bytes.size(), ' ') + bytes;
    return bytes.right(n);
}

QString ZeroPadLeft(const QString& text, int n) {
    return rightBytes(text, n, u'0');
}

QByteArray RepairMbcs(const QByteArray& bytes) {
    QByteArray out = bytes;
    for (qsizetype i = 0; i < out.size();) {
        if (!cp932::isLeadByte(static_cast<unsigned char>(out.at(i)))) {
            ++i;
            continue;
        }
        if (i + 1 >= out.size()) {
            out[i] = ' ';
            break;
        }
        if (!cp932::isTrailByte(static_cast<unsigned char>(out.at(i + 1)))) {
            out[i] = ' ';
            out[i + 1] = ' ';
        }
        i += 2;
    }
    return out;
}

bool IsLeadByteAt(const QByteArray& bytes, int n) {
    if (n < 1 || bytes.isEmpty())
        return false;
    return cp932::isLeadByteAt(bytes, std::min<qsizetype>(n, bytes.size()) - 1);
}

bool IsLeadByteAt(const QString& text, int n) {
    return IsLeadByteAt(cp932::encodeLossy(text), n);
}

bool HasText(const QString& text) {
    return !text.isEmpty();
}

// ---- cleaning and splitting ------------------------------------------------------------------------------

QString TrimZenkaku(const QString& text) {
    return trimWhere(text, [](QChar c) { return isBlankOrControl(c) || c == kZenkakuBlank; });
}

QString DeleteAllSpaces(const QString& text) {
    QString out = text;
    out.remove(u' ');
    out.remove(kZenkakuBlank);
    return out;
}

QString DeleteCtrlChars(const QString& text) {
    QString out = text;
    out.remove(u'\t');
    out.remove(u'\r');
    out.remove(u'\n');
    return out;
}

int SplitStr(const QString& text, QChar separator, QStringList& parts) {
    const qsizetype comment = text.indexOf(QStringLiteral("//"));
    const QString body = comment < 0 ? text : text.left(comment);
    if (body.isEmpty())
        return 0;
    parts = body.split(separator, Qt::KeepEmptyParts);
    return int(parts.size() - 1);
}

QString GetLineOfText(const QString& text, const QString& separator, int n) {
    QString s = text;
    if (!separator.isEmpty())
        s.replace(separator, QStringLiteral("\r\n"));
    const QStringList lines = textLines(s);
    return (n >= 1 && n <= lines.size()) ? lines.at(n - 1) : QString();
}

QString GetValueOfName(const QString& lines, const QString& name) {
    if (lines.isEmpty() || name.isEmpty())
        return QString();
    for (const QString& line : textLines(lines)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return line;
    }
    return QString();
}

QString MapStringLC(quint32 flags, const QString& text) {
    return cp932::mapString(flags, text);
}

QString ZenkakuUpperCase(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const cp932::CharUnit& u : cp932::charUnits(text)) {
        const QString ch = text.mid(u.pos, u.len);
        if (u.width == 2) {
            const QByteArray pair = cp932::encode(ch);
            const QByteArray mapped = ZenkakuUpperCase(pair);
            if (mapped != pair) {
                // A pair that is no character of CP932 leaves the character as it was.
                const QString back = cp932::decode(mapped);
                if (cp932::encode(back) == mapped) {
                    out += back;
                    continue;
                }
            }
        }
        out += ch;
    }
    return out;
}

QByteArray ZenkakuUpperCase(const QByteArray& bytes) {
    QByteArray out = bytes;
    for (qsizetype i = 0; i < out.size();) {
        if (!cp932::isLeadByte(static_cast<unsigned char>(out.at(i)))) {
            ++i;
            continue;
        }
        if (i + 1 >= out.size())
            break;
        const auto trail = static_cast<unsigned char>(out.at(i + 1));
        if (trail >= 0x81 && trail <= 0x9A)
            out[i + 1] = char(trail - 0x21);
        i += 2;
    }
    return out;
}

// ---- versions ----------------------------------------------------------------------------------------

TVersionRec ParseVersion(const QString& text) {
    TVersionRec v;
    const QStringList parts = text.split(u'.');
    qint32* fields[4] = {&v.Major, &v.Minor, &v.Release, &v.Build};
    for (int i = 0; i < 4 && i < parts.size(); ++i) {
        bool ok = false;
        const int value = parts.at(i).trimmed().toInt(&ok);
        *fields[i] = ok ? value : 0;
    }
    v.Text = text;
    return v;
}

bool IsVersionNewer(const QString& a, const QString& b) {
    return versionKey(a) > versionKey(b);
}

bool IsVersionAtLeast(const QString& a, const QString& b) {
    return versionKey(a) >= versionKey(b);
}

// ---- date texts ------------------------------------------------------------------------------------------

QString DateToStrKind(int kind, TDateTime date) {
    if (date.isNull())
        return QString();
    const QString format = kind == 2   ? QStringLiteral("yy/mm/dd")
                           : kind == 4 ? QStringLiteral("yyyy/mm/dd")
                                       : QStringLiteral("yyyy/mm/dd hh:nn");
    return FormatDateTime(format, date);
}

TDateTime StrToDateFixed(const QString& text) {
    return TryStrToDateTime(text, TProcessFormats()).value_or(TDateTime());
}

QString KikanToStr(TDateTime from, TDateTime to) {
    const auto one = [](TDateTime date) {
        if (!warekiDisplay())
            return FormatDateTime(QStringLiteral("yyyy/mm/dd"), date);
        TWarekiRec w;
        DateToWareki(w, date);
        return eraPatternText("%s %.2d/%.2d/%.2d", w.Letter, w);
    };
    return one(from) + QStringLiteral(" ～ ") + one(to);
}

QString DateToStrFmt(const QString& word, int kind, TDateTime date) {
    if (warekiDisplay()) {
        const WordPattern* row = findWord(word, kFmtEra);
        if (!row)
            return QString();
        const QString result = eraDateText(*row, kind, true, date);
        return kind == 3 ? DeleteAllSpaces(result) : result;
    }
    if (const WordPattern* row = findWord(word, kFmtPlain))
        return plainDateText(*row, date);
    if (word == u"yy2/mm/dd")
        return FormatDateTime(QStringLiteral("yy/mm/dd"), date);
    return FormatDateTime(word, date);
}

QString DateToStrJpn(const QString& word, int kind, TDateTime date) {
    if (warekiDisplay()) {
        const WordPattern* row = findWord(word, kJpnEra);
        return row ? eraDateText(*row, kind, false, date) : QString();
    }
    if (const WordPattern* row = findWord(word, kJpnPlain))
        return plainDateText(*row, date);
    return FormatDateTime(word, date);
}

// ---- scrambling of stored secrets ----------------------------------------------------------------------

void EasyEncodeClear(TEasyEncodeInfo& info) {
    info.TargetLength = 0;
    info.PlainLength = 0;
    info.PlainText.clear();
    info.CodedText.clear();
}

bool EasyEncode(TEasyEncodeInfo& info) {
    for (int i = 0; i < info.TargetLength - info.PlainLength; ++i)
        info.PlainText += QChar(u'A' + i % 26);
    bool keyOk = false;
    KeyStream key(cp932::encode(info.Key, &keyOk));
    if (!keyOk) {
        info.CodedText.clear();
        return false;
    }
    QString coded;
    coded.reserve(info.PlainText.size());
    for (QChar c : info.PlainText) {
        const qint64 sum = key.next();
        const int k = alphabetIndex(c);
        if (k < 0) {
            info.CodedText.clear();
            return false;
        }
        coded += QChar(kAlphabet[(sum + k) % 62]);
    }
    info.CodedText = coded;
    return true;
}

bool EasyDecode(TEasyEncodeInfo& info) {
    bool keyOk = false;
    KeyStream key(cp932::encode(info.Key, &keyOk));
    if (!keyOk) {
        info.PlainText.clear();
        return false;
    }
    QString plain;
    for (QChar c : info.CodedText) {
        if (plain.size() >= info.PlainLength)
            break;
        const qint64 sum = key.next();
        const int k = alphabetIndex(c);
        if (k < 0) {
            info.PlainText.clear();
            return false;
        }
        plain += QChar(kAlphabet[((k - sum) % 62 + 62) % 62]);
    }
    info.PlainText = plain;
    return true;
}

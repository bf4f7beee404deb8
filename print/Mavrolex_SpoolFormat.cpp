#include "print/Mavrolex_SpoolFormat.h"

#include "platform/Cp932.h"

#include <array>

const QString kSpoolMagicOpen = QStringLiteral("*MAVROLEX") + QString(61, QLatin1Char('*'));
const QString kSpoolMagicClose = QString(61, QLatin1Char('*')) + QStringLiteral("MAVROLEX*");

bool IsMavrolexFirstLine(const QString& line) {
    return line.left(10) == QLatin1String("*MAVROLEX*");
}

QString NormalizeSpoolLine(const QString& line) {
    QString out = line;
    out.remove(QLatin1Char('"'));
    if (!out.endsWith(QLatin1Char(';')))
        out += QLatin1Char(';');
    return out;
}

QString JoinSpoolFields(const QStringList& fields) {
    return fields.join(QLatin1Char(';')) + QLatin1Char(';');
}

bool IsPageEndLine(const QString& line) {
    return NormalizeSpoolLine(line).left(2).toUpper() == QLatin1String("E;");
}

std::optional<qint32> TryParseSpoolInt(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    const QStringView rest = QStringView(text).mid(i);
    if (rest.isEmpty())
        return std::nullopt;
    bool ok = false;
    if (rest.startsWith(QLatin1Char('$'))) {
        const QStringView digits = rest.mid(1);
        if (digits.isEmpty() || digits.size() > 8 || digits.startsWith(QLatin1Char('+')) ||
            digits.startsWith(QLatin1Char('-')))
            return std::nullopt;
        const quint32 v = digits.toUInt(&ok, 16);
        return ok ? std::optional<qint32>(qint32(v)) : std::nullopt;
    }
    for (qsizetype k = 0; k < rest.size(); ++k) {
        const QChar c = rest.at(k);
        const bool digit = c.unicode() >= '0' && c.unicode() <= '9';
        if (!digit && !(k == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+'))))
            return std::nullopt;
    }
    const qint32 v = rest.toInt(&ok, 10);
    return ok ? std::optional<qint32>(v) : std::nullopt;
}

qint32 ParseSpoolInt(const QString& text, qint32 def) {
    return TryParseSpoolInt(text).value_or(def);
}

SpoolRecord::SpoolRecord(const QString& line) {
    m_fields = NormalizeSpoolLine(line).split(QLatin1Char(';'));
    m_fields.removeLast(); // what follows the final ";"
    m_kind = m_fields.isEmpty() ? QString() : m_fields.takeFirst().toUpper();
}

QString SpoolRecord::field(int n) const {
    return n >= 1 && n <= m_fields.size() ? m_fields.at(n - 1) : QString();
}

qint32 SpoolRecord::intField(int n, qint32 def) const {
    return ParseSpoolInt(field(n), def);
}

QString SpoolRecord::next() {
    return field(++m_cursor);
}

qint32 SpoolRecord::nextInt(qint32 def) {
    return ParseSpoolInt(next(), def);
}

// ---- value words ------------------------------------------------------------------------------------

namespace {

constexpr std::array<qint32, 16> kBasicColours = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                                  0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0xFF0000,
                                                  0xFF00FF, 0xFFFF00, 0xFFFFFF, 0x00FFFF};

struct ColourWord {
    const char16_t* word;
    int basic;
};
constexpr ColourWord kColourWords[] = {
    {u"黒", 0},     {u"栗", 1},  {u"緑", 2},  {u"黄緑", 3}, {u"濃紺", 4},  {u"紫", 5},
    {u"暗青緑", 6}, {u"灰", 7},  {u"銀", 8},  {u"赤", 9},   {u"濃緑", 10}, {u"青", 11},
    {u"赤紫", 12},  {u"空", 13}, {u"白", 14}, {u"黄", 15},
};

} // namespace

qint32 SystemColour(int n) {
    // COLOR_BACKGROUND (1) to COLOR_BTNHIGHLIGHT (20) of the classic scheme.
    static constexpr std::array<qint32, 20> kSystem = {
        0x808000, 0x800000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0x000000, 0x000000, 0xFFFFFF, 0xC0C0C0,
        0xC0C0C0, 0x808080, 0x800000, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x808080, 0x000000, 0xC0C0C0, 0xFFFFFF};
    return n >= 1 && n <= 20 ? kSystem[n - 1] : 0;
}

SpoolColour LookupColourWord(const QString& word, const TPmvxDEF& s) {
    for (const ColourWord& w : kColourWords)
        if (word == QStringView(w.word))
            return {kBasicColours[w.basic], false};
    if (word == QStringLiteral("薄網掛"))
        return {s.NetColor1, false};
    if (word == QStringLiteral("濃網掛"))
        return {s.NetColor2, false};
    const QString upper = word.toUpper();
    const struct {
        const char* word;
        qint32 value;
    } latin[] = {{"UCOLOR1", s.UserColor1},  {"UCOLOR2", s.UserColor2},  {"OCRGREEN", s.OcrGreen},
                 {"OCRBLUE", s.OcrBlue},     {"OCRBROWN", s.OcrBrown},   {"OCRPINK", s.OcrPink},
                 {"OCRORANGE", s.OcrOrange}, {"OCRVIOLET", s.OcrViolet}, {"OCRPURPLE", s.OcrPurple}};
    for (const auto& l : latin)
        if (upper == QLatin1String(l.word))
            return {l.value, false};
    const std::optional<qint32> number = TryParseSpoolInt(word);
    if (!number)
        return {0, false};
    const qint32 n = *number;
    if (n >= 0 && n <= 15)
        return {kBasicColours[n], false};
    if (n >= 16 && n <= 35)
        return {SystemColour(n - 15), true};
    switch (n) {
    case 40:
        return {s.NetColor1, false};
    case 41:
        return {s.NetColor2, false};
    case 42:
        return {s.UserColor1, false};
    case 43:
        return {s.UserColor2, false};
    default:
        return {n, false};
    }
}

qint32 ColourByWord(const QString& word, const TPmvxDEF& settings) {
    return LookupColourWord(word, settings).rgb;
}

qint32 BackgroundByWord(const QString& word, const TPmvxDEF& settings) {
    if (word == QLatin1String("1") || word == QLatin1String("OFF"))
        return kNoBackground;
    if (word == QLatin1String("ON"))
        return 0xFFFFFF;
    const SpoolColour c = LookupColourWord(word, settings);
    return c.system || c.rgb == 0 ? kNoBackground : c.rgb;
}

qint32 AlignmentByWord(const QString& word) {
    if (word == QLatin1String("CENTER") || word == QLatin1String("1"))
        return AlignCenter;
    if (word == QLatin1String("RIGHT") || word == QLatin1String("2") || word == QLatin1String("BOTTOM"))
        return AlignRight;
    return AlignLeft;
}

SpoolFontStyle FontStyleByWord(const QString& word) {
    static const QStringList kWords = {QStringLiteral("B"),   QStringLiteral("I"),  QStringLiteral("U"),
                                       QStringLiteral("S"),   QStringLiteral("BI"), QStringLiteral("BU"),
                                       QStringLiteral("IU"),  QStringLiteral("BS"), QStringLiteral("IS"),
                                       QStringLiteral("BIU"), QStringLiteral("BIS")};
    SpoolFontStyle st;
    if (word == QLatin1String("DU")) {
        st.underline = st.doubleUnderline = true;
        return st;
    }
    if (!kWords.contains(word))
        return st;
    st.bold = word.contains(QLatin1Char('B'));
    st.italic = word.contains(QLatin1Char('I'));
    st.underline = word.contains(QLatin1Char('U'));
    st.strikeOut = word.contains(QLatin1Char('S'));
    return st;
}

Qt::PenStyle PenStyleOf(int n) {
    switch (n) {
    case 1:
        return Qt::DashLine;
    case 2:
        return Qt::DotLine;
    case 3:
        return Qt::DashDotLine;
    case 4:
        return Qt::DashDotDotLine;
    case 5:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

bool PenIsInsideFrame(int n) {
    return n == 6;
}

Qt::BrushStyle BrushStyleOf(int n) {
    switch (n) {
    case 1:
        return Qt::NoBrush;
    case 2:
        return Qt::HorPattern;
    case 3:
        return Qt::VerPattern;
    case 4:
        return Qt::FDiagPattern;
    case 5:
        return Qt::BDiagPattern;
    case 6:
        return Qt::CrossPattern;
    case 7:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

// ---- header block -----------------------------------------------------------------------------------

QString SpoolHexColour(qint32 colour) {
    return QLatin1Char('$') + QStringLiteral("%1").arg(quint32(colour), 6, 16, QLatin1Char('0')).toUpper();
}

namespace {
QString boolWord(bool b) {
    return b ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}
} // namespace

QStringList SpoolHeaderLines(const SpoolHeader& h) {
    const auto kv = [](const char* key, const QString& value) {
        return QLatin1Char('*') + QLatin1String(key) + QLatin1Char('=') + value;
    };
    const auto num = [](qint32 v) { return QString::number(v); };
    return {kSpoolMagicOpen,
            QStringLiteral("*[SETTING]"),
            kv("PATH", h.path),
            kv("VERSION", h.version),
            kv("DATE", h.date),
            kv("TITLE", h.title),
            kv("FORMFILE", h.formFile),
            kv("PAPERSIZE", num(h.paperSize)),
            kv("OUTPUTPAPER", num(h.outputPaper)),
            kv("ORIENTATION", num(h.orientation)),
            kv("TOPMARGIN", num(h.topMargin)),
            kv("LEFTMARGIN", num(h.leftMargin)),
            kv("FORMTOPMARGIN", num(h.formTopMargin)),
            kv("FORMLEFTMARGIN", num(h.formLeftMargin)),
            kv("NETC1", SpoolHexColour(h.netColor1)),
            kv("NETC2", SpoolHexColour(h.netColor2)),
            kv("USERC1", SpoolHexColour(h.userColor1)),
            kv("USERC2", SpoolHexColour(h.userColor2)),
            kv("FORMPRINT", boolWord(h.formPrint)),
            kv("COPIES", num(h.copies)),
            kv("PAGENOSWITCH", boolWord(h.pageNoSwitch)),
            kv("PAGENOLEFT", num(h.pageNoLeft)),
            kv("PAGENOTOP", num(h.pageNoTop)),
            kv("PAGENOALIGNMENT", num(h.pageNoAlignment)),
            kv("PAGENOFORMAT", h.pageNoFormat),
            kSpoolMagicClose};
}

SpoolHeader ReadSpoolHeader(const QStringList& lines) {
    const auto value = [&lines](const char* key) -> std::optional<QString> {
        const QString prefix = QLatin1Char('*') + QLatin1String(key) + QLatin1Char('=');
        for (const QString& line : lines)
            if (line.startsWith(prefix))
                return line.mid(prefix.size()).trimmed();
        return std::nullopt;
    };
    const auto text = [&](const char* key) { return value(key).value_or(QString()); };
    const auto number = [&](const char* key, qint32 def) {
        return ParseSpoolInt(value(key).value_or(QString()), def);
    };
    const auto flag = [&](const char* key) { return value(key) == QStringLiteral("TRUE"); };

    SpoolHeader h;
    h.path = text("PATH");
    h.version = text("VERSION");
    h.date = text("DATE");
    h.title = text("TITLE");
    h.formFile = text("FORMFILE");
    h.paperSize = number("PAPERSIZE", 9);
    h.outputPaper = number("OUTPUTPAPER", 9);
    h.orientation = number("ORIENTATION", 0);
    h.topMargin = number("TOPMARGIN", 0);
    h.leftMargin = number("LEFTMARGIN", 0);
    h.formTopMargin = number("FORMTOPMARGIN", 0);
    h.formLeftMargin = number("FORMLEFTMARGIN", 0);
    h.netColor1 = number("NETC1", 0);
    h.netColor2 = number("NETC2", 0);
    h.userColor1 = number("USERC1", 0);
    h.userColor2 = number("USERC2", 0);
    h.formPrint = flag("FORMPRINT");
    h.copies = number("COPIES", 1);
    h.pageNoSwitch = flag("PAGENOSWITCH");
    h.pageNoLeft = number("PAGENOLEFT", 0);
    h.pageNoTop = number("PAGENOTOP", 0);
    h.pageNoAlignment = number("PAGENOALIGNMENT", 2);
    h.pageNoFormat = text("PAGENOFORMAT");
    return h;
}

// ---- page numbers -----------------------------------------------------------------------------------

int CountFormatPlaceholders(const QString& format) {
    return int(format.count(QLatin1String("%d"), Qt::CaseInsensitive));
}

std::optional<QString> FormatIntegers(const QString& format, const QList<qint32>& args) {
    QString out;
    qsizetype argIndex = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        if (++i >= n)
            return std::nullopt;
        if (format.at(i) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            continue;
        }
        // [index ":"] ["-"] [width] ["." precision] type; width and precision may be "*".
        const auto readNumber = [&](int& value) -> bool {
            if (i < n && format.at(i) == QLatin1Char('*')) {
                if (argIndex >= args.size())
                    return false;
                value = args.at(argIndex++);
                ++i;
                return true;
            }
            value = -1;
            qint64 v = 0;
            bool any = false;
            while (i < n && format.at(i).isDigit() && format.at(i).unicode() < 128) {
                v = v * 10 + format.at(i).digitValue();
                if (v > 100000)
                    return false;
                any = true;
                ++i;
            }
            if (any)
                value = int(v);
            return true;
        };
        int first = -1;
        if (!readNumber(first))
            return std::nullopt;
        if (i < n && format.at(i) == QLatin1Char(':')) {
            argIndex = first < 0 ? 0 : first;
            ++i;
            first = -1;
        }
        bool leftAlign = false;
        if (first < 0 && i < n && format.at(i) == QLatin1Char('-')) {
            leftAlign = true;
            ++i;
        }
        int width = first;
        if (width < 0 && !readNumber(width))
            return std::nullopt;
        int precision = -1;
        if (i < n && format.at(i) == QLatin1Char('.')) {
            ++i;
            if (!readNumber(precision))
                return std::nullopt;
        }
        if (i >= n || argIndex >= args.size())
            return std::nullopt;
        const QChar type = format.at(i).toLower();
        const qint32 arg = args.at(argIndex++);
        QString piece;
        if (type == QLatin1Char('d')) {
            piece = QString::number(qAbs(qint64(arg)));
            if (precision > piece.size())
                piece = QString(precision - piece.size(), QLatin1Char('0')) + piece;
            if (arg < 0)
                piece.prepend(QLatin1Char('-'));
        } else if (type == QLatin1Char('u') || type == QLatin1Char('x')) {
            piece = QString::number(quint32(arg), type == QLatin1Char('u') ? 10 : 16).toUpper();
            if (precision > piece.size())
                piece = QString(precision - piece.size(), QLatin1Char('0')) + piece;
        } else {
            return std::nullopt;
        }
        if (width > piece.size())
            piece = leftAlign ? piece.leftJustified(width) : piece.rightJustified(width);
        out += piece;
    }
    return out;
}

bool IsLineKind(const QString& kind) {
    return kind == QLatin1String("LINE") || kind == QLatin1String("ELINE") ||
           kind == QLatin1String("SLINE") || kind == QLatin1String("LINEB");
}

bool PageHasNoNumber(const QStringList& pageLines) {
    if (pageLines.isEmpty())
        return true;
    if (pageLines.size() != 1)
        return false;
    const QString kind = SpoolRecord(pageLines.first()).kind();
    return kind == QLatin1String("ORIENTATION") || IsLineKind(kind);
}

// ---- reading files ----------------------------------------------------------------------------------

SpoolTextFile::SpoolTextFile() = default;
SpoolTextFile::~SpoolTextFile() = default;

void SpoolTextFile::assign(const QString& path) {
    close();
    m_path = path;
}

bool SpoolTextFile::open() {
    close();
    m_file.setFileName(m_path);
    return !m_path.isEmpty() && m_file.open(QIODevice::ReadOnly);
}

void SpoolTextFile::close() {
    if (m_file.isOpen())
        m_file.close();
}

void SpoolTextFile::rewind() {
    if (m_file.isOpen())
        m_file.seek(0);
    else
        open();
}

bool SpoolTextFile::atEnd() const {
    return !m_file.isOpen() || m_file.atEnd();
}

bool SpoolTextFile::readLine(QString& line) {
    if (!m_file.isOpen() || m_file.atEnd())
        return false;
    QByteArray bytes = m_file.readLine();
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    line = cp932::decode(bytes);
    return true;
}

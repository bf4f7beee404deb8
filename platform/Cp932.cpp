#include "platform/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <memory>

namespace cp932 {

namespace {
constexpr const char* kName = "windows-31j";

// Opening an ICU converter is costly, so each thread keeps one of each. Their error flag never clears,
// so a converter that has seen an error is replaced before its next use.
// They are built in place (emplace): an ICU-backed converter must not be moved, as its error callback
// keeps the address of the converter's state.
QStringEncoder& sharedEncoder() {
    thread_local std::optional<QStringEncoder> encoder;
    if (!encoder || encoder->hasError())
        encoder.emplace(kName, QStringConverter::Flag::Stateless);
    return *encoder;
}

QStringDecoder& sharedDecoder() {
    thread_local std::optional<QStringDecoder> decoder;
    if (!decoder || decoder->hasError())
        decoder.emplace(kName, QStringConverter::Flag::Stateless);
    return *decoder;
}
} // namespace

QStringEncoder makeEncoder() {
    return QStringEncoder(kName, QStringConverter::Flag::Stateless);
}

QStringDecoder makeDecoder() {
    return QStringDecoder(kName, QStringConverter::Flag::Stateless);
}

QByteArray encode(const QString& text, bool* ok) {
    QStringEncoder& encoder = sharedEncoder();
    QByteArray out = encoder.encode(text);
    const bool good = !encoder.hasError();
    if (ok)
        *ok = good;
    return good ? out : QByteArray();
}

QByteArray encodeLossy(const QString& text) {
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QStringEncoder& one = sharedEncoder();
        QByteArray b = one.encode(QStringView(text).mid(i, len));
        out += one.hasError() ? QByteArray("?") : b;
        i += len - 1;
    }
    return out;
}

std::optional<QByteArray> tryEncode(const QString& text) {
    bool ok = false;
    QByteArray b = encode(text, &ok);
    if (!ok)
        return std::nullopt;
    return b;
}

QString decode(const QByteArray& bytes) {
    return sharedDecoder().decode(bytes);
}

QString decode(const char* bytes, qsizetype length) {
    return decode(QByteArray::fromRawData(bytes, length));
}

namespace {

// Every single byte and every lead-trail pair with the one character the decoder gives for it; -1 where the
// decoder gives no single character of its own (a lead byte alone, an invalid pair).
struct DecodeTable {
    int single[256] = {};
    std::unique_ptr<int[]> pairs = std::make_unique<int[]>(256 * 256);

    DecodeTable() {
        const auto one = [](const char* bytes, qsizetype n) {
            const QString s = decode(bytes, n);
            if (s.size() != 1 || s.at(0) == QChar::ReplacementCharacter || s.at(0).isSurrogate())
                return -1;
            return int(s.at(0).unicode());
        };
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            single[b] = one(&c, 1);
        }
        for (int lead = 0; lead < 256; ++lead)
            for (int trail = 0; trail < 256; ++trail) {
                const char pair[2] = {char(lead), char(trail)};
                pairs[lead * 256 + trail] = single[lead] >= 0 ? -1 : one(pair, 2);
            }
    }
};

void putUtf8(QByteArray& out, char16_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        const char bytes[2] = {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
        out.append(bytes, 2);
    } else {
        const char bytes[3] = {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)),
                               char(0x80 | (c & 0x3F))};
        out.append(bytes, 3);
    }
}

} // namespace

void appendUtf8(QByteArray& out, const char* bytes, qsizetype length) {
    static const DecodeTable table;
    const qsizetype start = out.size();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    for (qsizetype i = 0; i < length; ++i) {
        if (const int c = table.single[p[i]]; c >= 0) {
            putUtf8(out, char16_t(c));
            continue;
        }
        const int c = i + 1 < length ? table.pairs[p[i] * 256 + p[i + 1]] : -1;
        if (c < 0) {
            out.truncate(start);
            out += decode(bytes, length).toUtf8();
            return;
        }
        putUtf8(out, char16_t(c));
        ++i;
    }
}

bool canEncode(const QString& text) {
    bool ok = false;
    encode(text, &ok);
    return ok;
}

qsizetype byteLength(const QString& text) {
    bool ok = false;
    QByteArray b = encode(text, &ok);
    if (ok)
        return b.size();
    return encodeLossy(text).size();
}

bool isLeadByteAt(const QByteArray& bytes, qsizetype index) {
    if (index < 0 || index >= bytes.size())
        return false;
    qsizetype i = 0;
    while (i < index) {
        i += isLeadByte(static_cast<unsigned char>(bytes.at(i))) ? 2 : 1;
    }
    return i == index && isLeadByte(static_cast<unsigned char>(bytes.at(index)));
}

int charWidth(QChar c) {
    return static_cast<int>(byteLength(QString(c)) >= 2 ? 2 : 1);
}

QList<CharUnit> charUnits(const QString& text) {
    QList<CharUnit> units;
    units.reserve(text.size());
    bool ok = false;
    const QByteArray whole = encode(text, &ok);
    qsizetype b = 0;
    for (qsizetype i = 0; i < text.size();) {
        CharUnit u;
        u.pos = i;
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        u.len = pair ? 2 : 1;
        if (ok && b < whole.size()) {
            // Every code point CP932 holds is one or two bytes, so the encoding walks in step.
            u.width = isLeadByte(static_cast<unsigned char>(whole.at(b))) ? 2 : 1;
            b += u.width;
        } else {
            const auto one = tryEncode(text.mid(i, u.len));
            u.width = (one && one->size() == 2) ? 2 : 1;
        }
        units.append(u);
        i += u.len;
    }
    return units;
}

} // namespace cp932

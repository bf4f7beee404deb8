#pragma once
// The one place that knows Shift_JIS as Windows code page 932 ("windows-31j", ICU's mapping).
// Every boundary that stores or exchanges text (ini files, the XML file, logs, scripts, database text)
// goes through these routines; byte-width rules measure the CP932 encoding.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>

namespace cp932 {

// A stateless CP932 encoder or decoder of one's own, for a writer that converts many pieces in a row.
// Its hasError() stays set once a piece has failed (resetState() does not clear it for ICU converters):
// take a fresh one after an error. Keep it where it was built: an ICU-backed converter must not be moved.
QStringEncoder makeEncoder();
QStringDecoder makeDecoder();

// Encodes text; a character CP932 cannot hold makes the result empty and *ok false.
QByteArray encode(const QString& text, bool* ok = nullptr);
// Encodes text, substituting '?' for characters CP932 cannot hold (only for display-only uses).
QByteArray encodeLossy(const QString& text);
// Encodes text or returns nullopt when a character cannot be held.
std::optional<QByteArray> tryEncode(const QString& text);
QString decode(const QByteArray& bytes);
QString decode(const char* bytes, qsizetype length);
// Appends decode(bytes, length).toUtf8() to out without the text in between: one table lookup a character
// (the table is read from the decoder itself once). Bytes the table does not hold as a whole character
// (a half character, an unmapped pair) take the decoder's own way, so the result is always the same.
void appendUtf8(QByteArray& out, const char* bytes, qsizetype length);

bool canEncode(const QString& text);
// Byte length of the CP932 encoding (characters that cannot be encoded count as one byte).
qsizetype byteLength(const QString& text);

// Lead byte of a double-byte character: 0x81-0x9F or 0xE0-0xFC.
inline bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
// True when position index of bytes (0-based) is the lead byte of a double-byte character,
// scanning from the start so that trail bytes are not mistaken for lead bytes.
bool isLeadByteAt(const QByteArray& bytes, qsizetype index);
// Width in bytes of the single character c (1 or 2).
int charWidth(QChar c);
// Trail byte of a double-byte character: 0x40-0x7E or 0x80-0xFC.
inline bool isTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// One code point of a text (pos and len in UTF-16 units) with its CP932 width: 2 for a double-byte
// character, 1 for a single byte and for a code point CP932 cannot hold (it stands as one "?" wherever
// the text is encoded lossily). Byte-width cuts walk these, so they never split a character and keep
// characters that would fail only where the text is finally encoded.
struct CharUnit {
    qsizetype pos = 0;
    qsizetype len = 1;
    int width = 1;
};
QList<CharUnit> charUnits(const QString& text);

} // namespace cp932

#include "tusin/xPzConv.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int valueOf(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return 64;
}

} // namespace

QString TxPzConv::EncodeBase64(const QByteArray& bytes) {
    QString out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; i += 3) {
        const unsigned b0 = p[i];
        const unsigned b1 = i + 1 < n ? p[i + 1] : 0;
        const unsigned b2 = i + 2 < n ? p[i + 2] : 0;
        out += QLatin1Char(kAlphabet[b0 >> 2]);
        out += QLatin1Char(kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)]);
        out += i + 1 < n ? QLatin1Char(kAlphabet[((b1 & 0x0F) << 2) | (b2 >> 6)]) : QLatin1Char('=');
        out += i + 2 < n ? QLatin1Char(kAlphabet[b2 & 0x3F]) : QLatin1Char('=');
    }
    return out;
}

QByteArray TxPzConv::DecodeBase64(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size() / 4 * 3);
    for (qsizetype i = 0; i + 4 <= text.size(); i += 4) {
        const unsigned a = valueOf(text[i]);
        const unsigned b = valueOf(text[i + 1]);
        const unsigned c = valueOf(text[i + 2]);
        const unsigned d = valueOf(text[i + 3]);
        const auto first = static_cast<char>(((a << 2) | ((b & 0x30) >> 4)) & 0xFF);
        const auto second = static_cast<char>(((b << 4) | ((c & 0x3C) >> 2)) & 0xFF);
        const auto third = static_cast<char>(((c << 6) | (d & 0x3F)) & 0xFF);
        out += first;
        if (second != 0)
            out += second;
        if (third != 0)
            out += third;
    }
    return out;
}

QByteArray TxPzConv::DecodeBase64(const QString& text) {
    // A character beyond Latin-1 is outside the alphabet either way; '?' keeps its place in the group.
    return DecodeBase64(text.toLatin1());
}

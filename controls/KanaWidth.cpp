#include "controls/KanaWidth.h"

namespace kana {

namespace {

// Half-width forms of U+30A1 ァ ... U+30F6 ヶ: base character and voiced mark (0 none, 1 ﾞ, 2 ﾟ).
struct HalfKana {
    char16_t base;
    char mark;
};
constexpr HalfKana kHalfKatakana[] = {
    {0xFF67, 0}, {0xFF71, 0}, {0xFF68, 0}, {0xFF72, 0}, {0xFF69, 0}, {0xFF73, 0}, {0xFF6A, 0}, {0xFF74, 0},
    {0xFF6B, 0}, {0xFF75, 0},                                                   // ァ - オ
    {0xFF76, 0}, {0xFF76, 1}, {0xFF77, 0}, {0xFF77, 1}, {0xFF78, 0}, {0xFF78, 1}, {0xFF79, 0}, {0xFF79, 1},
    {0xFF7A, 0}, {0xFF7A, 1},                                                   // カ - ゴ
    {0xFF7B, 0}, {0xFF7B, 1}, {0xFF7C, 0}, {0xFF7C, 1}, {0xFF7D, 0}, {0xFF7D, 1}, {0xFF7E, 0}, {0xFF7E, 1},
    {0xFF7F, 0}, {0xFF7F, 1},                                                   // サ - ゾ
    {0xFF80, 0}, {0xFF80, 1}, {0xFF81, 0}, {0xFF81, 1}, {0xFF6F, 0}, {0xFF82, 0}, {0xFF82, 1}, {0xFF83, 0},
    {0xFF83, 1}, {0xFF84, 0}, {0xFF84, 1},                                      // タ - ド
    {0xFF85, 0}, {0xFF86, 0}, {0xFF87, 0}, {0xFF88, 0}, {0xFF89, 0},            // ナ - ノ
    {0xFF8A, 0}, {0xFF8A, 1}, {0xFF8A, 2}, {0xFF8B, 0}, {0xFF8B, 1}, {0xFF8B, 2}, {0xFF8C, 0}, {0xFF8C, 1},
    {0xFF8C, 2}, {0xFF8D, 0}, {0xFF8D, 1}, {0xFF8D, 2}, {0xFF8E, 0}, {0xFF8E, 1}, {0xFF8E, 2}, // ハ - ポ
    {0xFF8F, 0}, {0xFF90, 0}, {0xFF91, 0}, {0xFF92, 0}, {0xFF93, 0},            // マ - モ
    {0xFF6C, 0}, {0xFF94, 0}, {0xFF6D, 0}, {0xFF95, 0}, {0xFF6E, 0}, {0xFF96, 0}, // ャ - ヨ
    {0xFF97, 0}, {0xFF98, 0}, {0xFF99, 0}, {0xFF9A, 0}, {0xFF9B, 0},            // ラ - ロ
    {0x30EE, 0}, {0xFF9C, 0}, {0x30F0, 0}, {0x30F1, 0}, {0xFF66, 0}, {0xFF9D, 0}, {0xFF73, 1}, {0x30F5, 0},
    {0x30F6, 0}, // ヮ ワ ヰ ヱ ヲ ン ヴ ヵ ヶ
};
static_assert(sizeof(kHalfKatakana) / sizeof(kHalfKatakana[0]) == 0x30F6 - 0x30A1 + 1);

char16_t halfPunctuation(char16_t c)
{
    switch (c) {
    case 0x3000: return u' ';
    case 0x3002: return 0xFF61; // 。
    case 0x300C: return 0xFF62; // 「
    case 0x300D: return 0xFF63; // 」
    case 0x3001: return 0xFF64; // 、
    case 0x30FB: return 0xFF65; // ・
    case 0x30FC: return 0xFF70; // ー
    case 0x309B: return 0xFF9E; // ゛
    case 0x309C: return 0xFF9F; // ゜
    case 0xFFE5: return u'\\';  // ￥
    default: return 0;
    }
}

} // namespace

QString toKatakana(const QString& text)
{
    QString out = text;
    for (QChar& ch : out) {
        char16_t c = ch.unicode();
        if ((c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E)
            ch = QChar(char16_t(c + 0x60));
    }
    return out;
}

QString toHalfWidth(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar ch : text) {
        char16_t c = ch.unicode();
        if (c >= 0xFF01 && c <= 0xFF5E) {
            out += QChar(char16_t(c - 0xFEE0));
        } else if (c >= 0x30A1 && c <= 0x30F6) {
            const HalfKana& h = kHalfKatakana[c - 0x30A1];
            out += QChar(h.base);
            if (h.mark)
                out += QChar(char16_t(h.mark == 1 ? 0xFF9E : 0xFF9F));
        } else if (char16_t p = halfPunctuation(c)) {
            out += QChar(p);
        } else {
            out += ch;
        }
    }
    return out;
}

bool isReading(const QString& text)
{
    for (QChar ch : text) {
        char16_t c = ch.unicode();
        if ((c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || ch.isSurrogate() || c == 0x3005)
            return false;
    }
    return true;
}

} // namespace kana

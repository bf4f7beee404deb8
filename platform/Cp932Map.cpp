#include "platform/Cp932Map.h"

#include "platform/Cp932.h"

#include <QHash>

namespace cp932 {

namespace {

constexpr char16_t kHalfFirst = 0xFF61;
constexpr char16_t kHalfLast = 0xFF9F;
constexpr char16_t kHalfVoiced = 0xFF9E;     // ﾞ
constexpr char16_t kHalfSemiVoiced = 0xFF9F; // ﾟ

// Full-width forms of U+FF61..U+FF9F (｡ to ﾟ).
constexpr char16_t kFullOfHalf[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5,
    0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC,
    0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4,
    0x30E6, 0x30E8, 0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C,
};
static_assert(std::size(kFullOfHalf) == kHalfLast - kHalfFirst + 1);

// Katakana that take a voiced mark: カ..ト (ガ..ド, code + 1), ハ..ホ (バ..ボ, code + 1; パ..ポ with ﾟ,
// code + 2) and ウ (ヴ). ヷ and ヺ are outside CP932, so ﾜﾞ and ｦﾞ stay two characters.
bool takesVoiced(char16_t k) {
    if (k == 0x30A6)
        return true;
    if (k >= 0x30AB && k <= 0x30C1)
        return (k - 0x30AB) % 2 == 0;
    if (k == 0x30C4 || k == 0x30C6 || k == 0x30C8)
        return true;
    return k >= 0x30CF && k <= 0x30DB && (k - 0x30CF) % 3 == 0;
}
bool takesSemiVoiced(char16_t k) {
    return k >= 0x30CF && k <= 0x30DB && (k - 0x30CF) % 3 == 0;
}
char16_t voicedOf(char16_t k) {
    return k == 0x30A6 ? char16_t(0x30F4) : char16_t(k + 1);
}

struct HalfForm {
    char16_t base = 0;
    char16_t mark = 0; // 0, ﾞ or ﾟ
};

// Half-width forms of full-width katakana and punctuation, built once from the table above.
const QHash<char16_t, HalfForm>& halfForms() {
    static const QHash<char16_t, HalfForm> forms = [] {
        QHash<char16_t, HalfForm> h;
        for (char16_t c = kHalfFirst; c <= kHalfLast; ++c) {
            const char16_t full = kFullOfHalf[c - kHalfFirst];
            h.insert(full, {c, 0});
            if (takesVoiced(full))
                h.insert(voicedOf(full), {c, kHalfVoiced});
            if (takesSemiVoiced(full))
                h.insert(char16_t(full + 2), {c, kHalfSemiVoiced});
        }
        return h;
    }();
    return forms;
}

QString toFullWidth(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u' ') {
            out += QChar(0x3000);
        } else if (c >= 0x21 && c <= 0x7E) {
            out += QChar(char16_t(c - 0x21 + 0xFF01));
        } else if (c >= kHalfFirst && c <= kHalfLast) {
            const char16_t full = kFullOfHalf[c - kHalfFirst];
            const char16_t next = i + 1 < text.size() ? text.at(i + 1).unicode() : 0;
            if (next == kHalfVoiced && takesVoiced(full)) {
                out += QChar(voicedOf(full));
                ++i;
            } else if (next == kHalfSemiVoiced && takesSemiVoiced(full)) {
                out += QChar(char16_t(full + 2));
                ++i;
            } else {
                out += QChar(full);
            }
        } else {
            out += QChar(c);
        }
    }
    return out;
}

QString toHalfWidth(const QString& text) {
    const auto& forms = halfForms();
    QString out;
    out.reserve(text.size());
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == 0x3000) {
            out += u' ';
        } else if (c >= 0xFF01 && c <= 0xFF5E) {
            out += QChar(char16_t(c - 0xFF01 + 0x21));
        } else if (const auto it = forms.constFind(c); it != forms.constEnd()) {
            out += QChar(it->base);
            if (it->mark)
                out += QChar(it->mark);
        } else {
            out += ch;
        }
    }
    return out;
}

// Moves the kana first..last and the iteration marks mark1, mark2 by delta: ぁ..ん and ゝゞ against ァ..ン
// and ヽヾ. ゔゕゖ are outside CP932, so ヴヵヶ stay katakana.
QString shiftKana(const QString& text, char16_t first, char16_t last, char16_t mark1, char16_t mark2,
                  int delta) {
    QString out = text;
    for (QChar& ch : out) {
        const char16_t c = ch.unicode();
        if ((c >= first && c <= last) || c == mark1 || c == mark2)
            ch = QChar(char16_t(c + delta));
    }
    return out;
}

QString toHiragana(const QString& text) {
    return shiftKana(text, 0x30A1, 0x30F3, 0x30FD, 0x30FE, -0x60);
}

QString toKatakana(const QString& text) {
    return shiftKana(text, 0x3041, 0x3093, 0x309D, 0x309E, 0x60);
}

QString toCase(const QString& text, bool upper) {
    QString out = text;
    for (QChar& ch : out) {
        const QChar mapped = upper ? ch.toUpper() : ch.toLower();
        if (mapped != ch && canEncode(QString(mapped)))
            ch = mapped;
    }
    return out;
}

} // namespace

QString mapString(quint32 flags, const QString& text) {
    QString s = text;
    if (flags & MapFullWidth)
        s = toFullWidth(s);
    if (flags & MapHiragana)
        s = toHiragana(s);
    else if (flags & MapKatakana)
        s = toKatakana(s);
    if ((flags & MapHalfWidth) && !(flags & MapFullWidth))
        s = toHalfWidth(s);
    if (flags & MapUpperCase)
        s = toCase(s, true);
    else if (flags & MapLowerCase)
        s = toCase(s, false);
    return s;
}

} // namespace cp932

#pragma once
// Our stand-in for the Windows locale mapping (LCMapString) on Japanese text, limited to the mappings the
// framework asks for: full and half width, katakana and hiragana, upper and lower case. Every result
// stays inside CP932: a mapping whose target CP932 cannot hold (ゔ, ゕ, ゖ) leaves the character as it is.

#include <QString>

namespace cp932 {

// The Windows flag values, so callers pass the same numbers as before.
enum MapFlag : quint32 {
    MapLowerCase = 0x00000100,
    MapUpperCase = 0x00000200,
    MapHiragana = 0x00100000,
    MapKatakana = 0x00200000,
    MapHalfWidth = 0x00400000,
    MapFullWidth = 0x00800000,
};

// Applies the flags in the order Windows does: to full width, kana, to half width, then case; so half-width
// katakana with MapFullWidth | MapHiragana become hiragana, hiragana with MapHalfWidth | MapKatakana become
// half-width katakana. Half-width voiced marks combine with their kana (ｶﾞ to ガ) and split again (ガ to
// ｶﾞ). Flags outside these are ignored.
QString mapString(quint32 flags, const QString& text);

} // namespace cp932

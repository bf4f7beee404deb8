#pragma once
// The two locale mappings the reading capture of the edits needs: hiragana to katakana, and full-width
// to half-width characters (katakana with voiced marks split off, ASCII, the Japanese punctuation that
// has a half-width form). Characters without a counterpart stay as they are.

#include <QString>

namespace kana {

QString toKatakana(const QString& text);
QString toHalfWidth(const QString& text);
// True when the text holds no ideograph, i.e. it can stand as a reading.
bool isReading(const QString& text);

} // namespace kana

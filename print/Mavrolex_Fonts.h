#pragma once
// Installed faces as the engine sees them: the system's families plus the Japanese Windows faces that
// the font substitution maps to installed IPA fonts, so "ＭＳ 明朝" counts as installed.

#include <QString>
#include <QStringList>

// Character sets the engine sorts faces by.
enum FontCharset : int {
    SHIFTJIS_CHARSET = 128,
    SYMBOL_CHARSET = 2,
    EASTEUROPE_CHARSET = 238,
    OEM_CHARSET = 255,
    DEFAULT_CHARSET = 1
};

// Every installed face name, each once (ignoring case).
QStringList InstalledFaceNames();
bool IsFontInstalled(const QString& face);
// "OCR-B" when installed, else "OCRB" when installed, else "ＭＳ ゴシック".
QString OcrFaceName();

// Face names by character set, from the fonts' writing systems: Japanese faces are SHIFTJIS, symbol
// faces SYMBOL, Latin faces EASTEUROPE; Linux has no OEM faces; DEFAULT lists every face.
struct FontLists {
    QStringList shiftJis;
    QStringList symbol;
    QStringList eastEurope;
    QStringList oem;
    QStringList defaultSet;
};
FontLists EnumerateFontLists();
// 128, 2, 238 or 255 by the first list holding the face, else 0.
int CharsetOfFont(const FontLists& lists, const QString& face);

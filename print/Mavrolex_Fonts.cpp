#include "print/Mavrolex_Fonts.h"

#include <QFont>
#include <QFontDatabase>

namespace {

// Families of a writing system with the substituted faces whose stand-in is among them; a face equal to
// the one added just before is not added twice.
QStringList facesOf(const QStringList& families) {
    QStringList out;
    const auto add = [&out](const QString& face) {
        if (out.isEmpty() || out.last().compare(face, Qt::CaseInsensitive) != 0)
            out.append(face);
    };
    for (const QString& f : families)
        add(f);
    for (const QString& face : QFont::substitutions())
        for (const QString& standIn : QFont::substitutes(face))
            if (families.contains(standIn, Qt::CaseInsensitive)) {
                add(face);
                break;
            }
    return out;
}

} // namespace

QStringList InstalledFaceNames() {
    QStringList out;
    for (const QString& face : facesOf(QFontDatabase::families()))
        if (!out.contains(face, Qt::CaseInsensitive))
            out.append(face);
    return out;
}

bool IsFontInstalled(const QString& face) {
    return !face.isEmpty() && InstalledFaceNames().contains(face, Qt::CaseInsensitive);
}

QString OcrFaceName() {
    const QStringList faces = InstalledFaceNames();
    for (const char* name : {"OCR-B", "OCRB"})
        if (faces.contains(QLatin1String(name), Qt::CaseInsensitive))
            return QLatin1String(name);
    return QStringLiteral("ＭＳ ゴシック");
}

FontLists EnumerateFontLists() {
    FontLists l;
    l.shiftJis = facesOf(QFontDatabase::families(QFontDatabase::Japanese));
    l.symbol = facesOf(QFontDatabase::families(QFontDatabase::Symbol));
    l.eastEurope = facesOf(QFontDatabase::families(QFontDatabase::Latin));
    l.defaultSet = facesOf(QFontDatabase::families());
    return l;
}

int CharsetOfFont(const FontLists& lists, const QString& face) {
    if (lists.shiftJis.contains(face, Qt::CaseInsensitive))
        return SHIFTJIS_CHARSET;
    if (lists.symbol.contains(face, Qt::CaseInsensitive))
        return SYMBOL_CHARSET;
    if (lists.eastEurope.contains(face, Qt::CaseInsensitive))
        return EASTEUROPE_CHARSET;
    if (lists.oem.contains(face, Qt::CaseInsensitive))
        return OEM_CHARSET;
    return 0;
}

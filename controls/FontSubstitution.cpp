#include "controls/FontSubstitution.h"
#include <QFont>
#include <QStringList>

void installFontSubstitutions() {
    static const struct {
        const char16_t* face;
        const char* ipa;
    } kFaces[] = {
        {u"ＭＳ Ｐゴシック", "IPAPGothic"},
        {u"ＭＳ ゴシック", "IPAGothic"},
        {u"ＭＳ 明朝", "IPAMincho"},
        {u"ＭＳ Ｐ明朝", "IPAPMincho"},
    };
    for (const auto& f : kFaces) {
        const QString face = QString::fromUtf16(f.face);
        if (!QFont::substitutes(face).contains(QLatin1String(f.ipa)))
            QFont::insertSubstitution(face, QLatin1String(f.ipa));
    }
}

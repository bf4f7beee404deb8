// Every test of the controls runs with the face substitutions the program installs at start-up.
#include "controls/FontSubstitution.h"
#include <gtest/gtest.h>

namespace {
class FontEnvironment : public ::testing::Environment {
public:
    void SetUp() override { installFontSubstitutions(); }
};
const auto* const kFontEnvironment = ::testing::AddGlobalTestEnvironment(new FontEnvironment);
} // namespace

#include <QFont>
#include <QFontInfo>

TEST(FontSubstitution, JapaneseFacesResolveToTheIpaFonts) {
    const struct {
        const char16_t* face;
        const char* family;
    } cases[] = {
        {u"ＭＳ Ｐゴシック", "IPAPGothic"},
        {u"ＭＳ ゴシック", "IPAGothic"},
        {u"ＭＳ 明朝", "IPAMincho"},
        {u"ＭＳ Ｐ明朝", "IPAPMincho"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QFontInfo(QFont(QString::fromUtf16(c.face))).family(), QLatin1String(c.family))
            << QString::fromUtf16(c.face).toStdString();
}

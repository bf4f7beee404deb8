#include "core/z5AppInfo.h"
#include "platform/Cp932.h"

#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// A program folder holding an AppInfo.ini with the given lines; returns the program file's path.
class AppInfoFolder {
public:
    QString program() const { return m_env.path() + QStringLiteral("/bin/qv21tohj19_g"); }
    QString ini() const { return m_env.path() + QStringLiteral("/bin/AppInfo.ini"); }
    void write(const QString& text) const {
        QDir().mkpath(m_env.path() + QStringLiteral("/bin"));
        QFile f(ini());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(cp932::encode(text));
    }

private:
    testenv::TempEnvironment m_env;
};

TAppInfoRec defaults() {
    TAppInfoRec r;
    SetAppInfoDefaults(r);
    return r;
}

} // namespace

TEST(AppInfo, MissingFileLeavesTheRecordUntouched) {
    AppInfoFolder dir;
    TAppInfoRec rec;
    rec.Zaimu.AppTitle = QStringLiteral("before");
    rec.Zaimu.DataListCnt = 7;
    const TAppInfoRec before = rec;
    EXPECT_EQ(ReadAppInfoIni(dir.program(), rec), AppInfoMissing);
    EXPECT_TRUE(rec == before);
}

TEST(AppInfo, EmptyOrMissingOemGivesTheBuiltInDefaultsAsAWhole) {
    for (const QString& oemLine : {QStringLiteral("OEM=\r\n"), QString()}) {
        AppInfoFolder dir;
        dir.write(QStringLiteral("[Application]\r\n") + oemLine +
                  QStringLiteral("Since=1999\r\n[Zaimu]\r\nAppTitle=別名\r\nDataListCnt=5\r\n"));
        TAppInfoRec rec;
        EXPECT_EQ(ReadAppInfoIni(dir.program(), rec), AppInfoNoEdition) << oemLine.toStdString();
        EXPECT_TRUE(rec == defaults()) << oemLine.toStdString();
        EXPECT_EQ(rec.Zaimu.AppTitle, QStringLiteral("ペラン財務"));
        EXPECT_EQ(rec.Application.OEM, QStringLiteral("-"));
    }
}

TEST(AppInfo, WithAnEditionMissingKeysReadEmptyNotAtTheirDefaults) {
    AppInfoFolder dir;
    dir.write(QStringLiteral("[Application]\r\nOEM=TavrinoData\r\n"));
    TAppInfoRec rec;
    SetAppInfoDefaults(rec);
    EXPECT_EQ(ReadAppInfoIni(dir.program(), rec), AppInfoRead);
    EXPECT_EQ(rec.Application.OEM, QStringLiteral("TavrinoData"));
    EXPECT_TRUE(rec.Application.RegKey.isEmpty());
    EXPECT_TRUE(rec.Company.Name.isEmpty());
    EXPECT_TRUE(rec.Zaimu.AppTitle.isEmpty());
    EXPECT_TRUE(rec.Menu.DataCon03.isEmpty());
    EXPECT_EQ(rec.Zaimu.DataListCnt, 120);
    EXPECT_EQ(rec.Application.VerMajorDiff, 0);
}

TEST(AppInfo, NumbersFallBackAndTextsKeepTheirBlanks) {
    AppInfoFolder dir;
    dir.write(
        QStringLiteral("[application]\r\noem=X\r\nVerMajorDiff=abc\r\nVerMinorDiff=3\r\nVerRevDiff=-2\r\n"
                       "[ZAIMU]\r\nAppTitle= 財務 \r\nDataListCnt=many\r\n[Solvarne]\r\nRegKey=S\r\n"
                       "[Vorezuri]\r\nRegKey=V\r\n"));
    TAppInfoRec rec;
    ASSERT_EQ(ReadAppInfoIni(dir.program(), rec), AppInfoRead);
    EXPECT_EQ(rec.Application.VerMajorDiff, 0);
    EXPECT_EQ(rec.Application.VerMinorDiff, 3);
    EXPECT_EQ(rec.Application.VerRevDiff, -2);
    EXPECT_EQ(rec.Zaimu.DataListCnt, 120);
    EXPECT_EQ(rec.Zaimu.AppTitle, QStringLiteral(" 財務 "));
    // Same key, different sections.
    EXPECT_EQ(rec.Solvarne.RegKey, QStringLiteral("S"));
    EXPECT_EQ(rec.Vorezuri.RegKey, QStringLiteral("V"));
    EXPECT_TRUE(rec.Zaimu.RegKey.isEmpty());
}

TEST(AppInfo, UnreadableFileIsAReadFailure) {
    AppInfoFolder dir;
    ASSERT_TRUE(QDir().mkpath(dir.ini())); // a folder where the file should be
    TAppInfoRec rec;
    EXPECT_EQ(ReadAppInfoIni(dir.program(), rec), AppInfoReadFailed);
}

TEST(AppInfo, ShippedFileCarriesEveryKeyWithTheDefaultEdition) {
    const QString program = testenv::sourceDir() + QStringLiteral("/app/qv21tohj19_g");
    TAppInfoRec rec;
    ASSERT_EQ(ReadAppInfoIni(program, rec), AppInfoRead);
    EXPECT_EQ(rec.Application.OEM, QStringLiteral("Standard"));
    rec.Application.OEM = QStringLiteral("-");
    EXPECT_TRUE(rec == defaults());
    EXPECT_EQ(rec.Zaimu.HomeDir, QStringLiteral("quarno/pellanzaimu"));
    EXPECT_EQ(rec.Application.RegKey, QStringLiteral("\\SOFTWARE\\QUARNO"));
}

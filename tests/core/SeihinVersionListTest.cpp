#include "core/TSeihinVersionList.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "platform/Registry.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace {

using registry::Root;

class SeihinVersionListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        saved = AppInfo;
        AppInfo.Application.RegKey = QStringLiteral("\\SOFTWARE\\QUARNO");
        AppInfo.Zaimu.RegKey = QStringLiteral("PELLANZAIMU");
    }
    void TearDown() override {
        AppInfo = saved;
        ResetProcessState();
    }
    void registerEdition(const QString& subKey, const QString& version, const QString& type) {
        const QString key = QStringLiteral("\\SOFTWARE\\QUARNO\\") + subKey;
        ASSERT_TRUE(registry::writeString(Root::LocalMachine, key, QStringLiteral("Version"), version));
        if (!type.isEmpty()) {
            ASSERT_TRUE(registry::writeString(Root::LocalMachine, key, QStringLiteral("Type"), type));
        }
    }
    static QStringList versions(const TSeihinVersionList& list) {
        QStringList out;
        for (qint32 i = 0; i < list.Count; ++i) {
            QString v, n;
            list.GetVersionText(i, v);
            list.GetName(i, n);
            out << v + u' ' + n;
        }
        return out;
    }

    testenv::TempEnvironment env;
    TAppInfoRec saved;
};

TEST_F(SeihinVersionListTest, BuiltInEditionsWithNothingRegistered) {
    TSeihinVersionList list;
    EXPECT_EQ(list.Count, 0);
    list.Execute(0);
    EXPECT_EQ(versions(list), (QStringList{"1.0 09版", "2.0 10版", "3.0 11版"}));
    QString text;
    list.GetText(text);
    EXPECT_EQ(text, QStringLiteral("09版\r\n10版\r\n11版\r\n"));
    QString out = QStringLiteral("x");
    list.GetVersionText(-1, out);
    EXPECT_TRUE(out.isEmpty());
    list.GetName(list.Count, out);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(list.IndexOfName(QStringLiteral("10版")), 1);
    EXPECT_EQ(list.IndexOfName(QStringLiteral("１０版")), -1);
}

TEST_F(SeihinVersionListTest, RegisteredEditionsOfThreePartsAreAddedOncePerVersion) {
    registerEdition(QStringLiteral("PELLANZAIMU11"), QStringLiteral("3.0.5"), QStringLiteral("別名"));
    registerEdition(QStringLiteral("PELLANZAIMU12"), QStringLiteral("4.0.1"), QStringLiteral("12版"));
    registerEdition(QStringLiteral("PellanZaimu12A"), QStringLiteral("4.0"), QStringLiteral("二つ"));
    registerEdition(QStringLiteral("PELLANZAIMU12B"), QStringLiteral("4.0.0.1"), QStringLiteral("四つ"));
    registerEdition(QStringLiteral("PELLANZAIMU13A"), QStringLiteral("5.1.0"), QStringLiteral("先"));
    registerEdition(QStringLiteral("PELLANZAIMU13B"), QStringLiteral("5.1.2"), QStringLiteral("後"));
    registerEdition(QStringLiteral("SOLVARNE3"), QStringLiteral("6.0.0"), QStringLiteral("他製品"));
    TSeihinVersionList list;
    list.Execute(0);
    EXPECT_EQ(versions(list), (QStringList{"1.0 09版", "2.0 10版", "3.0 11版", "4.0 12版", "5.1 先"}));
}

TEST_F(SeihinVersionListTest, FirstEntryStaysFirstWhenSortedNewestFirst) {
    SystemDef.ProductMajor = 5;
    registerEdition(QStringLiteral("PELLANZAIMU14"), QStringLiteral("6.0.0"), QStringLiteral("14版"));
    TSeihinVersionList list;
    list.FirstEntryName = QStringLiteral("選択なし");
    list.Execute(1);
    EXPECT_EQ(versions(list), (QStringList{" 選択なし", "6.0 14版", "5.0 13版", "4.0 12版", "3.0 11版",
                                           "2.0 10版", "1.0 09版"}));
    EXPECT_EQ(list.Names.first(), QStringLiteral("選択なし"));
    list.Sort(0);
    EXPECT_EQ(list.Names, (QStringList{"選択なし", "09版", "10版", "11版", "12版", "13版", "14版"}));
}

TEST_F(SeihinVersionListTest, OrganisationEditionListsOnlyRegisteredEditions) {
    TavrinoEdition = 1;
    registerEdition(QStringLiteral("PELLANZAIMU12"), QStringLiteral("4.0.1"), QStringLiteral("12版"));
    TSeihinVersionList list;
    list.Execute(0);
    EXPECT_EQ(versions(list), QStringList{"4.0 12版"});
}

TEST_F(SeihinVersionListTest, AVersionValueThatIsNoTextEndsTheBuild) {
    ASSERT_TRUE(registry::writeInteger(Root::LocalMachine,
                                       QStringLiteral("\\SOFTWARE\\QUARNO\\PELLANZAIMU12"),
                                       QStringLiteral("Version"), 4));
    TSeihinVersionList list;
    EXPECT_THROW(list.Execute(0), std::runtime_error);
}

} // namespace

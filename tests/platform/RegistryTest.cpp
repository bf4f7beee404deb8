#include "platform/Registry.h"
#include "platform/Cp932.h"

#include "support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

using registry::Root;

TEST(Registry, ValuesKeepTheirTypeAndAbsentOnesReadEmpty) {
    testenv::TempEnvironment env;
    const testenv::ScopedEnv file("QV_REGISTRY_FILE", env.path() + QStringLiteral("/reg.ini"));
    const QString key = QStringLiteral("\\SOFTWARE\\QUARNO\\PELLANZAIMU13");
    EXPECT_EQ(registry::readString(Root::LocalMachine, key, QStringLiteral("Version")), QString());
    EXPECT_EQ(registry::readInteger(Root::LocalMachine, key, QStringLiteral("Count")), 0);
    EXPECT_FALSE(registry::keyExists(Root::LocalMachine, key));

    ASSERT_TRUE(registry::writeString(Root::LocalMachine, key, QStringLiteral("Product"),
                                      QStringLiteral("ペラン財務 \"13\"")));
    ASSERT_TRUE(registry::writeInteger(Root::LocalMachine, key, QStringLiteral("EnableLUA"), -1));
    EXPECT_EQ(registry::readString(Root::LocalMachine, QStringLiteral("software\\quarno\\pellanzaimu13\\"),
                                   QStringLiteral("product")),
              QStringLiteral("ペラン財務 \"13\""));
    EXPECT_EQ(registry::readInteger(Root::LocalMachine, key, QStringLiteral("EnableLUA")), -1);
    // A value of the other type reads as absent.
    EXPECT_EQ(registry::readInteger(Root::LocalMachine, key, QStringLiteral("Product")), 0);
    EXPECT_EQ(registry::readString(Root::LocalMachine, key, QStringLiteral("EnableLUA")), QString());
    EXPECT_EQ(registry::readValue(Root::LocalMachine, key, QStringLiteral("EnableLUA")).type,
              registry::ValueType::Integer);
    // The roots are apart.
    EXPECT_EQ(registry::readString(Root::CurrentUser, key, QStringLiteral("Product")), QString());
    // Text values never span lines.
    EXPECT_FALSE(
        registry::writeString(Root::LocalMachine, key, QStringLiteral("Bad"), QStringLiteral("a\rb")));

    QFile f(registry::filePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = cp932::decode(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUARNO\\PELLANZAIMU13]")));
    EXPECT_TRUE(text.contains(QStringLiteral("EnableLUA=dword:ffffffff")));
}

TEST(Registry, SubKeysAreTheDirectChildrenInRegistryOrder) {
    testenv::TempEnvironment env; // the default file lies in the application-data folder
    QFile f(registry::filePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cp932::encode(
        QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUARNO\\pellanzaimu13]\r\nVersion=13.0.0\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUARNO\\PELLANZAIMU12\\Sub]\r\nX=1\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUARNO\\Other]\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUARNOX]\r\n")));
    f.close();
    EXPECT_TRUE(registry::keyExists(Root::LocalMachine, QStringLiteral("\\SOFTWARE\\QUARNO")));
    EXPECT_TRUE(registry::keyExists(Root::LocalMachine, QStringLiteral("\\SOFTWARE\\QUARNO\\PELLANZAIMU12")));
    EXPECT_FALSE(registry::keyExists(Root::LocalMachine, QStringLiteral("\\SOFTWARE\\QUARN")));
    EXPECT_EQ(registry::subKeys(Root::LocalMachine, QStringLiteral("\\SOFTWARE\\QUARNO")),
              QStringList({QStringLiteral("Other"), QStringLiteral("PELLANZAIMU12"),
                           QStringLiteral("pellanzaimu13")}));
    // Unquoted text, as written by hand.
    EXPECT_EQ(registry::readString(Root::LocalMachine, QStringLiteral("\\SOFTWARE\\QUARNO\\PELLANZAIMU13"),
                                   QStringLiteral("Version")),
              QStringLiteral("13.0.0"));
}

// The product key of a long-lived installation can gather many subkeys; one listing stays linear in them.
TEST(Registry, ManySubKeysListedOnceEachWhateverTheirCase) {
    testenv::TempEnvironment env;
    QByteArray text;
    const int count = 200000;
    for (int i = 0; i < count; ++i) {
        text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUARNO\\K" + QByteArray::number(i) + "]\r\n";
        // A second spelling and a deeper key of every tenth subkey are no new subkeys.
        if (i % 10 == 0)
            text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QUARNO\\k" + QByteArray::number(i) + "\\Sub]\r\n";
    }
    ASSERT_TRUE(testenv::writeFile(registry::filePath(), text));
    const QStringList keys = registry::subKeys(Root::LocalMachine, QStringLiteral("\\SOFTWARE\\QUARNO"));
    ASSERT_EQ(keys.size(), count);
    EXPECT_EQ(keys.first(), QStringLiteral("K0"));
    EXPECT_EQ(keys.last(), QStringLiteral("K99999"));
    EXPECT_EQ(keys.count(QStringLiteral("K10")), 1);
}

// A registry file named by the caller's environment is set aside: each test environment keeps its own.
TEST(Registry, EachTestEnvironmentKeepsItsOwnFile) {
    testenv::TempEnvironment outer;
    const QString shared = outer.path() + QStringLiteral("/shared.ini");
    const testenv::ScopedEnv file("QV_REGISTRY_FILE", shared);
    const QString key = QStringLiteral("\\SOFTWARE\\QUARNO\\PELLANZAIMU13");
    for (int round = 0; round < 2; ++round) {
        testenv::TempEnvironment env;
        EXPECT_TRUE(registry::filePath().startsWith(env.path() + u'/')) << registry::filePath().toStdString();
        EXPECT_EQ(registry::readString(Root::LocalMachine, key, QStringLiteral("Version")), QString());
        ASSERT_TRUE(
            registry::writeString(Root::LocalMachine, key, QStringLiteral("Version"), QStringLiteral("13")));
    }
    EXPECT_FALSE(QFile::exists(shared));
    EXPECT_EQ(registry::filePath(), shared);
}

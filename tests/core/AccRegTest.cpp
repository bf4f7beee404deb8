#include "core/DataModule.h"
#include "core/Money.h"
#include "core/TDateTime.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccRecord.h"
#include "support/DmFixture.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

const QString kGroup = QStringLiteral("基本設定");

class AccRegTest : public ::testing::Test {
protected:
    void SetUp() override {
        ds = e.root->addDataset({});
        ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    }
    void TearDown() override { e.dm->fnAccDatDisConnected(ds.folder, 0, 0); }

    // The stored row (type word, text), or an empty pair; read outside the module's transaction.
    std::pair<QString, QString> stored(const QString& key, bool* isNull = nullptr) {
        QString type, text;
        auto db = ds.connect();
        fb::Transaction t(*db);
        fb::Query q(t, QStringLiteral("SELECT ATYPE,ATEXT FROM ACCREG WHERE AGROUP=:G AND ACODE=:K"));
        q.setString("G", kGroup);
        q.setString("K", key);
        q.open();
        if (!q.eof()) {
            type = q.field("ATYPE").asString();
            text = q.field("ATEXT").asString();
            if (isNull)
                *isNull = q.field("ATEXT").isNull();
        }
        t.commit();
        return {type, text};
    }

    testenv::DmEnvironment e;
    testenv::Dataset ds;
};

struct DefaultCase {
    const char* type;
    const char* def;
    QVariant expected;
};

TEST_F(AccRegTest, MissingRowsAreInsertedWithTheirDefaultAndTypeWord) {
    const DefaultCase cases[] = {
        {"文字", "", QStringLiteral(" ")},
        {"文字", "abc", QStringLiteral("abc")},
        {"論理", "", false},
        {"論理", "true", true},
        {"論理", "1", false},
        {"整数", "", 0},
        {"整数", "42", 42},
        {"整数", "x1", 0},
        {"金額", "1234.5", QVariant::fromValue(Money::fromString("1234.5"))},
        {"金額", "", QVariant::fromValue(Money())},
        {"実数", "0.25", 0.25},
        {"日付", "2024/04/01", QVariant::fromValue(TDateTime::fromDate(2024, 4, 1))},
        {"日付", "", QVariant::fromValue(TDateTime())},
        {"日時", "2024/04/01 13:45:10", QVariant::fromValue(TDateTime::fromDateTime(2024, 4, 1, 13, 45, 10))},
    };
    int n = 0;
    for (const DefaultCase& c : cases) {
        const QString key = QStringLiteral("K%1").arg(++n);
        const QString type = QString::fromUtf8(c.type);
        const QVariant value = GetAccReg(kGroup, key, type, QString::fromUtf8(c.def));
        EXPECT_EQ(value, c.expected) << c.type << " " << c.def;
        EXPECT_EQ(stored(key), std::make_pair(type, QString::fromUtf8(c.def))) << c.type;
        // The second read finds the row.
        EXPECT_EQ(GetAccReg(kGroup, key, type, QStringLiteral("999")), c.expected) << c.type;
    }
}

TEST_F(AccRegTest, WrittenValuesReadBackAndKeepTheFirstTypeWord) {
    const struct {
        const char* type;
        QVariant value;
        const char* text;
    } cases[] = {
        {"文字", QStringLiteral("東京"), "東京"},
        {"論理", true, "TRUE"},
        {"論理", false, "FALSE"},
        {"整数", -20, "-20"},
        {"金額", QVariant::fromValue(Money::fromString("-20")), "-20"},
        {"金額", QVariant::fromValue(Money::fromString("1234.5000")), "1234.5"},
        {"実数", 1.5, "1.5"},
        {"日付", QVariant::fromValue(TDateTime::fromDate(2025, 3, 31)), "2025/03/31"},
        {"日付", QVariant::fromValue(TDateTime()), ""},
        {"日時", QVariant::fromValue(TDateTime::fromDateTime(2025, 3, 31, 8, 5, 0)), "2025/03/31 08:05:00"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString key = QStringLiteral("W%1").arg(++n);
        const QString type = QString::fromUtf8(c.type);
        PutAccReg(kGroup, key, type, c.value);
        EXPECT_EQ(stored(key), std::make_pair(type, QString::fromUtf8(c.text))) << c.type;
        EXPECT_EQ(GetAccReg(kGroup, key, type, QString()), c.value) << c.type;
    }
    // An update changes only the text.
    PutAccReg(kGroup, QStringLiteral("W1"), QStringLiteral("整数"), 7);
    EXPECT_EQ(stored(QStringLiteral("W1")), std::make_pair(QStringLiteral("文字"), QStringLiteral("7")));
    // No type check on reading: an integer row read as text.
    EXPECT_EQ(GetAccReg(kGroup, QStringLiteral("W4"), QStringLiteral("文字"), QString()),
              QStringLiteral("-20"));

    DeleteAccReg(kGroup, QStringLiteral("W1"));
    EXPECT_EQ(stored(QStringLiteral("W1")), std::make_pair(QString(), QString()));
}

TEST_F(AccRegTest, UnknownTypeWordIsAnErrorAndStoresNothing) {
    EXPECT_THROW(PutAccReg(kGroup, QStringLiteral("U"), QStringLiteral("数値"), 1), EAccRegTypeError);
    EXPECT_THROW(GetAccReg(kGroup, QStringLiteral("U"), QStringLiteral("数値"), QStringLiteral("1")),
                 EAccRegTypeError);
    EXPECT_THROW(PutAccRegBlob(kGroup, QStringLiteral("U"), QStringLiteral("PNG"), QStringLiteral("x")),
                 EAccRegTypeError);
    EXPECT_EQ(stored(QStringLiteral("U")), std::make_pair(QString(), QString()));
    EXPECT_FALSE(e.dm->IBTransactionDAT.isActive());
}

TEST_F(AccRegTest, InsideACallersTransactionTheWorkStaysUncommitted) {
    e.dm->IBTransactionDAT.start();
    PutAccReg(kGroup, QStringLiteral("T1"), QStringLiteral("整数"), 3);
    EXPECT_EQ(GetAccReg(kGroup, QStringLiteral("T2"), QStringLiteral("文字"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_TRUE(e.dm->IBTransactionDAT.isActive());
    e.dm->IBTransactionDAT.rollback();
    EXPECT_EQ(stored(QStringLiteral("T1")), std::make_pair(QString(), QString()));
    EXPECT_EQ(stored(QStringLiteral("T2")), std::make_pair(QString(), QString()));

    // On its own the operation commits what it did and leaves no transaction running.
    PutAccReg(kGroup, QStringLiteral("T1"), QStringLiteral("整数"), 3);
    EXPECT_FALSE(e.dm->IBTransactionDAT.isActive());
    EXPECT_EQ(stored(QStringLiteral("T1")).second, QStringLiteral("3"));
}

TEST_F(AccRegTest, QueryFactoryNamesTheDatabaseByExactWord) {
    auto def = CreateAccQuery(QStringLiteral("ACCDEF"), false);
    auto lower = CreateAccQuery(QStringLiteral("accdef"), false);
    auto snapshot = CreateAccSQL(QStringLiteral("ACCDAT"), 1);
    ASSERT_TRUE(def && lower && snapshot);
    EXPECT_EQ(&def->transaction(), &e.dm->IBTransactionDEF);
    EXPECT_EQ(&lower->transaction(), &e.dm->IBTransactionDAT);
    EXPECT_EQ(&snapshot->transaction(), &e.dm->IBTransactionDATSS);
    EXPECT_TRUE(def->sql().isEmpty());
}

TEST_F(AccRegTest, PicturesComeBackAsNewPrivateFilesAndMemosEndWithALineBreak) {
    const QString picture = e.env.path() + QStringLiteral("/logo.bmp");
    const QByteArray bytes("BM\x00\x01\x02 picture bytes", 22);
    ASSERT_TRUE(testenv::writeFile(picture, bytes));
    PutAccRegBlob(kGroup, QStringLiteral("ロゴ"), QStringLiteral("BMP"), picture);

    const QString first = GetAccRegBlob(kGroup, QStringLiteral("ロゴ"), QString());
    const QString second = GetAccRegBlob(kGroup, QStringLiteral("ロゴ"), QString());
    EXPECT_NE(first, second);
    EXPECT_TRUE(first.endsWith(QStringLiteral(".bmp")));
    EXPECT_EQ(testenv::readFile(first), bytes);
    EXPECT_EQ(testenv::readFile(second), bytes);
    const QFileInfo folder(QFileInfo(first).path());
    EXPECT_TRUE(folder.path().startsWith(SystemDef.WinTempDir));
    EXPECT_EQ(folder.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther), 0);

    PutAccRegBlob(kGroup, QStringLiteral("メモ"), QStringLiteral("メモ"), QStringLiteral("一行目\r\n二行目"));
    EXPECT_EQ(GetAccRegBlob(kGroup, QStringLiteral("メモ"), QString()),
              QStringLiteral("一行目\r\n二行目\r\n"));
    EXPECT_TRUE(GetAccRegBlob(kGroup, QStringLiteral("なし"), QString()).isEmpty());
    // A picture file that cannot be read reaches the caller; nothing is stored.
    EXPECT_THROW(
        PutAccRegBlob(kGroup, QStringLiteral("欠"), QStringLiteral("JPG"), picture + QStringLiteral(".x")),
        std::runtime_error);
    EXPECT_TRUE(GetAccRegBlob(kGroup, QStringLiteral("欠"), QString()).isEmpty());
}

} // namespace

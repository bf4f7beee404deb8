// The cash-book sender's marking of live, deleted, linked and non-cash entries, for a cash-book send
// (twice) and a master send.

#include "CashBookSupport.h"

#include "tusin/z5CashBookSender.h"

namespace {

struct Links {
    int reserve1 = 0, reserve2 = 0, linkkub = 0, linkrec = 0, localflg = 0;
    QString linkkey;
    bool operator==(const Links&) const = default;
};

class CashBookSenderTest : public CashBookTest {
protected:
    void SetUp() override {
        CashBookTest::SetUp();
        live = writeLocal(QDate(2024, 5, 1), 1000, QStringLiteral("現金売上"));
        deleted = writeLocal(QDate(2024, 5, 2), 2000, QStringLiteral("取消"));
        linked = writeLocal(QDate(2024, 5, 3), 3000, QStringLiteral("連携済"));
        nonCash = writeLocal(QDate(2024, 5, 4), 4000, QStringLiteral("掛売上"));
        changed = writeLocal(QDate(2024, 5, 5), 5000, QStringLiteral("出納帳で訂正"));
        execOpen(QStringLiteral("UPDATE SIWAKE SET DELFLG=1 WHERE SWKREC=(SELECT SWKREC FROM SIWAKE WHERE REC=%1)").arg(deleted));
        execOpen(QStringLiteral("UPDATE SIWAKE SET LINKKEY='77',LINKKUB=10,RESERVE1=77,RESERVE2=4 WHERE REC=%1").arg(linked));
        // Entries without the cash account: one untouched by the cash-book side, one it changed.
        for (int rec : {nonCash, changed})
            execOpen(QStringLiteral("UPDATE SIWAKE SET KCODE='5000',HCODE='01' WHERE REC=%1").arg(rec));
        execOpen(QStringLiteral("UPDATE SIWAKE SET LINKREC=6,RESERVE1=9 WHERE REC=%1").arg(changed));
    }

    Links links(int rec) {
        fb::Transaction t(dm->IBDatabaseDAT);
        fb::Query q(t, QStringLiteral("SELECT RESERVE1,RESERVE2,LINKKUB,LINKREC,LOCALFLG,LINKKEY FROM SIWAKE WHERE REC=:REC"));
        q.setInt("REC", rec);
        q.open();
        return {q.field("RESERVE1").asInt(), q.field("RESERVE2").asInt(), q.field("LINKKUB").asInt(),
                q.field("LINKREC").asInt(), q.field("LOCALFLG").asInt(), q.field("LINKKEY").asString()};
    }

    int send(quint8 cashBook) {
        TCashBookSender sender;
        sender.Mode = cashBook;
        sender.CashBookSend = cashBook;
        sender.Execute();
        EXPECT_FALSE(dm->IBTransactionDAT.isActive());
        return sender.GetResult();
    }

    int live = 0, deleted = 0, linked = 0, nonCash = 0, changed = 0;
};

TEST_F(CashBookSenderTest, CashBookSendLinksOnlyWhatIsNotLinked) {
    const Links deletedBefore = links(deleted);
    ASSERT_EQ(send(1), 1);
    EXPECT_EQ(links(live), (Links{0, 0, 10, 0, 0, QString::number(live)}));
    EXPECT_EQ(links(deleted), deletedBefore);
    EXPECT_EQ(links(linked), (Links{77, 4, 10, 0, 0, QStringLiteral("77")}));
    EXPECT_EQ(links(nonCash), (Links{}));
    EXPECT_EQ(links(changed), (Links{9, 0, 10, 6, 0, QString::number(changed)}));

    // A second send finds nothing left to link.
    const std::vector<Links> before{links(live), links(deleted), links(linked), links(nonCash), links(changed)};
    ASSERT_EQ(send(1), 1);
    EXPECT_EQ((std::vector<Links>{links(live), links(deleted), links(linked), links(nonCash), links(changed)}), before);
}

TEST_F(CashBookSenderTest, MasterSendStartsEveryPairingAfresh) {
    ASSERT_EQ(send(1), 1);
    ASSERT_EQ(send(0), 1);
    EXPECT_EQ(links(live), (Links{live, 0, 10, 0, 0, QString::number(live)}));
    EXPECT_EQ(links(deleted), (Links{deleted, 0, 0, 0, 0, QString()}));
    EXPECT_EQ(links(linked), (Links{linked, 0, 10, 0, 0, QString::number(linked)}));
    EXPECT_EQ(links(nonCash), (Links{}));
    EXPECT_EQ(links(changed), (Links{}));
}

TEST_F(CashBookSenderTest, FailureIsLoggedAndShown) {
    // Another writer holds the live entry: the update meets a lock conflict.
    auto other = open.connect();
    fb::Transaction holder(*other);
    fb::Query lock(holder, QStringLiteral("UPDATE SIWAKE SET COMMENT='x' WHERE REC=:REC"));
    lock.setInt("REC", live);
    lock.execute();
    EXPECT_EQ(send(1), -100);
    ASSERT_EQ(e.ui->messageTexts().size(), 1);
    EXPECT_TRUE(e.ui->messageTexts()[0].startsWith(QStringLiteral("出納帳データの送信処理中にエラーが発生しました。\r\r原因: ")));
    holder.rollback();
    EXPECT_EQ(links(changed).linkkub, 0); // rolled back
}

} // namespace

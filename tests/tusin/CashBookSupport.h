#pragma once
// Two accounting datasets for the cash-book exchange: the open dataset (connected through the database
// module as after a logon) and a received dataset in the work area. Both hold the same small chart of
// accounts: cash 1110 (user code 111, the dataset's cash account), sales 4110 (411) and purchases 5000
// (500) with the sub-account 01.

#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccRecord.h"
#include "core/z5SiwakeIO.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"

#include <gtest/gtest.h>

class CashBookTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        SystemDef.GROUPID = 1;
        SystemDef.OPCODE = 10001;
        SystemDef.JOBLEVEL = 1;
        open = e.root->addDataset({});
        testenv::CompanySpec other;
        other.name = QStringLiteral("受信商店");
        received = e.root->addDataset(other);
        for (const testenv::Dataset* ds : {&open, &received})
            addChart(*ds);
        connectOpen();
    }
    void TearDown() override { AccInf = TACCINF{}; }

    static void addChart(const testenv::Dataset& ds) {
        ds.addSystemAccount(QStringLiteral("現金"), {QStringLiteral("1110"), QStringLiteral("111"), QStringLiteral("現金")});
        ds.addAccount({QStringLiteral("4110"), QStringLiteral("411"), QStringLiteral("売上高"), 4110});
        ds.addAccount({QStringLiteral("5000"), QStringLiteral("500"), QStringLiteral("仕入高"), 5000});
        ds.execute(QStringLiteral("UPDATE KAMOKUMST SET DAC=1 WHERE KCODE='1110'"));
        ds.execute(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('5000', '01', 'Ａ社')"));
        for (const char* row : {"'1110',' '", "'4110',' '", "'5000',' '", "'5000','01'"})
            ds.execute(QStringLiteral("INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE) VALUES (' ',") +
                       QString::fromLatin1(row) + QStringLiteral(",' ')"));
    }

    void connectOpen() {
        SystemDef.DataDir = open.folder;
        ASSERT_TRUE(dm->fnAccDatConnected(QString(), open.folder, 0));
        ASSERT_TRUE(dm->fnGetAccInfo());
        ASSERT_EQ(AccInf.CashKCODE, QStringLiteral("1110"));
    }

    // A cash sale written into the open dataset through the journal writer; returns its debit row's REC.
    int writeLocal(const QDate& date, qint64 amount, const QString& text) {
        TSiwakeWrite w;
        w.SetTransaction(dm->IBTransactionDAT);
        TSWKREC entry;
        w.InitSiwakeRec(entry, 0, TDateTime::fromDate(date));
        entry.SCODE = QStringLiteral(" ");
        entry.L.KCODE = QStringLiteral("111");
        entry.R.KCODE = QStringLiteral("411");
        entry.KINGAKU = Money(amount);
        entry.L.NUK = entry.R.NUK = entry.KINGAKU;
        entry.TEKTEXT = text;
        int code = 0;
        QString message;
        EXPECT_TRUE(w.TestSiwake(entry, code, message)) << message.toStdString();
        w.OwnTransaction = 1;
        return w.PutSiwake(entry);
    }

    // A received cash row (debit side only, as the merge reads it).
    struct Received {
        int rec = 0, swkno = 0, delflg = 0, reserve1 = 0, linkrec = 0;
        QDate date;
        qint64 amount = 0;
        QString text;
    };
    void addReceived(const Received& r) const {
        received.execute(QStringLiteral(
                             "INSERT INTO SIWAKE (REC, SWKREC, SWKNO, DELFLG, TAISHAKU, HIZUKE, SCODE, KCODE, R_KCODE,"
                             " KNAME, R_KNAME, TAXCODE, R_TAXCODE, KINGAKU, TEKTEXT, RESERVE1, LINKREC) VALUES (:REC, :REC, :SWKNO,"
                             " :DELFLG, 1, :HIZUKE, ' ', '1110', '4110', '現金', '売上高', 910, 910, :KINGAKU, :TEKTEXT,"
                             " :RESERVE1, :LINKREC)"),
                         [&](fb::Query& q) {
                             q.setInt("REC", r.rec);
                             q.setInt("SWKNO", r.swkno ? r.swkno : r.rec);
                             q.setInt("DELFLG", r.delflg);
                             fb::setDateTime(q, "HIZUKE", TDateTime::fromDate(r.date));
                             fb::setMoney(q, "KINGAKU", Money(r.amount));
                             q.setString("TEKTEXT", r.text);
                             q.setInt("RESERVE1", r.reserve1);
                             q.setInt("LINKREC", r.linkrec);
                         });
    }

    // Runs one statement on the open dataset in its own committed transaction.
    void execOpen(const QString& sql) {
        fb::Transaction t(dm->IBDatabaseDAT);
        fb::Query q(t, sql);
        q.execute();
        t.commit();
    }
    static int intOf(fb::Database& db, const QString& sql) {
        fb::Transaction t(db);
        fb::Query q(t, sql);
        q.open();
        return q.eof() ? 0 : q.field(0).asInt();
    }
    static QString textOf(fb::Database& db, const QString& sql) {
        fb::Transaction t(db);
        fb::Query q(t, sql);
        q.open();
        return q.eof() ? QStringLiteral("<none>") : q.field(0).asString();
    }
    int openInt(const QString& sql) {
        if (!dm->IBDatabaseDAT.isConnected())
            connectOpen();
        return intOf(dm->IBDatabaseDAT, sql);
    }
    int receivedInt(const QString& sql) const {
        auto db = received.connect();
        return intOf(*db, sql);
    }

    testenv::DmEnvironment e;
    std::unique_ptr<TDM>& dm = e.dm;
    testenv::Dataset open, received;
};

// The cash-book import run: merge mode with a table of journal cases for both origins, the account
// check's refusal, a failing step rolling back both databases, replace mode with its file swap, and the
// log file.

#include "CashBookSupport.h"

#include "platform/Cp932.h"
#include "support/TestEnv.h"
#include "tusin/z5CashBookLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace {

// A stopped run shows the window modally; the test closes it at once.
void run(TCashBookLoaderBox& box) {
    auto* closer = new QTimer(&box);
    QObject::connect(closer, &QTimer::timeout, &box, [&box] {
        if (box.isVisible())
            box.done(1);
    });
    closer->start(20);
    if (box.Origin == 1)
        box.AutoRun();
    else
        box.btnOkClick();
}

bool hasCode(const TTesuvioSyoriLog& log, int code) {
    return std::any_of(log.begin(), log.end(), [code](const TTesuvioSyoriInfo& e) { return e.Code == code; });
}

QString logText(const TTesuvioSyoriLog& log) {
    QStringList lines;
    for (const TTesuvioSyoriInfo& e : log)
        lines << QStringLiteral("%1 %2 %3").arg(e.Level).arg(e.Code).arg(e.Message);
    return lines.join(u'\n');
}

class CashBookLoaderTest : public CashBookTest, public ::testing::WithParamInterface<int> {
protected:
    struct Local {
        int rec = 0;
        Money amount;
        int delflg = 0, reserve1 = 0, reserve2 = 0, localflg = 0;
    };
    // The live or deleted debit row of the entry whose RESERVE1 or REC is given.
    Local localBy(const QString& where) {
        if (!dm->IBDatabaseDAT.isConnected())
            connectOpen();
        fb::Transaction t(dm->IBDatabaseDAT);
        fb::Query q(t, QStringLiteral("SELECT REC,KINGAKU,DELFLG,RESERVE1,RESERVE2,LOCALFLG FROM SIWAKE WHERE TAISHAKU=1 AND"
                                      " DELFLG IN (0,1) AND ") + where);
        q.open();
        if (q.eof())
            return {};
        return {q.field("REC").asInt(), fb::asMoney(q.field("KINGAKU")), q.field("DELFLG").asInt(),
                q.field("RESERVE1").asInt(), q.field("RESERVE2").asInt(), q.field("LOCALFLG").asInt()};
    }
    void link(int rec, int reserve2, bool withKey = true) {
        execOpen(QStringLiteral("UPDATE SIWAKE SET RESERVE1=%1,RESERVE2=%2,LINKKEY='%3',LINKKUB=%4 WHERE SWKREC="
                                "(SELECT SWKREC FROM SIWAKE WHERE REC=%1)")
                     .arg(rec)
                     .arg(reserve2)
                     .arg(withKey ? QString::number(rec) : QString())
                     .arg(withKey ? 10 : 0));
    }
    void prepare(TCashBookLoaderBox& box, int origin, int merge = 1) {
        box.Origin = quint8(origin);
        box.MergeMode = quint8(merge);
        box.SetReceivedDatabase(received.database);
    }
};

TEST_P(CashBookLoaderTest, MergeAppliesTheJournalCases) {
    const int origin = GetParam();
    // Local entries, linked as a master send and earlier merges leave them.
    const int corrected = writeLocal(QDate(2024, 5, 2), 2000, QStringLiteral("訂正前"));
    const int same = writeLocal(QDate(2024, 5, 3), 3000, QStringLiteral("変更なし"));
    const int removed = writeLocal(QDate(2024, 5, 4), 4000, QStringLiteral("削除"));
    const int revived = writeLocal(QDate(2024, 5, 5), 5000, QStringLiteral("復活"));
    const int byNumber = writeLocal(QDate(2024, 5, 6), 6000, QStringLiteral("番号"));
    link(corrected, 0);
    link(same, 5);
    link(removed, 0);
    link(revived, 0);
    execOpen(QStringLiteral("UPDATE SIWAKE SET DELFLG=1,LINKKEY='',LINKKUB=0 WHERE SWKREC=(SELECT SWKREC FROM SIWAKE WHERE REC=%1)")
                 .arg(revived));
    // Made on the cash-book side as row 50, which has since been corrected there into row 106.
    execOpen(QStringLiteral("UPDATE SIWAKE SET RESERVE1=50 WHERE SWKREC=(SELECT SWKREC FROM SIWAKE WHERE REC=%1)").arg(byNumber));

    addReceived({101, 0, 0, 0, 0, QDate(2024, 5, 1), 500, QStringLiteral("　新規 ")});
    addReceived({102, 0, 0, corrected, 3, QDate(2024, 5, 2), 2500, QStringLiteral("訂正後")});
    addReceived({103, 0, 0, same, 5, QDate(2024, 5, 3), 9999, QStringLiteral("変更なし")});
    addReceived({104, 0, 1, removed, 0, QDate(2024, 5, 4), 4000, QStringLiteral("削除")});
    addReceived({105, 0, 0, revived, 2, QDate(2024, 5, 5), 5500, QStringLiteral("復活")});
    addReceived({50, 60, 2, 0, 0, QDate(2024, 5, 6), 6000, QStringLiteral("番号")});
    addReceived({106, 60, 0, 0, 4, QDate(2024, 5, 6), 6600, QStringLiteral("番号")});
    // Masters: a new sub-account and a renamed one, the cash opening balance, a cash movement.
    received.execute(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME, BPFLG) VALUES ('5000', '02', 'Ｂ社', 1)"));
    received.execute(QStringLiteral("UPDATE HOJOMST SET HNAME='Ａ商事' WHERE KCODE='5000' AND HCODE='01'"));
    received.execute(QStringLiteral("UPDATE KAMOKU_SZ SET KISHU_KOMI=10000.4, KISHU_NUKI=9000 WHERE KCODE='1110'"));
    execOpen(QStringLiteral("UPDATE ACCDEF1 SET HOJO_INS_MODE=1 WHERE REC=1"));

    {
        TCashBookLoaderBox box;
        prepare(box, origin);
        run(box);
        ASSERT_EQ(box.GetResult(), 1) << logText(box.ProcessLog).toStdString();
        EXPECT_EQ(box.ProcessLog.back().Message, QStringLiteral("取り込み処理が成功しました。"));
        EXPECT_EQ(box.ProcessLog.back().Level, 1);
        // Warnings: the correction, the revival and the journal-number match (11), the deletion (12);
        // for a client's cash book also the balance difference (201).
        std::vector<int> codes;
        for (const TTesuvioSyoriInfo& e : box.ProcessLog)
            codes.push_back(e.Code);
        const std::vector<int> expected = origin == 0 ? std::vector<int>{11, 12, 11, 11, 201, 1} : std::vector<int>{11, 12, 11, 11, 1};
        EXPECT_EQ(codes, expected) << logText(box.ProcessLog).toStdString();
        box.show();
        testenv::saveShot(box, QStringLiteral("cashbook_merged_%1").arg(origin));
        box.hide();
        EXPECT_EQ(box.ProcessLog[1].Message.section(u' ', 1),
                  QStringLiteral("日付:2024/05/04 相手科目:売上高 摘要:削除 金額:4,000) 受信データの削除仕訳が優先されました。"));
    }
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();

    const Local added = localBy(QStringLiteral("RESERVE1=101"));
    EXPECT_EQ(added.amount, Money(500));
    EXPECT_EQ(added.localflg, 10);
    EXPECT_EQ(added.reserve2, 0);
    const Local newer = localBy(QStringLiteral("RESERVE1=%1 AND DELFLG=0").arg(corrected));
    EXPECT_EQ(newer.amount, Money(2500));
    EXPECT_EQ(newer.reserve2, 3);
    EXPECT_EQ(localBy(QStringLiteral("REC=%1").arg(same)).amount, Money(3000));
    EXPECT_EQ(localBy(QStringLiteral("REC=%1").arg(removed)).delflg, 1);
    const Local back = localBy(QStringLiteral("RESERVE1=%1 AND DELFLG=0").arg(revived));
    EXPECT_EQ(back.amount, Money(5500));
    EXPECT_EQ(back.reserve2, 2);
    const Local found = localBy(QStringLiteral("RESERVE1=50 AND DELFLG=0"));
    EXPECT_EQ(found.amount, Money(6600));
    EXPECT_EQ(found.reserve2, 4);
    EXPECT_EQ(openInt(QStringLiteral("SELECT COUNT(*) FROM SIWAKE WHERE TAISHAKU=1 AND DELFLG=0")), 5);
    // The two rows of every entry agree on its numbers, state and link columns.
    EXPECT_EQ(openInt(QStringLiteral(
                  "SELECT COUNT(*) FROM SIWAKE D JOIN SIWAKE C ON (C.SWKREC=D.SWKREC AND C.TAISHAKU=2)"
                  " WHERE D.TAISHAKU=1 AND (D.SITREC IS DISTINCT FROM C.SITREC OR D.SWKNO IS DISTINCT FROM C.SWKNO"
                  " OR D.DELFLG IS DISTINCT FROM C.DELFLG OR D.LINKREC IS DISTINCT FROM C.LINKREC"
                  " OR D.LOCALFLG IS DISTINCT FROM C.LOCALFLG OR D.RESERVE1 IS DISTINCT FROM C.RESERVE1"
                  " OR D.RESERVE2 IS DISTINCT FROM C.RESERVE2)")),
              0);

    // Masters: the new sub-account with its balance row, the renamed one; the mode is back.
    EXPECT_EQ(openInt(QStringLiteral("SELECT BPFLG FROM HOJOMST WHERE KCODE='5000' AND HCODE='02'")), 1);
    EXPECT_EQ(openInt(QStringLiteral("SELECT COUNT(*) FROM KAMOKU_SZ WHERE KCODE='5000' AND HCODE='02'")), 1);
    EXPECT_EQ(textOf(dm->IBDatabaseDAT, QStringLiteral("SELECT HNAME FROM HOJOMST WHERE KCODE='5000' AND HCODE='01'")),
              QStringLiteral("Ａ商事"));
    EXPECT_EQ(openInt(QStringLiteral("SELECT HOJO_INS_MODE FROM ACCDEF1 WHERE REC=1")), 1);
    // Opening balances come over from a sender only, in whole units.
    EXPECT_EQ(openInt(QStringLiteral("SELECT KISHU_KOMI FROM KAMOKU_SZ WHERE KCODE='1110'")), origin == 1 ? 10000 : 0);
}

INSTANTIATE_TEST_SUITE_P(Origins, CashBookLoaderTest, ::testing::Values(0, 1));

TEST_F(CashBookTest, DifferentSchemeRefusesWithNothingWritten) {
    received.execute(QStringLiteral("UPDATE ACCDEF1 SET SITEN=1, BUMON=1 WHERE REC=1"));
    received.execute(QStringLiteral("UPDATE KAMOKUMST SET USE=0 WHERE KCODE='4110'"));
    received.execute(QStringLiteral("DELETE FROM KAMOKUMST WHERE KCODE='5000'"));
    received.execute(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('4110', '02', 'Ｂ社')"));
    addReceived({101, 0, 0, 0, 0, QDate(2024, 5, 1), 500, QStringLiteral("新規")});
    TCashBookLoaderBox box;
    box.Origin = 1;
    box.SetReceivedDatabase(received.database);
    run(box);
    EXPECT_EQ(box.GetResult(), -106);
    std::vector<int> codes;
    for (const TTesuvioSyoriInfo& entry : box.ProcessLog)
        codes.push_back(entry.Code);
    EXPECT_EQ(codes, (std::vector<int>{-106, -107, -105, -104, -103})) << logText(box.ProcessLog).toStdString();
    EXPECT_EQ(box.ProcessLog[0].Message,
              QStringLiteral("(使用データ:本・支店管理を行わない ≠ 受信データ:本・支店管理を行う) 受信データの本・支店管理区分の設定内容に違いがありました。"));
    EXPECT_EQ(box.ProcessLog[1].Message,
              QStringLiteral("(使用データ:部門管理を行わない ≠ 受信データ:部門管理を行う[損益]) 受信データの部門管理区分の設定内容に違いがありました。"));
    EXPECT_EQ(box.ProcessLog[3].Message, QStringLiteral("(使用データ:500 仕入高) 科目コードが見つかりません。"));
    EXPECT_EQ(box.ProcessLog[4].Message,
              QStringLiteral("データ送信元の設定変更により科目体系に差異が発生しています。データ送信元にご連絡して下さい。"));
    box.show();
    testenv::saveShot(box, QStringLiteral("cashbook_refused"));
    box.hide();
    EXPECT_EQ(openInt(QStringLiteral("SELECT COUNT(*) FROM SIWAKE")), 0);
    EXPECT_EQ(openInt(QStringLiteral("SELECT COUNT(*) FROM HOJOMST WHERE HCODE='02'")), 0);
    EXPECT_EQ(receivedInt(QStringLiteral("SELECT COUNT(*) FROM SIWAKE")), 1);

    // From a client's cash book the unused account is only a warning; the success then advises a
    // master send.
    received.execute(QStringLiteral("UPDATE ACCDEF1 SET SITEN=0, BUMON=0 WHERE REC=1"));
    received.addAccount({QStringLiteral("5000"), QStringLiteral("500"), QStringLiteral("仕入高"), 5000});
    received.execute(QStringLiteral("DELETE FROM HOJOMST WHERE HCODE='02'"));
    TCashBookLoaderBox client;
    client.SetReceivedDatabase(received.database);
    run(client);
    ASSERT_EQ(client.GetResult(), 1) << logText(client.ProcessLog).toStdString();
    EXPECT_TRUE(hasCode(client.ProcessLog, 101));
    EXPECT_EQ(client.ProcessLog.back().Message,
              QStringLiteral("取り込み処理が成功しました。 （次回の送信時は、マスター送信を行って下さい。）"));
}

TEST_F(CashBookTest, FailingSubAccountStepRollsBackBothDatabases) {
    // A received sub-account of an account the open dataset lacks cannot be stored.
    received.execute(QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME) VALUES ('9000', '900', '雑収入')"));
    received.execute(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('5000', '02', 'Ｂ社')"));
    received.execute(QStringLiteral("INSERT INTO HOJOMST (KCODE, HCODE, HNAME) VALUES ('9000', '01', '雑')"));
    execOpen(QStringLiteral("UPDATE ACCDEF1 SET HOJO_INS_MODE=1 WHERE REC=1"));
    TCashBookLoaderBox box;
    box.Origin = 1;
    box.SetReceivedDatabase(received.database);
    run(box);
    EXPECT_EQ(box.GetResult(), -100);
    ASSERT_GE(box.ProcessLog.size(), 2u);
    EXPECT_TRUE(box.ProcessLog[0].Message.startsWith(QStringLiteral("「補助科目の取り込み」に失敗しました。 原因: ")));
    EXPECT_EQ(box.ProcessLog.back().Message, QStringLiteral("取り込み処理を中止しました。"));
    EXPECT_EQ(openInt(QStringLiteral("SELECT COUNT(*) FROM HOJOMST WHERE HCODE='02'")), 0);
    EXPECT_EQ(openInt(QStringLiteral("SELECT HOJO_INS_MODE FROM ACCDEF1 WHERE REC=1")), 1);
    EXPECT_TRUE(dm->IBDatabaseDAT.isConnected());
}

// Shown modally, the window starts the run by itself; "閉じる" then closes it with 1.
TEST_F(CashBookTest, ShownModallyRunsByItselfAndClosesWithOne) {
    TCashBookLoaderBox box;
    box.SetReceivedDatabase(received.database);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &box, [&box] {
        if (box.isVisible() && box.AutoPending == 0)
            box.btnCancelClick();
    });
    poll.start(20);
    EXPECT_EQ(box.exec(), 1);
    EXPECT_EQ(box.GetResult(), 1) << logText(box.ProcessLog).toStdString();
    EXPECT_EQ(box.AutoPending, 0);
}

TEST_F(CashBookTest, NothingRunsForAClientInReplaceMode) {
    TCashBookLoaderBox box;
    box.Origin = 0;
    box.MergeMode = 0;
    box.SetReceivedDatabase(received.database);
    run(box);
    EXPECT_TRUE(box.ProcessLog.empty());
    EXPECT_EQ(box.GetResult(), 0);
}

// The data file swap watched from inside the copy of the received file: the folder as a crash at that
// moment would leave it. failing: the copy writes part of the file and fails.
class WatchedCopyBox : public TCashBookLoaderBox {
public:
    explicit WatchedCopyBox(bool failing) : m_failing(failing) {}
    QString copiedTo;
    QByteArray targetDuringCopy;

protected:
    bool CopyReceivedFile(const QString& from, const QString& to, int mode) override {
        copiedTo = to;
        targetDuringCopy = testenv::readFile(SystemDef.DataDir + QStringLiteral("/placc.fdb"));
        if (!m_failing)
            return TCashBookLoaderBox::CopyReceivedFile(from, to, mode);
        QFile partial(to);
        return partial.open(QIODevice::WriteOnly) && partial.write("part") && false;
    }

private:
    bool m_failing;
};

TEST_F(CashBookTest, ReplaceModeSwapsTheFileAndCarriesDictionariesAndName) {
    execOpen(QStringLiteral("UPDATE ACCDEF1 SET ENTTEXT='本データ一覧名', DATALOCK=3 WHERE REC=1"));
    execOpen(QStringLiteral("INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT) VALUES (1, ' ', 1, '売上')"));
    execOpen(QStringLiteral("INSERT INTO TEKDIC (TEKCODE, CREC, KANA, TEXT, SCODE) VALUES (0, 1, 'ｳﾘｱｹﾞ', '売上代金', ' ')"));
    received.execute(QStringLiteral("INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT) VALUES (4, ' ', 1, '旧')"));
    received.execute(QStringLiteral("UPDATE ACCDEF1 SET PASWORD='pw', WEB_HOLDER='holder', READ_ONLY=1 WHERE REC=1"));
    received.execute(QStringLiteral("INSERT INTO OPINF (OPCODE, JOBNAME) VALUES (1, 'job')"));
    received.setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ区分"), QStringLiteral("I"), QStringLiteral("1"));

    const QString target = open.folder + QStringLiteral("/placc.fdb");
    const qint64 size = QFileInfo(target).size();
    {
        WatchedCopyBox failing(true);
        failing.Origin = 1;
        failing.MergeMode = 0;
        failing.SetReceivedDatabase(received.database);
        run(failing);
        EXPECT_LT(failing.GetResult(), 0);
        EXPECT_FALSE(hasCode(failing.ProcessLog, 1)) << logText(failing.ProcessLog).toStdString();
        EXPECT_TRUE(hasCode(failing.ProcessLog, -100));
        EXPECT_TRUE(logText(failing.ProcessLog)
                        .contains(QStringLiteral("3 -100 受信データの移行処理後のコピーに失敗しました。\n"
                                                 "3 -100 元のデータ「%1」は変更されていません。")
                                      .arg(target)))
            << logText(failing.ProcessLog).toStdString();
        // The copy went beside the target, never onto it, and what it left is gone.
        EXPECT_EQ(QFileInfo(failing.copiedTo).path(), open.folder);
        EXPECT_NE(QFileInfo(failing.copiedTo).fileName(), QStringLiteral("placc.fdb"));
        EXPECT_EQ(qint64(failing.targetDuringCopy.size()), size);
        EXPECT_TRUE(testenv::readFile(target) == failing.targetDuringCopy);
        EXPECT_FALSE(QFile::exists(failing.copiedTo));
        EXPECT_FALSE(QFile::exists(open.folder + QStringLiteral("/placc.f00")));
        EXPECT_EQ(textOf(dm->IBDatabaseDAT, QStringLiteral("SELECT SHOUGOU FROM ACCDEF1 WHERE REC=1")),
                  QStringLiteral("株式会社テスト"));
    }

    WatchedCopyBox box(false);
    box.Origin = 1;
    box.MergeMode = 0;
    box.SetReceivedDatabase(received.database);
    run(box);
    ASSERT_EQ(box.GetResult(), 1) << logText(box.ProcessLog).toStdString();
    // While the new file was being made the old one was still in its place, whole.
    EXPECT_EQ(qint64(box.targetDuringCopy.size()), size);
    ASSERT_TRUE(dm->IBDatabaseDAT.isConnected());
    fb::Database& db = dm->IBDatabaseDAT;
    EXPECT_EQ(textOf(db, QStringLiteral("SELECT SHOUGOU FROM ACCDEF1 WHERE REC=1")), QStringLiteral("受信商店"));
    EXPECT_EQ(textOf(db, QStringLiteral("SELECT ENTTEXT FROM ACCDEF1 WHERE REC=1")), QStringLiteral("本データ一覧名"));
    EXPECT_EQ(intOf(db, QStringLiteral("SELECT DATALOCK FROM ACCDEF1 WHERE REC=1")), 3);
    EXPECT_EQ(intOf(db, QStringLiteral("SELECT READ_ONLY FROM ACCDEF1 WHERE REC=1")), 0);
    EXPECT_EQ(textOf(db, QStringLiteral("SELECT PASWORD || '/' || WEB_HOLDER FROM ACCDEF1 WHERE REC=1")), QStringLiteral("/"));
    EXPECT_EQ(textOf(db, QStringLiteral("SELECT TEXT FROM TEKDIC")), QStringLiteral("売上代金"));
    EXPECT_EQ(intOf(db, QStringLiteral("SELECT COUNT(*) FROM OPINF")), 0);
    // The merge kind of the received data is gone (reading the settings writes the default again).
    EXPECT_EQ(intOf(db, QStringLiteral("SELECT COUNT(*) FROM ACCREG WHERE ACODE='合算データ区分' AND ATEXT='1'")), 0);
    EXPECT_FALSE(QFile::exists(open.folder + QStringLiteral("/placc.f00")));

    // The log as a CSV file: each entry line ends with the separator and is followed by an empty line.
    const QString csv = e.env.path() + QStringLiteral("/log.csv");
    ASSERT_TRUE(box.WriteLogFile(csv, true));
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(cp932::decode(f.readAll()), QStringLiteral("'情報','1','取り込み処理が成功しました。',\r\n\r\n"));
}

} // namespace

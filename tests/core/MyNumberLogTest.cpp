// The individual-number log: comments of the event kinds, the administration password prompt, a log
// row that keeps meeting an existing key, and the merge of a log into other data of the company.

#include "DataModuleFixture.h"

#include "controls/QtUserInteraction.h"
#include "controls/z5InputDlg.h"
#include "core/z5ComMyNumber.h"
#include "ui_z5InputDlg.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {

class MyNumberLogTest : public DataModuleTest {
protected:
    void TearDown() override { TMyNumberIO::NowProc = [] { return TDateTime::now(); }; }
    int rows(const testenv::Dataset& ds, const QString& where = QStringLiteral("1=1")) {
        fb::Database db(ds.database, testenv::databaseUser());
        db.attach();
        return firstInt(db, QStringLiteral("SELECT COUNT(*) FROM MYNUMBER_LOG WHERE ") + where);
    }
};

TEST_F(MyNumberLogTest, CommentsOfTheEventKinds) {
    struct Case {
        int kind;
        const char* proc;
        const char* comment;
    };
    const Case cases[] = {
        {1, "台帳", "マイナンバー情報が登録されました。"},
        {3, "", "マイナンバー情報が削除されました。"},
        {6, "データ送信", "マイナンバー情報を含むデータが送信されました。"},
        {6, "データ選択", "マイナンバー情報を含むデータが保存されました。"},
        {7, "クラウドシェア受信", "マイナンバー情報を含むデータが受信されました。"},
        {7, "データ選択", "マイナンバー情報を含むデータが復元されました。"},
        {8, "データ送信", "マイナンバー情報を含めずにデータが送信されました。"},
        {8, "データ選択", "マイナンバー情報を含めずにデータが保存されました。"},
        {9, "", "マイナンバー管理パスワードを既定値に設定しました。"},
        {10, "", "マイナンバー管理パスワードを変更しました。"},
    };
    TMyNumberIO io;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        TMyNumberLogRec row;
        io.MakeLogRec(row, c.kind, QString::fromUtf8(c.proc));
        EXPECT_EQ(row.FCOMMENT, QString::fromUtf8(c.comment));
        EXPECT_EQ(row.FSTATE, c.kind);
    }
    SystemDef.PCName = QString(59, u'a') + QStringLiteral("漢字");
    TMyNumberLogRec row;
    io.MakeLogRec(row, 4, QString(39, u'p') + QStringLiteral("処理"));
    EXPECT_EQ(row.FHOST, QString(59, u'a')); // never half a character
    EXPECT_EQ(row.FPROCNAME, QString(39, u'p'));
    EXPECT_EQ(row.FOPCODE, QStringLiteral("10"));
    EXPECT_TRUE(row.FHIZUKE.isNull());
}

TEST_F(MyNumberLogTest, AdministrationPassword) {
    SystemDef.MYNUMBER_ADM = 0;
    EXPECT_TRUE(AskMyNumberAdminPassword(QStringLiteral("abc123")));
    EXPECT_TRUE(shown->shown().empty());

    SystemDef.MYNUMBER_ADM = 1;
    EXPECT_FALSE(AskMyNumberAdminPassword(QString()));
    EXPECT_TRUE(shown->shown().empty());

    shown->queueInput(QStringLiteral("wrong"));
    shown->queueInput(QStringLiteral(" abc　12 3"));
    EXPECT_TRUE(AskMyNumberAdminPassword(QStringLiteral("abc123")));
    ASSERT_EQ(shown->shown().size(), 2u);
    const ui::InputRequest& first = shown->shown()[0].input;
    EXPECT_EQ(first.caption, QStringLiteral("マイナンバー管理パスワードの確認"));
    EXPECT_EQ(first.prompt, QStringLiteral("マイナンバー管理パスワードを入力して下さい。"));
    EXPECT_TRUE(first.password);
    EXPECT_EQ(first.maxLength, 8);
    EXPECT_TRUE(first.lettersAndDigitsOnly);
    EXPECT_FALSE(first.promptAlert);
    const ui::InputRequest& second = shown->shown()[1].input;
    EXPECT_EQ(second.prompt, QStringLiteral("正しいパスワードを入力して下さい。"));
    EXPECT_TRUE(second.promptAlert);

    shown->clear();
    for (int i = 0; i < 4; ++i)
        shown->queueInput(QStringLiteral("ABC123")); // letter case counts
    EXPECT_FALSE(AskMyNumberAdminPassword(QStringLiteral("abc123")));
    EXPECT_EQ(shown->shown().size(), 3u);

    shown->clear();
    shown->queueInput(std::nullopt);
    EXPECT_FALSE(AskMyNumberAdminPassword(QStringLiteral("abc123")));
    EXPECT_EQ(shown->shown().size(), 1u);
}

// The prompt as the operator sees it: the second try asks again in red. QV_SCREENSHOT_DIR keeps a
// picture of it.
TEST_F(MyNumberLogTest, PasswordPromptThroughTheInputDialog) {
    SystemDef.MYNUMBER_ADM = 1;
    auto previous = ui::install(std::make_unique<QtUserInteraction>());
    int tries = 0;
    QString secondPrompt;
    std::function<void()> answer = [&] {
        auto* d = qobject_cast<TInputDlgBox*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        ++tries;
        if (tries == 2) {
            secondPrompt = d->form().lblMain->text();
            const QString dir = qEnvironmentVariable("QV_SCREENSHOT_DIR");
            if (!dir.isEmpty())
                d->grab().save(dir + QStringLiteral("/mynumber_password.png"));
        }
        QTest::keyClicks(d->form().txtInput, tries == 1 ? QStringLiteral("nope") : QStringLiteral("abc123"));
        QTest::mouseClick(d->form().btnOK, Qt::LeftButton);
        if (tries == 1)
            QTimer::singleShot(0, answer);
    };
    QTimer::singleShot(0, answer);
    const bool ok = AskMyNumberAdminPassword(QStringLiteral("abc123"));
    ui::install(std::move(previous));
    EXPECT_TRUE(ok);
    EXPECT_EQ(tries, 2);
    EXPECT_EQ(secondPrompt, QStringLiteral("正しいパスワードを入力して下さい。"));
}

// Every attempt meets a row with the same key: the row is not lost unseen, the refusal is reported.
TEST_F(MyNumberLogTest, ARowThatCannotBeWrittenIsReported) {
    const testenv::Dataset ds = openDataset();
    const TDateTime fixed = TDateTime::fromDateTime(2024, 6, 1, 10, 0, 0);
    TMyNumberIO::NowProc = [fixed] { return fixed; };
    TMyNumberIO io;
    TMyNumberLogRec row;
    io.MakeLogRec(row, 4, QStringLiteral("参照"));
    io.AddLog(row);
    EXPECT_EQ(rows(ds), 1);
    EXPECT_TRUE(shown->shown().empty());

    TMyNumberLogRec again;
    io.MakeLogRec(again, 5, QStringLiteral("印刷"));
    io.AddLog(again);
    EXPECT_EQ(rows(ds), 1);
    ASSERT_EQ(shown->messageTexts().size(), 1);
    EXPECT_TRUE(shown->messageTexts()[0].contains(QStringLiteral("管理ログリストの追加に失敗しました。")));
}

TEST_F(MyNumberLogTest, MergeAddsOnlyMissingRowsOfTheSameCompany) {
    const testenv::Dataset source = root->addDataset({});
    const testenv::Dataset same = root->addDataset({});
    testenv::CompanySpec otherCompany;
    otherCompany.name = QStringLiteral("別会社");
    const testenv::Dataset other = root->addDataset(otherCompany);
    for (const char* at : {"2024-01-01 09:00:00", "2024-02-01 09:00:00"})
        source.execute(QStringLiteral("INSERT INTO MYNUMBER_LOG (FHIZUKE,FSERIAL,FOPCODE,FHOST,FSTATE) "
                                      "VALUES ('%1','1.0','10','PC',1)").arg(QString::fromLatin1(at)));
    same.execute(QStringLiteral("INSERT INTO MYNUMBER_LOG (FHIZUKE,FSERIAL,FOPCODE,FHOST,FSTATE) "
                                "VALUES ('2024-01-01 09:00:00','1.0','10','PC',1)"));
    TMyNumberIO io;
    io.GetLogListOfData(QString(), source.database);
    ASSERT_EQ(io.Count, 2);
    EXPECT_EQ(io.SHOUGOU, QStringLiteral("株式会社テスト"));
    io.MergeLogList(QString(), other.database);
    EXPECT_EQ(rows(other), 0);
    io.MergeLogList(QString(), same.database);
    EXPECT_EQ(rows(same), 2);
    EXPECT_FALSE(dm->IBDatabaseDAT.isConnected());
    EXPECT_TRUE(shown->shown().empty()) << shown->messageTexts().join(u'\n').toStdString();
}

} // namespace

// The list of the other logged-on operators: started by name, closing by itself when nobody else is
// logged on, operators without an OPERATOR row, more operators than a fixed list would hold, the host's
// refusal and a database error while loading.
#include "datasel/WebMenuL.h"

#include "controls/PerfectGrid.h"
#include "core/uAccRecord.h"
#include "support/DmFixture.h"
#include "ui_WebMenuL.h"

#include <QApplication>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Runs work on the modal list once it shows.
void whenShown(const std::function<void(TfmWebMenuL&)>& work) {
    testenv::whenReady([work] {
        auto* box = qobject_cast<TfmWebMenuL*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return false;
        work(*box);
        return true;
    });
}

QStringList row(const TPerfectGrid* g, int r) {
    return {g->CellText(r, 0), g->CellText(r, 1), g->CellText(r, 2)};
}

class WebMenuLTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetScreenPixelsPerInch(96);
        e.connectSystem();
        RegisterWebMenuL();
        // The own logon, on two computers: never listed.
        logOn(10000, 10, QStringLiteral("PC-OWN"));
        logOn(10000, 10, QStringLiteral("PC-OWN2"));
    }
    void TearDown() override {
        HostMenuProc = nullptr;
        SetScreenPixelsPerInch(0);
    }

    void logOn(int group, int op, const QString& pc) const {
        e.executeSystem(QStringLiteral("INSERT INTO LOGONUSERLIST (GROUPID, OPERATORCODE, PCNAME, OPCODE) "
                                       "VALUES (%1, %2, '%3', %4)")
                            .arg(group)
                            .arg(op)
                            .arg(pc)
                            .arg(group * 10000 + op));
    }

    testenv::DmEnvironment e;
};

TEST_F(WebMenuLTest, OnlyTheOwnLogonClosesTheListAtOnceWithResultZero) {
    EXPECT_EQ(RunNamedDialog(QStringLiteral("webmenul"), 1, QString()), 0);
    EXPECT_TRUE(e.ui->messageTexts().isEmpty());
}

TEST_F(WebMenuLTest, OtherOperatorsAreListedAndTheResultIsOneHoweverTheListCloses) {
    e.executeSystem(QStringLiteral("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME) VALUES (10000, 20, '経理 花子')"));
    logOn(10000, 20, QStringLiteral("PC-A"));
    logOn(10000, 30, QStringLiteral("PC-B")); // no OPERATOR row

    const struct {
        const char* how;
        std::function<void(TfmWebMenuL&)> close;
    } closings[] = {
        {"F12 button", [](TfmWebMenuL& box) { box.form().F12->click(); }},
        {"F12 key", [](TfmWebMenuL& box) { QTest::keyClick(&box, Qt::Key_F12); }},
        {"close box", [](TfmWebMenuL& box) { box.close(); }},
    };
    for (const auto& c : closings) {
        SCOPED_TRACE(c.how);
        bool checked = false;
        whenShown([&](TfmWebMenuL& box) {
            EXPECT_EQ(box.windowTitle(), QStringLiteral("ログインユーザー"));
            const TPerfectGrid* g = box.Grid();
            ASSERT_EQ(g->RowCount(), 2);
            EXPECT_EQ(row(g, 0), (QStringList{"1", "20", "経理 花子"}));
            EXPECT_EQ(row(g, 1), (QStringList{"2", "30", ""}));
            EXPECT_FALSE(box.form().ESC->isVisible());
            EXPECT_FALSE(box.form().F1->isVisible());
            EXPECT_TRUE(box.form().HintArea->text().startsWith(
                QStringLiteral("他のオペレーターがペラン財務を利用中のため、バ\n")));
            // Esc and F1 leave the list open.
            QTest::keyClick(&box, Qt::Key_Escape);
            QTest::keyClick(&box, Qt::Key_F1);
            EXPECT_TRUE(box.isVisible());
            testenv::saveShot(box, QStringLiteral("webmenul"));
            checked = true;
            c.close(box);
        });
        EXPECT_EQ(RunNamedDialog(QStringLiteral("WebMenuL"), 1, QStringLiteral("SyoriType=0")), 1);
        EXPECT_TRUE(checked);
    }
}

TEST_F(WebMenuLTest, MoreThanAHundredOtherOperatorsAreAllListed) {
    for (int op = 101; op <= 250; ++op)
        logOn(10000, op, QStringLiteral("PC%1").arg(op));
    TfmWebMenuL box;
    ASSERT_EQ(box.Users.size(), 150);
    const TPerfectGrid* g = box.Grid();
    ASSERT_EQ(g->RowCount(), 150);
    EXPECT_EQ(row(g, 0), (QStringList{"1", "101", ""}));
    EXPECT_EQ(row(g, 99), (QStringList{"100", "200", ""}));
    EXPECT_EQ(row(g, 149), (QStringList{"150", "250", ""}));
}

TEST_F(WebMenuLTest, TheHostRefusesWhileAnotherJobIsOpen) {
    logOn(10000, 20, QStringLiteral("PC-A"));
    int asked = 0;
    HostMenuProc = [&](int code, const QString&) {
        asked = code;
        return 1;
    };
    EXPECT_EQ(RunNamedDialog(QStringLiteral("WebMenuL"), 1, QString()), 1);
    EXPECT_EQ(asked, 10);
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("メニュー以外の処理が開いています。\r"
                                         "全ての処理を閉じてから処理を実行してください。")});
}

TEST_F(WebMenuLTest, ADatabaseErrorIsReportedAndNoListIsMade) {
    e.executeSystem(QStringLiteral("ALTER TABLE OPERATOR ALTER COLUMN OPNAME TO OPNAME_OLD"));
    EXPECT_THROW(TfmWebMenuL box, fb::Error);
    // Logged with the dialog's context; the error itself reaches the caller.
    EXPECT_TRUE(testenv::readFile(e.root->logDir() + QStringLiteral("/ErrFbAccess.log"))
                    .contains("TfmWebMenuL.fnDBConect_OP"));
}

} // namespace

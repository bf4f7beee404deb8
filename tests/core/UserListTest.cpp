// Operator lists on the fixture system database: order, the every-operator entry, quoted lines,
// approvers, a database without the newest operator columns, and the logged-on operators of a group.

#include "DataModuleFixture.h"

#include "core/TUserList.h"

namespace {

class UserListTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        execDef(QStringLiteral("INSERT INTO USERGROUP (GROUPID) VALUES (7)"));
        for (const char* row : {"7, 12, '佐藤', 2, 1", "7, 10, '鈴木', 1, 0", "7, 3, '内部', 9, 0"})
            execDef(QStringLiteral("INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL, SHONIN) VALUES (") +
                    QString::fromUtf8(row) + u')');
    }
};

TEST_F(UserListTest, OperatorsOfAGroup) {
    TUserList list;
    list.GroupId = 7;
    list.AllCaption = QStringLiteral("選択なし");
    list.Execute();
    EXPECT_EQ(list.Count, 3);
    EXPECT_EQ(list.Lines, (QStringList{QStringLiteral("選択なし"), QStringLiteral("10:鈴木"), QStringLiteral("12:佐藤")}));
    EXPECT_EQ(list.IndexOfOpCode(0), 0);
    EXPECT_EQ(list.IndexOfOpCode(12), 2);
    EXPECT_EQ(list.IndexOfOpCode(3), -1); // codes below 10 never appear
    EXPECT_EQ(list.GetOpCode(1), 10);
    EXPECT_EQ(list.GetOpCode(3), 0);
    EXPECT_EQ(list.GetOpCode(-1), 0);
    EXPECT_EQ(list.Entries[2].LevelName, QStringLiteral("レベル２"));
    EXPECT_TRUE(list.Entries[2].Shonin);
    EXPECT_EQ(list.Entries[0].JobLevel, 9);
    QString text;
    list.GetText(text);
    EXPECT_EQ(text, QStringLiteral("選択なし\r\n10:鈴木\r\n12:佐藤\r\n"));

    list.Quoted = 1;
    list.ApproversOnly = 1;
    list.Execute();
    EXPECT_EQ(list.Lines, (QStringList{QStringLiteral("\"選択なし\"\t\"\""), QStringLiteral("\"12\"\t\"佐藤\"")}));

    // A group without operators of code 10 or above: the every-operator entry alone.
    TUserList empty;
    empty.GroupId = 99;
    empty.AllCaption = QStringLiteral("選択なし");
    empty.Execute();
    EXPECT_EQ(empty.Count, 1);
    EXPECT_EQ(empty.Lines, QStringList{QStringLiteral("選択なし")});
    EXPECT_TRUE(shown->shown().empty());
}

TEST_F(UserListTest, OlderOperatorTableWithoutTheNewestColumns) {
    execDef(QStringLiteral("ALTER TABLE OPERATOR DROP MYNUMBER_ADM, DROP SHONIN"));
    TUserList list;
    list.GroupId = 7;
    list.ApproversOnly = 1;
    list.Execute();
    EXPECT_EQ(list.Lines, (QStringList{QStringLiteral("10:鈴木"), QStringLiteral("12:佐藤")}));
    EXPECT_FALSE(list.Entries[1].Shonin);
    EXPECT_FALSE(list.Entries[1].MyNumberAdm);
    EXPECT_TRUE(shown->shown().empty()) << shown->messageTexts().join(u'\n').toStdString();
}

TEST_F(UserListTest, LoggedOnOperators) {
    for (const char* row : {"7, 10, 'PC-A', 70010", "7, 12, 'PC-B', 70012", "7, 12, 'PC-C', 70012"})
        execDef(QStringLiteral("INSERT INTO LOGONUSERLIST (GROUPID, OPERATORCODE, PCNAME, OPCODE) VALUES (") +
                QString::fromUtf8(row) + u')');
    TLoginUserListOnDef list;
    list.Execute(7, 70010, 0);
    EXPECT_EQ(list.Lines, (QStringList{QStringLiteral("12:佐藤"), QStringLiteral("12:佐藤")}));
    EXPECT_EQ(list.Entries[1].PcName, QStringLiteral("PC-C"));
    list.Execute(7, 70010, 1);
    EXPECT_EQ(list.Count, 3);
    EXPECT_EQ(list.GetOpCode(0), 10);
    QString name;
    list.GetName(3, name);
    EXPECT_TRUE(name.isEmpty());

    execDef(QStringLiteral("DELETE FROM LOGONUSERLIST WHERE OPCODE=70012"));
    list.Execute(7, 70010, 0);
    EXPECT_EQ(list.Count, 0);
    EXPECT_FALSE(dm->IBTransactionDEF.isActive());
}

} // namespace

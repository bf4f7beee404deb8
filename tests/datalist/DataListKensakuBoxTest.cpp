// The search-condition dialog: loading a condition into its controls and taking it back.

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datalist/z5DataListKensaku.h"
#include "support/DmFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

class DataListKensakuBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        e.executeSystem(QStringLiteral(
            "INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL) VALUES (10000, 12, '山田', 1)"));
        e.executeSystem(QStringLiteral(
            "INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL) VALUES (10000, 5, '低い番号', 1)"));
    }
    template <class T> static T* child(QWidget& box, const char* name) {
        return box.findChild<T*>(QString::fromLatin1(name));
    }
    testenv::DmEnvironment e;
};

TEST_F(DataListKensakuBoxTest, ConditionShownAndTakenBack) {
    TDataListKensakuBox box;
    ASSERT_TRUE(box.SetupDone);
    auto* kind = child<QComboBox>(box, "cmbDataKbn");
    auto* person = child<QComboBox>(box, "cmbTanto");
    auto* version = child<QComboBox>(box, "cmbVersion");
    ASSERT_TRUE(kind && person && version);
    EXPECT_EQ(kind->count(), 7);
    EXPECT_EQ(person->itemText(0), QStringLiteral("選択なし"));
    // Codes below 10 are no operators of the list.
    QStringList persons;
    for (int i = 0; i < person->count(); ++i)
        persons << person->itemText(i);
    EXPECT_TRUE(persons.contains(QStringLiteral("12:山田")));
    EXPECT_FALSE(persons.join(u',').contains(QStringLiteral("低い番号")));
    EXPECT_EQ(version->itemText(0), QStringLiteral("選択なし"));

    box.SetListType(0);
    box.InitKensakuRec(box.KensakuRec);
    box.KensakuRec.DATATYPE = 3;
    box.KensakuRec.CODETYPE = 2;
    box.KensakuRec.TANTO = 77; // an operator who has left the group
    box.KensakuRec.DATANAME = QStringLiteral("山田's 100%_");
    box.KensakuRec.JYOKENUSE = 1;
    box.KensakuRec.SORTCOL = 4;
    const TDataKensakuRec before = box.KensakuRec;
    box.Setup(0);
    EXPECT_EQ(kind->currentText(), QStringLiteral("医療法人"));
    EXPECT_EQ(person->currentText(), QStringLiteral("選択なし"));
    EXPECT_TRUE(child<QCheckBox>(box, "chkJyokenUse")->isChecked());
    EXPECT_EQ(child<QLineEdit>(box, "edtDataName")->text(), before.DATANAME);

    // Cancel after changes leaves the condition as it was.
    kind->setCurrentIndex(2);
    child<QLineEdit>(box, "edtCode")->setText(QStringLiteral("X9"));
    box.btnCancelClick();
    EXPECT_EQ(box.result(), 2);
    EXPECT_EQ(box.KensakuRec, before);
    box.reject(); // Esc
    EXPECT_EQ(box.result(), 2);

    box.Setup(0);
    kind->setCurrentIndex(6);
    child<QLineEdit>(box, "edtCode")->setText(QStringLiteral("A1"));
    person->setCurrentIndex(int(persons.indexOf(QStringLiteral("12:山田"))));
    child<QCheckBox>(box, "chkJyokenUse")->setChecked(false);
    box.btnOKClick();
    EXPECT_EQ(box.result(), 1);
    const TDataKensakuRec& r = box.KensakuRec;
    EXPECT_EQ(r.DATATYPE, 2);
    EXPECT_EQ(r.CODETYPE, 4);
    EXPECT_EQ(r.DATACODE, QStringLiteral("A1"));
    EXPECT_EQ(r.TANTO, 12);
    EXPECT_EQ(r.JYOKENUSE, 0);
    EXPECT_TRUE(r.DATAVER.isEmpty());
    EXPECT_EQ(r.SORTCOL, 4);
    EXPECT_EQ(box.UpdateRecord(r), 1);

    // The code field takes only what the ASCII column holds.
    auto* code = child<QLineEdit>(box, "edtCode");
    int pos = 0;
    QString text = QStringLiteral("ＡＢ");
    EXPECT_NE(code->validator()->validate(text, pos), QValidator::Acceptable);

    if (!qEnvironmentVariableIsEmpty("QV_SHOTS")) {
        box.Setup(0);
        TBSDI::ShowLongHint(child<QLineEdit>(box, "edtCode"),
                            box.findChild<QWidget*>(QStringLiteral("lblHint")));
        testenv::saveShot(box, QStringLiteral("kensaku"));
    }
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

TEST_F(DataListKensakuBoxTest, ADialogWhoseListsCouldNotBeBuiltSaysSoAndCloses) {
    e.dm->IBDatabaseDEF.detach();
    TDataListKensakuBox box;
    EXPECT_FALSE(box.SetupDone);
    box.show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(box.isVisible());
    EXPECT_TRUE(e.ui->messageTexts().join(u'\n').contains(
        QStringLiteral("検索条件の設定画面の初期化に失敗しました。")))
        << e.ui->messageTexts().join(u'\n').toStdString();
}

} // namespace

// The dataset details: what a fixture dataset shows, who may clear a status left behind, damaged and
// old data, and the list name on OK.
#include "datasel/z5DataSyosaiInfo.h"

#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "datasel/z5ComDataSentaku.h"
#include "datasel/z5ComDataSentaku.h"
#include "platform/IniFile.h"
#include "support/DmFixture.h"
#include "ui_z5DataSyosaiInfo.h"

#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

class DataSyosaiInfoBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetScreenPixelsPerInch(96);
        e.connectSystem();
        AppInfo.Zaimu.AppTitle = QStringLiteral("ペラン財務");
        testenv::CompanySpec c;
        c.code = QStringLiteral("1201");
        c.name = QStringLiteral("甲商事株式会社");
        c.kana = QStringLiteral("ｺｳｼｮｳｼﾞ");
        c.nendo = 12;
        ds = e.root->addDataset(c, 1);
        setInfo({{"TANTO", "7"}, {"BUMON", "2"}, {"BUMONCNT", "5"}, {"SITEN", "1"}, {"SITENCNT", "3"},
                 {"SIWAKE", "1234"}});
        box = std::make_unique<TDataSyosaiInfoBox>();
        box->Row.REC = 1;
        box->Row.SHOUGOU = c.name;
        box->DataFolder = ds.folder;
        box->ListName = QStringLiteral("甲商事（本年）");
    }
    void TearDown() override {
        box.reset();
        ConnectMode = 0;
        SystemDef.JOBLEVEL = 0;
        SetScreenPixelsPerInch(0);
    }

    void setIni(const char* section, const QList<QPair<QString, QString>>& values) const {
        IniFile ini(ds.folder + QStringLiteral("/placc.ini"), false);
        for (const auto& [key, value] : values)
            ini.writeString(QString::fromLatin1(section), key, value);
        ASSERT_TRUE(ini.save());
    }
    void setInfo(const QList<QPair<QString, QString>>& values) const { setIni("DATAINFO", values); }
    void setStatus(int status, int opcode) const {
        setIni("DATASTS", {{"STATUS", QString::number(status)}, {"OPCODE", QString::number(opcode)}});
    }

    testenv::DmEnvironment e;
    testenv::Dataset ds;
    std::unique_ptr<TDataSyosaiInfoBox> box;
};

TEST_F(DataSyosaiInfoBoxTest, AFixtureDatasetShowsItsDetails) {
    box->Setup(1);
    Ui::TDataSyosaiInfoBox& f = box->form();
    const QStringList shown = {f.lblCode->text(),  f.lblKubun->text(),  f.lblShougou->text(),
                               f.lblKana->text(),  f.txtListName->text(), f.lblNendo->text(),
                               f.lblTanto->text(), f.lblBumon->text(),  f.lblSiten->text(),
                               f.lblSiwake->text()};
    EXPECT_EQ(shown, (QStringList{"1201", "法人", "甲商事株式会社", "ｺｳｼｮｳｼﾞ", "甲商事（本年）", "12期", "7",
                                  "全科目に5部門設定", "3支店設定", "1234件"}));
    EXPECT_TRUE(f.lblKikan->text().contains(QStringLiteral(" ～ ")));
    EXPECT_EQ(f.lblStatus->text(), DataStatusName(1));
    EXPECT_EQ(f.txtFolder->text(),
              QStringLiteral("[ペラン財務のデータ]") + ds.folder.mid(e.root->root().size()));
    EXPECT_FALSE(box->ClearOffered);
    EXPECT_TRUE(box->RebuildAllowed);
    EXPECT_EQ(f.F7->text(), QStringLiteral("F7:再構築"));
    EXPECT_FALSE(f.txtListName->isReadOnly());
    EXPECT_TRUE(f.chkReadOnly->isEnabled());

    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    testenv::saveShot(*box, QStringLiteral("datasyosaiinfo"));
    EXPECT_TRUE(f.txtListName->hasFocus());
    f.chkUpdateLock->setChecked(true);
    f.txtListName->setText(QStringLiteral("甲商事"));
    f.btnOK->click();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->result(), 1);
    EXPECT_EQ(box->ResultListName, QStringLiteral("甲商事"));
    EXPECT_EQ(box->ResultUpdateLock, 1);
    EXPECT_EQ(box->ResultReadOnly, 0);
    EXPECT_FALSE(box->StatusCleared);
}
TEST_F(DataSyosaiInfoBoxTest, WhoMayClearAStatusLeftBehind) {
    const qint32 own = SystemDef.OPCODE, other = 10000 * 10000 + 20;
    const struct {
        int status;
        qint32 opcode;
        int jobLevel;
        bool cleared, editable, ok;
    } cases[] = {
        {2, other, 0, false, true, true},  // in use by another operator
        {2, other, 9, true, false, true},  // ... but this one may use every facility
        {2, own, 0, true, false, true},    // left behind by this operator
        {1, own, 9, false, true, true},    // free: nothing to clear
        {3, own, 9, true, false, true},    // data locked
        {10, own, 9, false, false, false}, // damaged: neither OK nor the clear box
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << c.status << " level " << c.jobLevel);
        setStatus(c.status, c.opcode);
        SystemDef.JOBLEVEL = c.jobLevel;
        box->Setup(1);
        EXPECT_EQ(box->ClearOffered && !box->form().chkClear->isHidden(), c.cleared);
        EXPECT_EQ(!box->form().txtListName->isReadOnly(), c.editable);
        EXPECT_EQ(!box->form().btnOK->isHidden(), c.ok);
        EXPECT_EQ(box->form().chkUpdateLock->isEnabled(), c.editable);
    }
    // A locked dataset hides what it cannot read.
    setStatus(3, own);
    box->Setup(1);
    EXPECT_EQ(box->form().lblKana->text(), QStringLiteral("-"));
    EXPECT_EQ(box->form().lblSiwake->text(), QStringLiteral("-件"));
}

TEST_F(DataSyosaiInfoBoxTest, OldDataCannotForbidJournalInputAndNoDataFileShowsDefaults) {
    setInfo({{"VERSION1", "11.9.9"}});
    box->Setup(1);
    EXPECT_FALSE(box->form().chkReadOnly->isEnabled());
    setInfo({{"VERSION1", "12.0.0"}});
    box->Setup(1);
    EXPECT_TRUE(box->form().chkReadOnly->isEnabled());

    box->DataFolder = e.root->dataDir() + QStringLiteral("/9999");
    box->ListName.clear();
    box->Setup(1);
    EXPECT_EQ(box->form().lblCode->text(), QStringLiteral("設定なし"));
    EXPECT_EQ(box->form().lblKikan->text(), QStringLiteral("設定なし"));
    EXPECT_EQ(box->form().lblSiwake->text(), QStringLiteral("0件"));
    EXPECT_TRUE(box->RebuildAllowed); // the row has a company name
}

TEST_F(DataSyosaiInfoBoxTest, AnEmptyListNameOffersTheCompanyNameAndKeepsTheDialogOpen) {
    box->Setup(1);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    box->form().txtListName->setText(QStringLiteral(" 　"));
    e.ui->queueAnswer(ui::mrOk);
    box->OKClick();
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("データリスト名が入力されていません。会社名を設定しますか？")});
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->form().txtListName->text(), QStringLiteral("甲商事株式会社"));
    box->OKClick();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->ResultListName, QStringLiteral("甲商事株式会社"));
}

} // namespace

// The file and folder choice dialogs: the remembered places of the history file, the browse button,
// the refusal of an empty file name, and the restore dialog's choice of the default location.

#include "controls/xEdit.h"
#include "core/uAccFunction2_System.h"
#include "datasel/z5FileOperationDlg.h"
#include "datasel/z5FileOperationDlgEx1.h"
#include "platform/IniFile.h"
#include "platform/UserInteraction.h"
#include "support/TestEnv.h"

#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

QStringList items(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

class FileOperationBoxTest : public ::testing::Test {
protected:
    void SetUp() override { iniDir = env.path() + QStringLiteral("/ini"); }

    void configure(TFileOperationBox& box, int kind) {
        box.FileKind = kind;
        box.UseHistory = true;
        box.HistoryDir = iniDir;
        box.HistoryFile = QStringLiteral("history.ini");
        box.HistorySection = QStringLiteral("DataBackFolder");
        box.CaptionText = QStringLiteral("データの保存");
        box.MessageText = QStringLiteral("選択中のデータを保存します。");
        box.MessageColor = 255;
        box.PlaceLabel = QStringLiteral("保存先の場所:");
        box.DefaultFolder = QStringLiteral("/docs/pellanzaimu");
    }
    void remember(const QStringList& places) {
        QStringList lines;
        for (int i = 0; i < places.size(); ++i)
            lines << QStringLiteral("HIST%1=%2").arg(i + 1).arg(places[i]);
        ForceFolder(iniDir);
        WriteIniSection(iniDir + QStringLiteral("/history.ini"), QStringLiteral("DataBackFolder"), lines);
    }
    QStringList stored() const {
        QStringList out;
        for (const auto& [key, value] :
             IniFile(iniDir + QStringLiteral("/history.ini")).sectionValues(QStringLiteral("DataBackFolder")))
            out << key + u'=' + value;
        return out;
    }

    testenv::TempEnvironment env;
    ui::ScopedScriptedUi ui;
    QString iniDir;
};

TEST_F(FileOperationBoxTest, TheHistoryKeepsEightPlacesMostRecentFirstWithoutDuplicates) {
    const QStringList eight{"/b1", "/b2", "/b3", "/b4", "/b5", "/b6", "/b7", "/b8"};
    remember(eight);
    TFileOperationBox box;
    configure(box, TFileOperationBox::WriteFolder);
    box.Setup(1);
    testenv::saveShot(box, QStringLiteral("file_operation_save"));
    // The default folder is always offered, last when the history does not hold it.
    EXPECT_EQ(items(box.PlaceList()), eight + QStringList{"/docs/pellanzaimu"});
    EXPECT_EQ(box.PlaceList()->currentIndex(), 0);
    EXPECT_FALSE(box.FileNameEdit()->isVisibleTo(&box));

    box.PlaceList()->setCurrentIndex(8);
    box.btnOKClick();
    EXPECT_EQ(box.result(), 1);
    EXPECT_EQ(box.ResultPath, QStringLiteral("/docs/pellanzaimu"));
    EXPECT_EQ(stored(), (QStringList{"HIST1=/docs/pellanzaimu", "HIST2=/b1", "HIST3=/b2", "HIST4=/b3",
                                     "HIST5=/b4", "HIST6=/b5", "HIST7=/b6", "HIST8=/b7"}));

    // The default folder remembered under another letter case is not offered twice, and choosing it
    // moves the remembered entry to the front as it was written.
    remember({"/x", "/DOCS/Pellanzaimu"});
    box.Setup(1);
    EXPECT_EQ(items(box.PlaceList()), (QStringList{"/x", "/DOCS/Pellanzaimu"}));
    box.PlaceList()->setCurrentIndex(1);
    box.btnOKClick();
    EXPECT_EQ(stored(), (QStringList{"HIST1=/DOCS/Pellanzaimu", "HIST2=/x"}));
}

TEST_F(FileOperationBoxTest, BrowseTakesThePickedFolderAndHistoryDeleteKeepsOnlyTheCurrentPlace) {
    remember({"/p1", "/p2"});
    TFileOperationBox box;
    configure(box, TFileOperationBox::WriteFolder);
    box.Setup(1);
    ui->queuePath(QStringLiteral("/picked/folder"));
    box.btnBrowseClick();
    EXPECT_EQ(box.PlaceList()->currentText(), QStringLiteral("/picked/folder"));
    EXPECT_EQ(box.PlaceList()->itemText(0), QStringLiteral("/picked/folder"));

    box.PlaceList()->setCurrentIndex(box.PlaceList()->findText(QStringLiteral("/p2")));
    ui->queueAnswer(ui::mrOk);
    box.btnHistoryDeleteClick();
    EXPECT_EQ(ui->messageTexts(), QStringList{QStringLiteral("履歴を削除します。よろしいですか？")});
    EXPECT_EQ(items(box.PlaceList()), QStringList{"/p2"});
    // Cancelled afterwards, the section still holds the one place.
    box.done(ui::mrCancel);
    EXPECT_EQ(stored(), QStringList{"HIST1=/p2"});
}

TEST_F(FileOperationBoxTest, AFileKindNeedsAFileName) {
    TFileOperationBox box;
    configure(box, TFileOperationBox::SaveFile);
    box.UseHistory = false;
    box.DefaultFileName = QStringLiteral("　 ");
    box.Setup(1);
    EXPECT_TRUE(box.FileNameEdit()->isVisibleTo(&box));
    EXPECT_FALSE(box.HistoryDeleteButton()->isVisibleTo(&box));
    box.btnOKClick();
    EXPECT_EQ(box.result(), 0);
    EXPECT_EQ(ui->messageTexts(),
              QStringList{QStringLiteral("ファイル名を入力または[参照]ボタンより選択して下さい。\r")});
    box.FileNameEdit()->setText(QStringLiteral(" list.csv "));
    box.btnOKClick();
    EXPECT_EQ(box.ResultPath, QStringLiteral("/docs/pellanzaimu/list.csv"));
    EXPECT_FALSE(QFileInfo::exists(iniDir + QStringLiteral("/history.ini")));
}

TEST_F(FileOperationBoxTest, TheSecondChoiceDisablesThePlaceAndReturnsTheDefaultSource) {
    TFileOperationBoxEx1 box;
    configure(box, TFileOperationBox::ReadFolder);
    box.DefaultFolder.clear();
    box.CaptionText = QStringLiteral("データの復元");
    box.SetChoice1Caption(QStringLiteral("保存先の場所を選択して復元する"));
    box.SetChoice2Caption(QStringLiteral("プログラムの既定の保存先の場所より復元する"));
    box.Setup(1);
    testenv::saveShot(box, QStringLiteral("file_operation_restore"));
    EXPECT_EQ(box.PlaceList()->count(), 0);
    EXPECT_TRUE(box.PlaceList()->isEnabled());
    box.SelectChoice(2);
    EXPECT_FALSE(box.PlaceList()->isEnabled());
    EXPECT_FALSE(box.FileNameEdit()->isEnabled());
    box.btnOKClick();
    EXPECT_EQ(box.result(), 1);
    EXPECT_EQ(box.Source, 2);
    EXPECT_TRUE(box.ResultPath.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(iniDir + QStringLiteral("/history.ini")));

    box.SelectChoice(1);
    EXPECT_TRUE(box.PlaceList()->isEnabled());
    ui->queuePath(QStringLiteral("/saved"));
    box.btnBrowseClick();
    box.btnOKClick();
    EXPECT_EQ(box.Source, 1);
    EXPECT_EQ(box.ResultPath, QStringLiteral("/saved"));
    EXPECT_EQ(stored(), QStringList{"HIST1=/saved"});
}

} // namespace

// The dataset operations of the data-selection dialog on fixture datasets: copy and paste, save and
// restore, new data and delete, stand-alone and through the test server. Every failure is made real
// (a database that is no database, a backup that is no backup, no creator of new data) and must leave
// the data as it was.

#include "support/ModalScript.h"
#include "support/SystemDbProbe.h"

#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/DialogRegistry.h"
#include "core/TBackupRestoreThread.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccRecord.h"
#include "datasel/z5DataSentaku.h"
#include "datasel/z5FileOperationDlg.h"
#include "datasel/z5FileOperationDlgEx1.h"
#include "platform/IniFile.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"
#include "support/DmFixture.h"
#include "support/TestEnv.h"
#include "ui_z5DataSentaku.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Box = TDataSentakuBox;

int rowOfFolder(const TPerfectGrid* g, const QString& folder) {
    const QString shown = QString(folder).replace(SystemDef.DataRoot, QStringLiteral("~"));
    for (int r = 0; r < g->RowCount(); ++r)
        if (g->CellText(r, Box::colFolder).compare(shown, Qt::CaseInsensitive) == 0)
            return r;
    return -1;
}

int iniStatus(const QString& folder) {
    return IniFile(folder + QStringLiteral("/placc.ini"))
        .readString(QStringLiteral("DATASTS"), QStringLiteral("STATUS"), QStringLiteral("<none>"))
        .toInt();
}

// The company name stored in a dataset's own database.
QString storedCompany(const QString& folder) {
    if (!DM->fnAccDatConnected(QString(), folder, 0))
        return QStringLiteral("<no database>");
    OwnTransaction own(DM->IBTransactionDAT);
    fb::Query q(DM->IBTransactionDAT, QStringLiteral("SELECT SHOUGOU FROM ACCDEF1 WHERE REC=1"));
    q.open();
    const QString name = q.eof() ? QString() : q.field(0).asString();
    q.close();
    own.commit();
    DM->fnAccDatDisConnected(folder, 0, 0);
    return name;
}

QString storedMergeKind(const QString& folder) {
    if (!DM->fnAccDatConnected(QString(), folder, 0))
        return QStringLiteral("<no database>");
    const QString kind = GetAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ区分"),
                                   QStringLiteral("整数"), QStringLiteral("0"))
                             .toString();
    DM->fnAccDatDisConnected(folder, 0, 0);
    return kind;
}

// A file that is no database: the first page of a real one, cut off.
void breakDatabase(const QString& folder) {
    QFile f(folder + QStringLiteral("/placc.fdb"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(1024));
}

class DatasetOperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        RunDialogByNameProc = RunNamedDialog;
        add(1, QStringLiteral("1201"), QStringLiteral("甲商事"));
        add(2, QStringLiteral("1202"), QStringLiteral("乙商事"));
        add(3, QStringLiteral("1203"), QStringLiteral("丙商事"));
        backups = e.env.documents() + QStringLiteral("/backups");
    }
    void TearDown() override { RunDialogByNameProc = nullptr; }

    void add(int rec, const QString& code, const QString& name) {
        testenv::CompanySpec c;
        c.code = code;
        c.name = name;
        datasets[rec] = e.root->addDataset(c, rec);
    }
    std::unique_ptr<Box> prepared() {
        auto box = std::make_unique<Box>();
        box->KeepOnClose = true;
        box->SetParams({QStringLiteral("SyoriType=0")});
        box->Prepare(true);
        return box;
    }
    void focus(Box& box, const QString& folder) {
        const int r = rowOfFolder(box.Grid(), folder);
        ASSERT_GE(r, 0) << folder.toStdString();
        box.Grid()->SetCurrentCell(r, 0);
        box.SetFunctionKeys();
    }
    QString emptySlot(int rec) const {
        return e.root->dataDir() + QStringLiteral("/%1").arg(rec, 4, 10, QLatin1Char('0'));
    }
    // Through the module's own connection, which goes through the server in client/server mode.
    QString listValue(const QString& column, int rec, const QString& table = QStringLiteral("DATALIST")) {
        OwnTransaction own(e.dm->IBTransactionDEF);
        fb::Query q(e.dm->IBTransactionDEF,
                    QStringLiteral("SELECT %1 FROM %2 WHERE REC=:REC").arg(column, table));
        q.setInt("REC", rec);
        q.open();
        const QString value = q.eof() ? QStringLiteral("<none>") : q.field(0).asString();
        q.close();
        own.commit();
        return value;
    }
    // The row rebuilt from its folder, as the list's refresh does (children from the sub-folders).
    void refreshRow(Box& box, const QString& folder) { box.DataListRefresh(rowOfFolder(box.Grid(), folder)); }
    QString childRows(int rec) {
        return listValue(QStringLiteral("COUNT(*)"), rec, QStringLiteral("CHILD_DATALIST"));
    }
    // Makes the dataset merged data (kind 1) with one distributed child in "001".
    void makeMerged(int rec) {
        const testenv::Dataset& ds = datasets[rec];
        ds.setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ区分"), QStringLiteral("整数"),
                     QStringLiteral("1"));
        ds.setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ数"), QStringLiteral("整数"),
                     QStringLiteral("1"));
        ASSERT_TRUE(QDir().mkpath(ds.folder + QStringLiteral("/001")));
        ASSERT_TRUE(QFile::copy(ds.database, ds.folder + QStringLiteral("/001/placc.fdb")));
        IniFile ini(ds.folder + QStringLiteral("/placc.ini"), false);
        ini.writeString(QStringLiteral("DATAINFO"), QStringLiteral("GASSANKBN"), QStringLiteral("1"));
        ASSERT_TRUE(ini.save());
        e.executeSystem(QStringLiteral("UPDATE DATALIST SET GASSAN=1 WHERE REC=%1").arg(rec));
    }

    testenv::DmEnvironment e;
    std::map<int, testenv::Dataset> datasets;
    QString backups;
};

TEST_F(DatasetOperationsTest, CopyMarksTheSourceAndPasteFillsAnEmptyRowUnderTheNewName) {
    auto box = prepared();
    const QString source = datasets[1].folder;
    focus(*box, source);
    box->F2Click();
    EXPECT_TRUE(box->CopyPending);
    EXPECT_EQ(iniStatus(source), 6);
    EXPECT_EQ(box->KeyCaption(Box::kF2), QStringLiteral("F2:貼り付け"));
    box->show();
    testenv::saveShot(*box, QStringLiteral("data_selection_paste_pending"));

    const QString target = emptySlot(5);
    focus(*box, target);
    box->F2Click();
    EXPECT_FALSE(box->CopyPending);
    EXPECT_TRUE(box->CopySource.isEmpty());
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(storedCompany(target), QStringLiteral("甲商事"));
    EXPECT_EQ(iniStatus(source), 1);
    EXPECT_EQ(iniStatus(target), 1);
    EXPECT_EQ(listValue(QStringLiteral("ENTTEXT"), 5), QStringLiteral("甲商事～コピー"));
    EXPECT_EQ(box->Grid()->CellText(rowOfFolder(box->Grid(), target), Box::colName),
              QStringLiteral("甲商事～コピー"));
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral(".paste")));

    // Esc drops a pending copy and frees the source again.
    focus(*box, source);
    box->F2Click();
    EXPECT_EQ(iniStatus(source), 6);
    box->ESCClick();
    EXPECT_FALSE(box->CopyPending);
    EXPECT_EQ(iniStatus(source), 1);
}

// The copy's list name is the source's name and "～コピー", cut to 40 bytes without halving a character.
TEST_F(DatasetOperationsTest, TheCopysNameFitsInFortyBytes) {
    const QString full19 = QString(19, QChar(0x3042)); // 38 bytes
    const struct {
        QString name, expected;
    } cases[] = {
        {QStringLiteral("丙商事"), QStringLiteral("丙商事～コピー")},
        {full19, full19 + QStringLiteral("～")},
        {full19 + u'a', full19 + u'a'},
    };
    for (const auto& c : cases) {
        e.executeSystem(QStringLiteral("UPDATE DATALIST SET ENTTEXT='%1' WHERE REC=3").arg(c.name));
        auto box = prepared();
        focus(*box, datasets[3].folder);
        box->F2Click();
        EXPECT_EQ(box->CopySourceEntry.ENTTEXT, c.expected) << c.name.toStdString();
        box->ESCClick();
    }
}

TEST_F(DatasetOperationsTest, PasteRefusalsAndTheAgreementLeaveTheTargetAlone) {
    auto box = prepared();
    const QString source = datasets[1].folder, target = datasets[2].folder;
    const auto copyThenPasteOnto = [&](const QString& onto) {
        focus(*box, source);
        box->F2Click();
        focus(*box, onto);
        box->F2Click();
    };

    // Onto itself: the source is only released.
    copyThenPasteOnto(source);
    EXPECT_TRUE(e.ui->shown().empty());
    EXPECT_EQ(iniStatus(source), 1);

    // Onto another company: the differences need the agreement; cancelled, nothing changes.
    e.ui->queueAnswer(ui::mrCancel);
    copyThenPasteOnto(target);
    ASSERT_EQ(e.ui->shown().size(), 1u);
    EXPECT_EQ(e.ui->shown()[0].message.caption, QStringLiteral("データ照合チェックの結果"));
    EXPECT_TRUE(e.ui->shown()[0].message.text.contains(
        QStringLiteral("会社名に違いがありました。\r　【貼り付け元】：甲商事\r　【貼り付け先】：乙商事")));
    EXPECT_TRUE(
        e.ui->shown()[0].message.text.endsWith(QStringLiteral("データ貼り付け処理の続行に同意します。")));
    EXPECT_EQ(storedCompany(target), QStringLiteral("乙商事"));
    EXPECT_EQ(iniStatus(source), 1);
    EXPECT_EQ(iniStatus(target), 1);

    // Ordinary data onto merged data is a forbidden pattern.
    makeMerged(2);
    box->ReloadView();
    e.ui->clear();
    copyThenPasteOnto(target);
    ASSERT_EQ(e.ui->shown().size(), 1u);
    EXPECT_EQ(e.ui->shown()[0].message.caption, QStringLiteral("警告"));
    EXPECT_TRUE(e.ui->shown()[0].message.text.startsWith(
        QStringLiteral("貼り付け先の合算データ区分が妥当ではありません。")));
    EXPECT_EQ(storedCompany(target), QStringLiteral("乙商事"));

    // Agreed, the target becomes the copy.
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET GASSAN=0 WHERE REC=2"));
    datasets[2].setAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ区分"),
                          QStringLiteral("整数"), QStringLiteral("0"));
    box->ReloadView();
    e.ui->clear();
    e.ui->queueAnswer(ui::mrOk);
    copyThenPasteOnto(target);
    EXPECT_EQ(storedCompany(target), QStringLiteral("甲商事"));
    EXPECT_EQ(listValue(QStringLiteral("ENTTEXT"), 2), QStringLiteral("甲商事～コピー"));

    // A row whose folder lies inside the source's: the paste stops with its message and frees both.
    const QString inside = source + QStringLiteral("/inside");
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET PASNAME='%1' WHERE REC=5").arg(inside));
    box->ReloadView();
    focus(*box, source);
    box->F2Click();
    focus(*box, inside);
    EXPECT_THROW(box->F2Click(), std::runtime_error);
    EXPECT_EQ(iniStatus(source), 1);
    EXPECT_EQ(iniStatus(inside), 1);
    EXPECT_FALSE(QFileInfo::exists(inside + QStringLiteral("/placc.fdb")));
}

// A copy that does not give a database that opens is no paste: the merged target keeps its database,
// its child row and the child's folder.
TEST_F(DatasetOperationsTest, AFailedPasteKeepsTheTargetAndItsChildren) {
    makeMerged(1);
    makeMerged(2);
    auto box = prepared();
    const QString source = datasets[1].folder, target = datasets[2].folder;
    refreshRow(*box, target);
    ASSERT_EQ(childRows(2), QStringLiteral("1"));
    breakDatabase(source);
    focus(*box, source);
    box->F2Click();
    ASSERT_TRUE(box->CopyPending);
    e.ui->queueAnswer(ui::mrOk); // the differences
    focus(*box, target);
    box->F2Click();
    EXPECT_TRUE(e.ui->messageTexts().join(u'\n').contains(QStringLiteral("データのコピーに失敗しました。")))
        << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(storedCompany(target), QStringLiteral("乙商事"));
    EXPECT_EQ(storedMergeKind(target), QStringLiteral("1"));
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/001/placc.fdb")));
    EXPECT_EQ(childRows(2), QStringLiteral("1"));
    EXPECT_EQ(iniStatus(source), 1);
    EXPECT_EQ(iniStatus(target), 1);
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral(".paste")));
}

// A paste onto a dataset whose disk cannot take the new database: the old database stays byte for byte,
// nothing half-written is left, and the operator is told. The source is made much larger than the
// target, so that not even the room of the old database would take it.
TEST_F(DatasetOperationsTest, APasteThatDoesNotFitKeepsTheTargetsDatabaseWhole) {
    const QString source = datasets[1].folder, target = datasets[2].folder;
    datasets[1].execute(QStringLiteral("CREATE TABLE PAD (T VARCHAR(8000))"));
    datasets[1].execute(
        QStringLiteral("EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 400) DO BEGIN "
                       "INSERT INTO PAD VALUES (LPAD('', 8000, 'x')); I = I + 1; END END"));
    // The target's folder becomes a disk of its own that holds its files and little more.
    const QString aside = e.env.path() + QStringLiteral("/aside");
    ASSERT_TRUE(QDir().mkpath(aside));
    const QStringList files = QDir(target).entryList(QDir::Files);
    qint64 used = 0;
    for (const QString& name : files) {
        ASSERT_TRUE(QFile::copy(target + u'/' + name, aside + u'/' + name));
        used += QFileInfo(aside + u'/' + name).size();
    }
    testenv::SmallDisk disk(target, used + 256 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.why().toStdString();
    for (const QString& name : files)
        ASSERT_TRUE(QFile::copy(aside + u'/' + name, target + u'/' + name));
    // The target's database as each message finds it: when the differences are agreed to (the paste has
    // read the target) and when the failure is told (before anything opens the target again).
    QList<QByteArray> seen;
    e.ui->onMessage = [&](const ui::MessageRequest&) {
        seen << testenv::readFile(target + QStringLiteral("/placc.fdb"));
        return -1;
    };
    {
        auto box = prepared();
        focus(*box, source);
        box->F2Click();
        e.ui->queueAnswer(ui::mrOk); // the differences
        focus(*box, target);
        box->F2Click();
        e.ui->onMessage = nullptr;
    }
    const QStringList texts = e.ui->messageTexts();
    ASSERT_EQ(seen.size(), texts.size());
    qsizetype told = texts.size() - 1;
    while (told > 0 && !texts[told].startsWith(QStringLiteral("データのコピーに失敗しました。\r")))
        --told;
    ASSERT_GT(told, 0) << texts.join(u'\n').toStdString();
    EXPECT_TRUE(texts[told].contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
        << texts[told].toStdString();
    EXPECT_EQ(seen[0].size(), QFileInfo(aside + QStringLiteral("/placc.fdb")).size());
    EXPECT_TRUE(seen[told] == seen[0]);
    EXPECT_EQ(storedCompany(target), QStringLiteral("乙商事"));
    EXPECT_EQ(iniStatus(target), 1);
    EXPECT_EQ(QDir(target).entryList(QDir::Files | QDir::Hidden), files);
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral(".paste")));
}

TEST_F(DatasetOperationsTest, SaveWritesTheBackupWithItsTrailerAndAFailedSaveKeepsTheOldOne) {
    auto box = prepared();
    focus(*box, datasets[1].folder);
    EXPECT_EQ(box->SaveData(backups), 1);
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
    const QString backup = backups + QStringLiteral("/placc.fbk");
    TBackupRestoreThread reader;
    ASSERT_TRUE(reader.ReadZoneInfo(backup));
    EXPECT_EQ(reader.ZoneShougou, QStringLiteral("甲商事"));
    EXPECT_EQ(reader.ZoneKishu, QStringLiteral("2024/04/01"));
    EXPECT_EQ(iniStatus(datasets[1].folder), 1);

    // The work folder is never a place for a backup.
    e.ui->clear();
    EXPECT_EQ(box->SaveData(e.root->tempDir()), 0);
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("このフォルダは選択出来ません。他の場所を選んで下さい。")});

    // A dataset whose database cannot be backed up leaves the earlier backup as it was.
    const QByteArray good = testenv::readFile(backup);
    breakDatabase(datasets[2].folder);
    focus(*box, datasets[2].folder);
    e.ui->clear();
    EXPECT_EQ(box->SaveData(backups), -1);
    EXPECT_FALSE(e.ui->shown().empty());
    EXPECT_TRUE(testenv::readFile(backup) == good);
    EXPECT_EQ(QDir(backups).entryList(QDir::Files), QStringList{QStringLiteral("placc.fbk")});
    EXPECT_EQ(iniStatus(datasets[2].folder), 1);
}

TEST_F(DatasetOperationsTest, RestoreIntoAnEmptyRowAndOverAnotherCompanyWithTheAgreement) {
    auto box = prepared();
    focus(*box, datasets[1].folder);
    ASSERT_EQ(box->SaveData(backups), 1);

    // An empty row takes the backup without a comparison.
    const QString empty = emptySlot(6);
    focus(*box, empty);
    EXPECT_EQ(box->RestoreData(backups), 1);
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(storedCompany(empty), QStringLiteral("甲商事"));
    EXPECT_EQ(iniStatus(empty), 1);
    EXPECT_EQ(listValue(QStringLiteral("SHOUGOU"), 6), QStringLiteral("甲商事"));

    // Another company: refused without the agreement, restored with it.
    focus(*box, datasets[2].folder);
    e.ui->queueAnswer(ui::mrCancel);
    EXPECT_EQ(box->RestoreData(backups), -1);
    ASSERT_EQ(e.ui->shown().size(), 1u);
    EXPECT_TRUE(e.ui->shown()[0].message.text.contains(QStringLiteral("　【復元元】：甲商事")));
    EXPECT_EQ(storedCompany(datasets[2].folder), QStringLiteral("乙商事"));
    e.ui->queueAnswer(ui::mrOk);
    EXPECT_EQ(box->RestoreData(backups), 1);
    EXPECT_EQ(storedCompany(datasets[2].folder), QStringLiteral("甲商事"));
    EXPECT_EQ(iniStatus(datasets[2].folder), 1);

    // No backup in the place.
    e.ui->clear();
    EXPECT_EQ(box->RestoreData(e.env.documents()), -1);
    EXPECT_EQ(
        e.ui->messageTexts(),
        QStringList{QStringLiteral("この場所には、バックアップファイル(placc.fbk)がありませんでした。")});
}

using testenv::whenShown;

TEST_F(DatasetOperationsTest, F6AsksForTheFolderAndF7RestoresTheBackupInTheRowsOwnFolder) {
    auto box = prepared();
    focus(*box, datasets[1].folder);
    bool asked = false;
    whenShown<TFileOperationBox>([&](TFileOperationBox& dialog) {
        asked = true;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("データの保存"));
        e.ui->queuePath(backups);
        dialog.btnBrowseClick();
        dialog.btnOKClick();
    });
    box->F6Click();
    ASSERT_TRUE(asked);
    EXPECT_TRUE(QFileInfo::exists(backups + QStringLiteral("/placc.fbk")));
    EXPECT_EQ(IniFile(e.root->iniDir() + QStringLiteral("/history.ini"))
                  .readString(QStringLiteral("DataBackFolder"), QStringLiteral("HIST1"), QString()),
              backups);

    // The default location of a restore is the backup inside the row's own folder.
    ASSERT_TRUE(QFile::copy(backups + QStringLiteral("/placc.fbk"),
                            datasets[2].folder + QStringLiteral("/placc.fbk")));
    focus(*box, datasets[2].folder);
    asked = false;
    whenShown<TFileOperationBoxEx1>([&](TFileOperationBoxEx1& dialog) {
        asked = true;
        EXPECT_EQ(dialog.PlaceList()->currentText(), backups);
        dialog.SelectChoice(2);
        dialog.btnOKClick();
    });
    e.ui->queueAnswer(ui::mrOk); // the differences
    box->F7Click();
    ASSERT_TRUE(asked);
    EXPECT_EQ(storedCompany(datasets[2].folder), QStringLiteral("甲商事"));
}

// The worker's failure stops the restore: a merged row of another company keeps its database, merge
// settings and children; an empty row is left without a folder.
TEST_F(DatasetOperationsTest, AFailedRestoreChangesNothing) {
    makeMerged(2);
    // A backup whose trailer names a company but whose body is no backup.
    ASSERT_TRUE(QDir().mkpath(backups));
    ASSERT_TRUE(testenv::writeFile(backups + QStringLiteral("/placc.fbk"), QByteArray(4096, 'x')));
    TBackupRestoreThread zone;
    zone.ZoneShougou = QStringLiteral("丙商事");
    zone.ZoneKishu = QStringLiteral("2024/04/01");
    zone.ZoneKimatu = QStringLiteral("2025/03/31");
    zone.ZoneGassan = 1;
    zone.WriteZoneInfo(backups + QStringLiteral("/placc.fbk"));

    auto box = prepared();
    const QString target = datasets[2].folder;
    refreshRow(*box, target);
    ASSERT_EQ(childRows(2), QStringLiteral("1"));
    focus(*box, target);
    e.ui->queueAnswer(ui::mrOk); // the differences, with the note on the children
    EXPECT_EQ(box->RestoreData(backups), -1);
    const QString shown = e.ui->messageTexts().join(u'\n');
    EXPECT_TRUE(shown.contains(QStringLiteral("　注）復元を続行した場合は配下の分散データは削除されます。")))
        << shown.toStdString();
    EXPECT_EQ(storedCompany(target), QStringLiteral("乙商事"));
    EXPECT_EQ(storedMergeKind(target), QStringLiteral("1"));
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/001/placc.fdb")));
    EXPECT_EQ(childRows(2), QStringLiteral("1"));
    EXPECT_EQ(iniStatus(target), 1);

    const QString empty = emptySlot(7);
    focus(*box, empty);
    e.ui->clear();
    EXPECT_EQ(box->RestoreData(backups), -1);
    EXPECT_FALSE(e.ui->shown().empty());
    EXPECT_FALSE(QFileInfo::exists(empty));
    EXPECT_EQ(listValue(QStringLiteral("ENTTEXT"), 7), QString());
}

// The creator of new data is another product's dialog; here it is a stand-in that answers as told.
class KihonWizStandIn : public QDialog, public ISyoriKidou {
public:
    explicit KihonWizStandIn(QWidget* owner) : QDialog(owner) {}
    int Execute(bool) override {
        lastParams = params;
        return run ? run() : 2;
    }
    void SetParams(const QStringList& p) override { params = p; }
    QStringList params;
    static inline std::function<int()> run;
    static inline QStringList lastParams;
};

TEST_F(DatasetOperationsTest, NewDataLeavesNothingBehindUnlessTheCreatorMadeTheDataset) {
    auto box = prepared();
    const QString slot = emptySlot(8);
    focus(*box, slot);
    EXPECT_EQ(box->KeyCaption(Box::kF3), QStringLiteral("F3:新規作成"));
    box->F3Click();
    EXPECT_EQ(e.ui->shown().size(), 1u); // the registry has no such dialog
    EXPECT_FALSE(QFileInfo::exists(slot));

    // An empty folder that was there before stays, without a status.
    ASSERT_TRUE(QDir().mkpath(slot));
    box->F3Click();
    EXPECT_TRUE(QFileInfo(slot).isDir());
    EXPECT_FALSE(QFileInfo::exists(slot + QStringLiteral("/placc.ini")));

    RegisterDialogClass(DialogClassOf<KihonWizStandIn>(), QStringLiteral("QzKihonWiz"));
    ASSERT_TRUE(QDir(slot).removeRecursively());
    e.ui->clear();
    box->F3Click();
    EXPECT_TRUE(e.ui->shown().empty());
    EXPECT_FALSE(QFileInfo::exists(slot));
    EXPECT_TRUE(KihonWizStandIn::lastParams.contains(QStringLiteral("DataPath=") + slot));
    EXPECT_TRUE(KihonWizStandIn::lastParams.contains(QStringLiteral("DataListRec=8")));

    // Created: the row shows the new dataset, no longer in the creating state.
    KihonWizStandIn::run = [&] {
        EXPECT_EQ(iniStatus(slot), 9);
        testenv::CompanySpec c;
        c.code = QStringLiteral("1208");
        c.name = QStringLiteral("新会社");
        datasets[8] = e.root->addDataset(c, 8);
        return 1;
    };
    box->F3Click();
    KihonWizStandIn::run = nullptr;
    EXPECT_EQ(iniStatus(slot), 1);
    EXPECT_EQ(box->Grid()->CellText(rowOfFolder(box->Grid(), slot), Box::colName), QStringLiteral("新会社"));
}

TEST_F(DatasetOperationsTest, DeleteNeedsTheAgreementAndSparesTheDataChosenLastTime) {
    auto box = prepared();
    const QString folder = datasets[2].folder;
    focus(*box, folder);
    e.ui->queueAnswer(ui::mrCancel);
    EXPECT_EQ(box->DeleteData(true), 1);
    ASSERT_EQ(e.ui->shown().size(), 1u);
    EXPECT_EQ(e.ui->shown()[0].message.caption, QStringLiteral("データの削除"));
    EXPECT_TRUE(e.ui->shown()[0].message.text.contains(QStringLiteral("【データ名】\r　乙商事")));
    EXPECT_TRUE(QFileInfo::exists(datasets[2].database));

    SystemDef.DataDir = folder;
    e.ui->clear();
    EXPECT_EQ(box->DeleteData(true), 1);
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("このデータは前回起動データのため削除は行えません。")});
    SystemDef.DataDir.clear();

    e.ui->clear();
    e.ui->queueAnswer(ui::mrOk);
    box->F5Click();
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(listValue(QStringLiteral("ENTTEXT"), 2), QString());
    EXPECT_TRUE(box->Grid()->CellText(rowOfFolder(box->Grid(), folder), Box::colName).isEmpty());
}

TEST_F(DatasetOperationsTest, DeletingADistributedChildCountsItOffTheMergedData) {
    makeMerged(2);
    auto box = prepared();
    refreshRow(*box, datasets[2].folder);
    TPerfectGrid* g = box->Grid();
    int child = -1;
    for (int r = 0; r < g->RowCount(); ++r)
        if (g->CellText(r, Box::colGassan) == QStringLiteral("10"))
            child = r;
    ASSERT_GE(child, 0);
    g->SetCurrentCell(child, 0);
    e.ui->queueAnswer(ui::mrOk);
    EXPECT_EQ(box->DeleteData(true), 1);
    EXPECT_FALSE(QFileInfo::exists(datasets[2].folder + QStringLiteral("/001")));
    EXPECT_EQ(childRows(2), QStringLiteral("0"));
    EXPECT_TRUE(QFileInfo::exists(datasets[2].database));
    ASSERT_TRUE(DM->fnAccDatConnected(QString(), datasets[2].folder, 0));
    EXPECT_EQ(GetAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ数"), QStringLiteral("整数"),
                        QStringLiteral("-1"))
                  .toString(),
              QStringLiteral("0"));
    DM->fnAccDatDisConnected(datasets[2].folder, 0, 0);
}

class ServerOperationsTest : public DatasetOperationsTest {
protected:
    void SetUp() override {
        server = qEnvironmentVariable("QV_FB_SERVER");
        if (server.isEmpty())
            GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
        DatasetOperationsTest::SetUp();
        // The server keeps its file-manager database, so backups come to this computer through it.
        testenv::createDatabaseFromScript(testenv::fileManagerSchemaScript(),
                                          e.root->dataDir() + QStringLiteral("/plfileman.fdb"));
        ASSERT_TRUE(e.logOnToServer(server, e.root->dataDir()))
            << e.ui->messageTexts().join(u'\n').toStdString();
        // The server's data folder is the product's own: its work folder lies beside it.
        ASSERT_EQ(SystemDef.ServerDriveDir, e.root->tempDir());
    }
    void TearDown() override {
        if (e.dm) {
            e.dm->fnAccDatDisConnected(QString(), 0, 0);
            e.dm->IBDatabaseDEF.detach();
        }
        ConnectMode = 0;
        DatasetOperationsTest::TearDown();
    }
    QString server;
};

// The files of the server's folders: everything below its data folder but the folders left out, and the
// entries of the two folders above it.
QStringList serverFiles(const QStringList& leftOut) {
    QStringList files;
    QDirIterator it(SystemDef.SYSDIR, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (std::none_of(leftOut.begin(), leftOut.end(),
                         [&](const QString& f) { return path == f || path.startsWith(f + u'/'); }))
            files << path;
    }
    const QString product = QFileInfo(SystemDef.SYSDIR).path();
    for (const QString& folder : {product, QFileInfo(product).path()})
        for (const QString& name :
             QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            files << folder + u'/' + name;
    files.sort();
    return files;
}

TEST_F(ServerOperationsTest, CopyPasteSaveRestoreAndDeleteThroughTheServer) {
    auto box = prepared();
    const QString target = emptySlot(5);
    const QStringList serverBefore = serverFiles({emptySlot(5), emptySlot(6)});
    focus(*box, datasets[1].folder);
    box->F2Click();
    focus(*box, target);
    box->F2Click();
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(storedCompany(target), QStringLiteral("甲商事"));
    EXPECT_EQ(listValue(QStringLiteral("DATALOCK"), 5), QStringLiteral("0"));

    focus(*box, datasets[1].folder);
    EXPECT_EQ(box->SaveData(backups), 1);
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
    const QString restored = emptySlot(6);
    focus(*box, restored);
    EXPECT_EQ(box->RestoreData(backups), 1);
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(storedCompany(restored), QStringLiteral("甲商事"));
    EXPECT_EQ(listValue(QStringLiteral("DATALOCK"), 6), QStringLiteral("0"));
    // The server wrote nothing but the two datasets outside its work folder.
    EXPECT_EQ(serverFiles({emptySlot(5), emptySlot(6)}), serverBefore);

    // A backup that is no backup: the dataset stays as it was.
    ASSERT_TRUE(testenv::writeFile(backups + QStringLiteral("/placc.fbk"), QByteArray(4096, 'x')));
    focus(*box, datasets[2].folder);
    EXPECT_EQ(box->RestoreData(backups), -1);
    EXPECT_FALSE(e.ui->shown().empty());
    EXPECT_EQ(storedCompany(datasets[2].folder), QStringLiteral("乙商事"));
    EXPECT_EQ(listValue(QStringLiteral("DATALOCK"), 2), QStringLiteral("0"));

    // A target that another computer has open is not pasted over.
    {
        fb::Database other(server + u':' + datasets[2].database, testenv::databaseUser());
        other.attach();
        e.ui->clear();
        focus(*box, datasets[1].folder);
        box->F2Click();
        focus(*box, datasets[2].folder);
        box->F2Click();
        EXPECT_EQ(
            e.ui->messageTexts(),
            QStringList{QStringLiteral("このデータは他のオペレータが使用中のため貼り付けは行えません。")});
    }
    EXPECT_EQ(storedCompany(datasets[2].folder), QStringLiteral("乙商事"));

    // Without a work folder on the server the copy fails: the empty row stays empty and unlocked.
    const QString slot = emptySlot(9);
    const QString work = SystemDef.ServerDriveDir;
    ASSERT_TRUE(QFileInfo(work).isAbsolute() && work.startsWith(e.env.path() + u'/')) << work.toStdString();
    ASSERT_TRUE(QDir(work).removeRecursively());
    ASSERT_TRUE(testenv::writeFile(work, "x"));
    e.ui->clear();
    focus(*box, datasets[1].folder);
    box->F2Click();
    ASSERT_TRUE(box->CopyPending);
    focus(*box, slot);
    box->F2Click();
    EXPECT_TRUE(e.ui->messageTexts().join(u'\n').startsWith(
        QStringLiteral("データベースのバックアップに失敗しました。")));
    EXPECT_FALSE(QFileInfo::exists(slot + QStringLiteral("/placc.fdb")));
    EXPECT_EQ(listValue(QStringLiteral("ENTTEXT"), 9), QString());
    EXPECT_EQ(listValue(QStringLiteral("DATALOCK"), 9), QStringLiteral("0"));

    e.ui->clear();
    focus(*box, target);
    e.ui->queueAnswer(ui::mrOk);
    EXPECT_EQ(box->DeleteData(true), 1);
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/placc.fdb")));
    EXPECT_EQ(listValue(QStringLiteral("ENTTEXT"), 5), QString());
}

// F4 adds an empty data area under the data place: a list row named after the folder, which is made only
// when data is created in it. A name already in the list, an existing folder and a name that would leave
// the data place are refused; cancelling changes nothing.
TEST_F(ServerOperationsTest, AddAreaRegistersAnEmptyRowUnderTheDataPlace) {
    auto box = prepared();
    auto rowsNamed = [&](const QString& name) {
        OwnTransaction own(e.dm->IBTransactionDEF);
        fb::Query q(e.dm->IBTransactionDEF,
                    QStringLiteral("SELECT COUNT(*) FROM DATALIST WHERE PASNAME LIKE :P AND ENTTEXT = ''"));
        q.setString("P", QStringLiteral("%/") + name);
        q.open();
        const QString n = q.field(0).asString();
        q.close();
        own.commit();
        return n;
    };
    e.ui->queueInput(QStringLiteral("area1"));
    box->F4Click();
    EXPECT_TRUE(e.ui->messageTexts().isEmpty()) << e.ui->messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(rowsNamed(QStringLiteral("area1")), QStringLiteral("1"));
    EXPECT_FALSE(QFileInfo::exists(e.root->dataDir() + QStringLiteral("/area1")));
    const int r = box->Grid()->CurrentRow();
    ASSERT_GE(r, 0);
    EXPECT_TRUE(box->RowDataPath(r).endsWith(QStringLiteral("/area1"))) << box->RowDataPath(r).toStdString();

    struct Case {
        QString name;
        QString message;
    };
    ASSERT_TRUE(QDir().mkpath(e.root->dataDir() + QStringLiteral("/stray")));
    const Case refused[] = {
        {QStringLiteral("area1"), QStringLiteral("は既にデータリスト上に作成されています。")},
        {QStringLiteral("stray"), QStringLiteral("に会計データが作成されています。")},
        {QStringLiteral(".."), QStringLiteral("の作成に失敗しました。")},
    };
    for (const Case& c : refused) {
        e.ui->clear();
        e.ui->queueInput(c.name);
        box->F4Click();
        EXPECT_TRUE(e.ui->messageTexts().join(u'\n').contains(c.message)) << c.name.toStdString();
    }
    e.ui->clear();
    e.ui->queueInput(std::nullopt);
    box->F4Click();
    EXPECT_TRUE(e.ui->messageTexts().isEmpty());
    EXPECT_EQ(rowsNamed(QStringLiteral("stray")), QStringLiteral("0"));
    EXPECT_EQ(rowsNamed(QStringLiteral("area1")), QStringLiteral("1"));
}

} // namespace

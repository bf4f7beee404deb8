// The data-selection dialog: started by name as the wizard starts it, the caller's filter, the choice
// and its refusals, sorting and the incremental search, the operator lock and the data places.

#include "support/SystemDbProbe.h"

#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/DialogRegistry.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datalist/z5DataSyosaiInfo.h"
#include "datasel/z5DataPlaceMan.h"
#include "datasel/z5DataSentaku.h"
#include "platform/IniFile.h"
#include "platform/firebird/FbQuery.h"
#include "support/DmFixture.h"
#include "ui_z5DataPlaceMan.h"
#include "ui_z5DataSentaku.h"
#include "ui_z5DataSyosaiInfo.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The lines the wizard's data page passes.
QString wizardParams(int dataType, const QString& major) {
    return QStringList{QStringLiteral("SyoriType=%1").arg(3), QStringLiteral("JyokenSet=1"),
                       QStringLiteral("DataType=%1").arg(dataType), QStringLiteral("CodeType=%1").arg(0),
                       QStringLiteral("DataVerMajor=%1").arg(major)}
        .join(u'\r');
}

QStringList codes(const TPerfectGrid* g) {
    QStringList out;
    for (int r = 0; r < g->RowCount(); ++r)
        if (!g->CellText(r, TDataSentakuBox::colCode).isEmpty())
            out << g->CellText(r, TDataSentakuBox::colCode);
    return out;
}

int rowOfCode(const TPerfectGrid* g, const QString& code) {
    for (int r = 0; r < g->RowCount(); ++r)
        if (g->CellText(r, TDataSentakuBox::colCode) == code)
            return r;
    return -1;
}

// Runs work on the modal dialog once it shows, then the dialog's result comes back from the run.
void whenShown(const std::function<void(TDataSentakuBox&)>& work) {
    testenv::whenReady([work] {
        auto* box = qobject_cast<TDataSentakuBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return false;
        work(*box);
        return true;
    });
}

class DataSentakuBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        RegisterDataSentakuBox();
        RunDialogByNameProc = RunNamedDialog;
        add(1, QStringLiteral("1201"), QStringLiteral("甲商事"), 1, 1);
        add(2, QStringLiteral("1202"), QStringLiteral("乙医療法人"), 3, 1);
        add(3, QStringLiteral("2001"), QStringLiteral("丙個人"), 2, 1);
        add(4, QStringLiteral("1300"), QStringLiteral("丁商事"), 1, 1);
        e.executeSystem(
            QStringLiteral("UPDATE DATALIST SET VER_MAJOR=12, VER_MINOR1=5, VER_TEXT='12.5' WHERE REC=4"));
    }
    void TearDown() override { RunDialogByNameProc = nullptr; }

    void add(int rec, const QString& code, const QString& name, int dataType, int codeType) {
        testenv::CompanySpec c;
        c.code = code;
        c.name = name;
        c.dataType = dataType;
        c.codeType = codeType;
        datasets[rec] = e.root->addDataset(c, rec);
    }
    // A dialog prepared with the lines, as a modal run prepares it, and shown.
    std::unique_ptr<TDataSentakuBox> prepared(const QString& params) {
        auto box = std::make_unique<TDataSentakuBox>();
        // The test owns the dialog: a choice closes it without freeing it.
        box->KeepOnClose = true;
        box->SetParams(params.split(u'\r'));
        box->Prepare(true);
        return box;
    }

    testenv::DmEnvironment e;
    std::map<int, testenv::Dataset> datasets;
};

TEST_F(DataSentakuBoxTest, StartedByNameTheWizardChoosesWithF12OrEnterAndEscChoosesNothing) {
    // F12 on the medical corporation's row.
    whenShown([this](TDataSentakuBox& box) {
        TPerfectGrid* g = box.Grid();
        EXPECT_EQ(box.windowTitle(), QStringLiteral("データ選択"));
        EXPECT_EQ(codes(g), (QStringList{"1201", "1202"}));
        // The wizard's type offers nothing but the choice.
        EXPECT_EQ(box.KeyCaption(TDataSentakuBox::kF2), QStringLiteral("F2:"));
        EXPECT_EQ(box.KeyCaption(TDataSentakuBox::kF12), QStringLiteral("F12:選択"));
        EXPECT_FALSE(box.form().btnSearch->isEnabled());
        g->SetCurrentCell(rowOfCode(g, QStringLiteral("1202")), 0);
        QTest::keyClick(g, Qt::Key_F12);
    });
    EXPECT_EQ(
        RunDialogByNameProc(QStringLiteral("QzDataSenkaku"), 1, wizardParams(-13, QStringLiteral("13"))), 1);
    EXPECT_EQ(SystemDef.DataDir, datasets[2].folder);
    EXPECT_EQ(SystemDef.ListPath, datasets[2].folder);

    // Enter on the first row; the previous choice is the current row when the dialog opens.
    whenShown([](TDataSentakuBox& box) {
        TPerfectGrid* g = box.Grid();
        EXPECT_EQ(g->CurrentRow(), rowOfCode(g, QStringLiteral("1202")));
        g->SetCurrentCell(rowOfCode(g, QStringLiteral("1201")), 0);
        QTest::keyClick(g, Qt::Key_Return);
    });
    EXPECT_EQ(
        RunDialogByNameProc(QStringLiteral("QzDataSenkaku"), 1, wizardParams(-13, QStringLiteral("13"))), 1);
    EXPECT_EQ(SystemDef.DataDir, datasets[1].folder);

    // Esc with no previous choice leaves the selection empty.
    SystemDef.DataDir.clear();
    SystemDef.ListPath.clear();
    whenShown([](TDataSentakuBox& box) { QTest::keyClick(box.Grid(), Qt::Key_Escape); });
    EXPECT_EQ(
        RunDialogByNameProc(QStringLiteral("QzDataSenkaku"), 1, wizardParams(-13, QStringLiteral("13"))), 2);
    EXPECT_TRUE(SystemDef.DataDir.isEmpty());
    EXPECT_TRUE(SystemDef.ListPath.isEmpty());
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

TEST_F(DataSentakuBoxTest, TheCallersConditionFiltersTheList) {
    const struct {
        const char* name;
        QStringList lines;
        QStringList expected;
    } cases[] = {
        {"corporate data of major 13", {"DataType=-13", "DataVerMajor=13"}, {"1201", "1202"}},
        {"personal data", {"DataType=2"}, {"2001"}},
        {"kind and code type", {"DataType=1", "CodeType=1"}, {"1201", "1300"}},
        {"exact version", {"DataVer=12.5"}, {"1300"}},
        {"at least 13.0 wins over an exact 11.0 read before it",
         {"DataVer=11.0", "DataVerMore=13.0"},
         {"1201", "1202", "2001"}},
        {"at least 12.0", {"DataVerMore=12.0"}, {"1201", "1202", "2001", "1300"}},
    };
    for (const auto& c : cases) {
        auto box =
            prepared((QStringList{QStringLiteral("SyoriType=3"), QStringLiteral("JyokenSet=1")} + c.lines)
                         .join(u'\r'));
        EXPECT_EQ(codes(box->Grid()), c.expected) << c.name;
        // Only listed datasets are shown: no empty slots pass a data kind.
        EXPECT_EQ(box->Grid()->RowCount(), c.expected.size()) << c.name;
    }
    // Without the condition every slot of the list is shown.
    auto all = prepared(QStringLiteral("SyoriType=0"));
    EXPECT_EQ(all->Grid()->RowCount(), testenv::DataRoot::ListSlots);

    TDataSentakuBox bad;
    EXPECT_THROW(bad.SetParams({QStringLiteral("SyoriType=6")}), std::runtime_error);
    // A missing, non-numeric or negative type keeps the type the dialog has.
    for (const char* line : {"SyoriType=abc", "SyoriType=-5", "DataType=1"}) {
        TDataSentakuBox box;
        box.SetParams({QStringLiteral("SyoriType=4")});
        EXPECT_NO_THROW(box.SetParams({QString::fromLatin1(line)})) << line;
        EXPECT_EQ(box.SyoriType, 4) << line;
    }
}

TEST_F(DataSentakuBoxTest, AModelessRunShowsTheListAndSaysSo) {
    TDataSentakuBox box;
    box.KeepOnClose = true;
    box.SetParams({QStringLiteral("SyoriType=0")});
    EXPECT_EQ(box.Execute(false), 1);
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.Grid()->RowCount(), testenv::DataRoot::ListSlots);
    box.close();
}

TEST_F(DataSentakuBoxTest, HeaderClicksSortAndTypingJumpsToTheNextMatchingCode) {
    auto box = prepared(QStringLiteral("SyoriType=0\rJyokenSet=1\rDataVerMore=12.0"));
    TPerfectGrid* g = box->Grid();
    box->show();
    box->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(box.get()));
    QHeaderView* header = g->horizontalHeader();
    const auto clickHeader = [&](int col) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
                                 header->height() / 2));
    };
    clickHeader(TDataSentakuBox::colCode);
    EXPECT_EQ(g->CellText(-1, TDataSentakuBox::colCode), QStringLiteral("コード▲"));
    EXPECT_EQ(codes(g), (QStringList{"1201", "1202", "1300", "2001"}));
    clickHeader(TDataSentakuBox::colCode);
    EXPECT_EQ(g->CellText(-1, TDataSentakuBox::colCode), QStringLiteral("コード▼"));
    EXPECT_EQ(codes(g), (QStringList{"2001", "1300", "1202", "1201"}));
    EXPECT_EQ(g->CurrentRow(), 0);
    clickHeader(TDataSentakuBox::colName);
    EXPECT_EQ(g->CellText(-1, TDataSentakuBox::colCode), QStringLiteral("コード"));
    EXPECT_TRUE(g->CellText(-1, TDataSentakuBox::colName).endsWith(QStringLiteral("▲")));
    clickHeader(TDataSentakuBox::colCode);
    ASSERT_EQ(codes(g), (QStringList{"1201", "1202", "1300", "2001"}));

    // From "1202", "12" finds no later row and wraps to the top.
    g->setFocus();
    g->SetCurrentCell(1, 0);
    QTest::keyClicks(g, QStringLiteral("12"));
    EXPECT_TRUE(box->form().txtIncSerch->isVisible());
    EXPECT_EQ(box->form().txtIncSerch->text(), QStringLiteral("12"));
    testenv::waitUntil([&] { return g->CurrentRow() == 0; });
    EXPECT_FALSE(box->form().txtIncSerch->isVisible());
    QTest::keyClicks(g, QStringLiteral("2"));
    testenv::waitUntil([&] { return g->CurrentRow() == 3; });
    EXPECT_EQ(box->IncSearchTimer()->interval(), 0);
    box->reject();
}

TEST_F(DataSentakuBoxTest, TheDetailsWriteBackTheListNameAndTheLocks) {
    auto box = prepared(QStringLiteral("SyoriType=0"));
    TPerfectGrid* g = box->Grid();
    const int r = rowOfCode(g, QStringLiteral("1201"));
    g->SetCurrentCell(r, 0);
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* details = qobject_cast<TDataSyosaiInfoBox*>(QApplication::activeModalWidget());
        ASSERT_NE(details, nullptr);
        shown = true;
        EXPECT_EQ(details->form().lblCode->text(), QStringLiteral("1201"));
        details->form().txtListName->setText(QStringLiteral("甲商事（新）"));
        details->form().chkUpdateLock->setChecked(true);
        details->form().btnOK->click();
    });
    box->form().btnDataInfo->click();
    ASSERT_TRUE(shown);
    EXPECT_EQ(g->CellText(r, TDataSentakuBox::colName), QStringLiteral("甲商事（新）"));
    EXPECT_EQ(box->RowRecord(r).UPDATE_LOCK, 1);
    const IniFile ini(datasets[1].folder + QStringLiteral("/placc.ini"));
    EXPECT_EQ(ini.readString(QStringLiteral("DATAINFO"), QStringLiteral("DATALISTNAME"), QString()),
              QStringLiteral("甲商事（新）"));
    EXPECT_EQ(ini.readString(QStringLiteral("DATASTS"), QStringLiteral("UPDATE_LOCK"), QString()),
              QStringLiteral("1"));
    EXPECT_EQ(testenv::systemValue(
                  *e.root, QStringLiteral("SELECT ENTTEXT || '/' || UPDATE_LOCK FROM DATALIST WHERE REC=1")),
              QStringLiteral("甲商事（新）/1"));
}

TEST_F(DataSentakuBoxTest, RefusedChoices) {
    // An empty slot is no dataset.
    auto box = prepared(QStringLiteral("SyoriType=0"));
    TPerfectGrid* g = box->Grid();
    const int empty = 5;
    ASSERT_TRUE(g->CellText(empty, TDataSentakuBox::colCode).isEmpty());
    g->SetCurrentCell(empty, 0);
    box->F12Click();
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("このフォルダには財務データがありません。\r")});
    EXPECT_TRUE(SystemDef.DataDir.isEmpty());

    // A dataset in use elsewhere is refused with its status and operator.
    e.ui->clear();
    TDataInfomation info;
    info.SetDataStatus(datasets[1].folder, 2);
    g->SetCurrentCell(rowOfCode(g, QStringLiteral("1201")), 0);
    box->F12Click();
    ASSERT_EQ(e.ui->shown().size(), 1u);
    EXPECT_EQ(e.ui->shown()[0].message.caption, QStringLiteral("選択データの状態"));
    EXPECT_TRUE(e.ui->shown()[0].message.text.startsWith(
        QStringLiteral("このデータは使用中のため処理が行えません。\r前回、異常終了した場合は")));
    EXPECT_TRUE(SystemDef.DataDir.isEmpty());
    info.SetDataStatus(datasets[1].folder, 1);

    // A row whose update lock forbids the upgrade its old version needs: refused in type 0, taken in 3.
    e.executeSystem(
        QStringLiteral("UPDATE DATALIST SET UPDATE_LOCK=1, VER_MAJOR=1, VER_MINOR1=0, VER_TEXT='1.0'"
                       " WHERE REC=4"));
    e.ui->clear();
    box = prepared(QStringLiteral("SyoriType=0"));
    g = box->Grid();
    const int old = rowOfCode(g, QStringLiteral("1300"));
    EXPECT_EQ(g->CellText(old, TDataSentakuBox::colUpdate), QStringLiteral("1"));
    g->SetCurrentCell(old, 0);
    box->F12Click();
    ASSERT_EQ(e.ui->shown().size(), 1u);
    EXPECT_TRUE(e.ui->messageTexts()[0].startsWith(
        QStringLiteral("このデータは「データの更新」処理を行うことが禁止")));
    EXPECT_TRUE(SystemDef.DataDir.isEmpty());
    auto wizard = prepared(QStringLiteral("SyoriType=3"));
    wizard->Grid()->SetCurrentCell(rowOfCode(wizard->Grid(), QStringLiteral("1300")), 0);
    wizard->F12Click();
    EXPECT_EQ(SystemDef.DataDir, datasets[4].folder);
}

// Type 1 must leave a valid selection: the close box asks to end the program, and Esc keeps the dialog
// open while the previous dataset is gone.
TEST_F(DataSentakuBoxTest, TheMustChooseTypeClosesOnlyWithAValidSelection) {
    auto box = prepared(QStringLiteral("SyoriType=1"));
    e.ui->queueAnswer(ui::mrCancel);
    box->done(ui::mrCancel);
    EXPECT_EQ(box->result(), 0);
    EXPECT_EQ(e.ui->shown().at(0).message.kind, ui::MsgKind::Confirmation);
    EXPECT_TRUE(e.ui->messageTexts().at(0).endsWith(QStringLiteral("を終了します。よろしいですか？")));
    e.ui->queueAnswer(ui::mrOk);
    box->done(ui::mrCancel);
    EXPECT_EQ(box->result(), 3);

    const QString gone = e.root->dataDir() + QStringLiteral("/0099");
    SystemDef.DataDir = gone;
    box = prepared(QStringLiteral("SyoriType=1"));
    e.ui->clear();
    box->ESCClick();
    EXPECT_EQ(box->result(), 0);
    EXPECT_FALSE(box->EscFlag);
    EXPECT_EQ(e.ui->messageTexts(),
              QStringList{QStringLiteral("このフォルダには財務データがありません。\r")});
    EXPECT_EQ(SystemDef.DataDir, gone);

    // The wizard's type lets Esc go back to the still valid previous choice.
    SystemDef.DataDir = datasets[2].folder;
    box = prepared(QStringLiteral("SyoriType=3"));
    box->ESCClick();
    EXPECT_EQ(box->result(), ui::mrCancel);
    EXPECT_EQ(SystemDef.DataDir, datasets[2].folder);
    EXPECT_TRUE(SystemDef.ListPath.isEmpty());
}

// Types 2 and 4 want an empty destination and hand it back as the two path lines.
TEST_F(DataSentakuBoxTest, DestinationTypesTakeOnlyAnEmptyRow) {
    SystemDef.DataDir = datasets[1].folder;
    SystemDef.ListPath = datasets[1].folder;
    auto box = prepared(QStringLiteral("SyoriType=4"));
    TPerfectGrid* g = box->Grid();
    g->SetCurrentCell(rowOfCode(g, QStringLiteral("1201")), 0);
    box->F12Click();
    g->SetCurrentCell(rowOfCode(g, QStringLiteral("1202")), 0);
    box->F12Click();
    EXPECT_EQ(
        e.ui->messageTexts(),
        (QStringList{QStringLiteral("このデータは現在選択中のデータです。\r他の場所を選んで下さい。"),
                     QStringLiteral("選択したパスには既にデータが存在します。\r他の場所を選んで下さい。")}));
    g->SetCurrentCell(5, 0);
    const QString folder = g->CellText(5, TDataSentakuBox::colFolder).replace(u'~', SystemDef.DataRoot);
    box->F12Click();
    EXPECT_EQ(box->result(), 1);
    EXPECT_EQ(SystemDef.SelectedPaths, QStringLiteral("PATH1=%1\rPATH2=%1").arg(folder));
    EXPECT_EQ(SystemDef.DataDir, datasets[1].folder);
}

// A copy or restore whose worker failed never counts as done: the merge settings stay untouched and
// the row shows what the folder holds.
TEST_F(DataSentakuBoxTest, AFailedWorkerIsNotReportedAsASuccessfulCopyOrRestore) {
    auto box = prepared(QStringLiteral("SyoriType=0"));
    TPerfectGrid* g = box->Grid();
    const int row = rowOfCode(g, QStringLiteral("1201"));
    const testenv::Dataset& target = datasets[1];
    // The merged source of the copy makes the target's merge kind be written on success.
    box->CopySourceEntry.GASSAN = 1;
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET GASSAN=2 WHERE REC=1"));
    box->ReloadView();
    TDataInfomation info;
    info.SetDataStatus(target.folder, 7);
    const auto mergeKind = [&] {
        EXPECT_TRUE(e.dm->fnAccDatConnected(QString(), target.folder, 0));
        const QString kind = GetAccReg(QStringLiteral("基本設定"), QStringLiteral("合算データ区分"),
                                       QStringLiteral("整数"), QStringLiteral("0"))
                                 .toString();
        e.dm->fnAccDatDisConnected(target.folder, 0, 0);
        return kind;
    };
    const QString before = mergeKind();
    EXPECT_EQ(box->FinishCopyOrRestore(row, false), -1);
    EXPECT_EQ(mergeKind(), before);
    EXPECT_TRUE(e.ui->messageTexts().isEmpty()) << e.ui->messageTexts().join(u'\n').toStdString();
    TDataInfomationRec rec;
    info.ReadDataIni(target.folder, rec);
    EXPECT_EQ(rec.STATUS, 1);
    // The row was rebuilt from the folder: the list row follows the database again.
    EXPECT_EQ(g->CellText(rowOfCode(g, QStringLiteral("1201")), TDataSentakuBox::colGassan),
              QStringLiteral("0"));

    info.SetDataStatus(target.folder, 7);
    e.executeSystem(QStringLiteral("UPDATE DATALIST SET GASSAN=2 WHERE REC=1"));
    box->ReloadView();
    EXPECT_EQ(box->FinishCopyOrRestore(rowOfCode(g, QStringLiteral("1201")), true), 1);
    EXPECT_EQ(mergeKind(), QStringLiteral("2"));

    // The stand-alone restore of type 5 chooses only when the restore succeeded.
    auto restore = prepared(QStringLiteral("SyoriType=5\rOnlySA_Syori=Restore\rOnlySA_BackupPath=/nowhere"));
    restore->Grid()->SetCurrentCell(5, 0);
    e.ui->clear();
    restore->F12Click();
    EXPECT_NE(restore->result(), 1);
}

// Naming, renaming, reordering and deleting data places; the grid follows the stored rows.
TEST_F(DataSentakuBoxTest, DataPlacesAreNamedMovedAndDeleted) {
    for (int rec : {1, 2})
        e.executeSystem(
            QStringLiteral("INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (%1, %2, '', '%3')")
                .arg(rec)
                .arg(rec + 1)
                .arg(e.root->dataDir() + QStringLiteral("%1").arg(rec, 2, 10, QLatin1Char('0'))));
    TDataPlaceBox places;
    places.Setup(true);
    ASSERT_EQ(places.Places.size(), 3);
    const auto stored = [&](const QString& sql) { return testenv::systemColumn(*e.root, sql); };
    const auto focus = [&](int row) {
        places.Grid()->SetCurrentCell(row, 1);
        places.SetKeys();
    };

    // A name of blanks only is no name.
    focus(1);
    e.ui->queueInput(QStringLiteral(" 　 "));
    places.F2Click();
    EXPECT_EQ(e.ui->messageTexts(), QStringList{QStringLiteral("名称が入力されていません。")});
    EXPECT_TRUE(places.Places[1].Name.isEmpty());
    e.ui->queueInput(QStringLiteral("別棟"));
    places.F2Click();
    EXPECT_EQ(stored(QStringLiteral("SELECT NAME FROM DATAPLACEMAN WHERE REC=1")), QStringList{"別棟"});
    EXPECT_EQ(stored(QStringLiteral("SELECT COUNT(*) FROM DATALIST_EX WHERE DATAPLACEREC=1")),
              QStringList{QString::number(TDataSentakuListCtl::DataListCnt())});
    // A new name leaves the list slots alone.
    e.ui->queueInput(QStringLiteral("本館"));
    places.F3Click();
    EXPECT_EQ(stored(QStringLiteral("SELECT NAME FROM DATAPLACEMAN WHERE REC=1")), QStringList{"本館"});
    EXPECT_EQ(stored(QStringLiteral("SELECT COUNT(*) FROM DATALIST_EX WHERE DATAPLACEREC=1")),
              QStringList{QString::number(TDataSentakuListCtl::DataListCnt())});

    // The first row cannot go up; a move stores the new order of the rows that changed.
    focus(0);
    EXPECT_FALSE(places.form().F6->isEnabled());
    places.F6Click();
    EXPECT_EQ(places.RecAt(0), 0);
    places.F7Click();
    EXPECT_EQ(places.Grid()->CurrentRow(), 1);
    EXPECT_EQ(stored(QStringLiteral("SELECT REC FROM DATAPLACEMAN ORDER BY ORDERKBN")),
              (QStringList{"1", "0", "2"}));
    EXPECT_EQ(places.Grid()->CellText(0, 1), QStringLiteral("1"));
    EXPECT_EQ(places.NamedPlacesText(), QStringLiteral("本館\r標準の場所\r"));

    // A place whose list still has a dataset folder is kept; an empty one goes with its slots.
    places.Setup(true);
    focus(places.IndexOfRec(1));
    e.executeSystem(QStringLiteral("UPDATE DATALIST_EX SET PASNAME='%1' WHERE DATAPLACEREC=1 AND REC=3")
                        .arg(datasets[1].folder));
    e.ui->clear();
    places.F5Click();
    EXPECT_TRUE(
        e.ui->messageTexts().value(0).startsWith(QStringLiteral("このフォルダ配下には会計データが存在")));
    e.executeSystem(
        QStringLiteral("UPDATE DATALIST_EX SET PASNAME='/nowhere' WHERE DATAPLACEREC=1 AND REC=3"));
    e.ui->queueAnswer(ui::mrOk);
    places.F5Click();
    EXPECT_EQ(stored(QStringLiteral("SELECT NAME FROM DATAPLACEMAN WHERE REC=1")), QStringList{""});
    EXPECT_EQ(stored(QStringLiteral("SELECT COUNT(*) FROM DATALIST_EX")), QStringList{"0"});
    EXPECT_EQ(places.form().F2->text(), QStringLiteral("F2:新規作成"));
}

class ServerModeTest : public DataSentakuBoxTest {
protected:
    void SetUp() override {
        server = qEnvironmentVariable("QV_FB_SERVER");
        if (server.isEmpty())
            GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
        DataSentakuBoxTest::SetUp();
        e.executeSystem(QStringLiteral(
            "INSERT INTO OPERATOR (GROUPID, OPCODE, OPNAME, JOBLEVEL) VALUES (10000, 12, '山田', 1)"));
        e.dm->IBDatabaseDEF.detach();
        ConnectMode = 1;
        SystemDef.HOSTNAME = server;
        ASSERT_TRUE(e.dm->fnAccDefConnected(QString(), 1));
        ASSERT_TRUE(e.dm->IBDatabaseDEF.path().startsWith(server + u':'));
    }
    void TearDown() override {
        if (e.dm)
            e.dm->IBDatabaseDEF.detach();
        ConnectMode = 0;
        DataSentakuBoxTest::TearDown();
    }
    // Through the server, as another computer would.
    void serverExec(const QString& sql, const std::function<void(fb::Query&)>& bind = {}) {
        OwnTransaction own(e.dm->IBTransactionDEF);
        fb::Query q(e.dm->IBTransactionDEF, sql);
        if (bind)
            bind(q);
        q.execute();
        q.close();
        own.commit();
    }
    QString serverValue(const QString& sql) {
        OwnTransaction own(e.dm->IBTransactionDEF);
        fb::Query q(e.dm->IBTransactionDEF, sql);
        q.open();
        const QString v = q.eof() ? QString() : q.field(0).asString();
        q.close();
        own.commit();
        return v;
    }
    QString server;
};

TEST_F(ServerModeTest, TheLockIsTakenAndFreedButNeverTakenOverFromAnotherOperator) {
    auto box = prepared(QStringLiteral("SyoriType=0"));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("データ選択（サーバー）"));
    TPerfectGrid* g = box->Grid();
    const int mine = rowOfCode(g, QStringLiteral("1201"));
    box->PerfectGrid1CellClick(mine, TDataSentakuBox::colLockPic);
    EXPECT_EQ(serverValue(QStringLiteral("SELECT DATALOCK FROM DATALIST WHERE REC=1")), QStringLiteral("10"));
    EXPECT_EQ(g->CellText(mine, TDataSentakuBox::colLock), QStringLiteral("10"));
    box->PerfectGrid1CellClick(mine, TDataSentakuBox::colLockPic);
    EXPECT_EQ(serverValue(QStringLiteral("SELECT DATALOCK FROM DATALIST WHERE REC=1")), QStringLiteral("0"));
    EXPECT_TRUE(e.ui->shown().empty()) << e.ui->messageTexts().join(u'\n').toStdString();

    // Operator 12 locks the data after the list was drawn: the click shows the other lock and leaves it.
    const int other = rowOfCode(g, QStringLiteral("1202"));
    ASSERT_EQ(g->CellText(other, TDataSentakuBox::colLock), QStringLiteral("0"));
    serverExec(QStringLiteral("UPDATE DATALIST SET DATALOCK=12 WHERE REC=2"));
    box->PerfectGrid1CellClick(other, TDataSentakuBox::colLockPic);
    EXPECT_EQ(serverValue(QStringLiteral("SELECT DATALOCK FROM DATALIST WHERE REC=2")), QStringLiteral("12"));
    EXPECT_EQ(g->CellText(other, TDataSentakuBox::colLock), QStringLiteral("12"));
    ASSERT_EQ(e.ui->shown().size(), 1u);
    EXPECT_EQ(e.ui->shown()[0].message.caption, QStringLiteral("ロックデータの状態"));
    EXPECT_TRUE(e.ui->shown()[0].message.text.contains(QStringLiteral("　山田")));

    // Nor is it released by a click that sees it as locked.
    e.ui->clear();
    box->PerfectGrid1CellClick(other, TDataSentakuBox::colLockPic);
    EXPECT_EQ(serverValue(QStringLiteral("SELECT DATALOCK FROM DATALIST WHERE REC=2")), QStringLiteral("12"));
    EXPECT_EQ(e.ui->shown().size(), 1u);

    // The list controller's write is conditional: a stale expectation changes nothing.
    TDataSentakuListCtl ctl;
    ctl.SetConnectMode(1);
    TDataListRec row;
    row.REC = 2;
    EXPECT_FALSE(ctl.ChangeDataLock(row, 0, 10));
    EXPECT_EQ(serverValue(QStringLiteral("SELECT DATALOCK FROM DATALIST WHERE REC=2")), QStringLiteral("12"));
}

TEST_F(ServerModeTest, ThePlaceComboSwitchesTheListBetweenDataPlaces) {
    // Place 5 named through the place dialog: its folder and its list slots are made.
    const QString placeFolder = e.root->dataDir() + QStringLiteral("05");
    {
        TDataPlaceBox places;
        places.Setup(true);
        ASSERT_GE(places.Places.size(), 1);
        serverExec(
            QStringLiteral("INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (5, 6, '', :P)"),
            [&](fb::Query& q) { q.setString("P", placeFolder); });
        places.Setup(true);
        const int row = places.IndexOfRec(5);
        ASSERT_GE(row, 0);
        places.Grid()->SetCurrentCell(row, 1);
        places.SetKeys();
        EXPECT_EQ(places.form().F2->text(), QStringLiteral("F2:新規作成"));
        e.ui->queueInput(QStringLiteral("第二　の 場所"));
        places.F2Click();
        EXPECT_EQ(places.Places[row].Name, QStringLiteral("第二の場所"));
        EXPECT_TRUE(QDir(placeFolder).exists());
        EXPECT_EQ(serverValue(QStringLiteral("SELECT COUNT(*) FROM DATALIST_EX WHERE DATAPLACEREC=5")),
                  QString::number(TDataSentakuListCtl::DataListCnt()));
        EXPECT_EQ(
            serverValue(QStringLiteral("SELECT PASNAME FROM DATALIST_EX WHERE DATAPLACEREC=5 AND REC=2")),
            placeFolder + QStringLiteral("/0002"));
        // Place 0 can never be deleted.
        places.Grid()->SetCurrentCell(places.IndexOfRec(0), 1);
        places.SetKeys();
        EXPECT_EQ(places.form().F5->text(), QStringLiteral("F5:"));
    }
    // Dataset 3 moves into slot 1 of place 5.
    serverExec(QStringLiteral(
                   "UPDATE DATALIST_EX SET ENTTEXT='丙個人', SHOUGOU='丙個人', DATACODE='2001', DATATYPE=2,"
                   " CODETYPE=1, NENDO=1, VER_MAJOR=13, VER_TEXT='13.0', PASNAME=:P"
                   " WHERE DATAPLACEREC=5 AND REC=1"),
               [&](fb::Query& q) { q.setString("P", datasets[3].folder); });
    serverExec(
        QStringLiteral("UPDATE DATALIST SET ENTTEXT='', SHOUGOU='', DATACODE='', DATATYPE=0 WHERE REC=3"));

    auto box = prepared(QStringLiteral("SyoriType=0\rJyokenSet=1\rDataVerMajor=13"));
    QComboBox* combo = box->form().cmbDataMan;
    EXPECT_TRUE(box->form().pnlDataMan->isVisibleTo(box.get()));
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("第二の場所"));
    EXPECT_EQ(codes(box->Grid()), (QStringList{"1201", "1202"}));

    combo->setCurrentIndex(1);
    box->cmbDataManChange();
    box->cmbDataManExit();
    EXPECT_EQ(box->PlaceRec, 5);
    EXPECT_EQ(codes(box->Grid()), QStringList{"2001"});
    box->Grid()->SetCurrentCell(0, 0);
    box->F12Click();
    EXPECT_EQ(box->result(), 1);
    EXPECT_EQ(SystemDef.DataDir, datasets[3].folder);
    // The operator's place is kept for the next time.
    EXPECT_EQ(SystemDef.ServerDataPlace, 5);

    combo->setCurrentIndex(0);
    box->cmbDataManExit();
    EXPECT_EQ(box->PlaceRec, 0);
    EXPECT_EQ(codes(box->Grid()), (QStringList{"1201", "1202"}));
    EXPECT_TRUE(e.ui->messageTexts().isEmpty()) << e.ui->messageTexts().join(u'\n').toStdString();
}

} // namespace

// By keyboard alone: Tab leaves the grid and reaches every control above it, Space on a focused
// button presses it, and Tab comes round to the grid again.
TEST_F(DataSentakuBoxTest, TabReachesEveryControlAndSpacePressesTheFocusedButton) {
    auto box = prepared(QStringLiteral("SyoriType=0"));
    TPerfectGrid* g = box->Grid();
    box->show();
    box->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(box.get()));
    g->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), g);
    const auto press = [](Qt::Key key) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        QTest::keyClick(focus, key);
    };
    QList<QWidget*> reached;
    for (int i = 0; i < 20; ++i) {
        press(Qt::Key_Tab);
        if (QApplication::focusWidget() == g)
            break;
        reached << QApplication::focusWidget();
    }
    EXPECT_EQ(QApplication::focusWidget(), g);
    const Ui::TDataSentakuBox& f = box->form();
    for (QWidget* control : {static_cast<QWidget*>(f.chkSharedAuto), static_cast<QWidget*>(f.btnSearch),
                             static_cast<QWidget*>(f.btnDataInfo), static_cast<QWidget*>(f.btnListUpdate)})
        EXPECT_TRUE(reached.contains(control)) << control->objectName().toStdString();

    // Space on 更新 reads the list again; the rows stay as they were.
    const QStringList listed = codes(g);
    int updates = 0;
    QObject::connect(f.btnListUpdate, &QPushButton::clicked, [&updates] { ++updates; });
    f.btnListUpdate->setFocus();
    press(Qt::Key_Space);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(codes(g), listed);
    box->close();
}

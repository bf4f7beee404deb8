// The wizard in this process over a fixture data root, driven as an operator would: the logon dialog,
// the pages, the data selection (a scripted selection registered under the dialog's program name, which
// sets SystemDef as the selection dialog does), the output file and Finish.
#include "XmlReadBack.h"

#include "app/hj19.h"
#include "app/main.h"
#include "controls/PerfectGrid.h"
#include "controls/QtUserInteraction.h"
#include "core/DialogRegistry.h"
#include "core/uAccRecord.h"
#include "datasel/Logon.h"
#include "datasel/z5DataSentaku.h"
#include "platform/CallerWindow.h"
#include "platform/IniFile.h"
#include "platform/UserInteraction.h"
#include "support/DataRootFixture.h"
#include "support/TestEnv.h"
#include "ui_Logon.h"
#include "ui_main.h"

#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

// What the scripted selection does on each run: sets SystemDef.DataDir and returns the dialog's result.
// Unset, the program's data-selection dialog runs.
std::function<int(const QStringList& params)> g_selection;

class ScriptedDataSelection : public QObject, public ISyoriKidou {
public:
    explicit ScriptedDataSelection(QWidget* /*owner*/) {}
    void SetParams(const QStringList& params) override { m_params = params; }
    int Execute(bool modal) override {
        if (!g_selection) {
            QPointer<TDataSentakuBox> box = new TDataSentakuBox(nullptr);
            box->SetParams(m_params);
            const int result = box->Execute(modal);
            if (box)
                box->deleteLater();
            return result;
        }
        ShowNormalCursor();
        return g_selection(m_params);
    }

private:
    QStringList m_params;
};

const bool registered = [] {
    RegisterDialogClass(DialogClassOf<ScriptedDataSelection>(), QStringLiteral("QzDataSenkaku"));
    return true;
}();

const QString kCreated = QStringLiteral("中間ファイルが作成されました。\r");

testenv::AssetSpec straightLineAsset() {
    testenv::AssetSpec a;
    a.kanri = QStringLiteral("A-1");
    a.kcode = QStringLiteral("1405");
    a.name = QStringLiteral("複合機");
    a.method = 1;
    a.acquired = TDateTime::fromDate(2020, 4, 1);
    a.lifeYears = 5;
    a.cost = a.base = Money(500000);
    a.rate = Money::fromString(QStringLiteral("0.2"));
    a.ordinary = a.total = Money(100000);
    a.bookValueEnd = Money(100000);
    return a;
}

QString dataStatus(const testenv::Dataset& ds) {
    return IniFile(ds.folder + QStringLiteral("/placc.ini")).readString("DATASTS", "STATUS");
}

class WizardWalk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registered);
        root = std::make_unique<testenv::DataRoot>();
        testenv::registerAccountingProduct();
        testenv::CompanySpec company;
        company.name = QStringLiteral("株式会社ウィザード");
        ds = root->addDataset(company);
        ds.addAccount({QStringLiteral("1405"), QStringLiteral("144"), QStringLiteral("工具器具備品")});
        ds.addAsset(straightLineAsset());
        choose(ds);
    }
    void TearDown() override { g_selection = nullptr; }

    // Every run of the selection chooses the dataset.
    void choose(const testenv::Dataset& chosen) {
        g_selection = [this, folder = chosen.folder](const QStringList& params) {
            selectionParams = params;
            ++selectionRuns;
            SystemDef.DataDir = folder;
            return 1;
        };
    }

    // A new wizard, started and logged on as operator 10 through its logon dialog.
    void start(const QStringList& arguments = {}) {
        form = std::make_unique<TForm1>();
        ASSERT_TRUE(form->FormCreate(arguments));
        ASSERT_TRUE(form->InitApplication());
        QTimer logon;
        logon.setInterval(20);
        QObject::connect(&logon, &QTimer::timeout, [&logon] {
            auto* box = qobject_cast<TLogonBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            logon.stop();
            QTest::keyClicks(box->form().txtOpCode, QStringLiteral("10"));
            QTest::mouseClick(box->form().OKBtn, Qt::LeftButton);
        });
        logon.start();
        form->show();
        ASSERT_TRUE(QTest::qWaitFor([this] { return form->LoggedOn(); }, 30000));
        EXPECT_EQ(SystemDef.AppName, QStringLiteral("Corvane連動コンポーネント"));
        ui->clear();
    }

    Ui::TForm1& w() { return form->form(); }
    QString page() const { return form->form().Wizard1->currentWidget()->objectName(); }
    QStringList pages() {
        QStringList names;
        for (int i = 0; i < w().Wizard1->count(); ++i)
            names << w().Wizard1->widget(i)->objectName();
        return names;
    }
    void next() { QTest::mouseClick(w().Button2, Qt::LeftButton); }
    void openSelection() { QTest::mouseClick(w().btnDataSentaku, Qt::LeftButton); }

    int logonRows() const {
        auto db = root->connectSystem();
        fb::Transaction t(*db);
        t.start();
        fb::Query q(t);
        q.setSql(QStringLiteral("SELECT COUNT(*) AS N FROM LOGONUSERLIST"));
        q.open();
        return q.field("N").asInt();
    }

    testenv::TempEnvironment env;
    testenv::ScopedEnv programDir{"QV_PROGRAM_DIR", testenv::buildDir() + QStringLiteral("/bin")};
    ui::ScopedScriptedUi ui;
    std::unique_ptr<testenv::DataRoot> root;
    testenv::Dataset ds;
    std::unique_ptr<TForm1> form;
    QStringList selectionParams;
    int selectionRuns = 0;
};

} // namespace

TEST_F(WizardWalk, StandaloneWalkWritesTheFileWhereTheSummarySaysAndExitsWith0) {
    start();
    EXPECT_EQ(pages(), (QStringList{"page1", "page2", "page4", "page5"}));
    EXPECT_EQ(form->windowTitle(),
              QStringLiteral("法人税のCorvane（平成21年度版 以降） from ペラン財務（減価償却）"));
    EXPECT_EQ(logonRows(), 1);

    next();
    ASSERT_EQ(page(), "page2");
    // Nothing chosen yet: refused.
    next();
    EXPECT_EQ(page(), "page2");
    EXPECT_EQ(ui->messageTexts(), QStringList{wizardtext::NoDataChosen});
    ui->clear();

    // The data-selection dialog itself: the dataset's row, chosen with F12.
    g_selection = nullptr;
    QStringList listed;
    QTimer selection;
    selection.setInterval(20);
    QObject::connect(&selection, &QTimer::timeout, [&] {
        auto* box = qobject_cast<TDataSentakuBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        selection.stop();
        TPerfectGrid* grid = box->Grid();
        for (int r = 0; r < grid->RowCount(); ++r)
            if (!grid->CellText(r, TDataSentakuBox::colCode).isEmpty())
                listed << grid->CellText(r, TDataSentakuBox::colName);
        QTest::keyClick(grid, Qt::Key_F12);
    });
    selection.start();
    openSelection();
    selection.stop();
    EXPECT_EQ(listed, QStringList{QStringLiteral("株式会社ウィザード")});
    EXPECT_EQ(SystemDef.DataDir, ds.folder);
    EXPECT_TRUE(form->DataConnected());
    EXPECT_EQ(dataStatus(ds), "2"); // in use while the wizard has it
    ASSERT_EQ(w().listDataInfo->rowCount(), 4);
    EXPECT_EQ(w().listDataInfo->item(1, 0)->text(), QStringLiteral("会社名"));
    EXPECT_EQ(w().listDataInfo->item(1, 1)->text(), QStringLiteral("株式会社ウィザード"));
    EXPECT_EQ(w().listDataInfo->item(2, 1)->text(), QStringLiteral("1期"));
    EXPECT_TRUE(ui->shown().empty());

    next();
    ASSERT_EQ(page(), "page4");
    w().Edit4a->clear();
    next();
    EXPECT_EQ(page(), "page4");
    EXPECT_EQ(ui->messageTexts(), QStringList{wizardtext::NoOutputFile});
    ui->clear();

    // A bare file name lands in the documents folder, as the summary says.
    QTest::keyClicks(w().Edit4a, QStringLiteral("walk.xml"));
    next();
    ASSERT_EQ(page(), "page5");
    const QString file = env.documents() + QStringLiteral("/walk.xml");
    const QStringList summary = w().Memo5b->toPlainText().split(u'\n');
    EXPECT_EQ(summary.value(1), QStringLiteral(" 会社名        : 株式会社ウィザード"));
    EXPECT_EQ(summary.value(2), QStringLiteral(" 会計年度      : 1 期"));
    EXPECT_EQ(summary.mid(4), (QStringList{QString(), QStringLiteral("【中間ファイル】"), u' ' + file}));
    EXPECT_EQ(w().Button2->text(), QStringLiteral("完了(&F)"));

    next();
    EXPECT_EQ(ui->messageTexts(), QStringList{kCreated});
    EXPECT_EQ(ui->shown().front().message.kind, ui::MsgKind::Information);
    EXPECT_TRUE(form->IsClosed());
    EXPECT_EQ(form->ExitCode(), 0);
    const XmlFile written = readXmlFile(file);
    ASSERT_TRUE(written.root);
    EXPECT_EQ(written.root->child("BASIC")->childText("KOMONSAKINAME"), QStringLiteral("株式会社ウィザード"));
    const XmlElement* teigaku = written.root->child("DATA")->child("HJK160119");
    ASSERT_TRUE(teigaku);
    EXPECT_EQ(teigaku->childrenNamed("TEIGAKU_MEISAI_19").size(), 1u);

    // The close path handed the dataset and the logon back; the linkage ini remembers the file.
    EXPECT_EQ(dataStatus(ds), "1");
    EXPECT_EQ(logonRows(), 0);
    form.reset();
    EXPECT_EQ(IniFile(root->iniDir() + QStringLiteral("/Corvane.ini")).readString("HOJINZEI_G", "EXPORTFILE"),
              file);
}

TEST_F(WizardWalk, StartedByACallerTheCallerGetsTheOutcomeOfFinishOrCancel) {
    enum Ending { Created, Cancelled, Failed };
    struct Case {
        Ending ending;
        QString file;
        int exitCode;
    };
    const Case cases[] = {
        {Created, env.path() + QStringLiteral("/out/caller.xml"), 0},
        {Cancelled, env.path() + QStringLiteral("/out/caller.xml"), 1},
        {Failed, env.path() + QStringLiteral("/no/such/folder/caller.xml"), 2},
    };
    QDir().mkpath(env.path() + QStringLiteral("/out"));
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.ending));
        QFile::remove(c.file);
        CallerWindowListener caller(42);
        start({QStringLiteral("42,1500,9,") + c.file});
        ASSERT_TRUE(caller.waitForMessages(1));
        EXPECT_EQ(caller.messages(), QStringList{"disable"});
        EXPECT_EQ(pages(), (QStringList{"page1", "page2", "page5"}));

        next();
        openSelection();
        EXPECT_EQ(selectionParams, (QStringList{"SyoriType=3", "JyokenSet=1", "DataType=-13", "CodeType=0",
                                                "DataVerMajor=13", "FormStyle=2"}));
        next();
        ASSERT_EQ(page(), "page5");
        EXPECT_TRUE(w().Memo5b->toPlainText().startsWith(QStringLiteral("【連動元情報】\n 会社名")));
        EXPECT_FALSE(w().Memo5b->toPlainText().contains(QStringLiteral("【中間ファイル】")));
        if (c.ending == Cancelled) {
            ui->queueAnswer(ui::mrYes);
            QTest::mouseClick(w().btnCancel, Qt::LeftButton);
        } else {
            next();
        }
        EXPECT_TRUE(form->IsClosed());
        EXPECT_EQ(caller.messages(), QStringList{"disable"}); // still disabled until the form goes
        form.reset();
        ASSERT_TRUE(caller.waitForMessages(4));
        EXPECT_EQ(caller.messages(), (QStringList{"disable", "foreground", "enable",
                                                  QStringLiteral("post 1500 9 %1").arg(c.exitCode)}));
        EXPECT_EQ(QFile::exists(c.file), c.ending == Created);
        if (c.ending == Created) {
            // No box for a caller; the file carries its function id.
            EXPECT_TRUE(ui->shown().empty());
            EXPECT_EQ(readXmlFile(c.file).root->child("SYSTEM")->childText("FUNCTIONID"), "9");
        } else if (c.ending == Failed) {
            ASSERT_FALSE(ui->messageTexts().isEmpty());
            EXPECT_TRUE(ui->messageTexts().contains(QStringLiteral("中間ファイルの作成に失敗しました。\r")));
        }
        EXPECT_EQ(dataStatus(ds), "1");
    }
}

TEST_F(WizardWalk, ADatasetBelowTheRequiredVersionIsRefusedAndReleased) {
    testenv::CompanySpec old;
    old.name = QStringLiteral("株式会社旧版");
    const testenv::Dataset oldDs = root->addDataset(old);
    oldDs.execute(QStringLiteral("UPDATE ACCVERSION SET MAJOR=12, MINOR1=5, MINOR2=0 WHERE REC=1"));
    const QString versionBox = QStringLiteral("このプログラムで処理できるデータバージョンに達していません。\r"
                                              "データバージョン:13.0.0以降のデータを選択して下さい。\r"
                                              "データ選択画面を開き、別のデータを選択しますか？");
    start();
    next();

    // Cancel: no dataset, and the refused one is free again.
    choose(oldDs);
    ui->queueAnswer(ui::mrCancel);
    openSelection();
    EXPECT_EQ(ui->messageTexts(), QStringList{versionBox});
    EXPECT_EQ(ui->shown().front().message.kind, ui::MsgKind::Confirmation);
    EXPECT_FALSE(form->DataConnected());
    EXPECT_EQ(w().listDataInfo->rowCount(), 0);
    EXPECT_EQ(dataStatus(oldDs), "1");

    // OK opens the selection again; the dataset chosen then is taken.
    ui->clear();
    selectionRuns = 0;
    g_selection = [&](const QStringList&) {
        SystemDef.DataDir = ++selectionRuns == 1 ? oldDs.folder : ds.folder;
        return 1;
    };
    ui->queueAnswer(ui::mrOk);
    openSelection();
    EXPECT_EQ(selectionRuns, 2);
    EXPECT_EQ(ui->messageTexts(), QStringList{versionBox});
    EXPECT_TRUE(form->DataConnected());
    EXPECT_EQ(w().listDataInfo->item(1, 1)->text(), QStringLiteral("株式会社ウィザード"));
    EXPECT_EQ(dataStatus(oldDs), "1");
    EXPECT_EQ(dataStatus(ds), "2");

    // Cancelling the selection now keeps the accepted dataset.
    ui->clear();
    g_selection = [](const QStringList&) { return 2; };
    openSelection();
    EXPECT_TRUE(ui->shown().empty());
    EXPECT_TRUE(form->DataConnected());
    EXPECT_EQ(SystemDef.DataDir, ds.folder);
    EXPECT_EQ(w().listDataInfo->rowCount(), 4);
}

TEST_F(WizardWalk, NothingToExportSaysSoWritesNoFileAndStaysOnTheSummary) {
    testenv::CompanySpec empty;
    empty.name = QStringLiteral("株式会社資産なし");
    const testenv::Dataset emptyDs = root->addDataset(empty);
    choose(emptyDs);
    start();
    next();
    openSelection();
    next();
    w().Edit4a->setText(env.path() + QStringLiteral("/none.xml"));
    next();
    ASSERT_EQ(page(), "page5");
    next();
    EXPECT_EQ(ui->messageTexts(),
              QStringList{QStringLiteral("対象の減価償却資産が登録されていません。\r\r")});
    EXPECT_EQ(ui->shown().front().message.kind, ui::MsgKind::Information);
    EXPECT_FALSE(QFile::exists(env.path() + QStringLiteral("/none.xml")));
    EXPECT_FALSE(form->IsClosed());
    EXPECT_EQ(page(), "page5");
    EXPECT_EQ(form->ExitCode(), 1);
}

TEST_F(WizardWalk, OutputFileRules) {
    const QString rootRefused =
        QStringLiteral("ｼｽﾃﾑﾄﾞﾗｲﾌﾞ(/)直下にﾌｧｲﾙは指定できません。\r"
                       "別のﾄﾞﾗｲﾌﾞまたはﾌｫﾙﾀﾞを指定してから[次へ]をｸﾘｯｸしてください。\r");
    struct Case {
        QString text;
        QString refusal; // empty: accepted
        QString file;    // the file the summary names
    };
    const Case cases[] = {
        {QString(), wizardtext::NoOutputFile, {}},
        {env.path() + u'/', wizardtext::NoOutputFile, {}},
        {QStringLiteral("/a.xml"), rootRefused, {}},
        {QStringLiteral("/tmp/../a.xml"), rootRefused, {}},
        {env.path() + QStringLiteral("/a.xml"), {}, env.path() + QStringLiteral("/a.xml")},
        {QStringLiteral("a.xml"), {}, env.documents() + QStringLiteral("/a.xml")},
    };
    start();
    next();
    openSelection();
    next();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        ASSERT_EQ(page(), "page4");
        ui->clear();
        w().Edit4a->setText(c.text);
        next();
        if (!c.refusal.isEmpty()) {
            EXPECT_EQ(ui->messageTexts(), QStringList{c.refusal});
            EXPECT_EQ(page(), "page4");
            EXPECT_EQ(w().Button2->text(), QStringLiteral("次へ(&N) >"));
            continue;
        }
        EXPECT_TRUE(ui->shown().empty());
        ASSERT_EQ(page(), "page5");
        EXPECT_EQ(w().Memo5b->toPlainText().split(u'\n').last(), u' ' + c.file);
        EXPECT_EQ(form->Exporter()->OutputFile, c.file);
        QTest::mouseClick(w().Button1, Qt::LeftButton);
    }
}

// 「参照」 with the remembered output file in place, through the program's own dialogs: Qt's save dialog
// opens in that file's folder with its name filled in, and 保存 (and はい to replacing it) without touching
// anything else keeps the output where it was.
TEST_F(WizardWalk, BrowsingForTheRememberedOutputFileStartsAtItAndSaveKeepsIt) {
    const QString folder = env.path() + QStringLiteral("/出力先");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/連動.xml");
    {
        QFile existing(file);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    }
    ASSERT_NE(QDir::currentPath(), folder);
    // What the last run remembered.
    ASSERT_TRUE(IniFile(root->iniDir() + QStringLiteral("/Corvane.ini"))
                    .writeString("HOJINZEI_G", "EXPORTFILE", file));

    start();
    next();
    openSelection();
    next();
    ASSERT_EQ(page(), "page4");
    ASSERT_EQ(w().Edit4a->text(), file);

    // A repeating timer is not fired again while its slot still runs, so a press made inside the slot
    // would leave the replace question that 保存 opens unanswered for ever. The slot only looks, stops
    // the timer and hands each press to the event loop, which starts the timer anew first.
    QString startFolder;
    QString startName;
    QStringList questions;
    bool savePressed = false;
    QString failure;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->isVisible()) {
            poll.stop();
            questions << box->text();
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            QMetaObject::invokeMethod(
                box,
                [box, yes, &poll] {
                    poll.start();
                    if (yes)
                        yes->click();
                    else
                        box->reject();
                },
                Qt::QueuedConnection);
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog || !dialog->isVisible())
            return;
        if (savePressed) {
            failure = QStringLiteral("保存 left the dialog open");
            dialog->reject();
            return;
        }
        poll.stop();
        startFolder = dialog->directory().absolutePath();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name) {
            failure = QStringLiteral("the dialog has no file name edit");
            dialog->reject();
            return;
        }
        startName = name->text();
        QMetaObject::invokeMethod(
            name,
            [name, &poll, &savePressed] {
                poll.start();
                QTest::keyClick(name, Qt::Key_Return); // 保存
                savePressed = true;
            },
            Qt::QueuedConnection);
    });
    poll.start();
    {
        // The program's own user interaction, installed as the start-up installs it.
        std::unique_ptr<ui::UserInteraction> scripted = ui::install(std::make_unique<QtUserInteraction>());
        QTest::mouseClick(w().BitBtn4a, Qt::LeftButton);
        ui::install(std::move(scripted));
    }
    poll.stop();
    EXPECT_EQ(failure.toStdString(), "");
    EXPECT_EQ(startFolder.toStdString(), folder.toStdString());
    EXPECT_EQ(startName.toStdString(), "連動.xml");
    EXPECT_EQ(questions.size(), 1) << questions.join(u'|').toStdString();
    EXPECT_EQ(w().Edit4a->text().toStdString(), file.toStdString());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The outcome of Finish is told once the progress window 「連動データの作成中です…」 has closed.
TEST_F(WizardWalk, FinishTellsItsOutcomeAfterTheProgressWindowHasGone) {
    const auto progressShown = [] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::any_of(windows.begin(), windows.end(), [](QWidget* window) {
            return qobject_cast<TxProgressForm*>(window) && window->isVisible();
        });
    };
    struct Case {
        QString file;
        QString outcome;
    };
    const Case cases[] = {
        {env.path() + QStringLiteral("/finish.xml"), kCreated},
        {env.path() + QStringLiteral("/no/such/folder/finish.xml"),
         QStringLiteral("中間ファイルの作成に失敗しました。\r")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        start();
        next();
        openSelection();
        next();
        w().Edit4a->setText(c.file);
        next();
        ASSERT_EQ(page(), "page5");
        std::vector<bool> underProgress;
        ui->onMessage = [&](const ui::MessageRequest&) {
            underProgress.push_back(progressShown());
            return -1;
        };
        next();
        ui->onMessage = nullptr;
        EXPECT_EQ(ui->messageTexts().value(0), c.outcome);
        EXPECT_EQ(underProgress, std::vector<bool>(underProgress.size(), false));
        EXPECT_FALSE(underProgress.empty());
        form.reset();
    }
}

// The whole walk by keyboard alone: Enter goes on from the introduction, Space presses 「データ選択を開く」,
// Tab reaches the buttons and the output file, Enter in the file's edit goes on, Esc asks to cancel and
// Enter on a focused ｷｬﾝｾﾙ does the same.
TEST_F(WizardWalk, TheWalkByKeyboardAlone) {
    start();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const auto press = [](Qt::Key key) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        QTest::keyClick(focus, key);
    };
    const auto tabTo = [&press](QWidget* target) {
        for (int i = 0; i < 12 && QApplication::focusWidget() != target; ++i)
            press(Qt::Key_Tab);
        return QApplication::focusWidget() == target;
    };

    ASSERT_EQ(page(), "page1");
    press(Qt::Key_Return);
    ASSERT_EQ(page(), "page2");
    EXPECT_EQ(QApplication::focusWidget(), w().btnDataSentaku);
    press(Qt::Key_Space);
    EXPECT_EQ(selectionRuns, 1);
    EXPECT_TRUE(form->DataConnected());
    // The window manager hands the focus back to the wizard once the selection has closed; headless
    // nothing does.
    if (!QApplication::focusWidget()) {
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    ASSERT_TRUE(tabTo(w().Button2));
    press(Qt::Key_Return);
    ASSERT_EQ(page(), "page4");
    ASSERT_TRUE(tabTo(w().Edit4a));
    QTest::keyClick(w().Edit4a, Qt::Key_A, Qt::ControlModifier);
    // Typed as text: the temporary folder's name may hold characters QTest has no key code for.
    for (const QChar c : env.path() + QStringLiteral("/keys.xml"))
        QTest::sendKeyEvent(QTest::Click, w().Edit4a, Qt::Key_unknown, QString(c), Qt::NoModifier);
    press(Qt::Key_Return);
    ASSERT_EQ(page(), "page5");

    // Back and on again with the keys of the buttons.
    ASSERT_TRUE(tabTo(w().Button1));
    press(Qt::Key_Return);
    ASSERT_EQ(page(), "page4");
    ASSERT_TRUE(tabTo(w().Button2));
    press(Qt::Key_Return);
    ASSERT_EQ(page(), "page5");

    ui->clear();
    ui->queueAnswer(ui::mrNo);
    press(Qt::Key_Escape);
    EXPECT_EQ(ui->messageTexts().size(), 1);
    EXPECT_FALSE(form->IsClosed());

    ASSERT_TRUE(tabTo(w().btnCancel));
    ui->queueAnswer(ui::mrYes);
    press(Qt::Key_Return);
    EXPECT_EQ(ui->messageTexts().size(), 2);
    EXPECT_TRUE(form->IsClosed());
    EXPECT_EQ(form->ExitCode(), 1);
}

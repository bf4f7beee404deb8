// Dialogs started by name: the lines a registered dialog receives, the interface check, the letter case
// of the lookup and the guard against a second start.
#include "core/DialogRegistry.h"
#include "platform/UserInteraction.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <gtest/gtest.h>

namespace {

const QString kNoInterface = QStringLiteral("処理を起動するためのインターフェースが実装されていません。\r"
                                            "ライブラリのロードに失敗した可能性があります。");

struct RunRecord {
    QStringList params;
    bool modal = false;
    bool cursorDuring = false;
    int count = 0;
};
RunRecord g_run;
QPointer<QObject> g_lastForm;

class FakeDialog : public QObject, public ISyoriKidou {
public:
    explicit FakeDialog(QObject*) { g_lastForm = this; }
    int Execute(bool modal) override {
        g_run.modal = modal;
        g_run.cursorDuring = QGuiApplication::overrideCursor() != nullptr;
        ++g_run.count;
        return 42;
    }
    void SetParams(const QStringList& params) override { g_run.params = params; }
};

class OtherDialog : public FakeDialog {
public:
    using FakeDialog::FakeDialog;
    int Execute(bool) override { return 7; }
};

class NoInterface : public QObject {
public:
    explicit NoInterface(QObject*) { g_lastForm = this; }
};

class DialogRegistryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterDialogClass(DialogClassOf<FakeDialog>(), QStringLiteral("TestSyori"));
        // One class twice keeps its first name; a second class under a taken name is never found.
        RegisterDialogClass(DialogClassOf<FakeDialog>(), QStringLiteral("TestSyoriAgain"));
        RegisterDialogClass(DialogClassOf<OtherDialog>(), QStringLiteral("TESTSYORI"));
        RegisterDialogClass(DialogClassOf<NoInterface>(), QStringLiteral("NoInterface"));
    }
    void SetUp() override { g_run = RunRecord(); }
    ui::ScopedScriptedUi shown;
};

TEST_F(DialogRegistryTest, DialogReceivesItsLinesAndTheFormStyleOfTheRun) {
    struct Case {
        QString text;
        int modal;
        QStringList expected;
    };
    const Case cases[] = {
        {QStringLiteral("SyoriType=1\r\nJyokenSet=1\rDataType=-13"),
         1,
         {"SyoriType=1", "JyokenSet=1", "DataType=-13", "FormStyle=2"}},
        {QStringLiteral("SyoriType=5"), 0, {"SyoriType=5", "FormStyle=0"}},
        {QString(), 1, {"FormStyle=2"}},
        {QString(), 0, {"FormStyle=0"}},
        // The caller's own line comes first, so it wins for the dialog.
        {QStringLiteral("FormStyle=2"), 0, {"FormStyle=2", "FormStyle=0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        g_run = RunRecord();
        EXPECT_EQ(RunNamedDialog(QStringLiteral("testsyori"), c.modal, c.text), 42);
        EXPECT_EQ(g_run.params, c.expected);
        EXPECT_EQ(g_run.modal, c.modal == 1);
        EXPECT_TRUE(g_run.cursorDuring);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(ParamValue(g_run.params, QStringLiteral("formstyle")), QStringLiteral("2"));
    EXPECT_TRUE(shown->shown().empty());
}

TEST_F(DialogRegistryTest, ModalFormIsFreedAfterItsRunUnlessItStays) {
    RunNamedDialog(QStringLiteral("TestSyori"), 1, {});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(g_lastForm.isNull());
}

TEST_F(DialogRegistryTest, UnknownNameOrMissingInterfaceGivesTheBoxAndMinusOne) {
    for (const QString& name : {QStringLiteral("QzKihonWiz"), QStringLiteral("NoInterface")}) {
        shown->clear();
        g_lastForm = nullptr;
        EXPECT_EQ(RunNamedDialog(name, 1, QStringLiteral("DataPath=/x")), -1);
        ASSERT_EQ(shown->shown().size(), 1u);
        EXPECT_EQ(shown->shown()[0].message.kind, ui::MsgKind::Error);
        EXPECT_EQ(shown->shown()[0].message.text, kNoInterface);
        EXPECT_EQ(shown->shown()[0].message.buttons, ui::Buttons(ui::mbOK));
        EXPECT_TRUE(g_lastForm.isNull()); // the object without the interface was freed
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(g_run.count, 0);
}

TEST_F(DialogRegistryTest, EmptyNameAndAStartUnderTheHourglassDoNothing) {
    EXPECT_EQ(RunNamedDialog(QString(), 1, {}), -1);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    EXPECT_EQ(RunNamedDialog(QStringLiteral("TestSyori"), 1, {}), -1);
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(g_run.count, 0);
    EXPECT_TRUE(shown->shown().empty());
    EXPECT_EQ(CreateRegisteredForm(QStringLiteral("TestSyoriAgain")), nullptr);
}

TEST(DialogParams, FirstLineWinsAndNamesIgnoreCase) {
    const QStringList lines{"SyoriType=abc", "Path=a=b", "syoritype=3", "X"};
    EXPECT_EQ(ParamInt(lines, QStringLiteral("SYORITYPE"), -1), -1);
    EXPECT_EQ(ParamValue(lines, QStringLiteral("path")), QStringLiteral("a=b"));
    EXPECT_EQ(ParamInt(lines, QStringLiteral("Missing"), -1), -1);
}

} // namespace

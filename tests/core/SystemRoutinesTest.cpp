#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using testenv::readFile;

void writeFile(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(testenv::writeFile(path, bytes)) << path.toStdString();
}

const QString kUacKey = QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System");

// A temporary environment with its own home folder and data root, so that the guard's protected
// folders all lie inside it.
class SystemRoutinesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProcessState();
        QDir().mkpath(env.path() + QStringLiteral("/home"));
        SystemDef.DataRoot = env.commonAppData() + QStringLiteral("/quarno/pellanzaimu");
        writeFile(SystemDef.DataRoot + QStringLiteral("/data/0001/placc.fdb"), "db");
        writeFile(env.documents() + QStringLiteral("/mine.txt"), "doc");
        work = env.path() + QStringLiteral("/work");
        writeFile(work + QStringLiteral("/a/x.txt"), "X");
        writeFile(work + QStringLiteral("/a/sub/y.txt"), "Y");
        savedCwd = QDir::currentPath();
    }
    void TearDown() override {
        QDir::setCurrent(savedCwd);
        ResetProcessState();
    }
    void setUac(bool on) {
        registry::writeInteger(registry::Root::LocalMachine, kUacKey, QStringLiteral("EnableLUA"),
                               on ? 1 : 0);
    }

    testenv::TempEnvironment env;
    testenv::ScopedEnv home{"HOME", env.path() + QStringLiteral("/home")};
    testenv::ScopedEnv registryFile{"QV_REGISTRY_FILE", env.path() + QStringLiteral("/registry.ini")};
    ui::ScopedScriptedUi shown;
    QString work, savedCwd;
};

TEST_F(SystemRoutinesTest, GuardRefusesRootSystemFoldersAndTheirAncestors) {
    // Judged only: these are never handed to a deletion.
    for (const QString& p :
         {QString(), QStringLiteral("  "), QStringLiteral("/"), QStringLiteral("//"), QStringLiteral("/."),
          QStringLiteral("/.."), QStringLiteral("/usr/.."), QStringLiteral("/usr/bin/"),
          QStringLiteral("/USR/BIN"), QStringLiteral("/bin"), QStringLiteral("/etc"),
          QStringLiteral("/var/../home"), QStringLiteral("/*"), QStringLiteral("/usr")})
        EXPECT_FALSE(IsSafeFolder(p)) << p.toStdString();
    ASSERT_TRUE(QFile::link(QStringLiteral("/"), work + QStringLiteral("/to-slash")));
    EXPECT_FALSE(IsSafeFolder(work + QStringLiteral("/to-slash")));
    EXPECT_FALSE(IsSafeFolder(work + QStringLiteral("/to-slash/usr/../etc/")));
    EXPECT_TRUE(IsSafeFolder(QStringLiteral("/usr/bin/ls")));
}

TEST_F(SystemRoutinesTest, DeleteRefusesEveryFormOfAProtectedFolderAndDeletesNothing) {
    const QString root = SystemDef.DataRoot;
    ASSERT_TRUE(QFile::link(root, work + QStringLiteral("/to-root")));
    ASSERT_TRUE(QFile::link(env.path(), work + QStringLiteral("/to-env")));
    QDir::setCurrent(work);
    const QString forms[] = {
        root,
        root + QStringLiteral("/"),
        root + QStringLiteral("/./data/.."),
        env.commonAppData() + QStringLiteral("/quarno"),
        env.commonAppData(),
        env.path(),
        root.toUpper(),
        work + QStringLiteral("/to-root"),
        work + QStringLiteral("/to-env/"),
        QStringLiteral("../appdata/quarno/pellanzaimu"),
        QStringLiteral(".."),
        root + QStringLiteral("/../*"),
        env.path() + QStringLiteral("/home"),
        env.documents(),
    };
    for (const QString& p : forms) {
        ASSERT_FALSE(IsSafeFolder(p)) << p.toStdString();
        shown->clear();
        EXPECT_FALSE(ShellFolderOp(p, FO_DELETE, false, true));
        EXPECT_EQ(
            shown->messageTexts(),
            QStringList{QStringLiteral("ルート・システムディレクトリは、削除できません。<%1> \r").arg(p)});
    }
    EXPECT_EQ(readFile(root + QStringLiteral("/data/0001/placc.fdb")), "db");
    EXPECT_EQ(readFile(env.documents() + QStringLiteral("/mine.txt")), "doc");
    EXPECT_TRUE(QFileInfo(work + QStringLiteral("/to-root")).isSymLink());

    // The copy and move guard refuses either end.
    shown->clear();
    EXPECT_FALSE(ShellFolderCopyMove(work + QStringLiteral("/a"), QStringLiteral("/"), FO_COPY));
    EXPECT_FALSE(
        ShellFolderCopyMove(work + QStringLiteral("/to-root"), work + QStringLiteral("/b"), FO_MOVE));
    EXPECT_EQ(shown->messageTexts(),
              (QStringList{QStringLiteral("指定ディレクトリ[%1->/]の複写・移動はできません。 \r")
                               .arg(work + QStringLiteral("/a")),
                           QStringLiteral("指定ディレクトリ[%1->%2]の複写・移動はできません。 \r")
                               .arg(work + QStringLiteral("/to-root"), work + QStringLiteral("/b"))}));
    EXPECT_EQ(readFile(root + QStringLiteral("/data/0001/placc.fdb")), "db");
}

TEST_F(SystemRoutinesTest, OrdinaryFoldersAreDeletedCopiedAndMoved) {
    // Folders inside the data root are ordinary.
    EXPECT_TRUE(ShellFolderCopyMove(work + QStringLiteral("/a"),
                                    SystemDef.DataRoot + QStringLiteral("/data/0002"), FO_COPY));
    EXPECT_EQ(readFile(SystemDef.DataRoot + QStringLiteral("/data/0002/sub/y.txt")), "Y");
    EXPECT_TRUE(ShellFolderCopyMove(work + QStringLiteral("/a"), work + QStringLiteral("/b"), FO_MOVE));
    EXPECT_FALSE(QFile::exists(work + QStringLiteral("/a")));
    EXPECT_EQ(readFile(work + QStringLiteral("/b/x.txt")), "X");
    EXPECT_TRUE(ShellFolderOp(SystemDef.DataRoot + QStringLiteral("/data/0002"), FO_DELETE, false, true));
    EXPECT_FALSE(QFile::exists(SystemDef.DataRoot + QStringLiteral("/data/0002")));
    EXPECT_TRUE(shown->messageTexts().isEmpty());

    // Failures: silent when asked, an error box otherwise; other operation codes do nothing.
    EXPECT_FALSE(ShellFolderOp(work + QStringLiteral("/gone"), FO_DELETE, false, false));
    EXPECT_TRUE(shown->messageTexts().isEmpty());
    EXPECT_FALSE(ShellFolderOp(work + QStringLiteral("/gone"), FO_DELETE, false, true));
    EXPECT_FALSE(ShellFolderCopyMove(work + QStringLiteral("/gone"), work + QStringLiteral("/c"), FO_COPY));
    EXPECT_EQ(shown->messageTexts().size(), 2);
    EXPECT_FALSE(ShellFolderOp(work + QStringLiteral("/b"), FO_COPY, false, true));
    EXPECT_FALSE(ShellFolderCopyMove(work + QStringLiteral("/b"), work + QStringLiteral("/c"), FO_DELETE));
    EXPECT_TRUE(QFile::exists(work + QStringLiteral("/b/x.txt")));

    EXPECT_TRUE(CopyFileTo(work + QStringLiteral("/b/x.txt"), work + QStringLiteral("/b/sub/y.txt")));
    EXPECT_EQ(readFile(work + QStringLiteral("/b/sub/y.txt")), "X");
    EXPECT_FALSE(CopyFileTo(work + QStringLiteral("/none"), work + QStringLiteral("/b/z")));
}

TEST_F(SystemRoutinesTest, WaitKeepsTheEventLoopRunning) {
    bool delivered = false;
    QTimer::singleShot(0, [&] { delivered = true; });
    EXPECT_TRUE(WaitMSec(0));
    EXPECT_FALSE(delivered) << "a wait of 0 returns at once";
    EXPECT_TRUE(WaitMSec(20));
    EXPECT_TRUE(delivered);
}

// A child tool is waited for with the windows kept alive, and the wait also ends when the tool's end was
// already noticed while other events were handled (the case that once waited for ever).
TEST_F(SystemRoutinesTest, WaitForAChildToolKeepsEventsFlowingAndSeesAnEndAlreadyNoticed) {
    // The tool ends only once an event of this process has been handled during the wait.
    QProcess slow;
    const QString flag = work + QStringLiteral("/delivered");
    QObject context;
    QTimer::singleShot(50, &context, [&] { writeFile(flag, "1"); });
    slow.start(QStringLiteral("sh"),
               {QStringLiteral("-c"), QStringLiteral("while [ ! -e \"$1\" ]; do sleep 0.01; done"),
                QStringLiteral("sh"), flag});
    ASSERT_TRUE(slow.waitForStarted());
    WaitForChildProcess(slow);
    EXPECT_EQ(slow.state(), QProcess::NotRunning);
    EXPECT_EQ(slow.exitCode(), 0);

    QProcess quick;
    quick.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 3")});
    ASSERT_TRUE(quick.waitForStarted());
    while (quick.state() != QProcess::NotRunning)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(quick.state(), QProcess::NotRunning);
    WaitForChildProcess(quick);
    EXPECT_EQ(quick.exitCode(), 3);
}

TEST_F(SystemRoutinesTest, FoldersAndFiles) {
    EXPECT_TRUE(ForceFolder(work + QStringLiteral("/n1/n2")));
    EXPECT_TRUE(QFileInfo(work + QStringLiteral("/n1/n2")).isDir());
    EXPECT_TRUE(ForceFolder(work + QStringLiteral("/n1")));
    EXPECT_TRUE(ForceFolder(QStringLiteral("/")));
    EXPECT_FALSE(ForceFolder(QString()));
    writeFile(work + QStringLiteral("/file"), "12345");
    EXPECT_FALSE(ForceFolder(work + QStringLiteral("/file/sub")));

    writeFile(work + QStringLiteral("/a/f1"), "");
    writeFile(work + QStringLiteral("/a/f2"), "");
    QDir().mkpath(work + QStringLiteral("/a/sub2"));
    QStringList names = GetSubFolders(work + QStringLiteral("/a"), 1);
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("sub"), QStringLiteral("sub2")}));
    QStringList paths = GetSubFolders(work + QStringLiteral("/a/"), 0);
    paths.sort();
    EXPECT_EQ(paths, (QStringList{work + QStringLiteral("/a/sub"), work + QStringLiteral("/a/sub2")}));
    EXPECT_TRUE(GetSubFolders(work + QStringLiteral("/none"), 1).isEmpty());
    EXPECT_TRUE(GetSubFolders(QStringLiteral(" "), 1).isEmpty());

    EXPECT_EQ(GetFileSize64(work + QStringLiteral("/file")), 5);
    EXPECT_EQ(GetFileSize64(work + QStringLiteral("/none")), 0);
    EXPECT_EQ(GetShortPath(work + QStringLiteral("/file")), work + QStringLiteral("/file"));
    EXPECT_THROW(GetShortPath(work + QStringLiteral("/none")), std::runtime_error);

    EXPECT_EQ(IncludePathDelim(QStringLiteral("/a")), QStringLiteral("/a/"));
    EXPECT_EQ(IncludePathDelim(QStringLiteral("/a/")), QStringLiteral("/a/"));
    EXPECT_EQ(ExcludePathDelim(QStringLiteral("/a/")), QStringLiteral("/a"));
    EXPECT_EQ(ExcludePathDelim(QStringLiteral("/")), QStringLiteral("/"));

    EXPECT_EQ(GetSpecialDir(QStringLiteral("Desktop")), GetSpecialDir(QStringLiteral("desktop")));
    EXPECT_EQ(GetSpecialDir(QStringLiteral("MyDocument")), env.documents());
    EXPECT_EQ(GetMyDocumentsDir(), env.documents());
    EXPECT_EQ(GetAppDataDir(true), env.commonAppData());
    EXPECT_EQ(GetTempDir(QStringLiteral("dflt")), env.temp());
    testenv::ScopedEnv noTemp("QV_TEMP", env.path() + QStringLiteral("/no-such"));
    EXPECT_EQ(GetTempDir(QStringLiteral("dflt")), QStringLiteral("dflt"));
}

TEST_F(SystemRoutinesTest, SaveChecksAskOnlyForTheRootWhileUacIsOn) {
    if (GetOSMajorVersion() < 6)
        GTEST_SKIP() << "the UAC flag is not read below major version 6";
    QString folder = QStringLiteral("/");
    EXPECT_TRUE(CheckSaveFolderUAC(folder)) << "no registry value: off";
    EXPECT_TRUE(shown->shown().empty());

    setUac(true);
    shown->queueAnswer(ui::mrNo);
    folder = QString();
    EXPECT_FALSE(CheckSaveFolderUAC(folder));
    EXPECT_EQ(folder, QStringLiteral("/"));
    ASSERT_EQ(shown->shown().size(), 1u);
    EXPECT_EQ(shown->shown()[0].message.kind, ui::MsgKind::Warning);
    EXPECT_EQ(shown->shown()[0].message.buttons, ui::Buttons(ui::mbYes | ui::mbNo));
    EXPECT_TRUE(shown->messageTexts()[0].startsWith(
        QStringLiteral("この場所に保存するアクセス許可がありません。\r")));

    shown->queueAnswer(ui::mrYes);
    QString file = QStringLiteral("/a.xml");
    EXPECT_TRUE(CheckSaveFileUAC(file));
    EXPECT_EQ(file, env.documents() + QStringLiteral("/a.xml"));
    file = work + QStringLiteral("/a.xml");
    EXPECT_TRUE(CheckSaveFileUAC(file));
    EXPECT_EQ(file, work + QStringLiteral("/a.xml"));
    EXPECT_EQ(shown->shown().size(), 2u);

    // The file dialog runs again after No.
    shown->queuePath(QStringLiteral("/b.xml"));
    shown->queueAnswer(ui::mrNo);
    shown->queuePath(work + QStringLiteral("/b.xml"));
    ui::FileRequest dialog;
    EXPECT_TRUE(ExecuteFileDlgUAC(FileDlgKind::Save, dialog, file));
    EXPECT_EQ(file, work + QStringLiteral("/b.xml"));
    EXPECT_FALSE(ExecuteFileDlgUAC(FileDlgKind::Open, dialog, file)) << "cancelled";
}

TEST_F(SystemRoutinesTest, FolderPicker) {
    if (GetOSMajorVersion() < 6)
        GTEST_SKIP() << "the UAC flag is not read below major version 6";
    setUac(true);
    // The root chosen, No: the picker again; then an ordinary folder.
    shown->queuePath(QStringLiteral("/"));
    shown->queueAnswer(ui::mrNo);
    shown->queuePath(work);
    QString folder = work + QStringLiteral("/a");
    EXPECT_TRUE(SelectFolderDlg(QString(), folder));
    EXPECT_EQ(folder, work);
    const auto& s = shown->shown();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].file.caption, QStringLiteral("フォルダを選択して下さい"));
    EXPECT_EQ(s[0].file.folder, work + QStringLiteral("/a"));

    // With the skip flag the root is taken without a question.
    shown->clear();
    shown->queuePath(QStringLiteral("/"));
    EXPECT_TRUE(SelectFolderDlg(QStringLiteral("保存先"), folder, true));
    EXPECT_EQ(folder, QStringLiteral("/"));
    EXPECT_EQ(shown->shown().size(), 1u);

    // Too long a path in CP932 bytes.
    shown->clear();
    shown->queuePath(QStringLiteral("/") + QString(128, u'あ'));
    EXPECT_FALSE(SelectFolderDlg(QString(), folder));
    EXPECT_EQ(shown->messageTexts(),
              QStringList{QStringLiteral(
                  "選択した場所(パス)の文字長が処理できる範囲を超えました。\r別の場所を選択して下さい。\r")});
    shown->clear();
    EXPECT_FALSE(SelectFolderDlg(QString(), folder)) << "cancelled";

    QString computer;
    shown->queueInput(QStringLiteral(" server1 "));
    EXPECT_TRUE(SelectComputerDlg(QString(), computer));
    EXPECT_EQ(computer, QStringLiteral("server1"));
    EXPECT_FALSE(SelectComputerDlg(QString(), computer));
}

TEST_F(SystemRoutinesTest, RegistryAndIniFiles) {
    QVariant v = QStringLiteral("stale");
    ReadRegValue(registry::Root::CurrentUser, QStringLiteral("\\SOFTWARE\\None"), QStringLiteral("X"), v);
    EXPECT_EQ(v, QVariant(0));
    registry::writeString(registry::Root::CurrentUser, QStringLiteral("\\SOFTWARE\\Q"), QStringLiteral("S"),
                          QStringLiteral("値"));
    ReadRegValue(registry::Root::CurrentUser, QStringLiteral("\\SOFTWARE\\Q"), QStringLiteral("S"), v);
    EXPECT_EQ(v, QVariant(QStringLiteral("値")));
    setUac(true);
    EXPECT_EQ(IsUacEnabled(), GetOSMajorVersion() >= 6);

    const QString ini = work + QStringLiteral("/t.ini");
    WriteIniKey(ini, QStringLiteral("S"), QStringLiteral("K"), false, 12);
    WriteIniKey(ini, QStringLiteral("S"), QStringLiteral("L"), false, QStringLiteral("日本"));
    const QByteArray before = readFile(ini);
    EXPECT_EQ(before, QByteArray("[S]\r\nK=12\r\nL=") + cp932::encode(QStringLiteral("日本")) + "\r\n");
    WriteIniKey(ini, QStringLiteral("S"), QStringLiteral("missing"), true, QVariant());
    EXPECT_EQ(readFile(ini), before);

    QString text = QStringLiteral("kept");
    ReadIniSectionText(ini, QString(), text);
    EXPECT_EQ(text, QStringLiteral("kept"));
    ReadIniSectionText(ini, QStringLiteral("s"), text);
    EXPECT_EQ(text, QStringLiteral("K=12\r\nL=日本"));

    WriteIniSection(ini, QStringLiteral("S"),
                    {QStringLiteral("HIST1=a"), QStringLiteral("HIST2=b"), QStringLiteral("hist1=c")});
    ReadIniSectionText(ini, QStringLiteral("S"), text);
    EXPECT_EQ(text, QStringLiteral("HIST1=a\r\nHIST2=b"));
}

TEST(SystemRoutines, ScalingFramesAndWindows) {
    struct Scale {
        int value, to, from, expected;
    };
    for (const Scale& c :
         {Scale{100, 120, 96, 125}, Scale{99, 96, 120, 79}, Scale{-99, 96, 120, -79}, Scale{7, 144, 144, 7}})
        EXPECT_EQ(ScalePPI(c.value, c.to, c.from), c.expected) << c.value << " " << c.to << " " << c.from;
    EXPECT_EQ(ScalePPI(50, qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch())), 50);

    struct Frame {
        int frame, mode, expected;
    };
    for (const Frame& c :
         {Frame{4, 0, 648}, Frame{4, 1, 648}, Frame{6, 0, 644}, Frame{6, 1, 640}, Frame{6, 2, 648}})
        EXPECT_EQ(AdjustForFrameSize(648, c.mode, c.frame), c.expected) << c.frame << " " << c.mode;

    QWidget w;
    w.setWindowTitle(QStringLiteral("会計ウィンドウ"));
    EXPECT_EQ(FindWindowByClass(QString(), QStringLiteral("会計ウィンドウ")), &w);
    EXPECT_EQ(FindWindowByClass(QStringLiteral("qwidget"), QStringLiteral("会計ウィンドウ")), &w);
    EXPECT_EQ(FindWindowByClass(QStringLiteral("QDialog"), QStringLiteral("会計ウィンドウ")), nullptr);
    EXPECT_EQ(FindWindowByClass(QStringLiteral("DeskTop"), QString()), nullptr);
    EXPECT_EQ(FindWindowByClass(QString(), QString()), nullptr);

    EXPECT_FALSE(GetPCName().isEmpty());
    EXPECT_GT(GetOSMajorVersion(), 0);
}

} // namespace

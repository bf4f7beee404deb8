#include "platform/ShellFileOps.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

using testenv::readFile;

void writeFile(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(testenv::writeFile(path, bytes)) << path.toStdString();
}

class ShellFileOpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = env.path() + QStringLiteral("/work");
        writeFile(root + QStringLiteral("/src/a.txt"), "A");
        writeFile(root + QStringLiteral("/src/sub/b.txt"), "B");
        writeFile(root + QStringLiteral("/src/c.log"), "C");
    }
    testenv::TempEnvironment env;
    QString root;
};

TEST_F(ShellFileOpsTest, CanonicalPathResolvesDotsLinksAndMissingTails) {
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/src"), root + QStringLiteral("/link")));
    const QString src = QFileInfo(root + QStringLiteral("/src")).canonicalFilePath();
    const QString savedCwd = QDir::currentPath();
    QDir::setCurrent(root);
    struct Case {
        QString in, out;
    };
    const Case cases[] = {
        {root + QStringLiteral("/src/"), src},
        {root + QStringLiteral("/./src/sub/.."), src},
        {root + QStringLiteral("/link"), src},
        {root + QStringLiteral("/link/sub/../"), src},
        {QStringLiteral("link"), src},
        {root + QStringLiteral("/missing/../src"), src},
        {root + QStringLiteral("/link/new/x"), src + QStringLiteral("/new/x")},
        {QStringLiteral("//"), QStringLiteral("/")},
        {QStringLiteral("/.."), QStringLiteral("/")},
        {QStringLiteral(" "), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shellfileops::canonicalPath(c.in), c.out) << c.in.toStdString();
    QDir::setCurrent(savedCwd);
}

TEST_F(ShellFileOpsTest, CopyFollowsTheShellsTargetRules) {
    QString error;
    // A missing target becomes the copy; an existing folder receives the source by its name.
    ASSERT_TRUE(shellfileops::copy(root + QStringLiteral("/src"), root + QStringLiteral("/new/dst"), &error))
        << error.toStdString();
    EXPECT_EQ(readFile(root + QStringLiteral("/new/dst/sub/b.txt")), "B");
    ASSERT_TRUE(shellfileops::copy(root + QStringLiteral("/src"), root + QStringLiteral("/new/dst"), &error));
    EXPECT_EQ(readFile(root + QStringLiteral("/new/dst/src/a.txt")), "A");

    // A pattern copies the matches into the target folder, overwriting files.
    writeFile(root + QStringLiteral("/pat/a.txt"), "old");
    ASSERT_TRUE(
        shellfileops::copy(root + QStringLiteral("/src/*.txt"), root + QStringLiteral("/pat"), &error));
    EXPECT_EQ(readFile(root + QStringLiteral("/pat/a.txt")), "A");
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("/pat/c.log")));

    // A file onto a file path overwrites it.
    ASSERT_TRUE(
        shellfileops::copy(root + QStringLiteral("/src/c.log"), root + QStringLiteral("/pat/a.txt"), &error));
    EXPECT_EQ(readFile(root + QStringLiteral("/pat/a.txt")), "C");

    // Refused: into itself, onto itself, and a source that names nothing.
    EXPECT_FALSE(
        shellfileops::copy(root + QStringLiteral("/src"), root + QStringLiteral("/src/sub"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("それ自身の中へ複写")));
    EXPECT_FALSE(
        shellfileops::copy(root + QStringLiteral("/src/a.txt"), root + QStringLiteral("/src"), &error));
    EXPECT_FALSE(
        shellfileops::copy(root + QStringLiteral("/nothing/*"), root + QStringLiteral("/x"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("が見つかりません。")));
}

TEST_F(ShellFileOpsTest, MoveAndDelete) {
    QString error;
    ASSERT_TRUE(shellfileops::move(root + QStringLiteral("/src"), root + QStringLiteral("/moved"), &error));
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("/src")));
    EXPECT_EQ(readFile(root + QStringLiteral("/moved/sub/b.txt")), "B");

    // Moving into an existing folder merges with what is there.
    writeFile(root + QStringLiteral("/into/moved/old.txt"), "O");
    ASSERT_TRUE(shellfileops::move(root + QStringLiteral("/moved"), root + QStringLiteral("/into"), &error));
    EXPECT_EQ(readFile(root + QStringLiteral("/into/moved/a.txt")), "A");
    EXPECT_EQ(readFile(root + QStringLiteral("/into/moved/old.txt")), "O");
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("/moved")));

    // A link inside a deleted folder goes, its target stays.
    writeFile(env.path() + QStringLiteral("/keep/k.txt"), "K");
    ASSERT_TRUE(QFile::link(env.path() + QStringLiteral("/keep"), root + QStringLiteral("/into/moved/lnk")));
    ASSERT_TRUE(shellfileops::remove(root + QStringLiteral("/into"), false, &error));
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("/into")));
    EXPECT_EQ(readFile(env.path() + QStringLiteral("/keep/k.txt")), "K");
    EXPECT_FALSE(shellfileops::remove(root + QStringLiteral("/into"), false, &error));
}

// A file that does not fit on the target's disk, copied or moved there from another disk: the file it
// would replace stays whole and nothing half-written is left beside it.
TEST_F(ShellFileOpsTest, AFileThatDoesNotFitLeavesTheOneItWouldReplaceWhole) {
    const QString folder = env.path() + QStringLiteral("/disk");
    ASSERT_TRUE(QDir().mkpath(folder));
    testenv::SmallDisk disk(folder, 64 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.why().toStdString();
    const QString old = folder + QStringLiteral("/placc.fdb");
    const QString big = root + QStringLiteral("/placc.fdb");
    writeFile(old, QByteArray(16 * 1024, 'o'));
    writeFile(big, QByteArray(256 * 1024, 'n'));
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        QString error;
        EXPECT_FALSE(move ? shellfileops::move(big, old, &error) : shellfileops::copy(big, old, &error));
        EXPECT_TRUE(error.contains(old)) << error.toStdString();
        EXPECT_EQ(readFile(old), QByteArray(16 * 1024, 'o'));
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{QStringLiteral("placc.fdb")});
        EXPECT_EQ(readFile(big).size(), 256 * 1024);
    }
}

// A link where a file is copied or moved to is replaced by the file, never written through.
TEST_F(ShellFileOpsTest, ALinkInTheTargetsPlaceIsReplacedNotWrittenThrough) {
    const QString outside = env.path() + QStringLiteral("/outside.txt");
    writeFile(outside, "outside");
    for (const bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        const QString link = root + QStringLiteral("/dst/a.txt");
        QFile::remove(link);
        ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/dst")));
        ASSERT_TRUE(QFile::link(outside, link));
        writeFile(root + QStringLiteral("/in.txt"), "new");
        QString error;
        EXPECT_TRUE(move ? shellfileops::move(root + QStringLiteral("/in.txt"), link, &error)
                         : shellfileops::copy(root + QStringLiteral("/in.txt"), link, &error))
            << error.toStdString();
        EXPECT_FALSE(QFileInfo(link).isSymLink());
        EXPECT_EQ(readFile(link), "new");
        EXPECT_EQ(readFile(outside), "outside");
    }
}

TEST_F(ShellFileOpsTest, DeleteToTheRecycleBin) {
    testenv::ScopedEnv dataHome("XDG_DATA_HOME", env.path() + QStringLiteral("/xdg"));
    QDir().mkpath(env.path() + QStringLiteral("/xdg"));
    QString error;
    ASSERT_TRUE(shellfileops::remove(root + QStringLiteral("/src"), true, &error)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("/src")));
    EXPECT_EQ(readFile(env.path() + QStringLiteral("/xdg/Trash/files/src/a.txt")), "A");
}

} // namespace

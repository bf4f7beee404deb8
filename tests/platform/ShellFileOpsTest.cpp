#include "platform/ShellFileOps.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
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

TEST_F(ShellFileOpsTest, DeleteToTheRecycleBin) {
    testenv::ScopedEnv dataHome("XDG_DATA_HOME", env.path() + QStringLiteral("/xdg"));
    QDir().mkpath(env.path() + QStringLiteral("/xdg"));
    QString error;
    ASSERT_TRUE(shellfileops::remove(root + QStringLiteral("/src"), true, &error)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("/src")));
    EXPECT_EQ(readFile(env.path() + QStringLiteral("/xdg/Trash/files/src/a.txt")), "A");
}

} // namespace

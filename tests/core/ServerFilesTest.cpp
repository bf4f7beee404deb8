// The server-side file operations: on this computer for connection mode 0, and through the file
// procedures of the server test.sh starts (our UDR module) for modes 1 and 2. The server runs on this
// computer, so its disk is the test's temporary folder.

#include "DataModuleFixture.h"

#include "core/uAccFunction2_System.h"

#include <QDir>
#include <QFileInfo>

namespace {

class ServerFilesTest : public DataModuleTest {
protected:
    QString server() const { return qEnvironmentVariable("QV_FB_SERVER"); }
    // Client/server mode on the test server, the system database not connected.
    bool useServer() {
        if (server().isEmpty())
            return false;
        dm->IBDatabaseDEF.detach();
        ConnectMode = 1;
        SystemDef.HOSTNAME = server();
        return true;
    }
    QString dir() const { return e.env.temp(); }
};

TEST_F(ServerFilesTest, RefusedRequestsTouchNothing) {
    dm->IBDatabaseDEF.detach();
    SystemDef.HOSTNAME = QStringLiteral("no-such-host.invalid");
    ConnectMode = 1;
    // Refused before the database is reached: no connection attempt, no message.
    EXPECT_FALSE(dm->ServerFileOperation(QStringLiteral("FExist"), QStringLiteral("  "), QString()));
    EXPECT_FALSE(dm->ServerFileOperation(QStringLiteral("FCopy"), dir() + QStringLiteral("/a"), QString()));
    EXPECT_FALSE(dm->ServerFileOperation(QStringLiteral("Format"), dir(), QString()));
    const QString file = dir() + QStringLiteral("/keep.txt");
    ASSERT_TRUE(testenv::writeFile(file, "x"));
    for (int mode : {3, -1}) {
        EXPECT_FALSE(dm->ServerFExist(file, mode));
        EXPECT_FALSE(dm->ServerFDel(file, mode, false));
        EXPECT_FALSE(dm->ServerMkDir(dir() + QStringLiteral("/new"), mode));
        QString shortPath = QStringLiteral("x");
        dm->GetShortFileName(file, mode, shortPath);
        EXPECT_TRUE(shortPath.isEmpty());
    }
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_FALSE(QFileInfo::exists(dir() + QStringLiteral("/new")));
    EXPECT_TRUE(shown->shown().empty());
    // Mode 0 works here; a missing path is its own short name.
    QString shortPath;
    dm->GetShortFileName(dir() + QStringLiteral("/none"), 0, shortPath);
    EXPECT_EQ(shortPath, dir() + QStringLiteral("/none"));
}

// Create, copy, test, move and delete files and folders on the server's disk through its procedures.
TEST_F(ServerFilesTest, ServerProceduresWorkOnTheServersDisk) {
    if (!useServer())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    const QString folder = dir() + QStringLiteral("/サーバー/sub");
    EXPECT_FALSE(dm->ServerDExist(folder, 1));
    ASSERT_TRUE(dm->ServerMkDir(folder, 1));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(dm->ServerDExist(folder, 2));
    EXPECT_TRUE(dm->ServerMkDir(folder, 1)); // already there

    const QString source = folder + QStringLiteral("/元.txt");
    ASSERT_TRUE(testenv::writeFile(source, "contents"));
    const QString copy = folder + QStringLiteral("/copy.txt");
    ASSERT_TRUE(testenv::writeFile(copy, "old copy"));
    EXPECT_TRUE(dm->ServerFExist(source, 1));
    EXPECT_FALSE(dm->ServerFExist(folder, 1)); // a folder is no file
    EXPECT_TRUE(dm->ServerFCopy(source, copy, 1));
    EXPECT_EQ(testenv::readFile(copy), "contents");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2); // no work file left
    QString shortPath;
    dm->GetShortFileName(copy, 1, shortPath);
    EXPECT_EQ(shortPath, copy);
    dm->ServerLongToShortFileName(QStringLiteral("relative/path"), shortPath);
    EXPECT_TRUE(shortPath.isEmpty());

    const QString moved = folder + QStringLiteral("/moved.txt");
    EXPECT_TRUE(dm->ServerFMove(copy, moved, 1));
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(testenv::readFile(moved), "contents");
    // A move whose copy fails leaves the source alone.
    EXPECT_FALSE(dm->ServerFMove(moved, dir() + QStringLiteral("/no/such/folder/x"), 1));
    EXPECT_TRUE(QFileInfo::exists(moved));
    EXPECT_FALSE(dm->ServerFCopy(dir() + QStringLiteral("/none"), moved, 1));
    EXPECT_FALSE(dm->ServerFCopy(source, folder, 1)); // a folder is never replaced
    EXPECT_FALSE(dm->ServerFileOperation(QStringLiteral("FDel"), QStringLiteral("relative.txt"), QString()));

    EXPECT_TRUE(dm->ServerFDel(moved, 1, true));
    EXPECT_FALSE(QFileInfo::exists(moved));
    EXPECT_FALSE(dm->ServerFDel(moved, 1, false));
    EXPECT_FALSE(dm->ServerRmDir(QStringLiteral("/"), 1, false));
    EXPECT_TRUE(dm->ServerRmDir(dir() + QStringLiteral("/サーバー"), 1, false));
    EXPECT_FALSE(QFileInfo::exists(dir() + QStringLiteral("/サーバー")));
    // Every call connected the system database for itself and left it as it was.
    EXPECT_FALSE(dm->IBDatabaseDEF.isConnected());
    EXPECT_TRUE(shown->shown().empty()) << shown->messageTexts().join(u'\n').toStdString();
}

// A file travels to the server's disk and back through the file-manager database's transfer table.
TEST_F(ServerFilesTest, FileManagerDatabaseMovesFilesThroughBlobs) {
    if (!useServer())
        GTEST_SKIP() << "QV_FB_SERVER not set (test.sh starts the server)";
    testenv::createDatabaseFromScript(testenv::fileManagerSchemaScript(),
                                      SystemDef.SYSDIR + QStringLiteral("/plfileman.fdb"));
    ASSERT_TRUE(dm->fnFileManConnected(server()));
    QByteArray bytes(300000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 31 % 251);
    const QString source = dir() + QStringLiteral("/source.bin");
    const QString target = dir() + QStringLiteral("/target.bin");
    ASSERT_TRUE(testenv::writeFile(source, bytes));
    {
        fb::Transaction t(dm->IBFileMan);
        fb::Query in(t, QStringLiteral("INSERT INTO FILETRANS (CONTENT_ID, CONTENT) VALUES ('PLZ_1', "
                                       "SP_FILETOBLOB(:PATH))"));
        in.setString("PATH", source);
        in.execute();
        fb::Query out(t, QStringLiteral("SELECT SP_BLOBTOFILE(:PATH, CONTENT) AS WRITTEN FROM FILETRANS "
                                        "WHERE CONTENT_ID = 'PLZ_1'"));
        out.setString("PATH", target);
        out.open();
        ASSERT_FALSE(out.eof());
        EXPECT_EQ(out.field("WRITTEN").asInt64(), bytes.size());
        out.close();
        // A file the server cannot read is an error, not an empty blob.
        fb::Query missing(t, QStringLiteral("SELECT SP_FILETOBLOB('/no/such/file') FROM RDB$DATABASE"));
        EXPECT_THROW(missing.open(), fb::Error);
        t.rollback();
    }
    EXPECT_EQ(testenv::readFile(target), bytes);
    dm->IBFileMan.detach();
}

} // namespace

#include "platform/Cp932.h"
#include "platform/IniFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(Cp932, MapsTheWindowsCharactersAndMeasuresBytes) {
    const QByteArray bytes = cp932::encode(QStringLiteral("～－①漢ｱA"));
    EXPECT_EQ(bytes.toHex(' '), QByteArray("81 60 81 7c 87 40 8a bf b1 41"));
    EXPECT_EQ(cp932::decode(bytes), QStringLiteral("～－①漢ｱA"));
    EXPECT_EQ(cp932::byteLength(QStringLiteral("漢字ab")), 6);
    EXPECT_EQ(cp932::charWidth(QChar(u'ｱ')), 1);
    EXPECT_EQ(cp932::charWidth(QChar(u'ア')), 2);
}

TEST(Cp932, RefusesCharactersItCannotHold) {
    bool ok = true;
    EXPECT_TRUE(cp932::encode(QString::fromUtf8("a\U0001F600"), &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(cp932::tryEncode(QString::fromUtf8("\u00e9")).has_value());
    EXPECT_EQ(cp932::encodeLossy(QString::fromUtf8("a\u00e9b")), QByteArray("a?b"));
    // The converters are kept between calls: an error must neither stick to the next text nor be missed.
    EXPECT_EQ(cp932::encode(QStringLiteral("漢")).toHex(), QByteArray("8abf"));
    EXPECT_FALSE(cp932::canEncode(QString::fromUtf8("\u00e9")));
    EXPECT_EQ(cp932::decode(QByteArray("\x8a\xbf")), QStringLiteral("漢"));
}

TEST(Cp932, LeadBytePositionsScanFromTheStart) {
    // "ア" is 83 41: the 0x41 trail byte must not be taken for a character start, and a trail byte in
    // the lead range (0x83 0x81 ...) must not be taken for a lead byte.
    const QByteArray b = cp932::encode(QStringLiteral("Aア\u30C3")); // 41 83 41 83 62
    EXPECT_FALSE(cp932::isLeadByteAt(b, 0));
    EXPECT_TRUE(cp932::isLeadByteAt(b, 1));
    EXPECT_FALSE(cp932::isLeadByteAt(b, 2));
    EXPECT_TRUE(cp932::isLeadByteAt(b, 3));
}

TEST(Cp932, DirectUtf8IsTheDecodedText) {
    // Every byte and every pair of bytes, alone and between ASCII, then runs the table does not hold as a
    // whole character: the same bytes as decoding and encoding in two steps.
    const auto expectSame = [](const QByteArray& bytes) {
        QByteArray out("x");
        cp932::appendUtf8(out, bytes.constData(), bytes.size());
        ASSERT_EQ(out, "x" + cp932::decode(bytes).toUtf8()) << bytes.toHex(' ').toStdString();
    };
    for (int a = 0; a < 256; ++a) {
        expectSame(QByteArray(1, char(a)));
        for (int b = 0; b < 256; ++b) {
            const char pair[2] = {char(a), char(b)};
            expectSame(QByteArray(pair, 2));
        }
    }
    for (const char* bytes :
         {"a\x8a\xbf"
          "b\xb1\x81\x60",
          "\x8a", "ab\x8a", "\x8a\x0a\x8a\xbf", "\x81\x7f", "\xa0\x80\xfd\xfe\xff", "\x87\x40\x5c\x7e"})
        expectSame(QByteArray(bytes));
}

TEST(IniFile, WindowsProfileSemantics) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cp932::encode(
        QStringLiteral("; comment\n[Sec]\nKey= 値 \nkey=second\nNum=12x\nHex=$1F\n[sec]\nOther=1\n")));
    f.close();

    IniFile ini(path);
    EXPECT_EQ(ini.readString(QStringLiteral("SEC"), QStringLiteral("KEY")), QStringLiteral(" 値 "));
    EXPECT_FALSE(ini.valueExists(QStringLiteral("Sec"), QStringLiteral("Other"))); // first section wins
    EXPECT_EQ(ini.readInteger(QStringLiteral("Sec"), QStringLiteral("Num"), 7), 7);
    EXPECT_EQ(ini.readInteger(QStringLiteral("Sec"), QStringLiteral("Hex")), 31);
    EXPECT_EQ(ini.readString(QStringLiteral("None"), QStringLiteral("x"), QStringLiteral("d")),
              QStringLiteral("d"));

    ASSERT_TRUE(ini.writeString(QStringLiteral("sec"), QStringLiteral("key"), QStringLiteral("新")));
    ASSERT_TRUE(ini.writeString(QStringLiteral("New"), QStringLiteral("A"), QStringLiteral("1")));
    IniFile again(path);
    EXPECT_EQ(again.readString(QStringLiteral("Sec"), QStringLiteral("Key")), QStringLiteral("新"));
    EXPECT_EQ(again.readString(QStringLiteral("new"), QStringLiteral("a")), QStringLiteral("1"));

    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray all = raw.readAll();
    EXPECT_TRUE(all.startsWith("; comment\r\n[Sec]\r\n"));
    EXPECT_TRUE(all.contains(cp932::encode(QStringLiteral("Key=新\r\n"))));

    ASSERT_TRUE(again.eraseSection(QStringLiteral("SEC")));
    EXPECT_FALSE(IniFile(path).sectionExists(QStringLiteral("Sec")));
}

TEST(IniFile, ValueThatCannotBeEncodedIsRefused) {
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("b.ini")));
    EXPECT_FALSE(ini.writeString(QStringLiteral("S"), QStringLiteral("K"), QString::fromUtf8("\U0001F600")));
}

TEST(IniFile, RewriteKeepsTheLinesItDoesNotChangeByteForByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.ini"));
    // A half double-byte character, bytes CP932 has no character for, and a lone lead byte at a line end.
    const QByteArray comment = QByteArray("; \x81 \xA0\xFD\xFE\xFF end\x82", 16);
    const QByteArray name = cp932::encode(QStringLiteral("NAME=")) + QByteArray("\x88\x9f\xff\x81", 4);
    ASSERT_TRUE(testenv::writeFile(path, comment + "\r\n[Sec]\r\n" + name + "\r\nKey=old\r\n"));

    IniFile ini(path);
    ASSERT_TRUE(ini.writeString(QStringLiteral("Sec"), QStringLiteral("Key"), QStringLiteral("new")));
    EXPECT_EQ(testenv::readFile(path), comment + "\r\n[Sec]\r\n" + name + "\r\nKey=new\r\n");
}

TEST(IniFile, LineBreaksInAValueAreWrittenAsBlanks) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.ini"));
    IniFile ini(path);
    ASSERT_TRUE(ini.writeString(QStringLiteral("S"), QStringLiteral("SHOUGOU"),
                                QStringLiteral("株式会社\r\n[STATUS]\r\nSTATUS=0\nX=1\rY")));
    IniFile again(path);
    EXPECT_EQ(again.sections(), QStringList{QStringLiteral("S")});
    EXPECT_EQ(again.keys(QStringLiteral("S")), QStringList{QStringLiteral("SHOUGOU")});
    EXPECT_EQ(again.readString(QStringLiteral("S"), QStringLiteral("SHOUGOU")),
              QStringLiteral("株式会社  [STATUS]  STATUS=0 X=1 Y"));
}

TEST(IniFile, FailedSaveKeepsTheOldFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("e.ini"));
    const QByteArray old = "[S]\r\nK=old\r\n";
    ASSERT_TRUE(testenv::writeFile(path, old));
    // The disk fills up after 200 bytes: the new content of a kilobyte cannot be written whole.
    EXPECT_EXIT(
        {
            testenv::limitFileSize(200);
            IniFile ini(path);
            std::_Exit(ini.writeString(QStringLiteral("S"), QStringLiteral("K"), QString(1000, u'x')) ? 1
                                                                                                      : 0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(testenv::readFile(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("e.ini")});
}

TEST(IniFile, APathThatIsNoRegularFileIsNeverReplaced) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("folder.ini"));
    const QString fifo = dir.filePath(QStringLiteral("fifo.ini"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {folder, fifo}) {
        IniFile ini(path);
        EXPECT_TRUE(ini.lastLoadFailed());
        EXPECT_FALSE(ini.writeString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v")));
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    EXPECT_TRUE(QFileInfo(fifo).exists());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), 1); // the FIFO
}

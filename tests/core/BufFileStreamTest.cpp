// The buffered file stream and the trailer routines on real files in a temporary folder.

#include "core/TBufFileStream.h"
#include "support/TestEnv.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

QByteArray pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char('a' + (i * 7 + i / 251) % 26);
    return bytes;
}

class BufFileStreamTest : public ::testing::Test {
protected:
    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = env.temp() + u'/' + name;
        EXPECT_TRUE(testenv::writeFile(path, bytes));
        return path;
    }
    testenv::TempEnvironment env;
};

TEST_F(BufFileStreamTest, ReadsFullPiecesThenTheRestThenNothing) {
    const QByteArray content = pattern(40000); // not a multiple of the 16 KB buffer
    TBufFileStream stream(file(QStringLiteral("a.bin"), content), TBufFileStream::fmOpenRead, 16);
    QByteArray read;
    char piece[512];
    QList<qint64> sizes;
    for (qint64 n; (n = stream.Read(piece, 512)) > 0;) {
        read.append(piece, n);
        sizes << n;
    }
    EXPECT_EQ(read, content);
    ASSERT_EQ(sizes.size(), 79);
    EXPECT_EQ(sizes.count(512), 78);
    EXPECT_EQ(sizes.last(), 40000 - 78 * 512);
    EXPECT_EQ(stream.Read(piece, 512), 0);
}

TEST_F(BufFileStreamTest, ReadUpToTheBufferSizeAndSeekEmptiesTheBuffer) {
    const QByteArray content = pattern(20000);
    TBufFileStream stream(file(QStringLiteral("b.bin"), content), TBufFileStream::fmOpenRead, 16);
    std::vector<char> big(16 * 1024 + 1);
    EXPECT_THROW(stream.Read(big.data(), qint64(big.size())), std::runtime_error);
    // The stream stays usable; exactly the buffer size is allowed.
    ASSERT_EQ(stream.Read(big.data(), 16 * 1024), 16 * 1024);
    EXPECT_EQ(QByteArray(big.data(), 16 * 1024), content.left(16 * 1024));
    EXPECT_EQ(stream.Seek(0, TBufFileStream::soFromBeginning), 0);
    char piece[100];
    ASSERT_EQ(stream.Read(piece, 100), 100);
    EXPECT_EQ(stream.Seek(0, TBufFileStream::soFromCurrent), 100);
    ASSERT_EQ(stream.Read(piece, 1), 1);
    EXPECT_EQ(piece[0], content[100]);
    EXPECT_EQ(stream.Seek(-10, TBufFileStream::soFromEnd), 19990);
    EXPECT_EQ(stream.Read(piece, 100), 10);
}

TEST_F(BufFileStreamTest, OpeningAMissingFileThrows) {
    EXPECT_THROW(TBufFileStream(env.temp() + QStringLiteral("/none"), TBufFileStream::fmOpenRead, 16),
                 std::runtime_error);
    QString tail;
    EXPECT_THROW(ReadFileTrailer(env.temp() + QStringLiteral("/none"), "## Zone", tail, true),
                 std::runtime_error);
}

// The marker at, before and across the 512-byte boundaries of the scan, and far into a large file.
TEST_F(BufFileStreamTest, TrailerIsFoundAndCutWhereverItStarts) {
    const QByteArray marker = "## TesuvioZone";
    const QByteArray trailer = marker + "\r\nKEY=会社\r\n";
    for (const int offset : {700, 509, 512, 511 - int(marker.size()) + 3, 1024, 300000}) {
        SCOPED_TRACE(offset);
        const QByteArray body = pattern(offset);
        const QString path = file(QStringLiteral("t%1.fbk").arg(offset), body);
        AppendTextToFile(path, QString::fromUtf8(trailer));
        QString tail;
        EXPECT_EQ(FindTextInFile(path, marker, tail), offset);
        EXPECT_EQ(tail, QString::fromUtf8(trailer));
        ReadFileTrailer(path, marker, tail, false);
        EXPECT_EQ(tail, QString::fromUtf8(trailer));
        EXPECT_EQ(QFileInfo(path).size(), offset + trailer.size() - 2); // 会社: 6 bytes in UTF-8, 4 in CP932
        ReadFileTrailer(path, marker, tail, true);
        EXPECT_EQ(tail, QString::fromUtf8(trailer));
        EXPECT_EQ(testenv::readFile(path), body);
        EXPECT_FALSE(QFileInfo::exists(env.temp() + QStringLiteral("/t%1.wk_").arg(offset)));
    }
}

TEST_F(BufFileStreamTest, FileWithoutTrailerIsLeftAlone) {
    const QByteArray marker = "## TesuvioZone";
    // The marker inside the contents, far before the tail, is not a trailer.
    const QByteArray body = pattern(100) + marker + pattern(200000);
    const QString path = file(QStringLiteral("none.fbk"), body);
    QString tail = QStringLiteral("old");
    EXPECT_EQ(FindTextInFile(path, marker, tail), -1);
    EXPECT_TRUE(tail.isEmpty());
    ReadFileTrailer(path, marker, tail, true);
    EXPECT_TRUE(tail.isEmpty());
    EXPECT_EQ(testenv::readFile(path), body);
    // A marker at the very start counts as not found by callers: offset 0 and no tail.
    const QString atStart = file(QStringLiteral("start.fbk"), marker + pattern(50));
    EXPECT_EQ(FindTextInFile(atStart, marker, tail), 0);
    EXPECT_TRUE(tail.isEmpty());
    ReadFileTrailer(atStart, marker, tail, true);
    EXPECT_EQ(QFileInfo(atStart).size(), marker.size() + 50);
}

TEST_F(BufFileStreamTest, TheLastTrailerIsTakenAndTextEndsAtAZeroByte) {
    const QByteArray marker = "## Zone";
    const QByteArray body = pattern(1000);
    const QString path = file(QStringLiteral("two.fbk"), body + marker + "A" + marker + "B" + '\0' + "junk");
    QString tail;
    EXPECT_EQ(FindTextInFile(path, marker, tail), 1000 + marker.size() + 1);
    EXPECT_EQ(tail, QStringLiteral("## ZoneB"));
}

} // namespace

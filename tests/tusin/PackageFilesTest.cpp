// The archiver and the cipher of the data packages: what they write reads back byte for byte, and
// whatever they refuse leaves no target behind.
#include "platform/Cp932.h"
#include "support/TestEnv.h"
#include "tusin/rijn.h"
#include "tusin/unlha32.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray randomBytes(qsizetype n, quint32 seed = 7) {
    QByteArray b(n, '\0');
    QRandomGenerator gen(seed);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = static_cast<char>(gen.generate() & 0xFF);
    return b;
}

// Every name in a folder, temporary files included.
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

void le16(QByteArray& b, quint32 v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
}

void le32(QByteArray& b, quint32 v) {
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}

// A level-2 archive member written by hand, so that tests can make archives our writer never makes.
struct Member {
    Member(QByteArray n, QByteArray d, QByteArray p = {}, QByteArray m = "-lh0-", int delta = 0)
        : name(std::move(n)), data(std::move(d)), path(std::move(p)), method(std::move(m)), crcDelta(delta) {}
    QByteArray name;
    QByteArray data;
    QByteArray path; // a directory extension header when not empty ("\xff" separates parts)
    QByteArray method;
    int crcDelta;
};

QByteArray craftArchive(const std::vector<Member>& members) {
    QByteArray out;
    for (const Member& m : members) {
        std::vector<QByteArray> exts;
        exts.push_back(QByteArray(1, '\x01') + m.name);
        if (!m.path.isEmpty())
            exts.push_back(QByteArray(1, '\x02') + m.path);
        QByteArray h;
        int total = 26;
        for (const QByteArray& e : exts)
            total += static_cast<int>(e.size()) + 2;
        le16(h, total);
        h += m.method;
        le32(h, static_cast<quint32>(m.data.size()));
        le32(h, static_cast<quint32>(m.data.size()));
        le32(h, 0);
        h += '\x20';
        h += '\x02';
        le16(h, (lha::crc16(0, m.data.constData(), m.data.size()) + m.crcDelta) & 0xFFFF);
        h += 'U';
        for (const QByteArray& e : exts) {
            le16(h, static_cast<quint32>(e.size()) + 2);
            h += e;
        }
        le16(h, 0);
        out += h + m.data;
    }
    out += '\0';
    return out;
}

class PackageFiles : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.path() + u'/' + name; }
    QString folder(const QString& name) const {
        QDir().mkpath(path(name));
        return path(name);
    }
};

TEST(PackageCrc, MatchesTheCheckValueAndAnySplit) {
    EXPECT_EQ(lha::crc16(0, "123456789", 9), 0xBB3D);
    QByteArray data(100, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 37 + 11);
    // Byte by byte as the reference.
    quint16 reference = 0;
    for (const char c : data)
        reference = lha::crc16(reference, &c, 1);
    for (int cut = 0; cut <= data.size(); ++cut)
        EXPECT_EQ(lha::crc16(lha::crc16(0, data.constData(), cut), data.constData() + cut, data.size() - cut),
                  reference)
            << cut;
}

TEST_F(PackageFiles, PackedFilePassesLhasaAndExtractsIdentical) {
    struct Case {
        QString name;
        qsizetype size;
    };
    // 227 bytes of name make a header of 256 bytes, whose low byte 0 would read as the archive's end.
    const Case cases[] = {{QStringLiteral("placc.fbk"), 3 * 1024 * 1024 + 17},
                          {QStringLiteral("会計データ①.fbk"), 1},
                          {QStringLiteral("empty.fbk"), 0},
                          {QString(223, u'n') + QStringLiteral(".fbk"), 1000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.left(20).toStdString());
        const QString src = folder(QStringLiteral("src")) + u'/' + c.name;
        const QByteArray data = randomBytes(c.size);
        ASSERT_TRUE(testenv::writeFile(src, data));
        const QString arc = path(QStringLiteral("placc.lzh"));
        ASSERT_EQ(Unlha(nullptr, QStringLiteral("a \"%1\" \"%2\"").arg(arc, src)), 0);
        EXPECT_NE(UnlhaCheckArchive(arc, 2), 0);

        QProcess lhasa;
        lhasa.start(QStringLiteral("lhasa"), {QStringLiteral("t"), arc});
        ASSERT_TRUE(lhasa.waitForFinished(-1));
        EXPECT_EQ(lhasa.exitCode(), 0)
            << lhasa.readAllStandardOutput().constData() << lhasa.readAllStandardError().constData();

        const QString out = folder(QStringLiteral("out"));
        QString why;
        ASSERT_EQ(Unlha(nullptr, QStringLiteral("e \"%1\" \"%2/\"").arg(arc, out), &why), 0)
            << why.toStdString();
        EXPECT_EQ(entries(out), QStringList{c.name});
        EXPECT_TRUE(testenv::readFile(out + u'/' + c.name) == data);
        QDir(out).removeRecursively();
        QFile::remove(src);
    }
}

TEST_F(PackageFiles, ExtractionChecksTheExpectedName) {
    const QString src = folder(QStringLiteral("src")) + QStringLiteral("/cplacc.fbk");
    ASSERT_TRUE(testenv::writeFile(src, "data"));
    const QString arc = path(QStringLiteral("cplacc.lzh"));
    ASSERT_EQ(lha::pack(arc, src), unlhaOk);
    const QString out = folder(QStringLiteral("out"));
    EXPECT_EQ(Unlha(nullptr, QStringLiteral("e \"%1\" \"%2/\" \"placc.fbk\"").arg(arc, out)),
              unlhaRefusedMember);
    EXPECT_TRUE(entries(out).isEmpty());
    EXPECT_EQ(Unlha(nullptr, QStringLiteral("e \"%1\" \"%2/\" \"cplacc.fbk\"").arg(arc, out)), unlhaOk);
    EXPECT_EQ(testenv::readFile(out + QStringLiteral("/cplacc.fbk")), QByteArray("data"));
}

TEST_F(PackageFiles, CraftedArchivesAreRefusedAndWriteNothing) {
    const QByteArray data = "backup bytes";
    struct Case {
        const char* what;
        std::vector<Member> members;
        int expected;
        bool named = false;
    };
    // any: refused with whatever code; named: refused only because the name is not the expected one
    // (liblhasa itself turns a "/" of a stored name into a harmless character), so the check, which knows
    // no expected name, accepts it.
    constexpr int any = -1;
    const std::vector<Case> cases = {
        {"path part", {{"placc.fbk", data, "..\xff"}}, unlhaRefusedMember},
        {"absolute path", {{"placc.fbk", data, "\xfftmp\xff"}}, unlhaRefusedMember},
        {"dot-dot name", {{"..", data}}, unlhaRefusedMember},
        {"dot-dot inside", {{"..placc.fbk", data}}, unlhaRefusedMember},
        {"slash in name", {{"x/placc.fbk", data}}, unlhaRefusedMember, true},
        {"back-slash in name", {{"x\\placc.fbk", data}}, unlhaRefusedMember},
        {"other member", {{"other.fbk", data}}, unlhaRefusedMember, true},
        {"second member", {{"placc.fbk", data}, {"evil.sh", data}}, unlhaRefusedMember},
        {"twice the member", {{"placc.fbk", data}, {"placc.fbk", "other"}}, unlhaRefusedMember},
        {"folder", {{"placc.fbk", QByteArray(), {}, "-lhd-"}}, any},
        {"wrong checksum", {{"placc.fbk", data, {}, "-lh0-", 1}}, unlhaCrcError},
        {"empty archive", {}, unlhaBadArchive},
    };
    const QString out = folder(QStringLiteral("out"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString arc = path(QStringLiteral("crafted.lzh"));
        ASSERT_TRUE(testenv::writeFile(arc, craftArchive(c.members)));
        QString why;
        const int rc = lha::extract(arc, out, QStringLiteral("placc.fbk"), &why);
        if (c.expected == any)
            EXPECT_NE(rc, unlhaOk);
        else
            EXPECT_EQ(rc, c.expected);
        EXPECT_FALSE(why.isEmpty());
        EXPECT_EQ(UnlhaCheckArchive(arc, 2), c.named ? 1 : 0);
        EXPECT_TRUE(entries(out).isEmpty()) << entries(out).join(u' ').toStdString();
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("placc.fbk"))));
    }
    // The hand-made archive itself is sound: the same bytes with a plain member extract.
    const QString arc = path(QStringLiteral("plain.lzh"));
    ASSERT_TRUE(testenv::writeFile(arc, craftArchive({{"placc.fbk", data}})));
    EXPECT_EQ(lha::extract(arc, out, QStringLiteral("placc.fbk")), unlhaOk);
    EXPECT_EQ(testenv::readFile(out + QStringLiteral("/placc.fbk")), data);
}

TEST_F(PackageFiles, DamagedArchiveKeepsTheOldFile) {
    const QString src = folder(QStringLiteral("src")) + QStringLiteral("/placc.fbk");
    const QByteArray data = randomBytes(200000);
    ASSERT_TRUE(testenv::writeFile(src, data));
    const QString arc = path(QStringLiteral("placc.lzh"));
    ASSERT_EQ(lha::pack(arc, src), unlhaOk);
    const QByteArray packed = testenv::readFile(arc);
    const QString out = folder(QStringLiteral("out"));
    ASSERT_TRUE(testenv::writeFile(out + QStringLiteral("/placc.fbk"), "old"));

    QByteArray flipped = packed;
    flipped[packed.size() / 2] = static_cast<char>(flipped[packed.size() / 2] ^ 0x01);
    const QByteArray damaged[] = {flipped, packed.left(packed.size() / 2), packed.left(20),
                                  QByteArray("not lha")};
    for (const QByteArray& bytes : damaged) {
        ASSERT_TRUE(testenv::writeFile(arc, bytes));
        EXPECT_NE(lha::extract(arc, out), unlhaOk);
        EXPECT_EQ(UnlhaCheckArchive(arc, 2), 0);
        EXPECT_EQ(entries(out), QStringList{QStringLiteral("placc.fbk")});
        EXPECT_EQ(testenv::readFile(out + QStringLiteral("/placc.fbk")), QByteArray("old"));
    }
}

// A level-0 member as other archivers write it: its data is not where a level-2 header would put it.
QByteArray levelZeroArchive(const QByteArray& name, const QByteArray& data, int crcDelta) {
    QByteArray h;
    h += static_cast<char>(22 + name.size());
    h += '\0'; // header checksum, below
    h += "-lh0-";
    le32(h, static_cast<quint32>(data.size()));
    le32(h, static_cast<quint32>(data.size()));
    le32(h, 0x5A210000); // 2025-01-01 00:00 in MS-DOS form
    h += '\x20';
    h += '\0';
    h += static_cast<char>(name.size());
    h += name;
    le16(h, (lha::crc16(0, data.constData(), data.size()) + crcDelta) & 0xFFFF);
    unsigned sum = 0;
    for (qsizetype i = 2; i < h.size(); ++i)
        sum += static_cast<unsigned char>(h[i]);
    h[1] = static_cast<char>(sum & 0xFF);
    return h + data + '\0';
}

// Members our writer does not make are read through liblhasa's decoder and checked the same way.
TEST_F(PackageFiles, OtherHeaderLevelsExtractAndCheckThroughTheDecoder) {
    const QByteArray data = randomBytes(3 * 1024 * 1024 + 5);
    const QString out = folder(QStringLiteral("out"));
    const QString arc = path(QStringLiteral("level0.lzh"));
    ASSERT_TRUE(testenv::writeFile(arc, levelZeroArchive("placc.fbk", data, 0)));
    EXPECT_NE(UnlhaCheckArchive(arc, 2), 0);
    QString why;
    ASSERT_EQ(lha::extract(arc, out, QStringLiteral("placc.fbk"), &why), unlhaOk) << why.toStdString();
    EXPECT_TRUE(testenv::readFile(out + QStringLiteral("/placc.fbk")) == data);

    ASSERT_TRUE(testenv::writeFile(out + QStringLiteral("/placc.fbk"), "old"));
    ASSERT_TRUE(testenv::writeFile(arc, levelZeroArchive("placc.fbk", data, 1)));
    EXPECT_EQ(UnlhaCheckArchive(arc, 2), 0);
    EXPECT_EQ(lha::extract(arc, out, QStringLiteral("placc.fbk")), unlhaCrcError);
    EXPECT_EQ(entries(out), QStringList{QStringLiteral("placc.fbk")});
    EXPECT_EQ(testenv::readFile(out + QStringLiteral("/placc.fbk")), QByteArray("old"));
}

TEST_F(PackageFiles, ArchiverRefusesBadInputsAndTargets) {
    const QString src = folder(QStringLiteral("src")) + QStringLiteral("/placc.fbk");
    ASSERT_TRUE(testenv::writeFile(src, "data"));
    const QString arcFolder = folder(QStringLiteral("placc.lzh"));
    QString why;
    EXPECT_EQ(lha::pack(arcFolder, src, &why), unlhaCannotWrite);
    EXPECT_TRUE(why.contains(QStringLiteral("通常のファイルではありません")));
    EXPECT_EQ(lha::pack(path(QStringLiteral("a.lzh")), path(QStringLiteral("missing.fbk"))), unlhaCannotRead);
    // A level-2 header holds 32-bit sizes: a larger file (sparse here) is refused before anything is read.
    QFile huge(path(QStringLiteral("huge.fbk")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(0x100000000LL));
    huge.close();
    EXPECT_EQ(lha::pack(path(QStringLiteral("a.lzh")), huge.fileName()), unlhaTooLarge);
    huge.remove();
    EXPECT_EQ(lha::pack(path(QStringLiteral("no/such/folder/a.lzh")), src), unlhaCannotWrite);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("a.lzh"))));
    EXPECT_EQ(Unlha(nullptr, QStringLiteral("x \"a\" \"b\"")), unlhaBadCommand);
    EXPECT_EQ(Unlha(nullptr, QStringLiteral("a \"unclosed")), unlhaBadCommand);
    EXPECT_EQ(Unlha(nullptr, QStringLiteral("a \"%1\"").arg(src)), unlhaBadCommand);
    UnlhaAvailable = false;
    EXPECT_NE(Unlha(nullptr, QStringLiteral("a \"%1\" \"%2\"").arg(path(QStringLiteral("b.lzh")), src)), 0);
    UnlhaAvailable = true;
}

TEST_F(PackageFiles, CipherRoundTripsAndSaltsEachPackage) {
    for (qsizetype size : {qsizetype(0), qsizetype(1), qsizetype((1 << 20) * 2 + 5)}) {
        SCOPED_TRACE(size);
        const QByteArray data = randomBytes(size, 11);
        ASSERT_TRUE(testenv::writeFile(path(QStringLiteral("placc.lzh")), data));
        ASSERT_EQ(EncryptFile(path(QStringLiteral("placc.lzh")), path(QStringLiteral("a.wen")),
                              QStringLiteral("鍵key")),
                  rijnOk);
        ASSERT_EQ(EncryptFile(path(QStringLiteral("placc.lzh")), path(QStringLiteral("b.wen")),
                              QStringLiteral("鍵key")),
                  rijnOk);
        const QByteArray a = testenv::readFile(path(QStringLiteral("a.wen")));
        EXPECT_NE(a, testenv::readFile(path(QStringLiteral("b.wen"))));
        // The plain bytes do not show through (a run long enough not to turn up by chance).
        if (size >= 64) {
            EXPECT_FALSE(a.contains(data.left(64)));
        }
        ASSERT_EQ(DecryptFile(path(QStringLiteral("a.wen")), path(QStringLiteral("back.lzh")),
                              QStringLiteral("鍵key")),
                  rijnOk);
        EXPECT_TRUE(testenv::readFile(path(QStringLiteral("back.lzh"))) == data);
    }
}

TEST_F(PackageFiles, CipherFailuresLeaveNoTarget) {
    const QByteArray data = randomBytes(300000, 3);
    ASSERT_TRUE(testenv::writeFile(path(QStringLiteral("placc.lzh")), data));
    ASSERT_EQ(EncryptFile(path(QStringLiteral("placc.lzh")), path(QStringLiteral("placc.wen")),
                          QStringLiteral("secret")),
              rijnOk);
    const QByteArray package = testenv::readFile(path(QStringLiteral("placc.wen")));
    auto flip = [&package](qsizetype at) {
        QByteArray b = package;
        b[at] = static_cast<char>(b[at] ^ 0x80);
        return b;
    };
    struct Case {
        const char* what;
        QByteArray bytes;
        QString key;
        int expected;
    };
    const Case cases[] = {
        {"wrong key", package, QStringLiteral("secreT"), rijnAuthFailed},
        {"flipped salt", flip(14), QStringLiteral("secret"), rijnAuthFailed},
        {"flipped nonce", flip(30), QStringLiteral("secret"), rijnAuthFailed},
        {"flipped data", flip(package.size() / 2), QStringLiteral("secret"), rijnAuthFailed},
        {"flipped tag", flip(package.size() - 1), QStringLiteral("secret"), rijnAuthFailed},
        {"cut by one", package.chopped(1), QStringLiteral("secret"), rijnAuthFailed},
        {"cut to the header", package.left(40), QStringLiteral("secret"), rijnNotPackage},
        {"not a package", QByteArray(100, 'x'), QStringLiteral("secret"), rijnNotPackage},
        {"empty key", package, QString(), rijnBadKey},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(testenv::writeFile(path(QStringLiteral("in.wen")), c.bytes));
        QString why;
        EXPECT_EQ(DecryptFile(path(QStringLiteral("in.wen")), path(QStringLiteral("out.lzh")), c.key, &why),
                  c.expected);
        EXPECT_FALSE(why.isEmpty());
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.lzh"))));
    }
    // An earlier target stays as it was.
    ASSERT_TRUE(testenv::writeFile(path(QStringLiteral("out.lzh")), "old"));
    EXPECT_EQ(DecryptFile(path(QStringLiteral("placc.wen")), path(QStringLiteral("out.lzh")),
                          QStringLiteral("wrong")),
              rijnAuthFailed);
    EXPECT_EQ(testenv::readFile(path(QStringLiteral("out.lzh"))), QByteArray("old"));
    EXPECT_EQ(entries(dir.path()).size(), 4); // placc.lzh, placc.wen, in.wen, out.lzh
    // Source and target the same file: refused, source kept.
    EXPECT_NE(EncryptFile(path(QStringLiteral("placc.lzh")), path(QStringLiteral("placc.lzh")),
                          QStringLiteral("secret")),
              rijnOk);
    EXPECT_TRUE(testenv::readFile(path(QStringLiteral("placc.lzh"))) == data);
}

} // namespace

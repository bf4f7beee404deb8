#include "tusin/unlha32.h"

#include "platform/Cp932.h"
#include "tusin/StagedFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

extern "C" {
#include <lhasa.h>
}

bool UnlhaAvailable = true;

namespace lha {
namespace {

constexpr qint64 kChunk = 1 << 20;
constexpr int kBaseHeaderSize = 26;

// CRC-16 (polynomial 0xA001, reflected) tables for sixteen bytes a step: table k gives the CRC of a byte
// followed by k zero bytes.
using CrcTables = std::array<std::array<quint16, 256>, 16>;

const CrcTables& crcTables() {
    static const CrcTables tables = [] {
        CrcTables t{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
            t[0][i] = static_cast<quint16>(c);
        }
        for (unsigned i = 0; i < 256; ++i)
            for (size_t k = 1; k < t.size(); ++k)
                t[k][i] = static_cast<quint16>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
        return t;
    }();
    return tables;
}

int failWith(QString* error, int code, const QString& text) {
    if (error)
        *error = text;
    return code;
}

void put16(QByteArray& b, int at, quint32 v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void put32(QByteArray& b, int at, quint32 v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

QByteArray levelTwoHeader(const QByteArray& name, quint32 size, quint16 crc, quint32 mtime) {
    const int nameExt = 1 + static_cast<int>(name.size()) + 2;
    int total = kBaseHeaderSize + nameExt;
    // A header whose size has a low byte of 0 would read as the end-of-archive mark: pad it by one.
    const bool pad = (total & 0xFF) == 0;
    if (pad)
        ++total;
    QByteArray h(total, '\0');
    put16(h, 0, static_cast<quint32>(total));
    h.replace(2, 5, "-lh0-");
    put32(h, 7, size);
    put32(h, 11, size);
    put32(h, 15, mtime);
    h[19] = 0x20;
    h[20] = 2;
    put16(h, 21, crc);
    h[23] = 'U';
    put16(h, 24, static_cast<quint32>(nameExt));
    h[26] = 0x01;
    h.replace(27, name.size(), name);
    put16(h, 27 + static_cast<int>(name.size()), 0);
    return h;
}

struct ReaderDeleter {
    void operator()(LHAReader* r) const { lha_reader_free(r); }
};
struct StreamDeleter {
    void operator()(LHAInputStream* s) const { lha_input_stream_free(s); }
};

// One archive opened for reading through liblhasa.
class ArchiveReader {
public:
    bool open(const QString& path, QString* error) {
        if (!QFileInfo(path).isFile()) {
            if (error)
                *error = QStringLiteral("書庫 %1 がありません。").arg(path);
            return false;
        }
        QByteArray native = QFile::encodeName(path);
        m_stream.reset(lha_input_stream_from(native.data()));
        if (m_stream)
            m_reader.reset(lha_reader_new(m_stream.get()));
        if (!m_reader) {
            if (error)
                *error = QStringLiteral("書庫 %1 を開けません。").arg(path);
            return false;
        }
        lha_reader_set_dir_policy(m_reader.get(), LHA_READER_DIR_PLAIN);
        return true;
    }
    LHAFileHeader* next() { return lha_reader_next_file(m_reader.get()); }
    LHAReader* reader() const { return m_reader.get(); }

private:
    // The reader goes before the stream it reads.
    std::unique_ptr<LHAInputStream, StreamDeleter> m_stream;
    std::unique_ptr<LHAReader, ReaderDeleter> m_reader;
};

// The member's name when it may be restored: a plain file with a base name and no "..".
int acceptMember(const LHAFileHeader* h, const QString& expectedName, QString* name, QString* error) {
    const QString shown = h->filename ? cp932::decode(QByteArray(h->filename)) : QString();
    if (h->path != nullptr || h->filename == nullptr || h->symlink_target != nullptr ||
        qstrcmp(h->compress_method, LHA_COMPRESS_TYPE_DIR) == 0 || shown.isEmpty() || shown.contains(u'/') ||
        shown.contains(u'\\') || shown.contains(QStringLiteral("..")))
        return failWith(error, unlhaRefusedMember, QStringLiteral("書庫の %1 は取り出せません。").arg(shown));
    if (!expectedName.isEmpty() && shown != expectedName)
        return failWith(error, unlhaRefusedMember,
                        QStringLiteral("書庫に %1 ではなく %2 が入っています。").arg(expectedName, shown));
    *name = shown;
    return unlhaOk;
}

// The archive's only member, or a refusal when it is empty or holds more than one.
int singleMember(ArchiveReader& archive, const QString& expectedName, QString* name, QString* error,
                 const std::function<int(LHAFileHeader*)>& consume) {
    LHAFileHeader* header = archive.next();
    if (!header)
        return failWith(error, unlhaBadArchive, QStringLiteral("書庫が壊れているか、空です。"));
    if (const int rc = acceptMember(header, expectedName, name, error); rc != unlhaOk)
        return rc;
    if (const int rc = consume(header); rc != unlhaOk)
        return rc;
    if (archive.next() != nullptr)
        return failWith(error, unlhaRefusedMember,
                        QStringLiteral("書庫に二つ以上のファイルが入っています。"));
    return unlhaOk;
}

// Where the data of a stored (-lh0-) member starts in the archive file, with file opened there; -1 when
// the member is not one whose bytes lie as they are right after its header at the file's start, as in the
// archives pack() writes.
qint64 storedDataOffset(const LHAFileHeader* h, QFile& file) {
    if (h->header_level != 2 || qstrcmp(h->compress_method, "-lh0-") != 0 ||
        h->compressed_length != h->length || h->raw_data == nullptr || h->raw_data_len < kBaseHeaderSize ||
        h->raw_data_len != (h->raw_data[0] | (size_t(h->raw_data[1]) << 8)))
        return -1;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return -1;
    const auto size = static_cast<qint64>(h->raw_data_len);
    const QByteArray head = file.read(size);
    if (head.size() != size || std::memcmp(head.constData(), h->raw_data, h->raw_data_len) != 0) {
        file.close();
        return -1;
    }
    return size;
}

} // namespace

quint16 crc16(quint16 crc, const char* data, qsizetype size) {
    const CrcTables& t = crcTables();
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    // Only the first two bytes of a step depend on the CRC so far: the lookups of the other fourteen run
    // meanwhile.
    for (; i + 16 <= size; i += 16, p += 16) {
        const unsigned x = crc ^ (p[0] | (unsigned(p[1]) << 8));
        crc = static_cast<quint16>(t[15][x & 0xFF] ^ t[14][x >> 8] ^ t[13][p[2]] ^ t[12][p[3]] ^ t[11][p[4]] ^
                                   t[10][p[5]] ^ t[9][p[6]] ^ t[8][p[7]] ^ t[7][p[8]] ^ t[6][p[9]] ^
                                   t[5][p[10]] ^ t[4][p[11]] ^ t[3][p[12]] ^ t[2][p[13]] ^ t[1][p[14]] ^
                                   t[0][p[15]]);
    }
    for (; i < size; ++i, ++p)
        crc = static_cast<quint16>((crc >> 8) ^ t[0][(crc ^ *p) & 0xFF]);
    return crc;
}

int pack(const QString& archive, const QString& file, QString* error) {
    const QFileInfo info(file);
    if (!info.isFile())
        return failWith(error, unlhaCannotRead, QStringLiteral("%1 がありません。").arg(file));
    // The level-2 base header holds 32-bit sizes.
    if (info.size() > 0xFFFFFFFFLL)
        return failWith(error, unlhaTooLarge, QStringLiteral("%1 は大きすぎて圧縮できません。").arg(file));
    bool encoded = false;
    const QByteArray name = cp932::encode(info.fileName(), &encoded);
    if (!encoded || name.size() > 1024)
        return failWith(error, unlhaCannotRead,
                        QStringLiteral("ファイル名 %1 は書庫に入れられません。").arg(info.fileName()));
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return failWith(error, unlhaCannotRead,
                        QStringLiteral("%1 を読めません: %2").arg(file, in.errorString()));
    const auto mtime =
        static_cast<quint32>(qBound<qint64>(0, info.lastModified().toSecsSinceEpoch(), 0xFFFFFFFFLL));

    StagedFile out(archive);
    QString why;
    QByteArray header = levelTwoHeader(name, 0, 0, mtime);
    if (!out.open(&why) || !out.write(header.constData(), header.size(), &why))
        return failWith(error, unlhaCannotWrite, why);
    std::vector<char> buffer(kChunk);
    quint16 crc = 0;
    qint64 total = 0;
    for (;;) {
        const qint64 got = in.read(buffer.data(), kChunk);
        if (got < 0)
            return failWith(error, unlhaCannotRead,
                            QStringLiteral("%1 を読めません: %2").arg(file, in.errorString()));
        if (got == 0)
            break;
        total += got;
        if (total > 0xFFFFFFFFLL)
            return failWith(error, unlhaTooLarge,
                            QStringLiteral("%1 は大きすぎて圧縮できません。").arg(file));
        crc = crc16(crc, buffer.data(), got);
        if (!out.write(buffer.data(), got, &why))
            return failWith(error, unlhaCannotWrite, why);
    }
    const char end = 0;
    header = levelTwoHeader(name, static_cast<quint32>(total), crc, mtime);
    if (!out.write(&end, 1, &why) || !out.seek(0, &why) ||
        !out.write(header.constData(), header.size(), &why) || !out.commit(&why))
        return failWith(error, unlhaCannotWrite, why);
    return unlhaOk;
}

namespace {

// Reads the member's data once, checking its length and checksum; each piece goes to sink when given. A
// stored member of our own archives is read straight from the file and its checksum taken here, once;
// anything else goes through liblhasa's decoder.
int readMember(ArchiveReader& reader, const LHAFileHeader* h, const QString& archive, const QString& name,
               const std::function<bool(const char*, qint64)>& sink, QString* error) {
    QFile stored(archive);
    const bool direct = storedDataOffset(h, stored) >= 0;
    if (!direct && !sink) {
        if (!lha_reader_check(reader.reader(), nullptr, nullptr))
            return failWith(error, unlhaCrcError, QStringLiteral("書庫の %1 が壊れています。").arg(name));
        return unlhaOk;
    }
    std::vector<char> buffer(kChunk);
    quint16 crc = 0;
    quint64 total = 0;
    for (;;) {
        qint64 got = 0;
        if (direct)
            got = stored.read(buffer.data(), static_cast<qint64>(qMin<quint64>(kChunk, h->length - total)));
        else
            got = static_cast<qint64>(lha_reader_read(reader.reader(), buffer.data(), buffer.size()));
        if (got < 0)
            return failWith(error, unlhaCannotRead,
                            QStringLiteral("%1 を読めません: %2").arg(archive, stored.errorString()));
        if (got == 0)
            break;
        total += static_cast<quint64>(got);
        crc = crc16(crc, buffer.data(), got);
        if (sink && !sink(buffer.data(), got))
            return unlhaCannotWrite;
    }
    if (total != h->length || crc != h->crc)
        return failWith(error, unlhaCrcError, QStringLiteral("書庫の %1 が壊れています。").arg(name));
    return unlhaOk;
}

} // namespace

int extract(const QString& archive, const QString& folder, const QString& expectedName, QString* error) {
    ArchiveReader reader;
    if (!reader.open(archive, error))
        return unlhaCannotRead;
    if (!QFileInfo(folder).isDir())
        return failWith(error, unlhaCannotWrite, QStringLiteral("フォルダ %1 がありません。").arg(folder));
    QString name;
    std::unique_ptr<StagedFile> out;
    const int rc = singleMember(reader, expectedName, &name, error, [&](LHAFileHeader* h) {
        QString why;
        out = std::make_unique<StagedFile>(folder + u'/' + name);
        if (!out->open(&why))
            return failWith(error, unlhaCannotWrite, why);
        return readMember(
            reader, h, archive, name,
            [&](const char* data, qint64 size) { return out->write(data, size, error); }, error);
    });
    if (rc != unlhaOk)
        return rc;
    QString why;
    if (!out->commit(&why))
        return failWith(error, unlhaCannotWrite, why);
    return unlhaOk;
}

int check(const QString& archive, QString* error) {
    ArchiveReader reader;
    if (!reader.open(archive, error))
        return unlhaCannotRead;
    QString name;
    return singleMember(reader, {}, &name, error,
                        [&](LHAFileHeader* h) { return readMember(reader, h, archive, name, {}, error); });
}

} // namespace lha

namespace {

// Splits a command line into its words; a word in double quotes keeps its blanks.
QStringList commandWords(const QString& line) {
    QStringList words;
    qsizetype i = 0;
    while (i < line.size()) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        QString word;
        if (line[i] == u'"') {
            const qsizetype close = line.indexOf(u'"', i + 1);
            if (close < 0)
                return {};
            word = line.mid(i + 1, close - i - 1);
            i = close + 1;
        } else {
            while (i < line.size() && !line[i].isSpace())
                word += line[i++];
        }
        words << word;
    }
    return words;
}

} // namespace

int Unlha(QWidget*, const QString& commandLine, QString* output) {
    QString error;
    const QStringList words = commandWords(commandLine);
    int rc = unlhaBadCommand;
    if (!UnlhaAvailable)
        error = QStringLiteral("圧縮用ライブラリが使えません。");
    else if (words.size() == 3 && words[0] == u"a")
        rc = lha::pack(words[1], words[2], &error);
    else if ((words.size() == 3 || words.size() == 4) && words[0] == u"e") {
        QString folder = words[2];
        while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\')))
            folder.chop(1);
        rc = lha::extract(words[1], folder, words.value(3), &error);
    } else
        error = QStringLiteral("圧縮コマンドが正しくありません: %1").arg(commandLine);
    if (output)
        *output = rc == unlhaOk ? QString() : error;
    return rc;
}

int UnlhaCheckArchive(const QString& archive, int) {
    return UnlhaAvailable && lha::check(archive) == unlhaOk ? 1 : 0;
}

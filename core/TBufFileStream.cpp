#include "core/TBufFileStream.h"

#include "platform/Cp932.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

namespace {

// How far from the end a trailer is looked for: the trailer is a few short lines.
constexpr qint64 kTrailerSearchBytes = 64 * 1024;
constexpr qint64 kPiece = 512;
constexpr quint8 kBufferKB = 16;

[[noreturn]] void fileError(const QString& what, const QString& fileName, const QFile& file) {
    throw std::runtime_error(
        QStringLiteral("%1: %2 (%3)").arg(what, fileName, file.errorString()).toStdString());
}

QIODevice::OpenMode openModeOf(quint16 mode) {
    if ((mode & 0xFF00) == TBufFileStream::fmCreate)
        return QIODevice::ReadWrite | QIODevice::Truncate;
    switch (mode & 0x0003) {
    case TBufFileStream::fmOpenWrite:
        return QIODevice::WriteOnly | QIODevice::ExistingOnly;
    case TBufFileStream::fmOpenReadWrite:
        return QIODevice::ReadWrite | QIODevice::ExistingOnly;
    default:
        return QIODevice::ReadOnly;
    }
}

} // namespace

TBufFileStream::TBufFileStream(const QString& fileName, quint16 mode, quint8 bufferKB)
    : m_file(fileName), BufferSize(int(bufferKB) * 1024) {
    // Reads go through our own buffer; Qt's would only copy the bytes once more.
    if (!m_file.open(openModeOf(mode) | QIODevice::Unbuffered))
        fileError(QStringLiteral("ファイルを開けません"), fileName, m_file);
    Buffer.resize(size_t(BufferSize));
}

TBufFileStream::~TBufFileStream() = default;

qint64 TBufFileStream::Read(void* destination, qint64 count) {
    if (count > BufferSize)
        throw std::runtime_error("バッファの大きさを越えています。");
    if (count <= 0)
        return 0;
    if (BufferCount == 0) {
        const qint64 n = m_file.read(Buffer.data(), BufferSize);
        BufferPos = 0;
        BufferCount = int(std::max<qint64>(n, 0));
        if (BufferCount == 0)
            return 0;
    } else if (BufferCount - BufferPos < count) {
        const int remaining = BufferCount - BufferPos;
        std::memmove(Buffer.data(), Buffer.data() + BufferPos, size_t(remaining));
        BufferPos = 0;
        const qint64 n = m_file.read(Buffer.data() + remaining, BufferSize - remaining);
        BufferCount = remaining + int(std::max<qint64>(n, 0));
        if (BufferCount == 0)
            return 0;
    }
    const qint64 n = std::min<qint64>(count, BufferCount - BufferPos);
    std::memcpy(destination, Buffer.data() + BufferPos, size_t(n));
    BufferPos += int(n);
    ReadPosition += n;
    return n;
}

qint64 TBufFileStream::Write(const void* source, qint64 count) {
    const qint64 n = m_file.write(static_cast<const char*>(source), count);
    if (n != count)
        fileError(QStringLiteral("ファイルに書き込めません"), m_file.fileName(), m_file);
    return n;
}

qint64 TBufFileStream::Seek(qint64 offset, int origin) {
    qint64 target = offset;
    if (origin == soFromCurrent)
        target = ReadPosition + offset;
    else if (origin == soFromEnd)
        target = m_file.size() + offset;
    if (target < 0 || !m_file.seek(target))
        fileError(QStringLiteral("ファイルの位置を移せません"), m_file.fileName(), m_file);
    BufferPos = 0;
    BufferCount = 0;
    ReadPosition = target;
    return target;
}

void AppendTextToFile(const QString& fileName, const QString& text) {
    TBufFileStream stream(fileName, TBufFileStream::fmOpenReadWrite | TBufFileStream::fmShareDenyNone,
                          kBufferKB);
    stream.Seek(0, TBufFileStream::soFromEnd);
    const QByteArray bytes = cp932::encodeLossy(text);
    stream.Write(bytes.constData(), bytes.size());
}

qint64 FindTextInFile(const QString& fileName, const QByteArray& marker, QString& tail) {
    tail.clear();
    if (marker.isEmpty())
        return -1;
    TBufFileStream stream(fileName, TBufFileStream::fmOpenRead, kBufferKB);
    const qint64 start = std::max<qint64>(0, stream.Size() - kTrailerSearchBytes);
    stream.Seek(start, TBufFileStream::soFromBeginning);
    QByteArray window;
    char piece[kPiece];
    for (qint64 n; (n = stream.Read(piece, kPiece)) > 0;)
        window.append(piece, n);
    // The last marker is the trailer appended last.
    const qsizetype at = window.lastIndexOf(marker);
    if (at < 0)
        return -1;
    const qint64 offset = start + at;
    if (offset > 0) {
        QByteArray text = window.mid(at);
        const qsizetype zero = text.indexOf('\0');
        if (zero >= 0)
            text.truncate(zero);
        tail = cp932::decode(text);
    }
    return offset;
}

void ReadFileTrailer(const QString& fileName, const QByteArray& marker, QString& tail, bool cut) {
    tail.clear();
    const qint64 offset = FindTextInFile(fileName, marker, tail);
    if (offset <= 0 || !cut)
        return;
    const QFileInfo info(fileName);
    const QString work = info.dir().filePath(info.completeBaseName() + QStringLiteral(".wk_"));
    QFile::remove(work);
    QFile out(work);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fileError(QStringLiteral("作業ファイルを作成できません"), work, out);
    try {
        TBufFileStream in(fileName, TBufFileStream::fmOpenRead | TBufFileStream::fmShareDenyNone, kBufferKB);
        std::vector<char> piece(size_t(in.bufferSize()));
        qint64 left = offset;
        while (left > 0) {
            const qint64 n = in.Read(piece.data(), std::min<qint64>(left, qint64(piece.size())));
            if (n <= 0)
                throw std::runtime_error(
                    QStringLiteral("ファイルが途中で終わっています: %1").arg(fileName).toStdString());
            if (out.write(piece.data(), n) != n)
                fileError(QStringLiteral("作業ファイルに書き込めません"), work, out);
            left -= n;
        }
        if (!out.flush() || out.handle() < 0 || ::fsync(out.handle()) != 0)
            fileError(QStringLiteral("作業ファイルに書き込めません"), work, out);
        out.close();
        if (out.error() != QFileDevice::NoError)
            fileError(QStringLiteral("作業ファイルに書き込めません"), work, out);
        // rename(2) replaces the file in one step; QFile::rename would refuse an existing target.
        if (::rename(QFile::encodeName(work).constData(), QFile::encodeName(fileName).constData()) != 0)
            throw std::runtime_error(
                QStringLiteral("ファイルを置き換えられません: %1").arg(fileName).toStdString());
    } catch (...) {
        out.close();
        QFile::remove(work);
        throw;
    }
}

#pragma once
// A file stream with a read-ahead buffer for reading a large file sequentially in small pieces, and the
// routines that append, find and cut a text trailer at the end of a file (the backup files carry one).
// Offsets are 64-bit: backup files pass 2 GB.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <vector>

class TBufFileStream {
public:
    // Open modes as the stream library numbers them. Linux has no share-deny locks: the share bits are
    // accepted and have no effect.
    enum : quint16 {
        fmOpenRead = 0x0000,
        fmOpenWrite = 0x0001,
        fmOpenReadWrite = 0x0002,
        fmShareDenyNone = 0x0040,
        fmCreate = 0xFF00,
    };
    enum : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

    // Throws std::runtime_error when the file cannot be opened.
    TBufFileStream(const QString& fileName, quint16 mode, quint8 bufferKB);
    ~TBufFileStream();
    TBufFileStream(const TBufFileStream&) = delete;
    TBufFileStream& operator=(const TBufFileStream&) = delete;

    // Up to count bytes; count bytes until the end of the file, then the last partial piece, then 0.
    // A count above the buffer size throws "バッファの大きさを越えています。" and leaves the stream usable.
    qint64 Read(void* destination, qint64 count);
    // Straight to the file at its own position, past the buffer: for streams that are not read from.
    // Throws when not every byte could be written.
    qint64 Write(const void* source, qint64 count);
    // Empties the buffer; the current position is where Read delivers next.
    qint64 Seek(qint64 offset, int origin);
    qint64 Size() const { return m_file.size(); }

    int bufferSize() const { return BufferSize; }

private:
    QFile m_file;
    std::vector<char> Buffer;
    int BufferSize = 0;
    int BufferPos = 0;
    int BufferCount = 0;
    qint64 ReadPosition = 0;
};

// Appends the CP932 bytes of the text to an existing file, without a terminator. Throws on failure.
void AppendTextToFile(const QString& fileName, const QString& text);
// The offset of the marker in the file's tail (the last one there), -1 when it is not there; tail gets
// the text from the marker to the end of the file, up to a zero byte. Only the tail is searched, so a
// marker that the file's own contents happen to hold earlier is never taken for the trailer. A marker
// at offset 0 gives 0 and an empty tail: callers take only an offset above 0 as found. Throws when the
// file cannot be read.
qint64 FindTextInFile(const QString& fileName, const QByteArray& marker, QString& tail);
// The trailer text from the marker on (empty when there is none). With cut, the file is put back to the
// bytes before the marker: they are copied to the work file (the file's name with ".wk_") that then
// replaces the file, so a failure leaves the file as it was. Throws when the file cannot be read or the
// cut cannot be written.
void ReadFileTrailer(const QString& fileName, const QByteArray& marker, QString& tail, bool cut);

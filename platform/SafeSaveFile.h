#pragma once
// A file written whole or not at all. The bytes go to a temporary file beside the target, which is synced
// and renamed into place on commit. Every write, the sync and the close are checked: a full disk often shows
// only when the data is flushed, and Qt 6.4's QSaveFile::commit() reports success even then. Without a
// successful commit the temporary file is removed and an existing target stays as it was.
//
// A target that exists and is not a regular file (a folder, a FIFO, a device, a symbolic link) is refused,
// never replaced: nothing is written through a link. An existing file keeps its permissions; a new one gets
// the usual ones of the process (0666 less the umask).

#include <QByteArrayView>
#include <QString>

class SafeSaveFile {
public:
    explicit SafeSaveFile(const QString& path);
    // Cancels a save that was not committed.
    ~SafeSaveFile();
    SafeSaveFile(const SafeSaveFile&) = delete;
    SafeSaveFile& operator=(const SafeSaveFile&) = delete;

    bool open();
    // False once any write has failed; later writes do nothing.
    bool write(QByteArrayView bytes);
    // Takes back what was written after the first size bytes; later writes go on from there.
    bool truncate(qint64 size);
    // Syncs, closes and renames the temporary file into place. False (and nothing replaced) after any
    // failure, also one of an earlier write.
    bool commit();
    void cancel();

    const QString& fileName() const { return m_path; }
    // Why the last step failed, for a message.
    const QString& errorString() const { return m_error; }

    // The whole content of path in one go.
    static bool writeWhole(const QString& path, QByteArrayView bytes, QString* error = nullptr);

private:
    bool fail(const QString& reason);
    bool failErrno(int error);

    QString m_path;
    QByteArray m_target;
    QByteArray m_temp;
    QString m_error;
    int m_fd = -1;
    bool m_failed = false;
};

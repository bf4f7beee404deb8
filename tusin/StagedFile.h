#pragma once
// An output file written beside its target under a temporary name and renamed into place only by
// commit(), after every write and the flush have succeeded. Without a commit the target stays as it was.
// A target that exists and is no regular file (folder, FIFO, device) is refused.

#include <QSaveFile>
#include <QString>

class StagedFile {
public:
    explicit StagedFile(const QString& path);
    bool open(QString* error);
    bool write(const char* data, qint64 size, QString* error);
    bool seek(qint64 pos, QString* error);
    bool commit(QString* error);

private:
    bool fail(QString* error, const QString& what);
    QString m_path;
    QSaveFile m_file;
};

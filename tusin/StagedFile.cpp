#include "tusin/StagedFile.h"

#include <QFileInfo>

StagedFile::StagedFile(const QString& path) : m_path(path), m_file(path) {}

bool StagedFile::fail(QString* error, const QString& what) {
    if (error)
        *error = QStringLiteral("%1 %2: %3").arg(m_path, what, m_file.errorString());
    m_file.cancelWriting();
    return false;
}

bool StagedFile::open(QString* error) {
    const QFileInfo target(m_path);
    if ((target.exists() || target.isSymLink()) && (!target.isFile() || target.isSymLink())) {
        if (error)
            *error = QStringLiteral("%1 は通常のファイルではありません。").arg(m_path);
        return false;
    }
    if (!m_file.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("を作成できません"));
    return true;
}

bool StagedFile::write(const char* data, qint64 size, QString* error) {
    if (m_file.write(data, size) != size)
        return fail(error, QStringLiteral("に書き込めません"));
    return true;
}

bool StagedFile::seek(qint64 pos, QString* error) {
    if (!m_file.seek(pos))
        return fail(error, QStringLiteral("に書き込めません"));
    return true;
}

bool StagedFile::commit(QString* error) {
    // QSaveFile::commit() of Qt 6.4 reports success after a failed flush: check the flush first.
    if (!m_file.flush())
        return fail(error, QStringLiteral("に書き込めません"));
    if (!m_file.commit()) {
        if (error)
            *error = QStringLiteral("%1 に書き込めません: %2").arg(m_path, m_file.errorString());
        return false;
    }
    return true;
}

#pragma once
// An attachment to one Firebird database.
// A name "host:/abs/path/file.fdb" (also "host/port:/abs/path") goes to a server; a plain path
// "/abs/path/file.fdb" is opened by the embedded engine inside this process, without any server.
// The connection parameters are those of the database module: user, password and lc_ctype SJIS_0208,
// SQL dialect 3. The embedded engine trusts the user name it is given.

#include "platform/firebird/FbError.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace Firebird {
class IAttachment;
}

namespace fb {

class Transaction;

struct ConnectOptions {
    QString user;
    QString password;
    QString charset = QStringLiteral("SJIS_0208");
    int dialect = 3;
    // Options from parameter lines "user_name=...", "password=...", "lc_ctype=..." (other lines ignored).
    static ConnectOptions fromParams(const QStringList& lines);
    // The three parameter lines in the order the database module writes them.
    QStringList toParams() const;
};

class Database {
public:
    Database() = default;
    Database(const QString& path, const ConnectOptions& options);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void setPath(const QString& path);
    const QString& path() const { return m_path; }
    void setOptions(const ConnectOptions& options);
    const ConnectOptions& options() const { return m_options; }
    // Replaces the options by those of the parameter lines (see ConnectOptions::fromParams).
    void setParams(const QStringList& lines) { setOptions(ConnectOptions::fromParams(lines)); }

    // True for "host:path" (a server), false for a plain path (the embedded engine).
    static bool isRemotePath(const QString& path);
    bool isRemote() const { return isRemotePath(m_path); }

    void attach();
    // Creates the database file (character set SJIS_0208 by default, dialect 3) and stays attached.
    void create(int pageSize = 8192);
    // Rolls back the transactions still active on this attachment, then detaches. No-op when detached.
    void detach();
    // Deletes the database file; the object ends detached.
    void drop();
    bool isConnected() const { return m_attachment != nullptr; }

    Firebird::IAttachment* handle() const { return m_attachment; }

private:
    friend class Transaction;
    void checkNotConnected() const;
    void attachOrCreate(bool create, int pageSize);
    void endTransactions();

    QString m_path;
    ConnectOptions m_options;
    Firebird::IAttachment* m_attachment = nullptr;
    std::vector<Transaction*> m_transactions;
};

} // namespace fb

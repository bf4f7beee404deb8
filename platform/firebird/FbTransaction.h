#pragma once
// A transaction on one attachment, started with the words of a transaction parameter list as the
// database module names them ("read_committed", "rec_version", "nowait", "wait", "concurrency",
// "consistency", "read", "write", "no_rec_version", "lock_timeout=N", ...).
// A transaction still active when its object goes away is rolled back.
// The Database must outlive its Transactions, and a Transaction its Queries.

#include <QString>
#include <QStringList>
#include <vector>

namespace Firebird {
class ITransaction;
}

namespace fb {

class Database;
class Query;

class Transaction {
public:
    static QStringList defaultParams() { return {"read_committed", "rec_version", "nowait"}; }

    explicit Transaction(Database& database, const QStringList& params = defaultParams());
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    Database& database() const { return *m_database; }
    void setParams(const QStringList& params) { m_params = params; }
    const QStringList& params() const { return m_params; }

    void start();
    void commit();
    void rollback();
    // Commits the work done so far and keeps the transaction (and its open cursors) running.
    void commitRetaining();
    void rollbackRetaining();
    bool isActive() const { return m_transaction != nullptr; }

    // Makes this transaction and other, on another attachment, one transaction: from their next start on
    // (through either) both carry a single two-phase transaction over the two attachments, so what is
    // written through either is committed or rolled back together; a commit or rollback through either
    // ends it for both. Neither may be active. separate() undoes it.
    void joinDistributed(Transaction& other);
    void separate();
    Transaction* partner() const { return m_partner; }

    Firebird::ITransaction* handle() const { return m_transaction; }

private:
    friend class Database;
    friend class Query;
    void end(bool commit);
    // Closes the open cursors of the queries on this transaction; with unprepare also frees their
    // statements (before the attachment goes).
    void closeQueries(bool unprepare);
    // Forgets a transaction handle that the engine no longer knows (lost connection).
    void abandon();
    void startDistributed();
    // Sets or clears the handle of both members of a distributed pair.
    void setHandle(Firebird::ITransaction* handle);

    Database* m_database;
    QStringList m_params;
    Firebird::ITransaction* m_transaction = nullptr;
    std::vector<Query*> m_queries;
    Transaction* m_partner = nullptr;
};

} // namespace fb

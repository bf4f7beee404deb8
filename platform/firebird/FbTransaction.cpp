#include "platform/firebird/FbTransaction.h"

#include "platform/firebird/FbApi.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"

#include <algorithm>

namespace fb {

using detail::Status;

namespace {

struct TpbWord {
    const char* word;
    unsigned char tag;
};

// The words of a transaction parameter list, as the classic components spell them.
constexpr TpbWord kTpbWords[] = {
    {"consistency", isc_tpb_consistency},
    {"concurrency", isc_tpb_concurrency},
    {"shared", isc_tpb_shared},
    {"protected", isc_tpb_protected},
    {"exclusive", isc_tpb_exclusive},
    {"wait", isc_tpb_wait},
    {"nowait", isc_tpb_nowait},
    {"read", isc_tpb_read},
    {"write", isc_tpb_write},
    {"lock_read", isc_tpb_lock_read},
    {"lock_write", isc_tpb_lock_write},
    {"verb_time", isc_tpb_verb_time},
    {"commit_time", isc_tpb_commit_time},
    {"ignore_limbo", isc_tpb_ignore_limbo},
    {"read_committed", isc_tpb_read_committed},
    {"autocommit", isc_tpb_autocommit},
    {"rec_version", isc_tpb_rec_version},
    {"no_rec_version", isc_tpb_no_rec_version},
    {"restart_requests", isc_tpb_restart_requests},
    {"no_auto_undo", isc_tpb_no_auto_undo},
};

void buildTpb(Firebird::IXpbBuilder* tpb, Firebird::CheckStatusWrapper* st, const QStringList& params) {
    for (const QString& raw : params) {
        QString word = raw.trimmed().toLower();
        if (word.startsWith(QLatin1String("isc_tpb_")))
            word = word.mid(8);
        if (word.isEmpty())
            continue;
        if (word.startsWith(QLatin1String("lock_timeout"))) {
            bool ok = false;
            const int seconds = word.section(u'=', 1).trimmed().toInt(&ok);
            if (!ok)
                throw Error(QStringLiteral("Bad transaction parameter: %1").arg(raw));
            tpb->insertInt(st, isc_tpb_lock_timeout, seconds);
            continue;
        }
        const auto* found = std::find_if(std::begin(kTpbWords), std::end(kTpbWords),
                                         [&](const TpbWord& w) { return word == QLatin1String(w.word); });
        if (found == std::end(kTpbWords))
            throw Error(QStringLiteral("Unknown transaction parameter: %1").arg(raw));
        tpb->insertTag(st, found->tag);
    }
}

} // namespace

Transaction::Transaction(Database& database, const QStringList& params)
    : m_database(&database), m_params(params) {
    m_database->m_transactions.push_back(this);
}

Transaction::~Transaction() {
    closeQueries(false);
    if (m_partner)
        m_partner->closeQueries(false);
    if (isActive()) {
        try {
            rollback();
        } catch (const Error&) {
            abandon();
        }
    }
    if (m_partner) {
        m_partner->m_partner = nullptr;
        m_partner = nullptr;
    }
    // Queries still alive keep a dangling reference otherwise; they must go first (see the header).
    auto& list = m_database->m_transactions;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void Transaction::joinDistributed(Transaction& other) {
    if (&other == this || &other.database() == m_database)
        throw Error(QStringLiteral("A distributed transaction needs two attachments."));
    if (isActive() || other.isActive())
        throw Error(QStringLiteral("The transaction is already active."));
    separate();
    other.separate();
    m_partner = &other;
    other.m_partner = this;
}

void Transaction::separate() {
    if (!m_partner)
        return;
    if (isActive())
        throw Error(QStringLiteral("The transaction is already active."));
    m_partner->m_partner = nullptr;
    m_partner = nullptr;
}

void Transaction::setHandle(Firebird::ITransaction* handle) {
    m_transaction = handle;
    if (m_partner)
        m_partner->m_transaction = handle;
}

namespace {

// A transaction parameter buffer built from the words; the builder is disposed with the object.
class Tpb {
public:
    explicit Tpb(const QStringList& params) {
        Status st;
        m_builder = detail::util()->getXpbBuilder(st.get(), Firebird::IXpbBuilder::TPB, nullptr, 0);
        st.check();
        buildTpb(m_builder, st.get(), params);
        st.check();
        m_length = m_builder->getBufferLength(st.get());
        m_buffer = m_builder->getBuffer(st.get());
        st.check();
    }
    ~Tpb() { m_builder->dispose(); }
    Tpb(const Tpb&) = delete;
    Tpb& operator=(const Tpb&) = delete;
    unsigned length() const { return m_length; }
    const unsigned char* buffer() const { return m_buffer; }

private:
    Firebird::IXpbBuilder* m_builder = nullptr;
    unsigned m_length = 0;
    const unsigned char* m_buffer = nullptr;
};

} // namespace

void Transaction::startDistributed() {
    if (!m_partner->m_database->isConnected())
        throw Error(QStringLiteral("The database is not connected."));
    Tpb mine(m_params);
    Tpb theirs(m_partner->m_params);
    Status st;
    Firebird::IDtcStart* builder = detail::master()->getDtc()->startBuilder(st.get());
    st.check();
    builder->addWithTpb(st.get(), m_database->handle(), mine.length(), mine.buffer());
    if (!st.failed())
        builder->addWithTpb(st.get(), m_partner->m_database->handle(), theirs.length(), theirs.buffer());
    if (st.failed()) {
        builder->dispose();
        st.check();
    }
    // start() disposes the builder when it succeeds.
    Firebird::ITransaction* tra = builder->start(st.get());
    if (st.failed()) {
        builder->dispose();
        st.check();
    }
    setHandle(tra);
}

void Transaction::start() {
    if (isActive())
        throw Error(QStringLiteral("The transaction is already active."));
    if (!m_database->isConnected())
        throw Error(QStringLiteral("The database is not connected."));
    if (m_partner) {
        startDistributed();
        return;
    }
    Status st;
    auto* tpb = detail::util()->getXpbBuilder(st.get(), Firebird::IXpbBuilder::TPB, nullptr, 0);
    st.check();
    try {
        buildTpb(tpb, st.get(), m_params);
        st.check();
    } catch (...) {
        tpb->dispose();
        throw;
    }
    const unsigned length = tpb->getBufferLength(st.get());
    const unsigned char* buffer = tpb->getBuffer(st.get());
    Firebird::ITransaction* tra = m_database->handle()->startTransaction(st.get(), length, buffer);
    tpb->dispose();
    st.check();
    m_transaction = tra;
}

void Transaction::end(bool commit) {
    if (!isActive())
        throw Error(QStringLiteral("The transaction is not active."));
    closeQueries(false);
    if (m_partner)
        m_partner->closeQueries(false);
    Status st;
    if (commit)
        m_transaction->commit(st.get());
    else
        m_transaction->rollback(st.get());
    if (st.failed()) {
        // A failed rollback means the connection is gone: the handle is useless from now on. A failed
        // commit (a deferred constraint, a lost connection) leaves the transaction for a rollback.
        if (!commit)
            abandon();
        st.check();
    }
    setHandle(nullptr);
}

void Transaction::commit() {
    end(true);
}

void Transaction::rollback() {
    end(false);
}

void Transaction::commitRetaining() {
    if (!isActive())
        throw Error(QStringLiteral("The transaction is not active."));
    Status st;
    m_transaction->commitRetaining(st.get());
    st.check();
}

void Transaction::rollbackRetaining() {
    if (!isActive())
        throw Error(QStringLiteral("The transaction is not active."));
    Status st;
    m_transaction->rollbackRetaining(st.get());
    st.check();
}

void Transaction::closeQueries(bool unprepare) {
    for (Query* q : m_queries)
        q->releaseCursor(unprepare);
}

void Transaction::abandon() {
    closeQueries(false);
    if (m_partner)
        m_partner->closeQueries(false);
    if (m_transaction)
        m_transaction->release();
    setHandle(nullptr);
}

} // namespace fb

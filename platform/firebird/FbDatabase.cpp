#include "platform/firebird/FbDatabase.h"

#include "platform/firebird/FbApi.h"
#include "platform/firebird/FbTransaction.h"

#include <algorithm>

namespace fb {

using detail::Status;

ConnectOptions ConnectOptions::fromParams(const QStringList& lines) {
    ConnectOptions o;
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1);
        if (key == u"user_name")
            o.user = value;
        else if (key == u"password")
            o.password = value;
        else if (key == u"lc_ctype")
            o.charset = value;
    }
    return o;
}

QStringList ConnectOptions::toParams() const {
    return {QStringLiteral("user_name=") + user, QStringLiteral("password=") + password,
            QStringLiteral("lc_ctype=") + charset};
}

Database::Database(const QString& path, const ConnectOptions& options) : m_path(path), m_options(options) {}

Database::~Database() {
    try {
        detach();
    } catch (const Error&) {
        // A destructor cannot report; the engine drops the attachment with the process at the latest.
    }
}

void Database::checkNotConnected() const {
    if (m_attachment)
        throw Error(QStringLiteral("The database %1 is connected.").arg(m_path));
}

void Database::setPath(const QString& path) {
    checkNotConnected();
    m_path = path;
}

void Database::setOptions(const ConnectOptions& options) {
    checkNotConnected();
    m_options = options;
}

bool Database::isRemotePath(const QString& path) {
    // "host:path" or "host/port:path"; an absolute or relative file path has no colon before its
    // first slash.
    if (path.startsWith(u'/'))
        return false;
    const qsizetype colon = path.indexOf(u':');
    return colon > 0;
}

void Database::attach() {
    attachOrCreate(false, 0);
}

void Database::create(int pageSize) {
    attachOrCreate(true, pageSize);
}

void Database::attachOrCreate(bool create, int pageSize) {
    checkNotConnected();
    if (m_path.isEmpty())
        throw Error(QStringLiteral("No database name is set."));
    Status st;
    auto* dpb = detail::util()->getXpbBuilder(st.get(), Firebird::IXpbBuilder::DPB, nullptr, 0);
    st.check();
    // File names and the other strings of the block are UTF-8; the data of the attachment is in
    // lc_ctype.
    dpb->insertTag(st.get(), isc_dpb_utf8_filename);
    if (!m_options.user.isEmpty())
        dpb->insertString(st.get(), isc_dpb_user_name, m_options.user.toUtf8().constData());
    if (!m_options.password.isEmpty())
        dpb->insertString(st.get(), isc_dpb_password, m_options.password.toUtf8().constData());
    if (!m_options.charset.isEmpty())
        dpb->insertString(st.get(), isc_dpb_lc_ctype, m_options.charset.toUtf8().constData());
    dpb->insertInt(st.get(), isc_dpb_sql_dialect, m_options.dialect);
    dpb->insertString(st.get(), isc_dpb_config, detail::providersConfig(isRemote()).constData());
    if (create) {
        if (pageSize > 0)
            dpb->insertInt(st.get(), isc_dpb_page_size, pageSize);
        dpb->insertString(st.get(), isc_dpb_set_db_charset,
                          (m_options.charset.isEmpty() ? QStringLiteral("SJIS_0208") : m_options.charset)
                              .toUtf8()
                              .constData());
        dpb->insertInt(st.get(), isc_dpb_set_db_sql_dialect, m_options.dialect);
    }
    if (st.failed()) {
        dpb->dispose();
        st.check();
    }
    const QByteArray name = m_path.toUtf8();
    const unsigned length = dpb->getBufferLength(st.get());
    const unsigned char* buffer = dpb->getBuffer(st.get());
    Firebird::IAttachment* att =
        create ? detail::provider()->createDatabase(st.get(), name.constData(), length, buffer)
               : detail::provider()->attachDatabase(st.get(), name.constData(), length, buffer);
    dpb->dispose();
    st.check();
    m_attachment = att;
}

void Database::endTransactions() {
    // Transactions left running are rolled back, never committed by accident; statements are freed
    // because they cannot outlive the attachment.
    for (Transaction* t : std::vector<Transaction*>(m_transactions)) {
        t->closeQueries(true);
        if (t->isActive()) {
            try {
                t->rollback();
            } catch (const Error&) {
                t->abandon();
            }
        }
    }
}

void Database::detach() {
    if (!m_attachment)
        return;
    endTransactions();
    Status st;
    m_attachment->detach(st.get());
    if (st.failed()) {
        // The attachment is gone for us either way (lost connection): free the handle.
        Error e = detail::toError(st.get());
        m_attachment->release();
        m_attachment = nullptr;
        throw e;
    }
    m_attachment = nullptr;
}

void Database::drop() {
    if (!m_attachment)
        attach();
    endTransactions();
    Status st;
    m_attachment->dropDatabase(st.get());
    st.check();
    m_attachment = nullptr;
}

} // namespace fb

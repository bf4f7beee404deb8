#include "platform/firebird/FbServices.h"

#include "platform/firebird/FbApi.h"

#include <memory>

namespace fb {

using detail::Status;

namespace {

// Info buffers travel with a 16-bit length.
constexpr size_t kInfoBufferSize = 32000;

// One attachment to the service manager, released when it goes.
class ServiceAttachment {
public:
    explicit ServiceAttachment(const ServiceOptions& options) {
        Status st;
        auto* spb = detail::util()->getXpbBuilder(st.get(), Firebird::IXpbBuilder::SPB_ATTACH, nullptr, 0);
        st.check();
        spb->insertTag(st.get(), isc_spb_utf8_filename);
        if (!options.user.isEmpty())
            spb->insertString(st.get(), isc_spb_user_name, options.user.toUtf8().constData());
        if (!options.password.isEmpty())
            spb->insertString(st.get(), isc_spb_password, options.password.toUtf8().constData());
        // The admin role lets an ordinary user who holds it administer the server (it is ignored for
        // a user without it).
        spb->insertString(st.get(), isc_spb_sql_role_name, "RDB$ADMIN");
        spb->insertString(st.get(), isc_spb_config,
                          detail::providersConfig(!options.host.isEmpty()).constData());
        if (st.failed()) {
            spb->dispose();
            st.check();
        }
        const QByteArray name = options.host.isEmpty() ? QByteArrayLiteral("service_mgr")
                                                       : options.host.toUtf8() + ":service_mgr";
        m_service = detail::provider()->attachServiceManager(
            st.get(), name.constData(), spb->getBufferLength(st.get()), spb->getBuffer(st.get()));
        spb->dispose();
        st.check();
    }
    ~ServiceAttachment() {
        Status st;
        m_service->detach(st.get());
        if (st.failed())
            m_service->release();
    }
    ServiceAttachment(const ServiceAttachment&) = delete;
    ServiceAttachment& operator=(const ServiceAttachment&) = delete;

    // Starts an action; build fills the start block after the action tag.
    template <typename Build> void start(unsigned char action, Build build) {
        Status st;
        auto* spb = detail::util()->getXpbBuilder(st.get(), Firebird::IXpbBuilder::SPB_START, nullptr, 0);
        st.check();
        spb->insertTag(st.get(), action);
        build(spb, st.get());
        if (st.failed()) {
            spb->dispose();
            st.check();
        }
        m_service->start(st.get(), spb->getBufferLength(st.get()), spb->getBuffer(st.get()));
        spb->dispose();
        st.check();
    }

    // Reads the output of the running action line by line until it ends. The service reports a failure
    // of the action as the error of the last query.
    QStringList readLines(const Services::LineHandler& onLine) {
        QStringList lines;
        const unsigned char items[] = {isc_info_svc_line};
        std::vector<unsigned char> buffer(kInfoBufferSize);
        for (;;) {
            Status st;
            m_service->query(st.get(), 0, nullptr, sizeof items, items, unsigned(buffer.size()),
                             buffer.data());
            st.check();
            const unsigned char* p = buffer.data();
            if (*p != isc_info_svc_line)
                break;
            const unsigned length = unsigned(p[1]) | (unsigned(p[2]) << 8);
            if (length == 0)
                break;
            const QString line = QString::fromUtf8(reinterpret_cast<const char*>(p + 3), qsizetype(length));
            lines << line;
            if (onLine)
                onLine(line);
        }
        return lines;
    }

    Firebird::IService* handle() const { return m_service; }

private:
    Firebird::IService* m_service = nullptr;
};

} // namespace

Services::Services(const ServiceOptions& options) : m_options(options) {}

QStringList Services::backup(const QString& database, const QString& backupFile, const BackupOptions& options,
                             const LineHandler& onLine) {
    ServiceAttachment service(m_options);
    service.start(isc_action_svc_backup, [&](Firebird::IXpbBuilder* spb, Firebird::CheckStatusWrapper* st) {
        spb->insertString(st, isc_spb_dbname, database.toUtf8().constData());
        spb->insertString(st, isc_spb_bkp_file, backupFile.toUtf8().constData());
        int flags = 0;
        if (options.ignoreLimbo)
            flags |= isc_spb_bkp_ignore_limbo;
        if (options.noGarbageCollection)
            flags |= isc_spb_bkp_no_garbage_collect;
        if (options.nonTransportable)
            flags |= isc_spb_bkp_non_transportable;
        spb->insertInt(st, isc_spb_options, flags);
        if (options.verbose)
            spb->insertTag(st, isc_spb_verbose);
    });
    return service.readLines(onLine);
}

QStringList Services::restore(const QString& backupFile, const QString& database,
                              const RestoreOptions& options, const LineHandler& onLine) {
    ServiceAttachment service(m_options);
    service.start(isc_action_svc_restore, [&](Firebird::IXpbBuilder* spb, Firebird::CheckStatusWrapper* st) {
        spb->insertString(st, isc_spb_bkp_file, backupFile.toUtf8().constData());
        spb->insertString(st, isc_spb_dbname, database.toUtf8().constData());
        int flags = 0;
        if (options.replace)
            flags |= isc_spb_res_replace;
        if (options.create)
            flags |= isc_spb_res_create;
        if (options.deactivateIndexes)
            flags |= isc_spb_res_deactivate_idx;
        spb->insertInt(st, isc_spb_options, flags);
        if (options.pageSize > 0)
            spb->insertInt(st, isc_spb_res_page_size, options.pageSize);
        if (options.pageBuffers > 0)
            spb->insertInt(st, isc_spb_res_buffers, options.pageBuffers);
        if (options.verbose)
            spb->insertTag(st, isc_spb_verbose);
    });
    return service.readLines(onLine);
}

QStringList Services::validate(const QString& database, const LineHandler& onLine) {
    ServiceAttachment service(m_options);
    service.start(isc_action_svc_repair, [&](Firebird::IXpbBuilder* spb, Firebird::CheckStatusWrapper* st) {
        spb->insertString(st, isc_spb_dbname, database.toUtf8().constData());
        spb->insertInt(st, isc_spb_options,
                       isc_spb_rpr_validate_db | isc_spb_rpr_full | isc_spb_rpr_ignore_checksum);
    });
    QStringList problems;
    for (const QString& line : service.readLines(onLine))
        if (!line.trimmed().isEmpty())
            problems << line;
    return problems;
}

QStringList Services::attachedDatabases() {
    // Listing the attachments of the engine needs administrator rights. The embedded engine trusts the
    // name it is given and knows no roles, so the list is asked for as its administrator; a server
    // decides from the user's admin role (requested by every attachment above).
    ServiceOptions options = m_options;
    if (options.host.isEmpty())
        options.user = QStringLiteral("SYSDBA");
    ServiceAttachment service(options);
    const unsigned char items[] = {isc_info_svc_svr_db_info};
    std::vector<unsigned char> buffer(kInfoBufferSize);
    Status st;
    service.handle()->query(st.get(), 0, nullptr, sizeof items, items, unsigned(buffer.size()),
                            buffer.data());
    st.check();
    QStringList names;
    const unsigned char* p = buffer.data();
    const unsigned char* end = p + buffer.size();
    if (*p++ != isc_info_svc_svr_db_info)
        return names;
    while (p < end && *p != isc_info_flag_end && *p != isc_info_end) {
        const unsigned char tag = *p++;
        if (tag == isc_spb_num_att || tag == isc_spb_num_db) {
            p += 4;
        } else if (tag == isc_spb_dbname) {
            const unsigned length = unsigned(p[0]) | (unsigned(p[1]) << 8);
            p += 2;
            names << QString::fromUtf8(reinterpret_cast<const char*>(p), qsizetype(length));
            p += length;
        } else {
            throw Error(QStringLiteral("Unexpected item %1 in the list of attached databases.").arg(tag));
        }
    }
    return names;
}

} // namespace fb

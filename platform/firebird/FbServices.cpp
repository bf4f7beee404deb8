#include "platform/firebird/FbServices.h"

#include "platform/firebird/FbApi.h"

#include <memory>
#include <optional>

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

    // Reads the output of the running action line by line to its real end. Each query waits at most a
    // second for a line; a request for standard input (a restore asking for the next volume of a backup
    // that ends too early) is answered with nothing, so the action fails instead of waiting. The output
    // has ended when a query brings neither a line, nor a timeout, nor such a request, and the service no
    // longer runs. The service reports a failure of the action as the error of a query.
    QStringList readLines(const Services::LineHandler& onLine) {
        QStringList lines;
        const unsigned char items[] = {isc_info_svc_stdin, isc_info_svc_line};
        std::vector<unsigned char> buffer(kInfoBufferSize);
        bool answerStdin = false;
        for (;;) {
            // Send block: the wait for a line, and an empty line of input when one was asked for.
            std::vector<unsigned char> send{isc_info_svc_timeout, 4, 0, 1, 0, 0, 0};
            if (answerStdin)
                send.insert(send.end(), {isc_info_svc_line, 0, 0});
            send.push_back(isc_info_end);
            Status st;
            m_service->query(st.get(), unsigned(send.size()), send.data(), sizeof items, items,
                             unsigned(buffer.size()), buffer.data());
            st.check();
            const Reply reply = parse(buffer);
            answerStdin = reply.stdinRequested;
            if (reply.line) {
                lines << *reply.line;
                if (onLine)
                    onLine(*reply.line);
                continue;
            }
            if (reply.waiting || answerStdin)
                continue;
            if (!running())
                break;
        }
        return lines;
    }
    Firebird::IService* handle() const { return m_service; }

private:
    struct Reply {
        std::optional<QString> line; // a line of output (empty: none now)
        bool waiting = false;        // the wait for a line ran out, or the output is not ready yet
        bool stdinRequested = false; // the action asks for standard input
    };

    static quint32 number(const unsigned char* p, unsigned length) {
        quint32 value = 0;
        for (unsigned i = 0; i < length; ++i)
            value |= quint32(p[i]) << (8 * i);
        return value;
    }

    static Reply parse(const std::vector<unsigned char>& buffer) {
        Reply reply;
        const unsigned char* p = buffer.data();
        const unsigned char* const end = p + buffer.size();
        while (p < end && *p != isc_info_end) {
            const unsigned char tag = *p++;
            switch (tag) {
            case isc_info_svc_stdin:
                if (end - p < 4)
                    throw Error(QStringLiteral("A service reply ended early."));
                reply.stdinRequested = number(p, 4) > 0;
                p += 4;
                break;
            case isc_info_svc_line: {
                if (end - p < 2)
                    throw Error(QStringLiteral("A service reply ended early."));
                const unsigned length = number(p, 2);
                p += 2;
                if (unsigned(end - p) < length)
                    throw Error(QStringLiteral("A service reply ended early."));
                if (length > 0)
                    reply.line = QString::fromUtf8(reinterpret_cast<const char*>(p), qsizetype(length));
                p += length;
                break;
            }
            case isc_info_svc_timeout:
            case isc_info_data_not_ready:
            case isc_info_truncated:
                reply.waiting = true;
                break;
            default:
                throw Error(QStringLiteral("Unexpected item %1 in a service reply.").arg(tag));
            }
        }
        return reply;
    }

    bool running() {
        const unsigned char items[] = {isc_info_svc_running};
        unsigned char buffer[16] = {};
        Status st;
        m_service->query(st.get(), 0, nullptr, sizeof items, items, sizeof buffer, buffer);
        st.check();
        return buffer[0] == isc_info_svc_running && number(buffer + 1, 4) != 0;
    }

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

#pragma once
// Inside the Firebird layer only: the API entry points, status handling and the engine set-up.

#include "platform/firebird/FbError.h"

#include <firebird/Interface.h>

#include <QByteArray>
#include <QString>

namespace fb::detail {

Firebird::IMaster* master();
Firebird::IUtil* util();
// The dispatcher that routes attachments to the embedded engine or to a server.
Firebird::IProvider* provider();

// The error of a failed call: first status code, SQLCODE and the formatted message.
Error toError(Firebird::IStatus* status);

// A status object for a run of calls; check() throws fb::Error when the last call failed.
class Status {
public:
    Status() : m_status(master()->getStatus()), m_wrapper(m_status) {}
    ~Status() { m_status->dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    Firebird::CheckStatusWrapper* get() { return &m_wrapper; }
    bool failed() const { return m_wrapper.getState() & Firebird::IStatus::STATE_ERRORS; }
    void check() {
        if (failed()) {
            Error e = toError(&m_wrapper);
            m_wrapper.init();
            throw e;
        }
    }
    void clear() { m_wrapper.init(); }

private:
    Firebird::IStatus* m_status;
    Firebird::CheckStatusWrapper m_wrapper;
};

// Configuration text for a parameter block that routes a name to the right provider: the embedded
// engine for a plain path, the network client for "host:path".
QByteArray providersConfig(bool remote);

// Text for the engine: CP932 bytes, an error when a character cannot be held.
QByteArray encodeText(const QString& text, const char* what);

} // namespace fb::detail

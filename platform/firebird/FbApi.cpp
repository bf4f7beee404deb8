#include "platform/firebird/FbApi.h"

#include "platform/Cp932.h"

#include <QDir>
#include <ibase.h>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace fb::detail {

namespace {

// The embedded engine keeps its lock and shared-memory files in FIREBIRD_LOCK (default /tmp/firebird).
// The packaged default belongs to the server's group, so an ordinary user's embedded engine could not
// use it; a folder of our own per user keeps embedded work independent of any installed server.
// Child processes (isql-fb, gbak) inherit the variable. Database files themselves are locked
// exclusively by whichever engine opens them, whatever lock folder it uses.
void prepareEnvironment() {
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    const QString dir = QDir::tempPath() + QStringLiteral("/qv-firebird-%1").arg(getuid());
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(dir));
}

Firebird::IMaster* initMaster() {
    prepareEnvironment();
    return Firebird::fb_get_master_interface();
}

} // namespace

Firebird::IMaster* master() {
    static Firebird::IMaster* const instance = initMaster();
    return instance;
}

Firebird::IUtil* util() {
    static Firebird::IUtil* const instance = master()->getUtilInterface();
    return instance;
}

Firebird::IProvider* provider() {
    static Firebird::IProvider* const instance = master()->getDispatcher();
    return instance;
}

Error toError(Firebird::IStatus* status) {
    const ISC_STATUS* vector = status->getErrors();
    qint64 code = 0;
    if (vector && vector[0] == isc_arg_gds)
        code = vector[1];
    const int sqlCode = vector ? int(isc_sqlcode(vector)) : 0;
    std::vector<char> buffer(4096);
    const unsigned length = util()->formatStatus(buffer.data(), unsigned(buffer.size()), status);
    // Texts in the status vector come in the connection's character set (CP932) or are plain ASCII.
    QString message = cp932::decode(buffer.data(), qsizetype(length)).trimmed();
    if (message.isEmpty())
        message = QStringLiteral("Firebird error %1").arg(code);
    return Error(message, code, sqlCode);
}

QByteArray providersConfig(bool remote) {
    // A per-attachment configuration entry overrides the providers of firebird.conf, so a plain path
    // never reaches a server (not even over the loopback provider) and a remote name never falls
    // back to the embedded engine. Nothing of the installed configuration is changed.
    return remote ? QByteArrayLiteral("Providers=Remote") : QByteArrayLiteral("Providers=Engine12");
}

QByteArray encodeText(const QString& text, const char* what) {
    bool ok = false;
    QByteArray bytes = cp932::encode(text, &ok);
    if (!ok)
        throw Error(QStringLiteral("%1 contains a character that Shift_JIS cannot hold: %2")
                        .arg(QLatin1String(what), text));
    return bytes;
}

} // namespace fb::detail

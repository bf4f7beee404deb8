#include "platform/TerminationRequests.h"

#include "platform/firebird/FbApi.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <ibase.h>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The Firebird client library catches SIGINT and SIGTERM too and, unless a client declines, shuts every
// attachment of the process down before our own close runs. While requests are taken here the close
// path needs its connections (the in-use mark and the logon row are removed through them), so the
// engine is told no for a shutdown caused by a signal; an exit still shuts it down as usual.
std::atomic<bool> g_declineSignalShutdown{false};

int confirmEngineShutdown(const int reason, const int, void*) {
    // Not zero refuses the shutdown.
    return reason == fb_shutrsn_signal && g_declineSignalShutdown.load() ? 1 : 0;
}

void declineEngineShutdownOnSignals() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        fb::detail::master(); // the engine's environment first
        ISC_STATUS_ARRAY status = {};
        fb_shutdown_callback(status, confirmEngineShutdown, fb_shut_confirmation, nullptr);
    });
    g_declineSignalShutdown = true;
}

void onSignal(int) {
    // Only async-signal-safe work here: the event loop picks the byte up.
    const char c = 1;
    [[maybe_unused]] auto n = ::write(g_pipe[1], &c, 1);
}

} // namespace

TerminationRequests::TerminationRequests(QObject* parent) : QObject(parent) {
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char buf[16];
        while (::read(g_pipe[0], buf, sizeof buf) > 0) {
        }
        Q_EMIT requested();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : kSignals)
        ::sigaction(s, &sa, nullptr);
    declineEngineShutdownOnSignals();
}

TerminationRequests::~TerminationRequests() {
    if (!m_notifier)
        return;
    g_declineSignalShutdown = false;
    for (int s : kSignals)
        ::signal(s, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

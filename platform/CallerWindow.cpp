#include "platform/CallerWindow.h"

#include "platform/SpecialFolders.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace {
constexpr int kLinkTimeoutMs = 2000;
}

CallerWindow::CallerWindow(quint32 handle) : m_handle(handle) {}

CallerWindow::~CallerWindow() {
    if (m_socket && m_socket->state() == QLocalSocket::ConnectedState) {
        m_socket->disconnectFromServer();
        if (m_socket->state() != QLocalSocket::UnconnectedState)
            m_socket->waitForDisconnected(kLinkTimeoutMs);
    }
}

void CallerWindow::setHandle(quint32 handle) {
    if (handle == m_handle)
        return;
    m_socket.reset();
    m_handle = handle;
}

QString CallerWindow::endpoint(quint32 handle) {
    return specialfolders::runtimeDir() + QStringLiteral("/hwnd-") + QString::number(handle);
}

void CallerWindow::setForeground() {
    send("foreground");
}

void CallerWindow::setEnabled(bool enabled) {
    send(enabled ? QByteArray("enable") : QByteArray("disable"));
}

void CallerWindow::postMessage(qint32 message, qint32 wParam, qint32 lParam) {
    send("post " + QByteArray::number(message) + ' ' + QByteArray::number(wParam) + ' ' +
         QByteArray::number(lParam));
}

bool CallerWindow::connectLink() {
    if (m_socket && m_socket->state() == QLocalSocket::ConnectedState)
        return true;
    m_socket = std::make_unique<QLocalSocket>();
    m_socket->connectToServer(endpoint(m_handle));
    return m_socket->waitForConnected(kLinkTimeoutMs);
}

void CallerWindow::send(const QByteArray& line) {
    if (m_handle == 0)
        return;
    // One connection carries every call, so the caller sees them in order; a caller that went away in
    // between gets one fresh attempt.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!connectLink())
            return; // nobody listens: ignored like a window that no longer exists
        if (m_socket->write(line + '\n') == line.size() + 1 && m_socket->waitForBytesWritten(kLinkTimeoutMs))
            return;
        m_socket.reset();
    }
}

CallerWindowListener::CallerWindowListener(quint32 handle, QObject* parent)
    : QObject(parent), m_handle(handle), m_server(new QLocalServer(this)) {
    const QString name = CallerWindow::endpoint(handle);
    QDir().mkpath(specialfolders::runtimeDir());
    QLocalServer::removeServer(name);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_server->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] { readFrom(s); });
            connect(s, &QLocalSocket::disconnected, this, [this, s] {
                readFrom(s);
                s->deleteLater();
            });
            readFrom(s);
        }
    });
    m_server->listen(name);
}

CallerWindowListener::~CallerWindowListener() {
    m_server->close();
}

bool CallerWindowListener::isListening() const {
    return m_server->isListening();
}

void CallerWindowListener::readFrom(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        QByteArray line = socket->readLine();
        line.chop(1);
        m_messages << QString::fromUtf8(line);
        Q_EMIT messageReceived(m_messages.last());
    }
}

bool CallerWindowListener::waitForMessages(int count, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (m_messages.size() < count && !deadline.hasExpired()) {
        QEventLoop loop;
        connect(this, &CallerWindowListener::messageReceived, &loop, &QEventLoop::quit);
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return m_messages.size() >= count;
}

#pragma once
// The window of the program that started us, named by a handle number on the command line. On the
// original platform it is a window of the caller that we disable, enable, bring to the front and post a
// message to. Here the handle names a local socket of the caller, "<runtime folder>/hwnd-<handle>", and
// each call is one line on it:
//   disable | enable | foreground | post <message> <wparam> <lparam>
// A handle with no listener is ignored, as a vanished window would be; handle 0 does nothing at all.

#include <QObject>
#include <QStringList>
#include <memory>

class QLocalServer;
class QLocalSocket;

class CallerWindow {
public:
    explicit CallerWindow(quint32 handle = 0);
    ~CallerWindow();
    CallerWindow(const CallerWindow&) = delete;
    CallerWindow& operator=(const CallerWindow&) = delete;

    quint32 handle() const { return m_handle; }
    void setHandle(quint32 handle);

    // SetForegroundWindow.
    void setForeground();
    // EnableWindow.
    void setEnabled(bool enabled);
    // PostMessage.
    void postMessage(qint32 message, qint32 wParam, qint32 lParam);

    // The socket that stands for the window of a handle.
    static QString endpoint(quint32 handle);

private:
    void send(const QByteArray& line);
    bool connectLink();

    quint32 m_handle;
    std::unique_ptr<QLocalSocket> m_socket;
};

// The caller's side of the link: listens as the window of a handle and records each line it receives.
// Used by tests and as a stand-in caller.
class CallerWindowListener : public QObject {
    Q_OBJECT
public:
    explicit CallerWindowListener(quint32 handle, QObject* parent = nullptr);
    ~CallerWindowListener() override;

    bool isListening() const;
    quint32 handle() const { return m_handle; }
    // The lines received so far, in order, without line ends.
    const QStringList& messages() const { return m_messages; }
    // Processes events until at least count lines have arrived or the time is up; without a time, until
    // they have arrived.
    bool waitForMessages(int count, int timeoutMs = -1);

Q_SIGNALS:
    void messageReceived(const QString& line);

private:
    void readFrom(QLocalSocket* socket);

    quint32 m_handle;
    QLocalServer* m_server;
    QStringList m_messages;
};

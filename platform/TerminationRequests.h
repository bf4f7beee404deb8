#pragma once
// SIGTERM, SIGINT and SIGHUP arrive as a signal in the event loop while an object of this class lives,
// so that a request from outside to end the program closes it the way the window's close box does and
// the end sequence still runs. Meanwhile the Firebird engine in this process is kept from shutting its
// attachments down on SIGTERM and SIGINT, so the end sequence finds them alive. One object at a time.

#include <QObject>

class QSocketNotifier;

class TerminationRequests : public QObject {
    Q_OBJECT
public:
    explicit TerminationRequests(QObject* parent = nullptr);
    ~TerminationRequests() override;

Q_SIGNALS:
    void requested();

private:
    QSocketNotifier* m_notifier = nullptr;
};

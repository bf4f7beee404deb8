#pragma once
// A Firebird error as the data-access layer reports it: the first status code of the status vector
// (e.g. 335544345 for a lock conflict), the SQLCODE derived from it, and the formatted message text.

#include <QString>
#include <stdexcept>

namespace fb {

class Error : public std::runtime_error {
public:
    Error(const QString& message, qint64 statusCode = 0, int sqlCode = 0)
        : std::runtime_error(message.toStdString()), m_message(message), m_statusCode(statusCode),
          m_sqlCode(sqlCode) {}
    const QString& message() const { return m_message; }
    qint64 statusCode() const { return m_statusCode; }
    int sqlCode() const { return m_sqlCode; }

private:
    QString m_message;
    qint64 m_statusCode;
    int m_sqlCode;
};

} // namespace fb

#include "core/uAccFunction_ErrLog.h"

#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/firebird/FbError.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QMetaObject>
#include <QtDebug>

std::function<QString()> ErrLogDatabaseNameProc;
std::function<void()> TerminateApplicationProc = RequestApplicationTerminate;

namespace {

const QString kRestartNote = QStringLiteral(
    "\r\r[OK]ボタンを押すとアプリケーションの終了処理に入ります。（[OK]後、何回かメッセージが表示さ"
    "れる場合があります）\rアプリケーションが終了しましたら再起動して下さい。\r");

QString logLines(const fb::Error& error, const QString& context, const QString& explanation) {
    const QString dbName = ErrLogDatabaseNameProc ? ErrLogDatabaseNameProc() : QString();
    const QString line1 =
        QStringLiteral("%1,%2,%3,%4,%5,%6,%7")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")),
                 SystemDef.PCName, QString::number(SystemDef.OPCODE), QStringLiteral("Serial="),
                 QStringLiteral("AppVer="), QStringLiteral("DBName=") + SystemDef.HOSTNAME + u':' + dbName,
                 QStringLiteral("DataVer="));
    const QString line2 = QStringLiteral("Error=%1 [%2] (%3) %4,%5")
                              .arg(context, QString::number(error.statusCode()),
                                   QString::number(error.sqlCode()), explanation, error.message());
    return line1 + QStringLiteral("\r\n") + line2 + QStringLiteral("\r\n");
}

bool writeLog(const QString& path, QIODevice::OpenMode mode, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | mode))
        return false;
    return f.write(bytes) == bytes.size() && f.flush();
}

} // namespace

void RequestApplicationTerminate() {
    // Queued, so the program ends only once control is back in an event loop (the report returns to its
    // caller first); exit() then leaves every loop that is running, modal ones included.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void ErrFbAccess(const fb::Error& error, const QString& context, const QString& message, bool reconnect) {
    (void)reconnect;
    if (DbFatalError)
        return;

    const QString explanation = GetIscErrorText(error.statusCode(), error.sqlCode());
    // The log is a diagnostic: a character CP932 cannot hold must not cost the whole entry.
    const QByteArray bytes = cp932::encodeLossy(logLines(error, context, explanation));
    // A log that cannot be written must not keep the operator from the message or a lost connection from
    // ending the program. Without a log folder (before start-up has set it) nothing is written, rather
    // than a log in the root of the file system.
    if (!SystemDef.LogDir.isEmpty()) {
        const QString base = SystemDef.LogDir + QStringLiteral("/ErrFbAccess");
        if (!writeLog(base + QStringLiteral(".log"), QIODevice::Append, bytes))
            qWarning("ErrFbAccess: cannot append to %s", qPrintable(base + QStringLiteral(".log")));
        if (!writeLog(base + QStringLiteral(".txt"), QIODevice::Truncate, bytes))
            qWarning("ErrFbAccess: cannot write %s", qPrintable(base + QStringLiteral(".txt")));
    }

    QString text = message;
    bool fatal = false;
    if (error.statusCode() == IscNetworkError) {
        fatal = true;
        text = QStringLiteral(
                   "何らかの原因でネットワークが物理的に切断されている か Firebirdサービス(RDBMS)との通信が切"
                   "断されました。") +
               kRestartNote;
    } else if (error.statusCode() == IscBugCheck) {
        fatal = true;
        text = explanation + kRestartNote;
    }
    if (fatal)
        DbFatalError = 1;

    try {
        if (!text.isEmpty()) {
            if (fatal) {
                if (ConnectMode == 0)
                    text += QStringLiteral("\r※注意 共有サーバーのデータ利用時は自動保管されません。\r");
                ui::showMessage(ui::MsgKind::Error, text, ui::mbOK);
            } else {
                const QString detail =
                    QStringLiteral("IBXエラーコード:%1\r%2\r%3")
                        .arg(QString::number(error.statusCode()), error.message(), explanation);
                ShowErrDetail(text, detail, ui::MsgKind::Error);
            }
        }
    } catch (const std::exception& e) {
        qWarning("ErrFbAccess: the message could not be shown: %s", e.what());
    }

    if (fatal && TerminateApplicationProc)
        TerminateApplicationProc();
}

void ShowErrDetail(const QString& message, const QString& detail, ui::MsgKind kind) {
    if (message.isEmpty() && detail.isEmpty())
        return;
    QString text = message;
    if (!detail.isEmpty())
        text += QStringLiteral("\r\r[詳細情報]\r") + detail;
    ui::showMessage(kind, text, ui::mbOK);
}

void ShowCommaMessage(const QString& text, ui::MsgKind kind) {
    QString body = text;
    const qsizetype comment = body.indexOf(QStringLiteral("//"));
    if (comment >= 0)
        body.truncate(comment);
    // Every part is shown, however many there are.
    QString shown;
    for (const QString& line : body.split(u','))
        shown += line + u'\r';
    ui::showMessage(kind, shown, ui::mbOK);
}

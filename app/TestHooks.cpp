#include "app/TestHooks.h"

#include <QFile>
#include <QTimer>
#include <QWidget>

namespace testhooks {

namespace {

class LoggingUserInteraction : public ui::ScriptedUserInteraction {
public:
    explicit LoggingUserInteraction(const QString& path) : m_path(path) {}

    int message(const ui::MessageRequest& request) override
    {
        QString text = request.text;
        text.replace(u'\r', QLatin1String("\\r")).replace(u'\n', QLatin1String("\\n"));
        QFile f(m_path);
        if (f.open(QIODevice::Append)) {
            f.write(QStringLiteral("%1\t%2\t%3\n")
                        .arg(static_cast<int>(request.kind))
                        .arg(request.caption, text)
                        .toUtf8());
        }
        return ScriptedUserInteraction::message(request);
    }

private:
    QString m_path;
};

} // namespace

std::unique_ptr<ui::UserInteraction> userInteractionFromEnvironment()
{
    const QString path = qEnvironmentVariable("QV_TEST_UI_LOG");
    if (path.isEmpty())
        return nullptr;
    return std::make_unique<LoggingUserInteraction>(path);
}

void armAutoClose(QWidget* mainWindow)
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("QV_TEST_AUTOCLOSE_MS", &ok);
    if (ok && ms >= 0)
        QTimer::singleShot(ms, mainWindow, [mainWindow] { mainWindow->close(); });
}

} // namespace testhooks

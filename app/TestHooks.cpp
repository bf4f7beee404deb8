#include "app/TestHooks.h"

#include <QFile>
#include <QTimer>
#include <QWidget>

namespace testhooks {

int BoxLogUserInteraction::message(const ui::MessageRequest& request) {
    QString text = request.text;
    text.replace(u'\r', QLatin1String("\\r")).replace(u'\n', QLatin1String("\\n"));
    m_sink(QStringLiteral("%1\t%2\t%3\n")
               .arg(static_cast<int>(request.kind))
               .arg(request.caption, text)
               .toUtf8());
    return ScriptedUserInteraction::message(request);
}

std::unique_ptr<ui::UserInteraction> userInteractionFromEnvironment() {
    const QString path = qEnvironmentVariable("QV_TEST_UI_LOG");
    if (path.isEmpty())
        return nullptr;
    return std::make_unique<BoxLogUserInteraction>([path](const QByteArray& line) {
        QFile f(path);
        if (f.open(QIODevice::Append))
            f.write(line);
    });
}

void armAutoClose(QWidget* mainWindow) {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("QV_TEST_AUTOCLOSE_MS", &ok);
    if (ok && ms >= 0)
        QTimer::singleShot(ms, mainWindow, [mainWindow] { mainWindow->close(); });
}

} // namespace testhooks

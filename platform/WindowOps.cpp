#include "platform/WindowOps.h"

#include <QApplication>
#include <QWidget>

namespace windowops {

void bringToFront(QWidget* window) {
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

void purgeInputMessages(QWidget*) {}

QWidget* findTopLevelWindow(const QString& className, const QString& title) {
    if (className.isEmpty() && title.isEmpty())
        return nullptr;
    if (className.compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0)
        return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!className.isEmpty() && QLatin1String(w->metaObject()->className()) != className)
            continue;
        if (!title.isEmpty() && w->windowTitle() != title)
            continue;
        return w;
    }
    return nullptr;
}

} // namespace windowops

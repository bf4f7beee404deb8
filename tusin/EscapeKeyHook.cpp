#include "tusin/EscapeKeyHook.h"

#include <QCoreApplication>
#include <QKeyEvent>

EscapeKeyHook* EscapeHookHandle = nullptr;

bool EscapeKeyHook::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

bool InstallEscapeKeyHook() {
    if (EscapeHookHandle || !QCoreApplication::instance())
        return false;
    EscapeHookHandle = new EscapeKeyHook(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(EscapeHookHandle);
    return true;
}

void RemoveEscapeKeyHook() {
    if (!EscapeHookHandle)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(EscapeHookHandle);
    delete EscapeHookHandle;
    EscapeHookHandle = nullptr;
}

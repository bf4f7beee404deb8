#include "controls/xKeyStyles.h"

namespace keynav {

TKeyStyle arrowMember(int key) {
    switch (key) {
    case Qt::Key_Left:
        return ksLeft;
    case Qt::Key_Up:
        return ksUp;
    case Qt::Key_Right:
        return ksRight;
    case Qt::Key_Down:
        return ksDown;
    default:
        return TKeyStyle(0);
    }
}

bool shiftStateEmpty(const QKeyEvent* e) {
    const auto mods = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return !(e->modifiers() & mods) && QGuiApplication::mouseButtons() == Qt::NoButton;
}

bool typesEnter(const QKeyEvent* e) {
    return !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

} // namespace keynav

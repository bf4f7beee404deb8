#pragma once
// Enter and the arrow keys move the focus through a form: the key-navigating controls share the set of
// keys they act on and the focus move itself.

#include <QFlags>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

// Bit values as stored in one byte: ksEnter 1, ksLeft 2, ksUp 4, ksRight 8, ksDown 16.
enum TKeyStyle : quint8 { ksEnter = 1, ksLeft = 2, ksUp = 4, ksRight = 8, ksDown = 16 };
Q_DECLARE_FLAGS(TKeyStyles, TKeyStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TKeyStyles)

namespace keynav {

// The member of an arrow key (0 for every other key).
TKeyStyle arrowMember(int key);
inline bool isArrowKey(int key) {
    return arrowMember(key) != 0;
}
inline bool movesForward(int key) {
    return key == Qt::Key_Right || key == Qt::Key_Down;
}
inline bool isEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
// No Shift, Ctrl, Alt or Meta and no mouse button held (the keypad flag does not count).
bool shiftStateEmpty(const QKeyEvent* e);
// Enter as a typed character: Shift+Enter still types it, Ctrl or Alt do not.
bool typesEnter(const QKeyEvent* e);

} // namespace keynav

// Adds the key navigation to a control class. Moving the focus goes to the next or previous control of
// the control's window in tab order, as Tab and Shift+Tab would; a control without a parent moves nothing.
template <class Base> class KeyNavigating : public Base {
public:
    using Base::Base;

    TKeyStyles KeyStyles() const { return m_keyStyles; }
    void setKeyStyles(TKeyStyles styles) { m_keyStyles = styles; }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (!navigateKey(e))
            Base::keyPressEvent(e);
    }

    bool hasParentForm() const { return this->parentWidget() != nullptr; }

    void selectNextControl(bool next) {
        if (hasParentForm())
            this->QWidget::focusNextPrevChild(next);
    }

    // The arrow step: an arrow whose member is set, with an empty shift state, moves the focus.
    bool wantsArrow(const QKeyEvent* e) const {
        TKeyStyle m = keynav::arrowMember(e->key());
        return m != 0 && m_keyStyles.testFlag(m) && keynav::shiftStateEmpty(e);
    }
    bool wantsEnter(const QKeyEvent* e) const {
        return keynav::isEnterKey(e->key()) && m_keyStyles.testFlag(ksEnter) && keynav::typesEnter(e);
    }

    // Handles a key as it arrived: returns true when the key was taken (focus moved or, without a parent
    // form, the key cleared), false when the base control should have it.
    bool navigateKey(QKeyEvent* e) {
        bool arrow = wantsArrow(e);
        if (!arrow && !wantsEnter(e))
            return false;
        e->accept();
        selectNextControl(arrow ? keynav::movesForward(e->key()) : true);
        return true;
    }

private:
    TKeyStyles m_keyStyles = ksEnter | ksUp;
};

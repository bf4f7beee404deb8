#include "controls/xEdit.h"
#include "core/uAccFunction2.h"
#include "platform/Cp932Map.h"
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>

TxEdit::TxEdit(QWidget* parent) : KeyNavigating<QLineEdit>(parent) {}

void TxEdit::setAlignment(TAlignment a) {
    m_alignment = a;
    Qt::Alignment h = a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
    QLineEdit::setAlignment(h | Qt::AlignVCenter);
}

// Qt draws the one frame of its style; the value is kept because forms state it.
void TxEdit::setKeyEdit3D(TBorderStyle s) {
    m_keyEdit3D = s;
}

void TxEdit::setImeMode(TImeMode m) {
    m_imeMode = m;
    setAttribute(Qt::WA_InputMethodEnabled, m != imDisable);
}

Money TxEdit::Curr() const {
    return Money::parse(text()).value_or(Money());
}

void TxEdit::setCurr(Money value) {
    setText(value.toString());
}

qint32 TxEdit::Long() const {
    bool ok = false;
    qint32 v = text().trimmed().toInt(&ok, 10);
    return ok ? v : 0;
}

void TxEdit::setLong(qint32 value) {
    setText(QString::number(value));
}

namespace {
// True when the text holds no ideograph, i.e. it can stand as a reading.
bool isReading(const QString& text) {
    for (QChar ch : text) {
        char16_t c = ch.unicode();
        if ((c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || ch.isSurrogate() || c == 0x3005)
            return false;
    }
    return true;
}
} // namespace

QString TxEdit::kana() {
    m_reading = cp932::mapString(cp932::MapKatakana, m_reading);
    QString half = cp932::mapString(cp932::MapHalfWidth, m_reading);
    // The mappings return at most 1,024 bytes; a double-byte character that does not fit is dropped whole.
    return HeadStrB(half, 1024);
}

void TxEdit::setKana(const QString& reading) {
    if (!reading.isEmpty())
        m_reading = reading;
}

bool TxEdit::leftMovesOut() const {
    int start = hasSelectedText() ? selectionStart() : cursorPosition();
    qsizetype len = selectedText().size();
    return start == 0 && (len == 0 || len == text().size());
}

bool TxEdit::rightMovesOut() const {
    return selectedText().size() == text().size();
}

void TxEdit::keyPressEvent(QKeyEvent* e) {
    if (wantsArrow(e)) {
        int key = e->key();
        bool horizontal = key == Qt::Key_Left || key == Qt::Key_Right;
        bool moves = !horizontal || (key == Qt::Key_Left ? leftMovesOut() : rightMovesOut());
        // Without a parent form only the horizontal arrows are swallowed; Up and Down go on to the edit.
        if (moves && (hasParentForm() || horizontal)) {
            e->accept();
            selectNextControl(keynav::movesForward(key));
            return;
        }
    } else if (wantsEnter(e) && hasParentForm()) {
        e->accept();
        selectNextControl(true);
        return;
    }
    if (pasteBlocked() && e->matches(QKeySequence::Paste)) {
        e->accept();
        return;
    }
    // X11 gives the Delete key the text 127; like the control characters it types nothing.
    if (m_capturing) {
        for (QChar c : e->text())
            if (c.unicode() >= 32 && c.unicode() != 127)
                m_reading += c;
    }
    QLineEdit::keyPressEvent(e);
}

void TxEdit::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    switch (m_cursorPos) {
    case cpAllSel:
        selectAll();
        break;
    case cpLeft:
        setCursorPosition(0);
        break;
    case cpRight:
        setCursorPosition(int(text().size()));
        break;
    }
    m_reading.clear();
    m_pendingReading.clear();
    m_capturing = m_kanaSw;
}

void TxEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    m_capturing = false;
}

// Qt's input methods hand over no separate reading: the reading of a finished composition is the
// committed text when that is kana, else the last kana preedit shown before the conversion.
void TxEdit::inputMethodEvent(QInputMethodEvent* e) {
    if (m_capturing) {
        if (!e->commitString().isEmpty()) {
            m_reading += isReading(e->commitString()) ? e->commitString() : m_pendingReading;
            m_pendingReading.clear();
        } else if (!e->preeditString().isEmpty() && isReading(e->preeditString())) {
            m_pendingReading = e->preeditString();
        }
    }
    QLineEdit::inputMethodEvent(e);
}

// The right button opens the edit menu and the middle button pastes the X11 selection: both are paste
// paths that a code field refuses.
void TxEdit::mousePressEvent(QMouseEvent* e) {
    if (pasteBlocked() && (e->button() == Qt::RightButton || e->button() == Qt::MiddleButton)) {
        e->accept();
        return;
    }
    QLineEdit::mousePressEvent(e);
}

void TxEdit::mouseReleaseEvent(QMouseEvent* e) {
    if (pasteBlocked() && (e->button() == Qt::RightButton || e->button() == Qt::MiddleButton)) {
        e->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(e);
}

void TxEdit::contextMenuEvent(QContextMenuEvent* e) {
    if (pasteBlocked()) {
        e->accept();
        return;
    }
    QLineEdit::contextMenuEvent(e);
}

void TxEdit::dragEnterEvent(QDragEnterEvent* e) {
    if (pasteBlocked()) {
        e->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(e);
}

void TxEdit::dropEvent(QDropEvent* e) {
    if (pasteBlocked()) {
        e->ignore();
        return;
    }
    QLineEdit::dropEvent(e);
}

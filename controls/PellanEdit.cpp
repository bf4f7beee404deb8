#include "controls/PellanEdit.h"
#include "controls/ByteLengthValidator.h"
#include "controls/SafeCall.h"
#include "core/uAccFunction2.h"
#include "platform/Cp932.h"
#include "platform/Cp932Map.h"
#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

namespace {

// Text that can stand as its own reading: kana, the prolonged sound mark, letters, digits and signs in
// either width. A commit holding anything else (kanji) brings no reading with it.
bool isKanaText(const QString& text) {
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        const bool kana = (c >= 0x3041 && c <= 0x30FF) || (c >= 0xFF61 && c <= 0xFF9F);
        const bool sign = (c >= 0x20 && c <= 0x7E) || (c >= 0xFF01 && c <= 0xFF5E) || c == 0x3000 ||
                          (c >= 0x3001 && c <= 0x3003);
        if (!kana && !sign)
            return false;
    }
    return true;
}

// A character whose CP932 form begins with the byte 130 (0x82): hiragana, full-width letters and
// digits. Typed as two bytes, its first one resets the result set as Backspace does.
bool leadsWith130(QChar c) {
    const QByteArray b = cp932::encodeLossy(QString(c));
    return b.size() == 2 && quint8(b[0]) == 0x82;
}

constexpr QChar kNul;

} // namespace

TPellanEdit::TPellanEdit(QWidget* parent) : KeyNavigating<QLineEdit>(parent) {
    setKeyStyles(ksEnter);
    new TByteLengthValidator(this, [this] { return m_textLimit; });
    connect(this, &QLineEdit::textChanged, this, [this](const QString&) {
        if (m_formatting)
            return;
        if (m_inBaseKey)
            m_changedInKey = true;
        else
            guarded([&] { textChangeHandling(); });
    });
    applyBackground();
}

void TPellanEdit::setAlignment(TAlignment a) {
    m_alignment = a;
    const Qt::Alignment h = a == taRightJustify ? Qt::AlignRight
                            : a == taCenter     ? Qt::AlignHCenter
                                                : Qt::AlignLeft;
    QLineEdit::setAlignment(h | Qt::AlignVCenter);
}

void TPellanEdit::setBrush(const QBrush& brush) {
    m_brush = brush;
    applyBackground();
}

void TPellanEdit::setTransparent(bool on) {
    m_transparent = on;
    m_brush.setStyle(on ? Qt::NoBrush : Qt::SolidPattern);
    applyBackground();
}

void TPellanEdit::applyBackground() {
    QPalette pal = palette();
    pal.setBrush(QPalette::Base, m_brush.style() == Qt::NoBrush ? QBrush(Qt::transparent) : m_brush);
    setPalette(pal);
    update();
}

void TPellanEdit::setImeMode(TxEdit::TImeMode m) {
    m_imeMode = m;
    setAttribute(Qt::WA_InputMethodEnabled, m != TxEdit::imDisable);
}

void TPellanEdit::setComma(bool on) {
    if (on == m_comma)
        return;
    m_comma = on;
    if (!on)
        m_textLimit = m_maxLength;
}

void TPellanEdit::setMaxLength(int n) {
    m_maxLength = std::max(0, n);
    m_textLimit = m_maxLength;
}

int TPellanEdit::digitLength(const QString& text) const {
    return int(cp932::byteLength(m_comma ? QString(text).remove(u',') : text));
}

int TPellanEdit::caretPos() const {
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

Money TPellanEdit::Curr() const {
    return StrToCurrSafe(QString(text()).remove(u','));
}

void TPellanEdit::setCurr(Money value) {
    setTextKeepingLimit(formats() ? FormatFloatText(m_outputFormat, value.toString()) : value.toString());
}

// Program-set text is never cut by the limit; the limit follows the separators it shows.
void TPellanEdit::setTextKeepingLimit(const QString& text) {
    if (m_maxLength > 0)
        m_textLimit = m_maxLength + CommaCount(text);
    setText(text);
}

void TPellanEdit::applyOutputFormat() {
    if (!formats() || (m_allowBlank && text().isEmpty()))
        return;
    setTextKeepingLimit(FormatFloatText(m_outputFormat, QString(text()).remove(u',')));
}

void TPellanEdit::textChangeHandling() {
    if (m_comma && m_keyDownMark) {
        m_keyDownMark = false;
        int caret = caretPos();
        const qsizetype n = text().size();
        const int c1 = CommaCount(text());
        m_formatting = true;
        applyOutputFormat();
        m_formatting = false;
        const int c2 = CommaCount(text());
        if (n == 0 || c2 > c1)
            ++caret;
        else if (c2 < c1)
            --caret;
        setCursorPosition(caret);
    }
    Q_EMIT OnChange();
}

void TPellanEdit::insertAtCaret(const QString& s0) {
    QString t = text();
    const int start = caretPos();
    const int c0 = CommaCount(t);
    if (hasSelectedText())
        t.remove(selectionStart(), selectedText().size());
    QString s = s0;
    if (m_maxLength > 0)
        while (!s.isEmpty() && digitLength(t.left(start) + s + t.mid(start)) > m_maxLength)
            s.chop(1);
    const QString joined = t.left(start) + s + t.mid(start);
    if (m_maxLength > 0 && digitLength(joined) >= m_maxLength) {
        m_autoNextResult |= acMaxLength;
        if (m_autoNextCtls.testFlag(acSendEnter))
            m_autoNextResult |= acSendEnter;
    }
    if (cp932::byteLength(joined) > m_textLimit && m_textLimit > 0)
        m_textLimit = int(cp932::byteLength(joined));
    setText(joined); // the text change formats it when separators are shown
    setCursorPosition(int(start + s.size() + (CommaCount(text()) - c0)));
}

bool TPellanEdit::zeroKeyActive(TZeroKey key) const {
    if (key == zkNone || m_editStyle == esNone)
        return false;
    if (key == zkDot && floatStyle())
        return false;
    if (key == zkMinus && minusStyle())
        return false;
    return true;
}

bool TPellanEdit::allowed(QChar c) const {
    if (c == u'\b' || c == u'\t' || c == QChar(27))
        return true;
    const bool digit = c >= u'0' && c <= u'9';
    switch (m_editStyle) {
    case esNumeric:
        return digit;
    case esFloat:
        return digit || c == u'.';
    case esNumericMinus:
        return digit || c == u'-';
    case esFloatMinus:
        return digit || c == u'-' || c == u'.';
    default:
        return true;
    }
}

bool TPellanEdit::keyDownRules(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    switch (e->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const bool tab = e->key() == Qt::Key_Tab;
        if (tab && mods == Qt::NoModifier) {
            if (m_autoNextCtls.testFlag(acTabKey))
                return false; // the character rules report it
            selectNextControl(true);
            return true;
        }
        if (mods == Qt::ShiftModifier) {
            selectNextControl(false);
            return true;
        }
        return false;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (KeyStyles().testFlag(ksEnter) && hasParentForm()) {
            selectNextControl(true);
            return true;
        }
        return false;
    case Qt::Key_Up:
        if (KeyStyles().testFlag(ksUp) && hasParentForm()) {
            selectNextControl(false);
            return true;
        }
        return false;
    case Qt::Key_Down:
        if (mods == Qt::NoModifier && m_autoNextCtls.testFlag(acDownKey)) {
            m_autoNextResult |= acDownKey | acSendEnter;
            return true;
        }
        if (KeyStyles().testFlag(ksDown) && hasParentForm()) {
            selectNextControl(true);
            return true;
        }
        return false;
    case Qt::Key_Left:
        if (KeyStyles().testFlag(ksLeft) && hasParentForm() && !hasSelectedText() && cursorPosition() == 0) {
            selectNextControl(false);
            return true;
        }
        return false;
    case Qt::Key_Right:
        if (KeyStyles().testFlag(ksRight) && hasParentForm() && !hasSelectedText() &&
            cursorPosition() == text().size()) {
            selectNextControl(true);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TPellanEdit::noteTyped(QChar c) {
    if (c == u'\b' || c == QChar(27) || leadsWith130(c))
        m_autoNextResult = {};
    else if (c != u'\t')
        m_autoNextResult &= ~TAutoNextCtls(acMaxLength | acSendEnter);
}

// A character that fills the field: with acSendEnter the owner is told and the character goes on,
// otherwise it is put in and the focus moves on.
void TPellanEdit::advanceWhenFull(QChar& c, bool zeroInserted) {
    if (!m_autoNextCtls.testFlag(acMaxLength) || m_maxLength <= 0)
        return;
    const int adding = zeroInserted ? 0 : cp932::charWidth(c);
    if (adding - int(cp932::byteLength(selectedText())) + digitLength(text()) < m_maxLength)
        return;
    m_autoNextResult |= acMaxLength;
    if (m_autoNextCtls.testFlag(acSendEnter)) {
        m_autoNextResult |= acSendEnter;
        return;
    }
    if (!zeroInserted)
        insertAtCaret(QString(c));
    c = kNul;
    selectNextControl(true);
}

QChar TPellanEdit::characterRules(QChar c, const QKeyEvent* e) {
    update();
    bool navigation = c == u'\r';
    if (c == u'\t' && m_autoNextCtls.testFlag(acTabKey)) {
        navigation = true;
        if (e->modifiers() & Qt::ShiftModifier)
            c = kNul;
    }
    bool zeroInserted = false;
    if (!navigation) {
        for (auto [key, zeros] : {std::pair{m_zero2Key, u"00"}, std::pair{m_zero3Key, u"000"}}) {
            if (!c.isNull() && zeroKeyActive(key) && c == ZeroKeyChar(key)) {
                c = kNul;
                insertAtCaret(QString::fromUtf16(zeros));
                zeroInserted = true;
            }
        }
        if (m_editStyle != esNone && !c.isNull() && !allowed(c))
            c = kNul;
        if (c == u'-' && minusStyle()) {
            const Money value = Curr();
            if (!value.isZero()) {
                setText((-value).toString());
                setCursorPosition(int(text().size()));
                c = kNul;
            }
        }
        if (c == u'.' && floatStyle() && (text().isEmpty() || text().contains(u'.')))
            c = kNul;
    }
    if (c.isNull() && !zeroInserted)
        return c;
    if (c == u'\t') {
        if (m_autoNextCtls.testFlag(acTabKey))
            m_autoNextResult |= acTabKey | acSendEnter;
        return c;
    }
    noteTyped(c);
    if (c == QChar(27))
        return kNul;
    if (c == u'\r') {
        if (m_enterKeyNoBeep)
            return kNul;
        return c;
    }
    if (c != u'\b')
        advanceWhenFull(c, zeroInserted);
    return c;
}

bool TPellanEdit::event(QEvent* e) {
    // Enter and Esc belong to the field, not to the shortcuts of its window (a Cancel button's Esc).
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        const bool plain = !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (plain && (k->key() == Qt::Key_Escape || keynav::isEnterKey(k->key()))) {
            e->accept();
            return true;
        }
    }
    // Tab and Shift+Tab reach the control's own key rules instead of the focus chain.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return KeyNavigating<QLineEdit>::event(e);
}

void TPellanEdit::keyPressEvent(QKeyEvent* e) {
    guarded([&] {
        if (e->key() == 0) {
            QLineEdit::keyPressEvent(e);
            return;
        }
        const int key = e->key();
        m_keyDownMark = !(key == Qt::Key_Tab || key == Qt::Key_Backtab || keynav::isEnterKey(key) ||
                          keynav::isArrowKey(key));
        const bool taken = keyDownRules(e);
        Q_EMIT OnKeyDown(taken ? 0 : key, e->modifiers());
        if (taken) {
            e->accept();
            m_keyDownMark = false;
            return;
        }
        if (pasteBlocked() && e->matches(QKeySequence::Paste)) {
            e->accept();
            m_keyDownMark = false;
            return;
        }
        // Characters: the printable ones and Backspace, Tab, Enter and Esc; other control characters are
        // shortcuts of the edit and pass as keys.
        const QString typed = e->text();
        QChar c = typed.size() == 1 ? typed[0] : kNul;
        const bool character =
            !c.isNull() && c != QChar(127) &&
            (c.unicode() >= 32 || c == u'\b' || c == u'\t' || c == u'\r' || c == QChar(27));
        if (character) {
            if (m_kanaMode != kmNone && c.unicode() >= 32)
                appendReading(QString(c));
            c = characterRules(c, e);
            Q_EMIT OnKeyPress(c);
            // Enter, Tab and Esc stay with the control: the dialog around it never sees them.
            if (c.isNull() || c == u'\t' || c == u'\r' || c == QChar(27)) {
                e->accept();
                m_keyDownMark = false;
                return;
            }
        }
        m_inBaseKey = true;
        m_changedInKey = false;
        QLineEdit::keyPressEvent(e);
        m_inBaseKey = false;
        if (m_changedInKey)
            textChangeHandling();
        m_keyDownMark = false;
    });
    m_inBaseKey = false;
}

void TPellanEdit::appendReading(const QString& reading) {
    const quint32 flags = cp932::MapKatakana | (m_kanaMode == kmHankaku ? quint32(cp932::MapHalfWidth) : 0u);
    // The reading buffer of the locale mappings holds 1,024 bytes.
    m_kana = HeadStrB(cp932::mapString(flags, m_kana + reading), 1024);
}

void TPellanEdit::inputMethodEvent(QInputMethodEvent* e) {
    guarded([&] {
        const bool composing = !e->preeditString().isEmpty();
        QString commit = e->commitString();
        if ((composing || !commit.isEmpty()) && !m_imeOn) {
            m_imeOn = true;
            Q_EMIT OnImeStatusChange();
        }
        if (m_editStyle != esNone)
            commit.removeIf(
                [this](QChar c) { return !allowed(c) || c == u'\b' || c == u'\t' || c == QChar(27); });
        if (commit != e->commitString()) {
            QInputMethodEvent filtered(e->preeditString(), e->attributes());
            filtered.setCommitString(commit, e->replacementStart(), e->replacementLength());
            QLineEdit::inputMethodEvent(&filtered);
        } else {
            QLineEdit::inputMethodEvent(e);
        }
        if (!commit.isEmpty()) {
            if (m_kanaMode != kmNone && isKanaText(commit))
                appendReading(commit);
            noteTyped(commit.front());
        }
        if (m_imeOn && !composing) {
            m_imeOn = false;
            Q_EMIT OnImeStatusChange();
        }
    });
}

void TPellanEdit::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    guarded([&] {
        m_autoNextResult = {};
        if (formats() && !m_comma) {
            // Digits only while editing; the limit counts them alone again.
            m_textLimit = m_maxLength;
            setText(QString(text()).remove(u','));
            selectAll();
        }
    });
}

void TPellanEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    guarded([&] {
        applyOutputFormat();
        m_autoNextResult = {};
    });
}

// The right button and the X11 middle-button paste are refused in a code field, as the paste key is.
void TPellanEdit::mousePressEvent(QMouseEvent* e) {
    if (pasteBlocked() && (e->button() == Qt::RightButton || e->button() == Qt::MiddleButton)) {
        e->accept();
        return;
    }
    QLineEdit::mousePressEvent(e);
}

void TPellanEdit::contextMenuEvent(QContextMenuEvent* e) {
    if (pasteBlocked()) {
        e->accept();
        return;
    }
    QLineEdit::contextMenuEvent(e);
}

void TPellanEdit::enterEvent(QEnterEvent* e) {
    QLineEdit::enterEvent(e);
    guarded([&] {
        Q_EMIT OnMouseEnter(QGuiApplication::keyboardModifiers(), QGuiApplication::mouseButtons(),
                            mapFromGlobal(QCursor::pos()));
    });
}

void TPellanEdit::leaveEvent(QEvent* e) {
    QLineEdit::leaveEvent(e);
    guarded([&] {
        Q_EMIT OnMouseLeave(QGuiApplication::keyboardModifiers(), QGuiApplication::mouseButtons(),
                            mapFromGlobal(QCursor::pos()));
    });
}

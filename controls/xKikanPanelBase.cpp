#include "controls/xKikanPanelBase.h"
#include "controls/SafeCall.h"
#include "core/uAccDateCmp.h"
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

TKikanButton::TKikanButton(TxKikanPanelBase* panel, int tag) : QWidget(panel), m_panel(panel), m_tag(tag) {
    setObjectName(QStringLiteral("No%1").arg(tag + 1));
    setFocusPolicy(Qt::NoFocus);
}

void TKikanButton::setCaption(const QString& caption) {
    if (m_caption == caption)
        return;
    m_caption = caption;
    update();
}

void TKikanButton::setColors(TColor back, TColor font) {
    if (m_back == back && m_font == font)
        return;
    m_back = back;
    m_font = font;
    update();
}

void TKikanButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), toQColor(m_back, palette()));
    p.setPen(toQColor(m_font, palette()));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_caption);
}

void TKikanButton::mousePressEvent(QMouseEvent* e) {
    guarded([&] { m_panel->ButtonMouseDown(this, e); });
}

void TKikanButton::mouseMoveEvent(QMouseEvent* e) {
    guarded([&] {
        if (m_panel->m_trackMoves)
            m_panel->ButtonMouseMove(this, e);
    });
}

void TKikanButton::mouseReleaseEvent(QMouseEvent* e) {
    guarded([&] { m_panel->ButtonMouseUp(this, e); });
}

// The second press of a double click is a press as well, announced after the double click.
void TKikanButton::mouseDoubleClickEvent(QMouseEvent* e) {
    guarded([&] {
        m_panel->ButtonDblClick(this);
        m_panel->ButtonMouseDown(this, e);
    });
}

TxKikanPanelBase::TxKikanPanelBase(int buttonCount, int width, QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
    setOwnBackground(clBtnFace);
    setFocusPolicy(Qt::StrongFocus);
    for (int i = 0; i < buttonCount; ++i)
        m_buttons.push_back(new TKikanButton(this, i));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    resize(width, 22);
}

// In a layout the panel keeps its designed height.
QSize TxKikanPanelBase::sizeHint() const {
    return QSize(width(), 22);
}

bool TxKikanPanelBase::slotEnabled(int i) const {
    return i >= 0 && i < buttonCount() && m_buttons[size_t(i)]->isEnabledTo(this);
}

void TxKikanPanelBase::setStno(int value) {
    if (value == m_stno)
        return;
    m_stno = value;
    m_anchor = m_stno;
    UpdateColors();
}

void TxKikanPanelBase::setEdno(int value) {
    if (value == m_edno)
        return;
    m_edno = value;
    m_moving = m_edno;
    UpdateColors();
}

void TxKikanPanelBase::setBackColor(TColor c) {
    if (c == m_backColor)
        return;
    m_backColor = c;
    UpdateColors();
}

void TxKikanPanelBase::setFontColor(TColor c) {
    if (c == m_fontColor)
        return;
    m_fontColor = c;
    UpdateColors();
}

void TxKikanPanelBase::setKikanMove(bool on) {
    if (on == m_kikanMove)
        return;
    m_kikanMove = on;
    if (!on) {
        m_edno = m_stno;
        m_anchor = m_moving = m_stno;
    }
    UpdateColors();
}

void TxKikanPanelBase::setKakuteiMode(bool on) {
    if (on == m_kakuteiMode)
        return;
    m_kakuteiMode = on;
    UpdateColors();
}

void TxKikanPanelBase::setKakuteiMNo(int n) {
    if (n == m_kakuteiMNo)
        return;
    m_kakuteiMNo = n;
    UpdateColors();
}

void TxKikanPanelBase::setKakuteiBackColor(TColor c) {
    if (c == m_kakuteiBackColor)
        return;
    m_kakuteiBackColor = c;
    UpdateColors();
}

void TxKikanPanelBase::setKakuteiFontColor(TColor c) {
    if (c == m_kakuteiFontColor)
        return;
    m_kakuteiFontColor = c;
    UpdateColors();
}

void TxKikanPanelBase::loadCalendarYear() {
    const int year = QDate::currentDate().year();
    SetKikan(99, TDateTime::fromDate(year, 1, 1), TDateTime::fromDate(year, 12, 31),
             TDateTime::fromDate(year, 1, 1));
}

int TxKikanPanelBase::monthOffset(int closingDay, TDateTime start, TDateTime date) {
    if (!(closingDay >= 1 && closingDay <= 28) && closingDay != 99)
        QApplication::beep();
    return MonthsBetween(closingDay, start, date);
}

int TxKikanPanelBase::monthOfYear(int closingDay, TDateTime start, TDateTime date) {
    const int n = monthOffset(closingDay, start, date);
    return n < 0 || n > 11 ? 11 : n;
}

int TxKikanPanelBase::closingMonth(int closingDay, TDateTime start, int months) {
    return ClosingDayDate(months, closingDay, start).toDate().month();
}

void TxKikanPanelBase::setSlot(int i, bool enabled, const QString& caption, TColor back, TColor font) {
    TKikanButton* b = m_buttons[size_t(i)];
    b->setEnabled(enabled);
    b->setCaption(caption);
    b->setColors(back, font);
}

void TxKikanPanelBase::paintUnselected(int i) {
    TKikanButton* b = m_buttons[size_t(i)];
    if (hasConfirmedColors() && m_kakuteiMode && i < m_kakuteiMNo)
        b->setColors(m_kakuteiBackColor, m_kakuteiFontColor);
    else
        b->setColors(clBtnFace, clWindowText);
}

void TxKikanPanelBase::paintSelected(int i) {
    m_buttons[size_t(i)]->setColors(m_backColor, m_fontColor);
}

void TxKikanPanelBase::paintTracking() {
    const int lo = std::min(m_anchor, m_moving);
    const int hi = std::max(m_anchor, m_moving);
    for (int i = 0; i < visibleButtonCount(); ++i) {
        if (i >= lo && i <= hi)
            paintSelected(i);
        else
            paintUnselected(i);
    }
}

void TxKikanPanelBase::UpdateColors() {
    for (int i = 0; i < visibleButtonCount(); ++i) {
        const bool inRange = i >= m_stno && i <= m_edno;
        if (isEnabled()) {
            if (inRange)
                paintSelected(i);
            else
                paintUnselected(i);
        } else {
            m_buttons[size_t(i)]->setColors(inRange ? disabledSelectionColor() : clBtnFace, clGray);
        }
    }
    update();
}

void TxKikanPanelBase::layoutButtons() {
    const int n = visibleButtonCount();
    const int btnWidth = std::max(0, (width() - 8) / n);
    const int surplus = width() - (n * btnWidth + 8);
    const int btnHeight = std::max(0, height() - 6);
    int left = 4;
    for (int i = 0; i < buttonCount(); ++i) {
        TKikanButton* b = m_buttons[size_t(i)];
        const int w = i < surplus ? btnWidth + 1 : btnWidth;
        b->setGeometry(left, 3, i < n ? w : 0, btnHeight);
        if (i < n)
            left += w;
    }
    UpdateColors();
}

void TxKikanPanelBase::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    const int n = visibleButtonCount();
    const int snapped = std::max(0, (width() - 8) / n) * n + 8;
    if (snapped != width())
        resize(snapped, height());
    layoutButtons();
}

void TxKikanPanelBase::changeEvent(QEvent* e) {
    QFrame::changeEvent(e);
    if (e->type() == QEvent::EnabledChange)
        UpdateColors();
}

void TxKikanPanelBase::setOwnBackground(TColor c) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQColor(c, pal));
    setPalette(pal);
}

void TxKikanPanelBase::raiseMouseUpFromKeys() {
    Q_EMIT OnMouseUp(Qt::LeftButton, Qt::NoModifier, Qt::LeftButton, QPoint(0, 0));
}

void TxKikanPanelBase::focusNeighbour(bool next) {
    if (parentWidget())
        QWidget::focusNextPrevChild(next);
}

void TxKikanPanelBase::ButtonDblClick(TKikanButton*) {
    Q_EMIT OnDblClick();
}

void TxKikanPanelBase::ButtonMouseDown(TKikanButton* sender, QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        const int tag = sender->tag();
        if (tag > lastClickSlot()) {
            m_anchor = m_stno;
            m_moving = m_edno;
        } else {
            m_anchor = m_moving = tag;
            m_drag = true;
            paintTracking();
        }
    }
    Q_EMIT OnMouseDown(e->button(), e->modifiers(), e->buttons(), e->position().toPoint());
}

void TxKikanPanelBase::ButtonMouseMove(TKikanButton*, QMouseEvent* e) {
    if (!m_kikanMove || !m_drag)
        return;
    // The pressed slot keeps the mouse while the button is held: find the slot under the pointer.
    QWidget* under = childAt(mapFromGlobal(e->globalPosition().toPoint()));
    auto* slot = qobject_cast<TKikanButton*>(under);
    if (slot && slot->isEnabledTo(this) && slot->isVisibleTo(this))
        m_moving = slot->tag();
    paintTracking();
}

void TxKikanPanelBase::ButtonMouseUp(TKikanButton*, QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    m_drag = false;
    m_stno = std::min(m_anchor, m_moving);
    m_edno = std::max(m_anchor, m_moving);
    UpdateColors();
    Q_EMIT OnMouseUp(e->button(), e->modifiers(), e->buttons(), e->position().toPoint());
}

// A click on a disabled slot or on the frame reaches the panel itself, as its own mouse event.
void TxKikanPanelBase::mousePressEvent(QMouseEvent* e) {
    guarded([&] { Q_EMIT OnMouseDown(e->button(), e->modifiers(), e->buttons(), e->position().toPoint()); });
}

void TxKikanPanelBase::mouseReleaseEvent(QMouseEvent* e) {
    guarded([&] { Q_EMIT OnMouseUp(e->button(), e->modifiers(), e->buttons(), e->position().toPoint()); });
}

void TxKikanPanelBase::mouseDoubleClickEvent(QMouseEvent* e) {
    guarded([&] {
        Q_EMIT OnDblClick();
        Q_EMIT OnMouseDown(e->button(), e->modifiers(), e->buttons(), e->position().toPoint());
    });
}

void TxKikanPanelBase::moveByKey(int dir, bool extend) {
    const int first = firstKeySlot();
    const int last = lastKeySlot();
    auto canStep = [&](int pos) { return dir < 0 ? pos > first : pos < last; };
    if (m_kikanMove && extend) {
        if (keysStayInBounds())
            m_moving = std::clamp(m_moving + dir, first, last);
        else if (canStep(m_moving))
            m_moving += dir;
    } else {
        if (keysStayInBounds()) {
            m_anchor = std::clamp(m_anchor + dir, first, last);
            m_moving = m_anchor;
        } else if (canStep(m_anchor)) {
            m_anchor += dir;
            m_moving = m_anchor;
        }
    }
    // Until Shift is released the pair may stand in reverse order.
    m_stno = m_anchor;
    m_edno = m_moving;
    paintTracking();
}

void TxKikanPanelBase::keyPressEvent(QKeyEvent* e) {
    guarded([&] {
        const bool onlyShift = (e->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier;
        switch (e->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
            m_kbdMouse = true;
            moveByKey(e->key() == Qt::Key_Left ? -1 : 1, onlyShift);
            break;
        case Qt::Key_Up:
            focusNeighbour(false);
            break;
        case Qt::Key_Down:
            // The panel leaves Down to its form, whose arrow handling moves to the next control.
            focusNeighbour(true);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (enterClearsKbdMouse())
                m_kbdMouse = false;
            raiseMouseUpFromKeys();
            focusNeighbour(true);
            break;
        default:
            QFrame::keyPressEvent(e);
            return;
        }
        e->accept();
    });
}

void TxKikanPanelBase::keyReleaseEvent(QKeyEvent* e) {
    guarded([&] {
        if (e->key() == Qt::Key_Shift && !e->isAutoRepeat()) {
            m_stno = std::min(m_anchor, m_moving);
            m_edno = std::max(m_anchor, m_moving);
            UpdateColors();
        }
        QFrame::keyReleaseEvent(e);
    });
}

void TxKikanPanelBase::focusInEvent(QFocusEvent* e) {
    QFrame::focusInEvent(e);
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    m_kbdMouse = false;
    setOwnBackground(clGray);
    m_trackMoves = true;
}

void TxKikanPanelBase::focusOutEvent(QFocusEvent* e) {
    QFrame::focusOutEvent(e);
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    guarded([&] {
        setOwnBackground(clBtnFace);
        m_trackMoves = false;
        if (m_kbdMouse) {
            raiseMouseUpFromKeys();
            m_kbdMouse = false;
        }
    });
}

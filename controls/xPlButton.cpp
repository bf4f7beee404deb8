#include "controls/xPlButton.h"
#include "controls/SafeCall.h"
#include "controls/xKeyStyles.h"
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QShortcut>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <qdrawutil.h>

void TxPlBtnCaption::refresh() {
    if (m_owner)
        m_owner->refresh();
}

void TxPlBtnCaption::setCaption(const QString& c) {
    if (m_owner && this == &m_owner->m_captionA)
        m_owner->m_captionAssigned = true;
    if (c == m_caption)
        return;
    m_caption = c;
    refresh();
}

void TxPlBtnCaption::setAlignment(TxPlBtnAlignment a) {
    if (a == m_alignment)
        return;
    m_alignment = a;
    refresh();
}

void TxPlBtnCaption::setLeft(int v) {
    if (v == m_left)
        return;
    m_left = v;
    refresh();
}

void TxPlBtnCaption::setRight(int v) {
    if (v == m_right)
        return;
    m_right = v;
    refresh();
}

void TxPlBtnCaption::assign(const TxPlBtnCaption& other) {
    if (&other == this)
        return;
    if (m_owner && this == &m_owner->m_captionA)
        m_owner->m_captionAssigned = true;
    m_alignment = other.m_alignment;
    m_caption = other.m_caption;
    m_left = other.m_left;
    m_right = other.m_right;
    refresh();
}

void TxPlBtnImage::refresh() {
    if (m_owner)
        m_owner->refresh();
}

QSize TxPlBtnImage::pictureSize() const {
    switch (m_kind) {
    case Bitmap:
        return m_bitmap.size();
    case Icon: {
        const QList<QSize> sizes = m_icon.availableSizes();
        return sizes.isEmpty() ? QSize(32, 32) : sizes.first();
    }
    case None:
        break;
    }
    return {};
}

void TxPlBtnImage::setPicture(const QPixmap& bitmap) {
    m_icon = QIcon();
    m_bitmap = bitmap;
    m_kind = bitmap.isNull() ? None : Bitmap;
    refresh();
}

void TxPlBtnImage::setPicture(const QIcon& icon) {
    m_bitmap = QPixmap();
    m_icon = icon;
    m_kind = icon.isNull() ? None : Icon;
    refresh();
}

void TxPlBtnImage::clearPicture() {
    m_bitmap = QPixmap();
    m_icon = QIcon();
    m_kind = None;
    refresh();
}

void TxPlBtnImage::setLeft(int v) {
    if (v == m_left)
        return;
    m_left = v;
    m_horzCenter = false;
    refresh();
}

void TxPlBtnImage::setTop(int v) {
    if (v == m_top)
        return;
    m_top = v;
    m_vertCenter = false;
    refresh();
}

void TxPlBtnImage::setTransParent(bool on) {
    if (on == m_transparent)
        return;
    m_transparent = on;
    refresh();
}

void TxPlBtnImage::setVisible(bool on) {
    if (on == m_visible)
        return;
    m_visible = on;
    refresh();
}

void TxPlBtnImage::setVertCenter(bool on) {
    if (on == m_vertCenter)
        return;
    m_vertCenter = on;
    if (on)
        refresh();
}

void TxPlBtnImage::setHorzCenter(bool on) {
    if (on == m_horzCenter)
        return;
    m_horzCenter = on;
    if (on)
        refresh();
}

void TxPlBtnImage::assign(const TxPlBtnImage& other) {
    if (&other == this)
        return;
    m_kind = other.m_kind;
    m_bitmap = other.m_bitmap;
    m_icon = other.m_icon;
    m_left = other.m_left;
    m_top = other.m_top;
    m_transparent = other.m_transparent;
    m_visible = other.m_visible;
    m_vertCenter = other.m_vertCenter;
    m_horzCenter = other.m_horzCenter;
}

TxPlButton::TxPlButton(QWidget* parent) : QWidget(parent) {
    resize(75, 26);
    updateFocusPolicy();
}

TxPlButton::~TxPlButton() = default;

void TxPlButton::setButtonStyle(TxPlButtonStyle s) {
    if (s != m_style) {
        m_style = s;
        updateRegion();
    }
    refresh();
}

void TxPlButton::setCancel(bool on) {
    m_cancel = on;
    updateCancelShortcut();
}

void TxPlButton::setCaptionLineSpace(int v) {
    if (v == m_lineSpace)
        return;
    m_lineSpace = v;
    refresh();
}

void TxPlButton::setCaptionTop(int v) {
    if (v != m_captionTop)
        m_captionTop = v;
    m_captionVertCenter = false;
    refresh();
}

void TxPlButton::setCaptionVertCenter(bool on) {
    if (on == m_captionVertCenter)
        return;
    m_captionVertCenter = on;
    if (on)
        refresh();
}

void TxPlButton::setFlatFrameType(TxPlBtnFrameType t) {
    if (t == m_frameType)
        return;
    m_frameType = t;
    refresh();
}

void TxPlButton::setGradation(bool on) {
    if (on == m_gradation)
        return;
    m_gradation = on;
    refresh();
}

void TxPlButton::setGradBeginColor(TColor c) {
    if (c == m_gradBegin)
        return;
    m_gradBegin = c;
    refresh();
}

void TxPlButton::setGradEndColor(TColor c) {
    if (c == m_gradEnd)
        return;
    m_gradEnd = c;
    refresh();
}

void TxPlButton::setColor(TColor c) {
    m_color = c;
    refresh();
}

void TxPlButton::setHasFocus(bool on) {
    if (on == m_hasFocus)
        return;
    m_hasFocus = on;
    updateCancelShortcut();
    refresh();
}

void TxPlButton::setTabStop(bool on) {
    m_tabStop = on;
    updateFocusPolicy();
}

void TxPlButton::setImage(const TxPlBtnImage& i) {
    m_image.assign(i);
    refresh();
}

// Tab reaches the button when it is a tab stop; a mouse press focuses it itself when HasFocus is set.
void TxPlButton::updateFocusPolicy() {
    setFocusPolicy(m_tabStop ? Qt::TabFocus : Qt::NoFocus);
}

void TxPlButton::updateRegion() {
    if (m_style == bsRoundRect || m_style == bsRoundRectNoFrame) {
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, width() + 1, height() + 1), 5, 5);
        setMask(QRegion(path.toFillPolygon().toPolygon()));
    } else {
        clearMask();
    }
}

// Esc clicks the button only while it has the Cancel role and HasFocus; otherwise Esc goes on to the
// form as usual.
void TxPlButton::updateCancelShortcut() {
    bool wanted = m_cancel && m_hasFocus;
    if (wanted && !m_escape) {
        m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        m_escape->setContext(Qt::WindowShortcut);
        connect(m_escape, &QShortcut::activated, this, [this] {
            if (isEnabled() && isVisible())
                click();
        });
    } else if (!wanted && m_escape) {
        delete m_escape;
        m_escape = nullptr;
    }
}

void TxPlButton::click() {
    m_pressed = false;
    QPointer<TxPlButton> self(this);
    QPointer<QDialog> dialog = qobject_cast<QDialog*>(window());
    const int result = m_modalResult;
    if (dialog)
        dialog->setResult(result);
    guarded([this] { Q_EMIT clicked(); });
    if (dialog && result != 0 && dialog->isModal() && dialog->isVisible() && dialog->result() == result)
        dialog->done(result);
    if (self)
        update();
}

bool TxPlButton::event(QEvent* e) {
    // A button that was given no caption shows its name, as a freshly placed one does.
    if (e->type() == QEvent::Polish && !m_captionNamed) {
        m_captionNamed = true;
        if (!m_captionAssigned && m_captionA.Caption().isEmpty())
            m_captionA.m_caption = objectName();
    }
    return QWidget::event(e);
}

void TxPlButton::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (m_style == bsRoundRect || m_style == bsRoundRectNoFrame) {
        updateRegion();
        refresh();
    }
}

void TxPlButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        if (m_hasFocus)
            setFocus(Qt::MouseFocusReason);
        m_pressed = true;
        m_mouseDown = true;
        m_mouseInside = true;
        update();
        e->accept();
        return;
    }
    QWidget::mousePressEvent(e);
}

void TxPlButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        bool wasDown = m_mouseDown;
        m_mouseDown = false;
        m_pressed = false;
        update();
        e->accept();
        if (wasDown && rect().contains(e->position().toPoint()))
            click();
        return;
    }
    QWidget::mouseReleaseEvent(e);
}

// While the button is held, leaving and re-entering it drops and restores the pressed look.
void TxPlButton::mouseMoveEvent(QMouseEvent* e) {
    if (m_mouseDown) {
        QPoint pos = e->position().toPoint();
        bool inside = rect().contains(pos);
        if (inside && !m_mouseInside)
            mouseEntered(pos);
        else if (!inside && m_mouseInside)
            mouseLeft(pos);
    }
    QWidget::mouseMoveEvent(e);
}

void TxPlButton::enterEvent(QEnterEvent* e) {
    QWidget::enterEvent(e);
    if (!m_mouseInside)
        mouseEntered(e->position().toPoint());
}

void TxPlButton::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    if (m_mouseInside)
        mouseLeft(mapFromGlobal(QCursor::pos()));
}

void TxPlButton::mouseEntered(QPoint pos) {
    m_mouseInside = true;
    if (OnMouseEnter)
        guarded([&] {
            OnMouseEnter(this, QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons(),
                         pos);
        });
    if (m_mouseDown) {
        m_pressed = true;
        update();
    }
}

void TxPlButton::mouseLeft(QPoint pos) {
    m_mouseInside = false;
    if (OnMouseLeave)
        guarded([&] {
            OnMouseLeave(this, QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons(),
                         pos);
        });
    m_pressed = false;
    update();
}

void TxPlButton::keyPressEvent(QKeyEvent* e) {
    // Space presses the focused button and releasing it clicks, as with every push button.
    if (e->key() == Qt::Key_Space &&
        !(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
        e->accept();
        if (!e->isAutoRepeat() && isEnabled()) {
            m_spacePressed = true;
            m_pressed = true;
            update();
        }
        return;
    }
    if (keynav::isEnterKey(e->key())) {
        bool plain = !(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
        // Enter on the focused button is the form's dialog key: a click with the modal result.
        if (plain && m_hasFocus && hasFocus()) {
            e->accept();
            click();
            return;
        }
        if (isEnabled()) {
            e->accept();
            guarded([this] { Q_EMIT clicked(); });
            return;
        }
    }
    QWidget::keyPressEvent(e);
}

void TxPlButton::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Space && !e->isAutoRepeat() && m_spacePressed) {
        m_spacePressed = false;
        e->accept();
        if (isEnabled())
            click();
        else
            m_pressed = false;
        return;
    }
    if (keynav::isEnterKey(e->key())) {
        m_pressed = false;
        update();
    }
    QWidget::keyReleaseEvent(e);
}

void TxPlButton::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    update();
}

void TxPlButton::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    if (m_spacePressed) {
        m_spacePressed = false;
        m_pressed = false;
    }
    update();
}

void TxPlButton::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::EnabledChange || e->type() == QEvent::PaletteChange ||
        e->type() == QEvent::FontChange)
        update();
}

void TxPlButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int H = height();
    if (m_gradation)
        drawGradient(p);
    else
        p.fillRect(rect(), toQColor(m_color, palette()));
    drawImage(p);

    p.setFont(font());
    const int h = QFontMetrics(font()).height();
    const bool hasA = !m_captionA.Caption().isEmpty();
    int top;
    if (m_captionVertCenter) {
        top = !m_captionB.Caption().isEmpty() ? (H - 2 * h - m_lineSpace) / 2 : (H - h) / 2 + 1;
        m_captionTop = top;
    } else {
        top = m_captionTop;
    }
    drawCaption(p, m_captionA, top);
    int top2;
    if (m_captionVertCenter) {
        if (hasA) {
            top2 = top + h + m_lineSpace;
        } else {
            top2 = (H - h) / 2;
            m_captionTop = top2;
        }
    } else {
        top2 = m_captionTop + (hasA ? h + m_lineSpace : 0);
    }
    drawCaption(p, m_captionB, top2);

    drawFrame(p);
    if (hasFocus() && m_hasFocus)
        drawFocusMark(p);
}

void TxPlButton::drawGradient(QPainter& p) {
    const QColor b = toQColor(m_gradBegin, palette());
    const QColor e = toQColor(m_gradEnd, palette());
    const int H = height(), W = width();
    if (H <= 1) {
        p.setPen(b);
        p.drawLine(0, 0, W - 1, 0);
        return;
    }
    for (int i = 0; i < H; ++i) {
        QColor c(b.red() + (e.red() - b.red()) * i / (H - 1),
                 b.green() + (e.green() - b.green()) * i / (H - 1),
                 b.blue() + (e.blue() - b.blue()) * i / (H - 1));
        p.setPen(c);
        p.drawLine(0, i, W - 1, i);
    }
}

void TxPlButton::drawImage(QPainter& p) {
    if (!m_image.m_visible || m_image.isEmpty())
        return;
    const int off = (m_pressed && m_hasFocus) ? 1 : 0;
    const QSize size = m_image.pictureSize();
    // The stored position follows the centring.
    if (m_image.m_vertCenter)
        m_image.m_top = (height() - size.height()) / 2;
    if (m_image.m_horzCenter)
        m_image.m_left = (width() - size.width()) / 2;
    const bool disabledLook = !isEnabled() && m_hasFocus;
    QPixmap pm;
    if (m_image.m_kind == TxPlBtnImage::Bitmap) {
        pm = m_image.m_bitmap;
        if (m_image.m_transparent) {
            // The colour of the bottom-left pixel is the transparent one; no pressed offset.
            QImage img = pm.toImage();
            pm.setMask(pm.createMaskFromColor(img.pixelColor(0, img.height() - 1), Qt::MaskInColor));
            p.drawPixmap(m_image.m_left, m_image.m_top, pm);
            return;
        }
        if (disabledLook) {
            QStyleOption opt;
            opt.initFrom(this);
            pm = style()->generatedIconPixmap(QIcon::Disabled, pm, &opt);
        }
    } else {
        pm = m_image.m_icon.pixmap(size, disabledLook ? QIcon::Disabled : QIcon::Normal);
    }
    p.drawPixmap(m_image.m_left + off, m_image.m_top + off, pm);
}

void TxPlButton::drawCaption(QPainter& p, const TxPlBtnCaption& c, int y) {
    const QString text = c.Caption();
    if (text.isEmpty())
        return;
    const QFontMetrics fm(p.font());
    const int W = width();
    const int n = int(std::count_if(text.begin(), text.end(), [](QChar ch) { return !ch.isLowSurrogate(); }));
    TxPlBtnAlignment align = c.Alignment();
    if (align == taEven && n == 1)
        align = taCenter;
    int x = 0;
    switch (align) {
    case taLeft:
    case taEven:
        x = c.Left() + 2;
        break;
    case taRight:
        x = W - c.Right() - 2;
        break;
    case taCenter:
        x = W / 2;
        break;
    }
    if (m_pressed && m_hasFocus) {
        ++x;
        ++y;
    }
    auto drawAt = [&](int x0, int y0, const QColor& colour) {
        p.setPen(colour);
        const int baseline = y0 + fm.ascent();
        if (align != taEven) {
            const int w = fm.horizontalAdvance(text);
            const int left = align == taRight ? x0 - w : align == taCenter ? x0 - w / 2 : x0;
            p.drawText(left, baseline, text);
            return;
        }
        const int span = W - c.Left() - c.Right() - 4;
        const int spare = span - fm.horizontalAdvance(text);
        const int gap = spare / (n - 1);
        int rest = spare % (n - 1);
        int pos = x0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            QString ch = text.mid(i, text.at(i).isHighSurrogate() ? 2 : 1);
            i += ch.size() - 1;
            p.drawText(pos, baseline, ch);
            pos += fm.horizontalAdvance(ch) + gap;
            if (rest > 0) {
                ++pos;
                --rest;
            } else if (rest < 0) {
                --pos;
                ++rest;
            }
        }
    };
    if (isEnabled()) {
        drawAt(x, y, palette().color(QPalette::Active, QPalette::WindowText));
    } else if (m_hasFocus) {
        drawAt(x + 1, y + 1, toQColor(clBtnHighlight, palette()));
        drawAt(x, y, toQColor(clBtnShadow, palette()));
    } else {
        drawAt(x, y, toQColor(clGrayText, palette()));
    }
}

void TxPlButton::drawFrame(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    const QRect r = rect();
    switch (m_style) {
    case bsNormal:
        if (m_pressed) {
            p.setPen(toQColor(clBtnShadow, palette()));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.setPen(QColor(128, 128, 128));
            p.drawRect(r.adjusted(1, 1, -2, -2));
        } else {
            qDrawWinButton(&p, r, palette(), false, nullptr);
        }
        break;
    case bsFlat:
        if (m_frameType == bffFlat) {
            p.setPen(toQColor(clBtnShadow, palette()));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        } else {
            qDrawShadeRect(&p, r, palette(), m_frameType == bffEtched, 1, 0, nullptr);
        }
        break;
    case bsRoundRect:
        p.setPen(QPen(QColor(117, 117, 117), 1));
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
        break;
    case bsFlatNoFrame:
    case bsRoundRectNoFrame:
        break;
    }
}

void TxPlButton::drawFocusMark(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    QPen pen(QColor(32, 32, 32), 1);
    pen.setCosmetic(true);
    pen.setDashPattern({1, 1});
    p.setPen(pen);
    if (m_style == bsRoundRect || m_style == bsRoundRectNoFrame) {
        p.drawRoundedRect(QRectF(2.5, 2.5, width() - 5, height() - 5), 4, 4);
        return;
    }
    QRect fr = rect().adjusted(3, 3, -3, -3);
    if (m_style == bsFlat && m_frameType == bffBump)
        fr.adjust(0, 0, 1, 1);
    else if (m_style == bsFlat && m_frameType == bffEtched)
        fr.adjust(0, 0, -1, -1);
    p.drawRect(fr.adjusted(0, 0, -1, -1));
}

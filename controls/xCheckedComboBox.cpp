#include "controls/xCheckedComboBox.h"
#include "controls/SafeCall.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

namespace {

constexpr int kMaxLines = 20;

// The drop-down button's four pictures, drawn by the style.
QPixmap buttonPicture(TxCheckedComboBox::TButtonLook look, int side, const QWidget* w) {
    QPixmap pm(side * w->devicePixelRatio(), side * w->devicePixelRatio());
    pm.setDevicePixelRatio(w->devicePixelRatio());
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    QStyleOptionButton opt;
    opt.initFrom(w);
    opt.rect = QRect(0, 0, side, side);
    opt.state = QStyle::State_Enabled | QStyle::State_Raised;
    if (look == TxCheckedComboBox::blHot)
        opt.state |= QStyle::State_MouseOver;
    if (look == TxCheckedComboBox::blPress)
        opt.state = (opt.state & ~QStyle::State_Raised) | QStyle::State_Sunken;
    if (look == TxCheckedComboBox::blGray)
        opt.state &= ~QStyle::State_Enabled;
    w->style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, w);
    QStyleOption arrow = opt;
    arrow.rect = opt.rect.adjusted(side / 4, side / 4, -side / 4, -side / 4);
    if (look == TxCheckedComboBox::blGray)
        arrow.palette.setCurrentColorGroup(QPalette::Disabled);
    w->style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &p, w);
    return pm;
}

} // namespace

bool CheckedTextAdd(QString& text, const QString& item) {
    if (text.isEmpty()) {
        text = item;
        return true;
    }
    if (text == item || text.split(u',').contains(item))
        return false;
    text += u',' + item;
    return true;
}

bool CheckedTextRemove(QString& text, const QString& item) {
    const QString framed = u',' + text + u',';
    const QString needle = u',' + item + u',';
    const qsizetype at = framed.indexOf(needle);
    if (at < 0)
        return false;
    QString rest = framed.left(at) + u',' + framed.mid(at + needle.size());
    text = rest.mid(1, rest.size() - 2);
    return true;
}

TxCheckedComboBox::TxCheckedComboBox(QWidget* parent) : QFrame(parent) {
    resize(120, 20);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);

    m_textPanel = new QLabel(this);
    m_textPanel->setObjectName(QStringLiteral("qt_checked_combo_text"));
    m_textPanel->setAutoFillBackground(true);
    m_textPanel->setFrameShape(QFrame::Box);
    m_textPanel->setLineWidth(1);
    m_textPanel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_textPanel->setFocusPolicy(Qt::NoFocus);
    m_textPanel->setIndent(3);
    m_textPanel->installEventFilter(this);

    m_button = new QLabel(m_textPanel);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setScaledContents(true);
    m_button->installEventFilter(this);

    auto* dropDown = new QFrame(this, Qt::Popup);
    dropDown->setFrameShape(QFrame::Box);
    dropDown->setLineWidth(1);
    m_dropDown = dropDown;
    m_dropDown->setAttribute(Qt::WA_NoMouseReplay);
    m_dropDown->setAutoFillBackground(true);
    m_dropDown->setBackgroundRole(QPalette::Base);
    m_dropDown->installEventFilter(this);
    m_list = new QListWidget(m_dropDown);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->installEventFilter(this);
    m_menu = new QMenu(m_list);
    m_selectAll = m_menu->addAction(CapSelectAll);
    m_deselectAll = m_menu->addAction(CapDeSelectAll);
    connect(m_selectAll, &QAction::triggered, this, [this] { guarded([this] { SelectAll(); }); });
    connect(m_deselectAll, &QAction::triggered, this, [this] { guarded([this] { DeSelectAll(); }); });
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_menu->popup(m_list->viewport()->mapToGlobal(pos)); });
    connect(m_list, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { guarded([this, item] { tickChanged(item); }); });

    layoutParts();
    updateDisplay();
}

TxCheckedComboBox::~TxCheckedComboBox() = default;

// ---- properties ---------------------------------------------------------------------------------------

void TxCheckedComboBox::setItems(const QStringList& items) {
    m_items = items;
    if (m_sorted)
        m_items.sort();
    itemsChanged();
}

void TxCheckedComboBox::setSorted(bool on) {
    m_sorted = on;
    if (on) {
        m_items.sort();
        itemsChanged();
    }
}

void TxCheckedComboBox::setColumns(int n) {
    m_columns = n;
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(n > 1);
}

void TxCheckedComboBox::setSortDisplay(bool on) {
    m_sortDisplay = on;
    updateDisplay();
}

void TxCheckedComboBox::setDropDownLines(int n) {
    if (n >= 1 && n <= kMaxLines)
        m_dropDownLines = n;
}

void TxCheckedComboBox::setEmptyValue(const QString& v) {
    m_emptyValue = v;
    updateDisplay();
}

void TxCheckedComboBox::setDispStyle(TCHBDispStyle s) {
    m_dispStyle = s;
    updateDisplay();
}

void TxCheckedComboBox::setKensuValueFormat(const QString& f) {
    m_kensuFormat = f;
    updateDisplay();
}

void TxCheckedComboBox::setMultiSelect(bool on) {
    m_multiSelect = on;
    m_selectAll->setEnabled(on);
}

void TxCheckedComboBox::itemsChanged() {
    m_updatingList = true;
    m_list->clear();
    for (const QString& text : m_items) {
        auto* item = new QListWidgetItem(text, m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    m_updatingList = false;
    m_checkedText.clear();
    m_checkedCount = 0;
    updateDisplay();
}

// ---- ticks
// -------------------------------------------------------------------------------------------------

bool TxCheckedComboBox::isChecked(int index) const {
    const QListWidgetItem* item = m_list->item(index);
    return item && item->checkState() == Qt::Checked;
}

void TxCheckedComboBox::setChecked(int index, bool on) {
    if (QListWidgetItem* item = m_list->item(index)) {
        m_list->setCurrentItem(item);
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
}

void TxCheckedComboBox::tickChanged(QListWidgetItem* item) {
    if (m_updatingList || !item)
        return;
    const QString text = item->text();
    if (item->checkState() == Qt::Checked) {
        if (!m_multiSelect) {
            m_updatingList = true;
            for (int i = 0; i < m_list->count(); ++i) {
                QListWidgetItem* other = m_list->item(i);
                if (other != item && other->checkState() == Qt::Checked) {
                    CheckedTextRemove(m_checkedText, other->text());
                    other->setCheckState(Qt::Unchecked);
                }
            }
            m_updatingList = false;
            m_checkedCount = 0;
        }
        if (CheckedTextAdd(m_checkedText, text))
            ++m_checkedCount;
    } else if (CheckedTextRemove(m_checkedText, text)) {
        --m_checkedCount;
    }
    updateDisplay();
    Q_EMIT OnChange();
    Q_EMIT OnClickCheck();
}

void TxCheckedComboBox::SelectAll() {
    if (!m_multiSelect)
        return;
    m_updatingList = true;
    for (int i = 0; i < m_list->count(); ++i)
        m_list->item(i)->setCheckState(Qt::Checked);
    m_updatingList = false;
    m_checkedText = m_items.join(u',');
    m_checkedCount = int(m_items.size());
    updateDisplay();
    m_textPanel->repaint();
    Q_EMIT OnChange();
}

void TxCheckedComboBox::DeSelectAll() {
    m_updatingList = true;
    for (int i = 0; i < m_list->count(); ++i)
        m_list->item(i)->setCheckState(Qt::Unchecked);
    m_updatingList = false;
    m_checkedCount = 0;
    m_checkedText.clear();
    updateDisplay();
    Q_EMIT OnChange();
}

QString TxCheckedComboBox::DisplayText() const {
    if (m_dispStyle == dsKensu) {
        if (m_checkedCount == 0)
            return m_emptyValue;
        if (m_checkedCount == 1)
            return m_checkedText;
        QString f = m_kensuFormat;
        return f.replace(QStringLiteral("%d"), QString::number(m_checkedCount));
    }
    if (m_checkedText.isEmpty())
        return m_emptyValue;
    if (!m_sortDisplay)
        return m_checkedText;
    // Items in list order; the ticked text is split at "," only, so items with blanks list as well.
    const QStringList ticked = m_checkedText.split(u',');
    QStringList out;
    for (const QString& item : m_items)
        if (ticked.contains(item) && !out.contains(item))
            out << item;
    return out.join(u',');
}

void TxCheckedComboBox::updateDisplay() {
    m_textPanel->setText(DisplayText());
}

// ---- look
// ---------------------------------------------------------------------------------------------------

void TxCheckedComboBox::layoutParts() {
    const int h = fontMetrics().height() + 8;
    if (height() != h)
        resize(width(), h);
    m_textPanel->setGeometry(rect());
    const int side = h - 4;
    m_button->setGeometry(width() - side - 2, 2, side, side);
    QPalette pal = m_textPanel->palette();
    if (!isEnabled()) {
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::WindowText, palette().color(QPalette::Disabled, QPalette::Text));
    } else if (hasFocus()) {
        pal.setColor(QPalette::Window, palette().color(QPalette::Highlight));
        pal.setColor(QPalette::WindowText, Qt::white);
    } else {
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    }
    m_textPanel->setPalette(pal);
    m_textPanel->setContentsMargins(0, 0, side + 2, 0);
    setLook(!isEnabled() ? blGray : m_look == blGray ? blNormal : m_look);
}

void TxCheckedComboBox::setLook(TButtonLook look) {
    m_look = look;
    m_button->setPixmap(buttonPicture(look, std::max(8, m_button->height()), this));
}

QRect TxCheckedComboBox::buttonRect() const {
    return QRect(m_button->mapTo(this, QPoint(0, 0)), m_button->size());
}

void TxCheckedComboBox::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    layoutParts();
}

void TxCheckedComboBox::changeEvent(QEvent* e) {
    QFrame::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::EnabledChange)
        layoutParts();
}

void TxCheckedComboBox::focusInEvent(QFocusEvent* e) {
    QFrame::focusInEvent(e);
    layoutParts();
}

void TxCheckedComboBox::focusOutEvent(QFocusEvent* e) {
    QFrame::focusOutEvent(e);
    layoutParts();
}

void TxCheckedComboBox::enterEvent(QEnterEvent* e) {
    QFrame::enterEvent(e);
    if (!isDroppedDown())
        setLook(buttonRect().contains(mapFromGlobal(QCursor::pos())) ? blHot : blNormal);
    Q_EMIT OnMouseEnter(QApplication::keyboardModifiers(), QApplication::mouseButtons(),
                        mapFromGlobal(QCursor::pos()));
}

void TxCheckedComboBox::leaveEvent(QEvent* e) {
    QFrame::leaveEvent(e);
    if (!isDroppedDown() && isEnabled())
        setLook(blNormal);
    Q_EMIT OnMouseLeave(QApplication::keyboardModifiers(), QApplication::mouseButtons(),
                        mapFromGlobal(QCursor::pos()));
}

void TxCheckedComboBox::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    QFrame::mousePressEvent(e);
}

// ---- drop-down
// ---------------------------------------------------------------------------------------------

bool TxCheckedComboBox::isDroppedDown() const {
    return m_dropDown->isVisible();
}

void TxCheckedComboBox::DropDown() {
    setLook(blPress);
    setFocus();
    if (m_list->count() == 0)
        return;
    if (m_closedByButton) {
        // The click that closed the list does not open it again.
        m_closedByButton = false;
        setLook(blNormal);
        return;
    }
    Q_EMIT OnClick();
    int lines = m_columns > 1 ? int(m_list->count()) / m_columns + 1
                              : std::min(m_dropDownLines, int(m_list->count()));
    lines = std::clamp(lines, 1, kMaxLines);
    m_shownLines = lines;
    m_selectAll->setText(CapSelectAll);
    m_deselectAll->setText(CapDeSelectAll);
    m_selectAll->setEnabled(m_multiSelect);
    m_dropDown->setFont(font());
    m_list->setFont(font());
    const int itemHeight = std::max(m_list->sizeHintForRow(0), 1);
    const int h = itemHeight * lines + 4;
    const int w = std::max(width(), m_dropDownWidth);
    if (m_columns > 1)
        m_list->setGridSize(QSize(w / m_columns, itemHeight));
    QPoint pos = mapToGlobal(QPoint(0, height()));
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const int screenHeight = s ? s->geometry().bottom() + 1 : 768;
    if (screenHeight - 20 < pos.y() + h)
        pos.setY(pos.y() - h - height());
    m_dropDown->setGeometry(pos.x(), pos.y(), w, h);
    m_list->setGeometry(1, 1, w - 2, h - 2);
    m_dropDown->show();
    m_list->setFocus();
    if (!m_list->currentItem())
        m_list->setCurrentRow(0);
    update();
}

void TxCheckedComboBox::CloseUp() {
    if (isDroppedDown())
        m_dropDown->hide();
}

bool TxCheckedComboBox::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_dropDown && e->type() == QEvent::Hide) {
        guarded([this] {
            setLook(blNormal);
            // A press on the button closed the list: that same press must not open it again.
            const QPoint p = m_button->mapFromGlobal(QCursor::pos());
            m_closedByButton = p.x() > 0 && p.x() < m_button->width() && p.y() > 0 &&
                               p.y() < m_button->height() && (QApplication::mouseButtons() & Qt::LeftButton);
            if (m_closedByButton)
                QTimer::singleShot(0, this, [this] { m_closedByButton = false; });
            update();
            setFocus();
            Q_EMIT OnCloseUp();
        });
        return false;
    }
    if (watched == m_list && e->type() == QEvent::KeyPress) {
        listKey(static_cast<QKeyEvent*>(e));
        return false;
    }
    if (e->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (watched == m_button) {
            guarded([this] {
                DropDown();
                Q_EMIT OnButtonClick();
            });
            return true;
        }
        if (watched == m_textPanel) {
            if (!hasFocus())
                setFocus(Qt::MouseFocusReason);
            Q_EMIT OnPanelClick();
            return true;
        }
    }
    return QFrame::eventFilter(watched, e);
}

void TxCheckedComboBox::listKey(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    switch (e->key()) {
    case Qt::Key_Escape:
        CloseUp();
        break;
    case Qt::Key_Tab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods == Qt::NoModifier) {
            CloseUp();
            moveFocusOn(true);
        }
        break;
    case Qt::Key_Backtab:
        CloseUp();
        moveFocusOn(false);
        break;
    default:
        break;
    }
}

void TxCheckedComboBox::moveFocusOn(bool next) {
    setFocus();
    QWidget* target = next ? nextInFocusChain() : previousInFocusChain();
    while (target && target != this &&
           !(target->focusPolicy() & Qt::TabFocus && target->isVisible() && target->isEnabled()))
        target = next ? target->nextInFocusChain() : target->previousInFocusChain();
    if (target && target != this)
        target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

void TxCheckedComboBox::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F4 && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        e->accept();
        guarded([this] {
            DropDown();
            Q_EMIT OnButtonClick();
        });
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        moveFocusOn(true);
        return;
    }
    QFrame::keyPressEvent(e);
}

#include "controls/PerfectGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

namespace {

Qt::Alignment alignmentOf(int a) {
    switch (a) {
    case 1:
        return Qt::AlignRight | Qt::AlignVCenter;
    case 2:
        return Qt::AlignCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

constexpr int ValueRole = Qt::UserRole + 1;

} // namespace

TPerfectGrid::TPerfectGrid(QWidget* parent) : QTableWidget(parent) {
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    SetDefHeight(20);
    applyColours();
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int col) { Q_EMIT OnCellClick(this, -1, col); });
    connect(this, &QTableWidget::cellClicked, this,
            [this](int row, int col) { Q_EMIT OnCellClick(this, row, col); });
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int col, int oldRow, int oldCol) {
        if (m_settingCurrent)
            return;
        if (oldRow >= 0)
            Q_EMIT OnCellLostFocus(this, oldRow, oldCol);
        if (row >= 0)
            Q_EMIT OnCellGotFocus(this, row, col);
    });
}

void TPerfectGrid::applyColours() {
    QPalette p = palette();
    p.setColor(QPalette::Base, toQColor(TColor(m_backColor)));
    p.setColor(QPalette::Text, toQColor(TColor(m_foreColor)));
    setPalette(p);
    horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: %1; border: 1px solid %2; padding: 2px; }")
            .arg(toQColor(TColor(m_fixedBackColor)).name(), toQColor(TColor(m_fixedBorderColor)).name()));
}

void TPerfectGrid::setBackColor(qint32 c) {
    m_backColor = c;
    applyColours();
}

void TPerfectGrid::setForeColor(qint32 c) {
    m_foreColor = c;
    applyColours();
}

void TPerfectGrid::setFixedBackColor(qint32 c) {
    m_fixedBackColor = c;
    applyColours();
}

void TPerfectGrid::SetCols(int count) {
    setColumnCount(count);
    m_widths.resize(count, 64);
    m_alignments.resize(count, 0);
    for (int c = 0; c < count; ++c)
        if (!horizontalHeaderItem(c))
            setHorizontalHeaderItem(c, new QTableWidgetItem());
}

void TPerfectGrid::SetDefHeight(int h) {
    verticalHeader()->setDefaultSectionSize(h);
    verticalHeader()->setMinimumSectionSize(qMin(h, 8));
}

int TPerfectGrid::TopRow() const {
    const int r = rowAt(0);
    return r < 0 ? 0 : r;
}

void TPerfectGrid::SetTopRow(int row) {
    if (row >= 0 && row < rowCount())
        verticalScrollBar()->setValue(row);
}

int TPerfectGrid::CurrentRow() const {
    const int r = currentRow();
    return r < 0 ? NoRow : r;
}

int TPerfectGrid::CurrentCol() const {
    return currentColumn();
}

QTableWidgetItem* TPerfectGrid::item(int row, int col, bool create) const {
    auto* self = const_cast<TPerfectGrid*>(this);
    if (row == -1) {
        if (col < 0 || col >= columnCount())
            return nullptr;
        return horizontalHeaderItem(col);
    }
    if (row < 0 || row >= rowCount() || col < -1 || col >= columnCount())
        return nullptr;
    QTableWidgetItem* it = col == -1 ? verticalHeaderItem(row) : QTableWidget::item(row, col);
    if (!it && create) {
        it = new QTableWidgetItem();
        if (col == -1) {
            self->setVerticalHeaderItem(row, it);
        } else {
            it->setTextAlignment(alignmentOf(m_alignments[size_t(col)]));
            self->setItem(row, col, it);
        }
    }
    return it;
}

void TPerfectGrid::InsertRows(int row, int count) {
    row = qBound(0, row, rowCount());
    count = qMin(count, m_maxRows - rowCount());
    for (int i = 0; i < count; ++i) {
        insertRow(row + i);
        for (int c = -1; c < columnCount(); ++c)
            item(row + i, c, true);
    }
}

void TPerfectGrid::DeleteRows(int row, int count) {
    for (int i = 0; i < count && row >= 0 && row < rowCount(); ++i)
        removeRow(row);
}

void TPerfectGrid::MoveRows(int row, int target, int count) {
    if (row < 0 || count <= 0 || row + count > rowCount() || target < 0 || target > rowCount() - count)
        return;
    std::vector<std::vector<QTableWidgetItem*>> taken;
    for (int i = 0; i < count; ++i) {
        std::vector<QTableWidgetItem*> cells;
        cells.push_back(takeVerticalHeaderItem(row));
        for (int c = 0; c < columnCount(); ++c)
            cells.push_back(takeItem(row, c));
        removeRow(row);
        taken.push_back(std::move(cells));
    }
    for (int i = 0; i < count; ++i) {
        insertRow(target + i);
        setVerticalHeaderItem(target + i, taken[size_t(i)][0]);
        for (int c = 0; c < columnCount(); ++c)
            setItem(target + i, c, taken[size_t(i)][size_t(c) + 1]);
    }
}

void TPerfectGrid::SetCurrentCell(int row, int col) {
    m_settingCurrent = true;
    setCurrentCell(row, qMax(col, 0));
    m_settingCurrent = false;
}

void TPerfectGrid::MakeRowVisible(int row) {
    if (QTableWidgetItem* it = item(row, 0, true))
        scrollToItem(it);
}

bool TPerfectGrid::IsRowVisible(int row) const {
    return row >= 0 && row < rowCount() && !isRowHidden(row);
}

void TPerfectGrid::SetColWidth(int col, int width) {
    if (col < 0 || col >= columnCount())
        return;
    m_widths[size_t(col)] = width;
    setColumnHidden(col, width <= 0);
    if (width > 0)
        setColumnWidth(col, width);
}

int TPerfectGrid::GetColWidth(int col) const {
    return col >= 0 && col < columnCount() ? m_widths[size_t(col)] : 0;
}

void TPerfectGrid::SetColAlignment(int col, int alignment) {
    if (col < 0 || col >= columnCount())
        return;
    m_alignments[size_t(col)] = alignment;
    for (int r = 0; r < rowCount(); ++r)
        if (QTableWidgetItem* it = item(r, col, false))
            it->setTextAlignment(alignmentOf(alignment));
}

void TPerfectGrid::SetColCellType(int col, int type) {
    // Pictures are drawn centred in their cell; text columns need nothing.
    if (type == 5)
        SetColAlignment(col, 2);
}

void TPerfectGrid::SetCellAlignment(int row, int col, int alignment) {
    if (QTableWidgetItem* it = item(row, col, true))
        it->setTextAlignment(alignmentOf(alignment));
}

QString TPerfectGrid::CellText(int row, int col) const {
    const QTableWidgetItem* it = item(row, col, false);
    return it ? it->text() : QString();
}

void TPerfectGrid::SetCellText(int row, int col, const QString& text) {
    if (QTableWidgetItem* it = item(row, col, true))
        it->setText(text);
}

double TPerfectGrid::GetCellValue(int row, int col) const {
    const QTableWidgetItem* it = item(row, col, false);
    if (!it)
        return 0;
    const QVariant v = it->data(ValueRole);
    if (v.isValid())
        return v.toDouble();
    bool ok = false;
    const double d = it->text().trimmed().toDouble(&ok);
    return ok ? d : 0;
}

void TPerfectGrid::SetCellValue(int row, int col, double value) {
    if (QTableWidgetItem* it = item(row, col, true)) {
        it->setData(ValueRole, value);
        it->setText(QString::number(value, 'g', 17));
    }
}

QPixmap TPerfectGrid::CellPicture(int row, int col) const {
    const QTableWidgetItem* it = item(row, col, false);
    return it ? it->data(Qt::DecorationRole).value<QPixmap>() : QPixmap();
}

void TPerfectGrid::SetCellPicture(int row, int col, const QPixmap& picture) {
    if (QTableWidgetItem* it = item(row, col, true))
        it->setData(Qt::DecorationRole, picture);
}

void TPerfectGrid::SetRowBackColor(int row, qint32 colour) {
    for (int c = 0; c < columnCount(); ++c)
        if (QTableWidgetItem* it = item(row, c, true))
            it->setBackground(toQColor(TColor(colour)));
}

void TPerfectGrid::SetRowForeColor(int row, qint32 colour) {
    for (int c = 0; c < columnCount(); ++c)
        if (QTableWidgetItem* it = item(row, c, true))
            it->setForeground(toQColor(TColor(colour)));
}

void TPerfectGrid::SetRowFont(int row, const std::optional<QFont>& font) {
    for (int c = 0; c < columnCount(); ++c)
        if (QTableWidgetItem* it = item(row, c, true))
            it->setData(Qt::FontRole, font ? QVariant(*font) : QVariant());
}

void TPerfectGrid::keyPressEvent(QKeyEvent* e) {
    int key = e->key();
    Q_EMIT OnKeyDown(this, key, e->modifiers());
    if (key == 0)
        return;
    if (!e->text().isEmpty() || key == Qt::Key_Return || key == Qt::Key_Enter) {
        QChar c = key == Qt::Key_Return || key == Qt::Key_Enter ? QChar(u'\r') : e->text().at(0);
        Q_EMIT OnKeyPress(this, c);
        if (c.isNull())
            return;
    }
    QTableWidget::keyPressEvent(e);
}

void TPerfectGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    QTableWidget::mouseDoubleClickEvent(e);
    Q_EMIT OnDblClick(this);
}

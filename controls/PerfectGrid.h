#pragma once
// The list grid of the data-selection and list dialogs. Rows and columns count from 0; row -1 is the
// header row and column -1 each row's own data cell (never shown). Colours are TColor values. Cell texts
// and numeric values written are read back unchanged; a column of width 0 is hidden and keeps its
// values; inserting and deleting rows shifts the rows after them.
// The focus events fire when the user moves the current cell; a caller that moves it itself runs its
// focus handling directly.

#include "controls/TColor.h"

#include <QFont>
#include <QHeaderView>
#include <QPixmap>
#include <QTableWidget>
#include <optional>

class TPerfectGrid : public QTableWidget {
    Q_OBJECT
    Q_PROPERTY(qint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(qint32 ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(qint32 OddRowBackColor READ OddRowBackColor WRITE setOddRowBackColor)
    Q_PROPERTY(qint32 FocusBorderColor MEMBER m_focusBorderColor)
    Q_PROPERTY(qint32 FixedBackColor READ FixedBackColor WRITE setFixedBackColor)
    Q_PROPERTY(qint32 FixedBorderColor MEMBER m_fixedBorderColor)
    Q_PROPERTY(qint32 BorderColor MEMBER m_borderColor)
    Q_PROPERTY(qint32 DisabledColor MEMBER m_disabledColor)
    Q_PROPERTY(qint32 ThruBorderColor MEMBER m_thruBorderColor)
    Q_PROPERTY(qint32 VoidAreaColor MEMBER m_voidAreaColor)

public:
    // CurrentRow when there is no current row.
    static constexpr int NoRow = 32700;

    explicit TPerfectGrid(QWidget* parent = nullptr);

    qint32 BackColor() const { return m_backColor; }
    void setBackColor(qint32 c);
    qint32 ForeColor() const { return m_foreColor; }
    void setForeColor(qint32 c);
    qint32 OddRowBackColor() const { return m_oddRowBackColor; }
    void setOddRowBackColor(qint32 c) { m_oddRowBackColor = c; }
    qint32 FixedBackColor() const { return m_fixedBackColor; }
    void setFixedBackColor(qint32 c);
    qint32 FocusBorderColor() const { return m_focusBorderColor; }

    bool AllowSelCol = false;
    bool AllowSelRow = false;
    bool ViewMode = true;
    bool ThruStartAtSetFocus = false;
    int ThruBorderWidth = 1;

    int Cols() const { return columnCount(); }
    void SetCols(int count);
    // The most rows the grid holds; InsertRows stops there.
    int Rows() const { return m_maxRows; }
    void SetRows(int count) { m_maxRows = count; }
    int DefHeight() const { return verticalHeader()->defaultSectionSize(); }
    void SetDefHeight(int h);
    int TopRow() const;
    void SetTopRow(int row);
    int CurrentRow() const;
    int CurrentCol() const;
    int RowCount() const { return rowCount(); }

    void InsertRows(int row, int count);
    void DeleteRows(int row, int count);
    void MoveRows(int row, int target, int count);
    void SetCurrentCell(int row, int col);
    void MakeRowVisible(int row);
    bool IsRowVisible(int row) const;

    void SetColWidth(int col, int width);
    int GetColWidth(int col) const;
    // 0 left, 1 right, 2 centre.
    void SetColAlignment(int col, int alignment);
    // 1 text, 5 picture.
    void SetColCellType(int col, int type);
    void SetCellAlignment(int row, int col, int alignment);

    QString CellText(int row, int col) const;
    void SetCellText(int row, int col, const QString& text);
    double GetCellValue(int row, int col) const;
    void SetCellValue(int row, int col, double value);
    QPixmap CellPicture(int row, int col) const;
    void SetCellPicture(int row, int col, const QPixmap& picture);

    void SetRowBackColor(int row, qint32 colour);
    void SetRowForeColor(int row, qint32 colour);
    // No font: the grid's own.
    void SetRowFont(int row, const std::optional<QFont>& font);

Q_SIGNALS:
    void OnCellClick(QObject* sender, int row, int col);
    void OnCellGotFocus(QObject* sender, int row, int col);
    void OnCellLostFocus(QObject* sender, int row, int col);
    void OnDblClick(QObject* sender);
    // Setting key to 0 consumes it.
    void OnKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void OnKeyPress(QObject* sender, QChar& key);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    QTableWidgetItem* item(int row, int col, bool create) const;
    void applyColours();

    qint32 m_backColor = 0xFFFFFF;
    qint32 m_foreColor = 0;
    qint32 m_oddRowBackColor = 0xFFFFFF;
    qint32 m_focusBorderColor = 0x246BFF;
    qint32 m_fixedBackColor = 0xDBDBDB;
    qint32 m_fixedBorderColor = 0x808080;
    qint32 m_borderColor = 0x808080;
    qint32 m_disabledColor = 0x808080;
    qint32 m_thruBorderColor = 0x008000;
    qint32 m_voidAreaColor = 0x808080;
    int m_maxRows = 32000;
    std::vector<int> m_widths;
    std::vector<int> m_alignments;
    bool m_settingCurrent = false;
};

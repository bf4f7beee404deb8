#pragma once
// Looks like a drop-down combo box but drops down a list with a tick box per item, so several items can
// be chosen. The ticked items form one text joined by "," in the order they were ticked; the control
// shows that text or a count ("%d件選択"). F4 or the button opens the list; Enter moves on.

#include <QFrame>
#include <QPointer>
#include <QStringList>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;

enum TCHBQuoteStyle { qsNone, qsSingle, qsDouble };
enum TCHBDispStyle { dsKensu, dsItems };

// The ticked text: items joined by ",". Adding an item already present as a whole element, and taking
// out one that is absent, change nothing; both answer whether the text changed.
bool CheckedTextAdd(QString& text, const QString& item);
bool CheckedTextRemove(QString& text, const QString& item);

class TxCheckedComboBox : public QFrame {
    Q_OBJECT
public:
    enum TButtonLook { blNormal, blHot, blPress, blGray };

    explicit TxCheckedComboBox(QWidget* parent = nullptr);
    ~TxCheckedComboBox() override;

    QString CapSelectAll = QStringLiteral("&全て選択");
    QString CapDeSelectAll = QStringLiteral("&選択解除");

    QStringList Items() const { return m_items; }
    // Every change of the items clears the ticks.
    void setItems(const QStringList& items);
    bool Sorted() const { return m_sorted; }
    void setSorted(bool on);
    TCHBQuoteStyle QuoteStyle() const { return m_quoteStyle; }
    void setQuoteStyle(TCHBQuoteStyle s) { m_quoteStyle = s; }
    int Columns() const { return m_columns; }
    void setColumns(int n);
    bool SortDisplay() const { return m_sortDisplay; }
    void setSortDisplay(bool on);
    // 1 to 20; other values are refused.
    int DropDownLines() const { return m_dropDownLines; }
    void setDropDownLines(int n);
    int DropDownWidth() const { return m_dropDownWidth; }
    void setDropDownWidth(int w) { m_dropDownWidth = w; }
    QString EmptyValue() const { return m_emptyValue; }
    void setEmptyValue(const QString& v);
    QString Version() const { return QStringLiteral("1.0.3"); }
    void setVersion(const QString&) {}
    TCHBDispStyle DispStyle() const { return m_dispStyle; }
    void setDispStyle(TCHBDispStyle s);
    QString KensuValueFormat() const { return m_kensuFormat; }
    void setKensuValueFormat(const QString& f);
    bool KeyUse() const { return m_keyUse; }
    void setKeyUse(bool on) { m_keyUse = on; }
    int KeyLength() const { return m_keyLength; }
    void setKeyLength(int n) { m_keyLength = n; }
    QString KeyDelimiter() const { return m_keyDelimiter; }
    void setKeyDelimiter(const QString& d) { m_keyDelimiter = d; }
    bool MultiSelect() const { return m_multiSelect; }
    void setMultiSelect(bool on);

    // The ticked items joined by ",", in the order they were ticked, and their number.
    QString CheckedText() const { return m_checkedText; }
    int CheckedCount() const { return m_checkedCount; }
    bool isChecked(int index) const;
    // Ticks or unticks item index as a click in the list does.
    void setChecked(int index, bool on);
    void SelectAll();
    void DeSelectAll();
    // The text the control shows.
    QString DisplayText() const;

    void DropDown();
    void CloseUp();
    bool isDroppedDown() const;
    // Lines of the last drop-down.
    int ShownLines() const { return m_shownLines; }
    QWidget* dropDownWindow() const { return m_dropDown; }
    QListWidget* checkList() const { return m_list; }
    QMenu* popupMenu() const { return m_menu; }
    TButtonLook buttonLook() const { return m_look; }
    QRect buttonRect() const;

Q_SIGNALS:
    void OnChange();
    void OnClickCheck();
    void OnCloseUp();
    void OnPanelClick();
    void OnButtonClick();
    // The list opens.
    void OnClick();
    void OnEnter();
    void OnExit();
    void OnMouseEnter(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, QPoint pos);
    void OnMouseLeave(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, QPoint pos);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void itemsChanged();
    void tickChanged(QListWidgetItem* item);
    void updateDisplay();
    void layoutParts();
    void setLook(TButtonLook look);
    void listKey(QKeyEvent* e);
    void moveFocusOn(bool next);

    QLabel* m_textPanel;
    QLabel* m_button;
    QWidget* m_dropDown;
    QListWidget* m_list;
    QMenu* m_menu;
    QAction* m_selectAll;
    QAction* m_deselectAll;
    QStringList m_items;
    bool m_sorted = false;
    TCHBQuoteStyle m_quoteStyle = qsNone;
    int m_checkedCount = 0;
    int m_columns = 0;
    bool m_sortDisplay = false;
    int m_dropDownLines = 15;
    int m_shownLines = 0;
    int m_dropDownWidth = 120;
    QString m_emptyValue = QStringLiteral("未選択");
    QString m_checkedText;
    TCHBDispStyle m_dispStyle = dsKensu;
    QString m_kensuFormat = QStringLiteral("%d件選択");
    bool m_keyUse = false;
    int m_keyLength = 0;
    QString m_keyDelimiter = QStringLiteral(":");
    bool m_multiSelect = true;
    TButtonLook m_look = blNormal;
    bool m_closedByButton = false;
    bool m_updatingList = false;
};

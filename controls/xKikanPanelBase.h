#pragma once
// What the fiscal-period panels share: a row of slot buttons over one fiscal year, from which the user
// picks one slot or a contiguous range with the mouse or the arrow keys. A selection change is tracked
// (drag, arrows moving the anchor and the moving slot) and completed (mouse release, Shift release,
// Enter, focus exit); owners treat OnMouseUp as "the selection may have changed".

#include "controls/TColor.h"
#include "core/TDateTime.h"
#include <QFrame>
#include <vector>

class TxKikanPanelBase;

constexpr TColor clNavy = 0x800000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clGray = 0x808080;
constexpr TColor clKakuteiOrange = 0x4080FF; // RGB 255, 128, 64

// One slot: a flat box with a centred caption. It hands its mouse input to the panel; a disabled slot
// takes none, so a click on it reaches the panel itself.
class TKikanButton : public QWidget {
    Q_OBJECT
public:
    TKikanButton(TxKikanPanelBase* panel, int tag);

    int tag() const { return m_tag; }
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);
    TColor backColor() const { return m_back; }
    TColor fontColor() const { return m_font; }
    void setColors(TColor back, TColor font);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    TxKikanPanelBase* m_panel;
    int m_tag;
    QString m_caption;
    TColor m_back = clBtnFace;
    TColor m_font = clWindowText;
};

class TxKikanPanelBase : public QFrame {
    Q_OBJECT
public:
    int Stno() const { return m_stno; }
    virtual void setStno(int value);
    int Edno() const { return m_edno; }
    virtual void setEdno(int value);
    TColor BackColor() const { return m_backColor; }
    void setBackColor(TColor c);
    TColor FontColor() const { return m_fontColor; }
    void setFontColor(TColor c);
    bool KikanMove() const { return m_kikanMove; }
    void setKikanMove(bool on);
    bool KBDMOUSE() const { return m_kbdMouse; }
    void setKBDMOUSE(bool on) { m_kbdMouse = on; }
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void setTabStop(bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus); }

    // Loads a fiscal year: closing day, fiscal-year start and end, input start.
    virtual void SetKikan(int closingDay, TDateTime start, TDateTime end, TDateTime inputStart) = 0;
    // Paints every slot from the current selection.
    virtual void UpdateColors();

    int buttonCount() const { return int(m_buttons.size()); }
    TKikanButton* button(int i) const { return m_buttons.at(size_t(i)); }
    QSize sizeHint() const override;
    // Whether slot i takes input when the panel itself is enabled.
    bool slotEnabled(int i) const;

Q_SIGNALS:
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons,
                     QPoint pos);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons,
                   QPoint pos);
    void OnDblClick();

protected:
    TxKikanPanelBase(int buttonCount, int width, QWidget* parent);

    // Slot mouse input (the panel's operations of the same names).
    virtual void ButtonDblClick(TKikanButton* sender);
    virtual void ButtonMouseDown(TKikanButton* sender, QMouseEvent* e);
    virtual void ButtonMouseMove(TKikanButton* sender, QMouseEvent* e);
    virtual void ButtonMouseUp(TKikanButton* sender, QMouseEvent* e);

    // Variation points of the three panels.
    virtual int visibleButtonCount() const { return buttonCount(); }
    virtual int firstKeySlot() const { return m_firstEnabled; }
    virtual int lastKeySlot() const { return m_lastEnabled; }
    virtual int lastClickSlot() const { return m_lastEnabled; }
    // An arrow that cannot move further collapses the selection onto the bound; positions outside the
    // bounds are pulled inside.
    virtual bool keysStayInBounds() const { return false; }
    virtual bool enterClearsKbdMouse() const { return false; }
    virtual TColor disabledSelectionColor() const { return clSilver; }
    virtual bool hasConfirmedColors() const { return true; }

    // Loads the current calendar year with month-end closing.
    void loadCalendarYear();
    // Month offset of a date in the year that starts at start (months between their closing dates);
    // an invalid closing day beeps and leaves the dates unadjusted.
    static int monthOffset(int closingDay, TDateTime start, TDateTime date);
    // The same offset kept within the year: any offset outside 0..11 counts as the last month.
    static int monthOfYear(int closingDay, TDateTime start, TDateTime date);
    // Calendar month of the closing date months after start.
    static int closingMonth(int closingDay, TDateTime start, int months);

    void setSlot(int i, bool enabled, const QString& caption, TColor back, TColor font);
    void paintUnselected(int i);
    void paintSelected(int i);
    // Paints the range between anchor and moving slot (either order) as selected, the rest unselected.
    void paintTracking();
    void layoutButtons();
    void raiseMouseUpFromKeys();
    void focusNeighbour(bool next);

    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

    // Confirmed periods: unselected slots before KakuteiMNo take their own colours. Published by the
    // panels that offer them.
    bool KakuteiMode() const { return m_kakuteiMode; }
    void setKakuteiMode(bool on);
    int KakuteiMNo() const { return m_kakuteiMNo; }
    void setKakuteiMNo(int n);
    TColor KakuteiBackColor() const { return m_kakuteiBackColor; }
    void setKakuteiBackColor(TColor c);
    TColor KakuteiFontColor() const { return m_kakuteiFontColor; }
    void setKakuteiFontColor(TColor c);

    bool m_kakuteiMode = false;
    int m_kakuteiMNo = 0;
    TColor m_kakuteiBackColor = clKakuteiOrange;
    TColor m_kakuteiFontColor = clWhite;

    bool m_drag = false;
    int m_anchor = 0;
    int m_moving = 0;
    int m_stno = 0;
    int m_edno = 0;
    int m_firstEnabled = 0;
    int m_lastEnabled = 0;
    TColor m_backColor = clNavy;
    TColor m_fontColor = clWhite;
    bool m_kikanMove = true;
    bool m_kbdMouse = false;

private:
    friend class TKikanButton;
    void moveByKey(int dir, bool extend);
    void setOwnBackground(TColor c);

    std::vector<TKikanButton*> m_buttons;
    bool m_trackMoves = false;
};

// A panel of month slots, which can also colour the months already confirmed.
class TxKikanMonthPanel : public TxKikanPanelBase {
    Q_OBJECT
public:
    using TxKikanPanelBase::KakuteiBackColor;
    using TxKikanPanelBase::KakuteiFontColor;
    using TxKikanPanelBase::KakuteiMNo;
    using TxKikanPanelBase::KakuteiMode;
    using TxKikanPanelBase::setKakuteiBackColor;
    using TxKikanPanelBase::setKakuteiFontColor;
    using TxKikanPanelBase::setKakuteiMNo;
    using TxKikanPanelBase::setKakuteiMode;

protected:
    using TxKikanPanelBase::TxKikanPanelBase;
};

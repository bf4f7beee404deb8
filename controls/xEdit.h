#pragma once
// Single-line edit of the framework's forms: moves the focus on Enter and the arrow keys (the horizontal
// arrows only when the caret cannot move further), places the caret on entry, reads and writes its text
// as an amount or an integer, can capture the reading of what is typed through the input method, and
// refuses pasted text in code fields whose input method is disabled.
//
// Key handlers of users are event filters: a filter that takes a key stops the navigation.

#include "controls/xKeyStyles.h"
#include "core/Money.h"
#include <QLineEdit>

class TxEdit : public KeyNavigating<QLineEdit> {
    Q_OBJECT
public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    enum TBorderStyle { bsNone, bsSingle };
    enum TCursorPos { cpAllSel, cpLeft, cpRight };
    // The input-method modes of the class library; only imDisable changes anything here.
    enum TImeMode { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata };

    explicit TxEdit(QWidget* parent = nullptr);

    TAlignment Alignment() const { return m_alignment; }
    void setAlignment(TAlignment a);
    using QLineEdit::setAlignment;
    TBorderStyle KeyEdit3D() const { return m_keyEdit3D; }
    void setKeyEdit3D(TBorderStyle s);
    TCursorPos CursorPos() const { return m_cursorPos; }
    void setCursorPos(TCursorPos p) { m_cursorPos = p; }
    TImeMode ImeMode() const { return m_imeMode; }
    void setImeMode(TImeMode m);

    // The text as an amount or integer (0 when it does not convert); writing sets the plain decimal form,
    // also of 0.
    Money Curr() const;
    void setCurr(Money value);
    qint32 Long() const;
    void setLong(qint32 value);

    // The captured reading in half-width katakana (at most 1,024 CP932 bytes); writing an empty text
    // is ignored.
    QString kana();
    void setKana(const QString& reading);
    bool KanaSw() const { return m_kanaSw; }
    void setKanaSw(bool on) { m_kanaSw = on; }
    bool KillPaste() const { return m_killPaste; }
    void setKillPaste(bool on) { m_killPaste = on; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    bool pasteBlocked() const { return m_killPaste && m_imeMode == imDisable; }
    bool refusesPasteClick(const QMouseEvent* e) const;
    bool leftMovesOut() const;
    bool rightMovesOut() const;

    TAlignment m_alignment = taLeftJustify;
    TBorderStyle m_keyEdit3D = bsNone;
    TCursorPos m_cursorPos = cpAllSel;
    TImeMode m_imeMode = imDontCare;
    QString m_reading;
    QString m_pendingReading; // last preedit of the running composition that is a reading
    bool m_kanaSw = false;
    bool m_capturing = false;
    bool m_killPaste = true;
};

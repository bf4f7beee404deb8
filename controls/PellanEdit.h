#pragma once
// Single-line edit for amounts, codes and names: filters typed characters by an edit style, types "00"
// or "000" on a chosen key, flips the sign of an amount with the minus key, shows thousands separators
// while typing, formats the value with an output format when the focus leaves, reports (or takes) the
// automatic advance when the field is full, collects the reading of what is typed, and moves the focus
// with Enter, Tab and the arrows by its own rules.
//
// Lengths (MaxLength, the text limit) count CP932 bytes; with Comma the separators do not count.
// Linux input methods hand over no reading string: the reading of a finished composition is its
// committed text when that is kana; a commit holding kanji adds nothing to Kana.

#include "controls/PellanEditLib.h"
#include "controls/xEdit.h"
#include "controls/xKeyStyles.h"
#include "core/Money.h"
#include <QBrush>
#include <QLineEdit>

class TPellanEdit : public KeyNavigating<QLineEdit> {
    Q_OBJECT
public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };

    explicit TPellanEdit(QWidget* parent = nullptr);

    TAlignment Alignment() const { return m_alignment; }
    void setAlignment(TAlignment a);
    using QLineEdit::setAlignment;
    TAutoNextCtls AutoNextCtls() const { return m_autoNextCtls; }
    void setAutoNextCtls(TAutoNextCtls ctls) { m_autoNextCtls = ctls; }
    // Which automatic advances happened since the last reset (entry, exit, Backspace, Esc).
    TAutoNextCtls AutoNextCtls_Result() const { return m_autoNextResult; }
    QBrush Brush() const { return m_brush; }
    void setBrush(const QBrush& brush);
    TEditStyle EditStyle() const { return m_editStyle; }
    void setEditStyle(TEditStyle s) { m_editStyle = s; }
    // The reading collected while typing; it grows until the owner clears it.
    QString Kana() const { return m_kana; }
    void setKana(const QString& kana) { m_kana = kana; }
    TKanaMode KanaMode() const { return m_kanaMode; }
    void setKanaMode(TKanaMode m) { m_kanaMode = m; }
    TxEdit::TImeMode ImeMode() const { return m_imeMode; }
    void setImeMode(TxEdit::TImeMode m);
    bool KillPaste() const { return m_killPaste; }
    void setKillPaste(bool on) { m_killPaste = on; }
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on);
    QString OutputFormat() const { return m_outputFormat; }
    void setOutputFormat(const QString& f) { m_outputFormat = f; }
    bool Comma() const { return m_comma; }
    void setComma(bool on);
    TZeroKey Zero2Key() const { return m_zero2Key; }
    void setZero2Key(TZeroKey k) { m_zero2Key = k; }
    TZeroKey Zero3Key() const { return m_zero3Key; }
    void setZero3Key(TZeroKey k) { m_zero3Key = k; }
    // A composition of the input method is in progress.
    bool ImeOnFlg() const { return m_imeOn; }
    bool AllowBlank() const { return m_allowBlank; }
    void setAllowBlank(bool on) { m_allowBlank = on; }
    bool EnterKeyNoBeep() const { return m_enterKeyNoBeep; }
    void setEnterKeyNoBeep(bool on) { m_enterKeyNoBeep = on; }
    // Maximum length in bytes (0: none); also resets the text limit.
    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int n);
    // The current text limit in bytes (MaxLength plus the separators shown).
    int textLimit() const { return m_textLimit; }

    // The text as an amount (separators ignored, 0 when it does not convert). Writing shows the value
    // through the output format (plain decimal without one), 0 included.
    Money Curr() const;
    void setCurr(Money value);

Q_SIGNALS:
    void OnMouseEnter(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, QPoint pos);
    void OnMouseLeave(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons, QPoint pos);
    void OnImeStatusChange();
    // After the separators were brought up to date.
    void OnChange();
    // After the control's own rules, with the key they left (0 when they took it).
    void OnKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void OnKeyPress(QChar character);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    bool pasteBlocked() const { return m_killPaste && m_imeMode == TxEdit::imDisable; }
    bool minusStyle() const { return m_editStyle == esNumericMinus || m_editStyle == esFloatMinus; }
    bool floatStyle() const { return m_editStyle == esFloat || m_editStyle == esFloatMinus; }
    bool formats() const { return m_editStyle != esNone && !m_outputFormat.isEmpty(); }
    int digitLength(const QString& text) const;
    int caretPos() const;
    bool zeroKeyActive(TZeroKey key) const;
    bool allowed(QChar c) const;

    bool keyDownRules(QKeyEvent* e);
    // Returns the character as the rules leave it (null when they took it).
    QChar characterRules(QChar c, const QKeyEvent* e);
    void noteTyped(QChar c);
    void advanceWhenFull(QChar& c, bool zeroInserted);
    void insertAtCaret(const QString& s);
    void setTextKeepingLimit(const QString& text);
    void applyOutputFormat();
    void textChangeHandling();
    void appendReading(const QString& reading);
    void applyBackground();

    TAlignment m_alignment = taLeftJustify;
    TAutoNextCtls m_autoNextCtls;
    TAutoNextCtls m_autoNextResult;
    QBrush m_brush{Qt::white, Qt::SolidPattern};
    TEditStyle m_editStyle = esNone;
    QString m_kana;
    TKanaMode m_kanaMode = kmNone;
    TxEdit::TImeMode m_imeMode = TxEdit::imDontCare;
    bool m_killPaste = false;
    bool m_transparent = false;
    QString m_outputFormat;
    bool m_comma = false;
    bool m_keyDownMark = false;
    TZeroKey m_zero2Key = zkNone;
    TZeroKey m_zero3Key = zkNone;
    bool m_imeOn = false;
    bool m_allowBlank = false;
    bool m_enterKeyNoBeep = false;
    int m_maxLength = 0;
    int m_textLimit = 0;

    bool m_inBaseKey = false;    // the library's key handling is changing the text
    bool m_changedInKey = false; // ... and it did
    bool m_formatting = false;
};

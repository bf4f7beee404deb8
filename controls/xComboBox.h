#pragma once
// Combo box of the framework's forms: moves the focus on Enter and the arrow keys while its list is
// closed, selects the first item on Delete, and can search its items by a code typed at the start of
// the text (items read "code" KeyTerm "name"). A code that matches nothing falls back, on leaving, to
// the item remembered before it.

#include "controls/xKeyStyles.h"
#include <QComboBox>

class TxComboBox : public KeyNavigating<QComboBox> {
    Q_OBJECT
public:
    explicit TxComboBox(QWidget* parent = nullptr);

    int DropDownWidth() const { return m_dropDownWidth; }
    void setDropDownWidth(int w) { m_dropDownWidth = w; }
    // Byte length of the code at the start of the text; 0 switches the code search off.
    int KeyLen() const { return m_keyLen; }
    void setKeyLen(int n) { m_keyLen = n; }
    QString KeyTerm() const { return m_keyTerm; }
    void setKeyTerm(const QString& t) { m_keyTerm = t; }
    // The item that leaving the control or closing the list falls back on (-1 none).
    int rememberedIndex() const { return m_remembered; }

    // Windows combo boxes neither complete typed text nor add it to the list.
    void setEditable(bool editable);

    void showPopup() override;
    void hidePopup() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool listDropped() const;
    void selectFirstItem();
    void codeSearch(const QString& text);
    int findCode(const QByteArray& code) const;

    int m_dropDownWidth = 0;
    int m_keyLen = 0;
    QString m_keyTerm = QStringLiteral(":");
    int m_remembered = -1;
    bool m_searching = false;
};

#include "controls/xKikanPanel4.h"

TxKikanPanel4::TxKikanPanel4(QWidget* parent) : TxKikanPanelBase(4, 80, parent) {
    m_stno = 0;
    m_edno = 3;
    for (int i = 0; i < 4; ++i)
        button(i)->setCaption(QString::number(i + 1));
    m_anchor = m_stno;
    m_moving = m_edno;
    layoutButtons();
}

void TxKikanPanel4::setBtnCnt(int count) {
    if ((count != 2 && count != 4) || count == m_btnCnt)
        return;
    m_btnCnt = count;
    static const char16_t* const kHalves[] = {u"上", u"下"};
    for (int i = 0; i < 4; ++i) {
        const bool shown = i < count;
        button(i)->setVisible(shown);
        if (!shown)
            button(i)->setCaption(QString());
        else
            button(i)->setCaption(count == 2 ? QString::fromUtf16(kHalves[i]) : QString::number(i + 1));
    }
    m_stno = 0;
    m_edno = count - 1;
    m_anchor = m_stno;
    m_moving = m_edno;
    layoutButtons();
}

// The arrow keys move within the enabled buttons: a disabled quarter holds no input months.
int TxKikanPanel4::firstKeySlot() const {
    for (int i = 0; i < m_btnCnt; ++i)
        if (slotEnabled(i))
            return i;
    return 0;
}

int TxKikanPanel4::lastKeySlot() const {
    for (int i = m_btnCnt - 1; i >= 0; --i)
        if (slotEnabled(i))
            return i;
    return m_btnCnt - 1;
}

void TxKikanPanel4::SetKikan(int closingDay, TDateTime start, TDateTime end, TDateTime inputStart) {
    const int a = monthOfYear(closingDay, start, inputStart);
    const int b = monthOfYear(closingDay, start, end);
    for (int i = 0; i < m_btnCnt; ++i) {
        button(i)->setVisible(true);
        button(i)->setEnabled(false);
        button(i)->setColors(clBtnFace, clWindowText);
    }
    if (m_btnCnt == 2) {
        m_stno = a < 6 ? 0 : 1;
        m_edno = b < 6 ? 0 : 1;
    } else {
        m_stno = a / 3;
        m_edno = b / 3;
    }
    for (int i = m_stno; i <= m_edno; ++i)
        button(i)->setEnabled(true);
    m_firstEnabled = m_stno;
    m_lastEnabled = m_edno;
    if (!m_kikanMove)
        m_edno = m_stno;
    m_anchor = m_stno;
    m_moving = m_edno;
    layoutButtons();
}

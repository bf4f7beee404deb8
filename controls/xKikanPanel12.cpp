#include "controls/xKikanPanel12.h"
#include "core/uAccDateCmp.h"
#include <algorithm>

namespace {
constexpr int kButtons = 12;
}

TxKikanPanel12::TxKikanPanel12(QWidget* parent) : TxKikanMonthPanel(kButtons, 242, parent) {
    m_stno = 1;
    m_edno = 11;
    loadCalendarYear();
}

int TxKikanPanel12::periodIndex(int button) const {
    return button >= 0 && button < kButtons ? MonthToPeriodSlot(button + 1) : button;
}

void TxKikanPanel12::SetKikan(int closingDay, TDateTime start, TDateTime end, TDateTime inputStart) {
    const int c = monthOfYear(closingDay, start, end);
    m_lastEnabled = c;
    const int e = monthOfYear(closingDay, start, inputStart);
    m_firstEnabled = e;
    m_stno = e;
    m_edno = m_kikanMove ? c : e;

    for (int i = 0; i < kButtons; ++i) {
        button(i)->setVisible(true);
        if (i < e)
            setSlot(i, false, QString(), clBtnFace, clWindowText);
        else
            setSlot(i, true, QString(), m_backColor, m_fontColor);
    }
    for (int j = 0; j <= c; ++j)
        button(j)->setCaption(QString::number(closingMonth(closingDay, start, j)));
    for (int j = c + 1; j < kButtons; ++j)
        setSlot(j, false, QString(), clBtnFace, clWindowText);

    m_anchor = m_stno;
    m_moving = m_edno;
    layoutButtons();
}

void TxKikanPanel12::normalise() {
    auto bound = [&](int v) { return std::min(std::max(v, 0), m_lastEnabled); };
    const int a = bound(m_stno);
    const int b = bound(m_edno);
    m_stno = std::min(a, b);
    m_edno = std::max(a, b);
    m_anchor = m_stno;
    m_moving = m_edno;
    UpdateColors();
}

void TxKikanPanel12::setStno(int value) {
    if (value == m_stno)
        return;
    m_stno = value;
    normalise();
}

void TxKikanPanel12::setEdno(int value) {
    if (value == m_edno)
        return;
    m_edno = value;
    normalise();
}

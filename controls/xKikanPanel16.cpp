#include "controls/xKikanPanel16.h"
#include "core/uAccDateCmp.h"
#include <algorithm>

namespace {

const QString kKessanCaption = QStringLiteral("決");
const QString kQuarterCaption = QStringLiteral("・");
constexpr int kSlots = 16;

} // namespace

TxKikanPanel16::TxKikanPanel16(QWidget* parent) : TxKikanMonthPanel(kSlots, 242, parent) {
    m_stno = 1;
    m_edno = 16;
    loadCalendarYear();
}

int TxKikanPanel16::periodIndex(int slot) const {
    return slot >= 0 && slot < kSlots ? m_periodIndex[size_t(slot)] : slot;
}

// Months 1..12 of the year give slots 0, 1, 2, 4, ... 14. A period that runs longer than twelve months
// keeps its later months in the last month slot, so a long year never indexes past the sixteen slots;
// a date before the start falls on the settlement slot.
int TxKikanPanel16::slotOfDate(int closingDay, TDateTime start, TDateTime date) {
    const int n = monthOffset(closingDay, start, date);
    if (n < 0)
        return 15;
    return MonthToPeriodSlot(std::min(n, 11) + 1);
}

void TxKikanPanel16::SetKikan(int closingDay, TDateTime start, TDateTime end, TDateTime inputStart) {
    const int c = slotOfDate(closingDay, start, end);
    m_lastEnabled = m_kessan ? std::min(c + 1, 15) : c;
    m_lastNo = std::min(c + 1, 15);
    const int e = slotOfDate(closingDay, start, inputStart);
    m_firstEnabled = e;
    m_stno = e;
    m_edno = m_kikanMove ? m_lastEnabled : e;

    for (int i = 0; i < kSlots; ++i) {
        m_periodIndex[size_t(i)] = -1;
        button(i)->setVisible(true);
        setSlot(i, true, QString(), m_backColor, m_fontColor);
    }
    for (int i = 0; i < e && i < kSlots; ++i)
        setSlot(i, false, QString(), clBtnFace, clWindowText);
    for (int j = 0; j <= c + 1 && j < kSlots; ++j) {
        if (j == c + 1) {
            button(j)->setCaption(kKessanCaption);
            m_periodIndex[size_t(j)] = 15;
            continue;
        }
        m_periodIndex[size_t(j)] = j;
        if (j == 3 || j == 7 || j == 11)
            button(j)->setCaption(kQuarterCaption);
        else if (j == 15)
            button(j)->setCaption(kKessanCaption);
        else
            button(j)->setCaption(QString::number(closingMonth(closingDay, start, j - j / 4)));
    }
    for (int i = m_kessan ? c + 2 : c + 1; i < kSlots; ++i)
        setSlot(i, false, QString(), clBtnFace, clWindowText);

    m_anchor = m_stno;
    m_moving = m_edno;
    layoutButtons();
}

void TxKikanPanel16::setEdno(int value) {
    TxKikanPanelBase::setEdno(std::min(value, m_lastNo));
}

void TxKikanPanel16::setDisabelColor(TColor c) {
    if (c == m_disabelColor)
        return;
    m_disabelColor = c;
    UpdateColors();
}

void TxKikanPanel16::setKESSAN(bool on) {
    if (on == m_kessan)
        return;
    m_kessan = on;
    if (!on) {
        if (m_lastEnabled >= 0 && m_lastEnabled < kSlots)
            setSlot(m_lastEnabled, false, QString(), clBtnFace, clWindowText);
        --m_lastEnabled;
    } else if (m_lastEnabled + 1 < kSlots) {
        ++m_lastEnabled;
        button(m_lastEnabled)->setEnabled(true);
        button(m_lastEnabled)->setCaption(kKessanCaption);
        UpdateColors();
    }
}

#pragma once
// One fiscal year as sixteen slots: the twelve months with a settlement slot after every quarter
// (slots 3, 7 and 11) and the year-end settlement in the slot after the last month. Slot numbers are
// the zero-based sixteen-slot period index of the fiscal year.

#include "controls/xKikanPanelBase.h"
#include <array>

class TxKikanPanel16 : public TxKikanMonthPanel {
    Q_OBJECT
public:
    explicit TxKikanPanel16(QWidget* parent = nullptr);

    // A value above LastNo is stored as LastNo.
    void setEdno(int value) override;
    TColor DisabelColor() const { return m_disabelColor; }
    void setDisabelColor(TColor c);
    bool KESSAN() const { return m_kessan; }
    void setKESSAN(bool on);
    // Period index of slot Stno / Edno (15 for the settlement slot of a short year, -1 after the
    // period); the value itself when it lies outside the sixteen slots.
    int StMonthNo() const { return periodIndex(m_stno); }
    int EdMonthNo() const { return periodIndex(m_edno); }
    int LastNo() const { return m_lastNo; }

    void SetKikan(int closingDay, TDateTime start, TDateTime end, TDateTime inputStart) override;

protected:
    bool enterClearsKbdMouse() const override { return true; }
    TColor disabledSelectionColor() const override { return m_disabelColor; }

private:
    int periodIndex(int slot) const;
    static int slotOfDate(int closingDay, TDateTime start, TDateTime date);

    std::array<int, 16> m_periodIndex{};
    int m_lastNo = 16;
    TColor m_disabelColor = clSilver;
    bool m_kessan = true;
};

#pragma once
// One fiscal year as twelve month buttons, without settlement slots.

#include "controls/xKikanPanelBase.h"

class TxKikanPanel12 : public TxKikanMonthPanel {
    Q_OBJECT
public:
    explicit TxKikanPanel12(QWidget* parent = nullptr);

    // Both setters keep the pair in order and inside 0..LastNo.
    void setStno(int value) override;
    void setEdno(int value) override;
    // Sixteen-slot period index of button Stno / Edno (0, 1, 2, 4, ... 14); the value itself outside
    // the twelve buttons.
    int StMonNo() const { return periodIndex(m_stno); }
    int EdMonNo() const { return periodIndex(m_edno); }
    // The last enabled button.
    int LastNo() const { return m_lastEnabled; }

    void SetKikan(int closingDay, TDateTime start, TDateTime end, TDateTime inputStart) override;

private:
    int periodIndex(int button) const;
    void normalise();
};

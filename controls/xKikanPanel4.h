#pragma once
// One fiscal year as four quarter buttons "1" ... "4", or as the two half years "上" and "下". Only the
// quarters (half years) that hold input months are enabled; the arrow keys stay among them.

#include "controls/xKikanPanelBase.h"

class TxKikanPanel4 : public TxKikanPanelBase {
    Q_OBJECT
public:
    explicit TxKikanPanel4(QWidget* parent = nullptr);

    // 4 quarters or 2 half years; other values are ignored. A change resets the selection to all.
    int BtnCnt() const { return m_btnCnt; }
    void setBtnCnt(int count);

    void SetKikan(int closingDay, TDateTime start, TDateTime end, TDateTime inputStart) override;

protected:
    int visibleButtonCount() const override { return m_btnCnt; }
    int firstKeySlot() const override;
    int lastKeySlot() const override;
    int lastClickSlot() const override { return m_btnCnt - 1; }
    bool keysStayInBounds() const override { return true; }
    bool hasConfirmedColors() const override { return false; }

private:
    int m_btnCnt = 4;
};

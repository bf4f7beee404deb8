#pragma once
// The report colour dialog ("帳票色の選択"): frame lines, ruled lines, heading rows and total rows. In
// per-report mode the colours go back to the print option dialog; otherwise they become the operator's
// own report colours and are saved with the operator's settings. The colour picker's sixteen custom
// colours are kept per operator as the style text "Pallet_CustomColor", also when the dialog is
// cancelled.

#include "controls/SDI.h"

#include <memory>
#include <vector>

class QFrame;
class QLabel;
class QPushButton;

namespace Ui {
class TPrnColorSetBox;
}

class TPrnColorSetBox : public TBSDI {
    Q_OBJECT
public:
    explicit TPrnColorSetBox(QWidget* owner = nullptr);
    ~TPrnColorSetBox() override;

    qint32 LineColor1() const { return m_colors[0]; }
    qint32 LineColor2() const { return m_colors[1]; }
    qint32 NetColor1() const { return m_colors[2]; }
    qint32 NetColor2() const { return m_colors[3]; }
    void setLineColor1(qint32 c) { setColor(0, c); }
    void setLineColor2(qint32 c) { setColor(1, c); }
    void setNetColor1(qint32 c) { setColor(2, c); }
    void setNetColor2(qint32 c) { setColor(3, c); }

    void Setup(int Flag);
    void btnLineColor1Click(int Tag);
    void lblKankyoColorClick();
    void btnOKClick();

    // The picker's custom colours as stored: "ColorA=BBGGRR" to "ColorP=…", each line ended by CR.
    static QString CustomColorText(const std::vector<quint32>& colors);
    static std::vector<quint32> ParseCustomColorText(const QString& text);

    int PerReport = 0; // 1: the colours go back to the caller only
    int SetupFlag = 0;
    std::vector<quint32> CustomColors;

    // The panels and their "変更" buttons in the order of the colours (the buttons' tags 0 to 3).
    QLabel* lblKankyoColor = nullptr;
    QFrame* pnlColor[4] = {};
    QPushButton* btnColor[4] = {};
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose(TCloseAction& Action) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void setColor(int index, qint32 c);
    void paintPanel(int index, qint32 c);
    qint32 panelColor(int index) const;

    std::unique_ptr<Ui::TPrnColorSetBox> ui;
    qint32 m_colors[4] = {};
    qint32 m_panel[4] = {};
};

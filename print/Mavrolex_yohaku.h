#pragma once
// The margin dialog "設定" of the preview: shifts the report on the paper (top and left offset, 0.1 mm,
// -100 to 100) and corrects its line and character spacing (per mille around 1000, the fields showing
// the difference in 0.1 %, -50 to 50). The values are taken only on OK.

#include <QDialog>
#include <memory>

class QGroupBox;
class TEditMvx;
class TUpDown;
namespace Ui {
class Tfmyohaku;
}

class Tfmyohaku : public QDialog {
    Q_OBJECT
public:
    // Dialog heights with and without the spacing group.
    static constexpr int kHeightWithRatios = 320;
    static constexpr int kHeightWithoutRatios = 220;

    explicit Tfmyohaku(QWidget* owner = nullptr);
    ~Tfmyohaku() override;

    int TopOffset() const { return m_topOffset; }
    void setTopOffset(int value);
    int LeftOffset() const { return m_leftOffset; }
    void setLeftOffset(int value);
    int VRatio() const { return m_vRatio; }
    void setVRatio(int value);
    int HRatio() const { return m_hRatio; }
    void setHRatio(int value);

    // Shows or hides the spacing group and sizes the dialog to match.
    void showRatioGroup(bool show);

    // The four fields: top offset, left offset, vertical and horizontal correction.
    TEditMvx* EdTop() const { return m_edTop; }
    TEditMvx* EdLeft() const { return m_edLeft; }
    TEditMvx* EdVertical() const { return m_edVertical; }
    TEditMvx* EdHorizontal() const { return m_edHorizontal; }
    QGroupBox* GroupBox3() const;
    TUpDown* UpDown(int n) const;

    void FormCreate();
    // Clamps the field that loses the focus to its range.
    void ED_TOPExit(TEditMvx* field);
    // True when the key is dropped.
    bool ED_TOPKeyPress(TEditMvx* field, QKeyEvent* e);
    void Button1Click();

    // Closing without OK leaves the values as they were and shows them again in the fields, so that the
    // next showing does not offer what was typed and dropped.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void showValues();
    TEditMvx* makeField(QWidget* parent, int x, int y, TUpDown* upDown);
    bool isField(QObject* o) const;

    std::unique_ptr<Ui::Tfmyohaku> ui;
    TEditMvx* m_edTop = nullptr;
    TEditMvx* m_edLeft = nullptr;
    TEditMvx* m_edVertical = nullptr;
    TEditMvx* m_edHorizontal = nullptr;
    int m_topOffset = 0;
    int m_leftOffset = 0;
    int m_vRatio = 0;
    int m_hRatio = 0;
};

#pragma once
// The print option dialog of the dataset lists: the base options without colour, start page and both
// sides, plus the paper orientation, which is kept per operator as the option line "P010" of the stored
// report style.

#include "print/z5PrintDlg.h"

#include <memory>

namespace Ui {
class TDataSentakuPrintDlg;
}

class TDataSentakuPrintDlg : public TPrintDlgBox {
    Q_OBJECT
public:
    explicit TDataSentakuPrintDlg(QWidget* owner = nullptr);
    ~TDataSentakuPrintDlg() override;

    void Setup(int Flag) override;
    void ApplyOptions() override;
    void SetHints() override;
    void HozonFukugen(const QString& Mode) override;

    // The OK, preview and copy buttons' handler.
    void OKClick(QAbstractButton* Sender);

    int Orientation = 0; // 0 portrait, 1 landscape
    QLabel* lblOrientation = nullptr;
    QGroupBox* grpOrientation = nullptr;
    TxRadioButton* rbTate = nullptr;
    TxRadioButton* rbYoko = nullptr;

private:
    void restoreOrientation();

    std::unique_ptr<Ui::TDataSentakuPrintDlg> ui;
};

#include "core/TDataListRec.h"

// Asks for the print options of a dataset list (list kind 0 the data selection's list, 1 the
// shared-server list) and prints or previews the rows in display order. False when the dialog was
// cancelled or the print did not complete.
bool PrintDatasetList(QWidget* owner, int listKind, const TDataSentakuRecArray& list,
                      const TDataSentakuRecDispArray& disp);

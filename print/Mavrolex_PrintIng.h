#pragma once
// The print run: checks a report's files, hands its settings to the printer, asks the printer dialog, and
// prints the pages from the timer of the modal progress dialog "印刷", each data page over its form page.
// One run at a time, on the user-interface thread.

#include "print/Mavrolex_Record.h"

#include <QDialog>
#include <memory>

class QTimer;
namespace Ui {
class TNowPrintingdlg;
}

// What the printer dialog decided, kept while a run lasts.
struct TStartPrintDlg {
    bool allowPageNumbers = false;
    int minPage = 1;
    int maxPage = 1;
    int fromPage = 1;
    int toPage = 1;
    bool pageRange = false; // false: all pages
};

// The progress dialog: " 印刷中です。", the page just started, and "ｷｬﾝｾﾙ".
class TNowPrintingdlg : public QDialog {
public:
    explicit TNowPrintingdlg(QWidget* parent = nullptr);
    ~TNowPrintingdlg() override;

    // The page loop; the timer's first tick runs it.
    void PrintStart();
    // Asks "印刷を中止しますか？"; Yes cancels the run after the current page.
    void CancelButtonClick();
    QString pageMessage() const;

    QTimer* Timer;

private:
    void setPageMessage(int page);
    std::unique_ptr<Ui::TNowPrintingdlg> ui;
};

inline const QString kMsgPrintCancelQuestion = QStringLiteral("印刷を中止しますか？");
inline const QString kMsgNoPrintFile = QStringLiteral("印刷ファイルの指定がありません。");

// Set by the Cancel button or an error in the page loop; cleared when a run starts.
extern bool PrintCancelled;

// Prints Rec's files: -1 when the run went ahead, 0 when it did not (engine not ready, printing not
// permitted, a check failed, the printer dialog or the run was cancelled).
int StartPrintRun(TPmvxDEF& Rec);
// Prints page PageIndex of Rec's data file with its form page in the orientation (0 portrait,
// 1 landscape), without the printer dialog.
void PrintCurrentPage(TPmvxDEF& Rec, int PageIndex, int Orientation);

#pragma once
// Prints or previews a dataset list as it is shown: the rows in display order, each parent followed by
// its children, laid out page by page as drawing records of the report component.

#include "core/TDataListRec.h"
#include "print/z5PrintRec.h"

#include <memory>

class TMavrolex;

class TPrDataList {
public:
    TPrDataList();
    ~TPrDataList();
    TPrDataList(const TPrDataList&) = delete;
    TPrDataList& operator=(const TPrDataList&) = delete;

    // 1 prints, 0 previews; the other two arguments are not used. False when the report component
    // refused the spool file or the run did not complete.
    bool PrintList(int Print, int Arg2 = 0, int Arg3 = 0);

    TMavrolex& Report() { return *m_report; }

    int ListKind = 0; // 0 the dataset list, 1 the shared-server list
    TDefaultPrintRec PrintRec;
    TDataSentakuRecArray List;
    TDataSentakuRecDispArray Disp;
    int Orientation = 0; // 0 portrait, 1 landscape

private:
    void PrintPage();
    void PrintRow(const TDataListRec& row, const QString* number);
    void Text(int x, int y, const QString& text, int size, const QString& alignment);
    void Rule(int y, int penWidth, int penStyle);

    std::unique_ptr<TMavrolex> m_report;
    int m_page = 1;
    int m_rowsOnPage = 0;
    int m_rowsPerPage = 55;
    int m_right = 2000;
    int m_bottom = 2820;
};

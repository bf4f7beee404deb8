#pragma once
// The print options a report's caller hands to the print option dialog and gets back from it, their
// defaults, and the monochrome switch of the report component.

#include <QString>

class TMavrolex;

struct TDefaultPrintRec {
    QString ReportName;   // the style key of the stored report style is made from it
    qint32 ColorMode = 0; // 0 monochrome, 1 colour
    qint32 StartPage = 1;
    bool BothSides = false; // shift the margins of even pages for double-sided printing
    qint32 FontNo = 0;
    qint32 TitleSize = 16;
    qint32 HeadSize = 9;
    qint32 BodySize = 10;
    qint32 LineColor1 = 0; // frame lines
    qint32 LineColor2 = 0; // ruled lines
    qint32 NetColor1 = 0;  // heading rows
    qint32 NetColor2 = 0;  // total rows
    QString OptionText;    // saved option lines, key=value
};

// The defaults; the four colours are the operator's report colours of SystemDef.
void InitPrintRec(TDefaultPrintRec& Rec);

// Colour mode 0: user and OCR colours black, the net colours grey. Any other mode leaves the component.
void SetMonoPrintColors(int ColorMode, TMavrolex& Component);

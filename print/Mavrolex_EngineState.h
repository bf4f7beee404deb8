#pragma once
// The print engine's process-wide state and the services the renderer, the preview window and the print
// run share: start-up, the field reader of the record syntax, page positioning, counting and numbering,
// per-page orientation, the variable tables of form files, the paper table and the paper ratios.
// User-interface thread only; one preview and one print run at a time.

#include "print/Mavrolex_Fonts.h"
#include "print/Mavrolex_Record.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

class SpoolTextFile;
class TVDBPrint;

// One variable definition ("&") of a form page.
struct TDataField {
    qint32 UseCount = 0; // "@" records drawn for it on the current page
    QString Name;        // upper-cased; entry 0 holds the line pitch ("0" or "行間")
    qint32 X = 0;
    qint32 Y = 0;
    QString Font = QStringLiteral("ＭＳ 明朝");
    qint32 Size = 10;
    QString Style;
    qint32 Color = 0;
    qint32 Background = 0;
    qint32 Alignment = 0;
    qint32 Width = 0; // entry 0: the line pitch
    qint32 FirstOnly = 0;
    qint32 Center = 0;
};

// One total definition ("$"); read, never drawn.
struct TTotalField {
    QString Name;
    qint32 X = 0;
    qint32 Y = 0;
    quint8 Mark = 0;
};

inline constexpr int kFormSlots = 5;
inline constexpr int kFieldEntries = 202;   // 0 to 200 used
inline constexpr int kMaxDefinitions = 200; // per slot
inline constexpr int kLookupEntries = 100;  // FindFormVariable sees 1 to 100
inline constexpr int kDisplayEntries = 12;  // 0 to 9 used
inline constexpr int kUsedDisplayEntries = 10;

struct TFormSlot {
    std::array<TDataField, kFieldEntries> Fields;
    std::array<TTotalField, kFieldEntries> Totals;
    std::array<TDataField, kDisplayEntries> Displays;
    int FieldCount = 0; // named definitions in entries 1..
    int TotalCount = 0;
};

struct MavrolexEngineState {
    QString FormFileName;
    QString DataFileName;
    bool Ready = false;
    bool PaperNotListed = false;
    // 0.1 mm: margins in effect, the even-page shift and the unprintable edges.
    qint32 LeftMargin = 0;
    qint32 TopMargin = 0;
    qint32 EvenShift = 0;
    qint32 UnprintableLeft = 0;
    qint32 UnprintableTop = 0;
    // Per mille; 0 means no scaling.
    qint32 VRatio = 0;
    qint32 HRatio = 0;
    qint32 Zoom = 10;
    int TotalPages = 1;
    int CurrentPage = 1;
    int PageIndex = 1;       // page whose number the renderer prints
    QStringList PageNumbers; // per data page: its number, or "0"
    int NumberedPages = 1;
    int FormSeparators = 0; // "E;" lines read by LoadFormVariables, at most 5
    QString MessageText;
    int FieldCursor = 0;
    FontLists Fonts;
    std::array<TFormSlot, kFormSlots> Slots;
    std::unique_ptr<TVDBPrint> Vdb;
};

// The engine; started on first use with the installed printer device (PrinterDevice.h).
MavrolexEngineState& Engine();
// Starts the engine anew (after another printer device was installed); Ready tells whether it succeeded.
void RestartMavrolexEngine();
// Releases the engine's printer object and tables; the next Engine() starts it again.
void ShutdownMavrolexEngine();

// Entry points of the preview window and of the print run, installed by their units. The preview answers
// its close number (0: not shown), the print run -1 when it went ahead and 0 when it did not. Unset, the
// engine has no preview or print run and answers 0. The preview (StartPreview) and the print run
// (StartPrintRun) are installed from the start.
extern std::function<int(TPmvxDEF&)> MavrolexPreviewProc;
extern std::function<int(TPmvxDEF&)> MavrolexPrintRunProc;

// ---- field reader ----
// Resets the field cursor and returns the line's first field, upper-cased.
QString SpoolRecordKind(const QString& line);
// The next field from the cursor up to the next ";", which it steps over; empty at the line's end. A
// cursor that does not fit the line shows "パラメータエラー" and gives an empty field.
QString SpoolFieldReader(const QString& line);

// ---- pages ----
// Reads on from the file's position until n - 1 page ends have passed; with wrap the end of the file
// rewinds it and counts as a page end. True when the file stands at the start of page n.
bool SeekSpoolPage(SpoolTextFile& file, int n, bool wrap);
// Page ends plus one (1 for a missing file, after OpenTextFileChecked's message). With build and page
// numbers on in EngineSettings it rebuilds the page-number list. It always sets the numbered pages.
int CountSpoolPages(const QString& path, bool build);
// Total pages of the preview from the form file's and the data file's pages; the current page becomes 1.
void CountPreviewPages();
// Per page the value of its last ORIENTATION record, else orientation; lines beginning "*" skipped.
QList<int> ReadPageOrientations(const QString& path, int orientation);

// ---- form variables ----
// Clears the tables and reads the form file's definitions, offset by (offsetX, offsetY) in 0.1 mm.
// A failure is logged as "ImageOut.HensuuYomikomi:<error>" and raised as EMavrolexError.
void LoadFormVariables(const QString& path, int offsetX, int offsetY);
// Index 1..100 of the variable of that name (upper-cased) in the slot; 0 when none.
int FindFormVariable(int slot, const QString& name);
// Marks the total 0..100 of that name in the slot and returns its index; -1 when none.
int MarkTotalField(int slot, const QString& name);
// Slot of data page p (from 1): (p - 1) mod the form pages whose definitions were read (at most 5).
int FormSlotOfPage(int page);

// ---- paper ----
// Portrait width and height in mm of a paper code; for a code not in the table the printer's printable
// size plus 20 mm each way, marking the paper as not listed.
QSize PaperSizeMm(int paperCode);
// Sets the engine's ratios for the report's paper on the printer's paper.
void ApplyPaperRatio();

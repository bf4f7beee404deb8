#pragma once
// The engine's way to the current printer's device settings: paper numbers, user paper size, TrueType
// option and the copies, scale, quality, colour, duplex and collation of a print settings record.
// Every operation logs its failure to the engine's error log ("Vdb.<operation>:<error>") and returns its
// default, so a printer problem never interrupts the operator.

#include "print/Mavrolex_Record.h"

#include <QString>

class PrinterDevice;

class TVDBPrint {
public:
    // Works on device, which must outlive the object. Selects the default printer and sets the TrueType
    // option to 1; no default printer sets NoPrinter.
    explicit TVDBPrint(PrinterDevice& device);

    // Set when there was no default printer at creation: every operation then does nothing.
    bool NoPrinter = false;

    // The number of the first paper named PaperName exactly, else of the first paper whose length and
    // width lie strictly within 1 mm of Length and Width (both above 0), else Default.
    int GetPaperNumber(const QString& PaperName, int Length, int Width, int Default);
    // The paper number of the device settings; 9 (A4) without a printer or on an error.
    int GetPaper();
    void SetPaper(int Paper);
    // 1 prints TrueType fonts as graphics, 2 downloads them.
    void SetTTOption(int Option);
    // Paper length and width in 0.1 mm.
    void SetUserPaperSize(int Length, int Width);
    void ResetUserPaperSize();
    void GetDevMode(TPmvxDEF& Rec);
    void SetDevMode(const TPmvxDEF& Rec);

    PrinterDevice& device() { return m_device; }

private:
    template <typename F> void guarded(const char* context, F&& body);
    // Reads the device settings, changes them and hands them back to the printer.
    template <typename F> void changeDevMode(const char* context, F&& change);

    PrinterDevice& m_device;
};

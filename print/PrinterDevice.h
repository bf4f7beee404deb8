#pragma once
// The printer as the engine sees it: the system's printers, the current printer's papers and device
// settings (the fields of the platform's device-mode record), and the document being printed with its
// canvas. QtPrinterDevice drives QPrinter; tests use a recording fake. One device is installed per
// process; the engine's printer settings object and the print run work on it.

#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <stdexcept>

class QPainter;

// A failure the printer reports; what() is its text.
class EPrinterError : public std::runtime_error {
public:
    explicit EPrinterError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// The printer object's text when no default printer exists.
inline const QString kMsgNoDefaultPrinter = QStringLiteral("デフォルト プリンタが存在しません");

// Bits of the device settings' field mask.
enum DevModeField : quint32 {
    DM_ORIENTATION = 0x00000001,
    DM_PAPERSIZE = 0x00000002,
    DM_PAPERLENGTH = 0x00000004,
    DM_PAPERWIDTH = 0x00000008,
    DM_SCALE = 0x00000010,
    DM_COPIES = 0x00000100,
    DM_DEFAULTSOURCE = 0x00000200,
    DM_PRINTQUALITY = 0x00000400,
    DM_COLOR = 0x00000800,
    DM_DUPLEX = 0x00001000,
    DM_YRESOLUTION = 0x00002000,
    DM_TTOPTION = 0x00004000,
    DM_COLLATE = 0x00008000,
    DM_FORMNAME = 0x00010000,
};

// Platform paper numbers the engine names.
enum PaperNumber : int {
    DMPAPER_A3 = 8,
    DMPAPER_A4 = 9,
    DMPAPER_A5 = 11,
    DMPAPER_B4 = 12,
    DMPAPER_B5 = 13,
    DMPAPER_USER = 256
};

// A printer's device settings. Lengths in 0.1 mm; orientation 1 portrait, 2 landscape; colour 1
// monochrome, 2 colour; duplex 1 simplex, 2 vertical, 3 horizontal; quality -4 high .. -1 draft or dpi.
struct DevMode {
    QString deviceName;
    QString formName;
    quint32 fields = 0;
    int orientation = 1;
    int paperSize = DMPAPER_A4;
    int paperLength = 0;
    int paperWidth = 0;
    int scale = 100;
    int copies = 1;
    int defaultSource = 7; // automatic paper source
    int printQuality = -4;
    int color = 2;
    int duplex = 1;
    int yResolution = 0;
    int ttOption = 1;
    int collate = 0;
    bool operator==(const DevMode&) const = default;
};

// A paper the driver offers: its number, name and portrait size in 0.1 mm.
struct PaperInfo {
    int number = 0;
    QString name;
    int width = 0;
    int length = 0;
};

// Paper numbers and QPageSize: nullopt for a number without a page size (256, user size, included).
std::optional<QPageSize::PageSizeId> PageSizeOfPaper(int paperNumber);
// The paper number of a page size; 0 when the platform has none for it.
int PaperOfPageSize(QPageSize::PageSizeId id);
// Every paper number that has a page size, in number order.
QList<int> KnownPaperNumbers();
// The driver's paper entry of a number that has a page size (name and size from QPageSize).
PaperInfo PaperInfoOf(int paperNumber);

class PrinterDevice {
public:
    virtual ~PrinterDevice() = default;

    // ---- printers ----
    // Names of the printers; empty when the system has none.
    virtual QStringList printers() const = 0;
    // Index of the current printer in printers().
    virtual int printerIndex() const = 0;
    // Selects a printer; -1 selects the default one. Raises EPrinterError with kMsgNoDefaultPrinter when
    // -1 is asked and there is no printer, and for an index out of range.
    virtual void setPrinterIndex(int index) = 0;

    // ---- device settings of the current printer ----
    virtual QList<PaperInfo> papers() const = 0;
    virtual DevMode devMode() const = 0;
    // The printer takes the settings; fields it cannot apply are kept and reported back as they are.
    virtual void setDevMode(const DevMode& mode) = 0;

    // Shorthands over the device settings.
    int orientation() const { return devMode().orientation; } // 1 portrait, 2 landscape
    void setOrientation(int orientation);
    int copies() const { return devMode().copies; }
    void setCopies(int copies);
    bool collate() const { return devMode().collate != 0; }
    void setCollate(bool collate);

    // ---- resolution and page geometry of the current settings ----
    virtual int dpiX() const = 0;
    virtual int dpiY() const = 0;
    // Paper size in mm as fed (landscape swaps width and height).
    virtual QSizeF paperSizeMm() const = 0;
    // Printable area in mm, from the paper's top left corner.
    virtual QRectF printableAreaMm() const = 0;

    // ---- documents ----
    virtual void beginDoc(const QString& title) = 0;
    virtual void newPage() = 0;
    // Completes the document; raises EPrinterError when its output cannot be completed.
    virtual void endDoc() = 0;
    // Drops the document; nothing of it remains. Never throws.
    virtual void abortDoc() noexcept = 0;
    virtual bool printing() const = 0;
    // Page of the current document, from 1.
    virtual int pageNumber() const = 0;
    // The page's canvas while a document is printing, else nullptr. Device units: dpiX()/dpiY() per
    // inch from the printable area's corner.
    virtual QPainter* canvas() = 0;
};

// The process's printer device (a QtPrinterDevice until another is installed).
PrinterDevice& CurrentPrinterDevice();
// Installs a device and returns the previous one.
std::unique_ptr<PrinterDevice> InstallPrinterDevice(std::unique_ptr<PrinterDevice> device);

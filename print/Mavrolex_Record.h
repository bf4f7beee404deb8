#pragma once
// The print settings record that carries a report's settings from the report component to the engine,
// and the engine's own process-wide instance of it.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The engine version text written into every spool header.
inline constexpr char kMavrolexVersion[] = "VCL.2.5";

// A text field of a fixed width: it holds at most Bytes CP932 bytes and is cut at a character
// boundary when a longer text is assigned, so a record never carries more than its field can hold.
template <int Bytes> class BoundedText {
public:
    BoundedText() = default;
    BoundedText(const QString& text) { assign(text); } // NOLINT: assigned like a plain text
    BoundedText& operator=(const QString& text) {
        assign(text);
        return *this;
    }
    operator const QString&() const { return m_text; } // NOLINT
    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    bool operator==(const BoundedText&) const = default;
    static constexpr int maxBytes() { return Bytes; }

private:
    void assign(const QString& text);
    QString m_text;
};

// The longest head of text that fits in bytes CP932 bytes, never splitting a double-byte character.
QString CutToBytes(const QString& text, int bytes);

template <int Bytes> void BoundedText<Bytes>::assign(const QString& text) {
    m_text = CutToBytes(text, Bytes);
}

using PathText = BoundedText<127>;
using NameText = BoundedText<63>;

// Page-number settings.
struct TPAGEBANGO {
    bool Switch = false;
    qint32 Left = 0;
    qint32 Top = 0;
    qint32 Alignment = 2; // 0 left, 1 centre, 2 right
    QString FontName;
    qint32 FontSize = 10;
    QString Format;
    qint32 FormatArgCount = 0; // "%d" placeholders in Format
    bool operator==(const TPAGEBANGO&) const = default;
};

// Positions and lengths in 0.1 mm, colours 0x00BBGGRR, ratios in per mille. A value-initialised record
// is all zero and empty, as the print run's own record starts.
struct TPmvxDEF {
    PathText FormFile;
    PathText DataFile;
    NameText Title;
    NameText DeviceName;
    NameText FormName;
    NameText DocTitle;
    qint32 PrinterNum = 0;
    qint32 PaperSize = 0;
    qint32 OutPutPaper = 0;
    qint32 VRATIO = 0;
    qint32 HRATIO = 0;
    NameText PaperName;
    qint32 Orientation = 0;
    qint32 TopMargin = 0;
    qint32 LeftMargin = 0;
    qint32 EvenLeftOffset = 0;
    qint32 TopCorrect = 0;
    qint32 LeftCorrect = 0;
    qint32 FormTopMargin = 0;
    qint32 FormLeftMargin = 0;
    qint32 BinNum = 0;
    qint32 NetColor1 = 0;
    qint32 NetColor2 = 0;
    qint32 UserColor1 = 0;
    qint32 UserColor2 = 0;
    qint32 OcrGreen = 0;
    qint32 OcrBlue = 0;
    qint32 OcrBrown = 0;
    qint32 OcrPink = 0;
    qint32 OcrOrange = 0;
    qint32 OcrViolet = 0;
    qint32 OcrPurple = 0;
    bool PrintFom = false;
    bool PrnDlg = false;
    qint32 Zoom = 0;
    bool SizeChange = false;
    bool ImageOut = false;
    bool CurrentPage = false;
    bool PrevPaperButton = false;
    bool NextPaperButton = false;
    bool ModeSw = false;
    qint32 PaperLength = 0;
    qint32 PaperWidth = 0;
    qint32 Scale = 0;
    qint32 Copies = 0;
    qint32 PrintQuality = 0; // -4 high, -3 medium, -2 low, -1 draft, 0 the printer's own
    qint32 ColorMode = 0;    // 1 monochrome, 2 colour, 0 the printer's own
    qint32 Duplex = 0;       // 1 simplex, 2 vertical, 3 horizontal, 0 the printer's own
    qint32 Collate = 0;
    qint32 YResolution = 0;
    bool Permit = false;
    bool GrayScale = false;
    quint32 DevFields = 0;
    TPAGEBANGO PageBango{false, 0, 0, 0, QString(), 0, QString(), 0};
    bool operator==(const TPmvxDEF&) const = default;
};

// The seven OCR colours in field order, as the engine and the report component start them.
inline constexpr qint32 kOcrGreen = 0x2CBE00, kOcrBlue = 0xAC661F, kOcrBrown = 0x23234D, kOcrPink = 0x7F02F0,
                        kOcrOrange = 0x41B3FE, kOcrViolet = 0x903D57, kOcrPurple = 0x741A82;
inline constexpr qint32 kDefaultNetColor = 0xC0C0C0;

// The values EngineSettings holds before any report has been handed over.
TPmvxDEF DefaultEngineSettings();

// The engine's one settings record; the preview and the print run copy the record they are given into it.
extern TPmvxDEF EngineSettings;

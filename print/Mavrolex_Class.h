#pragma once
// The report engine's programming interface: a caller sets the properties, opens a spool file, writes
// each page's drawing records through the put operations, closes the file and asks for a preview or a
// print run. The order a caller follows:
//   BeginData(true); PutHeader(); per page: NewPage() before every page but the first, then PutText /
//   PutLine / PutBox; EndData() also when writing failed; then Print() or Preview().

#include "print/Mavrolex_Function.h"
#include "print/Mavrolex_Record.h"

#include <QFile>
#include <QObject>
#include <QString>

// A spool file that cannot be created or written; the put operations raise it.
class EMavrolexIOError : public EMavrolexError {
public:
    using EMavrolexError::EMavrolexError;
};

#define MAVROLEX_PROPERTY(Type, Name, Default)                                                               \
public:                                                                                                      \
    Type Name() const {                                                                                      \
        return m_##Name;                                                                                     \
    }                                                                                                        \
    void set##Name(const Type& value) {                                                                      \
        m_##Name = value;                                                                                    \
    }                                                                                                        \
                                                                                                             \
private:                                                                                                     \
    Type m_##Name = Default;

class TMavrolex : public QObject {

public:
    enum class TAlignment { Left, Right, Center };

    explicit TMavrolex(QObject* owner = nullptr);
    ~TMavrolex() override;

    // Opens the spool file DataFile (with UseTempName a new "~" file in DataFile's folder) and writes the
    // header. Raises EMavrolexIOError when the file cannot be created or written.
    void BeginData(bool UseTempName);
    // Writes the header block; only the first call after BeginData writes anything.
    void PutHeader();
    void PutText(int X, int Y, const QString& Text, const QString& Font, int Size, const QString& Style,
                 const QString& Color, const QString& Background, const QString& Alignment, int Width);
    void PutLine(int X1, int Y1, int X2, int Y2, int LineWidth, int PenStyle, const QString& Color,
                 bool Fine);
    void PutBox(int X1, int Y1, int X2, int Y2, int LineWidth, int PenStyle, const QString& PenColor,
                const QString& BrushColor, int BrushStyle);
    void NewPage();
    // Closes the spool file. Never throws; false when the file could not be completed, and then
    // Preview and Print refuse it.
    bool EndData() noexcept;
    bool Preview();
    bool Print();
    // A new, unique, empty file named "~…" in Folder; raises EMavrolexIOError when none can be made.
    static QString TempFileName(const QString& Folder);

    // The record text of a TEXT record as PutText writes it (fitting, ";" to ":", "OFF" to "1").
    static QString TextRecord(int X, int Y, const QString& Text, const QString& Font, int Size,
                              const QString& Style, const QString& Color, const QString& Background,
                              const QString& Alignment, int Width);

    // ---- properties with a rule of their own ----
    QString OcrFontName() const { return m_OcrFontName; }
    void setOcrFontName(const QString& value);
    int Copie() const { return m_Copie; }
    void setCopie(int value);
    int Zoom() const { return m_Zoom; }
    void setZoom(int value);
    int Scale() const { return m_Scale; }
    void setScale(int value);
    int PrintQuality() const { return m_PrintQuality; }
    void setPrintQuality(int value);
    int ColorMode() const { return m_ColorMode; }
    void setColorMode(int value);
    int Duplex() const { return m_Duplex; }
    void setDuplex(int value);
    int Collate() const { return m_Collate; }
    void setCollate(int value);
    int VRATIO() const { return m_VRATIO; }
    void setVRATIO(int value);
    int HRATIO() const { return m_HRATIO; }
    void setHRATIO(int value);
    QString PageBangoFormat() const { return m_PageBangoFormat; }
    // Tried out with page number 1 (and total 1); a format that does not take one or two integers switches
    // page numbers off and becomes "(%d/%d)".
    void setPageBangoFormat(const QString& value);
    int PageBangoFormatArgCount() const { return m_FormatArgCount; }
    TAlignment PageBangoAlignment() const;
    void setPageBangoAlignment(TAlignment value);
    void setDocTitle(const QString& value) { m_DocTitle = value; }
    void setPrevPaperButton(bool value) { m_PrevPaperButton = value; }
    void setNextPaperButton(bool value) { m_NextPaperButton = value; }
    int PreviewCloseNum() const { return m_PreviewCloseNum; }

    // ---- stored properties ----
    MAVROLEX_PROPERTY(QString, DataFile, QString())
    MAVROLEX_PROPERTY(QString, FormFile, QString())
    MAVROLEX_PROPERTY(QString, Title, QString())
    MAVROLEX_PROPERTY(qint32, OcrGreen, kOcrGreen)
    MAVROLEX_PROPERTY(qint32, OcrBlue, kOcrBlue)
    MAVROLEX_PROPERTY(qint32, OcrBrown, kOcrBrown)
    MAVROLEX_PROPERTY(qint32, OcrPink, kOcrPink)
    MAVROLEX_PROPERTY(qint32, OcrOrange, kOcrOrange)
    MAVROLEX_PROPERTY(qint32, OcrViolet, kOcrViolet)
    MAVROLEX_PROPERTY(qint32, OcrPurple, kOcrPurple)
    MAVROLEX_PROPERTY(int, Orientation, 0)
    MAVROLEX_PROPERTY(int, PaperSize, 9)
    MAVROLEX_PROPERTY(int, OutPutPaper, 0)
    MAVROLEX_PROPERTY(QString, PaperName, QStringLiteral("A4"))
    MAVROLEX_PROPERTY(int, LeftMargin, 0)
    MAVROLEX_PROPERTY(int, TopMargin, 0)
    MAVROLEX_PROPERTY(int, EvenLeftMargin, 0)
    MAVROLEX_PROPERTY(int, LeftCorrect, 0)
    MAVROLEX_PROPERTY(int, TopCorrect, 0)
    MAVROLEX_PROPERTY(int, FormLeftMargin, 0)
    MAVROLEX_PROPERTY(int, FormTopMargin, 0)
    MAVROLEX_PROPERTY(int, PageNo, 1)
    MAVROLEX_PROPERTY(bool, PrintFom, true)
    MAVROLEX_PROPERTY(bool, PrnDlg, true)
    MAVROLEX_PROPERTY(int, PrinterNum, -1)
    MAVROLEX_PROPERTY(int, BinNum, 0)
    MAVROLEX_PROPERTY(int, PosCenter, 0)
    MAVROLEX_PROPERTY(int, LineMaxCount, 0)
    MAVROLEX_PROPERTY(qint32, NetColor1, kDefaultNetColor)
    MAVROLEX_PROPERTY(qint32, NetColor2, kDefaultNetColor)
    MAVROLEX_PROPERTY(qint32, UserColor1, 0)
    MAVROLEX_PROPERTY(qint32, UserColor2, 0)
    MAVROLEX_PROPERTY(bool, SizeChange, false)
    MAVROLEX_PROPERTY(int, PaperLength, 2970)
    MAVROLEX_PROPERTY(int, PaperWidth, 2100)
    MAVROLEX_PROPERTY(bool, ModeSw, false)
    MAVROLEX_PROPERTY(bool, Permit, true)
    MAVROLEX_PROPERTY(bool, CurrentPage, true)
    MAVROLEX_PROPERTY(bool, ImageOut, false)
    MAVROLEX_PROPERTY(bool, DelFile, true)
    MAVROLEX_PROPERTY(int, BlankPage, 0)
    MAVROLEX_PROPERTY(bool, GrayScale, false)
    MAVROLEX_PROPERTY(bool, PageBango, false)
    MAVROLEX_PROPERTY(int, PageBangoLeft, 0)
    MAVROLEX_PROPERTY(int, PageBangoTop, 0)
    MAVROLEX_PROPERTY(QString, PageBangoFontName, QStringLiteral("ＭＳ 明朝"))
    MAVROLEX_PROPERTY(int, PageBangoFontSize, 10)

private:
    void writeLine(const QString& line);
    void fillRecord(TPmvxDEF& rec) const;
    // Deletes the spool file and resets the one-report settings after a preview or print.
    void finishReport(const TPmvxDEF& rec);

    QString m_OcrFontName;
    int m_Copie = 1;
    int m_Zoom = 10;
    int m_Scale = 100;
    int m_PrintQuality = 0;
    int m_ColorMode = 0;
    int m_Duplex = 0;
    int m_Collate = 0;
    int m_VRATIO = 1000;
    int m_HRATIO = 1000;
    QString m_PageBangoFormat = QStringLiteral("(%d/%d)");
    int m_FormatArgCount = 0;
    int m_PageBangoAlignment = 2; // 0 left, 1 centre, 2 right
    QString m_DocTitle;
    bool m_PrevPaperButton = false;
    bool m_NextPaperButton = false;
    int m_PreviewCloseNum = 0;

    QFile m_spool;
    bool m_headerWritten = false;
    bool m_spoolComplete = false; // the last EndData closed a file that was written in full
    bool m_writeFailed = false;
};

#undef MAVROLEX_PROPERTY

#include "print/Mavrolex_Class.h"

#include "core/uAccFunction2.h"
#include "platform/Cp932.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Fonts.h"
#include "print/Mavrolex_Function.h"
#include "print/Mavrolex_SpoolFormat.h"
#include "print/Mavrolex_Vdb.h"
#include "print/PrinterDevice.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <exception>

namespace {

// Blanks at most added when a text is fitted to its width.
constexpr int kMaxFill = 126;

// A field never carries the separator or a line end, which would shift or split its record.
QString fieldText(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char(';'), QLatin1Char(':'));
    out.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return out;
}

// The folder part of a path without its trailing delimiter; empty when there is none.
QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

QString fieldOf(int value) {
    return QString::number(value);
}
QString fieldOf(const QString& text) {
    return fieldText(text);
}
// One record line: the kind and its fields, each ended by ";".
template <typename... Fields> QString recordLine(const char* kind, const Fields&... fields) {
    return JoinSpoolFields({QLatin1String(kind), fieldOf(fields)...});
}

QString fitted(const QString& text, const QString& alignment, int width) {
    if (width <= 0 || alignment == QLatin1String("CENTER"))
        return text;
    const qsizetype bytes = cp932::byteLength(text);
    if (bytes == width || (bytes < width && width > kMaxFill))
        return text;
    if (alignment == QLatin1String("RIGHT"))
        return RightStrB(text, width); // a halved character becomes a blank in front: the width stays
    return bytes < width ? LeftStrB(text, width) : HeadStrB(text, width);
}

} // namespace

TMavrolex::TMavrolex(QObject* owner) : QObject(owner) {
    setOcrFontName(QString());
    MavrolexEngineState& engine = Engine();
    try {
        PrinterDevice& device = CurrentPrinterDevice();
        if (!device.printers().isEmpty() && !(engine.Vdb && engine.Vdb->NoPrinter))
            m_PrinterNum = device.printerIndex();
    } catch (const std::exception& e) {
        WriteMavrolexErrorLog(QStringLiteral("Mavrolex.Create"), QString::fromUtf8(e.what()));
    }
}

TMavrolex::~TMavrolex() = default;

// ---- properties ----

void TMavrolex::setOcrFontName(const QString& value) {
    if (value.isEmpty())
        m_OcrFontName = OcrFaceName();
    else if (IsFontInstalled(value))
        m_OcrFontName = value;
}

void TMavrolex::setCopie(int value) {
    if (value >= 1 && value <= 99)
        m_Copie = value;
}

void TMavrolex::setZoom(int value) {
    if (value >= 5 && value <= 20)
        m_Zoom = value;
}

void TMavrolex::setScale(int value) {
    if (value >= 50 && value <= 150)
        m_Scale = value;
}

void TMavrolex::setPrintQuality(int value) {
    if (value >= -4 && value <= -1)
        m_PrintQuality = value;
}

void TMavrolex::setColorMode(int value) {
    m_ColorMode = value >= 0 && value <= 2 ? value : 0;
}

void TMavrolex::setDuplex(int value) {
    if (value >= 1 && value <= 3)
        m_Duplex = value;
}

void TMavrolex::setCollate(int value) {
    if (value == 0 || value == 1)
        m_Collate = value;
}

namespace {
int ratioValue(int value) {
    if (value >= -50 && value <= 50)
        return 1000 + value;
    if (value >= 950 && value <= 1050)
        return value;
    return 1000;
}
} // namespace

void TMavrolex::setVRATIO(int value) {
    m_VRATIO = ratioValue(value);
}

void TMavrolex::setHRATIO(int value) {
    m_HRATIO = ratioValue(value);
}

void TMavrolex::setPageBangoFormat(const QString& value) {
    const int count = CountFormatPlaceholders(value);
    m_FormatArgCount = count;
    if ((count == 1 || count == 2) &&
        FormatIntegers(value, count == 1 ? QList<qint32>{1} : QList<qint32>{1, 1})) {
        m_PageBangoFormat = value;
        return;
    }
    m_PageBango = false;
    m_PageBangoFormat = QStringLiteral("(%d/%d)");
}

TMavrolex::TAlignment TMavrolex::PageBangoAlignment() const {
    switch (m_PageBangoAlignment) {
    case 0:
        return TAlignment::Left;
    case 1:
        return TAlignment::Center;
    default:
        return TAlignment::Right;
    }
}

void TMavrolex::setPageBangoAlignment(TAlignment value) {
    m_PageBangoAlignment = value == TAlignment::Left ? 0 : value == TAlignment::Center ? 1 : 2;
}

// ---- writing ----

QString TMavrolex::TempFileName(const QString& Folder) {
    const QString folder = Folder.isEmpty() ? QDir::currentPath() : Folder;
    QTemporaryFile file(folder + QStringLiteral("/~XXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        throw EMavrolexIOError(QStringLiteral("%1 に一時ファイルを作成できません。").arg(folder));
    return file.fileName();
}

void TMavrolex::BeginData(bool UseTempName) {
    if (m_DocTitle.isEmpty())
        m_DocTitle = QFileInfo(m_DataFile).completeBaseName();
    if (m_spool.isOpen())
        EndData();
    m_writeFailed = false;
    m_headerWritten = false;
    if (UseTempName)
        m_DataFile = TempFileName(folderOf(m_DataFile));
    const QFileInfo info(m_DataFile);
    if (info.exists() && !info.isFile()) {
        m_writeFailed = true;
        throw EMavrolexIOError(QStringLiteral("%1 はファイルではありません。").arg(m_DataFile));
    }
    m_spool.setFileName(m_DataFile);
    // Unbuffered: a write that fails (a full disk) fails in the put operation that made it.
    if (!m_spool.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        m_writeFailed = true;
        throw EMavrolexIOError(QStringLiteral("印刷データ %1 を作成できません。").arg(m_DataFile));
    }
    PutHeader();
}

void TMavrolex::writeLine(const QString& line) {
    if (!m_spool.isOpen())
        throw EMavrolexIOError(QStringLiteral("印刷データが開かれていません。"));
    // A print shows text; a character CP932 cannot hold is printed as "?".
    const QByteArray bytes = cp932::encodeLossy(line) + "\r\n";
    if (m_spool.write(bytes) != bytes.size()) {
        const int error = errno;
        m_writeFailed = true;
        throw EMavrolexIOError(QStringLiteral("印刷データ %1 を書き込めません。%2")
                                   .arg(m_DataFile, QString::fromLocal8Bit(std::strerror(error))));
    }
}

void TMavrolex::PutHeader() {
    if (m_headerWritten)
        return;
    SpoolHeader h;
    h.path = folderOf(m_DataFile);
    h.date = MavrolexNow().date().toString(QStringLiteral("yyyy/MM/dd"));
    h.title = fieldText(m_Title);
    h.formFile = fieldText(m_FormFile);
    h.paperSize = m_PaperSize;
    h.outputPaper = m_OutPutPaper;
    h.orientation = m_Orientation;
    h.topMargin = m_TopMargin;
    h.leftMargin = m_LeftMargin;
    h.formTopMargin = m_FormTopMargin;
    h.formLeftMargin = m_FormLeftMargin;
    h.netColor1 = m_NetColor1;
    h.netColor2 = m_NetColor2;
    h.userColor1 = m_UserColor1;
    h.userColor2 = m_UserColor2;
    h.formPrint = m_PrintFom;
    h.copies = m_Copie;
    h.pageNoSwitch = m_PageBango;
    h.pageNoLeft = m_PageBangoLeft;
    h.pageNoTop = m_PageBangoTop;
    h.pageNoAlignment = m_PageBangoAlignment;
    h.pageNoFormat = fieldText(m_PageBangoFormat);
    for (const QString& line : SpoolHeaderLines(h))
        writeLine(line);
    m_headerWritten = true;
}

QString TMavrolex::TextRecord(int X, int Y, const QString& Text, const QString& Font, int Size,
                              const QString& Style, const QString& Color, const QString& Background,
                              const QString& Alignment, int Width) {
    const QString alignment = fieldText(Alignment).toUpper();
    const QString background =
        Background == QLatin1String("OFF") ? QStringLiteral("1") : fieldText(Background);
    // The width field is always 0 (the width only fits the text) and so is the centre flag.
    return recordLine("TEXT", X, Y, fitted(fieldText(Text), alignment, Width), Font, Size, Style, Color,
                      background, alignment, 0, 0);
}

void TMavrolex::PutText(int X, int Y, const QString& Text, const QString& Font, int Size,
                        const QString& Style, const QString& Color, const QString& Background,
                        const QString& Alignment, int Width) {
    writeLine(TextRecord(X, Y, Text, Font, Size, Style, Color, Background, Alignment, Width));
}

void TMavrolex::PutLine(int X1, int Y1, int X2, int Y2, int LineWidth, int PenStyle, const QString& Color,
                        bool Fine) {
    writeLine(recordLine(Fine ? "ELINE" : "LINE", X1, Y1, X2, Y2, LineWidth, PenStyle, Color));
}

void TMavrolex::PutBox(int X1, int Y1, int X2, int Y2, int LineWidth, int PenStyle, const QString& PenColor,
                       const QString& BrushColor, int BrushStyle) {
    writeLine(recordLine("BOX", X1, Y1, X2, Y2, LineWidth, PenStyle, PenColor, BrushColor, BrushStyle));
}

void TMavrolex::NewPage() {
    ++m_PageNo;
    if (m_BlankPage != 0)
        PutBox(100, 100, 101, 101, 0, 0, QStringLiteral("黒"), QStringLiteral("白"), 1);
    writeLine(QStringLiteral("E;"));
}

bool TMavrolex::EndData() noexcept {
    m_headerWritten = false;
    if (m_spool.isOpen()) {
        if (!m_spool.flush())
            m_writeFailed = true;
        m_spool.close();
        if (m_spool.error() != QFileDevice::NoError)
            m_writeFailed = true;
    }
    return !m_writeFailed;
}

// ---- handing over ----

void TMavrolex::fillRecord(TPmvxDEF& r) const {
    r.FormFile = m_FormFile;
    r.DataFile = m_DataFile;
    r.Title = m_Title;
    r.PaperName = m_PaperName;
    if (!m_DocTitle.isEmpty())
        r.DocTitle = m_DocTitle;
    else if (!m_Title.isEmpty())
        r.DocTitle = m_Title;
    else
        r.DocTitle = QStringLiteral("MAVROLEX-") + QLatin1String(kMavrolexVersion);
    r.PrinterNum = m_PrinterNum;
    r.PaperSize = m_PaperSize;
    r.OutPutPaper = m_OutPutPaper;
    r.Orientation = m_Orientation;
    r.Scale = m_Scale;
    r.Copies = m_Copie;
    r.PrintQuality = m_PrintQuality;
    r.ColorMode = m_ColorMode;
    r.Duplex = m_Duplex;
    r.Collate = m_Collate;
    r.TopMargin = m_TopMargin;
    r.LeftMargin = m_LeftMargin;
    r.EvenLeftOffset = m_EvenLeftMargin == 0 ? 0 : m_EvenLeftMargin - m_LeftMargin;
    r.TopCorrect = m_TopCorrect;
    r.LeftCorrect = m_LeftCorrect;
    r.FormTopMargin = m_FormTopMargin;
    r.FormLeftMargin = m_FormLeftMargin;
    r.NetColor1 = m_NetColor1;
    r.NetColor2 = m_NetColor2;
    r.UserColor1 = m_UserColor1;
    r.UserColor2 = m_UserColor2;
    r.OcrGreen = m_OcrGreen;
    r.OcrBlue = m_OcrBlue;
    r.OcrBrown = m_OcrBrown;
    r.OcrPink = m_OcrPink;
    r.OcrOrange = m_OcrOrange;
    r.OcrViolet = m_OcrViolet;
    r.OcrPurple = m_OcrPurple;
    r.PrintFom = m_PrintFom;
    r.PrnDlg = m_PrnDlg;
    r.Zoom = m_Zoom;
    r.SizeChange = m_SizeChange;
    r.ModeSw = m_ModeSw;
    r.PaperLength = m_PaperLength;
    r.PaperWidth = m_PaperWidth;
    r.Permit = m_Permit;
    r.ImageOut = m_ImageOut;
    r.CurrentPage = m_CurrentPage;
    r.VRATIO = m_VRATIO;
    r.HRATIO = m_HRATIO;
    r.GrayScale = m_GrayScale;
    r.PrevPaperButton = m_PrevPaperButton;
    r.NextPaperButton = m_NextPaperButton;
    r.PageBango.Switch = m_PageBango;
    r.PageBango.Left = m_PageBangoLeft;
    r.PageBango.Top = m_PageBangoTop;
    r.PageBango.Alignment = m_PageBangoAlignment;
    r.PageBango.Format = m_PageBangoFormat;
    r.PageBango.FontName = m_PageBangoFontName;
    r.PageBango.FontSize = m_PageBangoFontSize;
    r.PageBango.FormatArgCount = m_FormatArgCount;
}

void TMavrolex::finishReport(const TPmvxDEF& rec) {
    if (m_DelFile) {
        if (QFileInfo(m_DataFile).isFile())
            QFile::remove(m_DataFile);
        const QString chart = folderOf(rec.DataFile) + QStringLiteral("/CHART.WMF");
        if (QFileInfo(chart).isFile())
            QFile::remove(chart);
    }
    try {
        MavrolexEngineState& engine = Engine();
        if (engine.Vdb && !engine.Vdb->NoPrinter) {
            PrinterDevice& device = CurrentPrinterDevice();
            EngineSettings.PrinterNum = device.printerIndex();
            EngineSettings.Copies = device.copies();
            m_PrinterNum = EngineSettings.PrinterNum;
            m_Copie = EngineSettings.Copies;
        }
    } catch (const std::exception& e) {
        WriteMavrolexErrorLog(QStringLiteral("Mavrolex.Printer"), QString::fromUtf8(e.what()));
    }
    m_PageBango = false;
    m_DocTitle.clear();
}

bool TMavrolex::Preview() {
    // A spool file that was not written in full is never shown as if it were the report.
    const bool complete = EndData();
    m_PreviewCloseNum = 0;
    fillRecord(EngineSettings);
    if (complete)
        m_PreviewCloseNum = MavrolexPreviewProc ? MavrolexPreviewProc(EngineSettings) : 0;
    else
        WriteMavrolexErrorLog(QStringLiteral("Mavrolex.Preview"),
                              QStringLiteral("印刷データ %1 が完成していません。").arg(m_DataFile));
    finishReport(EngineSettings);
    return m_PreviewCloseNum != 0;
}

bool TMavrolex::Print() {
    const bool complete = EndData();
    TPmvxDEF rec{};
    fillRecord(rec);
    m_PreviewCloseNum = 0;
    if (complete)
        m_PreviewCloseNum = MavrolexPrintRunProc && MavrolexPrintRunProc(rec) != 0 ? 1 : 0;
    else
        WriteMavrolexErrorLog(QStringLiteral("Mavrolex.Print"),
                              QStringLiteral("印刷データ %1 が完成していません。").arg(m_DataFile));
    finishReport(rec);
    return m_PreviewCloseNum != 0;
}

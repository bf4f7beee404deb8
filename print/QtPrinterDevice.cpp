#include "print/QtPrinterDevice.h"

#include "platform/SpecialFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

namespace {

constexpr quint32 kAllFields = DM_ORIENTATION | DM_PAPERSIZE | DM_SCALE | DM_COPIES | DM_DEFAULTSOURCE |
                               DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX | DM_YRESOLUTION | DM_TTOPTION |
                               DM_COLLATE | DM_FORMNAME;

int duplexOf(QPrinter::DuplexMode mode) {
    switch (mode) {
    case QPrinter::DuplexLongSide:
        return 2;
    case QPrinter::DuplexShortSide:
        return 3;
    default:
        return 1;
    }
}

QString fileNameFor(const QString& title) {
    QString name = title.trimmed();
    for (QChar& c : name)
        if (c == QLatin1Char('/') || c.unicode() < 32)
            c = QLatin1Char('_');
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("MAVROLEX"));
    return name;
}

} // namespace

QString QtPrinterDevice::pdfPrinterName() {
    return QStringLiteral("PDF");
}

QtPrinterDevice::QtPrinterDevice() : QtPrinterDevice(Options{}) {}

QtPrinterDevice::QtPrinterDevice(Options options) : m_options(std::move(options)) {
    if (m_options.systemPrinters) {
        for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
            Entry e;
            e.name = info.printerName();
            e.mode.deviceName = e.name;
            e.mode.fields = kAllFields;
            const int paper = PaperOfPageSize(info.defaultPageSize().id());
            e.mode.paperSize = paper != 0 ? paper : DMPAPER_A4;
            e.mode.formName = info.defaultPageSize().name();
            e.mode.duplex = duplexOf(info.defaultDuplexMode());
            e.mode.color = info.defaultColorMode() == QPrinter::GrayScale ? 1 : 2;
            m_entries.push_back(e);
        }
    }
    if (m_options.pdfPrinter) {
        Entry e;
        e.name = pdfPrinterName();
        e.pdf = true;
        e.mode.deviceName = e.name;
        e.mode.fields = kAllFields;
        e.mode.formName = PaperInfoOf(DMPAPER_A4).name;
        e.mode.yResolution = m_options.pdfDpi;
        m_entries.push_back(e);
    }
    if (!m_entries.empty()) {
        try {
            setPrinterIndex(-1);
        } catch (const EPrinterError&) {
            m_index = 0;
        }
    }
}

QtPrinterDevice::~QtPrinterDevice() {
    abortDoc();
}

QStringList QtPrinterDevice::printers() const {
    QStringList names;
    for (const Entry& e : m_entries)
        names.append(e.name);
    return names;
}

void QtPrinterDevice::setPrinterIndex(int index) {
    if (index == -1) {
        const QString def = m_options.systemPrinters ? QPrinterInfo::defaultPrinterName() : QString();
        for (size_t i = 0; i < m_entries.size(); ++i)
            if (!def.isEmpty() && m_entries[i].name == def && !m_entries[i].pdf) {
                m_index = int(i);
                return;
            }
        // Without a default of the system's, the PDF printer stands in for it.
        for (size_t i = 0; i < m_entries.size(); ++i)
            if (m_entries[i].pdf) {
                m_index = int(i);
                return;
            }
        if (m_entries.empty())
            throw EPrinterError(kMsgNoDefaultPrinter);
        m_index = 0;
        return;
    }
    if (index < 0 || index >= int(m_entries.size()))
        throw EPrinterError(QStringLiteral("プリンタの番号が正しくありません。"));
    m_index = index;
}

const QtPrinterDevice::Entry& QtPrinterDevice::current() const {
    if (m_index < 0 || m_index >= int(m_entries.size()))
        throw EPrinterError(kMsgNoDefaultPrinter);
    return m_entries[size_t(m_index)];
}

QList<PaperInfo> QtPrinterDevice::papers() const {
    const Entry& e = current();
    QList<PaperInfo> out;
    if (e.pdf) {
        for (int n : KnownPaperNumbers())
            out.append(PaperInfoOf(n));
        return out;
    }
    int custom = DMPAPER_USER + 1;
    for (const QPageSize& size : QPrinterInfo::printerInfo(e.name).supportedPageSizes()) {
        PaperInfo p;
        p.number = PaperOfPageSize(size.id());
        if (p.number == 0)
            p.number = custom++;
        p.name = size.name();
        const QSizeF mm = size.size(QPageSize::Millimeter);
        p.width = int(std::lround(mm.width() * 10));
        p.length = int(std::lround(mm.height() * 10));
        out.append(p);
    }
    return out;
}

DevMode QtPrinterDevice::devMode() const {
    return current().mode;
}

void QtPrinterDevice::setDevMode(const DevMode& mode) {
    (void)current();
    DevMode m = mode;
    if (const auto id = PageSizeOfPaper(m.paperSize))
        m.formName = QPageSize::name(*id);
    if (current().pdf)
        m.yResolution = m_options.pdfDpi;
    m_entries[size_t(m_index)].mode = m;
}

std::unique_ptr<QPrinter> QtPrinterDevice::makePrinter(const QString& outputFile) const {
    const Entry& e = current();
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (e.pdf) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setResolution(m_options.pdfDpi);
        printer->setOutputFileName(outputFile);
    } else {
        printer->setPrinterName(e.name);
        if (!outputFile.isEmpty())
            printer->setOutputFileName(outputFile);
    }
    const DevMode& m = e.mode;
    QPageSize size;
    const bool userSize = (m.fields & (DM_PAPERLENGTH | DM_PAPERWIDTH)) == (DM_PAPERLENGTH | DM_PAPERWIDTH) &&
                          m.paperLength > 0 && m.paperWidth > 0;
    if (userSize)
        size = QPageSize(QSizeF(m.paperWidth / 10.0, m.paperLength / 10.0), QPageSize::Millimeter);
    else if (const auto id = PageSizeOfPaper(m.paperSize))
        size = QPageSize(*id);
    else
        size = QPageSize(QPageSize::A4);
    printer->setPageSize(size);
    printer->setPageOrientation(m.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer->setPageMargins(printer->pageLayout().minimumMargins(), QPageLayout::Millimeter);
    printer->setCopyCount(qMax(1, m.copies));
    printer->setCollateCopies(m.collate != 0);
    printer->setDuplex(m.duplex == 2   ? QPrinter::DuplexLongSide
                       : m.duplex == 3 ? QPrinter::DuplexShortSide
                                       : QPrinter::DuplexNone);
    printer->setColorMode(m.color == 1 ? QPrinter::GrayScale : QPrinter::Color);
    return printer;
}

int QtPrinterDevice::dpiX() const {
    if (m_printer)
        return m_printer->resolution();
    return current().pdf ? m_options.pdfDpi : makePrinter()->resolution();
}

int QtPrinterDevice::dpiY() const {
    return dpiX();
}

QSizeF QtPrinterDevice::paperSizeMm() const {
    const auto printer = makePrinter();
    return printer->pageLayout().fullRect(QPageLayout::Millimeter).size();
}

QRectF QtPrinterDevice::printableAreaMm() const {
    const auto printer = makePrinter();
    return printer->pageLayout().paintRect(QPageLayout::Millimeter);
}

QString QtPrinterDevice::pdfFolder() const {
    return m_options.pdfFolder.isEmpty() ? specialfolders::documents() : m_options.pdfFolder;
}

void QtPrinterDevice::beginDoc(const QString& title) {
    if (printing())
        throw EPrinterError(QStringLiteral("印刷中です。"));
    const Entry& e = current();
    m_docTitle = title;
    if (e.pdf) {
        const QString folder = pdfFolder();
        if (!QDir().mkpath(folder))
            throw EPrinterError(QStringLiteral("%1 を作成できません。").arg(folder));
        m_partFile = folder + QLatin1String("/~") + fileNameFor(title) + QLatin1String(".pdf.part");
        QFile::remove(m_partFile);
    }
    m_printer = makePrinter(m_partFile);
    m_printer->setDocName(title);
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
        dropDocument();
        throw EPrinterError(QStringLiteral("印刷を開始できません。"));
    }
    m_page = 1;
}

void QtPrinterDevice::newPage() {
    if (!printing())
        throw EPrinterError(QStringLiteral("印刷中ではありません。"));
    if (!m_printer->newPage())
        throw EPrinterError(QStringLiteral("新しいページを開始できません。"));
    ++m_page;
}

void QtPrinterDevice::endDoc() {
    if (!printing())
        throw EPrinterError(QStringLiteral("印刷中ではありません。"));
    const bool ended = m_painter->end();
    m_painter.reset();
    m_printer.reset();
    m_page = 0;
    if (m_partFile.isEmpty()) {
        if (!ended)
            throw EPrinterError(QStringLiteral("印刷を完了できません。"));
        return;
    }
    const QString part = std::exchange(m_partFile, QString());
    const QFileInfo written(part);
    if (!ended || !written.isFile() || written.size() == 0) {
        QFile::remove(part);
        throw EPrinterError(QStringLiteral("%1 を書き込めません。").arg(part));
    }
    const QString base = written.absolutePath() + QLatin1Char('/') + fileNameFor(m_docTitle);
    QString target = base + QLatin1String(".pdf");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = base + QStringLiteral(" (%1).pdf").arg(n);
    if (!QFile::rename(part, target)) {
        QFile::remove(part);
        throw EPrinterError(QStringLiteral("%1 を書き込めません。").arg(target));
    }
    m_pdfFiles.append(target);
}

void QtPrinterDevice::abortDoc() noexcept {
    if (m_printer && m_partFile.isEmpty())
        m_printer->abort();
    dropDocument();
}

void QtPrinterDevice::dropDocument() noexcept {
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    m_printer.reset();
    m_page = 0;
    if (!m_partFile.isEmpty())
        QFile::remove(std::exchange(m_partFile, QString()));
}

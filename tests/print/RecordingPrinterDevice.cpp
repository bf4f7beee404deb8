#include "RecordingPrinterDevice.h"

RecordingPrinterDevice::RecordingPrinterDevice(QStringList printers, QList<PaperInfo> papers, int dpi)
    : m_printers(std::move(printers)), m_papers(std::move(papers)), m_dpi(dpi) {
    for (const QString& name : m_printers) {
        DevMode m;
        m.deviceName = name;
        m.formName = QStringLiteral("A4");
        m.fields = DM_ORIENTATION | DM_PAPERSIZE | DM_SCALE | DM_COPIES | DM_PRINTQUALITY | DM_DUPLEX;
        m.yResolution = dpi;
        m_modes.push_back(m);
    }
    if (!m_printers.isEmpty())
        m_index = 0;
}

RecordingPrinterDevice::~RecordingPrinterDevice() {
    abortDoc();
}

QList<PaperInfo> RecordingPrinterDevice::standardPapers() {
    return {PaperInfoOf(DMPAPER_A4), PaperInfoOf(DMPAPER_A3), PaperInfoOf(DMPAPER_A5),
            PaperInfoOf(DMPAPER_B4), PaperInfoOf(DMPAPER_B5), PaperInfoOf(1)};
}

void RecordingPrinterDevice::checkFailure() const {
    if (!m_failure.isEmpty())
        throw EPrinterError(m_failure);
    if (m_index < 0)
        throw EPrinterError(kMsgNoDefaultPrinter);
}

void RecordingPrinterDevice::setPrinterIndex(int index) {
    if (index == -1) {
        if (m_printers.isEmpty())
            throw EPrinterError(kMsgNoDefaultPrinter);
        m_index = 0;
        return;
    }
    if (index < 0 || index >= m_printers.size())
        throw EPrinterError(QStringLiteral("printer index out of range"));
    m_index = index;
}

QList<PaperInfo> RecordingPrinterDevice::papers() const {
    checkFailure();
    return m_papers;
}

DevMode RecordingPrinterDevice::devMode() const {
    checkFailure();
    return m_modes[size_t(m_index)];
}

void RecordingPrinterDevice::setDevMode(const DevMode& mode) {
    checkFailure();
    ++m_setCalls;
    m_modes[size_t(m_index)] = mode;
}

QSizeF RecordingPrinterDevice::paperSizeMm() const {
    const DevMode m = devMode();
    QSizeF size(210, 297);
    if ((m.fields & DM_PAPERLENGTH) && m.paperLength > 0 && m.paperWidth > 0)
        size = QSizeF(m.paperWidth / 10.0, m.paperLength / 10.0);
    else
        for (const PaperInfo& p : m_papers)
            if (p.number == m.paperSize)
                size = QSizeF(p.width / 10.0, p.length / 10.0);
    return m.orientation == 2 ? size.transposed() : size;
}

QRectF RecordingPrinterDevice::printableAreaMm() const {
    const QSizeF paper = paperSizeMm();
    return QRectF(m_edgeMm, m_edgeMm, paper.width() - 2 * m_edgeMm, paper.height() - 2 * m_edgeMm);
}

void RecordingPrinterDevice::startPage() {
    const QSizeF mm = printableAreaMm().size();
    QImage page(int(mm.width() / 25.4 * m_dpi), int(mm.height() / 25.4 * m_dpi), QImage::Format_RGB32);
    page.fill(Qt::white);
    Document& doc = m_docs.back();
    if (m_painter)
        m_painter->end();
    doc.pages.push_back(page);
    doc.modes.append(devMode());
    m_painter = std::make_unique<QPainter>(&doc.pages.back());
}

void RecordingPrinterDevice::beginDoc(const QString& title) {
    if (printing())
        throw EPrinterError(QStringLiteral("printing in progress"));
    checkFailure();
    m_docs.push_back(Document{title, {}, {}, false, false});
    startPage();
}

void RecordingPrinterDevice::newPage() {
    if (!printing())
        throw EPrinterError(QStringLiteral("not printing"));
    startPage();
}

void RecordingPrinterDevice::endDoc() {
    if (!printing())
        throw EPrinterError(QStringLiteral("not printing"));
    m_painter->end();
    m_painter.reset();
    m_docs.back().ended = true;
}

void RecordingPrinterDevice::abortDoc() noexcept {
    if (!printing())
        return;
    m_painter->end();
    m_painter.reset();
    m_docs.back().aborted = true;
}

int RecordingPrinterDevice::pageNumber() const {
    return printing() ? int(m_docs.back().pages.size()) : 0;
}

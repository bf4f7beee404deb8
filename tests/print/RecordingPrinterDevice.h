#pragma once
// A printer device for tests: printers, papers and device settings as the test sets them, and every
// document's pages painted into QImages at a low resolution so they can be looked at.

#include "print/PrinterDevice.h"

#include <QImage>
#include <QPainter>
#include <memory>
#include <vector>

class RecordingPrinterDevice : public PrinterDevice {
public:
    struct Document {
        QString title;
        std::vector<QImage> pages;
        QList<DevMode> modes; // the settings each page was started with
        bool ended = false;
        bool aborted = false;
    };

    // Printers named as given (none: a system without printers), every one offering papers.
    explicit RecordingPrinterDevice(QStringList printers = {QStringLiteral("Recorder")},
                                    QList<PaperInfo> papers = standardPapers(), int dpi = 60);
    ~RecordingPrinterDevice() override;

    // A4, A3, A5, B4, B5 and Letter with the platform numbers.
    static QList<PaperInfo> standardPapers();

    QStringList printers() const override { return m_printers; }
    int printerIndex() const override { return m_index; }
    void setPrinterIndex(int index) override;
    QList<PaperInfo> papers() const override;
    DevMode devMode() const override;
    void setDevMode(const DevMode& mode) override;
    int dpiX() const override { return m_dpi; }
    int dpiY() const override { return m_dpi; }
    QSizeF paperSizeMm() const override;
    QRectF printableAreaMm() const override;
    void beginDoc(const QString& title) override;
    void newPage() override;
    void endDoc() override;
    void abortDoc() noexcept override;
    bool printing() const override { return m_painter != nullptr; }
    int pageNumber() const override;
    QPainter* canvas() override { return m_painter.get(); }

    // Makes every device-settings call raise EPrinterError with the text.
    void failWith(const QString& message) { m_failure = message; }
    // Unprintable edge on every side, mm.
    void setUnprintableMm(double mm) { m_edgeMm = mm; }

    const std::vector<Document>& documents() const { return m_docs; }
    int setDevModeCalls() const { return m_setCalls; }

private:
    void checkFailure() const;
    void startPage();

    QStringList m_printers;
    QList<PaperInfo> m_papers;
    int m_dpi;
    int m_index = -1;
    std::vector<DevMode> m_modes;
    QString m_failure;
    double m_edgeMm = 5.0;
    std::vector<Document> m_docs;
    std::unique_ptr<QPainter> m_painter;
    int m_setCalls = 0;
};

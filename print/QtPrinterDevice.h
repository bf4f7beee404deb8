#pragma once
// The printer device over QPrinter: the system's printers, and a printer of our own named "PDF" that
// writes each document as a PDF file, so printing works on a computer without a printer. A PDF document
// is written under a temporary name and renamed into place when it ends, so an aborted or failed
// document leaves no file.

#include "print/PrinterDevice.h"

#include <QPainter>
#include <memory>
#include <vector>

class QPrinter;

class QtPrinterDevice : public PrinterDevice {
public:
    struct Options {
        bool systemPrinters = true; // list the printers the system knows
        bool pdfPrinter = true;     // list the "PDF" printer after them
        QString pdfFolder;          // where PDF documents go; empty: the documents folder
        int pdfDpi = 600;
    };
    // The name of the PDF printer in printers().
    static QString pdfPrinterName();

    QtPrinterDevice();
    explicit QtPrinterDevice(Options options);
    ~QtPrinterDevice() override;

    QStringList printers() const override;
    int printerIndex() const override { return m_index; }
    void setPrinterIndex(int index) override;

    QList<PaperInfo> papers() const override;
    DevMode devMode() const override;
    void setDevMode(const DevMode& mode) override;

    int dpiX() const override;
    int dpiY() const override;
    QSizeF paperSizeMm() const override;
    QRectF printableAreaMm() const override;

    void beginDoc(const QString& title) override;
    void newPage() override;
    void endDoc() override;
    void abortDoc() noexcept override;
    bool printing() const override { return m_painter != nullptr; }
    int pageNumber() const override { return m_page; }
    QPainter* canvas() override { return m_painter.get(); }

    // Files of the PDF documents completed so far, in order.
    const QStringList& pdfFiles() const { return m_pdfFiles; }

private:
    struct Entry {
        QString name;
        bool pdf = false;
        DevMode mode;
    };
    const Entry& current() const;
    QString pdfFolder() const;
    // A printer configured from the current settings; output to file when given.
    std::unique_ptr<QPrinter> makePrinter(const QString& outputFile = QString()) const;
    void dropDocument() noexcept;

    Options m_options;
    std::vector<Entry> m_entries;
    int m_index = -1;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    QString m_partFile; // the PDF being written
    QString m_docTitle;
    int m_page = 0;
    QStringList m_pdfFiles;
};

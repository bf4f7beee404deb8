// A 500-page list spool printed to PDF through the print run, against the same drawing calls made directly on
// a QPdfWriter. Prints both times and their ratio.
//
//     print_bench [pages]

#include "platform/Cp932.h"
#include "print/Mavrolex_Class.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_PrintIng.h"
#include "print/QtPrinterDevice.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kRows = 40;
constexpr int kDpi = 600;
constexpr int kRowWidth = 80; // bytes a row is fitted to in the spool

QString rowText(int row) {
    return QStringLiteral("%1 データ%2 株式会社クアルノ商事%2 東京都千代田区")
        .arg(row, 6, 10, QLatin1Char('0'))
        .arg(row);
}

// A row as the spool holds it: padded with blanks to its width, which the print run draws too.
QString fitted(const QString& row) {
    return row + QString(std::max<qsizetype>(0, kRowWidth - cp932::byteLength(row)), QLatin1Char(' '));
}

void writeSpool(const QString& path, int pages) {
    TMavrolex report;
    report.setDataFile(path);
    report.BeginData(false);
    report.PutHeader();
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            report.NewPage();
        report.PutText(10, 0, QStringLiteral("データ一覧"), QStringLiteral("ＭＳ ゴシック"), 16,
                       QStringLiteral("B"), QStringLiteral("黒"), QStringLiteral("OFF"),
                       QStringLiteral("LEFT"), 0);
        report.PutText(1500, 0, QStringLiteral("PAGE %1").arg(page), QString(), 10, QString(),
                       QStringLiteral("黒"), QStringLiteral("OFF"), QStringLiteral("LEFT"), 0);
        report.PutLine(0, 200, 1800, 200, 3, 0, QStringLiteral("黒"), false);
        for (int i = 0; i < kRows; ++i)
            report.PutText(10, 250 + i * 60, rowText((page - 1) * kRows + i + 1), QString(), 10, QString(),
                           QStringLiteral("黒"), QStringLiteral("OFF"), QStringLiteral("LEFT"), kRowWidth);
    }
    report.EndData();
}

// The same pages drawn straight onto a PDF writer: fonts, texts and lines at the same places.
void drawDirect(const QString& path, int pages) {
    QPdfWriter writer(path);
    writer.setResolution(kDpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter p(&writer);
    const double s = kDpi / 254.0;
    QFont title(QStringLiteral("ＭＳ ゴシック"));
    title.setPixelSize(16 * kDpi / 72);
    title.setBold(true);
    QFont body(QStringLiteral("ＭＳ 明朝"));
    body.setPixelSize(10 * kDpi / 72);
    const auto text = [&](const QFont& f, int x, int y, const QString& t) {
        p.setFont(f);
        p.drawText(QPoint(int(x * s), int(y * s) + p.fontMetrics().ascent()), t);
    };
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        text(title, 10, 0, QStringLiteral("データ一覧"));
        text(body, 1500, 0, QStringLiteral("PAGE %1").arg(page));
        p.setPen(QPen(Qt::black, 3 * s));
        p.drawLine(QPointF(0, 200 * s), QPointF(1800 * s, 200 * s));
        for (int i = 0; i < kRows; ++i)
            text(body, 10, 250 + i * 60, fitted(rowText((page - 1) * kRows + i + 1)));
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int pages = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 500;
    QTemporaryDir dir;
    const QString spool = dir.path() + QStringLiteral("/list.txt");
    writeSpool(spool, pages);

    QtPrinterDevice::Options options;
    options.systemPrinters = false;
    options.pdfFolder = dir.path() + QStringLiteral("/pdf");
    options.pdfDpi = kDpi;
    auto device = std::make_unique<QtPrinterDevice>(options);
    const QtPrinterDevice* pdf = device.get();
    InstallPrinterDevice(std::move(device));
    RestartMavrolexEngine();

    TPmvxDEF rec = DefaultEngineSettings();
    rec.DataFile = spool;
    rec.Permit = true;
    rec.PrnDlg = false;
    rec.PrinterNum = -1;
    rec.PaperSize = 9;
    rec.Copies = 1;
    rec.Zoom = 10;
    rec.LeftMargin = rec.TopMargin = 0;
    QElapsedTimer t;
    t.start();
    const int result = StartPrintRun(rec);
    // The progress dialog waits 500 ms before the first page: that wait is not drawing.
    const double engineMs = double(t.nsecsElapsed()) / 1e6 - 500.0;

    t.restart();
    drawDirect(dir.path() + QStringLiteral("/direct.pdf"), pages);
    const double directMs = double(t.nsecsElapsed()) / 1e6;

    std::printf("pages: %d (run result %d)\n", pages, result);
    std::printf("print run to PDF:   %.0f ms (the dialog's 500 ms start delay left out)\n", engineMs);
    std::printf("direct QPdfWriter:  %.0f ms\n", directMs);
    std::printf("ratio:              %.2f\n", engineMs / directMs);
    const QString printed = pdf->pdfFiles().isEmpty() ? QString() : pdf->pdfFiles().constFirst();
    std::printf("PDF sizes:          %lld bytes (print run), %lld bytes (direct)\n",
                QFileInfo(printed).size(), QFileInfo(dir.path() + QStringLiteral("/direct.pdf")).size());
    if (qEnvironmentVariableIsSet("QV_PRINT_BENCH_KEEP")) {
        QFile::copy(printed, qEnvironmentVariable("QV_PRINT_BENCH_KEEP") + QStringLiteral("/run.pdf"));
        QFile::copy(dir.path() + QStringLiteral("/direct.pdf"),
                    qEnvironmentVariable("QV_PRINT_BENCH_KEEP") + QStringLiteral("/direct.pdf"));
    }
    return result == -1 ? 0 : 1;
}

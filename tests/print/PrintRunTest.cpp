#include "PrintTestSupport.h"

#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Function.h"
#include "print/Mavrolex_PrintIng.h"
#include "print/Mavrolex_SpoolFormat.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

namespace {

// A mark at a place of its own for each page number, so a page image tells which data page it shows.
QStringList dataPages(int count, const QMap<int, QStringList>& extra = {}) {
    QStringList lines = SpoolHeaderLines(SpoolHeader());
    for (int p = 1; p <= count; ++p) {
        if (p > 1)
            lines << QStringLiteral("E;");
        lines << extra.value(p);
        lines << QStringLiteral("FRECT;%1;200;%2;300;黒;0;").arg(p * 100).arg(p * 100 + 50);
    }
    return lines;
}

// Form page n fills the band at y 500..600 from x n*100.
QStringList formPages(int count) {
    QStringList lines;
    for (int n = 1; n <= count; ++n) {
        if (n > 1)
            lines << QStringLiteral("E;");
        lines << QStringLiteral("FRECT;%1;500;%2;600;黒;0;").arg(n * 100).arg(n * 100 + 50);
    }
    return lines;
}

// The data page and form page a sheet shows (0: none); device at 60 dpi, 5 mm edge.
int markAt(const QImage& page, int bandY) {
    const double unit = 60 / 254.0;
    for (int n = 1; n <= 8; ++n) {
        const int x = int((n * 100 + 25) * unit);
        const int y = int(bandY * unit);
        if (x < page.width() && y < page.height() && page.pixelColor(x, y) == QColor(Qt::black))
            return n;
    }
    return 0;
}
int dataMark(const QImage& page) {
    return markAt(page, 250);
}
int formMark(const QImage& page) {
    return markAt(page, 550);
}

} // namespace

class PrintRunTest : public PrintEngineTest {
protected:
    void SetUp() override {
        PrintEngineTest::SetUp();
        rec = DefaultEngineSettings();
        rec.Permit = true;
        rec.PrnDlg = true;
        rec.PrinterNum = -1;
        rec.PaperSize = 9;
        rec.Copies = 1;
        rec.Zoom = 10;
        rec.PrintFom = true;
        rec.LeftMargin = 50; // the device's edge: page origin at the canvas corner
        rec.TopMargin = 50;
        rec.DocTitle = QStringLiteral("一覧");
    }

    void useFiles(int dataCount, int formCount = 0, const QMap<int, QStringList>& extra = {}) {
        rec.DataFile = writeSpool(QStringLiteral("data.txt"), dataPages(dataCount, extra));
        rec.FormFile = formCount ? writeSpool(QStringLiteral("form.mvf"), formPages(formCount)) : QString();
    }

    // Data and form marks of every sheet, document by document.
    QList<QList<QPair<int, int>>> sheets() const {
        QList<QList<QPair<int, int>>> out;
        for (const auto& doc : device->documents()) {
            QList<QPair<int, int>> pages;
            for (const QImage& page : doc.pages)
                pages.append({dataMark(page), formMark(page)});
            out.append(pages);
        }
        return out;
    }

    TPmvxDEF rec;
};

using Sheets = QList<QList<QPair<int, int>>>;

TEST_F(PrintRunTest, PrintsEveryPageOverItsFormPageAndTrailingFormPages) {
    useFiles(3, 2);
    EXPECT_EQ(StartPrintRun(rec), -1);
    EXPECT_EQ(sheets(), (Sheets{{{1, 1}, {2, 2}, {3, 1}}})); // a repeating form adds no sheet
    ASSERT_EQ(device->documents().size(), 1u);
    EXPECT_TRUE(device->documents()[0].ended);
    EXPECT_EQ(device->documents()[0].title, QStringLiteral("一覧"));

    // A form longer than the data prints completely.
    device = &useDevice(std::make_unique<RecordingPrinterDevice>());
    useFiles(1, 3);
    EXPECT_EQ(StartPrintRun(rec), -1);
    EXPECT_EQ(sheets(), (Sheets{{{1, 1}, {0, 2}, {0, 3}}}));
}

TEST_F(PrintRunTest, RangeUnderAMultiPageFormPositionsTheForm) {
    useFiles(5, 2);
    scripted().queuePrintDialog(ui::PrintDialogAnswer{true, 3, 4, 1, false});
    EXPECT_EQ(StartPrintRun(rec), -1);
    EXPECT_EQ(sheets(), (Sheets{{{3, 1}, {4, 2}}}));
    const auto& shown = scripted().shown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().what, ui::ScriptedUserInteraction::Shown::PrintDialog);
    EXPECT_EQ(shown.front().print.maxPage, 5);
}

TEST_F(PrintRunTest, CopiesAreCollatedByPassesOrLeftToTheDriver) {
    useFiles(2);
    rec.Copies = 3;
    scripted().queuePrintDialog(ui::PrintDialogAnswer{false, 1, 2, 3, true});
    EXPECT_EQ(StartPrintRun(rec), -1);
    EXPECT_EQ(sheets(), (Sheets{{{1, 0}, {2, 0}}, {{1, 0}, {2, 0}}, {{1, 0}, {2, 0}}}));
    for (const auto& doc : device->documents()) {
        EXPECT_EQ(doc.modes.first().copies, 1);
        EXPECT_EQ(doc.modes.first().collate, 0);
    }

    device = &useDevice(std::make_unique<RecordingPrinterDevice>());
    rec.Copies = 3;
    rec.Collate = 0;
    scripted().queuePrintDialog(ui::PrintDialogAnswer{false, 1, 2, 3, false});
    EXPECT_EQ(StartPrintRun(rec), -1);
    EXPECT_EQ(sheets(), (Sheets{{{1, 0}, {2, 0}}}));
    EXPECT_EQ(device->documents()[0].modes.first().copies, 3);
}

TEST_F(PrintRunTest, LandscapePageAndMessageBeginNewDocuments) {
    useFiles(
        3, 0,
        {{1, {QStringLiteral("MESSAGE;用紙を替えてください;")}}, {3, {QStringLiteral("ORIENTATION;1;")}}});
    EXPECT_EQ(StartPrintRun(rec), -1);
    EXPECT_EQ(sheets(), (Sheets{{{1, 0}}, {{2, 0}}, {{3, 0}}}));
    const auto& docs = device->documents();
    ASSERT_EQ(docs.size(), 3u);
    EXPECT_EQ(docs[0].modes.first().orientation, 1);
    EXPECT_EQ(docs[2].modes.first().orientation, 2);
    EXPECT_GT(docs[2].pages.front().width(), docs[2].pages.front().height());
    EXPECT_TRUE(scripted().messageTexts().contains(QStringLiteral("用紙を替えてください")));
    // The printer is set back to the report's orientation for the next report.
    EXPECT_EQ(device->orientation(), 2); // the last page's, as the run left it
}

TEST_F(PrintRunTest, PagesKeepTheirRunNumbersInANewDocument) {
    // Each sheet's progress text as the next sheet starts, and where its data and form marks begin.
    struct WatchingDevice : RecordingPrinterDevice {
        void newPage() override {
            note();
            RecordingPrinterDevice::newPage();
        }
        void endDoc() override {
            note();
            RecordingPrinterDevice::endDoc();
        }
        void note() {
            QWidget* dlg = QApplication::activeModalWidget();
            const QLabel* label = dlg ? dlg->findChild<QLabel*>(QStringLiteral("PageMessage")) : nullptr;
            messages << (label ? label->text() : QStringLiteral("?"));
            if (dlg && caption.isEmpty()) {
                caption = dlg->windowTitle();
                const auto* text = dlg->findChild<QLabel*>(QStringLiteral("PrintMessage"));
                const auto* cancel = dlg->findChild<QPushButton*>(QStringLiteral("CancelButton"));
                dialogTexts = {text ? text->text() : QString(), cancel ? cancel->text() : QString()};
            }
        }
        QStringList messages;
        QString caption;
        QStringList dialogTexts;
    };
    auto owned = std::make_unique<WatchingDevice>();
    WatchingDevice& watching = *owned;
    device = &useDevice(std::move(owned));
    useFiles(4, 2, {{1, {QStringLiteral("MESSAGE;用紙を替えてください;")}}});
    rec.EvenLeftOffset = 20; // even pages 2 mm to the right
    EXPECT_EQ(StartPrintRun(rec), -1);
    ASSERT_EQ(device->documents().size(), 2u);
    EXPECT_EQ(sheets(), (Sheets{{{1, 1}}, {{2, 2}, {3, 1}, {4, 2}}}));
    EXPECT_EQ(watching.messages, (QStringList{QString(), QStringLiteral("(Page=2)"),
                                              QStringLiteral("(Page=3)"), QStringLiteral("(Page=4)")}));
    EXPECT_EQ(watching.caption, QStringLiteral("印刷"));
    EXPECT_EQ(watching.dialogTexts, (QStringList{QStringLiteral(" 印刷中です。"), QStringLiteral("ｷｬﾝｾﾙ")}));
    // The first data mark's left edge, 0.1 mm: page 2 opens the second document and is still even.
    const auto left = [](const QImage& page, int bandY) {
        const double unit = 60 / 254.0;
        for (int x = 0; x < page.width(); ++x)
            if (page.pixelColor(x, int(bandY * unit)) == QColor(Qt::black))
                return int(std::lround(x / unit));
        return -1;
    };
    const QList<int> data{100, 220, 300, 420}, form{100, 220, 100, 220};
    int page = 0;
    for (const auto& doc : device->documents())
        for (const QImage& sheet : doc.pages) {
            EXPECT_NEAR(left(sheet, 250), data[page], 8) << "data page " << page + 1;
            EXPECT_NEAR(left(sheet, 550), form[page], 8) << "form under data page " << page + 1;
            ++page;
        }
}

TEST_F(PrintRunTest, CancelAbortsTheDocument) {
    struct CancellingDevice : RecordingPrinterDevice {
        void newPage() override {
            RecordingPrinterDevice::newPage();
            if (auto* button = QApplication::activeModalWidget()
                                   ? QApplication::activeModalWidget()->findChild<QPushButton*>(
                                         QStringLiteral("CancelButton"))
                                   : nullptr)
                button->click();
        }
    };
    device = &useDevice(std::make_unique<CancellingDevice>());
    useFiles(4);
    EXPECT_EQ(StartPrintRun(rec), 0);
    ASSERT_EQ(device->documents().size(), 1u);
    EXPECT_TRUE(device->documents()[0].aborted);
    EXPECT_LT(device->documents()[0].pages.size(), 4u);
    EXPECT_TRUE(scripted().messageTexts().contains(kMsgPrintCancelQuestion));
}

TEST_F(PrintRunTest, CurrentPagePrintsThatPageWithoutTheDialog) {
    // The preview asks for it with its own settings in force.
    useFiles(5, 3);
    EngineSettings = rec;
    PrintCurrentPage(EngineSettings, 4, 0);
    EXPECT_EQ(sheets(), (Sheets{{{4, 1}}}));
    EXPECT_EQ(device->documents()[0].modes.first().orientation, 1);
    for (const auto& s : scripted().shown())
        EXPECT_NE(s.what, ui::ScriptedUserInteraction::Shown::PrintDialog);
}

TEST_F(PrintRunTest, ChecksShowTheirBoxesAndPrintNothing) {
    rec.DataFile = env->path() + QStringLiteral("/none.txt");
    EXPECT_EQ(StartPrintRun(rec), 0);
    rec.DataFile = writeSpool(QStringLiteral("plain.txt"), {QStringLiteral("TEXT;1;1;x;")});
    EXPECT_EQ(StartPrintRun(rec), 0);
    useFiles(1);
    rec.FormFile = env->path() + QStringLiteral("/none.mvf");
    EXPECT_EQ(StartPrintRun(rec), 0);
    rec.FormFile = QString();
    scripted().queuePrintDialog(std::nullopt);
    EXPECT_EQ(StartPrintRun(rec), 0);
    EXPECT_EQ(
        scripted().messageTexts(),
        (QStringList{QStringLiteral("<%1/none.txt> が見つかりません。").arg(env->path()), kMsgNotPrintData,
                     QStringLiteral("<%1/none.mvf> が見つかりません。").arg(env->path())}));
    EXPECT_TRUE(device->documents().empty());

    // The loop's own checks: files gone or unnamed close the dialog and print nothing.
    rec.DataFile = QString();
    PrintCurrentPage(rec, 1, 0);
    rec.DataFile = env->path() + QStringLiteral("/gone.txt");
    PrintCurrentPage(rec, 1, 0);
    // The page count and the loop each name the missing file.
    const QString gone = QStringLiteral("<%1/gone.txt> が見つかりません。").arg(env->path());
    EXPECT_EQ(scripted().messageTexts().mid(3), (QStringList{kMsgNoPrintFile, gone, gone}));
    EXPECT_TRUE(device->documents().empty());
}

TEST_F(PrintRunTest, SettingsAreCheckedAndPermitOpensThePreview) {
    useFiles(1);
    rec.Zoom = 18;
    rec.Copies = 120;
    rec.PrnDlg = false;
    EXPECT_EQ(StartPrintRun(rec), -1);
    EXPECT_EQ(EngineSettings.Zoom, 10);
    EXPECT_EQ(EngineSettings.Copies, 1);

    int previews = 0;
    MavrolexPreviewProc = [&](TPmvxDEF&) { return ++previews; };
    rec.Permit = false;
    EXPECT_EQ(StartPrintRun(rec), 0);
    EXPECT_EQ(previews, 1);
}

TEST_F(PrintRunTest, PrinterFailureIsLoggedAndReportedAsNotPrinted) {
    useFiles(1);
    device->failWith(QStringLiteral("用紙切れ"));
    EXPECT_EQ(StartPrintRun(rec), 0);
    bool logged = false;
    for (const QString& l : errorLogLines())
        logged |= l.contains(QStringLiteral("PRINT."));
    EXPECT_TRUE(logged);
}

#include "PrintTestSupport.h"

#include "print/Mavrolex_Class.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_PrintIng.h"
#include "print/QtPrinterDevice.h"

#include <QRegularExpression>
#include <QStandardPaths>

namespace {

constexpr int kRowsPerPage = 20;

QString rowText(int row) {
    return QStringLiteral("%1 データ%2 株式会社クアルノ商事%2").arg(row, 4, 10, QLatin1Char('0')).arg(row);
}

} // namespace

class PrintToPdfTest : public PrintEngineTest {
protected:
    void SetUp() override {
        PrintEngineTest::SetUp();
        pdf = &usePdfPrinter(300);
        MavrolexPrintRunProc = [](TPmvxDEF& rec) { return StartPrintRun(rec); };
    }

    // The dataset list as the data selection prints it: title, page number, headings and the page's rows.
    bool printList(int orientation, int rows, const QString& title) {
        TMavrolex report;
        report.setDataFile(env->path() + QStringLiteral("/list.txt"));
        report.setTitle(title);
        report.setDocTitle(title);
        report.setOrientation(orientation);
        report.setPrnDlg(false);
        report.setLeftMargin(150);
        report.setTopMargin(150);
        report.BeginData(false);
        report.PutHeader();
        const int pages = (rows + kRowsPerPage - 1) / kRowsPerPage;
        for (int page = 1; page <= pages; ++page) {
            if (page > 1)
                report.NewPage();
            report.PutText(10, 0, title, QStringLiteral("ＭＳ ゴシック"), 16, QStringLiteral("B"),
                           QStringLiteral("黒"), QStringLiteral("OFF"), QStringLiteral("LEFT"), 0);
            report.PutText(1500, 0, QStringLiteral("PAGE %1").arg(page), QString(), 10, QString(),
                           QStringLiteral("黒"), QStringLiteral("OFF"), QStringLiteral("LEFT"), 0);
            report.PutText(10, 150, QStringLiteral("コード データ名 会社名"), QString(), 10, QString(),
                           QStringLiteral("黒"), QStringLiteral("OFF"), QStringLiteral("LEFT"), 40);
            report.PutLine(0, 200, 1800, 200, 3, 0, QStringLiteral("黒"), false);
            for (int i = 0; i < kRowsPerPage; ++i) {
                const int row = (page - 1) * kRowsPerPage + i + 1;
                if (row > rows)
                    break;
                report.PutText(10, 250 + i * 60, rowText(row), QString(), 10, QString(), QStringLiteral("黒"),
                               QStringLiteral("OFF"), QStringLiteral("LEFT"), 60);
            }
        }
        return report.Print();
    }

    QtPrinterDevice* pdf = nullptr;
};

TEST_F(PrintToPdfTest, DatasetListPrintsPortraitAndLandscapePages) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils not installed";
    ASSERT_TRUE(printList(0, 45, QStringLiteral("データ一覧")));
    ASSERT_TRUE(printList(1, 30, QStringLiteral("データ一覧横")));
    ASSERT_EQ(pdf->pdfFiles().size(), 2);

    struct Expect {
        int pages;
        bool landscape;
        int rows;
        QString title;
    };
    const Expect expected[] = {{3, false, 45, QStringLiteral("データ一覧")},
                               {2, true, 30, QStringLiteral("データ一覧横")}};
    for (int f = 0; f < 2; ++f) {
        const QString file = pdf->pdfFiles().at(f);
        const QString info = RunTool(QStringLiteral("pdfinfo"), {file});
        EXPECT_TRUE(
            info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(expected[f].pages))))
            << info.toStdString();
        const QRegularExpressionMatch size =
            QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)")).match(info);
        ASSERT_TRUE(size.hasMatch());
        EXPECT_EQ(size.captured(1).toDouble() > size.captured(2).toDouble(), expected[f].landscape);
        for (int page = 1; page <= expected[f].pages; ++page) {
            const QString text =
                RunTool(QStringLiteral("pdftotext"),
                        {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                         QString::number(page), QStringLiteral("-layout"), file, QStringLiteral("-")});
            EXPECT_TRUE(text.contains(expected[f].title)) << text.toStdString();
            EXPECT_TRUE(text.contains(QStringLiteral("PAGE %1").arg(page))) << text.toStdString();
            EXPECT_TRUE(text.contains(QStringLiteral("コード データ名 会社名"))) << text.toStdString();
            for (int row = 1; row <= expected[f].rows; ++row) {
                const bool onPage = (row - 1) / kRowsPerPage + 1 == page;
                EXPECT_EQ(text.contains(rowText(row)), onPage) << "row " << row << " page " << page;
            }
        }
    }
}

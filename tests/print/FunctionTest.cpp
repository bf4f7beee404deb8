// The engine's error log, file and text helpers, the chart source and the settings record.
#include "PrintTestSupport.h"

#include "platform/Cp932.h"
#include "print/Mavrolex_ChartPaint.h"
#include "print/Mavrolex_Function.h"
#include "print/Mavrolex_Record.h"
#include "print/Mavrolex_SpoolFormat.h"

#include <QDir>
#include <QImage>
#include <QPainter>

class FunctionTest : public PrintEngineTest {};

TEST_F(FunctionTest, ErrorLogIsCreatedThenAppended) {
    const QString path = env->documents() + QStringLiteral("/Mavrolex_Error.log");
    QDir(env->documents()).removeRecursively(); // the documents folder is made when missing
    EXPECT_EQ(MavrolexErrorLogPath(), path);
    EXPECT_TRUE(WriteMavrolexErrorLog(QStringLiteral("PREVIEW.開始"), QStringLiteral("失敗①")));
    MavrolexClock = [] { return QDateTime(QDate(2027, 1, 2), QTime(23, 59, 58)); };
    EXPECT_TRUE(WriteMavrolexErrorLog(QStringLiteral("two\r\nlines")));
    EXPECT_EQ(testenv::readFile(path),
              cp932::encode(QStringLiteral(
                  "26/12/08 09:05:03  PREVIEW.開始:失敗①\r\n27/01/02 23:59:58  two  lines\r\n")));

    // A log that cannot be written stops nothing.
    const QString blocked = env->path() + QStringLiteral("/blocked");
    testenv::writeFile(blocked, "file");
    testenv::ScopedEnv docs("QV_DOCUMENTS", blocked);
    EXPECT_FALSE(WriteMavrolexErrorLog(QStringLiteral("x")));
}

TEST_F(FunctionTest, FieldsOfACommentedLine) {
    const QString line = QStringLiteral("FORM; /f/sub.mvf ;TRUE;120;340; // the sub-form;x;y");
    EXPECT_EQ(NthField(line, QLatin1Char(';'), 0), QStringLiteral("FORM"));
    EXPECT_EQ(NthField(line, QLatin1Char(';'), 1), QStringLiteral("/f/sub.mvf"));
    EXPECT_EQ(NthField(line, QLatin1Char(';'), 3), QStringLiteral("120"));
    EXPECT_EQ(NthField(line, QLatin1Char(';'), 5), QString());
    EXPECT_EQ(NthField(line, QLatin1Char(';'), 7), QString());
    EXPECT_EQ(NthField(line, QLatin1Char(';'), -1), QString());
    QString many;
    for (int i = 0; i < 150; ++i)
        many += QString::number(i) + QLatin1Char(',');
    EXPECT_EQ(NthField(many, QLatin1Char(','), 99), QStringLiteral("99"));
    EXPECT_EQ(NthField(many, QLatin1Char(','), 100), QString()) << "at most 100 parts";
    QStringList parts;
    EXPECT_EQ(SplitFields(QStringLiteral("a;b;"), QLatin1Char(';'), parts), 2);

    const std::pair<QString, double> floats[] = {
        {QStringLiteral("1.5"), 1.5}, {QStringLiteral(" -2 "), -2.0}, {QStringLiteral("abc"), 0.0},
        {QStringLiteral(""), 0.0},    {QStringLiteral("1e400"), 0.0}, {QStringLiteral("nan"), 0.0}};
    for (const auto& [text, value] : floats)
        EXPECT_EQ(StrToFloatSafe(text), value) << qPrintable(text);
}

TEST_F(FunctionTest, TextFilesAreCheckedBeforeTheyAreBound) {
    SpoolTextFile file;
    EXPECT_FALSE(OpenTextFileChecked(file, QString()));
    EXPECT_TRUE(scripted().messageTexts().isEmpty());
    const QString missing = QStringLiteral("no/such.mvf");
    EXPECT_FALSE(OpenTextFileChecked(file, missing));
    EXPECT_FALSE(OpenTextFileChecked(file, env->path())) << "a folder is not a text file";
    EXPECT_EQ(scripted().messageTexts(),
              QStringList({QStringLiteral("<no/such.mvf> が見つかりません。"),
                           QLatin1Char('<') + env->path() + QStringLiteral("> が見つかりません。")}));
    const QString path = writeSpool(QStringLiteral("a.txt"), {QStringLiteral("行1"), QStringLiteral("行2")});
    const QString relative = QDir::current().relativeFilePath(path);
    EXPECT_TRUE(OpenTextFileChecked(file, relative));
    EXPECT_EQ(file.path(), path);
    EXPECT_FALSE(file.isOpen());
    ASSERT_TRUE(file.open());
    QString line;
    EXPECT_TRUE(file.readLine(line));
    EXPECT_EQ(line, QStringLiteral("行1"));

    EXPECT_EQ(SpecialFolderPath(CSIDL_PERSONAL), env->documents());
    EXPECT_EQ(SpecialFolderPath(CSIDL_COMMON_APPDATA), env->commonAppData());
}

TEST_F(FunctionTest, ChartSourceDoesNothing) {
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    DrawChartPanel(p, QRect(0, 0, 20, 20), 0);
    p.end();
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 255, 255));
    const QString chart = env->path() + QStringLiteral("/CHART.WMF");
    EXPECT_FALSE(SaveChartToFile(chart));
    EXPECT_FALSE(QFileInfo::exists(chart));
    EXPECT_TRUE(ChartFileTest(QStringLiteral("anything")));
}

TEST_F(FunctionTest, SettingsRecordDefaultsAndTextLimits) {
    const TPmvxDEF d = DefaultEngineSettings();
    EXPECT_EQ(d.PrinterNum, -1);
    EXPECT_EQ(d.PaperSize, 0);
    EXPECT_EQ(d.PaperName.text(), QStringLiteral("A4"));
    EXPECT_EQ(d.PrintQuality, -4);
    EXPECT_EQ(d.Duplex, 1);
    EXPECT_EQ(d.BinNum, 7);
    EXPECT_TRUE(d.ModeSw);
    EXPECT_EQ(d.PaperLength, 2970);
    EXPECT_EQ(d.PaperWidth, 2100);
    EXPECT_EQ(d.OcrPurple, 0x741A82);
    EXPECT_EQ(d.PageBango.Alignment, 2);
    EXPECT_EQ(d.PageBango.Format, QStringLiteral("(%d/%d)"));
    EXPECT_EQ(d.PageBango.FormatArgCount, 0);
    EXPECT_EQ(EngineSettings, d);

    TPmvxDEF copy = d;
    copy.PageBango.Format = QStringLiteral("%d");
    EXPECT_EQ(d.PageBango.Format, QStringLiteral("(%d/%d)"));

    TPmvxDEF r{};
    r.DataFile = QStringLiteral("/") + QString(130, QLatin1Char('a'));
    EXPECT_EQ(cp932::byteLength(r.DataFile), 127);
    r.Title = QString(40, QChar(0x3042)); // 80 bytes of "あ"
    EXPECT_EQ(r.Title.text(), QString(31, QChar(0x3042))) << "cut at a character boundary";
    r.Title = QStringLiteral("a") + QString(40, QChar(0x3042));
    EXPECT_EQ(cp932::byteLength(r.Title), 63);
}

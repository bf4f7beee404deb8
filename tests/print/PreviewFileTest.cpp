// Preview files: saving the preview as a self-contained set, opening it again and cancelling the opening.
#include "PreviewTestSupport.h"

#include "support/ImageCompare.h"

#include "platform/Cp932.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_SpoolFormat.h"

#include <QDir>
#include <QToolButton>

class PreviewFileTest : public PreviewTest {
protected:
    void SetUp() override {
        PreviewTest::SetUp();
        src = env->path() + QStringLiteral("/src");
        saved = env->path() + QStringLiteral("/saved");
        QDir().mkpath(src + QStringLiteral("/a"));
        QDir().mkpath(src + QStringLiteral("/b"));
        QDir().mkpath(saved);
        picture(src + QStringLiteral("/a/logo.bmp"), Qt::red);
        picture(src + QStringLiteral("/b/logo.bmp"), Qt::blue);
        file(src + QStringLiteral("/sub1.mvf"), {QStringLiteral("BOX;0;0;600;300;5;0;黒;白;1;"),
                                                 QStringLiteral("TEXT;50;50;副様式一;;12;;黒;1;LEFT;0;0;")});
        file(src + QStringLiteral("/sub2.mvf"), {QStringLiteral("TEXT;50;50;副様式二;;12;B;赤;1;LEFT;0;0;")});
        file(src + QStringLiteral("/main.mvf"), {QStringLiteral("LINE;0;0;1800;0;10;0;青;"),
                                                 QStringLiteral("TEXT;800;2500;様式;;20;;黒;1;LEFT;0;0;")});

        header.title = QStringLiteral("印刷テスト");
        header.formFile = src + QStringLiteral("/main.mvf");
        header.topMargin = 150;
        header.leftMargin = 120;
        header.netColor1 = header.netColor2 = 0xC0C0C0;
        header.formPrint = true;
        QStringList data = SpoolHeaderLines(header);
        data << QStringLiteral("TEXT;100;200;一頁目;;14;;黒;1;LEFT;0;0;")
             << QStringLiteral("FORM;%1;FALSE;100;400;").arg(src + QStringLiteral("/sub1.mvf"))
             << QStringLiteral("FORM;%1;FALSE;900;400;").arg(src + QStringLiteral("/sub2.mvf"))
             << QStringLiteral("IMAGE;100;800;400;1100;%1;1;").arg(src + QStringLiteral("/a/logo.bmp"))
             << QStringLiteral("IMAGE;600;800;900;1100;%1;0;").arg(src + QStringLiteral("/b/logo.bmp"))
             << QStringLiteral("E;") << QStringLiteral("TEXT;100;200;二頁目;;14;;黒;1;LEFT;0;0;")
             << QStringLiteral("IMAGE;100;800;400;1100;%1;0;").arg(src + QStringLiteral("/a/logo.bmp"));
        spool = file(src + QStringLiteral("/report.TMP"), data);
    }

    TPmvxDEF reportRecord() const {
        TPmvxDEF r = listRecord(spool);
        r.Title = header.title;
        r.FormFile = header.formFile;
        r.Orientation = 0;
        r.TopMargin = header.topMargin;
        r.LeftMargin = header.leftMargin;
        r.PrintFom = true;
        r.NetColor1 = r.NetColor2 = 0xC0C0C0;
        return r;
    }

    QString file(const QString& path, const QStringList& lines) {
        QByteArray bytes;
        for (const QString& l : lines)
            bytes += cp932::encode(l) + "\r\n";
        EXPECT_TRUE(testenv::writeFile(path, bytes));
        return path;
    }
    static void picture(const QString& path, Qt::GlobalColor colour) {
        QImage img(30, 30, QImage::Format_RGB32);
        img.fill(colour);
        ASSERT_TRUE(img.save(path, "BMP"));
    }
    static QStringList lines(const QString& path) {
        return cp932::decode(testenv::readFile(path)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    static void expectSame(const QImage& a, const QImage& b, const char* what) {
        EXPECT_EQ(testenv::differentPixelFraction(a, b, 0), 0.0) << what;
    }

    QString src, saved, spool;
    SpoolHeader header;
};

TEST_F(PreviewFileTest, SavedSetReopensFromItsFolderWithTheSamePagesAndCancelBringsTheReportBack) {
    TPmvxDEF rec = reportRecord();
    preview(rec, [&](TImageDispForm& form) {
        form.SpeedButton3Click();
        const QImage page1 = form.grabPage();
        form.NextPageClick();
        const QImage page2 = form.grabPage();
        form.TopPageClick();

        scripted().queuePath(saved + QStringLiteral("/控え.mvx"));
        form.ImageSave_Click();
        const auto& request = scripted().shown().back().file;
        EXPECT_EQ(request.defaultExt, QStringLiteral("mvx"));
        EXPECT_EQ(request.filter, QStringLiteral("印刷（プレビュー）ファイルの保存 |*.mvx;"));
        EXPECT_EQ(request.folder, env->documents());
        EXPECT_EQ(request.fileName, env->documents() + QStringLiteral("/印刷テスト.mvx"));
        EXPECT_TRUE(scripted().messageTexts().isEmpty())
            << scripted().messageTexts().join(QLatin1Char('\n')).toStdString();

        // Two sub-forms, two pictures of one name (the second numbered, the repeated one copied once).
        const QString base = saved + QStringLiteral("/控え");
        EXPECT_EQ(QDir(saved).entryList(QDir::Files, QDir::Name),
                  (QStringList{QStringLiteral("控え.mvf"), QStringLiteral("控え.mvx"),
                               QStringLiteral("控え_FORMAT-1.mvf"), QStringLiteral("控え_FORMAT-2.mvf"),
                               QStringLiteral("控え_logo(2).bmp"), QStringLiteral("控え_logo.bmp")}));
        const QStringList text = lines(base + QStringLiteral(".mvx"));
        EXPECT_TRUE(text.contains(QStringLiteral("*FORMFILE=%1.mvf").arg(base)));
        EXPECT_TRUE(text.contains(QStringLiteral("FORM;%1_FORMAT-1.mvf;FALSE;100;400;").arg(base)));
        EXPECT_TRUE(text.contains(QStringLiteral("FORM;%1_FORMAT-2.mvf;FALSE;900;400;").arg(base)));
        EXPECT_EQ(text.count(QStringLiteral("IMAGE;100;800;400;1100;%1_logo.bmp;0;").arg(base)), 2);
        EXPECT_TRUE(text.contains(QStringLiteral("IMAGE;600;800;900;1100;%1_logo(2).bmp;0;").arg(base)));
        EXPECT_EQ(testenv::readFile(base + QStringLiteral(".mvf")),
                  testenv::readFile(src + QStringLiteral("/main.mvf")));
        EXPECT_EQ(QImage(base + QStringLiteral("_logo(2).bmp")).pixelColor(1, 1), QColor(Qt::blue));

        // The set stands on its own: the report's files are out of the way while it is shown.
        ASSERT_TRUE(QDir().rename(src, src + QStringLiteral("-away")));
        scripted().queuePath(base + QStringLiteral(".mvx"));
        form.ImageOpen_Click();
        EXPECT_TRUE(scripted().messageTexts().isEmpty())
            << scripted().messageTexts().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(Engine().DataFileName, base + QStringLiteral(".mvx"));
        EXPECT_EQ(Engine().FormFileName, base + QStringLiteral(".mvf"));
        EXPECT_TRUE(form.button("ImageOpenCancel")->isEnabled());
        EXPECT_EQ(form.WherePageText(), QStringLiteral("1/2"));
        expectSame(form.grabPage(), page1, "page 1 of the set");
        form.NextPageClick();
        expectSame(form.grabPage(), page2, "page 2 of the set");

        // A second file opened before cancelling: its header lacks the paper and moves the margin.
        QStringList other = SpoolHeaderLines(SpoolHeader());
        other.removeIf([](const QString& l) { return l.startsWith(QStringLiteral("*PAPERSIZE=")); });
        other.replaceInStrings(QStringLiteral("*TOPMARGIN=0"), QStringLiteral("*TOPMARGIN=300"));
        other << QStringLiteral("TEXT;100;100;別;;12;;黒;1;LEFT;0;0;");
        EngineSettings.PaperSize = 13;
        scripted().queuePath(file(saved + QStringLiteral("/other.mvx"), other));
        form.ImageOpen_Click();
        EXPECT_EQ(EngineSettings.PaperSize, 9);
        EXPECT_EQ(EngineSettings.TopMargin, 300);
        EXPECT_FALSE(EngineSettings.PrintFom);
        EXPECT_EQ(form.WherePageText(), QStringLiteral("1/1"));

        ASSERT_TRUE(QDir().rename(src + QStringLiteral("-away"), src));
        form.ImageOpenCancel_Click();
        EXPECT_FALSE(form.button("ImageOpenCancel")->isEnabled());
        EXPECT_EQ(Engine().DataFileName, spool);
        EXPECT_EQ(Engine().FormFileName, header.formFile);
        EXPECT_EQ(EngineSettings.TopMargin, 150);
        EXPECT_EQ(EngineSettings.PaperSize, 9);
        EXPECT_TRUE(EngineSettings.PrintFom);
        EXPECT_EQ(form.WherePageText(), QStringLiteral("1/2"));
        expectSame(form.grabPage(), page1, "the report again");
    });
    EXPECT_TRUE(errorLogLines().isEmpty()) << errorLogLines().join(QLatin1Char('\n')).toStdString();
}

TEST_F(PreviewFileTest, OpeningRefusesForeignFilesAndMissingFormFiles) {
    TPmvxDEF rec = reportRecord();
    preview(rec, [&](TImageDispForm& form) {
        SpoolHeader h;
        h.formFile = saved + QStringLiteral("/gone.mvf");
        struct Case {
            const char* name;
            QStringList lines;
            QString message;
        };
        const Case cases[] = {
            {"notAPreviewFile",
             {QStringLiteral("TEXT;1;1;x;;9;;黒;1;LEFT;0;0;")},
             QStringLiteral("[MAVROLEX]印刷ファイルではありません。")},
            {"missingFormFile", SpoolHeaderLines(h),
             QStringLiteral("<%1/gone.mvf> が見つかりません。").arg(saved)},
        };
        for (const Case& c : cases) {
            scripted().clear();
            scripted().queuePath(file(saved + QStringLiteral("/%1.mvx").arg(QLatin1String(c.name)), c.lines));
            form.ImageOpen_Click();
            EXPECT_EQ(scripted().messageTexts(), QStringList{c.message}) << c.name;
            EXPECT_EQ(Engine().DataFileName, spool) << c.name;
            EXPECT_FALSE(form.button("ImageOpenCancel")->isEnabled()) << c.name;
        }
        // A cancelled picker changes nothing.
        scripted().clear();
        form.ImageOpen_Click();
        form.ImageSave_Click();
        EXPECT_TRUE(scripted().messageTexts().isEmpty());
        EXPECT_TRUE(QDir(saved).entryList({QStringLiteral("*.mvx")}, QDir::Files).size() == 2);
    });
}

TEST_F(PreviewFileTest, AFailedCopyIsShownAndLoggedAndNoPreviewTextIsWritten) {
    TPmvxDEF rec = reportRecord();
    preview(rec, [&](TImageDispForm& form) {
        ASSERT_TRUE(QFile::remove(src + QStringLiteral("/b/logo.bmp")));
        scripted().queuePath(saved + QStringLiteral("/控え.mvx"));
        form.ImageSave_Click();
        const QStringList shown = scripted().messageTexts();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(shown[0].contains(src + QStringLiteral("/b/logo.bmp"))) << shown[0].toStdString();
        EXPECT_FALSE(QFileInfo::exists(saved + QStringLiteral("/控え.mvx")));
        const QStringList log = errorLogLines();
        ASSERT_EQ(log.size(), 1);
        EXPECT_TRUE(log[0].contains(QStringLiteral("PREVIEW.Text作成:"))) << log[0].toStdString();
        // Painting came back after the failure: the page is drawn again.
        const QImage page = form.grabPage();
        QImage blank(page.size(), page.format());
        blank.fill(Qt::white);
        EXPECT_GT(testenv::differentPixelFraction(page, blank, 0), 0.01);
    });
}

TEST(PreviewFileHeaderTest, HeaderValueIsTheRestOfTheFirstMatchingLine) {
    const QStringList lines{QStringLiteral("*PAPERSIZE= 13 "), QStringLiteral("*PAPERSIZE=9"),
                            QStringLiteral("x*FORMFILE=a")};
    EXPECT_EQ(HeaderValue(QStringLiteral("*PAPERSIZE="), lines), QStringLiteral("13"));
    EXPECT_EQ(HeaderValue(QStringLiteral("*FORMFILE="), lines), QString());
}

TEST_F(PreviewFileTest, ReferencesOfAReportWithoutFormFileAndWithCharts) {
    PreviewSaveSet set;
    set.folder = saved;
    set.name = QStringLiteral("n");
    QStringList text{QStringLiteral("*FORMFILE=%1").arg(header.formFile), QStringLiteral("*FORMFILE=later"),
                     QStringLiteral("CHART;c.wmf;10;20;30;40;0;"), QStringLiteral("CHART;d.wmf;1;2;3;4;0;"),
                     QStringLiteral("FORM;%1;TRUE;x;5;").arg(src + QStringLiteral("/sub1.mvf"))};
    for (const QString& kind : {QStringLiteral("*FORMFILE="), QStringLiteral("FORM;"),
                                QStringLiteral("IMAGE;"), QStringLiteral("CHART;")})
        EXPECT_TRUE(LocalisePreviewReferences(kind, set, text)) << kind.toStdString();
    EXPECT_EQ(text, (QStringList{QStringLiteral("*FORMFILE="), QStringLiteral("*FORMFILE=later"),
                                 QStringLiteral("IMAGE;10;20;30;40;%1/n_CHART.WMF;0;").arg(saved),
                                 QStringLiteral("CHART;d.wmf;1;2;3;4;0;"),
                                 QStringLiteral("FORM;%1/n_FORMAT-1.mvf;TRUE;0;5;").arg(saved)}));
    // No chart is registered: nothing is saved for it, and that is no failure.
    EXPECT_EQ(QDir(saved).entryList(QDir::Files), QStringList{QStringLiteral("n_FORMAT-1.mvf")});
    EXPECT_TRUE(set.failures.isEmpty());
}

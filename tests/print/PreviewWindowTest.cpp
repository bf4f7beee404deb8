// The preview window: starting it, its set-up, paging, jumping, zooming, closing and its pictures.
#include "PreviewTestSupport.h"

#include "support/ImageCompare.h"

#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Function.h"
#include "print/Mavrolex_ImageOut.h"

#include "print/QtPrinterDevice.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPageSize>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

namespace {

// The zoom that fits a paper of w x h mm in box, as the window chooses it; 0 when none does.
int fittingZoom(QSize box, double w, double h, int ppi, int panelTop) {
    for (int n = 20; n >= 5; --n)
        if (box.width() >= RoundEven(ppi * w / 25.4 * n / 10.0) + 15 &&
            box.height() >= RoundEven(n / 10.0 * ppi * h / 25.4) + panelTop)
            return n;
    return 0;
}

} // namespace

TEST_F(PreviewTest, DatasetListOpensAtFitAndShowsItsPagesAsTheReferences) {
    TPmvxDEF rec = listRecord(datasetListSpool());
    preview(rec, [&](TImageDispForm& form) {
        testenv::saveShot(form, QStringLiteral("preview_window"));
        const MavrolexEngineState& e = Engine();
        EXPECT_EQ(form.windowTitle(), QStringLiteral("印刷プレビュー"));
        EXPECT_EQ(form.WherePageText(), QStringLiteral("1/2"));
        EXPECT_EQ(device->orientation(), 2);
        const int fit = fittingZoom(form.ImagePaintScrollBox()->size(), 297, 210, form.logicalDpiX(),
                                    form.PaperPanel()->y());
        ASSERT_GT(fit, 0);
        EXPECT_EQ(e.Zoom, fit);
        EXPECT_EQ(form.DispZoomText(), QStringLiteral("%1%").arg(fit * 10));
        // The paper panel stands for landscape A4 at that zoom, the paint box for its printable area.
        EXPECT_EQ(form.PaperPanel()->width(), RoundEven(form.logicalDpiX() * 297 / 25.4 * fit / 10.0));
        EXPECT_EQ(form.ImagePaintBox()->width(), RoundEven(287 / 25.4 * form.logicalDpiX() * fit / 10.0) + 2);
        EXPECT_TRUE(testenv::matchesReference(form.grabPage(),
                                              QStringLiteral("tests/print/data/preview_page1_fit.png")));

        form.SpeedButton3Click();
        EXPECT_EQ(form.DispZoomText(), QStringLiteral("100%"));
        testenv::saveShot(form, QStringLiteral("preview_window_100"));
        EXPECT_TRUE(testenv::matchesReference(form.grabPage(),
                                              QStringLiteral("tests/print/data/preview_page1_100.png")));

        form.LastPageClick();
        EXPECT_EQ(form.WherePageText(), QStringLiteral("2/2"));
        EXPECT_TRUE(testenv::matchesReference(form.grabPage(),
                                              QStringLiteral("tests/print/data/preview_page2_100.png")));
    });
    EXPECT_TRUE(errorLogLines().isEmpty()) << errorLogLines().join(QLatin1Char('\n')).toStdString();
}

TEST_F(PreviewTest, PagingJumpAndZoomByKeysAndButtons) {
    TPmvxDEF rec = listRecord(datasetListSpool());
    preview(rec, [&](TImageDispForm& form) {
        const auto page = [&] { return form.WherePageText(); };
        const auto key = [&](Qt::Key k) { QTest::keyClick(&form, k); };
        // Paging stops at both ends.
        key(Qt::Key_PageUp);
        EXPECT_EQ(page(), QStringLiteral("1/2"));
        key(Qt::Key_PageDown);
        EXPECT_EQ(page(), QStringLiteral("2/2"));
        key(Qt::Key_PageDown);
        EXPECT_EQ(page(), QStringLiteral("2/2"));
        key(Qt::Key_Home);
        EXPECT_EQ(page(), QStringLiteral("1/2"));
        key(Qt::Key_End);
        EXPECT_EQ(page(), QStringLiteral("2/2"));
        form.button("TopPage")->click();
        EXPECT_EQ(page(), QStringLiteral("1/2"));
        form.button("NextPage")->click();
        EXPECT_EQ(page(), QStringLiteral("2/2"));
        form.button("PrevPage")->click();
        EXPECT_EQ(page(), QStringLiteral("1/2"));
        form.button("LastPage")->click();
        EXPECT_EQ(page(), QStringLiteral("2/2"));
        EXPECT_EQ(Engine().PageIndex, 2);

        // The jump: 0 and too big keep the page; letters and cancelling go to page 1.
        struct Jump {
            std::optional<QString> answer;
            int from, to;
        };
        const Jump jumps[] = {{QStringLiteral("1"), 2, 1},  {QStringLiteral("2"), 1, 2},
                              {QStringLiteral("0"), 2, 2},  {QStringLiteral("3"), 2, 2},
                              {QStringLiteral("-1"), 2, 2}, {QStringLiteral("abc"), 2, 1},
                              {std::nullopt, 2, 1}};
        for (const Jump& j : jumps) {
            Engine().CurrentPage = j.from;
            scripted().queueInput(j.answer);
            key(Qt::Key_J);
            EXPECT_EQ(page(), QStringLiteral("%1/2").arg(j.to))
                << j.answer.value_or(QStringLiteral("<cancel>")).toStdString();
        }
        const auto& asked = scripted().shown().back();
        EXPECT_EQ(asked.input.caption, QStringLiteral("ページ指定"));
        EXPECT_EQ(asked.input.prompt, QStringLiteral("表示したいページ番号を入力してください"));
        EXPECT_EQ(asked.input.initial, QStringLiteral("1"));

        // Zoom steps of 10 % between 50 % and 200 %.
        form.button("SpeedButton3")->click();
        key(Qt::Key_Plus);
        EXPECT_EQ(form.DispZoomText(), QStringLiteral("110%"));
        form.button("ZoomOutButton")->click();
        form.button("ZoomOutButton")->click();
        EXPECT_EQ(form.DispZoomText(), QStringLiteral("90%"));
        for (int i = 0; i < 20; ++i)
            key(Qt::Key_Minus);
        EXPECT_EQ(form.DispZoomText(), QStringLiteral("50%"));
        for (int i = 0; i < 20; ++i)
            form.button("ZoomInButton")->click();
        EXPECT_EQ(form.DispZoomText(), QStringLiteral("200%"));
        const int wide = form.PaperPanel()->width();
        form.button("ZoomJustButton")->click();
        EXPECT_LT(form.PaperPanel()->width(), wide);
    });
}

TEST_F(PreviewTest, CloseNumbersFollowTheButtonsAndTheirVisibility) {
    struct Case {
        const char* name;
        bool prev, next;
        std::function<void(TImageDispForm&)> close;
        int expected;
    };
    const auto escape = [](TImageDispForm& f) { QTest::keyClick(&f, Qt::Key_Escape); };
    const auto systemClose = [](TImageDispForm& f) { f.close(); };
    const Case cases[] = {
        {"closeButton", true, true, [](TImageDispForm& f) { f.button("CloseButton")->click(); }, 0},
        {"prevPaper", true, false, [](TImageDispForm& f) { f.button("PrevPaper")->click(); }, -1},
        {"nextPaper", false, true, [](TImageDispForm& f) { f.button("NextPaper")->click(); }, 1},
        {"escapeWithoutPaperButtons", false, false, escape, 1},
        {"escapeWithPaperButtons", true, false, escape, 0},
        {"systemCloseWithoutPaperButtons", false, false, systemClose, 1},
        {"systemCloseWithPaperButtons", false, true, systemClose, 0},
    };
    const QString spool = datasetListSpool();
    for (const Case& c : cases) {
        TPmvxDEF rec = listRecord(spool);
        rec.PrevPaperButton = c.prev;
        rec.NextPaperButton = c.next;
        const int result = preview(rec, [&](TImageDispForm& form) {
            EXPECT_EQ(form.button("PrevPaper")->isVisible(), c.prev || c.next) << c.name;
            if (c.prev || c.next) {
                EXPECT_EQ(form.button("PrevPaper")->isEnabled(), c.prev) << c.name;
                EXPECT_EQ(form.button("NextPaper")->isEnabled(), c.next) << c.name;
            }
            c.close(form);
        });
        EXPECT_EQ(result, c.expected) << c.name;
    }
}

TEST_F(PreviewTest, StartChecksTheFilesAndClampsCopiesAndZoom) {
    const QString spool = datasetListSpool();
    {
        TPmvxDEF rec = listRecord(env->path() + QStringLiteral("/none.TMP"));
        EXPECT_EQ(preview(rec, [](TImageDispForm&) { ADD_FAILURE() << "shown"; }), 0);
        EXPECT_EQ(scripted().messageTexts().value(0),
                  QStringLiteral("<%1> が見つかりません。").arg(env->path() + QStringLiteral("/none.TMP")));
    }
    {
        scripted().clear();
        TPmvxDEF rec = listRecord(spool);
        rec.FormFile = env->path() + QStringLiteral("/none.mvf");
        EXPECT_EQ(preview(rec, [](TImageDispForm&) { ADD_FAILURE() << "shown"; }), 0);
        EXPECT_EQ(scripted().messageTexts().value(0),
                  QStringLiteral("<%1> が見つかりません。").arg(env->path() + QStringLiteral("/none.mvf")));
    }
    struct Case {
        int copies, zoom;
        int copiesAfter, zoomAfter;
        bool permit, currentPage;
        QString title, caption;
    };
    const Case cases[] = {
        {0, 3, 1, 10, true, true, QStringLiteral("一覧"), QStringLiteral("一覧")},
        {150, 25, 1, 10, false, false, QString(), QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ")},
        {99, 20, 99, 20, true, false, QStringLiteral("x"), QStringLiteral("x")},
    };
    for (const Case& c : cases) {
        TPmvxDEF rec = listRecord(spool);
        rec.Copies = c.copies;
        rec.Zoom = c.zoom;
        rec.Permit = c.permit;
        rec.CurrentPage = c.currentPage;
        rec.Title = c.title;
        preview(rec, [&](TImageDispForm& form) {
            EXPECT_EQ(EngineSettings.Copies, c.copiesAfter);
            EXPECT_EQ(EngineSettings.Zoom, c.zoomAfter);
            EXPECT_EQ(form.windowTitle(), c.caption);
            EXPECT_TRUE(form.isMaximized());
            for (const char* name : {"PrintButton", "PrintSetupButton", "CurrentPage"})
                EXPECT_EQ(form.button(name)->isEnabled(), c.permit) << name;
            EXPECT_EQ(form.button("CurrentPage")->isVisible(), c.currentPage);
            for (const char* name : {"ImageOut", "ImageOpen", "ImageOpenCancel"})
                EXPECT_FALSE(form.button(name)->isVisible()) << name;
        });
    }
}

TEST_F(PreviewTest, CreationIsTriedSixTimesAndEachFailureLogged) {
    int calls = 0;
    const auto failing = [&]() -> std::unique_ptr<TImageDispForm> {
        ++calls;
        throw EMavrolexError(QStringLiteral("作成失敗"));
    };
    EXPECT_THROW(CreatePreviewForm(failing), EMavrolexError);
    EXPECT_EQ(calls, 6);
    const QStringList log = errorLogLines();
    ASSERT_EQ(log.size(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(log[i].endsWith(QStringLiteral("PREVIEW.CreateForm:作成失敗(%1)").arg(i + 1)))
            << log[i].toStdString();

    calls = 0;
    const auto secondTime = [&]() {
        if (++calls < 2)
            throw EMavrolexError(QStringLiteral("一時的"));
        return std::make_unique<TImageDispForm>();
    };
    EXPECT_NE(CreatePreviewForm(secondTime), nullptr);
    EXPECT_EQ(errorLogLines().size(), 7);
}

TEST_F(PreviewTest, PaintingFramesThePrintableAreaAndIsNotReentrant) {
    TPmvxDEF rec = listRecord(datasetListSpool());
    preview(rec, [&](TImageDispForm& form) {
        const QImage page = form.grabPage();
        // The dotted blue frame of the printable area: blue dots on the top edge, white between them.
        int blue = 0;
        for (int x = 0; x < page.width(); ++x)
            if (page.pixelColor(x, 0) == QColor(Qt::blue))
                ++blue;
        EXPECT_GT(blue, page.width() / 4);
        EXPECT_LT(blue, page.width());

        // A paint request while a page is being drawn draws nothing: the message box of a missing data
        // file is shown once, not again from the paint the box itself causes.
        Engine().DataFileName = env->path() + QStringLiteral("/gone.TMP");
        scripted().onMessage = [&](const ui::MessageRequest&) {
            form.grabPage();
            return -1;
        };
        form.grabPage();
        scripted().onMessage = nullptr;
        EXPECT_EQ(
            scripted().messageTexts(),
            QStringList{
                QStringLiteral("\"%1\"が見つかりません。").arg(env->path() + QStringLiteral("/gone.TMP"))});
        Engine().DataFileName = EngineSettings.DataFile;
    });
}

class PreviewPrintTest : public PreviewTest {
protected:
    void SetUp() override {
        PreviewTest::SetUp();
        pdf = &usePdfPrinter(150);
    }
    static int pageCount(const QString& file) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                              .match(RunTool(QStringLiteral("pdfinfo"), {file}));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }
    static QString pageText(const QString& file, int page) {
        return RunTool(QStringLiteral("pdftotext"),
                       {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                        QString::number(page), file, QStringLiteral("-")});
    }
    QtPrinterDevice* pdf = nullptr;
};

TEST_F(PreviewPrintTest, PrintingAllAndTheCurrentPageWritesThePagesAndKeepsTheView) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils not installed";
    const QString spool = datasetListSpool();
    TPmvxDEF rec = listRecord(spool);
    rec.PrnDlg = false;
    preview(rec, [&](TImageDispForm& form) {
        form.LastPageClick();
        form.ZoomOutButtonClick();
        const QString zoom = form.DispZoomText();

        form.button("PrintButton")->click();
        ASSERT_EQ(pdf->pdfFiles().size(), 1);
        // The printer dialog was asked (the preview always asks) for both pages.
        ASSERT_FALSE(scripted().shown().empty());
        EXPECT_EQ(scripted().shown().back().what, ui::ScriptedUserInteraction::Shown::PrintDialog);
        EXPECT_EQ(scripted().shown().back().print.maxPage, 2);
        const QString all = pdf->pdfFiles().at(0);
        EXPECT_EQ(pageCount(all), 2);
        EXPECT_TRUE(pageText(all, 1).contains(QStringLiteral("株式会社サンプル35")));
        EXPECT_TRUE(pageText(all, 2).contains(QStringLiteral("株式会社サンプル36")));
        EXPECT_EQ(form.WherePageText(), QStringLiteral("2/2"));
        EXPECT_EQ(form.DispZoomText(), zoom);
        EXPECT_FALSE(EngineSettings.PrnDlg);
        EXPECT_EQ(EngineSettings.DataFile.text(), spool);
        EXPECT_EQ(pdf->orientation(), 2);

        form.button("CurrentPage")->click();
        ASSERT_EQ(pdf->pdfFiles().size(), 2);
        const QString current = pdf->pdfFiles().at(1);
        EXPECT_EQ(pageCount(current), 1);
        const QString text = pageText(current, 1);
        EXPECT_TRUE(text.contains(QStringLiteral("株式会社サンプル36"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("株式会社サンプル35"))) << text.toStdString();
        EXPECT_EQ(form.WherePageText(), QStringLiteral("2/2"));
        EXPECT_EQ(form.DispZoomText(), zoom);
        EXPECT_EQ(Engine().PageIndex, 2);
    });
    EXPECT_TRUE(errorLogLines().isEmpty()) << errorLogLines().join(QLatin1Char('\n')).toStdString();
}

TEST_F(PreviewTest, PrinterSetUpGoesThroughTheUserInteractionAndLaysOutAgain) {
    TPmvxDEF rec = listRecord(datasetListSpool());
    preview(rec, [&](TImageDispForm& form) {
        form.SpeedButton3Click();
        scripted().queuePageSetup(ui::PageSetupAnswer{int(QPageSize::A3), 1});
        form.button("PrintSetupButton")->click();
        const auto& asked = scripted().shown().back();
        ASSERT_EQ(asked.what, ui::ScriptedUserInteraction::Shown::PageSetup);
        EXPECT_EQ(asked.pageSetup.pageSizeId, int(QPageSize::A4));
        EXPECT_EQ(asked.pageSetup.orientation, 2);
        EXPECT_EQ(device->devMode().paperSize, DMPAPER_A3);
        EXPECT_EQ(device->orientation(), 1);
        // The panel follows the new paper: A3 portrait.
        EXPECT_EQ(form.PaperPanel()->width(), RoundEven(form.logicalDpiX() * 297 / 25.4));
        EXPECT_EQ(form.PaperPanel()->height(), RoundEven(form.logicalDpiX() * 420 / 25.4));
        // Report A4 on an A3 printer: the paper ratio of that pair.
        EXPECT_EQ(Engine().VRatio, 1414);
        scripted().queuePageSetup(std::nullopt);
        form.button("PrintSetupButton")->click();
        EXPECT_EQ(device->devMode().paperSize, DMPAPER_A3);
    });
}

TEST_F(PreviewTest, DraggingPansAndHandlerFailuresAreLoggedUnderTheirContext) {
    TPmvxDEF rec = listRecord(datasetListSpool());
    preview(rec, [&](TImageDispForm& form) {
        for (int i = 0; i < 15; ++i)
            form.ZoomInButtonClick();
        QScrollArea* box = form.ImagePaintScrollBox();
        QWidget* paint = form.ImagePaintBox();
        const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button,
                              Qt::MouseButtons buttons) {
            QMouseEvent e(type, QPointF(at), QPointF(paint->mapToGlobal(at)), button, buttons,
                          Qt::NoModifier);
            QApplication::sendEvent(paint, &e);
        };
        send(QEvent::MouseButtonPress, QPoint(300, 300), Qt::LeftButton, Qt::LeftButton);
        EXPECT_EQ(paint->cursor().shape(), Qt::SizeAllCursor);
        send(QEvent::MouseMove, QPoint(260, 230), Qt::NoButton, Qt::LeftButton);
        EXPECT_EQ(box->horizontalScrollBar()->value(), 40);
        EXPECT_EQ(box->verticalScrollBar()->value(), 70);
        // Never below 0.
        send(QEvent::MouseMove, QPoint(400, 400), Qt::NoButton, Qt::LeftButton);
        EXPECT_EQ(box->horizontalScrollBar()->value(), 0);
        EXPECT_EQ(box->verticalScrollBar()->value(), 0);
        send(QEvent::MouseButtonRelease, QPoint(400, 400), Qt::LeftButton, Qt::NoButton);
        EXPECT_EQ(paint->cursor().shape(), Qt::ArrowCursor);

        device->failWith(QStringLiteral("プリンタ応答なし"));
        form.FormResize();
        device->failWith(QString());
        const QStringList log = errorLogLines();
        EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const QString& l) {
            return l.endsWith(QStringLiteral("PREVIEW.FormResize:プリンタ応答なし"));
        })) << log.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(form.isVisible());
    });
}

// The message dialog: kinds, button sets and answers, canned messages, layout of the lines, the
// agreement box, copying and links; and the Qt user interaction built on it.
#include "UrlCatcher.h"
#include "controls/QtUserInteraction.h"
#include "controls/xCheckBox.h"
#include "controls/z5MessageDlg2.h"
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>

namespace {

using Act = std::function<void(TMessageBox2&)>;

// Shows the record and acts on the dialog once it is up; a dialog left open is closed with 99.
int show(TMessage2InfoRec& info, Act act) {
    QTimer::singleShot(0, [act] {
        auto* dlg = qobject_cast<TMessageBox2*>(QApplication::activeModalWidget());
        EXPECT_NE(dlg, nullptr);
        if (!dlg)
            return;
        QApplication::setActiveWindow(dlg);
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg));
        act(*dlg);
        QTimer::singleShot(0, dlg, [dlg] {
            if (dlg->isVisible())
                dlg->done(99);
        });
    });
    return ShowMessageBox2(info);
}

QPushButton* button(TMessageBox2& d, int i) {
    return d.findChild<QPushButton*>(QStringLiteral("btnButton%1").arg(i + 1));
}

TMessageLine* line(TMessageBox2& d, int i) {
    return d.findChild<TMessageLine*>(QStringLiteral("Label%1").arg(i + 1));
}

QWidget* panel(TMessageBox2& d, const char* name) {
    return d.findChild<QWidget*>(QString::fromLatin1(name));
}

QStringList shownButtons(TMessageBox2& d) {
    QStringList out;
    for (int i = 0; i < 3; ++i)
        if (!button(d, i)->isHidden())
            out << button(d, i)->text();
    return out;
}

TEST(MessageBox2, KindsGiveTheirCaptionIconAndButtons) {
    struct Case {
        quint8 kind;
        const char16_t* caption;
        QStringList buttons;
        bool icon;
    };
    const Case cases[] = {
        {0, u"警告", {QStringLiteral("OK(&O)")}, true},
        {1, u"エラー", {QStringLiteral("OK(&O)")}, true},
        {2, u"情報", {QStringLiteral("OK(&O)")}, true},
        {3, u"確認", {QStringLiteral("OK(&O)"), QStringLiteral("ｷｬﾝｾﾙ(&C)")}, true},
        {7, u"", {QStringLiteral("OK(&O)")}, false},
    };
    for (const Case& c : cases) {
        TMessage2InfoRec info;
        InitMessage2Info(c.kind, info);
        info.Lines[0].Text = QStringLiteral("本文");
        QString caption;
        QStringList buttons;
        bool icon = false;
        const int r = show(info, [&](TMessageBox2& d) {
            caption = d.windowTitle();
            buttons = shownButtons(d);
            icon = !d.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull();
            QTest::mouseClick(button(d, 0), Qt::LeftButton);
        });
        EXPECT_EQ(caption, QString::fromUtf16(c.caption)) << int(c.kind);
        EXPECT_EQ(buttons, c.buttons) << int(c.kind);
        EXPECT_EQ(icon, c.icon) << int(c.kind);
        EXPECT_EQ(r, ui::mrOk) << int(c.kind);
    }
}

TEST(MessageBox2, EachButtonAnswersItsModalResult) {
    struct Case {
        ui::Buttons buttons;
        int press;
        QStringList captions;
        int result;
    };
    const Case cases[] = {
        {ui::mbYes | ui::mbNo, 0, {QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")}, ui::mrYes},
        {ui::mbYes | ui::mbNo, 1, {QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")}, ui::mrNo},
        {ui::mbOK | ui::mbCancel, 1, {QStringLiteral("OK(&O)"), QStringLiteral("ｷｬﾝｾﾙ(&C)")}, ui::mrCancel},
        {ui::mbAbort | ui::mbRetry | ui::mbIgnore,
         0,
         {QStringLiteral("中断(&A)"), QStringLiteral("再試行(&R)"), QStringLiteral("無視(&I)")},
         ui::mrAbort},
        {ui::mbAbort | ui::mbRetry | ui::mbIgnore,
         1,
         {QStringLiteral("中断(&A)"), QStringLiteral("再試行(&R)"), QStringLiteral("無視(&I)")},
         ui::mrRetry},
        {ui::mbAbort | ui::mbRetry | ui::mbIgnore,
         2,
         {QStringLiteral("中断(&A)"), QStringLiteral("再試行(&R)"), QStringLiteral("無視(&I)")},
         ui::mrIgnore},
        {ui::mbAll | ui::mbNoToAll | ui::mbYesToAll,
         0,
         {QStringLiteral("すべて(&A)"), QStringLiteral("すべていいえ"), QStringLiteral("すべてはい")},
         ui::mrAll},
        {ui::mbAll | ui::mbNoToAll | ui::mbYesToAll,
         1,
         {QStringLiteral("すべて(&A)"), QStringLiteral("すべていいえ"), QStringLiteral("すべてはい")},
         ui::mrNoToAll},
        {ui::mbAll | ui::mbNoToAll | ui::mbYesToAll,
         2,
         {QStringLiteral("すべて(&A)"), QStringLiteral("すべていいえ"), QStringLiteral("すべてはい")},
         ui::mrYesToAll},
        // Four kinds: only the first three in bit order are shown.
        {ui::mbYes | ui::mbNo | ui::mbOK | ui::mbCancel,
         2,
         {QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)"), QStringLiteral("OK(&O)")},
         ui::mrOk},
    };
    for (const Case& c : cases) {
        TMessage2InfoRec info;
        InitMessage2Info(3, info);
        info.Buttons = quint16(c.buttons);
        info.Lines[0].Text = QStringLiteral("よろしいですか？");
        QStringList captions;
        const int r = show(info, [&](TMessageBox2& d) {
            captions = shownButtons(d);
            QTest::mouseClick(button(d, c.press), Qt::LeftButton);
        });
        EXPECT_EQ(captions, c.captions) << c.buttons;
        EXPECT_EQ(r, c.result) << c.buttons << " press " << c.press;
    }
}

TEST(MessageBox2, EscAnswersCancelAndHelpLeavesTheDialogOpen) {
    TMessage2InfoRec info;
    InitMessage2Info(3, info);
    info.Buttons = ui::mbYes | ui::mbNo;
    EXPECT_EQ(show(info, [](TMessageBox2& d) { QTest::keyClick(&d, Qt::Key_Escape); }), ui::mrCancel);

    info.Buttons = ui::mbOK | ui::mbHelp;
    bool openAfterHelp = false;
    const int r = show(info, [&](TMessageBox2& d) {
        QTest::mouseClick(button(d, 1), Qt::LeftButton);
        openAfterHelp = d.isVisible();
        QTest::mouseClick(button(d, 0), Qt::LeftButton);
    });
    EXPECT_TRUE(openAfterHelp);
    EXPECT_EQ(r, ui::mrOk);

    // Enter on the focused first button presses it.
    info.Buttons = ui::mbYes | ui::mbNo;
    EXPECT_EQ(
        show(info, [](TMessageBox2& d) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }),
        ui::mrYes);
}

// A button's letter answers without Alt, whichever button has the focus; letters of no shown button,
// and letters with Ctrl, do nothing.
TEST(MessageBox2, ButtonLettersAnswerWithoutAlt) {
    struct Case {
        quint16 buttons;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int result;
    };
    const Case cases[] = {
        {ui::mbYes | ui::mbNo, Qt::Key_N, Qt::NoModifier, ui::mrNo},
        {ui::mbYes | ui::mbNo, Qt::Key_Y, Qt::NoModifier, ui::mrYes},
        {ui::mbYes | ui::mbNo | ui::mbCancel, Qt::Key_C, Qt::ShiftModifier, ui::mrCancel},
        {ui::mbAbort | ui::mbRetry | ui::mbIgnore, Qt::Key_I, Qt::NoModifier, ui::mrIgnore},
        {ui::mbOK | ui::mbCancel, Qt::Key_O, Qt::NoModifier, ui::mrOk},
        {ui::mbYes | ui::mbNo, Qt::Key_O, Qt::NoModifier, 99},
        {ui::mbYes | ui::mbNo, Qt::Key_N, Qt::ControlModifier, 99},
    };
    for (const Case& c : cases) {
        TMessage2InfoRec info;
        InitMessage2Info(3, info);
        info.Buttons = c.buttons;
        const int r = show(
            info, [&](TMessageBox2&) { QTest::keyClick(QApplication::focusWidget(), c.key, c.modifiers); });
        EXPECT_EQ(r, c.result) << c.buttons << " key " << c.key;
    }
}

TEST(MessageBox2, ButtonsStandAroundTheCentre) {
    TMessageBox2 d;
    TMessage2InfoRec info;
    InitMessage2Info(3, info);
    info.Lines[0].Text = QStringLiteral("一行");
    d.ApplyInfo(info);
    d.Prepare(true);
    const int centre = d.width() / 2;
    EXPECT_EQ(button(d, 0)->geometry().right() + 1, centre - 10);
    EXPECT_EQ(button(d, 1)->x(), centre + 10);
    info.Buttons = ui::mbOK;
    d.ApplyInfo(info);
    d.Prepare(true);
    EXPECT_EQ(button(d, 0)->x(), (d.width() - button(d, 0)->width()) / 2);
    info.Buttons = ui::mbAbort | ui::mbRetry | ui::mbIgnore;
    d.ApplyInfo(info);
    d.Prepare(true);
    EXPECT_EQ(button(d, 1)->x(), (d.width() - button(d, 1)->width()) / 2);
    EXPECT_EQ(button(d, 0)->geometry().right() + 1 + 10, button(d, 1)->x());
    EXPECT_EQ(button(d, 1)->geometry().right() + 1 + 10, button(d, 2)->x());
    // The minimum width of the text area: 500 + 30.
    EXPECT_EQ(d.width(), 530);
}

TEST(MessageBox2, CannedMessageByNumberShowsItsText) {
    TMessageBox2 d;
    TMessage2InfoRec info;
    InitMessage2Info(0, info);
    info.Id = 0x10002011;
    info.Lines[0].Text = QStringLiteral("replaced");
    d.ApplyInfo(info);
    d.Prepare(true);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("確認"));
    EXPECT_EQ(line(d, 0)->text(), QStringLiteral("会計データと連動する項目を「自動取得」に切り替えます。"));
    EXPECT_EQ(line(d, 1)->text(), QStringLiteral("よろしいですか？"));
    EXPECT_EQ(line(d, 2)->text(),
              QStringLiteral("注意）上書き入力した項目は、会計データの集計値により書き換えられます。"));
    EXPECT_EQ(line(d, 2)->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(line(d, 1)->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(shownButtons(d), (QStringList{QStringLiteral("OK(&O)"), QStringLiteral("ｷｬﾝｾﾙ(&C)")}));
    EXPECT_EQ(d.info().Kind, 3);

    // A number outside the table: an empty information box.
    info.Id = 12345;
    d.ApplyInfo(info);
    d.Prepare(true);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("情報"));
    EXPECT_EQ(line(d, 0)->text(), QString());
    EXPECT_EQ(shownButtons(d), QStringList{QStringLiteral("OK(&O)")});
    EXPECT_EQ(d.info().Id, 12345);

    // Shown modally, the canned confirmation answers as its buttons do.
    TMessage2InfoRec canned;
    InitMessage2Info(2, canned);
    canned.Id = 0x1010;
    QString first;
    EXPECT_EQ(show(canned,
                   [&](TMessageBox2& dlg) {
                       first = line(dlg, 0)->text();
                       QTest::mouseClick(button(dlg, 1), Qt::LeftButton);
                   }),
              ui::mrCancel);
    EXPECT_EQ(first, QStringLiteral(
                         "このデータはお使いのプログラムより新しいプログラムでデータ更新が行われています。"));
}

TEST(MessageBox2, TextAreaEndsOneLineBelowTheLastLineInUse) {
    struct Case {
        std::vector<int> used; // line numbers 1-10
        int textHeight;
    };
    const Case cases[] = {
        {{}, 72}, // top of Label3
        {{1}, 72},
        {{1, 2}, 96},  // top of Label4
        {{1, 5}, 168}, // top of Label7: line 5 stays in view
        {{3}, 120},    // top of Label5
        {{1, 2, 3, 4, 5, 6, 7, 8, 9}, 265},
        {{10}, 265},
    };
    for (const Case& c : cases) {
        TMessageBox2 d;
        TMessage2InfoRec info;
        InitMessage2Info(2, info);
        for (int n : c.used)
            info.Lines[size_t(n - 1)].Text = QStringLiteral("行%1").arg(n);
        d.ApplyInfo(info);
        d.Prepare(true);
        QWidget* client = panel(d, "pnlClient");
        EXPECT_EQ(client->height(), c.textHeight) << c.used.size();
        for (int n : c.used)
            EXPECT_LE(line(d, n - 1)->geometry().bottom(), client->height()) << "line " << n;
        EXPECT_EQ(d.height(), c.textHeight + 38);
    }
}

TEST(MessageBox2, LongLinesWrapAndStayVisible) {
    TMessageBox2 d;
    TMessage2InfoRec info;
    InitMessage2Info(1, info);
    const QString longLine = QString(QStringLiteral("データの復元に失敗しました。")).repeated(20);
    const QString longWord = QString(QLatin1Char('x')).repeated(400);
    info.Lines[0].Text = longLine;
    info.Lines[1].Text = QStringLiteral("短い行");
    info.Lines[2].Text = longWord;
    info.Lines[3].Text = QStringLiteral("最後の行");
    d.ApplyInfo(info);
    d.Prepare(true);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(d.width(), screen.width());
    const int oneLine = QFontMetrics(d.font()).height();
    EXPECT_GT(line(d, 0)->height(), oneLine);
    EXPECT_GT(line(d, 2)->height(), oneLine);
    QWidget* client = panel(d, "pnlClient");
    for (int i = 0; i < 4; ++i) {
        const QRect g = line(d, i)->geometry();
        EXPECT_LE(g.right(), d.width()) << i;
        EXPECT_LE(g.bottom(), client->height()) << i;
        EXPECT_EQ(g.height(), line(d, i)->heightForWidth(g.width())) << i;
        if (i > 0) {
            EXPECT_GT(g.top(), line(d, i - 1)->geometry().bottom()) << i;
        }
    }
}

TEST(MessageBox2, AgreementBoxGatesTheFirstButton) {
    {
        // A blank caption turns the box off.
        TMessageBox2 d;
        TMessage2InfoRec info;
        InitMessage2Info(3, info);
        info.AgreeMode = 1;
        info.AgreeCaption = QStringLiteral("   ");
        d.ApplyInfo(info);
        d.Prepare(true);
        EXPECT_TRUE(panel(d, "pnlAgree")->isHidden());
        EXPECT_TRUE(button(d, 0)->isEnabled());
    }
    TMessage2InfoRec info;
    InitMessage2Info(3, info);
    info.Lines[0].Text = QStringLiteral("利用規約");
    info.AgreeMode = 1;
    info.AgreeCaption = QStringLiteral("同意する");
    bool enabledBefore = true, boxFocused = false, enabledAfter = false;
    int height = 0;
    const int r = show(info, [&](TMessageBox2& d) {
        auto* box = d.findChild<TxCheckBox*>(QStringLiteral("btnAgree"));
        enabledBefore = button(d, 0)->isEnabled();
        boxFocused = box->hasFocus();
        height = d.height();
        QTest::keyClick(box, Qt::Key_Space);
        enabledAfter = button(d, 0)->isEnabled();
        QTest::mouseClick(button(d, 0), Qt::LeftButton);
    });
    EXPECT_FALSE(enabledBefore);
    EXPECT_TRUE(boxFocused);
    EXPECT_TRUE(enabledAfter);
    EXPECT_EQ(height, 72 + 32 + 38);
    EXPECT_EQ(r, ui::mrOk);
    EXPECT_EQ(info.Agreed, 1);

    // Any other mode shows the box without gating.
    info.AgreeMode = 2;
    info.Agreed = 0;
    bool enabled = false;
    EXPECT_EQ(show(info,
                   [&](TMessageBox2& d) {
                       enabled = button(d, 0)->isEnabled();
                       QTest::mouseClick(button(d, 1), Qt::LeftButton);
                   }),
              ui::mrCancel);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(info.Agreed, 0);
}

TEST(MessageBox2, CtrlCCopiesCaptionAndLines) {
    TMessage2InfoRec info;
    InitMessage2Info(0, info);
    info.Lines[0].Text = QStringLiteral("一行目");
    info.Lines[2].Text = QStringLiteral("三行目");
    show(info, [](TMessageBox2& d) { QTest::keyClick(&d, Qt::Key_C, Qt::ControlModifier); });
    const QString rule(27, QLatin1Char('-'));
    QString expected = rule + "\r\n警告\r\n" + rule + "\r\n一行目\r\n\r\n三行目\r\n";
    for (int i = 3; i < 10; ++i)
        expected += QStringLiteral("\r\n");
    EXPECT_EQ(QApplication::clipboard()->text(), expected);
}

TEST(MessageBox2, LinkLineOpensItsAddress) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    TMessage2InfoRec info;
    InitMessage2Info(2, info);
    info.Lines[0].Text = QStringLiteral("詳しくはこちら");
    info.Lines[0].Color = 0x0000FF;
    info.Lines[0].Link = QStringLiteral("https://example.invalid/help");
    QColor before, after;
    show(info, [&](TMessageBox2& d) {
        before = line(d, 0)->palette().color(QPalette::WindowText);
        QTest::mouseClick(line(d, 0), Qt::LeftButton, {}, QPoint(2, 2));
        after = line(d, 0)->palette().color(QPalette::WindowText);
    });
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened.first(), QUrl(QStringLiteral("https://example.invalid/help")));
    EXPECT_EQ(before, QColor(Qt::blue));
    EXPECT_EQ(after, QColor(128, 0, 128));
}

TEST(QtUserInteraction, MessageShowsTheRequestInTheDialog) {
    auto previous = ui::install(std::make_unique<QtUserInteraction>());
    QString caption;
    QStringList lines, buttons;
    bool noFocused = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TMessageBox2*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        QApplication::setActiveWindow(d);
        EXPECT_TRUE(QTest::qWaitForWindowActive(d));
        caption = d->windowTitle();
        for (int i = 0; i < 4; ++i)
            lines << line(*d, i)->text();
        buttons = shownButtons(*d);
        noFocused = button(*d, 1)->hasFocus();
        QTest::keyClick(button(*d, 1), Qt::Key_Return);
    });
    ui::MessageRequest request;
    request.kind = ui::MsgKind::Confirmation;
    request.text = QStringLiteral("一\r\n二\r三\n");
    request.buttons = ui::mbYes | ui::mbNo;
    request.defaultButton = 1;
    const int r = ui::current().message(request);
    ui::install(std::move(previous));
    EXPECT_EQ(r, ui::mrNo);
    EXPECT_EQ(caption, QStringLiteral("確認"));
    EXPECT_EQ(lines,
              (QStringList{QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三"), QString()}));
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")}));
    EXPECT_TRUE(noFocused);
}

TEST(QtUserInteraction, TextOfMoreThanTenLinesKeepsTheRestInTheLast) {
    ui::MessageRequest request;
    request.kind = ui::MsgKind::Error;
    request.caption = QStringLiteral("独自");
    QStringList parts;
    for (int i = 1; i <= 12; ++i)
        parts << QString::number(i);
    request.text = parts.join(QLatin1Char('\r'));
    const TMessage2InfoRec info = messageInfoFor(request);
    EXPECT_EQ(info.Kind, 1);
    EXPECT_EQ(info.Caption, QStringLiteral("独自"));
    EXPECT_EQ(info.Lines[8].Text, QStringLiteral("9"));
    EXPECT_EQ(info.Lines[9].Text, QStringLiteral("10\n11\n12"));

    // The folded last line is laid out on three lines and stays inside the text area.
    TMessageBox2 d;
    d.ApplyInfo(info);
    d.Prepare(true);
    const int oneLine = QFontMetrics(d.font()).height();
    EXPECT_GE(line(d, 9)->height(), 3 * oneLine);
    EXPECT_LE(line(d, 9)->geometry().bottom(), panel(d, "pnlClient")->height());
}

} // namespace


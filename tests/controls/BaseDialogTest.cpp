// The base dialog form: remembered bounds per operator, the running-job row, rescaling, placing, keys,
// hints and the set-up of period panels.
#include "controls/SDI.h"
#include "controls/xKikanPanel12.h"
#include "controls/xKikanPanel16.h"
#include "controls/xPlButton.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "support/DmFixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A form as a descendant builds it: widgets first, then the base form's creation, then its own flags.
class SampleForm : public TBSDI {
public:
    explicit SampleForm(TFormBorderStyle style, QWidget* extra = nullptr) : TBSDI(nullptr, style) {
        setObjectName(QStringLiteral("SampleForm"));
        setWindowTitle(QStringLiteral("サンプル処理"));
        resize(400, 300);
        label = new QLabel(QStringLiteral("本・支店の選択"), this);
        label->setObjectName(QStringLiteral("lblBranch"));
        label->setGeometry(10, 10, 200, 20);
        edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edtName"));
        edit->setGeometry(10, 40, 200, 24);
        ok = new TxPlButton(this);
        ok->setObjectName(QStringLiteral("btnOK"));
        ok->setGeometry(300, 260, 90, 26);
        if (extra)
            extra->setParent(this);
        FormCreate();
        ExecuteButton = ok;
        connect(ok, &TxPlButton::clicked, this, [this] { ++clicks; });
        SetupDone = true;
    }
    QLabel* label;
    QLineEdit* edit;
    TxPlButton* ok;
    int clicks = 0;
};

// Presses and releases a key on the focused widget of a shown form.
void keyUp(QWidget* form, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = form->focusWidget() ? form->focusWidget() : form;
    QTest::keyPress(target, key, mods);
    QTest::keyRelease(target, key, mods);
}

void activate(QWidget& form) {
    form.show();
    QApplication::setActiveWindow(&form);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
}

class BaseDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetScreenPixelsPerInch(96);
        SystemDef.FrameHeight = 4;
    }
    void TearDown() override {
        SetScreenPixelsPerInch(0);
        ResetProcessState();
    }
};

class BaseDialogDbTest : public BaseDialogTest {
protected:
    void SetUp() override {
        BaseDialogTest::SetUp();
        e.connectSystem();
        SystemDef.FrameHeight = 4;
    }
    QList<int> bounds(int opcode) {
        auto db = e.root->connectSystem();
        fb::Transaction t(*db);
        fb::Query q(t,
                    QStringLiteral("SELECT FMTOP,FMLEFT,FMHEIGHT,FMWIDTH,DEFHEIGHT,DEFWIDTH FROM FORMRSIZE "
                                   "WHERE FMNAME='SampleForm' AND OPCODE=%1")
                        .arg(opcode));
        q.open();
        if (q.eof())
            return {};
        QList<int> out;
        for (int i = 0; i < 6; ++i)
            out << q.field(i).asInt();
        return out;
    }
    testenv::DmEnvironment e;
};

TEST_F(BaseDialogDbTest, AFormRemembersItsBoundsPerOperatorAcrossTwoRuns) {
    const int op = SystemDef.OPCODE;
    {
        SampleForm form(TBSDI::bsSizeable);
        form.KeepOnClose = true;
        form.show();
        EXPECT_EQ(form.size(), QSize(1012, 648));
        EXPECT_EQ(bounds(op), (QList<int>{0, 0, 648, 1012, 648, 1012}));
        form.move(50, 60);
        form.resize(700, 500);
        form.close();
        EXPECT_EQ(bounds(op), (QList<int>{60, 50, 500, 700, 648, 1012}));
    }
    {
        SampleForm form(TBSDI::bsSizeable);
        form.KeepOnClose = true;
        form.show();
        testenv::saveShot(form, QStringLiteral("base_form"));
        EXPECT_EQ(form.pos(), QPoint(50, 60));
        EXPECT_EQ(form.size(), QSize(700, 500));
        // The minimum size is 60 % of the rescaled design size.
        EXPECT_EQ(form.minimumSize(), QSize(240, 180));
        form.close();
        // A child dialog opened from this form takes it as its owner window.
        SampleForm child(TBSDI::bsDialog);
        child.SetParentWindow(form.edit);
        EXPECT_EQ(child.ParentWnd.data(), static_cast<QWidget*>(form.edit));
        EXPECT_EQ(child.ParentCaption, QStringLiteral("サンプル処理"));
        EXPECT_EQ(child.parentWidget(), static_cast<QWidget*>(&form));
    }
    // Another operator starts from the default bounds, at 120 dots per inch scaled.
    SystemDef.OPCODE = op + 1;
    SetScreenPixelsPerInch(120);
    SampleForm form(TBSDI::bsSizeable);
    form.KeepOnClose = true;
    form.show();
    EXPECT_EQ(form.PixelsPerInch(), 120);
    EXPECT_EQ(bounds(op + 1), (QList<int>{0, 0, 810, 1265, 810, 1265}));
    form.close();
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(BaseDialogDbTest, BoundsOutsideTheMainFormAndAMaximisedFormAreStoredWithinIt) {
    QWidget main;
    main.resize(800, 600);
    SetMainForm(&main);
    const int op = SystemDef.OPCODE;
    {
        SampleForm form(TBSDI::bsSizeable);
        form.KeepOnClose = true;
        form.show();
        form.move(900, 700);
        form.resize(300, 200);
        form.close();
        EXPECT_EQ(bounds(op).mid(0, 4), (QList<int>{0, 0, 200, 300}));
    }
    {
        SampleForm form(TBSDI::bsSizeable);
        form.KeepOnClose = true;
        form.show();
        form.showMaximized();
        ASSERT_TRUE(form.isMaximized());
        form.close();
        EXPECT_EQ(bounds(op).mid(0, 4), (QList<int>{0, 0, 596, 796}));
    }
    SetMainForm(nullptr);
}

TEST_F(BaseDialogDbTest, DialogStyleFormsAndFormsBeforeLogonStoreNoBounds) {
    {
        SampleForm form(TBSDI::bsDialog);
        EXPECT_FALSE(form.SaveFormSize || form.ProcHistory || form.RefreshAccInfo || form.ActivateNotify);
        form.show();
        form.close();
    }
    SystemDef.OPCODE = 0;
    {
        SampleForm form(TBSDI::bsSizeable);
        EXPECT_TRUE(form.SaveFormSize && form.ProcHistory && form.RefreshAccInfo && form.ActivateNotify);
        form.KeepOnClose = true;
        form.show();
        form.close();
    }
    auto db = e.root->connectSystem();
    fb::Transaction t(*db);
    fb::Query q(t, QStringLiteral("SELECT COUNT(*) FROM FORMRSIZE"));
    q.open();
    EXPECT_EQ(q.field(0).asInt(), 0);
}

TEST_F(BaseDialogDbTest, TheRunningJobRowLivesWhileTheFormIsOpen) {
    testenv::Dataset ds = e.root->addDataset({});
    ASSERT_TRUE(e.dm->fnAccDatConnected(QString(), ds.folder, 0));
    const auto count = [&](const QString& sql) {
        fb::Transaction t(e.dm->IBDatabaseDAT);
        fb::Query q(t, sql);
        q.open();
        return q.field(0).asInt();
    };
    // A row left behind by a run that never closed is logged as ended in error.
    ds.execute(QStringLiteral("INSERT INTO OPINF(OPCODE,JOBNAME,PCNAME) VALUES(%1,'サンプル処理','OLD')")
                   .arg(SystemDef.OPCODE));
    SampleForm form(TBSDI::bsSizeable);
    form.KeepOnClose = true;
    form.show();
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM OPINF WHERE JOBNAME='サンプル処理' AND PCNAME='TESTPC'")),
        1);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM OPINF_LOG WHERE STATE='エラー終了' AND PCNAME='OLD'")), 1);
    EXPECT_EQ(SystemDef.DialogShown, 1);
    form.close();
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM OPINF")), 0);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM OPINF_LOG WHERE STATE='正常終了' AND PCNAME='TESTPC'")),
        1);
    EXPECT_TRUE(e.ui->shown().empty());
}

TEST_F(BaseDialogTest, AFormShownBeforeAnyDatasetTouchesNoAccountingDatabase) {
    testenv::DmEnvironment env; // system database not even connected
    SampleForm form(TBSDI::bsSizeable);
    form.KeepOnClose = true;
    form.show();
    form.close();
    EXPECT_FALSE(env.dm->IBDatabaseDAT.isConnected());
    EXPECT_EQ(SystemDef.DialogShown, 0);
    EXPECT_TRUE(env.ui->shown().empty());
}

TEST_F(BaseDialogTest, ShowingAFormAgainAt120DpiNeverGrowsIt) {
    SetScreenPixelsPerInch(120);
    SampleForm form(TBSDI::bsDialog);
    form.KeepOnClose = true;
    QList<QRect> seen;
    for (int i = 0; i < 5; ++i) {
        form.show();
        seen << form.geometry() << form.ok->geometry();
        form.close();
        // The layout as a second rescale would see it.
        form.RescaleControls();
        seen << QRect(QPoint(), form.size());
    }
    EXPECT_EQ(form.size(), QSize(500, 375));
    EXPECT_EQ(form.ok->geometry(), QRect(375, 325, 112, 32));
    for (int i = 3; i < seen.size(); i += 3) {
        EXPECT_EQ(seen[i].size(), seen[0].size());
        EXPECT_EQ(seen[i + 1], seen[1]);
    }
}

TEST_F(BaseDialogTest, TheOperatorsFontScalesTheFormAgainstTheBaseFont) {
    QFont base(QStringLiteral("ＭＳ Ｐゴシック"), 10);
    QFont display(QStringLiteral("ＭＳ Ｐゴシック"), 12);
    SystemDef.BaseFont = &base;
    SystemDef.DisplayFont = &display;
    SampleForm form(TBSDI::bsDialog);
    form.show();
    EXPECT_EQ(form.PixelsPerInch(), 116); // 96 × 120 % = 115.2, raised to the next whole number
    EXPECT_EQ(form.font().pointSize(), 12);
    EXPECT_EQ(form.size(), QSize(483, 362));
    form.done(ui::mrCancel);
}

TEST_F(BaseDialogTest, EscClosesDialogsAndF12PressesTheExecuteButton) {
    SampleForm dialog(TBSDI::bsDialog);
    dialog.KeepOnClose = true;
    activate(dialog);
    dialog.edit->setFocus();
    keyUp(&dialog, Qt::Key_F12, Qt::ShiftModifier);
    EXPECT_EQ(dialog.clicks, 0);
    dialog.ok->setEnabled(false);
    keyUp(&dialog, Qt::Key_F12);
    EXPECT_EQ(dialog.clicks, 0);
    dialog.ok->setEnabled(true);
    keyUp(&dialog, Qt::Key_F12);
    EXPECT_EQ(dialog.clicks, 1);
    EXPECT_TRUE(dialog.ok->hasFocus());
    EXPECT_TRUE(dialog.isVisible());
    keyUp(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), ui::mrCancel);

    // A sizeable form ignores Esc and closes on F12.
    SampleForm form(TBSDI::bsSizeable);
    form.KeepOnClose = true;
    activate(form);
    form.edit->setFocus();
    keyUp(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    keyUp(&form, Qt::Key_F12);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.clicks, 0);
}

TEST_F(BaseDialogTest, AModelessFormClosedWithoutKeepOnCloseDeletesItself) {
    QPointer<SampleForm> form = new SampleForm(TBSDI::bsDialog);
    form->show();
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
}

TEST_F(BaseDialogTest, AFormWhoseSetUpFailedSaysSoAndCloses) {
    struct Broken : SampleForm {
        Broken() : SampleForm(bsDialog) { SetupDone = false; }
        void ShowingChanged(bool visible) override {
            TBSDI::ShowingChanged(visible);
            if (visible)
                CloseWhenSetupFailed();
        }
    };
    ui::ScopedScriptedUi shown;
    Broken form;
    form.setWindowTitle(QStringLiteral("データ選択"));
    EXPECT_EQ(form.exec(), ui::mrCancel);
    EXPECT_EQ(shown->messageTexts(),
              QStringList{QStringLiteral("データ選択画面の初期化に失敗しました。\n処理を終了します。")});
}

TEST_F(BaseDialogTest, PlaceFormKeepsTheFormInsideTheWorkArea) {
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    SampleForm dialog(TBSDI::bsDialog);
    dialog.ForcePlace = false;
    dialog.move(10, 10);
    dialog.PlaceForm(0, 0, 0, 0, 3);
    EXPECT_EQ(dialog.pos(), QPoint(10, 10));
    dialog.ForcePlace = true;
    dialog.PlaceForm(0, 0, 0, 0, 3);
    EXPECT_EQ(dialog.pos(), QPoint(work.x() + (work.width() - dialog.width()) / 2,
                                   work.y() + (work.height() - dialog.height()) / 2));

    // Wider than the work area: a sizeable form hangs out on the left, a dialog stays at 0.
    SampleForm wide(TBSDI::bsSizeable);
    wide.resize(work.right() + 1 + 80, 100);
    wide.PlaceForm(0, 0, 0, 0, 3);
    EXPECT_EQ(wide.x(), -80);
    dialog.setFixedSize(work.right() + 1 + 80, 100);
    dialog.PlaceForm(0, 0, 0, 0, 3);
    EXPECT_EQ(dialog.x(), 0);
}

TEST_F(BaseDialogTest, TheHintLineShowsTheLongPartOfTheFocusedControlsHint) {
    SystemDef.ShowHint = 1;
    SampleForm form(TBSDI::bsDialog);
    auto* line = new QLabel(&form);
    form.HintTarget = line;
    const struct {
        const char16_t* hint;
        const char16_t* shown;
    } cases[] = {
        {u"確定|内容を確定します。", u"内容を確定します。"},
        {u"名前を入力します。", u"名前を入力します。"},
        {u"", u""},
    };
    for (const auto& c : cases) {
        line->setText(QStringLiteral("old"));
        TBSDI::SetHint(form.edit, QString::fromUtf16(c.hint));
        TBSDI::ShowLongHint(form.edit, line);
        EXPECT_EQ(line->text(), QString::fromUtf16(c.shown));
    }
    TBSDI::SetHint(form.edit, QStringLiteral("名前|名前を入力します。"));
    EXPECT_EQ(form.edit->toolTip(), QStringLiteral("名前"));
    activate(form);
    form.ok->setFocus();
    form.edit->setFocus();
    EXPECT_EQ(line->text(), QStringLiteral("名前を入力します。"));
    form.done(ui::mrCancel);
}

TEST_F(BaseDialogTest, MedicalDataCallsBranchesFacilities) {
    AccInf.IryoFlag = 1;
    SampleForm form(TBSDI::bsDialog);
    form.label->setText(QStringLiteral("本・支店と支店"));
    form.show();
    EXPECT_EQ(form.label->text(), QStringLiteral("施設と施設"));
    form.done(ui::mrCancel);
}

TEST_F(BaseDialogTest, PeriodPanelsFoundByNameStartAtTheInputPeriod) {
    AccInf.KISHU = TDateTime::fromDate(2024, 4, 1);
    AccInf.KIMATU = TDateTime::fromDate(2025, 3, 31);
    AccInf.KAISI = AccInf.KISHU;
    AccInf.SIME = 99;
    AccInf.KAISINO = 5;
    auto* p16 = new TxKikanPanel16;
    p16->setObjectName(QStringLiteral("KikanPanel16"));
    p16->setKikanMove(false);
    SampleForm form(TBSDI::bsDialog, p16);
    EXPECT_EQ(p16->Stno(), 5);
    EXPECT_EQ(p16->Edno(), 5);

    auto* p12 = new TxKikanPanel12;
    p12->setObjectName(QStringLiteral("KikanPanel12"));
    p12->setKikanMove(true);
    SampleForm other(TBSDI::bsDialog, p12);
    EXPECT_EQ(p12->Stno(), 4);
    EXPECT_EQ(p12->Edno(), 11);
}

TEST_F(BaseDialogDbTest, ScreenValuesAreKeptUnderTheFormsName) {
    {
        SampleForm form(TBSDI::bsDialog);
        form.ScreenValueText = QStringLiteral("1,2,3");
        form.SaveScreenValues();
    }
    SampleForm form(TBSDI::bsDialog);
    form.RestoreScreenValues();
    EXPECT_EQ(form.ScreenValueText, QStringLiteral("1,2,3"));
    form.Splitter->Bunkatu(form.ScreenValueText);
    EXPECT_EQ(form.Splitter->Count, 3);
}

} // namespace

// The dataset list's print option dialog and the print option dialog beneath it: options kept per
// operator in the stored report style, the orientation handed to the list printer, the start page and
// the style key.

#include "support/SystemDbProbe.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datalist/z5DataSentakuPrintDlg.h"
#include "platform/Cp932.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Record.h"
#include "print/z5PrnColorSet.h"
#include "support/DmFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <type_traits>

namespace {

template <typename T = TDataSentakuPrintDlg>
void whenShown(const std::type_identity_t<std::function<void(T&)>>& work) {
    testenv::whenReady([work] {
        auto* box = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return false;
        work(*box);
        return true;
    });
}

TDataSentakuRec row(int rec, const QString& code, const QString& name, const QString& folder) {
    TDataSentakuRec r;
    r.REC = rec;
    r.DATACODE = code;
    r.DISPNAME = name;
    r.ENTTEXT = name;
    r.NENDO = 3;
    r.KIKAN = QStringLiteral("R08/04/01-R09/03/31");
    r.PASNAME = folder;
    return r;
}

} // namespace

class DataSentakuPrintDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        e.connectSystem();
        SystemDef.SystemFolder = e.env.path() + QStringLiteral("/system");
        QDir().mkpath(SystemDef.SystemFolder);
        const QString root = SystemDef.DataRoot;
        TDataSentakuRec parent = row(1, QStringLiteral("1201"), QStringLiteral("甲商事"),
                                     root.toUpper() + QStringLiteral("/d0001"));
        parent.CHILDREN = {
            row(0, QStringLiteral("1211"), QStringLiteral("甲商事支店"), root + QStringLiteral("/d0001/c1"))};
        TDataSentakuRec freeSlot;
        freeSlot.REC = 2;
        freeSlot.DISPNAME = QStringLiteral("空き");
        freeSlot.PASNAME = root + QStringLiteral("/d0002");
        list = {parent, freeSlot};
        disp = {0, 1};
        const auto capture = [this](TPmvxDEF& rec) {
            QFile f(QString(rec.DataFile));
            if (f.open(QIODevice::ReadOnly))
                spool = cp932::decode(f.readAll());
            orientation = rec.Orientation;
            return 1;
        };
        MavrolexPreviewProc = [this, capture](TPmvxDEF& rec) {
            ++previews;
            return capture(rec);
        };
        MavrolexPrintRunProc = [this, capture](TPmvxDEF& rec) {
            ++prints;
            return capture(rec);
        };
    }
    void TearDown() override {
        MavrolexPreviewProc = nullptr;
        MavrolexPrintRunProc = nullptr;
    }
    QString stored(const QString& column) const {
        return testenv::systemValue(*e.root, QStringLiteral("SELECT %1 FROM STYLECOLOR WHERE OPCODE=%2 AND "
                                                            "STYLENAME='020-DATASENTAKULIST'")
                                                 .arg(column)
                                                 .arg(SystemDef.OPCODE));
    }

    testenv::DmEnvironment e;
    TDataSentakuRecArray list;
    TDataSentakuRecDispArray disp;
    QString spool;
    int previews = 0, prints = 0, orientation = -1;
};

TEST_F(DataSentakuPrintDlgTest, LandscapeIsKeptPerOperatorAndCancelChangesNothing) {
    // an operator who never printed gets portrait; landscape and preview
    whenShown([](TDataSentakuPrintDlg& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("データリストの印刷"));
        EXPECT_EQ(d.lblMain->text(), QStringLiteral("データリストを印刷します。"));
        EXPECT_TRUE(d.rbTate->isChecked());
        EXPECT_FALSE(d.grpColor->isVisible() || d.txtStartPage->isVisible() || d.chkBoth->isVisible());
        EXPECT_TRUE(d.btnPreview->isVisible());
        EXPECT_FALSE(d.btnCopy->isVisible());
        EXPECT_TRUE(d.grpOrientation->isVisible());
        d.rbYoko->setChecked(true);
        testenv::saveShot(d, QStringLiteral("datalist_print_dialog"));
        d.btnPreview->click();
    });
    EXPECT_TRUE(PrintDatasetList(nullptr, 0, list, disp));
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(prints, 0);
    EXPECT_EQ(orientation, 1);
    EXPECT_TRUE(spool.contains(QStringLiteral("コード"))) << spool.toStdString();
    EXPECT_TRUE(spool.contains(QStringLiteral(";~/d0001;"))) << spool.toStdString();
    EXPECT_TRUE(spool.contains(QStringLiteral(";~/d0001/c1;")));
    EXPECT_EQ(stored(QStringLiteral("SSTR")), QStringLiteral("P010=1\r\n"));
    EXPECT_EQ(stored(QStringLiteral("NETCOLOR1")), QStringLiteral("-1"));

    // landscape is preselected; Cancel after choosing portrait changes nothing
    whenShown([](TDataSentakuPrintDlg& d) {
        EXPECT_TRUE(d.rbYoko->isChecked());
        d.rbTate->setChecked(true);
        d.btnCancel->click();
    });
    EXPECT_FALSE(PrintDatasetList(nullptr, 0, list, disp));
    EXPECT_EQ(previews + prints, 1);
    EXPECT_EQ(stored(QStringLiteral("SSTR")), QStringLiteral("P010=1\r\n"));

    // OK prints with the kept orientation; portrait chosen then is stored
    whenShown([](TDataSentakuPrintDlg& d) {
        EXPECT_TRUE(d.rbYoko->isChecked());
        d.btnOK->click();
    });
    EXPECT_TRUE(PrintDatasetList(nullptr, 1, list, disp));
    EXPECT_EQ(prints, 1);
    EXPECT_EQ(orientation, 1);
    EXPECT_TRUE(spool.contains(QStringLiteral("共有データリスト")));
    whenShown([](TDataSentakuPrintDlg& d) {
        d.rbTate->setChecked(true);
        d.btnOK->click();
    });
    EXPECT_TRUE(PrintDatasetList(nullptr, 0, list, disp));
    EXPECT_EQ(orientation, 0);
    EXPECT_FALSE(spool.contains(QStringLiteral("コード")));
    EXPECT_EQ(stored(QStringLiteral("SSTR")), QStringLiteral("P010=0\r\n"));
}

TEST_F(DataSentakuPrintDlgTest, AnOrientationThatIsNotANumberReadsAsPortrait) {
    for (const char* text : {"P010=x\r\n", "C010=1\r\nP010=\r\n", "P010=1\r\n"}) {
        TDefaultPrintRec rec;
        InitPrintRec(rec);
        rec.ReportName = QStringLiteral("DataSentakuList");
        rec.OptionText = QString::fromLatin1(text);
        TDataSentakuPrintDlg d;
        d.PrintRec = &rec;
        d.Setup(1);
        EXPECT_EQ(d.Orientation, QByteArray(text) == "P010=1\r\n" ? 1 : 0) << text;
        EXPECT_EQ(d.rbYoko->isChecked(), d.Orientation == 1);
        EXPECT_EQ(rec.ColorMode, 0) << "a hidden colour choice is not restored";
    }
}

TEST_F(DataSentakuPrintDlgTest, BaseDialogOptionsAndStyleKey) {
    struct Case {
        QString text;
        int page;
    };
    for (const Case& c : {Case{QStringLiteral("0"), 1}, Case{QStringLiteral("abc"), 1},
                          Case{QStringLiteral("-2"), -2}, Case{QStringLiteral("5"), 5}}) {
        TDefaultPrintRec rec;
        InitPrintRec(rec);
        rec.ReportName = QStringLiteral("Report");
        TPrintDlgBox d;
        d.PrintRec = &rec;
        d.ShowColor = d.ShowStartPage = d.ShowBothSides = true;
        d.Setup(1);
        d.txtStartPage->setText(c.text);
        d.btnColor->setChecked(true);
        d.chkBoth->setChecked(true);
        d.btnOKClick(d.btnCopy);
        EXPECT_EQ(rec.StartPage, c.page) << c.text.toStdString();
        EXPECT_EQ(d.ResultKind, 3);
        EXPECT_EQ(rec.OptionText, QStringLiteral("C010=1\r\nC020=1\r\n"));
        EXPECT_EQ(rec.ColorMode, 1);
        EXPECT_TRUE(rec.BothSides);
    }
    // the style store off: nothing is written
    EXPECT_EQ(testenv::systemValue(
                  *e.root, QStringLiteral("SELECT COUNT(*) FROM STYLECOLOR WHERE STYLENAME='020-REPORT'")),
              QStringLiteral("0"));

    // with colour and both sides shown, the saved lines come back
    TDefaultPrintRec rec;
    InitPrintRec(rec);
    rec.OptionText = QStringLiteral("C010=1\r\nC020=1\r\n");
    TPrintDlgBox d;
    d.PrintRec = &rec;
    d.ShowColor = d.ShowStartPage = d.ShowBothSides = d.ShowPreview = d.ShowCopy = true;
    d.DlgCaption = QStringLiteral("帳票の印刷");
    d.DlgMessage = QStringLiteral("帳票を印刷します。");
    d.Setup(1);
    d.show();
    testenv::saveShot(d, QStringLiteral("print_dialog_all_options"));
    EXPECT_TRUE(d.btnColor->isChecked());
    EXPECT_TRUE(d.chkBoth->isChecked());

    // a name longer than 36 bytes: cut to 40 bytes with "020-", a halved double-byte character dropped
    rec.ReportName = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789ab");
    EXPECT_EQ(d.MakeStyleName(), QStringLiteral("020-ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"));
    rec.ReportName = QStringLiteral("abcdefghijklmnopqrstuvwxyz01234567帳票");
    EXPECT_EQ(d.MakeStyleName(), QStringLiteral("020-ABCDEFGHIJKLMNOPQRSTUVWXYZ01234567帳"));
    rec.ReportName = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456帳票");
    EXPECT_EQ(d.MakeStyleName(), QStringLiteral("020-ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456帳"));
    rec.ReportName = QStringLiteral("abcdefghijklmnopqrstuvwxyz012345678帳票");
    EXPECT_EQ(d.MakeStyleName(), QStringLiteral("020-ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678"));
}

TEST_F(DataSentakuPrintDlgTest, AColourEqualToTheOperatorsIsStoredAsMinusOne) {
    TDefaultPrintRec rec;
    InitPrintRec(rec);
    rec.ReportName = QStringLiteral("DataSentakuList");
    rec.NetColor2 = 0x123456;
    TPrintDlgBox d;
    d.PrintRec = &rec;
    d.UseStyleStore = true;
    d.PutStyleColorRec();
    for (const char* column : {"LINECOLOR1", "LINECOLOR2", "LINECOLOR3", "NETCOLOR1"})
        EXPECT_EQ(stored(QString::fromLatin1(column)), QStringLiteral("-1")) << column;
    EXPECT_EQ(stored(QStringLiteral("NETCOLOR2")), QString::number(0x123456));
    // read back: -1 keeps the record's colour, a stored one replaces it
    TDefaultPrintRec back;
    InitPrintRec(back);
    back.ReportName = QStringLiteral("DataSentakuList");
    d.PrintRec = &back;
    d.GetStyleColorRec();
    EXPECT_EQ(back.NetColor1, SystemDef.NetColor1);
    EXPECT_EQ(back.NetColor2, 0x123456);
}

TEST_F(DataSentakuPrintDlgTest, ReportColourDialog) {
    const auto pallet = [this] {
        return testenv::systemValue(*e.root, QStringLiteral("SELECT SSTR FROM STYLECOLOR WHERE OPCODE=%1 AND "
                                                            "STYLENAME='Pallet_CustomColor'")
                                                 .arg(SystemDef.OPCODE));
    };
    // The operator's report colours as the operator's settings row holds them.
    const auto sysdefColours = [this] {
        return testenv::systemValue(
            *e.root, QStringLiteral("SELECT PLINECOLOR1||','||PLINECOLOR2||','||NETCOLOR1||','||NETCOLOR2 "
                                    "FROM SYSDEF WHERE OPCODE=%1")
                         .arg(SystemDef.OPCODE));
    };
    // the operator's row and colours as a logon reads them
    ASSERT_TRUE(e.dm->fnGetSysDef());
    const qint32 operatorNet1 = SystemDef.NetColor1;
    const QString storedBefore = sysdefColours();
    ASSERT_EQ(storedBefore, QStringLiteral("%1,%2,%3,%4")
                                .arg(SystemDef.PLineColor1)
                                .arg(SystemDef.PLineColor2)
                                .arg(SystemDef.NetColor1)
                                .arg(SystemDef.NetColor2));
    // Cancel keeps the four colours but saves a custom colour added in the picker
    {
        TPrnColorSetBox box;
        box.PerReport = 1;
        box.setNetColor1(0x112233);
        box.Setup(1);
        box.show();
        testenv::saveShot(box, QStringLiteral("report_colour_dialog"));
        EXPECT_FALSE(box.lblKankyoColor->isHidden());
        EXPECT_EQ(box.CustomColors, std::vector<quint32>(16, 0xFFFFFF));
        e.ui->queueColor({0x0000FF, 2, 0x00AA00});
        box.btnLineColor1Click(2);
        box.btnCancel->click();
        EXPECT_EQ(box.NetColor1(), 0x112233);
    }
    const QString stored = pallet();
    EXPECT_TRUE(stored.startsWith(QStringLiteral("ColorA=FFFFFF\rColorB=FFFFFF\rColorC=00AA00\r")))
        << stored.toStdString();
    EXPECT_TRUE(stored.endsWith(QStringLiteral("ColorP=FFFFFF\r")));
    // per-report OK changes only what goes back; the stored custom colours come back in the picker
    {
        TPrnColorSetBox box;
        box.PerReport = 1;
        box.Setup(1);
        EXPECT_EQ(box.CustomColors.at(2), 0x00AA00u);
        e.ui->queueColor({0x0000FF});
        box.btnLineColor1Click(2);
        box.btnOK->click();
        EXPECT_EQ(box.NetColor1(), 0x0000FF);
        EXPECT_EQ(SystemDef.NetColor1, operatorNet1);
    }
    // back to the operator's colours after confirmation, the label turning purple
    {
        TPrnColorSetBox box;
        box.PerReport = 1;
        box.setLineColor1(0x010203);
        box.Setup(1);
        e.ui->queueAnswer(ui::mrYes);
        box.lblKankyoColorClick();
        EXPECT_EQ(box.LineColor1(), SystemDef.PLineColor1);
        EXPECT_TRUE(box.lblKankyoColor->styleSheet().contains(QStringLiteral("#800080")));
    }
    EXPECT_EQ(sysdefColours(), storedBefore)
        << "neither Cancel nor a per-report OK touches the operator's row";

    // operator mode: the label is hidden and OK writes the four colours into the operator's row
    {
        TPrnColorSetBox box;
        box.Setup(1);
        EXPECT_TRUE(box.lblKankyoColor->isHidden());
        const qint32 chosen[4] = {0x102030, 0x405060, 0x708090, 0x00FF00};
        for (int tag = 0; tag < 4; ++tag) {
            e.ui->queueColor({static_cast<quint32>(chosen[tag])});
            box.btnLineColor1Click(tag);
        }
        box.btnOK->click();
        EXPECT_EQ(SystemDef.PLineColor1, 0x102030);
        EXPECT_EQ(SystemDef.NetColor2, 0x00FF00);
        EXPECT_EQ(sysdefColours(),
                  QStringLiteral("%1,%2,%3,%4").arg(0x102030).arg(0x405060).arg(0x708090).arg(0x00FF00));
    }
}

TEST_F(DataSentakuPrintDlgTest, ColourButtonOfTheOptionDialog) {
    ASSERT_TRUE(e.dm->fnGetSysDef());
    const qint32 operatorNet1 = SystemDef.NetColor1;
    const auto reportRow = [this] {
        return testenv::systemValue(*e.root,
                                    QStringLiteral("SELECT NETCOLOR1 FROM STYLECOLOR WHERE OPCODE=%1 AND "
                                                   "STYLENAME='020-COLOURREPORT'")
                                        .arg(SystemDef.OPCODE));
    };
    const auto operatorRow = [this] {
        return testenv::systemValue(
            *e.root, QStringLiteral("SELECT NETCOLOR1 FROM SYSDEF WHERE OPCODE=%1").arg(SystemDef.OPCODE));
    };
    struct Case {
        bool styleStore;
        qint32 chosen;
        qint32 operatorAfter;
        qint32 storedAfter;
    };
    // With the style store the colour goes to the report only, else to the operator's settings alone.
    for (const Case c :
         {Case{true, 0x3366CC, operatorNet1, 0x3366CC}, Case{false, 0x55AA11, 0x55AA11, 0x3366CC}}) {
        SCOPED_TRACE(c.styleStore);
        TDefaultPrintRec rec;
        InitPrintRec(rec);
        rec.ReportName = QStringLiteral("ColourReport");
        TPrintDlgBox d;
        d.PrintRec = &rec;
        d.UseStyleStore = c.styleStore;
        d.ShowColor = true;
        d.Setup(1);
        whenShown<TPrnColorSetBox>([&](TPrnColorSetBox& box) {
            EXPECT_EQ(box.lblKankyoColor->isHidden(), !c.styleStore);
            EXPECT_EQ(box.NetColor1(), rec.NetColor1);
            e.ui->queueColor({static_cast<quint32>(c.chosen)});
            box.btnLineColor1Click(2);
            box.btnOK->click();
        });
        d.btnColorSelect->click();
        EXPECT_EQ(rec.NetColor1, c.chosen);
        EXPECT_EQ(SystemDef.NetColor1, c.operatorAfter);
        EXPECT_EQ(operatorRow(), QString::number(c.operatorAfter));
        EXPECT_EQ(reportRow(), QString::number(c.storedAfter));
    }
}

TEST_F(DataSentakuPrintDlgTest, ADialogWhoseCreationFailedSaysSoAndCloses) {
    TDefaultPrintRec rec;
    InitPrintRec(rec);
    TDataSentakuPrintDlg list;
    list.PrintRec = &rec;
    list.DlgCaption = QStringLiteral("データリストの印刷");
    list.Setup(1);
    TPrnColorSetBox colour;
    colour.Setup(1);
    for (TBSDI* d : {static_cast<TBSDI*>(&list), static_cast<TBSDI*>(&colour)}) {
        SCOPED_TRACE(d->objectName().toStdString());
        d->SetupDone = false;
        e.ui->clear();
        EXPECT_EQ(d->exec(), ui::mrCancel);
        ASSERT_EQ(e.ui->shown().size(), 1u);
        const ui::MessageRequest& m = e.ui->shown()[0].message;
        EXPECT_EQ(m.kind, ui::MsgKind::Error);
        EXPECT_EQ(m.text,
                  d->windowTitle() + QStringLiteral("画面の初期化に失敗しました。\r処理を終了します。"));
        EXPECT_EQ(m.buttons, ui::mbYes);
    }
    EXPECT_EQ(list.ResultKind, 0);
}

TEST_F(DataSentakuPrintDlgTest, TheHeightFollowsTheShownOptionsDuringSetupOnly) {
    struct Case {
        bool color, startPage, bothSides;
        int height;
    };
    for (const Case c : {Case{false, false, false, 200}, Case{true, false, false, 250},
                         Case{true, true, false, 300}, Case{false, false, true, 300}}) {
        SCOPED_TRACE(c.height);
        TDefaultPrintRec rec;
        InitPrintRec(rec);
        TPrintDlgBox d;
        d.PrintRec = &rec;
        d.ShowColor = c.color;
        d.ShowStartPage = c.startPage;
        d.ShowBothSides = c.bothSides;
        d.Setup(1);
        EXPECT_EQ(d.designClientSize().height(), c.height);
        EXPECT_EQ(d.DesignGeometry(d.btnOK).bottom(), c.height - 36 + 30 - 1);
        // options applied again after the set-up leave the size alone
        d.ShowColor = true;
        d.ShowStartPage = d.ShowBothSides = false;
        d.ApplyOptions();
        EXPECT_EQ(d.designClientSize().height(), c.height);
    }
}

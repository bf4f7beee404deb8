// Printing the data selection's list end to end: F8 over the rows of a fixture data root, the print
// options chosen in their dialog, the preview window on the spool the list printer wrote, and the same
// list printed to PDF in both orientations.

#include "support/SystemDbProbe.h"

#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "datalist/z5DataSentakuPrintDlg.h"
#include "datasel/z5DataSentaku.h"
#include "platform/Cp932.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Imagedsp.h"
#include "print/Mavrolex_PrintIng.h"
#include "print/QtPrinterDevice.h"
#include "support/DmFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs work on the next modal window of type T once it is up (and ready, when ready is given).
template <typename T>
void whenModal(const std::function<void(T&)>& work, const std::function<bool(T&)>& ready = {}) {
    testenv::whenReady([=] {
        auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!w || !w->isVisible() || (ready && !ready(*w)))
            return false;
        work(*w);
        return true;
    });
}

QString tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(-1);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString& pdf, int page) {
    return tool(QStringLiteral("pdftotext"),
                {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                 QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

int pdfPages(const QString& pdf) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(tool(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

// Slots 1 to 34 of the data root: 1 a merged dataset with two children (one stored under the root in
// other letter case), 2 free, 3 a second dataset, 4 to 34 registered rows: 36 printed rows, one more
// than a landscape page holds.
class DatasetListPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            GTEST_SKIP() << "poppler-utils not installed";
        e.connectSystem();
        SystemDef.SystemFolder = e.env.path() + QStringLiteral("/system");
        QDir().mkpath(SystemDef.SystemFolder);
        root = e.root->root();

        testenv::CompanySpec a;
        a.code = QStringLiteral("1201");
        a.name = QStringLiteral("甲商事");
        a.nendo = 12;
        a.kishu = QDate(2025, 4, 1);
        e.root->addDataset(a, 1);
        testenv::CompanySpec b;
        b.code = QStringLiteral("1202");
        b.name = QStringLiteral("乙物産");
        b.nendo = 7;
        e.root->addDataset(b, 3);
        system([&](fb::Transaction& t) {
            fb::Query(t, QStringLiteral("DELETE FROM DATALIST WHERE REC>34")).execute();
            fb::Query(t, QStringLiteral("UPDATE DATALIST SET GASSAN=1 WHERE REC=1")).execute();
            fb::Query child(
                t, QStringLiteral("INSERT INTO CHILD_DATALIST (REC, ROWNO, GROUPID, ENTTEXT, "
                                  "PASNAME, GASSAN) VALUES (1, :ROWNO, 10000, :ENTTEXT, :PASNAME, 10)"));
            child.setInt("ROWNO", 1);
            child.setString("ENTTEXT", QStringLiteral("本店"));
            child.setString("PASNAME", root + QStringLiteral("/data/0001/01"));
            child.execute();
            child.setInt("ROWNO", 2);
            child.setString("ENTTEXT", QStringLiteral("支店"));
            child.setString("PASNAME", root.toUpper() + QStringLiteral("/data/0001/02"));
            child.execute();
            fb::Query row(t, QStringLiteral("UPDATE DATALIST SET ENTTEXT=:ENTTEXT, SHOUGOU=:ENTTEXT, "
                                            "DATACODE=:DATACODE, NENDO=3, KISHU='2024-01-01', "
                                            "KIMATU='2024-12-31', DATATYPE=1, CODETYPE=1, PASNAME=:PASNAME, "
                                            "VER_MAJOR=13, VER_MINOR1=0, VER_MINOR2=0, VER_TEXT='13.0' "
                                            "WHERE REC=:REC"));
            for (int rec = 4; rec <= 34; ++rec) {
                row.setString("ENTTEXT", QStringLiteral("データ%1").arg(rec));
                row.setString("DATACODE", QString::number(3000 + rec));
                row.setString("PASNAME", root + QStringLiteral("/data/%1").arg(rec, 4, 10, QLatin1Char('0')));
                row.setInt("REC", rec);
                row.execute();
            }
        });

        ShutdownMavrolexEngine();
        QtPrinterDevice::Options options;
        options.systemPrinters = false;
        options.pdfFolder = e.env.path() + QStringLiteral("/pdf");
        options.pdfDpi = 150;
        auto device = std::make_unique<QtPrinterDevice>(options);
        pdf = device.get();
        previousDevice = InstallPrinterDevice(std::move(device));
        Engine();
        MavrolexPreviewProc = [this](TPmvxDEF& rec) {
            QFile f(QString(rec.DataFile));
            if (f.open(QIODevice::ReadOnly))
                previewSpool = cp932::decode(f.readAll());
            return StartPreview(rec);
        };
        MavrolexPrintRunProc = [](TPmvxDEF& rec) { return StartPrintRun(rec); };
    }
    void TearDown() override {
        if (!pdf)
            return;
        ShutdownMavrolexEngine();
        InstallPrinterDevice(std::move(previousDevice));
        MavrolexPreviewProc = [](TPmvxDEF& rec) { return StartPreview(rec); };
        MavrolexPrintRunProc = [](TPmvxDEF& rec) { return StartPrintRun(rec); };
    }

    void system(const std::function<void(fb::Transaction&)>& work) const {
        auto db = e.root->connectSystem();
        fb::Transaction t(*db);
        work(t);
        t.commit();
    }

    // The data selection with every management key, as the accounting application opens it.
    std::unique_ptr<TDataSentakuBox> dataSelection() {
        auto box = std::make_unique<TDataSentakuBox>();
        box->KeepOnClose = true;
        box->SetParams({QStringLiteral("SyoriType=0")});
        box->Prepare(true);
        return box;
    }

    // F8, the option dialog answered by choose: it gets the dialog and returns the button to press.
    void printWith(TDataSentakuBox& box, const std::function<QPushButton*(TDataSentakuPrintDlg&)>& choose) {
        whenModal<TDataSentakuPrintDlg>([=](TDataSentakuPrintDlg& d) { choose(d)->click(); });
        box.F8Click();
    }
    // The option lines kept for the operator with the list's report style.
    QString keptOptions() const {
        return testenv::systemValue(*e.root, QStringLiteral("SELECT SSTR FROM STYLECOLOR WHERE OPCODE=%1 AND "
                                                            "STYLENAME='020-DATASENTAKULIST'")
                                                 .arg(SystemDef.OPCODE));
    }

    testenv::DmEnvironment e;
    QString root;
    QtPrinterDevice* pdf = nullptr;
    std::unique_ptr<PrinterDevice> previousDevice;
    QString previewSpool;
};

TEST_F(DatasetListPrintTest, F8PreviewsAndPrintsTheFixtureListAndKeepsTheOrientation) {
    auto box = dataSelection();
    ASSERT_EQ(box->List.size(), 34);
    ASSERT_EQ(box->KeyCaption(TDataSentakuBox::kF8), QStringLiteral("F8:印刷"));

    // landscape preview: two pages, page 1 looked at in the window
    QString pages;
    whenModal<TImageDispForm>(
        [&](TImageDispForm& form) {
            pages = form.WherePageText();
            testenv::saveShot(form, QStringLiteral("datalist_preview_window"));
            const QString shots = qEnvironmentVariable("QV_SHOTS");
            if (!shots.isEmpty())
                form.grabPage().save(shots + QStringLiteral("/datalist_preview_page1.png"));
            form.CloseButtonClick();
        },
        [](TImageDispForm& form) { return !form.WherePageText().isEmpty(); });
    printWith(*box, [](TDataSentakuPrintDlg& d) {
        EXPECT_TRUE(d.rbTate->isChecked()) << "an operator who never printed the list gets portrait";
        d.rbYoko->setChecked(true);
        return d.btnPreview;
    });
    EXPECT_EQ(pages, QStringLiteral("1/2"));
    EXPECT_TRUE(previewSpool.contains(QStringLiteral("コード"))) << previewSpool.toStdString();
    EXPECT_TRUE(pdf->pdfFiles().isEmpty());
    EXPECT_EQ(keptOptions(), QStringLiteral("P010=1\r\n"));

    // a portrait print after it, then a landscape print: each dialog preselects the orientation kept
    printWith(*box, [](TDataSentakuPrintDlg& d) {
        EXPECT_TRUE(d.rbYoko->isChecked());
        d.rbTate->setChecked(true);
        return d.btnOK;
    });
    EXPECT_EQ(keptOptions(), QStringLiteral("P010=0\r\n"));
    printWith(*box, [](TDataSentakuPrintDlg& d) {
        EXPECT_TRUE(d.rbTate->isChecked());
        d.rbYoko->setChecked(true);
        return d.btnOK;
    });
    EXPECT_EQ(keptOptions(), QStringLiteral("P010=1\r\n"));
    // Cancel after choosing portrait keeps landscape and prints nothing
    printWith(*box, [](TDataSentakuPrintDlg& d) {
        EXPECT_TRUE(d.rbYoko->isChecked());
        d.rbTate->setChecked(true);
        return d.btnCancel;
    });
    EXPECT_EQ(keptOptions(), QStringLiteral("P010=1\r\n"));
    ASSERT_EQ(pdf->pdfFiles().size(), 2);
    const QString portrait = pdf->pdfFiles().at(0);
    const QString landscape = pdf->pdfFiles().at(1);
    EXPECT_EQ(pdfPages(landscape), 2);
    EXPECT_EQ(pdfPages(portrait), 1);

    const QString page1 = pdfText(landscape, 1);
    const QString page2 = pdfText(landscape, 2);
    const QString whole = pdfText(portrait, 1);
    const auto lineOf = [](const QString& text, const QString& part) {
        for (const QString& line : text.split(u'\n'))
            if (line.contains(part))
                return line.simplified();
        return QString();
    };
    EXPECT_TRUE(page1.contains(QRegularExpression(QStringLiteral("PAGE\\s+1\\n")))) << page1.toStdString();
    EXPECT_TRUE(page2.contains(QRegularExpression(QStringLiteral("PAGE\\s+2\\n")))) << page2.toStdString();
    // number, code (landscape only), name, term, period and folder of each kind of row; children carry
    // no number of their own, only their numbered names
    struct Row {
        const char* key;
        const char* landscape;
        const char* portrait;
    };
    const Row rows[] = {
        {"甲商事", "^1 1201 甲商事 12 期 2025/04/01 . 2026/03/31 ~/data/0001$",
         "^1 甲商事 12 期 2025/04/01 . 2026/03/31 ~/data/0001$"},
        {"本店", "^0[12] 本店 ~/data/0001/01$", "^0[12] 本店 ~/data/0001/01$"},
        {"支店", "^0[12] 支店 ~/data/0001/02$", "^0[12] 支店 ~/data/0001/02$"},
        {"~/data/0002", "^2 ~/data/0002$", "^2 ~/data/0002$"},
        {"乙物産", "^3 1202 乙物産 7 期 .* ~/data/0003$", "^3 乙物産 7 期 .* ~/data/0003$"},
        {"データ33", "^33 3033 データ33 3 期 2024/01/01 . 2024/12/31 ~/data/0033$",
         "^33 データ33 3 期 2024/01/01 . 2024/12/31 ~/data/0033$"},
    };
    for (const Row& r : rows) {
        const QString key = QString::fromUtf8(r.key);
        EXPECT_TRUE(lineOf(page1, key).contains(QRegularExpression(QString::fromUtf8(r.landscape))))
            << r.key << ": " << lineOf(page1, key).toStdString();
        EXPECT_TRUE(lineOf(whole, key).contains(QRegularExpression(QString::fromUtf8(r.portrait))))
            << r.key << ": " << lineOf(whole, key).toStdString();
    }
    EXPECT_TRUE(lineOf(page2, QStringLiteral("データ34")).startsWith(QStringLiteral("34 3034 データ34 3 期")))
        << page2.toStdString();
    EXPECT_FALSE(page1.contains(QStringLiteral("データ34")));
    EXPECT_TRUE(page1.contains(QStringLiteral("コード")));
    EXPECT_FALSE(whole.contains(QStringLiteral("コード")));
    EXPECT_FALSE(whole.contains(QStringLiteral("1201")));
    EXPECT_TRUE(whole.contains(QStringLiteral("データ34")));
    EXPECT_FALSE(whole.contains(root)) << "every folder under the data root is written with ~";
}

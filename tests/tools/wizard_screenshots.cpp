// Walks the wizard on a data root as an operator would and saves a picture of the logon dialog and of
// every wizard page, for looking at them (tests/wizard_screenshots.sh runs it under Xvfb):
//
//   wizard_screenshots OUTPUT_FOLDER [DATA_ROOT]
// Without DATA_ROOT the data root of the current environment is used. The walk logs on as operator 10
// without a password, chooses the first dataset of the list and writes "screenshots.xml" into the
// program's documents folder. Message boxes are not shown: each goes to standard error as one line and is
// answered with its first button. The data selection is the program's own dialog when one is
// registered; else a stand-in chooses the dataset folder "0001" of the data root. On the output-file page
// the program's own save dialog (「参照」) is pictured and cancelled; after the walk the page set-up
// dialog and the open dialog on the data root are pictured too, and a dataset list with long and awkward
// names is printed to the PDF files "datalist_portrait.pdf" and "datalist_landscape.pdf" (the shell script
// turns their pages into PNG).
#include "app/TestHooks.h"
#include "app/main.h"
#include "controls/FontSubstitution.h"
#include "controls/QtTranslations.h"
#include "controls/QtUserInteraction.h"
#include "core/DialogRegistry.h"
#include "core/uAccRecord.h"
#include "datalist/uPrDataList.h"
#include "datasel/Logon.h"
#include "print/Mavrolex_EngineState.h"
#include "print/QtPrinterDevice.h"
#include "print/z5PrintRec.h"
#include "ui_Logon.h"
#include "ui_main.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

class FirstDataset : public QObject, public ISyoriKidou {
public:
    explicit FirstDataset(QWidget* /*owner*/) {}
    void SetParams(const QStringList& /*params*/) override {}
    int Execute(bool /*modal*/) override {
        ShowNormalCursor();
        SystemDef.DataDir = SystemDef.SYSDIR + QStringLiteral("/0001");
        return 1;
    }
};

// Boxes go to standard error; the file and page set-up dialogs are the program's own.
class ShotUserInteraction : public testhooks::BoxLogUserInteraction {
public:
    ShotUserInteraction()
        : BoxLogUserInteraction([](const QByteArray& line) {
              std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
          }) {}
    QString pickOpenFile(const ui::FileRequest& request) override { return m_qt.pickOpenFile(request); }
    QString pickSaveFile(const ui::FileRequest& request) override { return m_qt.pickSaveFile(request); }
    std::optional<ui::PageSetupAnswer> pageSetupDialog(const ui::PageSetupRequest& request) override {
        return m_qt.pageSetupDialog(request);
    }

private:
    QtUserInteraction m_qt;
};

QString g_out;
int g_failures = 0;

void save(QWidget* w, const char* name) {
    QCoreApplication::processEvents();
    const QString path = g_out + u'/' + QString::fromLatin1(name) + QStringLiteral(".png");
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        ++g_failures;
    }
}

bool waitFor(const std::function<bool()>& done, const char* what) {
    if (QTest::qWaitFor(done, 30000))
        return true;
    std::fprintf(stderr, "wizard_screenshots: gave up waiting for %s\n", what);
    return false;
}

void pointDataRoot(const QString& dataRoot) {
    const QString home = QStringLiteral("/quarno/pellanzaimu");
    const QString root = QDir::cleanPath(QDir(dataRoot).absolutePath());
    if (!root.endsWith(home)) {
        std::fprintf(stderr, "wizard_screenshots: a data root ends in %s\n", qPrintable(home));
        std::exit(2);
    }
    qputenv("QV_COMMON_APPDATA", root.chopped(home.size()).toLocal8Bit());
}

// Runs open, which shows a modal dialog of class T; the dialog is pictured and closed.
template <class T> void pictureModal(const char* name, const std::function<void()>& open) {
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&poll, name] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        QTest::qWait(400);
        save(dialog, name);
        dialog->reject();
    });
    poll.start();
    open();
    poll.stop();
}

TDataSentakuRec listRow(int rec, const QString& code, const QString& name, const QString& folder) {
    TDataSentakuRec r;
    r.REC = rec;
    r.DATACODE = code;
    r.DISPNAME = r.ENTTEXT = name;
    r.NENDO = rec;
    r.KIKAN = QStringLiteral("2024/04/01 ～ 2025/03/31");
    r.PASNAME = folder;
    return r;
}

// The dataset list on paper: names and folders longer than their columns, a TAB and a line break in a
// name, a free slot.
void printDatasetList() {
    ShutdownMavrolexEngine();
    QtPrinterDevice::Options options;
    options.systemPrinters = false;
    options.pdfFolder = g_out + QStringLiteral("/pdf");
    options.pdfDpi = 150;
    auto device = std::make_unique<QtPrinterDevice>(options);
    QtPrinterDevice* pdf = device.get();
    std::unique_ptr<PrinterDevice> previous = InstallPrinterDevice(std::move(device));
    Engine();
    SystemDef.SystemFolder = g_out + QStringLiteral("/system");
    QDir().mkpath(SystemDef.SystemFolder);
    const QString root = SystemDef.DataRoot;
    TDataSentakuRecArray rows = {
        listRow(1, QStringLiteral("1201"),
                QStringLiteral("株式会社クアルノ・ペラン総合会計事務所グループ本社"),
                root + QStringLiteral("/data/0001")),
        listRow(2, QStringLiteral("1202"), QStringLiteral("乙物産\t本店"),
                root + QStringLiteral("/data/0002")),
        listRow(3, QStringLiteral("12030000001"), QStringLiteral("丙商事\r\n支店"),
                QStringLiteral("/srv/共有フォルダ/会計データ/令和六年度/第三四半期/0003")),
        listRow(4, QString(), QString(), root + QStringLiteral("/data/0004")),
    };
    rows[3].DISPNAME = QStringLiteral("空き領域");
    rows[3].ENTTEXT.clear();
    const char* names[] = {"datalist_portrait.pdf", "datalist_landscape.pdf"};
    for (int orientation = 0; orientation < 2; ++orientation) {
        TPrDataList list;
        InitPrintRec(list.PrintRec);
        list.Orientation = orientation;
        list.List = rows;
        list.Disp = {0, 1, 2, 3};
        if (!list.PrintList(1) || pdf->pdfFiles().size() != orientation + 1) {
            std::fprintf(stderr, "wizard_screenshots: the dataset list did not print\n");
            ++g_failures;
            break;
        }
        const QString target = g_out + u'/' + QString::fromLatin1(names[orientation]);
        QFile::remove(target);
        QFile::rename(pdf->pdfFiles().last(), target);
    }
    ShutdownMavrolexEngine();
    InstallPrinterDevice(std::move(previous));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.isEmpty() || args.size() > 2) {
        std::fprintf(stderr, "usage: wizard_screenshots OUTPUT_FOLDER [DATA_ROOT]\n");
        return 2;
    }
    g_out = QDir(args[0]).absolutePath();
    QDir().mkpath(g_out);
    if (args.size() == 2)
        pointDataRoot(args[1]);
    ui::install(std::make_unique<ShotUserInteraction>());
    installFontSubstitutions();
    installQtTranslations();
    QCoreApplication::setApplicationName(QStringLiteral("連動ﾃﾞｰﾀの作成"));

    auto form = std::make_unique<TForm1>();
    if (!form->FormCreate({}) || !form->InitApplication())
        return 2;
    // The start-up has registered the program's dialogs by now.
    if (QObject* own = CreateRegisteredForm(QStringLiteral("QzDataSenkaku")))
        delete own;
    else
        RegisterDialogClass(DialogClassOf<FirstDataset>(), QStringLiteral("QzDataSenkaku"));
    Ui::TForm1& w = form->form();
    auto next = [&w] { QTest::mouseClick(w.Button2, Qt::LeftButton); };

    // The logon dialog is modal inside the first showing: a timer finds it.
    QTimer logon;
    logon.setInterval(50);
    QObject::connect(&logon, &QTimer::timeout, [&logon] {
        auto* box = qobject_cast<TLogonBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        logon.stop();
        QTest::qWait(200);
        save(box, "00_logon");
        QTest::keyClicks(box->form().txtOpCode, QStringLiteral("10"));
        QTest::mouseClick(box->form().OKBtn, Qt::LeftButton);
    });
    logon.start();
    form->show();
    if (!waitFor([&] { return form->LoggedOn(); }, "the logon"))
        return 2;
    QTest::qWait(200);
    save(form.get(), "01_introduction");
    next();
    save(form.get(), "02_data_page");

    // A data selection of the program's own is a modal dialog: pictured, then its first row is taken.
    QTimer selection;
    selection.setInterval(50);
    QObject::connect(&selection, &QTimer::timeout, [&selection] {
        QWidget* dialog = QApplication::activeModalWidget();
        // The progress window of the connection is modal too: only the dialog started by name counts.
        if (!dialog || !dynamic_cast<ISyoriKidou*>(dialog) || !dialog->isVisible())
            return;
        selection.stop();
        QTest::qWait(300);
        save(dialog, "03_data_selection");
        QTest::keyClick(dialog, Qt::Key_F12);
    });
    selection.start();
    QTest::mouseClick(w.btnDataSentaku, Qt::LeftButton);
    selection.stop();
    if (!waitFor([&] { return form->DataConnected(); }, "the dataset"))
        return 2;
    save(form.get(), "04_data_chosen");
    next();
    // The output file lies in the program's documents folder, which is not the working folder; 「参照」 with
    // the file in place opens where it lies.
    const QString output = SystemDef.DocumentsDir + QStringLiteral("/screenshots.xml");
    {
        QDir().mkpath(SystemDef.DocumentsDir);
        QFile existing(output);
        if (!existing.exists() && existing.open(QIODevice::WriteOnly))
            existing.close();
    }
    w.Edit4a->setText(output);
    save(form.get(), "05_output_file");
    pictureModal<QFileDialog>("05a_file_dialog", [&w] { QTest::mouseClick(w.BitBtn4a, Qt::LeftButton); });
    next();
    save(form.get(), "06_summary");
    next();
    const int exitCode = form->ExitCode();
    form.reset();
    pictureModal<QDialog>("08_page_setup", [] { ui::current().pageSetupDialog(ui::PageSetupRequest()); });
    pictureModal<QFileDialog>("09_open_dialog", [] {
        ui::FileRequest request;
        request.caption = QStringLiteral("ﾌｧｲﾙを開く");
        request.folder = SystemDef.DataRoot;
        request.filter = QStringLiteral("すべてのﾌｧｲﾙ(*.*) (*)");
        ui::current().pickOpenFile(request);
    });
    printDatasetList();
    std::printf("pictures in %s; the wizard ended with exit code %d\n", qPrintable(g_out), exitCode);
    return g_failures == 0 && exitCode == 0 ? 0 : 1;
}

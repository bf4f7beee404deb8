// Walks the wizard on a data root as an operator would and saves a picture of the logon dialog and of
// every wizard page, for looking at them (tests/wizard_screenshots.sh runs it under Xvfb):
//
//   wizard_screenshots OUTPUT_FOLDER [DATA_ROOT]
// Without DATA_ROOT the data root of the current environment is used. The walk logs on as operator 10
// without a password, chooses the first dataset of the list and writes "screenshots.xml" into the
// documents folder. Message boxes are not shown: each goes to standard error as one line and is
// answered with its first button. The data selection is the program's own dialog when one is
// registered; else a stand-in chooses the dataset folder "0001" of the data root.
#include "app/TestHooks.h"
#include "app/main.h"
#include "controls/FontSubstitution.h"
#include "core/DialogRegistry.h"
#include "core/uAccRecord.h"
#include "datasel/Logon.h"
#include "ui_Logon.h"
#include "ui_main.h"

#include <QApplication>
#include <QDir>
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
    ui::install(std::make_unique<testhooks::BoxLogUserInteraction>(
        [](const QByteArray& line) { std::fwrite(line.constData(), 1, size_t(line.size()), stderr); }));
    installFontSubstitutions();
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
    w.Edit4a->setText(QStringLiteral("screenshots.xml"));
    save(form.get(), "05_output_file");
    next();
    save(form.get(), "06_summary");
    next();
    const int exitCode = form->ExitCode();
    form.reset();
    std::printf("pictures in %s; the wizard ended with exit code %d\n", qPrintable(g_out), exitCode);
    return g_failures == 0 && exitCode == 0 ? 0 : 1;
}

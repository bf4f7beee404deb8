#include "app/ProgramMain.h"

#include "app/TestHooks.h"
#include "app/main.h"
#include "controls/FontSubstitution.h"
#include "controls/QtTranslations.h"
#include "controls/QtUserInteraction.h"
#include "controls/SDI.h"
#include "platform/NamedMutex.h"
#include "platform/TerminationRequests.h"
#include "platform/UserInteraction.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>

namespace {

const QString kOwnMutex = QStringLiteral("CORVANE_RENDO");
const QString kAlreadyRunning = QStringLiteral("アプリケーションは既に起動しています。");
const QString kLockFileFailed = QStringLiteral("ロックファイルを作成できないため、起動できません。\r");

struct Blocker {
    QString mutex;
    QString message;
};

// In this order, so that the accounting application's box is the one shown when several run.
const Blocker kBlockers[] = {
    {QStringLiteral("TESUVIO000"),
     QStringLiteral("Vantrel財務が起動しています。同時に起動することは出来ません。")},
    {QStringLiteral("TESUVIO_TOOLS"),
     QStringLiteral("Vantrel財務ツールが起動しています。同時に起動することは出来ません。")},
    {kOwnMutex, kAlreadyRunning},
};

constexpr int kRefused = 1;
constexpr int kFailed = 2;

} // namespace

int ProgramMain(const QStringList& arguments) {
    std::unique_ptr<ui::UserInteraction> ui = testhooks::userInteractionFromEnvironment();
    ui::install(ui ? std::move(ui) : std::make_unique<QtUserInteraction>());
    installFontSubstitutions();
    installQtTranslations();

    TerminationRequests termination;
    QPointer<TForm1> mainForm;
    // A request from outside to end closes the main form as its close box does; before there is one, or
    // once it is closed, it ends whatever loop runs.
    QObject::connect(&termination, &TerminationRequests::requested, [&mainForm] {
        // A modal dialog (the logon) would keep its own loop running after the main form has closed.
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
        if (mainForm && !mainForm->IsClosed())
            mainForm->close();
        else
            QCoreApplication::quit();
    });

    for (const Blocker& b : kBlockers) {
        if (NamedMutex::exists(b.mutex)) {
            ui::showInformation(b.message);
            return kRefused;
        }
    }
    NamedMutex mutex;
    QString lockFailure;
    if (!mutex.create(kOwnMutex, &lockFailure)) {
        // A lock file that cannot be made or opened is no sign of another copy.
        if (!lockFailure.isEmpty()) {
            ui::showError(kLockFileFailed + lockFailure);
            return kFailed;
        }
        ui::showInformation(kAlreadyRunning); // taken by a copy that started in between
        return kRefused;
    }

    // The application's title is its name: a display name would be appended to every box's caption.
    QCoreApplication::setApplicationName(QStringLiteral("連動ﾃﾞｰﾀの作成"));
    testhooks::registerDataChoice();
    std::unique_ptr<TForm1> form;
    try {
        form = std::make_unique<TForm1>();
        mainForm = form.get();
        SetMainForm(form.get());
        const bool started = form->FormCreate(arguments) && form->InitApplication();
        QCoreApplication::processEvents();
        // A close request may have come in meanwhile; the loop would then wait for a window never shown.
        if (started && !form->IsClosed()) {
            while (QGuiApplication::overrideCursor())
                QGuiApplication::restoreOverrideCursor();
            // Armed first, so that a test's close comes before the logon of the first showing.
            testhooks::armAutoClose(form.get());
            testhooks::armDataChoice(form.get());
            form->show();
            QApplication::exec();
        }
    } catch (const std::exception& e) {
        ui::showError(QString::fromUtf8(e.what()));
    } catch (...) {
        ui::showError(QStringLiteral("Unknown exception"));
    }

    mutex.release();
    // Destroying the form hands the outcome to the caller; a form that never got far keeps exit code 2.
    const int exitCode = form ? form->ExitCode() : kFailed;
    form.reset();
    return exitCode;
}

// Runs one export of the wizard headless (tests/README.md):
//
//   export_dataset DATA_ROOT DATASET_FOLDER OUTPUT_FILE [FUNCTION_ID]
// Every box the wizard would show goes to standard error as one line "<kind>\t<caption>\t<text>"; the exit
// code is the wizard's: 0 file created, 1 nothing to export, 2 failure.
#include "app/TestHooks.h"
#include "support/HeadlessExport.h"

#include <QApplication>
#include <cstdio>

namespace {
constexpr int kFailed = 2;
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    bool idOk = true;
    const int functionId = args.size() == 4 ? args[3].toInt(&idOk) : 0;
    if (args.size() < 3 || args.size() > 4 || !idOk) {
        std::fprintf(stderr, "usage: export_dataset DATA_ROOT DATASET_FOLDER OUTPUT_FILE [FUNCTION_ID]\n");
        return kFailed;
    }
    ui::install(std::make_unique<testhooks::BoxLogUserInteraction>([](const QByteArray& line) {
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    }));
    try {
        testenv::HeadlessExport run;
        return run.Prepare(args[0], args[1], args[2], functionId) ? run.Finish() : kFailed;
    } catch (const std::exception& e) {
        ui::showError(QString::fromUtf8(e.what()));
        return kFailed;
    }
}

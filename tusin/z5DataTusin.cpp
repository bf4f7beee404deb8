#include "tusin/z5DataTusin.h"

#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"

namespace {

const QString kNotAvailable = QStringLiteral("データ通信は、このバージョンでは利用できません。");

const bool registered = [] {
    RegisterDialogClass(DialogClassOf<TfmDataTusin>(), QStringLiteral("QzDataTusin"));
    return true;
}();

} // namespace

TfmDataTusin::TfmDataTusin(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("データ通信"));
}

int TfmDataTusin::Execute(bool /*modal*/) {
    ShowNormalCursor();
    if (HostMenuProc && HostMenuProc(10, QString()) > 0)
        return -1;
    ui::showInformation(kNotAvailable);
    return 0;
}

int TfmDataTusin::CloudShareSend(const QString& /*dataFolder*/, const QString& /*caption*/,
                                 int /*automatic*/) {
    return 0;
}

int TfmDataTusin::CloudShareReceive(const QString& /*dataFolder*/, int /*mode*/, int /*flag*/) {
    return 0;
}

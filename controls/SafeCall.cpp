#include "controls/SafeCall.h"
#include "platform/UserInteraction.h"
#include <QString>
#include <QtGlobal>

void reportUnhandledException(std::exception_ptr error) noexcept {
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
        text = QStringLiteral("予期しないエラーが発生しました。");
    }
    try {
        ui::showError(text);
    } catch (...) {
        qWarning("unreported error: %s", qUtf8Printable(text));
    }
}

#include "core/DialogRegistry.h"

#include "platform/UserInteraction.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QRegularExpression>
#include <vector>

namespace {

struct Registered {
    TDialogClass dialogClass;
    QString name;
};

std::vector<Registered>& registry() {
    static std::vector<Registered> list;
    return list;
}

const QString kNoInterface = QStringLiteral("処理を起動するためのインターフェースが実装されていません。\r"
                                            "ライブラリのロードに失敗した可能性があります。");

bool hourglassShowing() {
    const QCursor* c = QGuiApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

// The default cursor comes back however the run ends.
class Hourglass {
public:
    Hourglass() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { ShowNormalCursor(); }
};

} // namespace

void RegisterDialogClass(const TDialogClass& dialogClass, const QString& programName) {
    for (const Registered& r : registry())
        if (r.dialogClass.Key == dialogClass.Key)
            return;
    registry().push_back({dialogClass, programName});
}

QObject* CreateRegisteredForm(const QString& programName) {
    for (const Registered& r : registry())
        if (r.name.compare(programName, Qt::CaseInsensitive) == 0)
            return r.dialogClass.Create ? r.dialogClass.Create() : nullptr;
    return nullptr;
}

int RunNamedDialog(const QString& programName, int modal, const QString& params) {
    if (programName.isEmpty() || hourglassShowing())
        return -1;
    Hourglass hourglass;
    QPointer<QObject> form = CreateRegisteredForm(programName);
    ISyoriKidou* dialog = form ? dynamic_cast<ISyoriKidou*>(form.data()) : nullptr;
    if (!dialog) {
        delete form.data();
        ui::showMessage(ui::MsgKind::Error, kNoInterface, ui::mbOK);
        return -1;
    }
    QStringList lines;
    if (!params.isEmpty())
        lines = params.split(QRegularExpression(QStringLiteral("\r\n?")));
    lines << QStringLiteral("FormStyle=%1").arg(modal == 1 ? 2 : 0);
    dialog->SetParams(lines);
    // A modeless form frees itself on closing; a modal one that has closed is freed here unless it was
    // told to stay (its caller then frees it).
    const int result = dialog->Execute(modal == 1);
    if (modal == 1 && form && !form->property("ManualFree").toBool())
        form->deleteLater();
    return result;
}

void ShowNormalCursor() {
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

QString ParamValue(const QStringList& params, const QString& name, const QString& def) {
    for (const QString& line : params) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return def;
}

int ParamInt(const QStringList& params, const QString& name, int def) {
    bool ok = false;
    const int v = ParamValue(params, name).trimmed().toInt(&ok);
    return ok ? v : def;
}

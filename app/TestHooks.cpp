#include "app/TestHooks.h"

#include "app/main.h"
#include "core/DialogRegistry.h"
#include "core/uAccRecord.h"
#include "datasel/Logon.h"
#include "ui_Logon.h"
#include "ui_main.h"

#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace testhooks {

int BoxLogUserInteraction::message(const ui::MessageRequest& request) {
    QString text = request.text;
    text.replace(u'\r', QLatin1String("\\r")).replace(u'\n', QLatin1String("\\n"));
    m_sink(QStringLiteral("%1\t%2\t%3\n")
               .arg(static_cast<int>(request.kind))
               .arg(request.caption, text)
               .toUtf8());
    return ScriptedUserInteraction::message(request);
}

std::unique_ptr<ui::UserInteraction> userInteractionFromEnvironment() {
    const QString path = qEnvironmentVariable("QV_TEST_UI_LOG");
    if (path.isEmpty())
        return nullptr;
    return std::make_unique<BoxLogUserInteraction>([path](const QByteArray& line) {
        QFile f(path);
        if (f.open(QIODevice::Append))
            f.write(line);
    });
}

void armAutoClose(QWidget* mainWindow) {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("QV_TEST_AUTOCLOSE_MS", &ok);
    if (ok && ms >= 0)
        QTimer::singleShot(ms, mainWindow, [mainWindow] { mainWindow->close(); });
}

bool autoLogon(TLogonBox& box) {
    if (!qEnvironmentVariableIsSet("QV_TEST_LOGON"))
        return false;
    const QString value = qEnvironmentVariable("QV_TEST_LOGON");
    box.setResult(0);
    box.form().txtOpCode->setText(value.section(u',', 0, 0));
    box.form().txtPassword->setText(value.section(u',', 1));
    box.OKBtnClick();
    return true;
}

namespace {

// Answers as the data-selection dialog does when the operator chooses the dataset with F12.
class DataChoice : public QObject, public ISyoriKidou {
public:
    explicit DataChoice(QWidget* /*owner*/) {}
    void SetParams(const QStringList& /*params*/) override {}
    int Execute(bool /*modal*/) override {
        ShowNormalCursor();
        SystemDef.DataDir = qEnvironmentVariable("QV_TEST_DATA");
        return 1;
    }
};

} // namespace

void registerDataChoice() {
    if (qEnvironmentVariableIsSet("QV_TEST_DATA"))
        RegisterDialogClass(DialogClassOf<DataChoice>(), QStringLiteral("QzDataSenkaku"));
}

void armDataChoice(TForm1* form) {
    if (!qEnvironmentVariableIsSet("QV_TEST_DATA"))
        return;
    auto* poll = new QTimer(form);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, form, [form, poll] {
        if (!form->LoggedOn())
            return;
        poll->deleteLater();
        form->form().Button2->click();
        form->form().btnDataSentaku->click();
    });
    poll->start();
}

} // namespace testhooks

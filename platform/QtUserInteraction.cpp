#include "platform/QtUserInteraction.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {

QMessageBox::Icon iconOf(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Warning:
        return QMessageBox::Warning;
    case MsgKind::Error:
        return QMessageBox::Critical;
    case MsgKind::Information:
        return QMessageBox::Information;
    case MsgKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

struct ButtonInfo {
    Button bit;
    const char16_t* label;
    QMessageBox::ButtonRole role;
};

// In the message dialog's bit order, with the captions of the Japanese system.
const ButtonInfo kButtons[] = {
    {mbYes, u"はい(&Y)", QMessageBox::YesRole},
    {mbNo, u"いいえ(&N)", QMessageBox::NoRole},
    {mbOK, u"OK", QMessageBox::AcceptRole},
    {mbCancel, u"キャンセル", QMessageBox::RejectRole},
    {mbAbort, u"中止(&A)", QMessageBox::RejectRole},
    {mbRetry, u"再試行(&R)", QMessageBox::AcceptRole},
    {mbIgnore, u"無視(&I)", QMessageBox::AcceptRole},
    {mbAll, u"すべて(&A)", QMessageBox::YesRole},
    {mbNoToAll, u"すべていいえ", QMessageBox::NoRole},
    {mbYesToAll, u"すべてはい", QMessageBox::YesRole},
    {mbHelp, u"ヘルプ(&H)", QMessageBox::HelpRole},
};

QString startPath(const FileRequest& r)
{
    if (r.fileName.isEmpty())
        return r.folder;
    return r.folder.isEmpty() ? r.fileName : QDir(r.folder).filePath(r.fileName);
}

} // namespace

QString boxLines(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    return t;
}

int QtUserInteraction::message(const MessageRequest& request)
{
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(iconOf(request.kind));
    box.setWindowTitle(request.caption.isEmpty() ? kindCaption(request.kind) : request.caption);
    box.setText(boxLines(request.text));
    box.setTextFormat(Qt::PlainText);
    std::vector<std::pair<QAbstractButton*, int>> shown;
    for (const ButtonInfo& b : kButtons) {
        if (!(request.buttons & b.bit))
            continue;
        QPushButton* button = box.addButton(QString::fromUtf16(b.label), b.role);
        shown.emplace_back(button, resultOfButton(b.bit));
    }
    if (shown.empty())
        shown.emplace_back(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole), mrOk);
    if (request.defaultButton >= 0 && request.defaultButton < static_cast<int>(shown.size()))
        box.setDefaultButton(static_cast<QPushButton*>(shown[request.defaultButton].first));
    box.exec();
    for (const auto& [button, result] : shown)
        if (box.clickedButton() == button)
            return result;
    return mrCancel;
}

std::optional<QString> QtUserInteraction::input(const InputRequest& request)
{
    QInputDialog dlg(QApplication::activeWindow());
    dlg.setWindowTitle(request.caption);
    dlg.setLabelText(boxLines(request.prompt));
    dlg.setTextValue(request.initial);
    dlg.setTextEchoMode(request.password ? QLineEdit::Password : QLineEdit::Normal);
    if (request.maxLength > 0)
        if (QLineEdit* edit = dlg.findChild<QLineEdit*>())
            edit->setMaxLength(request.maxLength);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.textValue();
}

QString QtUserInteraction::pickFolder(const FileRequest& request)
{
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), request.caption, request.folder);
}

QString QtUserInteraction::pickOpenFile(const FileRequest& request)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), request.caption, startPath(request),
                                        request.filter);
}

QString QtUserInteraction::pickSaveFile(const FileRequest& request)
{
    QFileDialog dlg(QApplication::activeWindow(), request.caption, startPath(request), request.filter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(request.defaultExt);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().constFirst();
}

} // namespace ui

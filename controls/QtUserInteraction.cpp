#include "controls/QtUserInteraction.h"
#include "controls/z5InputDlg.h"
#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <algorithm>

TMessage2InfoRec messageInfoFor(const ui::MessageRequest& request) {
    TMessage2InfoRec info;
    InitMessage2Info(quint8(request.kind), info);
    if (!request.caption.isEmpty())
        info.Caption = request.caption;
    info.Buttons = quint16(request.buttons ? request.buttons : ui::mbOK);
    if (!request.agreeCaption.trimmed().isEmpty()) {
        info.AgreeMode = 1;
        info.AgreeCaption = request.agreeCaption;
    }
    QStringList lines = request.text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const qsizetype count = std::min<qsizetype>(lines.size(), qsizetype(info.Lines.size()));
    for (qsizetype i = 0; i < count; ++i)
        info.Lines[size_t(i)].Text = lines.at(i);
    if (lines.size() > count)
        info.Lines.back().Text = lines.mid(count - 1).join(QLatin1Char('\n'));
    return info;
}

int QtUserInteraction::message(const ui::MessageRequest& request) {
    TMessage2InfoRec info = messageInfoFor(request);
    return ShowMessageBox2(info, request.defaultButton);
}

std::optional<QString> QtUserInteraction::input(const ui::InputRequest& request) {
    TInputDlgBox dialog(activeDialogOwner());
    dialog.Kind = request.password ? TInputDlgBox::ikPassword : TInputDlgBox::ikText;
    dialog.CaptionText = request.caption;
    dialog.MainText = request.prompt;
    if (request.promptAlert)
        dialog.MainColor = 0x0000FF; // red
    dialog.Value = request.initial;
    dialog.HintText = request.hint;
    dialog.MaxLen = request.maxLength;
    if (request.lettersAndDigitsOnly) {
        dialog.CharFilter = TInputDlgBox::cfAlphaNumeric;
        dialog.InputImeMode = TxEdit::imDisable;
    }
    if (request.charFilter != 0) {
        dialog.CharFilter = request.charFilter;
        dialog.InputImeMode = TxEdit::imDisable;
    }
    dialog.Prepare(true);
    if (dialog.exec() != ui::mrOk)
        return std::nullopt;
    return dialog.Value;
}

QString QtUserInteraction::pickFolder(const ui::FileRequest& request) {
    return QFileDialog::getExistingDirectory(activeDialogOwner(), request.caption, request.folder);
}

QString QtUserInteraction::pickOpenFile(const ui::FileRequest& request) {
    return QFileDialog::getOpenFileName(activeDialogOwner(), request.caption, request.folder, request.filter);
}

QString QtUserInteraction::pickSaveFile(const ui::FileRequest& request) {
    // A proposed name with a folder of its own starts there; a bare name starts in the folder asked for.
    QString start = request.folder;
    if (!request.fileName.isEmpty())
        start = start.isEmpty() || QDir::isAbsolutePath(request.fileName)
                    ? request.fileName
                    : start + QLatin1Char('/') + request.fileName;
    QFileDialog dialog(activeDialogOwner(), request.caption, start, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.defaultExt.isEmpty())
        dialog.setDefaultSuffix(request.defaultExt);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

std::optional<ui::PrintDialogAnswer> QtUserInteraction::printDialog(const ui::PrintDialogRequest& request) {
    QPrinter printer;
    if (!request.printer.isEmpty())
        printer.setPrinterName(request.printer);
    printer.setCopyCount(request.copies);
    printer.setCollateCopies(request.collate);
    printer.setFromTo(request.fromPage, request.toPage);
    QPrintDialog dialog(&printer);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, request.allowPageRange);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dialog.setMinMax(request.minPage, request.maxPage);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    ui::PrintDialogAnswer a;
    a.pageRange = printer.printRange() == QPrinter::PageRange;
    a.fromPage = a.pageRange ? printer.fromPage() : request.minPage;
    a.toPage = a.pageRange ? printer.toPage() : request.maxPage;
    a.copies = printer.copyCount();
    a.collate = printer.collateCopies();
    return a;
}

namespace {
QColor fromBgr(quint32 c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}
quint32 toBgr(const QColor& c) {
    return static_cast<quint32>(c.red()) | (static_cast<quint32>(c.green()) << 8) |
           (static_cast<quint32>(c.blue()) << 16);
}
} // namespace

std::optional<quint32> QtUserInteraction::pickColor(ui::ColorRequest& request) {
    const int n = std::min(static_cast<int>(request.customColors.size()), QColorDialog::customCount());
    for (int i = 0; i < n; ++i)
        QColorDialog::setCustomColor(i, fromBgr(request.customColors[static_cast<size_t>(i)]));
    QColorDialog dialog(fromBgr(request.color), QApplication::activeWindow());
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    const bool ok = dialog.exec() == QDialog::Accepted;
    for (int i = 0; i < n; ++i)
        request.customColors[static_cast<size_t>(i)] = toBgr(QColorDialog::customColor(i));
    if (!ok)
        return std::nullopt;
    return toBgr(dialog.selectedColor());
}

std::optional<ui::PageSetupAnswer> QtUserInteraction::pageSetupDialog(const ui::PageSetupRequest& request) {
    QPrinter printer;
    if (!request.printer.isEmpty())
        printer.setPrinterName(request.printer);
    if (request.pageSizeId >= 0 && request.pageSizeId < QPageSize::LastPageSize)
        printer.setPageSize(QPageSize(QPageSize::PageSizeId(request.pageSizeId)));
    printer.setPageOrientation(request.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPageSetupDialog dialog(&printer);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QPageLayout layout = printer.pageLayout();
    ui::PageSetupAnswer a;
    a.pageSizeId =
        layout.pageSize().id() == QPageSize::Custom ? request.pageSizeId : int(layout.pageSize().id());
    a.orientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
    return a;
}

#include "controls/QtUserInteraction.h"
#include "controls/z5InputDlg.h"
#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QListView>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QSplitter>
#include <QTreeView>
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

namespace {

// The type column in Japanese, whatever Qt's own translations leave out.
class JapaneseFileTypes : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        if (info.isRoot())
            return QStringLiteral("ドライブ");
        if (info.isDir())
            return QStringLiteral("フォルダー");
        if (info.suffix().isEmpty())
            return QStringLiteral("ファイル");
        return QStringLiteral("%1 ファイル").arg(info.suffix());
    }
};

// Qt's own file dialog opens small, with its columns sized for English: it opens large enough for a
// folder's names, and the size, type and date columns and the places on the left fit what they show.
// A dialog of the desktop's own is left as it is.
class FileDialog {
public:
    FileDialog(const QString& caption, const QString& start, const QString& filter = {})
        : m_dialog(activeDialogOwner(), caption, start, filter) {}
    QFileDialog* operator->() { return &m_dialog; }

    QString run() {
        if (auto* details = m_dialog.findChild<QTreeView*>(QStringLiteral("treeView")))
            fit(*details);
        if (m_dialog.exec() != QDialog::Accepted)
            return {};
        return m_dialog.selectedFiles().value(0);
    }

private:
    void fit(QTreeView& details) {
        m_dialog.setIconProvider(&m_types);
        const int line = m_dialog.fontMetrics().height();
        m_dialog.resize(std::max(m_dialog.width(), line * 64), std::max(m_dialog.height(), line * 34));
        QHeaderView* header = details.header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        auto* places = m_dialog.findChild<QListView*>(QStringLiteral("sidebar"));
        auto* splitter = m_dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
        if (places && splitter && splitter->count() == 2) {
            const int placesWidth = places->sizeHintForColumn(0) + 2 * places->frameWidth() + line;
            splitter->setSizes({placesWidth, std::max(m_dialog.width() - placesWidth, line * 20)});
        }
    }

    JapaneseFileTypes m_types; // outlives the dialog's model, which asks it
    QFileDialog m_dialog;
};

} // namespace

QString QtUserInteraction::pickFolder(const ui::FileRequest& request) {
    FileDialog dialog(request.caption, request.folder);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    return dialog.run();
}

QString QtUserInteraction::pickOpenFile(const ui::FileRequest& request) {
    FileDialog dialog(request.caption, request.folder, request.filter);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return dialog.run();
}

QString QtUserInteraction::pickSaveFile(const ui::FileRequest& request) {
    // A proposed name with a folder of its own starts there; a bare name starts in the folder asked for.
    QString start = request.folder;
    if (!request.fileName.isEmpty())
        start = start.isEmpty() || QDir::isAbsolutePath(request.fileName)
                    ? request.fileName
                    : start + QLatin1Char('/') + request.fileName;
    FileDialog dialog(request.caption, start, request.filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    if (!request.defaultExt.isEmpty())
        dialog->setDefaultSuffix(request.defaultExt);
    return dialog.run();
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

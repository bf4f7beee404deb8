// Preview files: saving the preview as a self-contained set and showing such a set in the preview.
#include "platform/Cp932.h"
#include "platform/SafeSaveFile.h"
#include "platform/UserInteraction.h"
#include "print/Mavrolex_ChartPaint.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Function.h"
#include "print/Mavrolex_Imagedsp.h"
#include "print/Mavrolex_SpoolFormat.h"
#include "ui_ImageDispForm.h"

#include <QFile>
#include <QFileInfo>
#include <exception>

namespace {

const QString kKindFormFile = QStringLiteral("*FORMFILE=");
const QString kKindForm = QStringLiteral("FORM;");
const QString kKindImage = QStringLiteral("IMAGE;");
const QString kKindChart = QStringLiteral("CHART;");

QString copyFailedText(const QString& from, const QString& to, const QString& why) {
    return QStringLiteral("%1 を %2 にコピーできません。%3").arg(from, to, why);
}

int numberField(const QString& line, int n) {
    return ParseSpoolInt(NthField(line, QLatin1Char(';'), n), 0);
}

// The lines of a CP932 text file; nullopt when it cannot be read.
std::optional<QStringList> readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString text = cp932::decode(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray linesBytes(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& l : lines)
        bytes += cp932::encodeLossy(l) + "\r\n";
    return bytes;
}

// Copies from to to, whole or not at all; a file onto itself is left as it is.
bool copyWhole(const QString& from, const QString& to, QString* why) {
    const QFileInfo source(from);
    if (!source.isFile()) {
        *why = NotFoundMessage(from);
        return false;
    }
    const QFileInfo target(to);
    if (target.exists() && source.canonicalFilePath() == target.canonicalFilePath())
        return true;
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        *why = in.errorString();
        return false;
    }
    const QByteArray bytes = in.readAll();
    return SafeSaveFile::writeWhole(to, bytes, why);
}

// A copy name of the set for source: the one it already has, else "<folder>/<name>_<suffix>", numbered
// "(2)", "(3)" ... before the extension while another file of the set holds that name.
QString copyPathFor(PreviewSaveSet& set, const QString& source, const QString& suffix) {
    const QString key = QFileInfo(source).absoluteFilePath();
    if (const auto it = set.copyOf.constFind(key); it != set.copyOf.constEnd())
        return it.value();
    const QString base = set.folder + QLatin1Char('/') + set.name + QLatin1Char('_');
    QString path = base + suffix;
    const QList<QString> taken = set.copyOf.values();
    const QFileInfo info(suffix);
    const QString stem = info.completeBaseName();
    const QString ext = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 2; taken.contains(path); ++n)
        path = base + QStringLiteral("%1(%2)%3").arg(stem).arg(n).arg(ext);
    set.copyOf.insert(key, path);
    return path;
}

bool copyInto(PreviewSaveSet& set, const QString& source, const QString& target) {
    QString why;
    if (copyWhole(source, target, &why))
        return true;
    const QString text = copyFailedText(source, target, why);
    WriteMavrolexErrorLog(QStringLiteral("PREVIEW.Text作成"), text);
    set.failures.append(text);
    return false;
}

} // namespace

QString HeaderValue(const QString& key, const QStringList& lines) {
    for (const QString& line : lines)
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed();
    return QString();
}

bool LocalisePreviewReferences(const QString& kind, PreviewSaveSet& set, QStringList& lines) {
    bool ok = true;
    int k = 0;
    for (QString& line : lines) {
        if (!line.startsWith(kind))
            continue;
        if (kind == kKindFormFile) {
            line = set.hasFormFile
                       ? QStringLiteral("*FORMFILE=%1/%2").arg(set.folder, set.name + QStringLiteral(".mvf"))
                       : kKindFormFile;
            break;
        }
        if (kind == kKindForm) {
            ++k;
            const QString source = NthField(line, QLatin1Char(';'), 1);
            const QString copy = copyPathFor(
                set, source,
                QStringLiteral("%1%2%3").arg(QStringLiteral("FORMAT-")).arg(k).arg(QStringLiteral(".mvf")));
            ok = copyInto(set, source, copy) && ok;
            line = QStringLiteral("%1;%2;%3;%4;%5;")
                       .arg(QStringLiteral("FORM"), copy, NthField(line, QLatin1Char(';'), 2))
                       .arg(numberField(line, 3))
                       .arg(numberField(line, 4));
        } else if (kind == kKindImage) {
            const QString source = NthField(line, QLatin1Char(';'), 5);
            const QString copy = copyPathFor(set, source, QFileInfo(source).fileName());
            ok = copyInto(set, source, copy) && ok;
            line = QStringLiteral("%1;%2;%3;%4;%5;%6;%7;")
                       .arg(QStringLiteral("IMAGE"))
                       .arg(numberField(line, 1))
                       .arg(numberField(line, 2))
                       .arg(numberField(line, 3))
                       .arg(numberField(line, 4))
                       .arg(copy)
                       .arg(0);
        } else if (kind == kKindChart) {
            const QString copy = set.folder + QLatin1Char('/') + set.name + QStringLiteral("_CHART.WMF");
            line = QStringLiteral("%1;%2;%3;%4;%5;%6;%7;")
                       .arg(QStringLiteral("IMAGE"))
                       .arg(numberField(line, 2))
                       .arg(numberField(line, 3))
                       .arg(numberField(line, 4))
                       .arg(numberField(line, 5))
                       .arg(copy)
                       .arg(0);
            // No chart is ever registered, so there is nothing to save and nothing has failed: the picture
            // line then draws nothing, as the chart did.
            SaveChartToFile(copy);
            break;
        }
    }
    return ok;
}

template <typename F> void TImageDispForm::withPaintingSuspended(const char* context, F&& action) {
    if (m_painting)
        return;
    m_paintSuspended = true;
    try {
        action();
    } catch (const std::exception& ex) {
        WriteMavrolexErrorLog(QString::fromUtf8(context), QString::fromUtf8(ex.what()));
    } catch (...) {
        WriteMavrolexErrorLog(QString::fromUtf8(context), QStringLiteral("unknown error"));
    }
    try {
        FormResize();
    } catch (...) {
    }
    m_paintSuspended = false;
    ui->ImagePaintBox->update();
}

void TImageDispForm::ImageSave_Click() {
    withPaintingSuspended("PREVIEW.Text作成", [&] {
        MavrolexEngineState& e = Engine();
        const QString documents = SpecialFolderPath(CSIDL_PERSONAL);
        ui::FileRequest request;
        request.defaultExt = QStringLiteral("mvx");
        request.filter = kPreviewSaveFilter;
        request.folder = documents;
        request.fileName = QStringLiteral("%1/%2%3").arg(
            documents, QFileInfo(EngineSettings.Title.text().left(64)).completeBaseName(),
            QStringLiteral(".mvx"));
        const QString chosen = ui::current().pickSaveFile(request);
        if (chosen.isEmpty())
            return;
        const std::optional<QStringList> read = readLines(e.DataFileName);
        if (!read)
            throw EMavrolexError(QStringLiteral("%1 を読み込めません。").arg(e.DataFileName));
        QStringList lines = *read;
        const QFileInfo target(chosen);
        PreviewSaveSet set;
        set.folder = target.absolutePath();
        set.name = target.completeBaseName();
        const QString formPath = e.FormFileName.trimmed();
        set.hasFormFile = !formPath.isEmpty();
        bool ok = true;
        for (const QString& kind : {kKindFormFile, kKindForm, kKindImage, kKindChart})
            ok = LocalisePreviewReferences(kind, set, lines) && ok;
        QByteArray formBytes;
        if (set.hasFormFile) {
            QFile f(formPath);
            if (f.open(QIODevice::ReadOnly)) {
                formBytes = f.readAll();
            } else {
                const QString text = copyFailedText(
                    formPath, set.folder + QLatin1Char('/') + set.name + QStringLiteral(".mvf"),
                    f.errorString());
                WriteMavrolexErrorLog(QStringLiteral("PREVIEW.Text作成"), text);
                set.failures.append(text);
                ok = false;
            }
        }
        // A set missing one of its files would show another picture than the report: nothing of the
        // preview text is written then.
        if (!ok) {
            ui::showError(set.failures.join(QLatin1Char('\n')));
            return;
        }
        QString why;
        const QString textPath = QStringLiteral("%1/%2%3").arg(set.folder, set.name, QStringLiteral(".mvx"));
        if (!SafeSaveFile::writeWhole(textPath, linesBytes(lines), &why))
            throw EMavrolexError(QStringLiteral("%1: %2").arg(textPath, why));
        if (set.hasFormFile) {
            const QString formCopy =
                QStringLiteral("%1/%2%3").arg(set.folder, set.name, QStringLiteral(".mvf"));
            if (!SafeSaveFile::writeWhole(formCopy, formBytes, &why))
                throw EMavrolexError(QStringLiteral("%1: %2").arg(formCopy, why));
        }
    });
}

void TImageDispForm::reloadShownFiles() {
    MavrolexEngineState& e = Engine();
    CountPreviewPages();
    showWherePage();
    LoadFormVariables(e.FormFileName, 0, 0);
    m_orientations = ReadPageOrientations(e.DataFileName, EngineSettings.Orientation);
    ApplyPageOrientation();
}

void TImageDispForm::ImageOpen_Click() {
    withPaintingSuspended("PREVIEW.Text読込", [&] {
        MavrolexEngineState& e = Engine();
        ui::FileRequest request;
        request.defaultExt = QStringLiteral("mvx");
        request.filter = kPreviewOpenFilter;
        request.folder = SpecialFolderPath(CSIDL_PERSONAL);
        const QString chosen = ui::current().pickOpenFile(request);
        if (chosen.isEmpty())
            return;
        // Only the report's own values are remembered: opening a second file before cancelling must not
        // make the first one's values those the cancellation brings back.
        const bool reportShown = e.FormFileName == EngineSettings.FormFile.text() &&
                                 e.DataFileName == EngineSettings.DataFile.text();
        if (reportShown) {
            m_remembered.PaperSize = EngineSettings.PaperSize;
            m_remembered.OutPutPaper = EngineSettings.OutPutPaper;
            m_remembered.Orientation = EngineSettings.Orientation;
            m_remembered.TopMargin = EngineSettings.TopMargin;
            m_remembered.LeftMargin = EngineSettings.LeftMargin;
            m_remembered.NetColor1 = EngineSettings.NetColor1;
            m_remembered.NetColor2 = EngineSettings.NetColor2;
            m_remembered.UserColor1 = EngineSettings.UserColor1;
            m_remembered.UserColor2 = EngineSettings.UserColor2;
            m_remembered.PrintFom = EngineSettings.PrintFom;
        }
        if (!QFileInfo(chosen).isFile())
            return;
        const std::optional<QStringList> lines = readLines(chosen);
        if (!lines)
            throw EMavrolexError(QStringLiteral("%1 を読み込めません。").arg(chosen));
        if (lines->isEmpty() || !IsMavrolexFirstLine(lines->first())) {
            ui::showError(kMsgNotPrintFile);
            return;
        }
        const QString formFile = HeaderValue(kKindFormFile, *lines);
        if (!formFile.isEmpty() && !QFileInfo(formFile).isFile()) {
            ui::showError(NotFoundMessage(formFile));
            return;
        }
        const SpoolHeader header = ReadSpoolHeader(*lines);
        e.DataFileName = QFileInfo(chosen).absoluteFilePath();
        e.FormFileName = formFile;
        EngineSettings.PaperSize = header.paperSize;
        EngineSettings.OutPutPaper = header.outputPaper;
        EngineSettings.Orientation = header.orientation;
        EngineSettings.TopMargin = header.topMargin;
        EngineSettings.LeftMargin = header.leftMargin;
        EngineSettings.NetColor1 = header.netColor1;
        EngineSettings.NetColor2 = header.netColor2;
        EngineSettings.UserColor1 = header.userColor1;
        EngineSettings.UserColor2 = header.userColor2;
        EngineSettings.PrintFom = header.formPrint;
        reloadShownFiles();
        ui->ImageOpenCancel->setEnabled(true);
    });
}

void TImageDispForm::ImageOpenCancel_Click() {
    withPaintingSuspended("PREVIEW.読込取消", [&] {
        MavrolexEngineState& e = Engine();
        ui->ImageOpenCancel->setEnabled(false);
        if (e.FormFileName == EngineSettings.FormFile.text() &&
            e.DataFileName == EngineSettings.DataFile.text())
            return;
        e.FormFileName = EngineSettings.FormFile;
        e.DataFileName = EngineSettings.DataFile;
        EngineSettings.PaperSize = m_remembered.PaperSize;
        EngineSettings.OutPutPaper = m_remembered.OutPutPaper;
        EngineSettings.Orientation = m_remembered.Orientation;
        EngineSettings.TopMargin = m_remembered.TopMargin;
        EngineSettings.LeftMargin = m_remembered.LeftMargin;
        EngineSettings.NetColor1 = m_remembered.NetColor1;
        EngineSettings.NetColor2 = m_remembered.NetColor2;
        EngineSettings.UserColor1 = m_remembered.UserColor1;
        EngineSettings.UserColor2 = m_remembered.UserColor2;
        EngineSettings.PrintFom = m_remembered.PrintFom;
        reloadShownFiles();
    });
}

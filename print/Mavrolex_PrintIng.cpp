#include "print/Mavrolex_PrintIng.h"

#include "platform/UserInteraction.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Function.h"
#include "print/Mavrolex_ImageOut.h"
#include "print/Mavrolex_SpoolFormat.h"
#include "print/Mavrolex_Vdb.h"
#include "print/PrinterDevice.h"
#include "ui_NowPrintingdlg.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <exception>
#include <utility>

bool PrintCancelled = false;

namespace {

struct RunState {
    TStartPrintDlg* dialog = nullptr;
    bool collate = false; // the copies are collated by passes of our own
};

RunState& run() {
    static RunState state;
    return state;
}

QString errorText(const std::exception& ex) {
    return QString::fromUtf8(ex.what());
}

// The settings of a report that a run hands to the printer.
void copyRunSettings(const TPmvxDEF& r, TPmvxDEF& s) {
    s.Title = r.Title;
    s.PrinterNum = r.PrinterNum;
    s.PaperSize = r.PaperSize;
    s.OutPutPaper = r.OutPutPaper;
    s.PaperName = r.PaperName;
    s.DocTitle = r.DocTitle;
    s.Orientation = r.Orientation;
    s.TopMargin = r.TopMargin;
    s.LeftMargin = r.LeftMargin;
    s.EvenLeftOffset = r.EvenLeftOffset;
    s.TopCorrect = r.TopCorrect;
    s.LeftCorrect = r.LeftCorrect;
    s.FormTopMargin = r.FormTopMargin;
    s.FormLeftMargin = r.FormLeftMargin;
    s.NetColor1 = r.NetColor1;
    s.NetColor2 = r.NetColor2;
    s.UserColor1 = r.UserColor1;
    s.UserColor2 = r.UserColor2;
    s.OcrGreen = r.OcrGreen;
    s.OcrBlue = r.OcrBlue;
    s.OcrBrown = r.OcrBrown;
    s.OcrPink = r.OcrPink;
    s.OcrOrange = r.OcrOrange;
    s.OcrViolet = r.OcrViolet;
    s.OcrPurple = r.OcrPurple;
    s.PrintFom = r.PrintFom;
    s.PrnDlg = r.PrnDlg;
    s.Zoom = r.Zoom;
    s.ModeSw = r.ModeSw;
    s.PaperLength = r.PaperLength;
    s.PaperWidth = r.PaperWidth;
    s.Scale = r.Scale;
    s.Copies = r.Copies;
    s.PrintQuality = r.PrintQuality;
    s.ColorMode = r.ColorMode;
    s.Duplex = r.Duplex;
    s.Collate = r.Collate;
    s.YResolution = r.YResolution;
    s.PageBango = r.PageBango;
    s.VRATIO = r.VRATIO;
    s.HRATIO = r.HRATIO;
    s.GrayScale = r.GrayScale;
}

// Shows the progress dialog modally; its timer's first tick runs the page loop.
void runProgressDialog() {
    TNowPrintingdlg dialog;
    QObject::connect(dialog.Timer, &QTimer::timeout, &dialog, &TNowPrintingdlg::PrintStart);
    dialog.Timer->start();
    dialog.exec();
}

// Printer orientation (1 portrait, 2 landscape) of data page index (from 0).
int orientationOf(const QList<int>& list, int index) {
    const int o = index >= 0 && index < list.size() ? list.at(index) : EngineSettings.Orientation;
    return o == 1 ? 2 : 1;
}

} // namespace

// ---- progress dialog ----

TNowPrintingdlg::TNowPrintingdlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TNowPrintingdlg>()) {
    ui->setupUi(this);
    setWindowModality(Qt::ApplicationModal);
    Timer = new QTimer(this);
    Timer->setSingleShot(true);
    Timer->setInterval(500);
    connect(ui->CancelButton, &QPushButton::clicked, this, &TNowPrintingdlg::CancelButtonClick);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

TNowPrintingdlg::~TNowPrintingdlg() = default;

void TNowPrintingdlg::CancelButtonClick() {
    if (ui::askConfirmation(kMsgPrintCancelQuestion) == ui::mrYes)
        PrintCancelled = true;
}

QString TNowPrintingdlg::pageMessage() const {
    return ui->PageMessage->text();
}

void TNowPrintingdlg::setPageMessage(int page) {
    ui->PageMessage->setText(page > 0 ? QStringLiteral("(Page=%1)").arg(page) : QString());
}

void TNowPrintingdlg::PrintStart() {
    Timer->disconnect(this);
    Timer->stop();
    MavrolexEngineState& e = Engine();
    RunState& state = run();
    SpoolTextFile form;
    SpoolTextFile data;
    PrinterDevice* device = e.Vdb ? &e.Vdb->device() : nullptr;
    // Every way out closes both files and the dialog; one that prints nothing counts as cancelled.
    const auto stopEarly = [&](const QString& message) {
        ui::showError(message);
        PrintCancelled = true;
        form.close();
        data.close();
        done(QDialog::Rejected);
    };
    try {
        if (!device || !state.dialog)
            throw EMavrolexError(QStringLiteral("印刷の準備ができていません"));
        const TStartPrintDlg& dlg = *state.dialog;
        const int start = e.PageIndex;

        const bool collationNeeded =
            EngineSettings.Collate == 1 || (EngineSettings.Copies > 1 && state.collate);
        int passes = 1;
        if ((EngineSettings.DevFields & DM_COLLATE) && !collationNeeded) {
            if (EngineSettings.ColorMode == 1)
                e.Vdb->SetDevMode(EngineSettings);
        } else if (collationNeeded) {
            state.collate = true;
            passes = std::max(1, int(EngineSettings.Copies));
            EngineSettings.Collate = 0;
            EngineSettings.Copies = 1;
            e.Vdb->SetDevMode(EngineSettings);
        }

        const double sx = device->dpiX() / 254.0;
        const double sy = device->dpiY() / 254.0;
        const QString title = EngineSettings.DocTitle;

        const QString formPath = e.FormFileName.trimmed();
        bool formBound = false;
        if (!formPath.isEmpty()) {
            if (!QFileInfo(formPath).isFile())
                return stopEarly(NotFoundMessage(formPath));
            LoadFormVariables(formPath, 0, 0);
            form.assign(formPath);
            formBound = form.open();
        }
        if (e.DataFileName.isEmpty())
            return stopEarly(kMsgNoPrintFile);
        if (!QFileInfo(e.DataFileName).isFile())
            return stopEarly(NotFoundMessage(e.DataFileName));
        data.assign(e.DataFileName);
        if (!data.open())
            return stopEarly(NotFoundMessage(e.DataFileName));

        const QList<int> orientations = ReadPageOrientations(e.DataFileName, EngineSettings.Orientation);

        // Margins from the printable area's corner, where the printer's canvas begins.
        QSizeF paper = PaperSizeMm(e.Vdb->GetPaper());
        e.Vdb->ResetUserPaperSize();
        const QRectF printable = device->printableAreaMm();
        if (e.PaperNotListed)
            paper = QSizeF(printable.width() + 20, printable.height() + 20);
        else if (device->orientation() == 2)
            paper.transpose();
        e.LeftMargin = EngineSettings.LeftMargin - RoundEven((paper.width() - printable.width()) / 2) * 10;
        e.TopMargin = EngineSettings.TopMargin - RoundEven((paper.height() - printable.height()) / 2) * 10;
        e.EvenShift = EngineSettings.EvenLeftOffset;

        e.Vdb->SetTTOption(1);
        const int startOrientation = orientationOf(orientations, start - 1);
        if (startOrientation != device->orientation())
            device->setOrientation(startOrientation);
        device->beginDoc(title);
        const int fontRes = device->dpiX();
        const int zoom = EngineSettings.Zoom;
        const auto canvas = [&]() -> QPainter& {
            QPainter* p = device->canvas();
            if (!p)
                throw EPrinterError(QStringLiteral("印刷中のページがありません"));
            return *p;
        };
        const bool printForm = EngineSettings.PrintFom && formBound;

        try {
            int passesLeft = passes;
            while (passesLeft > 0) {
                data.rewind();
                e.PageIndex = start;
                const bool range = dlg.pageRange;
                int pagesLeft = range ? dlg.toPage - dlg.fromPage + 1 : dlg.maxPage;
                const int from = range ? dlg.fromPage : 1;
                setPageMessage(0);
                int i = 0;
                if (range) {
                    SeekSpoolPage(data, from, false);
                    i = from - 1;
                    if (orientationOf(orientations, i) != device->orientation()) {
                        device->abortDoc();
                        device->setOrientation(orientationOf(orientations, i));
                        device->beginDoc(title);
                    }
                }
                bool formEnded = false;
                bool formWrapped = false;
                if (printForm) {
                    form.rewind();
                    if (range && e.FormSeparators > 0)
                        SeekSpoolPage(form, from, true);
                    formEnded = RenderSpoolPage(kKindForm, form, canvas(), 0, 0, 0, (i + 1) % 2 == 0, zoom,
                                                sx, sy, fontRes);
                }
                // Data pages are numbered within the run, so a new document after an orientation change or
                // a message keeps their form slots and even-page shifts.
                while (!data.atEnd() && pagesLeft > 0 && !PrintCancelled) {
                    try {
                        ++i;
                        --pagesLeft;
                        const int p = i;
                        const bool fileEnded =
                            RenderSpoolPage(kKindData, data, canvas(), 0, 0, FormSlotOfPage(p), p % 2 == 0,
                                            zoom, sx, sy, fontRes);
                        if (!fileEnded && !data.atEnd() && pagesLeft > 0) {
                            const int next = orientationOf(orientations, i);
                            if (next != device->orientation() || !e.MessageText.isEmpty()) {
                                device->endDoc();
                                if (next != device->orientation())
                                    device->setOrientation(next);
                                if (!e.MessageText.isEmpty())
                                    ui::showInformation(e.MessageText);
                                device->beginDoc(title);
                            } else {
                                device->newPage();
                            }
                            setPageMessage(p + 1);
                            if (printForm) {
                                if (formEnded) {
                                    form.rewind();
                                    formWrapped = true;
                                }
                                formEnded = RenderSpoolPage(kKindForm, form, canvas(), 0, 0, 0,
                                                            (p + 1) % 2 == 0, zoom, sx, sy, fontRes);
                            }
                        } else if (!e.MessageText.isEmpty()) {
                            ui::showInformation(e.MessageText);
                        }
                        ++e.PageIndex;
                        // Lets the Cancel button be pressed between pages.
                        QCoreApplication::processEvents();
                    } catch (...) {
                        PrintCancelled = true;
                        throw;
                    }
                }
                int sheet = i;
                // A form longer than the data prints completely; one that already repeated does not start
                // over.
                while (printForm && !PrintCancelled && !range && !formEnded && !formWrapped) {
                    device->newPage();
                    setPageMessage(++sheet);
                    formEnded = RenderSpoolPage(kKindForm, form, canvas(), 0, 0, 0, sheet % 2 == 0, zoom, sx,
                                                sy, fontRes);
                }
                --passesLeft;
                if (PrintCancelled)
                    passesLeft = 0;
                if (passesLeft > 0) {
                    device->endDoc();
                    device->setOrientation(startOrientation);
                    device->beginDoc(title);
                }
            }
        } catch (...) {
            PrintCancelled = true;
            device->abortDoc();
            throw;
        }
        if (PrintCancelled)
            device->abortDoc();
        else
            device->endDoc();
    } catch (const std::exception& ex) {
        PrintCancelled = true;
        WriteMavrolexErrorLog(QStringLiteral("PRINT.メイン"), errorText(ex));
    }
    form.close();
    data.close();
    done(PrintCancelled ? QDialog::Rejected : QDialog::Accepted);
}

// ---- entry points ----

int StartPrintRun(TPmvxDEF& Rec) {
    MavrolexEngineState& e = Engine();
    if (!e.Ready || !e.Vdb)
        return 0;
    if (!Rec.Permit) {
        if (MavrolexPreviewProc)
            MavrolexPreviewProc(Rec);
        return 0;
    }
    int result = -1;
    std::unique_ptr<TStartPrintDlg> dlg;
    try {
        PrintCancelled = false;
        e.FormFileName = Rec.FormFile;
        e.DataFileName = Rec.DataFile;
        e.PageIndex = 1;
        const QString dataPath = e.DataFileName;
        if (!QFileInfo(dataPath).isFile()) {
            ui::showError(NotFoundMessage(dataPath));
            return 0;
        }
        {
            SpoolTextFile file;
            file.assign(dataPath);
            QString first;
            if (!file.open() || !file.readLine(first) || !IsMavrolexFirstLine(first)) {
                ui::showError(kMsgNotPrintData);
                return 0;
            }
        }
        const QString formPath = e.FormFileName.trimmed();
        if (!formPath.isEmpty() && !QFileInfo(formPath).isFile()) {
            ui::showError(NotFoundMessage(formPath));
            return 0;
        }

        TVDBPrint& vdb = *e.Vdb;
        PrinterDevice& device = vdb.device();
        if (&Rec != &EngineSettings) {
            copyRunSettings(Rec, EngineSettings);
            device.setPrinterIndex(EngineSettings.PrinterNum);
            if (EngineSettings.PaperSize == 0)
                EngineSettings.PaperSize =
                    vdb.GetPaperNumber(EngineSettings.PaperName, EngineSettings.PaperLength,
                                       EngineSettings.PaperWidth, DMPAPER_A4);
            vdb.SetPaper(EngineSettings.OutPutPaper != 0 ? EngineSettings.OutPutPaper
                                                         : EngineSettings.PaperSize);
        } else {
            const int paper = vdb.GetPaper();
            device.setPrinterIndex(EngineSettings.PrinterNum);
            vdb.SetPaper(paper);
        }
        vdb.SetDevMode(Rec);
        if (EngineSettings.Copies < 1 || EngineSettings.Copies > 99)
            EngineSettings.Copies = 1;
        if (EngineSettings.Zoom < 5 || EngineSettings.Zoom > 15)
            EngineSettings.Zoom = 10;
        CountPreviewPages();
        device.setOrientation(EngineSettings.Orientation == 1 ? 2 : 1);
        device.setCopies(EngineSettings.Copies > 1 ? EngineSettings.Copies : 1);

        dlg = std::make_unique<TStartPrintDlg>();
        if (!dataPath.isEmpty()) {
            dlg->allowPageNumbers = true;
            dlg->minPage = 1;
            dlg->maxPage = dlg->toPage = CountSpoolPages(dataPath, true);
            dlg->fromPage = 1;
        }
        bool accepted = true;
        run().collate = false;
        if (EngineSettings.PrnDlg) {
            ui::PrintDialogRequest request;
            const QStringList printers = device.printers();
            if (device.printerIndex() >= 0 && device.printerIndex() < printers.size())
                request.printer = printers.at(device.printerIndex());
            request.allowPageRange = dlg->allowPageNumbers;
            request.minPage = dlg->minPage;
            request.maxPage = dlg->maxPage;
            request.fromPage = dlg->fromPage;
            request.toPage = dlg->toPage;
            request.copies = device.copies();
            request.collate = device.collate();
            const std::optional<ui::PrintDialogAnswer> answer = ui::current().printDialog(request);
            if (!answer) {
                accepted = false;
            } else {
                dlg->pageRange = answer->pageRange;
                if (answer->pageRange) {
                    dlg->fromPage = std::clamp(answer->fromPage, dlg->minPage, dlg->maxPage);
                    dlg->toPage = std::clamp(answer->toPage, dlg->fromPage, dlg->maxPage);
                }
                e.PageIndex = dlg->fromPage;
                run().collate = answer->collate;
                device.setCopies(std::clamp(answer->copies, 1, 99));
                device.setCollate(answer->collate);
                vdb.GetDevMode(Rec);
                if (&Rec != &EngineSettings) {
                    EngineSettings.Copies = Rec.Copies;
                    EngineSettings.Collate = Rec.Collate;
                    EngineSettings.ColorMode = Rec.ColorMode;
                }
            }
        }
        ApplyPaperRatio();
        if (accepted) {
            run().dialog = dlg.get();
            runProgressDialog();
            run().dialog = nullptr;
        }
        dlg.reset();
        if (PrintCancelled || !accepted) {
            device.setOrientation(EngineSettings.Orientation == 1 ? 2 : 1);
            result = 0;
        }
    } catch (const std::exception& ex) {
        // Nothing was printed in full: the caller must not take the run for done.
        run().dialog = nullptr;
        WriteMavrolexErrorLog(QStringLiteral("PRINT.開始"), errorText(ex));
        result = 0;
    }
    return result;
}

void PrintCurrentPage(TPmvxDEF& Rec, int PageIndex, int Orientation) {
    MavrolexEngineState& e = Engine();
    e.PageIndex = PageIndex;
    if (!e.Ready || !e.Vdb)
        return;
    std::unique_ptr<TStartPrintDlg> dlg;
    PrinterDevice& device = e.Vdb->device();
    const int deviceOrientation = Orientation == 1 ? 2 : 1;
    try {
        PrintCancelled = false;
        e.FormFileName = Rec.FormFile;
        e.DataFileName = Rec.DataFile;
        const int paper = e.Vdb->GetPaper();
        device.setPrinterIndex(Rec.PrinterNum);
        e.Vdb->SetPaper(paper);
        Rec.Copies = 1;
        if (&Rec != &EngineSettings) {
            EngineSettings.ColorMode = Rec.ColorMode;
            EngineSettings.Copies = 1;
        }
        device.setOrientation(deviceOrientation);
        dlg = std::make_unique<TStartPrintDlg>();
        if (!e.DataFileName.isEmpty()) {
            dlg->allowPageNumbers = true;
            dlg->minPage = 1;
            dlg->maxPage = CountSpoolPages(e.DataFileName, true);
            dlg->fromPage = dlg->toPage = PageIndex;
            dlg->pageRange = true;
        }
        run().collate = false;
        ApplyPaperRatio();
        run().dialog = dlg.get();
        runProgressDialog();
        run().dialog = nullptr;
        dlg.reset();
        device.setOrientation(deviceOrientation);
    } catch (const std::exception& ex) {
        run().dialog = nullptr;
        WriteMavrolexErrorLog(QStringLiteral("PRINT.現在のページ"), errorText(ex));
        dlg.reset();
        try {
            device.setOrientation(deviceOrientation);
        } catch (const std::exception& inner) {
            WriteMavrolexErrorLog(QStringLiteral("PRINT.現在のページ"), errorText(inner));
        }
    }
}

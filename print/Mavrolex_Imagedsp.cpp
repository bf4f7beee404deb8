#include "print/Mavrolex_Imagedsp.h"

#include "platform/UserInteraction.h"
#include "print/Mavrolex_EngineState.h"
#include "print/Mavrolex_Function.h"
#include "print/Mavrolex_ImageOut.h"
#include "print/Mavrolex_PrintIng.h"
#include "print/Mavrolex_SpoolFormat.h"
#include "print/Mavrolex_Vdb.h"
#include "print/Mavrolex_yohaku.h"
#include "print/PrinterDevice.h"
#include "ui_ImageDispForm.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <exception>

// The application's hint window of the engine uses the font "System" on its canvas; on Linux hints are
// Qt's tool tips, whose default font stands in for it, so no hint window class of our own is installed.

namespace {

constexpr int kMaxCreateAttempts = 6;
constexpr int kMinZoom = 5;
constexpr int kMaxZoom = 20;

QString errorText(const std::exception& ex) {
    return QString::fromUtf8(ex.what());
}

// Runs a handler so that its failures are logged under its context and never leave it.
template <typename F> void logged(const QString& context, F&& body) noexcept {
    try {
        body();
    } catch (const std::exception& ex) {
        WriteMavrolexErrorLog(context, errorText(ex));
    } catch (...) {
        WriteMavrolexErrorLog(context, QStringLiteral("unknown error"));
    }
}

// The settings of a report that a preview takes over into the engine's record.
void copyPreviewSettings(const TPmvxDEF& r, TPmvxDEF& s) {
    s.FormFile = r.FormFile;
    s.DataFile = r.DataFile;
    s.Title = r.Title;
    s.DocTitle = r.DocTitle;
    s.PrinterNum = r.PrinterNum;
    s.PaperSize = r.PaperSize;
    s.OutPutPaper = r.OutPutPaper;
    s.PaperName = r.PaperName;
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
    s.Permit = r.Permit;
    s.YResolution = r.YResolution;
}

PrinterDevice& device() {
    return Engine().Vdb->device();
}

// Engine orientation (0 portrait, 1 landscape) of the printer.
int printerOrientation() {
    return device().orientation() == 2 ? 1 : 0;
}

} // namespace

// ---- paint box ----

void PreviewPaintBox::paintEvent(QPaintEvent*) {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* form = qobject_cast<TImageDispForm*>(w)) {
            form->paintBoxPaint();
            return;
        }
}

// ---- window ----

TImageDispForm::TImageDispForm(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TImageDispForm>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    QPalette white = ui->PaperPanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    ui->PaperPanel->setPalette(white);
    ui->ImagePaintBox->setAttribute(Qt::WA_OpaquePaintEvent);
    ui->ImagePaintBox->installEventFilter(this);
    for (QToolButton* b : {ui->ImageOut, ui->ImageOpen, ui->ImageOpenCancel}) {
        b->hide();
        b->setEnabled(false);
    }
    const auto on = [this](QToolButton* b, void (TImageDispForm::*action)()) {
        connect(b, &QToolButton::clicked, this, [this, action] { (this->*action)(); });
    };
    on(ui->CloseButton, &TImageDispForm::CloseButtonClick);
    on(ui->PrintButton, &TImageDispForm::PrintButtonClick);
    on(ui->PrintSetupButton, &TImageDispForm::PrintSetupButtonClick);
    on(ui->SB_MARGIN, &TImageDispForm::SB_MARGINClick);
    on(ui->ZoomJustButton, &TImageDispForm::ZoomJustButtonClick);
    on(ui->SpeedButton3, &TImageDispForm::SpeedButton3Click);
    on(ui->ZoomInButton, &TImageDispForm::ZoomInButtonClick);
    on(ui->ZoomOutButton, &TImageDispForm::ZoomOutButtonClick);
    on(ui->PgJump, &TImageDispForm::PgJumpClick);
    on(ui->TopPage, &TImageDispForm::TopPageClick);
    on(ui->PrevPage, &TImageDispForm::PrevPageClick);
    on(ui->NextPage, &TImageDispForm::NextPageClick);
    on(ui->LastPage, &TImageDispForm::LastPageClick);
    on(ui->CurrentPage, &TImageDispForm::CurrentPageClick);
    on(ui->PrevPaper, &TImageDispForm::PrevPaperClick);
    on(ui->NextPaper, &TImageDispForm::NextPaperClick);
    on(ui->ImageOut, &TImageDispForm::ImageSave_Click);
    on(ui->ImageOpen, &TImageDispForm::ImageOpen_Click);
    on(ui->ImageOpenCancel, &TImageDispForm::ImageOpenCancel_Click);
    // The paper panel follows every scroll at once.
    for (QScrollBar* bar :
         {ui->ImagePaintScrollBox->horizontalScrollBar(), ui->ImagePaintScrollBox->verticalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, ui->PaperPanel, qOverload<>(&QWidget::update));
}

TImageDispForm::~TImageDispForm() = default;

QToolButton* TImageDispForm::button(const char* name) const {
    return findChild<QToolButton*>(QLatin1String(name));
}

QWidget* TImageDispForm::PaperPanel() const {
    return ui->PaperPanel;
}

QWidget* TImageDispForm::ImagePaintBox() const {
    return ui->ImagePaintBox;
}

QScrollArea* TImageDispForm::ImagePaintScrollBox() const {
    return ui->ImagePaintScrollBox;
}

QString TImageDispForm::WherePageText() const {
    return ui->WherePage->text();
}

QString TImageDispForm::DispZoomText() const {
    return ui->DispZoom->text();
}

QImage TImageDispForm::grabPage() const {
    return ui->ImagePaintBox->grab().toImage();
}

void TImageDispForm::preparePaperButtons(const TPmvxDEF& rec) {
    if (rec.PrevPaperButton || rec.NextPaperButton) {
        ui->PrevPaper->show();
        ui->NextPaper->show();
        ui->PrevPaper->setEnabled(rec.PrevPaperButton);
        ui->NextPaper->setEnabled(rec.NextPaperButton);
    } else {
        ui->PrevPaper->hide();
        ui->NextPaper->hide();
    }
    if (!rec.Permit) {
        ui->PrintButton->setEnabled(false);
        ui->PrintSetupButton->setEnabled(false);
        ui->CurrentPage->setEnabled(false);
    }
    ui->CurrentPage->setVisible(rec.CurrentPage);
    const int right = ui->WherePage->geometry().right() + 1;
    ui->PrevPaper->move(right + 20, ui->PrevPaper->y());
    ui->NextPaper->move(right + 102, ui->NextPaper->y());
    // The file buttons follow the paper buttons.
    int x = ui->NextPaper->geometry().right() + 8;
    for (QToolButton* b : {ui->ImageOut, ui->ImageOpen, ui->ImageOpenCancel}) {
        b->move(x, b->y());
        x += b->width() + 2;
    }
    if (!rec.Title.isEmpty())
        setWindowTitle(rec.Title);
}

void TImageDispForm::showWherePage() {
    const MavrolexEngineState& e = Engine();
    ui->WherePage->setText(QStringLiteral("%1/%2").arg(e.CurrentPage).arg(e.TotalPages));
}

void TImageDispForm::showZoom() {
    ui->DispZoom->setText(QStringLiteral("%1%2").arg(Engine().Zoom * 10).arg(QStringLiteral("%")));
}

// ---- showing and activation ----

void TImageDispForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    logged(QStringLiteral("PREVIEW.FormShow"), [&] {
        m_scaleX = logicalDpiX() / 254.0;
        m_scaleY = logicalDpiY() / 254.0;
        LoadFormVariables(Engine().FormFileName, 0, 0);
    });
    // A window manager that keeps the focus elsewhere never activates the window: it is set up anyway.
    QTimer::singleShot(0, this, [this] { firstActivation(); });
}

void TImageDispForm::firstActivation() {
    // The set-up runs at the first activation only: coming back from a dialog keeps the page and zoom.
    if (m_activated)
        return;
    m_activated = true;
    FormActivate();
}

bool TImageDispForm::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        firstActivation();
    // Showing every window named "ImageDispForm" again on deactivation keeps the preview in front of the
    // program's windows; a modal window stays in front anyway, so nothing is done here.
    return QDialog::event(e);
}

void TImageDispForm::FormActivate() {
    logged(QStringLiteral("PREVIEW.FormCreate"), [&] {
        MavrolexEngineState& e = Engine();
        m_closeNumber = ui->PrevPaper->isVisibleTo(this) || ui->NextPaper->isVisibleTo(this) ? 0 : 1;
        e.Zoom = EngineSettings.Zoom;
        showZoom();
        CountPreviewPages();
        FormResize();
        showWherePage();
        ZoomJustButtonClick();
        m_fitFollowsSize = true;
        m_margin = std::make_unique<Tfmyohaku>(this);
        m_orientations = ReadPageOrientations(e.DataFileName, EngineSettings.Orientation);
        ApplyPageOrientation();
    });
}

void TImageDispForm::closeEvent(QCloseEvent* e) {
    m_orientations.clear();
    QDialog::closeEvent(e);
}

void TImageDispForm::keyPressEvent(QKeyEvent* e) {
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        QDialog::keyPressEvent(e);
        return;
    }
    switch (e->key()) {
    case Qt::Key_PageUp:
        PrevPageClick();
        break;
    case Qt::Key_PageDown:
        NextPageClick();
        break;
    case Qt::Key_Home:
        TopPageClick();
        break;
    case Qt::Key_End:
        LastPageClick();
        break;
    case Qt::Key_Plus:
        ZoomInButtonClick();
        break;
    case Qt::Key_Minus:
        ZoomOutButtonClick();
        break;
    case Qt::Key_J:
        PgJumpClick();
        break;
    case Qt::Key_Escape:
        close();
        break;
    default:
        QDialog::keyPressEvent(e);
        return;
    }
    e->accept();
}

// ---- close numbers ----

void TImageDispForm::CloseButtonClick() {
    m_closeNumber = 0;
    close();
}

void TImageDispForm::PrevPaperClick() {
    m_closeNumber = -1;
    close();
}

void TImageDispForm::NextPaperClick() {
    m_closeNumber = 1;
    close();
}

// ---- layout ----

void TImageDispForm::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    if (!m_activated)
        return;
    // The window manager may maximise the window only after it was activated: until the operator zooms,
    // the page keeps fitting the window.
    if (m_fitFollowsSize)
        ZoomJustButtonClick();
    else
        FormResize();
}

void TImageDispForm::FormResize() {
    logged(QStringLiteral("PREVIEW.FormResize"), [&] {
        MavrolexEngineState& e = Engine();
        QScrollArea* box = ui->ImagePaintScrollBox;
        box->horizontalScrollBar()->setValue(0);
        box->verticalScrollBar()->setValue(0);
        const double ppi = logicalDpiX();
        const double zoom = e.Zoom / 10.0;
        QSizeF paper = PaperSizeMm(e.Vdb->GetPaper());
        e.Vdb->ResetUserPaperSize();
        const QRectF printable = device().printableAreaMm();
        int panelW = 0, panelH = 0;
        if (!e.PaperNotListed) {
            if (device().orientation() == 2)
                paper.transpose();
            panelW = RoundEven(ppi * paper.width() / 25.4 * zoom);
            panelH = RoundEven(ppi * paper.height() / 25.4 * zoom);
        } else {
            panelW = RoundEven((printable.width() + 10) / 25.4 * ppi * zoom) + 2;
            panelH = RoundEven((printable.height() + 10) / 25.4 * ppi * zoom) + 2;
        }
        int left = RoundEven((width() - panelW - 15) / 2.0);
        if (left < 16)
            left = 15;
        QWidget* panel = ui->PaperPanel;
        panel->setGeometry(left, panel->y(), panelW, panelH);
        const int boxW = RoundEven(printable.width() / 25.4 * ppi * zoom) + 2;
        const int boxH = RoundEven(printable.height() / 25.4 * ppi * zoom) + 2;
        ui->ImagePaintBox->setGeometry(RoundEven((panelW - boxW) / 2.0), RoundEven((panelH - boxH) / 2.0),
                                       boxW, boxH);
        const QSize view = box->viewport()->size();
        box->widget()->resize(qMax(view.width(), panel->geometry().right() + 16),
                              qMax(view.height(), panel->geometry().bottom() + 16));

        e.UnprintableLeft = RoundEven((paper.width() - printable.width()) / 2) * 10;
        e.UnprintableTop = RoundEven((paper.height() - printable.height()) / 2) * 10;
        e.LeftMargin = EngineSettings.LeftMargin - e.UnprintableLeft;
        e.TopMargin = EngineSettings.TopMargin - e.UnprintableTop;
        e.EvenShift = EngineSettings.EvenLeftOffset;
        ui->ImagePaintBox->update();
    });
}

void TImageDispForm::ApplyPageOrientation() {
    const int index = Engine().CurrentPage - 1;
    if (index < 0 || index >= m_orientations.size())
        return;
    const int wanted = m_orientations.at(index);
    if (wanted != printerOrientation()) {
        device().setOrientation(wanted == 1 ? 2 : 1);
        FormResize();
    }
}

// ---- painting ----

void TImageDispForm::paintBoxPaint() {
    if (m_painting || m_paintSuspended)
        return;
    m_painting = true;
    logged(QStringLiteral("PREVIEW.ImageBoxPaint"), [&] {
        QPainter canvas(ui->ImagePaintBox);
        PaintPage(canvas);
    });
    m_painting = false;
}

void TImageDispForm::PaintPage(QPainter& canvas) {
    MavrolexEngineState& e = Engine();
    SpoolTextFile form;
    SpoolTextFile data;
    const QString formPath = e.FormFileName.trimmed();
    bool formOpen = false;
    if (!formPath.isEmpty() && OpenTextFileChecked(form, formPath))
        formOpen = form.open();
    if (e.DataFileName.isEmpty()) {
        ui::showError(kMsgNoPrintFile);
        return;
    }
    if (!QFileInfo(e.DataFileName).isFile()) {
        ui::showError(QLatin1Char('"') + e.DataFileName + QStringLiteral("\"が見つかりません。"));
        return;
    }
    const QRect area = ui->ImagePaintBox->rect();
    canvas.fillRect(area, Qt::white);
    canvas.setPen(QPen(ColourOfRgb(0xFF0000), 0, Qt::DotLine));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(area.adjusted(0, 0, -1, -1));
    canvas.setPen(QPen(Qt::black, 0, Qt::SolidLine));

    const int page = e.CurrentPage;
    const int b = page % (e.FormSeparators + 1);
    const int slot = b == 0 ? e.FormSeparators : b - 1;
    const bool even = page % 2 == 0;
    const int ppi = logicalDpiX();
    if (formOpen && SeekSpoolPage(form, page, true))
        RenderSpoolPage(kKindForm, form, canvas, 0, 0, 0, even, e.Zoom, m_scaleX, m_scaleY, ppi);
    data.assign(QFileInfo(e.DataFileName).absoluteFilePath());
    if (data.open() && SeekSpoolPage(data, page, false))
        RenderSpoolPage(kKindData, data, canvas, 0, 0, slot, even, e.Zoom, m_scaleX, m_scaleY, ppi);
    form.close();
    data.close();
}

// ---- paging ----

void TImageDispForm::pageMoved() {
    MavrolexEngineState& e = Engine();
    e.PageIndex = e.CurrentPage;
    ApplyPageOrientation();
    ui->ImagePaintBox->update();
    showWherePage();
}

void TImageDispForm::TopPageClick() {
    logged(QStringLiteral("PREVIEW.TopPageClick"), [&] {
        Engine().CurrentPage = 1;
        pageMoved();
    });
}

void TImageDispForm::LastPageClick() {
    logged(QStringLiteral("PREVIEW.LastPageClick"), [&] {
        Engine().CurrentPage = Engine().TotalPages;
        pageMoved();
    });
}

void TImageDispForm::PrevPageClick() {
    logged(QStringLiteral("PREVIEW.PrevPageClick"), [&] {
        MavrolexEngineState& e = Engine();
        if (e.TotalPages > 1 && e.CurrentPage > 1) {
            --e.CurrentPage;
            pageMoved();
        }
    });
}

void TImageDispForm::NextPageClick() {
    logged(QStringLiteral("PREVIEW.NextPageClick"), [&] {
        MavrolexEngineState& e = Engine();
        if (e.TotalPages > 1 && e.CurrentPage < e.TotalPages) {
            ++e.CurrentPage;
            pageMoved();
        }
    });
}

void TImageDispForm::PgJumpClick() {
    logged(QStringLiteral("ImageDispForm.PgJumpClick"), [&] {
        MavrolexEngineState& e = Engine();
        ui::InputRequest request;
        request.caption = kPageJumpCaption;
        request.prompt = kPageJumpPrompt;
        request.initial = QStringLiteral("1");
        // A cancelled box answers its default, as does a text that is not a number.
        const QString answer = ui::current().input(request).value_or(request.initial);
        bool ok = false;
        int page = answer.trimmed().toInt(&ok);
        if (!ok)
            page = 1;
        if (page >= 1 && page <= e.TotalPages)
            e.CurrentPage = page;
        pageMoved();
    });
    // Every window named "ImageDispForm" would be shown again here; the modal window is in front already.
}

// ---- zooming ----

void TImageDispForm::zoomChanged() {
    ui->ImagePaintBox->update();
    showZoom();
    FormResize();
}

void TImageDispForm::ZoomInButtonClick() {
    m_fitFollowsSize = false;
    logged(QStringLiteral("PREVIEW.ZoomInButtonClick"), [&] {
        MavrolexEngineState& e = Engine();
        if (e.Zoom < kMaxZoom) {
            ++e.Zoom;
            zoomChanged();
        }
    });
}

void TImageDispForm::ZoomOutButtonClick() {
    m_fitFollowsSize = false;
    logged(QStringLiteral("PREVIEW.ZoomOutButtonClick"), [&] {
        MavrolexEngineState& e = Engine();
        if (e.Zoom > kMinZoom) {
            --e.Zoom;
            zoomChanged();
        }
    });
}

void TImageDispForm::SpeedButton3Click() {
    m_fitFollowsSize = false;
    logged(QStringLiteral("PREVIEW.SpeedButton3Click"), [&] {
        Engine().Zoom = 10;
        zoomChanged();
    });
}

void TImageDispForm::ZoomJustButtonClick() {
    logged(QStringLiteral("PREVIEW.ZoomJustButtonClick"), [&] {
        MavrolexEngineState& e = Engine();
        QSizeF paper = PaperSizeMm(e.Vdb->GetPaper());
        if (device().orientation() == 2)
            paper.transpose();
        const double ppi = logicalDpiX();
        const QSize box = ui->ImagePaintScrollBox->size();
        for (int n = kMaxZoom; n >= kMinZoom; --n) {
            const int w = RoundEven(ppi * paper.width() / 25.4 * n / 10.0) + 15;
            const int h = RoundEven(n / 10.0 * ppi * paper.height() / 25.4) + ui->PaperPanel->y();
            if (box.width() >= w && box.height() >= h) {
                e.Zoom = n;
                zoomChanged();
                return;
            }
        }
    });
}

// ---- panning ----

bool TImageDispForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->ImagePaintBox) {
        QScrollArea* box = ui->ImagePaintScrollBox;
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* m = static_cast<QMouseEvent*>(event);
            if (m->button() == Qt::LeftButton && m->buttons() == Qt::LeftButton &&
                m->modifiers() == Qt::NoModifier) {
                m_panStart = m->globalPosition().toPoint();
                m_panning = true;
                ui->ImagePaintBox->setCursor(Qt::SizeAllCursor);
                return true;
            }
            break;
        }
        case QEvent::MouseMove: {
            auto* m = static_cast<QMouseEvent*>(event);
            if (m_panning && m->buttons() == Qt::LeftButton) {
                const QPoint now = m->globalPosition().toPoint();
                QScrollBar* h = box->horizontalScrollBar();
                QScrollBar* v = box->verticalScrollBar();
                h->setValue(qMax(0, h->value() + m_panStart.x() - now.x()));
                v->setValue(qMax(0, v->value() + m_panStart.y() - now.y()));
                m_panStart = now;
                return true;
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            if (m_panning) {
                m_panning = false;
                m_panStart = QPoint();
                ui->ImagePaintBox->unsetCursor();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- printing ----

void TImageDispForm::PrintButtonClick() {
    if (!EngineSettings.Permit)
        return;
    MavrolexEngineState& e = Engine();
    const PathText form = EngineSettings.FormFile;
    const PathText data = EngineSettings.DataFile;
    const bool prnDlg = EngineSettings.PrnDlg;
    const int page = e.CurrentPage;
    int orientation = 1;
    logged(QStringLiteral("PREVIEW.PrintButtonClick"), [&] {
        orientation = device().orientation();
        EngineSettings.FormFile = e.FormFileName;
        EngineSettings.DataFile = e.DataFileName;
        EngineSettings.PrnDlg = true;
        EngineSettings.Zoom = 10;
        EngineSettings.PrinterNum = device().printerIndex();
        ApplyPaperRatio();
        StartPrintRun(EngineSettings);
    });
    logged(QStringLiteral("PREVIEW.PrintButtonClick"), [&] {
        e.CurrentPage = e.PageIndex = page;
        showWherePage();
        EngineSettings.FormFile = form;
        EngineSettings.DataFile = data;
        EngineSettings.PrnDlg = prnDlg;
        device().setOrientation(orientation);
        FormResize();
    });
}

void TImageDispForm::CurrentPageClick() {
    if (!EngineSettings.Permit)
        return;
    MavrolexEngineState& e = Engine();
    const PathText form = EngineSettings.FormFile;
    const PathText data = EngineSettings.DataFile;
    const int page = e.CurrentPage;
    logged(QStringLiteral("PREVIEW.CurrentPageClick"), [&] {
        // The page shown is printed, also when it comes from an opened preview file.
        EngineSettings.FormFile = e.FormFileName;
        EngineSettings.DataFile = e.DataFileName;
        EngineSettings.Zoom = 10;
        EngineSettings.PrinterNum = device().printerIndex();
        ApplyPaperRatio();
        PrintCurrentPage(EngineSettings, page, printerOrientation());
    });
    logged(QStringLiteral("PREVIEW.CurrentPageClick"), [&] {
        e.CurrentPage = e.PageIndex = page;
        EngineSettings.FormFile = form;
        EngineSettings.DataFile = data;
        FormResize();
    });
}

void TImageDispForm::PrintSetupButtonClick() {
    logged(QStringLiteral("PREVIEW.PrintSetupButtonClick"), [&] {
        MavrolexEngineState& e = Engine();
        ui::PageSetupRequest request;
        const QStringList printers = device().printers();
        const int index = device().printerIndex();
        if (index >= 0 && index < printers.size())
            request.printer = printers.at(index);
        const auto id = PageSizeOfPaper(e.Vdb->GetPaper());
        request.pageSizeId = id ? int(*id) : -1;
        request.orientation = device().orientation();
        if (const auto answer = ui::current().pageSetupDialog(request)) {
            if (answer->pageSizeId >= 0) {
                const int paper = PaperOfPageSize(QPageSize::PageSizeId(answer->pageSizeId));
                if (paper != 0)
                    e.Vdb->SetPaper(paper);
            }
            device().setOrientation(answer->orientation == 2 ? 2 : 1);
        }
        ApplyPaperRatio();
        FormResize();
    });
}

// ---- margins ----

void TImageDispForm::SB_MARGINClick() {
    logged(QStringLiteral("PREVIEW.余白設定"), [&] {
        if (!m_margin)
            m_margin = std::make_unique<Tfmyohaku>(this);
        Tfmyohaku& dlg = *m_margin;
        dlg.setTopOffset(EngineSettings.TopMargin);
        dlg.setLeftOffset(EngineSettings.LeftMargin);
        const bool samePaper = Engine().Vdb->GetPaper() == EngineSettings.PaperSize;
        dlg.showRatioGroup(samePaper);
        if (samePaper) {
            dlg.setVRatio(EngineSettings.VRATIO);
            dlg.setHRatio(EngineSettings.HRATIO);
        }
        if (dlg.exec() == QDialog::Accepted) {
            EngineSettings.TopMargin = dlg.TopOffset();
            EngineSettings.LeftMargin = dlg.LeftOffset();
            if (samePaper) {
                EngineSettings.VRATIO = dlg.VRatio() == 0 ? 1000 : dlg.VRatio();
                EngineSettings.HRATIO = dlg.HRatio() == 0 ? 1000 : dlg.HRatio();
            }
        }
    });
    logged(QStringLiteral("PREVIEW.余白設定"), [&] {
        ApplyPaperRatio();
        FormResize();
    });
}

// ---- creating and starting ----

std::unique_ptr<TImageDispForm>
CreatePreviewForm(const std::function<std::unique_ptr<TImageDispForm>()>& make) {
    for (int attempt = 1;; ++attempt) {
        try {
            return make ? make() : std::make_unique<TImageDispForm>();
        } catch (const std::exception& ex) {
            WriteMavrolexErrorLog(QStringLiteral("%1:%2(%3)")
                                      .arg(QStringLiteral("PREVIEW.CreateForm"), errorText(ex))
                                      .arg(attempt));
            if (attempt >= kMaxCreateAttempts)
                throw;
        }
    }
}

int StartPreview(TPmvxDEF& Rec) {
    MavrolexEngineState& e = Engine();
    if (!e.Ready || !e.Vdb)
        return 0;
    std::unique_ptr<TImageDispForm> form;
    int result = 0;
    try {
        e.FormFileName = Rec.FormFile;
        e.DataFileName = Rec.DataFile;
        if (&Rec != &EngineSettings)
            copyPreviewSettings(Rec, EngineSettings);
        e.PageIndex = 1;
        e.VRatio = e.HRatio = 0;
        if (!QFileInfo(e.DataFileName).isFile()) {
            ui::showError(NotFoundMessage(e.DataFileName));
            return 0;
        }
        const QString formPath = e.FormFileName.trimmed();
        if (!formPath.isEmpty() && !QFileInfo(formPath).isFile()) {
            ui::showError(NotFoundMessage(formPath));
            return 0;
        }
        TVDBPrint& vdb = *e.Vdb;
        vdb.device().setPrinterIndex(EngineSettings.PrinterNum);
        if (EngineSettings.Copies <= 0 || EngineSettings.Copies >= 100)
            EngineSettings.Copies = 1;
        if (EngineSettings.Zoom < kMinZoom || EngineSettings.Zoom > kMaxZoom)
            EngineSettings.Zoom = 10;
        if (EngineSettings.PaperSize == 0)
            EngineSettings.PaperSize = vdb.GetPaperNumber(
                EngineSettings.PaperName, EngineSettings.PaperLength, EngineSettings.PaperWidth, DMPAPER_A4);
        form = CreatePreviewForm();
        form->preparePaperButtons(Rec);
        vdb.SetPaper(EngineSettings.OutPutPaper != 0 ? EngineSettings.OutPutPaper : EngineSettings.PaperSize);
        vdb.device().setOrientation(EngineSettings.Orientation == 1 ? 2 : 1);
        vdb.SetDevMode(EngineSettings);
        ApplyPaperRatio();
        form->FormResize();
        if (const QScreen* screen = form->screen())
            form->setGeometry(screen->availableGeometry());
        form->setWindowState(Qt::WindowMaximized);
        form->exec();
        result = form->CloseNumber();
    } catch (const std::exception& ex) {
        WriteMavrolexErrorLog(QStringLiteral("PREVIEW.開始"), errorText(ex));
        result = form ? form->CloseNumber() : 0;
    }
    return result;
}

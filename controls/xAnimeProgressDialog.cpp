#include "controls/xAnimeProgressDialog.h"

#include "controls/SafeCall.h"
#include "core/uAccRecord.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <cmath>
#include <utility>

namespace {
constexpr int kClientWidth = 380, kClientHeight = 100, kAnimeLeft = 20, kAnimeTop = 16, kAnimeSize = 32,
              kLineLeft = 60, kLineTop = 24, kLineWidth = 300, kBottomLineTop = 52, kFrameMs = 100;
}

TxAnimate::TxAnimate(QWidget* parent) : QWidget(parent) {
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, &TxAnimate::step);
}

void TxAnimate::setCommonAVI(TCommonAVI kind) {
    m_common = kind;
    if (m_active && !playable())
        setActive(false);
    update();
}

void TxAnimate::setFileName(const QString& path) {
    const bool wasActive = m_active;
    setActive(false);
    delete m_movie;
    m_builtIn = false;
    if (!path.isEmpty()) {
        m_movie = new QMovie(path, QByteArray(), this);
        if (m_movie->isValid()) {
            connect(m_movie, &QMovie::frameChanged, this, qOverload<>(&QWidget::update));
        } else {
            delete m_movie;
            m_builtIn = true;
        }
    }
    if (wasActive)
        setActive(true);
    update();
}

bool TxAnimate::playable() const {
    return m_movie || m_builtIn || m_common != aviNone;
}

bool TxAnimate::playsFile() const {
    return m_movie && !m_builtIn && m_common == aviNone;
}

void TxAnimate::setActive(bool on) {
    on = on && playable();
    m_active = on;
    if (playsFile()) {
        if (on)
            m_movie->start();
        else
            m_movie->stop();
        m_timer.stop();
    } else if (on) {
        m_timer.start();
    } else {
        m_timer.stop();
    }
    update();
}

void TxAnimate::step() {
    if (!m_active)
        return;
    if (playsFile())
        m_movie->jumpToNextFrame();
    else
        m_frame = (m_frame + 1) % 8;
    repaint();
}

void TxAnimate::paintEvent(QPaintEvent*) {
    if (!playable())
        return;
    QPainter p(this);
    if (playsFile()) {
        const QPixmap frame = m_movie->currentPixmap();
        p.drawPixmap(rect(), frame, frame.rect());
        return;
    }
    // Eight dots on a ring; the one of the current frame darkest, the others fading behind it.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF centre = QRectF(rect()).center();
    const qreal radius = std::min(width(), height()) * 0.36, dot = std::min(width(), height()) * 0.09;
    const QColor base = palette().color(QPalette::WindowText);
    for (int i = 0; i < 8; ++i) {
        const int age = (m_frame - i + 8) % 8;
        QColor c = base;
        c.setAlphaF(m_active ? 1.0 - age * 0.11 : 0.35);
        p.setBrush(c);
        const qreal angle = i * M_PI / 4;
        p.drawEllipse(centre + QPointF(std::cos(angle), std::sin(angle)) * radius, dot, dot);
    }
}

TxProgressForm::TxProgressForm(TxAnimeProgressDialog* component, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_component(component),
      m_label(new QLabel(this)), m_animate(new TxAnimate(this)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void TxProgressForm::done(int result) {
    QDialog::done(result);
    if (m_component && m_component->OnClose)
        guarded([this] { m_component->OnClose(m_component); });
}

void TxProgressForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (m_runOnShow) {
        m_runOnShow = false;
        QMetaObject::invokeMethod(this, &TxProgressForm::RunShowHandler, Qt::QueuedConnection);
    }
}

// The window has no close button and Esc does not take it away while the work runs.
void TxProgressForm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TxProgressForm::RunShowHandler() {
    if (m_component && m_component->OnShow) {
        try {
            m_component->OnShow(this);
        } catch (...) {
            if (m_component)
                m_component->m_pendingError = std::current_exception();
        }
    }
    done(QDialog::Accepted);
}

TxAnimeProgressDialog::TxAnimeProgressDialog(QObject* owner) : QObject(owner) {}

TxAnimeProgressDialog::~TxAnimeProgressDialog() {
    freeForm();
}

int TxAnimeProgressDialog::scaled(int value) const {
    const QWidget* w = m_form ? static_cast<const QWidget*>(m_form) : m_ownerForm.data();
    const int dpi = w ? w->logicalDpiY() : 96;
    return value * dpi / 96;
}

void TxAnimeProgressDialog::Execute(QWidget* Owner) {
    // A window is usable as owner once it exists on screen (it can then be blocked and centred on).
    m_ownerForm = Owner ? Owner->window() : nullptr;
    QWidget* candidate = m_ownerForm ? m_ownerForm.data() : m_parentHandle.data();
    if (candidate)
        candidate = candidate->window();
    m_ownerWindow = candidate && candidate->windowHandle() ? candidate : nullptr;

    if (!m_form)
        m_form = new TxProgressForm(this, m_ownerWindow ? m_ownerWindow.data() : m_ownerForm.data());
    if (m_ownerForm)
        m_form->setFont(m_ownerForm->font());

    m_form->setWindowTitle(m_caption);
    m_form->setFixedSize(scaled(kClientWidth), scaled(kClientHeight));
    if (const QScreen* s = QGuiApplication::primaryScreen())
        m_form->move(s->availableGeometry().center() - m_form->rect().center());

    m_form->animate()->setCommonAVI(m_commonAvi);
    if (!m_aviFile.isEmpty())
        setAviFile(m_aviFile);
    m_form->label()->setText(m_infoLabel);
    m_cancelled = false;

    if (m_cancelBtnShow && !m_form->m_cancel) {
        m_form->m_cancel = new QPushButton(QStringLiteral("キャンセル"), m_form);
        m_form->m_cancel->setGeometry(scaled(152), scaled(67), scaled(76), scaled(23));
        connect(m_form->m_cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
    } else if (!m_cancelBtnShow && m_form->m_cancel) {
        delete std::exchange(m_form->m_cancel, nullptr);
    }
    // Places animation and line, which depends on whether the cancel button is there.
    LayoutControls();

    m_active = true;
    SetAnimation(true);

    struct Finally {
        TxAnimeProgressDialog* self;
        bool modal;
        ~Finally() {
            if (modal) {
                self->m_modalRunning = false;
                delete self->m_form;
                self->m_active = false;
            }
            QCoreApplication::processEvents();
            TxAnimeProgressDialog::Wait(50);
        }
    };
    if (OnShow) {
        m_pendingError = nullptr;
        {
            Finally finally{this, true};
            m_modalRunning = true;
            m_form->runOnShow();
            m_form->setWindowModality(Qt::ApplicationModal);
            m_form->exec();
        }
        if (m_pendingError) {
            std::exception_ptr error = std::exchange(m_pendingError, nullptr);
            std::rethrow_exception(error);
        }
        return;
    }
    Finally finally{this, false};
    if (m_ownerWindow) {
        CenterOnParent(m_ownerWindow);
        m_form->setWindowModality(Qt::WindowModal);
        m_form->show();
    } else {
        m_form->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        m_form->show();
    }
}

int TxAnimeProgressDialog::Close() {
    m_active = false;
    if (m_modalRunning && m_form) {
        // The modal run frees the window itself when its loop has ended.
        m_form->hide();
        return 0;
    }
    freeForm();
    return 0;
}

void TxAnimeProgressDialog::freeForm() {
    if (m_form) {
        m_form->hide();
        delete m_form;
    }
}

void TxAnimeProgressDialog::setCaption(const QString& caption) {
    m_caption = caption;
    if (m_form)
        m_form->setWindowTitle(caption);
}

void TxAnimeProgressDialog::setInfoLabel(const QString& text) {
    m_infoLabel = text;
    if (!m_form)
        return;
    m_form->label()->setText(text);
    m_form->animate()->step();
    if (m_form->isVisible())
        m_form->repaint();
    Wait(1);
}

void TxAnimeProgressDialog::setLabelPosition(TxLabelPosition p) {
    m_labelPosition = p;
    LayoutControls();
}

void TxAnimeProgressDialog::setCommonAVI(TCommonAVI kind) {
    m_commonAvi = kind;
    if (m_form)
        m_form->animate()->setCommonAVI(kind);
}

void TxAnimeProgressDialog::setAviFile(const QString& path) {
    m_aviFile = path;
    if (!m_form)
        return;
    if (!m_aviFile.isEmpty() && !QFileInfo(m_aviFile).isFile())
        m_aviFile.clear();
    m_form->animate()->setFileName(m_aviFile);
}

bool TxAnimeProgressDialog::AnimeActive() const {
    return m_form && m_form->animate()->Active();
}

void TxAnimeProgressDialog::setAnimeActive(bool on) {
    if (m_form)
        m_form->animate()->setActive(on);
}

void TxAnimeProgressDialog::SetAnimation(bool on) {
    if (!m_form || (m_commonAvi == aviNone && m_aviFile.isEmpty()))
        return;
    m_form->animate()->setActive(on);
    m_form->update();
}

void TxAnimeProgressDialog::LayoutControls() {
    if (!m_form)
        return;
    QWidget* anime = m_form->animate();
    QLabel* line = m_form->label();
    const int lineHeight = QFontMetrics(m_form->font()).height();
    const int half = scaled(kClientHeight) / 2;
    const bool right = m_labelPosition == xlpRight;
    int animeTop = scaled(kAnimeTop);
    int lineTop = right ? scaled(kLineTop) : scaled(kBottomLineTop);
    if (!m_form->m_cancel) {
        animeTop = half - scaled(20);
        lineTop = right ? half - scaled(8) : half + scaled(20);
    }
    anime->setGeometry(scaled(kAnimeLeft), animeTop, scaled(kAnimeSize), scaled(kAnimeSize));
    line->setGeometry(right ? scaled(kLineLeft) : scaled(kAnimeLeft), lineTop, scaled(kLineWidth),
                      lineHeight);
    m_form->update();
}

// Centres the window over the owner window, in screen coordinates.
void TxAnimeProgressDialog::CenterOnParent(QWidget* window) {
    QRect reference;
    if (window) {
        // A window given only as ParentHandle is taken at its normal (restored) position.
        reference = m_ownerForm ? window->frameGeometry() : window->normalGeometry();
        if (reference.isEmpty())
            reference = window->frameGeometry();
    }
    if (reference.isEmpty()) {
        if (const QScreen* s = QGuiApplication::primaryScreen())
            m_form->move(s->availableGeometry().center() - m_form->rect().center());
        m_form->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        return;
    }
    m_form->move(reference.left() + (reference.width() - m_form->width()) / 2,
                 reference.top() + (reference.height() - m_form->height()) / 2);
}

void TxAnimeProgressDialog::CancelClick() {
    m_cancelled = true;
}

bool TxAnimeProgressDialog::Wait(int Ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < Ms)
        QThread::msleep(1);
    return true;
}

void ExecuteProgramProgress(TxAnimeProgressDialog& progress, QWidget* owner, const QString& caption,
                            const QString& line, bool cancelButton) {
    progress.setCaption(caption);
    progress.setInfoLabel(line);
    progress.setAviFile(SystemDef.ProgramDir + QStringLiteral("/progress.avi"));
    progress.setCancelBtnShow(cancelButton);
    progress.Execute(owner);
    progress.setAnimeActive(true);
}

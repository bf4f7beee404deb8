#include "tusin/z5WaitMess.h"

#include "controls/xAnimeProgressDialog.h"
#include "core/uAccRecord.h"
#include "ui_z5WaitMess.h"
#include "ui_z5WaitMess2.h"

#include <QKeyEvent>

QPointer<QWidget> WaitMessParent;
QPointer<QWidget> WaitMess2Parent;
QPointer<TfmWaitMess> fmWaitMess;
QPointer<TfmWaitMess2> fmWaitMess2;

void SetWaitStep(QCheckBox* line, TWaitStep step) {
    QPalette p = line->palette();
    const QColor colour = step == TWaitStep::Running ? QColor(0, 0, 255)
                          : step == TWaitStep::Done  ? QColor(128, 128, 128)
                                                     : QColor(0, 0, 0);
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::ButtonText, colour);
    line->setPalette(p);
    if (step != TWaitStep::ToCome)
        line->setChecked(true);
    if (step == TWaitStep::Running)
        line->setFocus();
    line->repaint();
}

TWaitMessBase::TWaitMessBase(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!m_animate->Active())
            m_animate->setActive(true);
        m_animate->step();
        m_animate->repaint();
    });
}

void TWaitMessBase::setUpAnimation() {
    m_animate = new TxAnimate(this);
    m_animate->setFileName(SystemDef.ProgramDir + QStringLiteral("/progress.avi"));
    m_animate->setGeometry(40, 16, 32, 32);
    m_animate->move(40, qRound(height() / 2.0) - 20);
}

void TWaitMessBase::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    m_animate->setActive(true);
    m_timer.start();
}

void TWaitMessBase::keyPressEvent(QKeyEvent* e) {
    // The window has no way to be closed by the user; the caller frees it.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

TfmWaitMess::TfmWaitMess(QWidget* owner) : TWaitMessBase(owner), ui(std::make_unique<Ui::TfmWaitMess>()) {
    ui->setupUi(this);
    setUpAnimation();
}

TfmWaitMess::~TfmWaitMess() = default;

QCheckBox* TfmWaitMess::line(int n) const {
    QCheckBox* const lines[] = {ui->CheckBox1, ui->CheckBox2, ui->CheckBox3, ui->CheckBox4, ui->CheckBox5};
    return lines[std::clamp(n, 1, 5) - 1];
}

TfmWaitMess2::TfmWaitMess2(QWidget* owner) : TWaitMessBase(owner), ui(std::make_unique<Ui::TfmWaitMess2>()) {
    ui->setupUi(this);
    setUpAnimation();
}

TfmWaitMess2::~TfmWaitMess2() = default;

QCheckBox* TfmWaitMess2::CheckBox1() const {
    return ui->CheckBox1;
}

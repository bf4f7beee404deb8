#include "print/Mavrolex_yohaku.h"

#include "controls/UpDown.h"
#include "print/Mavrolex_Edit.h"
#include "ui_fmyohaku.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <algorithm>

namespace {

constexpr int kMarginLimit = 100;
constexpr int kCorrectionLimit = 50;
constexpr int kRatioBase = 1000;

int fieldNumber(const TEditMvx* field) {
    bool ok = false;
    const int v = field->text().trimmed().toInt(&ok);
    return ok ? v : 0;
}

} // namespace

Tfmyohaku::Tfmyohaku(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::Tfmyohaku>()) {
    ui->setupUi(this);
    ui->Label6->hide();
    ui->Label7->hide();
    setFixedWidth(width());
    FormCreate();
    connect(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

Tfmyohaku::~Tfmyohaku() = default;

TEditMvx* Tfmyohaku::makeField(QWidget* parent, int x, int y, TUpDown* upDown) {
    auto* e = new TEditMvx(parent);
    e->setGeometry(x, y, 30, 20);
    e->setMaxLength(3);
    e->setText(QStringLiteral("0"));
    e->setAlignment(TxEdit::taRightJustify);
    e->setKeyEdit3D(TxEdit::bsNone);
    e->setImeMode(TxEdit::imDisable);
    e->installEventFilter(this);
    upDown->setAssociate(e);
    return e;
}

void Tfmyohaku::FormCreate() {
    for (TUpDown* u : {ui->UpDown1, ui->UpDown2}) {
        u->setRange(-kMarginLimit, kMarginLimit);
        u->setIncrement(10);
    }
    for (TUpDown* u : {ui->UpDown3, ui->UpDown4}) {
        u->setRange(-kCorrectionLimit, kCorrectionLimit);
        u->setIncrement(1);
    }
    // Created in tab order within each group: top before left, vertical before horizontal.
    m_edTop = makeField(ui->GroupBox2, 28, 68, ui->UpDown2);
    m_edLeft = makeField(ui->GroupBox2, 88, 33, ui->UpDown1);
    m_edVertical = makeField(ui->GroupBox3, 89, 25, ui->UpDown3);
    m_edHorizontal = makeField(ui->GroupBox3, 89, 49, ui->UpDown4);
    setTabOrder(m_edTop, m_edLeft);
    setTabOrder(m_edLeft, m_edVertical);
    setTabOrder(m_edVertical, m_edHorizontal);
    setTabOrder(m_edHorizontal, ui->Button1);
}

QGroupBox* Tfmyohaku::GroupBox3() const {
    return ui->GroupBox3;
}

TUpDown* Tfmyohaku::UpDown(int n) const {
    switch (n) {
    case 1:
        return ui->UpDown1;
    case 2:
        return ui->UpDown2;
    case 3:
        return ui->UpDown3;
    case 4:
        return ui->UpDown4;
    default:
        return nullptr;
    }
}

void Tfmyohaku::setTopOffset(int value) {
    if (value == m_topOffset)
        return;
    ui->UpDown2->setPosition(value);
    m_topOffset = value;
}

void Tfmyohaku::setLeftOffset(int value) {
    if (value == m_leftOffset)
        return;
    ui->UpDown1->setPosition(value);
    m_leftOffset = value;
}

void Tfmyohaku::setVRatio(int value) {
    ui->UpDown3->setPosition(value >= 950 && value <= 1050 ? value - kRatioBase : 0);
    m_vRatio = value;
}

void Tfmyohaku::setHRatio(int value) {
    ui->UpDown4->setPosition(value >= 950 && value <= 1050 ? value - kRatioBase : 0);
    m_hRatio = value;
}

void Tfmyohaku::showValues() {
    ui->UpDown2->setPosition(m_topOffset);
    ui->UpDown1->setPosition(m_leftOffset);
    setVRatio(m_vRatio);
    setHRatio(m_hRatio);
}

void Tfmyohaku::done(int result) {
    if (result != QDialog::Accepted)
        showValues();
    QDialog::done(result);
}

void Tfmyohaku::showRatioGroup(bool show) {
    ui->GroupBox3->setVisible(show);
    setFixedHeight(show ? kHeightWithRatios : kHeightWithoutRatios);
}

void Tfmyohaku::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    ui->Panel1->setGeometry(0, height() - ui->Panel1->height(), width(), ui->Panel1->height());
}

bool Tfmyohaku::isField(QObject* o) const {
    return o == m_edTop || o == m_edLeft || o == m_edVertical || o == m_edHorizontal;
}

void Tfmyohaku::ED_TOPExit(TEditMvx* field) {
    const int limit = field == m_edTop || field == m_edLeft ? kMarginLimit : kCorrectionLimit;
    const int v = fieldNumber(field);
    if (v < -limit)
        field->setText(QString::number(-limit));
    else if (v > limit)
        field->setText(QString::number(limit));
}

bool Tfmyohaku::ED_TOPKeyPress(TEditMvx* field, QKeyEvent* e) {
    if (keynav::isEnterKey(e->key()))
        return false;
    const QString text = e->text();
    // Only typed characters reach the filter; keys that type nothing (arrows, Delete) and the control
    // shortcuts go on to the field.
    if (text.size() != 1 || e->key() == Qt::Key_Delete)
        return false;
    const QChar key = text.at(0);
    if (key.unicode() < 32 && key != kBackspace)
        return false;
    const bool whole = field->selectedText().size() == field->text().size();
    return !FilterNumericKey(field->text(), key, 3, whole).has_value();
}

void Tfmyohaku::Button1Click() {
    m_topOffset = fieldNumber(m_edTop);
    m_leftOffset = fieldNumber(m_edLeft);
    m_vRatio = kRatioBase + fieldNumber(m_edVertical);
    m_hRatio = kRatioBase + fieldNumber(m_edHorizontal);
    accept();
}

bool Tfmyohaku::eventFilter(QObject* watched, QEvent* event) {
    if (isField(watched)) {
        auto* field = static_cast<TEditMvx*>(watched);
        if (event->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                ED_TOPExit(field);
        } else if (event->type() == QEvent::KeyPress) {
            return ED_TOPKeyPress(field, static_cast<QKeyEvent*>(event));
        }
    }
    return QDialog::eventFilter(watched, event);
}

#include "tusin/z5TusinSetteiPas.h"

#include "controls/SafeCall.h"
#include "platform/UserInteraction.h"
#include "ui_z5TusinSetteiPas.h"

#include <QKeyEvent>
#include <QTimer>

namespace {

const QString kDeleteCaption = QStringLiteral("削除処理を実行します");

} // namespace

bool TusinKeyAllowed(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
        return true;
    default:
        break;
    }
    if (e->matches(QKeySequence::Copy) || e->matches(QKeySequence::Paste))
        return true;
    const QString text = e->text();
    if (text.isEmpty())
        return true; // no character: a moving or function key
    if (text.size() != 1)
        return false;
    const QChar c = text[0];
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

TfmTusinSettiPas::TfmTusinSettiPas(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TfmTusinSettiPas>()) {
    ui->setupUi(this);
    FormCreate();
    ExecuteButton = ui->btnOK;
    ui->txtConPasswd->setImeMode(TxEdit::imDisable);
    connect(ui->btnOK, &QPushButton::clicked, this, [this] { guarded([this] { btnOKClick(); }); });
    connect(ui->ESC, &QPushButton::clicked, this, &QDialog::reject);
    SetupDone = true;
}

TfmTusinSettiPas::~TfmTusinSettiPas() = default;

QCheckBox* TfmTusinSettiPas::CheckBox1() const {
    return ui->CheckBox1;
}
TxEdit* TfmTusinSettiPas::txtConPasswd() const {
    return ui->txtConPasswd;
}
QLabel* TfmTusinSettiPas::Label2() const {
    return ui->Label2;
}
QPlainTextEdit* TfmTusinSettiPas::memHint() const {
    return ui->memHint;
}
QPushButton* TfmTusinSettiPas::btnOK() const {
    return ui->btnOK;
}

int TfmTusinSettiPas::ShowModal() {
    return exec() == QDialog::Accepted ? ui::mrOk : ui::mrCancel;
}

void TfmTusinSettiPas::btnOKClick() {
    if (!ui->CheckBox1->isChecked()) {
        const QString action =
            ui->CheckBox1->text() == kDeleteCaption ? kDeleteCaption : QStringLiteral("解除処理を実行します");
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("「%1」をチェックしてください。").arg(action), ui::mbYes);
        ui->txtConPasswd->setFocus();
        return;
    }
    if (ui->txtConPasswd->text() != ui->Label2->text()) {
        ui::showMessage(ui::MsgKind::Information, QStringLiteral("パスワードが違います。"), ui::mbYes);
        ui->txtConPasswd->setFocus();
        return;
    }
    accept();
}

void TfmTusinSettiPas::txtConPasswdExit() {
    QString bare = ui->txtConPasswd->text();
    bare.remove(u' ').remove(QChar(0x3000));
    if (bare.size() < ui->txtConPasswd->text().size()) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("パスワードはスペース（空白）なしの英数６桁以内で入力して下さい。"));
        QTimer::singleShot(0, ui->txtConPasswd, [edit = ui->txtConPasswd] { edit->setFocus(); });
    }
}

bool TfmTusinSettiPas::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->txtConPasswd) {
        if (event->type() == QEvent::KeyPress && !TusinKeyAllowed(static_cast<QKeyEvent*>(event)))
            return true;
        if (event->type() == QEvent::FocusOut && isVisible())
            guarded([this] { txtConPasswdExit(); });
    }
    return TBSDI::eventFilter(watched, event);
}

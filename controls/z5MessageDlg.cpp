#include "controls/z5MessageDlg.h"
#include "controls/SafeCall.h"
#include "controls/xPlButton.h"
#include "ui_z5MessageDlg.h"

namespace {
const QString kAgreeDefault = QStringLiteral("同意する");
}

void InitMessageBoxRec(TMessageInfoRec& Info) {
    Info = TMessageInfoRec{};
}

int ShowMessageBox(const TMessageInfoRec& Info) {
    TMessageBox box(MainForm());
    box.Kind = Info.Kind;
    box.CaptionText = Info.Caption;
    box.MainText = Info.MainText;
    box.MainColor = Info.MainColor;
    box.SetLines(Info.Lines);
    box.AgreeCaption = Info.AgreeCaption;
    box.Prepare(true);
    if (Info.Position == poScreenCenter || Info.Position == poDesktopCenter)
        box.PlaceForm(0, 0, 0, 0, 3);
    const int r = box.exec();
    return r == ui::mrOk ? ui::mrOk : ui::mrCancel;
}

TMessageBox::TMessageBox(QWidget* owner) : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TMessageBox>()) {
    ui->setupUi(this);
    FormCreate();
    HostQuerySkip = false;
    SaveFormSize = false;
    ActivateNotify = false;
    // Closing hides the dialog: its owner reads the answer and frees it.
    KeepOnClose = true;
    ExecuteButton = ui->btnOK;
    MainColor = fromQColor(palette().color(QPalette::WindowText));
    AgreeCaption = kAgreeDefault;
    for (TxPlButton* b : {ui->btnOK, ui->btnCancel}) {
        b->setGradEndColor(0xB6B6B6);
        b->setImageLeft(4);
        b->setImageTop(1);
        b->setImageTransParent(true);
        b->setImageVertCenter(false);
        b->setCaptionALeft(30);
        b->setCaptionTop(7);
        b->setCaptionVertCenter(false);
    }
    const QSize design = designClientSize();
    InitialWidth = design.width();
    InitialHeight = design.height();
    m_agreeDesign = DesignGeometry(ui->cboxAgree);
    m_bottomHeight = DesignGeometry(ui->pnlBottom).height();
    connect(ui->cboxAgree, &QCheckBox::clicked, this, [this] { cboxAgreeClick(); });
    // The form's result is the button's.
    connect(ui->btnOK, &TxPlButton::clicked, this, [this] { setResult(ui->btnOK->ModalResult()); });
    SetupDone = true;
}

TMessageBox::~TMessageBox() = default;

bool TMessageBox::agreeTicked() const {
    return ui->cboxAgree->isChecked();
}

void TMessageBox::Prepare(bool modal) {
    Modal = modal;
    AgreeVisible = Kind == 2 || Kind == 3;
    SetDesignClientSize(InitialWidth, InitialHeight);
    ApplySettings();
    ForcePlace = false;
}

void TMessageBox::ApplySettings() {
    ui->btnOK->setVisible(true);
    ui->btnOK->setCaptionACaption(QStringLiteral("OK"));
    ui->btnOK->setModalResult(ui::mrOk);
    ui->btnCancel->setVisible(true);
    ui->btnCancel->setCaptionACaption(QStringLiteral("キャンセル"));
    ui->btnCancel->setModalResult(ui::mrCancel);
    if (Kind == 1) {
        ui->btnOK->setVisible(false);
        ui->btnCancel->setCaptionACaption(QStringLiteral("OK"));
        ui->btnCancel->setModalResult(ui::mrOk);
    }
    setWindowTitle(CaptionText);
    ui->lblMain->setText(MainText);
    QPalette pal = ui->lblMain->palette();
    pal.setColor(QPalette::WindowText, toQColor(MainColor, palette()));
    ui->lblMain->setPalette(pal);

    // Design values: the memo's height comes off the dialog when there are no lines, and what is
    // anchored to the bottom moves up with it.
    ui->MessageArea->setPlainText(MessageLines.join(u'\n'));
    const QRect memo = DesignGeometry(ui->MessageArea);
    const int lost = MessageLines.isEmpty() ? memo.height() : 0;
    ui->MessageArea->setVisible(lost == 0);
    const int clientHeight = InitialHeight - m_bottomHeight - lost;
    SetDesignGeometry(ui->pnlClient, QRect(0, 0, InitialWidth, clientHeight));
    SetDesignGeometry(ui->pnlBottom, QRect(0, clientHeight, InitialWidth, m_bottomHeight));
    SetDesignGeometry(ui->cboxAgree, m_agreeDesign.translated(0, -lost));
    SetDesignClientSize(InitialWidth, InitialHeight - lost);

    ui->cboxAgree->setVisible(AgreeVisible);
    // A box without a label would ask the user to agree to nothing.
    ui->cboxAgree->setText(AgreeCaption.trimmed().isEmpty() ? kAgreeDefault : AgreeCaption);
    ui->cboxAgree->setChecked(Agreed);
    ui->btnOK->setEnabled(Kind != 2 || !AgreeVisible || ui->cboxAgree->isChecked());
}

void TMessageBox::cboxAgreeClick() {
    if (Kind == 2)
        ui->btnOK->setEnabled(ui->cboxAgree->isChecked());
}

void TMessageBox::ShowingChanged(bool Visible) {
    TBSDI::ShowingChanged(Visible);
    if (!Visible)
        return;
    if (CloseWhenSetupFailed())
        return;
    update();
    ui->btnCancel->setFocus();
}

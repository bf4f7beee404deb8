#include "datasel/z5WhichDataSet.h"

#include "controls/SafeCall.h"
#include "controls/xPlButton.h"
#include "controls/xRadioButton.h"
#include "core/DialogRegistry.h"
#include "platform/UserInteraction.h"
#include "ui_z5WhichDataSet.h"

TWhichDataSetBox::TWhichDataSetBox(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TWhichDataSetBox>()) {
    ui->setupUi(this);
    FormCreate();
    ProcHistory = false;
    HostQuerySkip = false;
    SaveFormSize = false;
    ActivateNotify = false;
    KeepOnClose = true;
    HintTarget = ui->HintArea;
    ExecuteButton = ui->btnOK;
    ui->btnOK->setModalResult(0);
    ui->btnCancel->setModalResult(ui::mrCancel);
    connect(ui->btnOK, &TxPlButton::clicked, this, [this] { guarded([this] { btnOKClick(); }); });
    Flag = false;
    TakenOut = 0;
    BringBack = false;
    ui->btnMochidashi->setChecked(true);
    SetupDone = true;
}

TWhichDataSetBox::~TWhichDataSetBox() = default;

TxRadioButton* TWhichDataSetBox::MochidashiButton() const {
    return ui->btnMochidashi;
}

TxRadioButton* TWhichDataSetBox::MochikaeriButton() const {
    return ui->btnMochikaeri;
}

void TWhichDataSetBox::Setup(bool flag) {
    Flag = flag;
    Refresh();
    Shown = false;
}

void TWhichDataSetBox::Refresh() {
    SetHint(
        ui->btnMochidashi,
        QStringLiteral("データの処理方法を選択します。|データを持ち出すため、「データ選択（サーバ）」画面で"
                       "選択した場所にあるデータをコンピュータ内のデータエリアへコピーします。"));
    SetHint(
        ui->btnMochikaeri,
        QStringLiteral("データの処理方法を選択します。|データを持ち帰ったため、「データ選択（サーバ）」画面で"
                       "選択した場所へコンピュータ内のデータエリアよりコピーします。"));
    SetHint(ui->btnOK, QStringLiteral("内容を登録して画面を閉じます。|内容を登録して画面を閉じます。"));
    SetHint(ui->btnCancel, QStringLiteral("画面を閉じます。|画面を閉じます。"));
    ui->btnMochidashi->setEnabled(TakenOut != 1);
    ui->btnMochikaeri->setEnabled(true);
    if (TakenOut != 0 || BringBack)
        ui->btnMochikaeri->setChecked(true);
    else
        ui->btnMochidashi->setChecked(true);
}

void TWhichDataSetBox::ShowingChanged(bool Visible) {
    TBSDI::ShowingChanged(Visible);
    if (!Visible || CloseWhenSetupFailed())
        return;
    QWidget* checked = ui->btnMochikaeri->isChecked() ? ui->btnMochikaeri : ui->btnMochidashi;
    checked->setFocus();
    // The hint of the focused choice, also before the window is active.
    ShowLongHint(checked, ui->HintArea);
    ShowNormalCursor();
}

void TWhichDataSetBox::btnOKClick() {
    BringBack = false;
    if (!(ui->btnMochidashi->isEnabled() && ui->btnMochidashi->isChecked()) &&
        ui->btnMochikaeri->isEnabled() && ui->btnMochikaeri->isChecked())
        BringBack = true;
    done(ui::mrOk);
}

void TWhichDataSetBox::FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    if ((Key >= Qt::Key_F1 && Key <= Qt::Key_F8) || Key == Qt::Key_F12) {
        Key = 0;
        return;
    }
    TBSDI::FormKeyUp(Key, Shift);
}

void TWhichDataSetBox::FormClose(TCloseAction& Action) {
    TBSDI::FormClose(Action);
    Action = caHide;
}

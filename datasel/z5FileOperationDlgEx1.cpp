#include "datasel/z5FileOperationDlgEx1.h"

#include "controls/SafeCall.h"
#include "controls/xEdit.h"
#include "platform/UserInteraction.h"
#include "ui_z5FileOperationDlgEx1.h"

#include <QComboBox>
#include <QRadioButton>

TFileOperationBoxEx1::TFileOperationBoxEx1(QWidget* owner)
    : TFileOperationBox(owner, NoForm{}), ui(std::make_unique<Ui::TFileOperationBoxEx1>()) {
    ui->setupUi(this);
    useControls({ui->lblMessage, ui->lblPlace, ui->cmbPlace, ui->btnBrowse, ui->btnHistoryDelete,
                 ui->lblFileName, ui->edtFileName, ui->btnOK, ui->btnCancel});
    HintTarget = ui->lblHint;
    FormCreate();
    for (QRadioButton* b : {ui->rbPlace, ui->rbDefault})
        connect(b, &QRadioButton::clicked, this, [this] { guarded([this] { applyChoice(); }); });
    SetupDone = true;
}

TFileOperationBoxEx1::~TFileOperationBoxEx1() = default;

QRadioButton* TFileOperationBoxEx1::Choice(int choice) const {
    return choice == 2 ? ui->rbDefault : ui->rbPlace;
}

void TFileOperationBoxEx1::Setup(int mode) {
    if (FileKind == ReadFolder || FileKind == WriteFolder) {
        QRect r = DesignGeometry(ui->rbDefault);
        r.moveTop(DesignGeometry(ui->edtFileName).top());
        SetDesignGeometry(ui->rbDefault, r);
    }
    TFileOperationBox::Setup(mode);
    applyChoice();
}

void TFileOperationBoxEx1::RefreshView() {
    TFileOperationBox::RefreshView();
    if (!Shown)
        SetDesignClientSize(designClientSize().width(), 360);
}

void TFileOperationBoxEx1::SetHints() {
    TFileOperationBox::SetHints();
    SetHint(ui->rbPlace, QStringLiteral("選択した場所に保存されているﾃﾞｰﾀを復元する場合に選択します。|"
                                        "選択した場所に保存されているﾃﾞｰﾀを復元する場合に選択します。"));
    SetHint(
        ui->rbDefault,
        QStringLiteral("ｼｽﾃﾑが随所で行う自動ﾊﾞｯｸｱｯﾌﾟﾃﾞｰﾀを復元し、ﾃﾞｰﾀを元に戻す場合に選択します。|"
                       "「仕訳の全削除」、「仕訳のｲﾝﾎﾟｰﾄ」は処理実行時に実行前ﾃﾞｰﾀをﾊﾞｯｸｱｯﾌﾟするように設定"
                       "されています。\r\n［OK］を押すと現在のﾃﾞｰﾀをこれらの処理を実行する前の状態に戻す事が"
                       "できます。\r\n尚、ﾊﾞｯｸｱｯﾌﾟを取らずにこれらの処理を実行することも出来ますので、確実に"
                       "実行前の状態に戻せるとは限りません。"));
}

void TFileOperationBoxEx1::SetChoice1Caption(const QString& caption) {
    ui->rbPlace->setText(caption);
}

void TFileOperationBoxEx1::SetChoice2Caption(const QString& caption) {
    ui->rbDefault->setText(caption);
}

void TFileOperationBoxEx1::SelectChoice(int choice) {
    Choice(choice)->setChecked(true);
    applyChoice();
}

void TFileOperationBoxEx1::applyChoice() {
    const bool place = ui->rbPlace->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{ui->lblPlace, ui->cmbPlace, ui->btnBrowse,
                                                      ui->btnHistoryDelete, ui->lblFileName, ui->edtFileName})
        w->setEnabled(place);
}

void TFileOperationBoxEx1::btnOKClick() {
    if (ui->rbPlace->isChecked()) {
        Source = 1;
        acceptChoice();
        return;
    }
    Source = 2;
    ResultPath.clear();
    done(ui::mrOk);
}

#include "datalist/z5DataListKensaku.h"

#include "controls/ByteLengthValidator.h"
#include "controls/SafeCall.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "ui_z5DataListKensaku.h"

#include <QRegularExpressionValidator>

namespace {

const QString kNoChoice = QStringLiteral("選択なし");

} // namespace

TDataListKensakuBox::TDataListKensakuBox(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TDataListKensakuBox>()) {
    ui->setupUi(this);
    FormCreate();
    SaveFormSize = false;
    // Each list keeps its dialog and shows it again.
    KeepOnClose = true;
    HintTarget = ui->lblHint;
    ExecuteButton = ui->btnOK;
    ui->edtCode->setImeMode(TxEdit::imDisable);
    // DATACODE is an ASCII column.
    ui->edtCode->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[\\x20-\\x7E]*")), ui->edtCode));
    // At most 40 bytes of CP932 text, and no more characters than the list names it is looked for in.
    ui->edtDataName->setMaxLength(20);
    (new TByteLengthValidator(ui->edtDataName, [] { return 40; }))->setCp932Only(true);
    ui->edtDataName->setImeMode(TxEdit::imHira);
    connect(ui->btnOK, &QPushButton::clicked, this, [this] { guarded([this] { btnOKClick(); }); });
    connect(ui->btnCancel, &QPushButton::clicked, this, [this] { guarded([this] { btnCancelClick(); }); });
    bool built = false;
    guarded([&] { built = buildLists(); });
    SetupDone = built;
}

TDataListKensakuBox::~TDataListKensakuBox() = default;

bool TDataListKensakuBox::buildLists() {
    for (const TDataKindEntry& kind : DataKindEntries())
        ui->cmbDataKbn->addItem(kind.text);
    if (!IO.LoadPersons(m_persons))
        return false;
    for (const TKensakuPerson& p : m_persons)
        ui->cmbTanto->addItem(p.line);
    m_versions.FirstEntryName = kNoChoice;
    m_versions.Execute(1);
    ui->cmbVersion->addItems(m_versions.Names);
    return true;
}

void TDataListKensakuBox::Setup(int mode) {
    Q_UNUSED(mode);
    SetHint(ui->cmbDataKbn, QStringLiteral("選択した区分に該当するデータを抽出して表示します。|"
                                           "選択した区分に該当するデータを抽出して表示します。"));
    SetHint(ui->edtCode, QStringLiteral("入力したコードを前方一致（先頭一致）で抽出して表示します。|"
                                        "入力したコード前方一致（先頭一致）で抽出して表示します。"));
    SetHint(ui->edtDataName, QStringLiteral("入力した文字を含むデータを抽出して表示します。|"
                                            "入力した文字を含むデータを抽出して表示します。"));
    SetHint(ui->cmbTanto, QStringLiteral("選択したｵﾍﾟﾚｰﾀが担当するデータを抽出して表示します。|"
                                         "選択したｵﾍﾟﾚｰﾀが担当するデータを抽出して表示します。"));
    SetHint(ui->cmbVersion, QStringLiteral("選択したﾊﾞｰｼﾞｮﾝのデータを抽出して表示します。|"
                                           " 選択したﾊﾞｰｼﾞｮﾝのデータを抽出して表示します。"));
    SetHint(ui->chkJyokenUse,
            QStringLiteral("ここで設定した条件に該当するデータだけを常時表示させる場合にﾁｪｯｸします。|"
                           " ここで設定した条件に該当するデータだけを常時表示させる場合にﾁｪｯｸします。"));
    SetHint(ui->btnOK, QStringLiteral("設定した条件に該当するデータを表示します。|"
                                      " 設定した条件に該当するデータを表示します。"));
    SetHint(ui->btnCancel, QStringLiteral("データの検索を中止します。| データの検索を中止します。"));

    const TDataKensakuRec& r = KensakuRec;
    ui->cmbDataKbn->setCurrentIndex(DataKindIndex(r.DATATYPE, r.CODETYPE));
    ui->edtCode->setText(r.DATACODE);
    ui->edtDataName->setText(r.DATANAME);
    int person = 0;
    for (qsizetype i = 0; i < m_persons.size(); ++i)
        if (m_persons[i].code == r.TANTO)
            person = int(i);
    ui->cmbTanto->setCurrentIndex(person);
    ui->cmbVersion->setCurrentIndex(qMax(0, m_versions.IndexOfName(r.SEIHINNAME)));
    ui->chkJyokenUse->setChecked(r.JYOKENUSE != 0);
    Shown = false;
}

void TDataListKensakuBox::ShowingChanged(bool Visible) {
    TBSDI::ShowingChanged(Visible);
    if (!Visible || CloseWhenSetupFailed())
        return;
    ui->edtCode->setFocus();
}

void TDataListKensakuBox::btnOKClick() {
    TDataKensakuRec& r = KensakuRec;
    const TDataKindEntry& kind =
        DataKindEntries().value(ui->cmbDataKbn->currentIndex(), DataKindEntries().first());
    r.DATATYPE = kind.dataType;
    r.CODETYPE = kind.codeType;
    r.DATACODE = ui->edtCode->text();
    r.DATANAME = ui->edtDataName->text();
    r.TANTO = m_persons.value(ui->cmbTanto->currentIndex(), m_persons.value(0)).code;
    const int version = qMax(0, ui->cmbVersion->currentIndex());
    m_versions.GetVersionText(version, r.DATAVER);
    r.DATAVER2.clear();
    r.VERCMP = 0;
    m_versions.GetName(version, r.SEIHINNAME);
    r.JYOKENUSE = ui->chkJyokenUse->isChecked() ? 1 : 0;
    done(1);
}

void TDataListKensakuBox::btnCancelClick() {
    done(ui::mrCancel);
}

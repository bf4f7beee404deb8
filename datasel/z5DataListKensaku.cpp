#include "datasel/z5DataListKensaku.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "ui_z5DataListKensaku.h"

#include <QRegularExpressionValidator>
#include <QTimer>

namespace {

const QString kNoChoice = QStringLiteral("選択なし");

// "short|long": the short part is the control's tip, the long one its status line.
void setHint(QWidget* w, const QString& hint) {
    w->setToolTip(hint.section(u'|', 0, 0));
    w->setStatusTip(hint.section(u'|', 1).trimmed());
}

} // namespace

TDataListKensakuBox::TDataListKensakuBox(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TDataListKensakuBox>()) {
    ui->setupUi(this);
    setFixedSize(size());
    ui->edtCode->setImeMode(TxEdit::imDisable);
    // DATACODE is an ASCII column.
    ui->edtCode->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[\\x20-\\x7E]*")), ui->edtCode));
    // The list names it is looked for in hold at most 20 characters (40 bytes).
    ui->edtDataName->setMaxLength(20);
    ui->edtDataName->setImeMode(TxEdit::imHira);
    connect(ui->btnOK, &QPushButton::clicked, this, &TDataListKensakuBox::btnOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TDataListKensakuBox::btnCancelClick);
    buildLists();
}

TDataListKensakuBox::~TDataListKensakuBox() = default;

void TDataListKensakuBox::buildLists() {
    for (const TDataKindEntry& kind : DataKindEntries())
        ui->cmbDataKbn->addItem(kind.text);

    if (!IO.LoadPersons(m_persons))
        return;
    for (const TKensakuPerson& p : m_persons)
        ui->cmbTanto->addItem(p.line);

    m_versions.FirstEntryName = kNoChoice;
    m_versions.Execute(1);
    ui->cmbVersion->addItems(m_versions.Names);
    m_created = true;
}

void TDataListKensakuBox::Setup(int mode) {
    Q_UNUSED(mode);
    setHint(ui->cmbDataKbn, QStringLiteral("選択した区分に該当するデータを抽出して表示します。|"
                                           "選択した区分に該当するデータを抽出して表示します。"));
    setHint(ui->edtCode, QStringLiteral("入力したコードを前方一致（先頭一致）で抽出して表示します。|"
                                        "入力したコード前方一致（先頭一致）で抽出して表示します。"));
    setHint(ui->edtDataName, QStringLiteral("入力した文字を含むデータを抽出して表示します。|"
                                            "入力した文字を含むデータを抽出して表示します。"));
    setHint(ui->cmbTanto, QStringLiteral("選択したｵﾍﾟﾚｰﾀが担当するデータを抽出して表示します。|"
                                         "選択したｵﾍﾟﾚｰﾀが担当するデータを抽出して表示します。"));
    setHint(ui->cmbVersion, QStringLiteral("選択したﾊﾞｰｼﾞｮﾝのデータを抽出して表示します。|"
                                           " 選択したﾊﾞｰｼﾞｮﾝのデータを抽出して表示します。"));
    setHint(ui->chkJyokenUse,
            QStringLiteral("ここで設定した条件に該当するデータだけを常時表示させる場合にﾁｪｯｸします。|"
                           " ここで設定した条件に該当するデータだけを常時表示させる場合にﾁｪｯｸします。"));
    setHint(ui->btnOK, QStringLiteral("設定した条件に該当するデータを表示します。|"
                                      " 設定した条件に該当するデータを表示します。"));
    setHint(ui->btnCancel, QStringLiteral("データの検索を中止します。| データの検索を中止します。"));

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
}

void TDataListKensakuBox::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!m_created) {
        // Reported once the window stands, then closed.
        QTimer::singleShot(0, this, [this] {
            ui::showMessage(
                ui::MsgKind::Error,
                QStringLiteral("%1画面の初期化に失敗しました。\r処理を終了します。").arg(windowTitle()));
            done(2);
        });
        return;
    }
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
    done(2);
}

void TDataListKensakuBox::reject() {
    done(2);
}

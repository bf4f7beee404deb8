#include "datalist/z5DataSyosaiInfo.h"

#include "controls/SafeCall.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "datalist/z5ComDataSentaku.h"
#include "platform/UserInteraction.h"
#include "ui_z5DataSyosaiInfo.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace {

const QString kNone = QStringLiteral("設定なし");

QString dataKindName(qint32 dataKbn, qint32 codeKbn) {
    static const struct {
        qint32 data, code;
        const char16_t* name;
    } kinds[] = {{1, 1, u"法人"},     {2, 1, u"個人(一般)"},       {2, 2, u"個人(不動産)"},
                 {3, 1, u"医療法人"}, {2, 3, u"個人(クリニック)"}, {2, 4, u"個人(農業)"}};
    for (const auto& k : kinds)
        if (k.data == dataKbn && k.code == codeKbn)
            return QString::fromUtf16(k.name);
    return kNone;
}

QString orNone(const QString& text) {
    return text.trimmed().isEmpty() ? kNone : text;
}

QString orNone(qint32 value) {
    return value == 0 ? kNone : QString::number(value);
}

// The list name without half-width and full-width blanks.
QString trimBlanks(const QString& text) {
    qsizetype b = 0, e = text.size();
    const auto blank = [](QChar c) { return c == u' ' || c == QChar(0x3000); };
    while (b < e && blank(text[b]))
        ++b;
    while (e > b && blank(text[e - 1]))
        --e;
    return text.mid(b, e - b);
}

} // namespace

TDataSyosaiInfoBox::TDataSyosaiInfoBox(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TDataSyosaiInfoBox>()) {
    ui->setupUi(this);
    FormCreate();
    SaveFormSize = false;
    KeepOnClose = true;
    HintTarget = ui->HintArea;
    ExecuteButton = ui->btnOK;
    ui->picRestrict->hide();
    ui->lblRestrict->hide();
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    ui->txtListName->installEventFilter(this);
    connect(ui->btnOK, &QPushButton::clicked, this, [this] { guarded([this] { OKClick(); }); });
    connect(ui->btnCancel, &QPushButton::clicked, this, [this] { done(ui::mrCancel); });
    connect(ui->F7, &QPushButton::clicked, this, [this] { guarded([this] { F7Click(); }); });
    SetupDone = true;
}

TDataSyosaiInfoBox::~TDataSyosaiInfoBox() = default;

void TDataSyosaiInfoBox::Setup(int mode) {
    Q_UNUSED(mode);
    Rebuilt = false;
    ImeOpen = false;
    load();
    Shown = false;
}

void TDataSyosaiInfoBox::load() {
    DataInfo = std::make_unique<TDataInfomation>();
    DataInfo->ConnectMode = ConnectMode;
    TDataInfomationRec& rec = DataInfo->Rec;
    DataInfo->InitDataInfoRec(rec);
    const QString dataFile = DataFolder + u'/' + DataFileName;
    if (DM && DM->ServerFExist(dataFile, ConnectMode))
        DataInfo->ReadDataIni(DataFolder, rec);

    const bool hasName = !Row.SHOUGOU.trimmed().isEmpty();
    NameEditable = Editable && rec.STATUS != 0 && rec.STATUS != 3 && hasName;
    if (SharedListMode == 0)
        RebuildAllowed = hasName && ((Row.NETDRIVE == 0 && Row.KYOYULOCK == 0) ||
                                     (Row.NETDRIVE == 1 && Row.KYOYULOCK == 1));
    else
        RebuildAllowed = hasName && rec.SHARE_STATUS == 1;

    ui->lblStatus->setText(DataStatusName(rec.STATUS));
    const QString place = QStringLiteral("[%1のデータ]").arg(AppInfo.Zaimu.AppTitle);
    QString shown = DataFolder;
    // The list passes the folder in upper case: the data root is found without regard to case.
    if (!SystemDef.DataRoot.isEmpty())
        shown.replace(SystemDef.DataRoot, place, Qt::CaseInsensitive);
    ui->txtFolder->setText(shown);
    SetHint(ui->txtFolder, DataFolder + QStringLiteral("|データの場所です。\r\n\r\n") + place +
                               QStringLiteral("は、\"") + SystemDef.DataRoot + QStringLiteral("\"です。"));

    // A status left behind may be cleared by an operator who may use every facility, or by the one who
    // left it; "使用中" never in the client/server modes.
    const bool neverCleared = rec.STATUS == 1 || (ConnectMode != 0 && rec.STATUS == 2);
    ClearOffered = false;
    if (!neverCleared) {
        const qint32 span = SystemDef.GROUPID * 10000;
        const bool sameOperator =
            span != 0 ? rec.OPCODE % span == SystemDef.OPCODE % span : rec.OPCODE == SystemDef.OPCODE;
        ClearOffered = (DM && DM->IsAllSisetuOperator()) || sameOperator;
    }
    if (ClearOffered)
        NameEditable = false;
    ui->chkClear->setVisible(ClearOffered);
    ui->chkClear->setChecked(false);
    ui->chkUpdateLock->setChecked(UpdateLock == 1);
    ui->chkReadOnly->setChecked(ReadOnly == 1);

    // Basic information.
    const bool locked = rec.STATUS == 3;
    ui->lblCode->setText(orNone(rec.CODE));
    ui->lblKubun->setText(dataKindName(rec.DATAKBN, rec.CODEKBN));
    ui->lblShougou->setText(orNone(rec.SHOUGOU));
    ui->lblKana->setText(locked ? QStringLiteral("-") : orNone(rec.KANA));
    ui->txtListName->setText(ListName.isEmpty() ? rec.SHOUGOU : ListName);
    ui->lblNendo->setText(rec.NENDO > 0 ? QStringLiteral("%1期").arg(rec.NENDO) : kNone);
    const TDateTime kishu = rec.KISHU.isEmpty() ? TDateTime() : StrToDateFixed(rec.KISHU);
    const TDateTime kimatu = rec.KIMATU.isEmpty() ? TDateTime() : StrToDateFixed(rec.KIMATU);
    ui->lblKikan->setText(kishu.isNull() || kimatu.isNull() ? kNone : KikanToStr(kishu, kimatu));
    ui->lblTanto->setText(orNone(rec.TANTO));
    QString bumon = kNone;
    if (rec.BUMON == 1)
        bumon = QStringLiteral("損益のみに%1部門設定").arg(rec.BUMONCNT);
    else if (rec.BUMON == 2)
        bumon = QStringLiteral("全科目に%1部門設定").arg(rec.BUMONCNT);
    ui->lblBumon->setText(locked ? QStringLiteral("-") : bumon);
    ui->lblSiten->setText(locked           ? QStringLiteral("-")
                          : rec.SITEN == 1 ? QStringLiteral("%1支店設定").arg(rec.SITENCNT)
                                           : kNone);
    ui->lblSiwake->setText(locked ? QStringLiteral("-件") : QStringLiteral("%1件").arg(rec.SIWAKE));

    // The read-only switch needs data of version 12.0.0 or later.
    const QString version = QStringLiteral("%1.%2.%3").arg(rec.MAJOR).arg(rec.MINOR1).arg(rec.MINOR2);
    const bool readOnlyKnown = IsVersionAtLeast(version, QStringLiteral("12.0.0"));
    ui->chkUpdateLock->setEnabled(NameEditable);
    ui->lblUpdateLock->setEnabled(NameEditable);
    ui->chkReadOnly->setEnabled(NameEditable && readOnlyKnown);
    ui->lblReadOnly->setEnabled(NameEditable && readOnlyKnown);
    ui->txtListName->setReadOnly(!NameEditable);
    ui->txtListName->setFrame(NameEditable);
    ui->txtListName->setFocusPolicy(NameEditable ? Qt::StrongFocus : Qt::NoFocus);
    ui->txtListName->setBackgroundRole(NameEditable ? QPalette::Base : QPalette::Window);
    ui->txtListName->setAutoFillBackground(!NameEditable);
    QPalette pal = ui->txtListName->palette();
    pal.setColor(QPalette::Base, palette().color(NameEditable ? QPalette::Base : QPalette::Window));
    ui->txtListName->setPalette(pal);

    bool okVisible = NameEditable || ClearOffered;
    if (rec.STATUS == 0)
        okVisible = false;
    if (rec.STATUS == 10) {
        okVisible = false;
        ui->chkClear->hide();
    }
    ui->btnOK->setVisible(okVisible);

    SetHint(ui->chkClear,
            QStringLiteral(
                "データ状態を回復します。|「データ処理中にアプリケーションが異常終了した」等でデータが"
                "「使用中」になってしまった場合に、この項目にチェックを入れて［OK］を押すと次回よりデー"
                "タの選択が可能となります。"));
    SetHint(
        ui->chkUpdateLock,
        QStringLiteral("データ更新の許可／禁止を設定します。|この項目にチェックを入れると、「データ選択」画面"
                       "から古いバージョンのデータ（更新が必要なデータ）の選択を不可にします。\r\n※選択不可デ"
                       "ータはグレー表示されます。"));
    SetHint(ui->chkReadOnly,
            QStringLiteral("仕訳入力の許可／禁止を設定します。|この項目にチェックを入れると、"
                           "仕訳の入力、訂正及び削除処理を禁止にします。"));
    const QString tail =
        QStringLiteral("\r\n決算書、試算表、元帳などの社名の印字は「基本設定」の「名称・期間」"
                       "ﾀﾌﾞで変更します。");
    SetHint(
        ui->txtListName,
        NameEditable
            ? QStringLiteral("ﾃﾞｰﾀ選択画面におけるﾃﾞｰﾀの表示名を変更できます。|「データ選択」画面におけるﾃﾞｰﾀ"
                             "の表示名を変更できます。") +
                  tail
            : QStringLiteral("ﾃﾞｰﾀ選択画面におけるﾃﾞｰﾀの表示名です。|「データ選択」画面におけるﾃﾞｰﾀの表示名で"
                             "す。") +
                  tail);
    SetHint(ui->btnOK, QStringLiteral("内容を登録して画面を閉じます。|内容を登録して画面を閉じます。"));
    SetHint(ui->btnCancel, QStringLiteral("画面を閉じます。|画面を閉じます。"));
    SetFunctionKeys();
}

void TDataSyosaiInfoBox::SetFunctionKeys() {
    QPushButton* keys[] = {ui->F1, ui->F2, ui->F3, ui->F4, ui->F5, ui->F6, ui->F7};
    for (int i = 0; i < 7; ++i)
        keys[i]->setText(QStringLiteral("F%1:").arg(i + 1));
    if (RebuildAllowed && !ImeOpen)
        ui->F7->setText(QStringLiteral("F7:再構築"));
}

bool TDataSyosaiInfoBox::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ui->txtListName && e->type() == QEvent::InputMethod) {
        const bool composing = !static_cast<QInputMethodEvent*>(e)->preeditString().isEmpty();
        if (composing != ImeOpen) {
            ImeOpen = composing;
            SetFunctionKeys();
        }
    }
    return TBSDI::eventFilter(watched, e);
}

void TDataSyosaiInfoBox::OKClick() {
    if (trimBlanks(ui->txtListName->text()).isEmpty()) {
        if (ui::showMessage(ui::MsgKind::Confirmation,
                            QStringLiteral("データリスト名が入力されていません。会社名を設定しますか？"),
                            ui::mbOK | ui::mbCancel) == ui::mrOk)
            ui->txtListName->setText(ui->lblShougou->text());
        return;
    }
    ResultListName = ui->txtListName->text();
    StatusCleared = ClearOffered && ui->chkClear->isChecked();
    ResultUpdateLock = ui->chkUpdateLock->isChecked() ? 1 : 0;
    ResultReadOnly = ui->chkReadOnly->isChecked() ? 1 : 0;
    done(ui::mrOk);
}

void TDataSyosaiInfoBox::ShowingChanged(bool Visible) {
    TBSDI::ShowingChanged(Visible);
    if (!Visible || CloseWhenSetupFailed())
        return;
    if (NameEditable && ui->txtListName->isEnabled())
        ui->txtListName->setFocus();
    else
        ui->btnCancel->setFocus();
}

void TDataSyosaiInfoBox::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F7) {
        QPushButton* keys[] = {ui->F1, ui->F2, ui->F3, ui->F4, ui->F5, ui->F6, ui->F7};
        keys[key - Qt::Key_F1]->click();
        return;
    }
    if (key == Qt::Key_F8)
        return;
    TBSDI::keyPressEvent(e);
}

#include "controls/z5InputDlg.h"
#include "controls/ByteLengthValidator.h"
#include "controls/SafeCall.h"
#include "core/uAccDateCmp.h"
#include "core/uAccFunction2.h"
#include "platform/Cp932.h"
#include "ui_z5InputDlg.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

bool isDoubleByte(QChar c) {
    return cp932::charWidth(c) == 2 || c.isSurrogate();
}

bool isAsciiLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

TInputDlgBox::TInputDlgBox(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TInputDlgBox>()) {
    ui->setupUi(this);
    FormCreate();
    HostQuerySkip = false;
    SaveFormSize = false;
    ActivateNotify = false;
    // Closing hides the dialog: its owner reads the answer and frees it.
    KeepOnClose = true;
    HintTarget = ui->HintArea;
    ExecuteButton = ui->btnOK;
    MainColor = fromQColor(palette().color(QPalette::WindowText));

    ui->cmbInput->setEditable(true);
    ui->cmbInput->setKeyStyles(ksEnter | ksUp);
    ui->txtKingaku->setImeMode(TxEdit::imDisable);
    ui->txtKingaku->setAlignment(TPellanEdit::taRightJustify);
    ui->txtKingaku->setEditStyle(esNumericMinus);
    ui->txtKingaku->setKeyStyles(ksEnter | ksUp);
    ui->txtKingaku->setOutputFormat(QStringLiteral("#,##0"));
    ui->txtKingaku->setComma(true);
    ui->txtKingaku->setZero3Key(zkDot);
    for (TPellanExDateEdit* d : {ui->txtHizuke1, ui->txtHizuke2}) {
        d->setEditStyle(desYearMonthDay);
        d->setEditGengo(true);
        d->setYeardigit(yddigit4);
        d->setUseWarekiTable(false);
        d->setCanEmpty(true);
        d->setGengo(rsWareki);
        d->setEnterNext(true);
        d->setDisplayError(true);
        d->setLabelColor(0xE4E4E4);
        d->setLabelYear(QStringLiteral("年"));
        d->setLabelMonth(QStringLiteral("月"));
        d->setLabelDay(QStringLiteral("日"));
        d->setLabelHour(QStringLiteral("時"));
        d->setLabelMinute(QStringLiteral("分"));
        d->setLabelSecond(QStringLiteral("秒"));
        d->setDialogCaption(QStringLiteral("日付時刻入力"));
    }
    // The hint line is for reading only; a disabled panel would grey it out.
    ui->HintArea->setBackgroundVisible(false);
    ui->HintArea->viewport()->setAutoFillBackground(false);
    ui->btnOK->setModalResult(0);
    ui->btnCancel->setModalResult(ui::mrCancel);

    // The value goes on as CP932 text: what that cannot hold is refused as it is typed.
    (new TByteLengthValidator(ui->txtInput, [this] { return MaxLen; }))->setCp932Only(true);
    if (QLineEdit* edit = ui->cmbInput->lineEdit())
        (new TByteLengthValidator(edit, [this] { return MaxLen; }))->setCp932Only(true);
    ui->txtInput->installEventFilter(this);
    connect(ui->btnOK, &TxPlButton::clicked, this, [this] { guarded([this] { btnOKClick(); }); });
    connect(ui->btnFuseji, &QCheckBox::clicked, this, [this] { btnFusejiClick(); });
    SetupDone = true;
}

TInputDlgBox::~TInputDlgBox() = default;

bool TInputDlgBox::isKind(int kind) const {
    const int k = (Kind >= ikText && Kind <= ikDateRange) ? Kind : ikText;
    return k == kind;
}

QWidget* TInputDlgBox::kindInput() const {
    if (isKind(ikList))
        return ui->cmbInput;
    if (isKind(ikAmount))
        return ui->txtKingaku;
    if (isKind(ikDateRange))
        return ui->txtHizuke1;
    return ui->txtInput;
}

void TInputDlgBox::Prepare(bool modal) {
    Modal = modal;
    ApplySettings();
    ForcePlace = false;
}

void TInputDlgBox::ApplySettings() {
    setWindowTitle(CaptionText);
    ui->lblMain->setText(MainText);
    QPalette pal = ui->lblMain->palette();
    pal.setColor(QPalette::WindowText, toQColor(MainColor, palette()));
    ui->lblMain->setPalette(pal);

    QWidget* shown = ui->pnlText;
    if (isKind(ikList)) {
        shown = ui->pnlCombo;
        ui->cmbInput->clear();
        ui->cmbInput->addItems(Items);
        ui->cmbInput->setEditText(Value);
        SetHint(ui->cmbInput, HintText);
        ui->cmbInput->setAttribute(Qt::WA_InputMethodEnabled, InputImeMode != TxEdit::imDisable);
    } else if (isKind(ikAmount)) {
        shown = ui->pnlKingaku;
        ui->txtKingaku->setText(Value);
        SetHint(ui->txtKingaku, HintText);
        ui->txtKingaku->setMaxLength(MaxLen);
        ui->txtKingaku->setImeMode(TxEdit::imDisable);
    } else if (isKind(ikDateRange)) {
        shown = ui->pnlDate;
        const struct {
            TPellanExDateEdit* edit;
            TDateTime min, max, date;
        } dates[] = {{ui->txtHizuke1, MinDate1, MaxDate1, Date1},
                     {ui->txtHizuke2, MinDate2, MaxDate2, Date2}};
        for (const auto& d : dates) {
            d.edit->setEditGengo(true);
            d.edit->setGengo(rsWareki);
            d.edit->setMinDate(d.min);
            d.edit->setMaxDate(d.max);
            d.edit->setDateTime(d.date);
            SetHint(d.edit, HintText);
        }
    } else {
        ui->txtInput->setText(Value);
        SetHint(ui->txtInput, HintText);
        ui->txtInput->setImeMode(InputImeMode);
        ui->txtInput->setEchoMode(QLineEdit::Normal);
        ui->btnFuseji->setVisible(false);
        if (isKind(ikPassword)) {
            Required = true;
            ui->btnFuseji->setVisible(true);
            btnFusejiClick();
        }
    }
    const QPoint place = DesignGeometry(ui->pnlText).topLeft();
    for (QWidget* panel : {ui->pnlText, ui->pnlCombo, ui->pnlKingaku, ui->pnlDate}) {
        SetDesignGeometry(panel, QRect(place, DesignGeometry(panel).size()));
        panel->setVisible(panel == shown);
    }
    SetCharFilter(CharFilter);
    SetHint(ui->btnFuseji, QStringLiteral("パスワードを伏字にせず入力します。|"
                                          "チェックを入れるとパスワードを伏字にしないで入力が行えます。"));
    SetHint(ui->btnOK, QStringLiteral("内容を確定します。|内容を確定します。"));
    SetHint(ui->btnCancel, QStringLiteral("画面を閉じます。|画面を閉じます。"));
}

void TInputDlgBox::SetCharFilter(int filter) {
    CharFilter = filter;
}

bool TInputDlgBox::FilterAccepts(int filter, QChar c) {
    if (c == u'\r' || c == u'\n' || c == u'\b')
        return true;
    switch (filter) {
    case cfNumber:
        return c == u'-' || c == u'.' || isAsciiDigit(c);
    case cfAlpha:
        return isAsciiLetter(c);
    case cfAlphaNumeric:
        return isAsciiLetter(c) || isAsciiDigit(c);
    case cfFileName:
        return !QStringLiteral("\"*,/:;<>?\\|").contains(c);
    default:
        return true;
    }
}

bool TInputDlgBox::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ui->txtInput && CharFilter != cfNone && !m_filtering) {
        if (e->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(e);
            const QString text = key->text();
            const bool control = text.isEmpty() || (text.size() == 1 && text.at(0).unicode() < 0x20) ||
                                 (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
            if (!control)
                for (QChar c : text)
                    if (!FilterAccepts(CharFilter, c) || (CharFilter != cfFileName && isDoubleByte(c)))
                        return true;
        } else if (e->type() == QEvent::InputMethod) {
            auto* im = static_cast<QInputMethodEvent*>(e);
            QString kept;
            for (QChar c : im->commitString())
                if (FilterAccepts(CharFilter, c) && (CharFilter == cfFileName || !isDoubleByte(c)))
                    kept += c;
            if (kept != im->commitString()) {
                QInputMethodEvent filtered(im->preeditString(), im->attributes());
                filtered.setCommitString(kept, im->replacementStart(), im->replacementLength());
                m_filtering = true;
                QCoreApplication::sendEvent(ui->txtInput, &filtered);
                m_filtering = false;
                return true;
            }
        }
    }
    return TBSDI::eventFilter(watched, e);
}

void TInputDlgBox::btnFusejiClick() {
    ui->txtInput->setEchoMode(ui->btnFuseji->isChecked() ? QLineEdit::Normal : QLineEdit::Password);
}

void TInputDlgBox::btnOKClick() {
    setResult(0);
    const auto refuse = [this](const QString& message, QWidget* focus) {
        ui::showMessage(ui::MsgKind::Information, message, ui::mbOK);
        focus->setFocus();
    };
    if (isKind(ikList)) {
        if (Required && TrimZenkaku(ui->cmbInput->currentText()).isEmpty())
            return refuse(QStringLiteral("入力または選択してから[OK]ボタンを押して下さい。"), ui->cmbInput);
        Value = ui->cmbInput->currentText();
    } else if (isKind(ikAmount)) {
        if (TrimZenkaku(ui->txtKingaku->text()).isEmpty())
            ui->txtKingaku->setText(QStringLiteral("0"));
        Value = ui->txtKingaku->text();
    } else if (isKind(ikDateRange)) {
        // A date the edit refuses has been reported there; the dialog stays open.
        for (TPellanExDateEdit* d : {ui->txtHizuke1, ui->txtHizuke2})
            if (!d->Validate())
                return;
        Date1 = ui->txtHizuke1->DateTime();
        Date2 = ui->txtHizuke2->DateTime();
    } else {
        if (Required && TrimZenkaku(ui->txtInput->text()).isEmpty())
            return refuse(QStringLiteral("入力してから[OK]ボタンを押して下さい。"), ui->txtInput);
        Value = ui->txtInput->text();
    }
    done(ui::mrOk);
}

void TInputDlgBox::ShowingChanged(bool Visible) {
    TBSDI::ShowingChanged(Visible);
    if (!Visible)
        return;
    if (CloseWhenSetupFailed())
        return;
    update();
    if (QWidget* input = kindInput())
        input->setFocus();
}

#include "controls/z5MessageDlg2.h"
#include "controls/SafeCall.h"
#include "controls/xCheckBox.h"
#include "ui_z5MessageDlg2.h"
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextLayout>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace {

const char16_t* const kButtonCaptions[11] = {
    u"はい(&Y)", u"いいえ(&N)", u"OK(&O)",       u"ｷｬﾝｾﾙ(&C)",  u"中断(&A)",   u"再試行(&R)",
    u"無視(&I)", u"すべて(&A)", u"すべていいえ", u"すべてはい", u"ヘルプ(&H)",
};

struct CannedLine {
    bool red;
    const char16_t* text;
};
struct CannedMessage {
    qint32 number;
    quint8 kind;
    quint16 buttons;
    const char16_t* caption;
    std::initializer_list<CannedLine> lines;
};

// Messages that callers show by number.
const CannedMessage kCanned[] = {
    {0x1010,
     3,
     ui::mbOK | ui::mbCancel,
     u"確認",
     {{false, u"このデータはお使いのプログラムより新しいプログラムでデータ更新が行われています。"},
      {false, u"データを使用するにはプログラムのバージョンアップが必要となります。"},
      {false, u"続行してもよろしいですか？"},
      {false, u"（ウィルス対策ソフトをご利用中の場合は、該当ソフトを終了してください。）"}}},
    {0x1011,
     2,
     ui::mbOK,
     u"情報",
     {{false, u"このデータは「データの更新」処理を行うことが禁止されています。"},
      {false,
       u"データを選択したい場合は、「データ選択」画面の[情報]ボタンを押し「データの詳細情報」画面を開き"},
      {false, u"[データの更新: 禁止する]項目のチェックを外してください。"},
      {false, u"または、過去バージョンのプログラムを起動し選択してください。"}}},
    {0x1012,
     2,
     ui::mbOK,
     u"情報",
     {{false, u"このデータは「仕訳の入力」が禁止されています。"},
      {false, u"仕訳を入力するには、「データ選択」画面の[情報]ボタンを押し「データの詳細情報」画面を開き"},
      {false, u"[仕訳の入力: 禁止する]項目のチェックを外してください。"}}},
    {0x1020,
     2,
     ui::mbOK,
     u"情報",
     {{false,
       u"このデータは現金出納帳システムと通信しています。マスター情報の変更は、事前に現金出納帳システムから"},
      {false,
       u"送られた最新のデータを受信し、現金出納帳システム側の処理をストップさせてから行ってください。"},
      {false, u"マスター情報の変更後には必ず「現金出納帳マスター送信」を実行してください。"}}},
    {0x1030,
     3,
     ui::mbOK,
     u"エラー",
     {{false, u"データ使用後検証の結果、このデータは破損している恐れがあります。"},
      {false, u"データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。"},
      {false, u"ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。"}}},
    {0x2014,
     2,
     ui::mbOK,
     u"情報",
     {{false, u"過年度明細の取り込みが行われていません。"},
      {false, u"このデータに対して過年度明細を取り込むには以下の方法があります。"},
      {false, u"１）「過年度残高登録」の[仕訳取込]より過年度明細を取り込みます。"},
      {false, u"２）「繰越残高調整」で過年度明細を繰り越します。（前期のみ）"}}},
    {0x10001010,
     2,
     ui::mbOK,
     u"情報",
     {{false, u"振替形式で作成された仕訳のため、訂正・削除を行うことはできません。"}}},
    {0x10001011,
     2,
     ui::mbOK,
     u"情報",
     {{false, u"この仕訳は他処理で作成された自動仕訳のため、自科目訂正を行うことはできません。"}}},
    {0x10001012,
     2,
     ui::mbOK,
     u"情報",
     {{false, u"振替形式で作成された仕訳が含まれているため、訂正・削除を行うことはできません。"}}},
    {0x10002010,
     3,
     ui::mbOK | ui::mbCancel,
     u"確認",
     {{false, u"会計データと連動する項目を「上書き入力」に切り替えます。"}, {false, u"よろしいですか？"}}},
    {0x10002011,
     3,
     ui::mbOK | ui::mbCancel,
     u"確認",
     {{false, u"会計データと連動する項目を「自動取得」に切り替えます。"},
      {false, u"よろしいですか？"},
      {true, u"注意）上書き入力した項目は、会計データの集計値により書き換えられます。"}}},
    {0x10003010,
     3,
     ui::mbOK | ui::mbCancel,
     u"内訳書の削除",
     {{false, u"選択行の内訳を削除します、よろしいですか？"},
      {true, u"注意）削除を行うと、内訳に記述してある名称などの情報は科目情報を取り込んでも記述されません。"},
      {true,
       u"一時的に内訳書より削除したい場合は、残高を0円に訂正して印刷方法の[0円の明細を省略する]にチェックを"},
      {true, u"入れてください。"}}},
    {0x10003011,
     3,
     ui::mbOK | ui::mbCancel,
     u"内訳書の削除",
     {{false, u"選択行の内訳を削除します、よろしいですか？"},
      {true,
       u"注意）削除を行うと、内訳に記述してある金融機関名などの情報は科目情報を取り込んでも記述されません。"},
      {true,
       u"一時的に内訳書より削除したい場合は、残高を0円に訂正して印刷方法の[0円の明細を省略する]にチェックを"},
      {true, u"入れてください。"}}},
    {0x10003012,
     3,
     ui::mbOK | ui::mbCancel,
     u"内訳書の削除",
     {{false, u"選択行の内訳を削除します、よろしいですか？"},
      {true,
       u"注意）削除を行うと、内訳に記述してある借入先などの情報は科目情報を取り込んでも記述されません。"},
      {true,
       u"一時的に内訳書より削除したい場合は、残高を0円に訂正して印刷方法の[0円の明細を省略する]にチェックを"},
      {true, u"入れてください。"}}},
    {0x10004010,
     2,
     ui::mbOK,
     u"情報",
     {{false, u"「基本設定」の「消費税＞一括税抜処理区分」に[処理する]が選択されているため、消費税処理区分を["
              u"税込]へは変更出来ません。"}}},
};

constexpr TColor kRed = 0x0000FF;
constexpr TColor kLinkBlue = 0xFF0000;
constexpr TColor kVisitedPurple = 0x800080;

// Layout of the form at 96 pixels per inch.
constexpr int kLineLeft = 80, kLineTop = 24, kLinePitch = 24, kClientHeight = 265, kAgreeHeight = 32,
              kBottomHeight = 38, kMinTextRight = 500, kRightMargin = 30, kButtonGap = 10, kIconBox = 41;

QString toLayoutText(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    t.replace(QLatin1Char('\r'), QChar::LineSeparator);
    t.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return t;
}

// Lays the text out at the width, breaking inside words where a word alone is too wide; returns the
// height.
int layoutText(QTextLayout& layout, int width) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return int(std::ceil(y));
}

void setTextColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

} // namespace

void InitMessage2Info(quint8 Kind, TMessage2InfoRec& Info) {
    Info.Id = 0;
    Info.Kind = 4;
    Info.Buttons = ui::mbOK;
    Info.Caption.clear();
    switch (Kind) {
    case 0:
    case 1:
    case 2:
        Info.Kind = Kind;
        Info.Caption = ui::kindCaption(ui::MsgKind(Kind));
        break;
    case 3:
        Info.Kind = 3;
        Info.Buttons = ui::mbOK | ui::mbCancel;
        Info.Caption = ui::kindCaption(ui::MsgKind::Confirmation);
        break;
    default:
        break;
    }
    Info.Lines.fill(TMessage2CaptionRec());
    Info.AgreeMode = 0;
    Info.AgreeCaption.clear();
    Info.Agreed = 0;
}

QWidget* activeDialogOwner() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

int ShowMessageBox2(TMessage2InfoRec& Info, int focusButton) {
    TMessageBox2 dialog(activeDialogOwner());
    dialog.ApplyInfo(Info);
    dialog.setFocusButton(focusButton);
    dialog.Prepare(true);
    const int result = dialog.exec();
    Info.Agreed = dialog.GetAgreed() ? 1 : 0;
    return result;
}

int ShowCannedMessage(qint32 number) {
    for (const CannedMessage& c : kCanned) {
        if (c.number != number)
            continue;
        QStringList lines;
        for (const CannedLine& line : c.lines)
            lines << QString::fromUtf16(line.text);
        return ui::showMessage(ui::MsgKind(qMin<int>(c.kind, 3)), lines.join(u'\r'), c.buttons,
                               QString::fromUtf16(c.caption));
    }
    return ui::mrNone;
}

int TMessageLine::naturalWidth() const {
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& line : toLayoutText(text()).split(QChar::LineSeparator))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

int TMessageLine::heightForWidth(int width) const {
    const int one = QFontMetrics(font()).height();
    if (text().isEmpty())
        return one;
    QTextLayout layout(toLayoutText(text()), font());
    return std::max(one, layoutText(layout, width));
}

void TMessageLine::paintEvent(QPaintEvent*) {
    if (text().isEmpty())
        return;
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    QTextLayout layout(toLayoutText(text()), font());
    layoutText(layout, width());
    layout.draw(&p, QPointF(0, 0));
}

void TMessageLine::mousePressEvent(QMouseEvent* e) {
    QLabel::mousePressEvent(e);
    if (e->button() == Qt::LeftButton)
        Q_EMIT clicked();
}

TMessageBox2::TMessageBox2(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::TMessageBox2>()) {
    ui->setupUi(this);
    // The system's message-box font, as the platform theme gives it.
    setFont(QApplication::font("QMessageBox"));
    const int dpi = logicalDpiY();
    if (dpi != 96) {
        for (QWidget* w : findChildren<QWidget*>()) {
            const QRect g = w->geometry();
            w->setGeometry(g.x() * dpi / 96, g.y() * dpi / 96, g.width() * dpi / 96, g.height() * dpi / 96);
        }
    }
    m_labels = {ui->Label1, ui->Label2, ui->Label3, ui->Label4, ui->Label5,
                ui->Label6, ui->Label7, ui->Label8, ui->Label9, ui->Label10};
    for (int i = 0; i < 10; ++i) {
        m_labels[i]->setProperty("tag", i);
        connect(m_labels[i], &TMessageLine::clicked, this, &TMessageBox2::LinkLabelClick);
    }
    m_buttons = {ui->btnButton1, ui->btnButton2, ui->btnButton3};
    m_buttonResults = {ui::mrYes, ui::mrCancel, ui::mrCancel};
    for (QPushButton* b : m_buttons)
        connect(b, &QPushButton::clicked, this, &TMessageBox2::btnButton1Click);
    connect(ui->btnAgree, &QCheckBox::toggled, this, &TMessageBox2::btnAgreeClick);
}

TMessageBox2::~TMessageBox2() = default;

int TMessageBox2::scaled(int value) const {
    return value * logicalDpiY() / 96;
}

void TMessageBox2::SetCannedMessage(qint32 Number) {
    m_cannedNumber = Number;
    if (Number == 0)
        return;
    InitMessage2Info(2, m_info);
    m_info.Id = Number;
    for (const CannedMessage& c : kCanned) {
        if (c.number != Number)
            continue;
        m_info.Kind = c.kind;
        m_info.Buttons = c.buttons;
        m_info.Caption = QString::fromUtf16(c.caption);
        int i = 0;
        for (const CannedLine& line : c.lines) {
            m_info.Lines[i].Text = QString::fromUtf16(line.text);
            m_info.Lines[i].Color = line.red ? kRed : 0;
            ++i;
        }
        break;
    }
}

void TMessageBox2::ApplyInfo(const TMessage2InfoRec& Info) {
    m_info = Info;
    SetCannedMessage(Info.Id);

    for (TMessageLine* label : m_labels) {
        label->clear();
        label->unsetCursor();
        setTextColour(label, palette().color(QPalette::WindowText));
        label->setFont(font());
    }

    setWindowTitle(m_info.Caption);
    const int box = scaled(kIconBox);
    ui->Image1->resize(box, box);
    QPixmap icon;
    const QStyle::StandardPixmap icons[] = {QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxCritical,
                                            QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxQuestion};
    if (m_info.Kind < 4)
        icon = style()->standardIcon(icons[m_info.Kind], nullptr, this).pixmap(scaled(32));
    ui->Image1->setPixmap(icon);

    int usedLast = 0;
    for (int i = 0; i < 10; ++i) {
        const TMessage2CaptionRec& line = m_info.Lines[i];
        TMessageLine* label = m_labels[i];
        label->setText(line.Text);
        setTextColour(label, toQColor(line.Color, palette()));
        if (!line.Text.isEmpty())
            usedLast = i + 1;
        if (!line.Link.isEmpty()) {
            label->setCursor(Qt::PointingHandCursor);
            setTextColour(label, toQColor(kLinkBlue));
            QFont f = label->font();
            f.setUnderline(true);
            label->setFont(f);
        }
    }
    layoutLines(usedLast);

    int shown = 0;
    for (QPushButton* b : m_buttons) {
        b->hide();
        b->setEnabled(true);
    }
    for (int bit = 0; bit < 11 && shown < 3; ++bit) {
        const auto kind = ui::Button(1u << bit);
        if (!(m_info.Buttons & kind))
            continue;
        m_buttons[shown]->setText(QString::fromUtf16(kButtonCaptions[bit]));
        m_buttonResults[shown] = ui::resultOfButton(kind);
        m_buttons[shown]->show();
        ++shown;
    }
    const int gap = scaled(kButtonGap), half = m_clientWidth / 2;
    QPushButton *b1 = m_buttons[0], *b2 = m_buttons[1], *b3 = m_buttons[2];
    if (shown == 1) {
        b1->move((m_clientWidth - b1->width()) / 2, b1->y());
    } else if (shown == 2) {
        b1->move(half - gap - b1->width(), b1->y());
        b2->move(gap + half, b2->y());
    } else if (shown == 3) {
        b2->move((m_clientWidth - b2->width()) / 2, b2->y());
        b1->move(b2->x() - gap - b1->width(), b1->y());
        b3->move(b2->x() + b2->width() + gap, b3->y());
    }

    m_agreeMode = m_info.AgreeMode;
    m_agreeCaption = m_info.AgreeCaption;
    m_agreed = m_info.Agreed;
    placePanels();
}

// Every line gets the dialog's text width and wraps within it; a wrapped line pushes the lines below
// it down. The text area ends one empty line below the last line in use, so no line is cut off.
void TMessageBox2::layoutLines(int usedLast) {
    const int left = scaled(kLineLeft), pitch = scaled(kLinePitch), margin = scaled(kRightMargin);
    const int lineHeight = QFontMetrics(font()).height();
    int right = scaled(kMinTextRight);
    for (TMessageLine* label : m_labels)
        right = std::max(right, left + label->naturalWidth());
    // Lines wider than the screen allows wrap instead of widening the dialog beyond it.
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const int screenRight = s ? s->availableGeometry().width() - scaled(16) - margin : right;
    right = std::min(right, std::max(scaled(kMinTextRight), screenRight));
    const int width = right - left;

    std::array<int, 13> top{};
    std::array<int, 13> height{};
    top[1] = scaled(kLineTop);
    for (int i = 1; i <= 12; ++i) {
        height[i] = i <= 10 ? m_labels[i - 1]->heightForWidth(width) : lineHeight;
        if (i < 12)
            top[i + 1] = top[i] + pitch + std::max(0, height[i] - lineHeight);
    }
    for (int i = 1; i <= 10; ++i)
        m_labels[i - 1]->setGeometry(left, top[i], width, height[i]);

    if (usedLast < 2)
        m_textHeight = top[3];
    else if (usedLast <= 8)
        m_textHeight = top[usedLast + 2];
    else
        m_textHeight = std::max(scaled(kClientHeight), top[usedLast] + height[usedLast] + pitch - lineHeight);
    m_clientWidth = right + margin;
}

void TMessageBox2::placePanels() {
    const bool agree = !ui->pnlAgree->isHidden();
    const int agreeHeight = agree ? scaled(kAgreeHeight) : 0;
    ui->pnlClient->setGeometry(0, 0, m_clientWidth, m_textHeight);
    ui->pnlAgree->setGeometry(0, m_textHeight, m_clientWidth, scaled(kAgreeHeight));
    ui->pnlBottom->setGeometry(0, m_textHeight + agreeHeight, m_clientWidth, scaled(kBottomHeight));
    setFixedSize(m_clientWidth, m_textHeight + agreeHeight + scaled(kBottomHeight));
    if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void TMessageBox2::Prepare(bool) {
    Rebuild();
}

void TMessageBox2::Rebuild() {
    SetCannedMessage(m_cannedNumber);
    const TMessage2InfoRec record = m_info;
    ApplyInfo(record);
    ui->pnlAgree->hide();
    if (m_agreeCaption.trimmed().isEmpty())
        m_agreeMode = 0;
    if (m_agreeMode != 0) {
        ui->pnlAgree->show();
        ui->btnAgree->setText(m_agreeCaption);
        QSignalBlocker block(ui->btnAgree);
        ui->btnAgree->setChecked(m_agreed != 0);
        if (m_agreeMode == 1)
            ui->btnButton1->setEnabled(ui->btnAgree->isChecked());
    }
    placePanels();
    setResult(0);
}

bool TMessageBox2::GetAgreed() {
    m_agreed = ui->btnAgree->isChecked() ? 1 : 0;
    return m_agreed != 0;
}

void TMessageBox2::reject() {
    done(ui::mrCancel);
}

void TMessageBox2::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (m_agreeMode == 1) {
        ui->btnAgree->setFocus();
        return;
    }
    QPushButton* b = m_buttons[std::clamp(m_focusButton, 0, 2)];
    if (b->isHidden() || !b->isEnabled())
        b = ui->btnButton1;
    if (!b->isHidden() && b->isEnabled())
        b->setFocus();
}

void TMessageBox2::keyPressEvent(QKeyEvent* e) {
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const bool keypad3 = e->key() == Qt::Key_3 && (e->modifiers() & Qt::KeypadModifier);
    if (ctrl && (e->key() == Qt::Key_C || keypad3)) {
        guarded([this] { QGuiApplication::clipboard()->setText(clipboardText()); });
        e->accept();
        return;
    }
    // As in the dialogs of the original platform, a button's letter presses it without Alt; the first
    // shown button with that letter wins.
    const bool plain = !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && e->key() >= Qt::Key_0 && e->key() <= Qt::Key_Z) {
        for (QPushButton* b : m_buttons) {
            if (b->isHidden() || !b->isEnabled())
                continue;
            const QKeySequence letter = QKeySequence::mnemonic(b->text());
            if (!letter.isEmpty() && letter[0].key() == Qt::Key(e->key())) {
                e->accept();
                b->click();
                return;
            }
        }
    }
    QDialog::keyPressEvent(e);
}

QString TMessageBox2::clipboardText() const {
    const QString rule(27, QLatin1Char('-'));
    const QString crlf = QStringLiteral("\r\n");
    QString text = rule + crlf + windowTitle() + crlf + rule + crlf;
    for (const TMessageLine* label : m_labels)
        text += label->text() + crlf;
    return text;
}

void TMessageBox2::btnButton1Click() {
    guarded([this] {
        const auto it = std::find(m_buttons.begin(), m_buttons.end(), sender());
        if (it == m_buttons.end())
            return;
        const int result = m_buttonResults[size_t(it - m_buttons.begin())];
        if (result != ui::mrNone)
            done(result);
    });
}

void TMessageBox2::btnAgreeClick() {
    if (m_agreeMode == 1)
        ui->btnButton1->setEnabled(ui->btnAgree->isChecked());
}

void TMessageBox2::LinkLabelClick() {
    guarded([this] {
        auto* label = qobject_cast<TMessageLine*>(sender());
        if (!label)
            return;
        const QString link = m_info.Lines[size_t(label->property("tag").toInt())].Link;
        if (link.isEmpty())
            return;
        QDesktopServices::openUrl(QUrl::fromUserInput(link));
        setTextColour(label, toQColor(kVisitedPurple));
    });
}

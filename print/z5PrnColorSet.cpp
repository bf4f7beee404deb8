#include "print/z5PrnColorSet.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "ui_z5PrnColorSet.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 250;
const QString kPalletStyle = QStringLiteral("Pallet_CustomColor");

QString colorSheet(qint32 c) {
    const quint32 v = static_cast<quint32>(c);
    return QStringLiteral("background-color: rgb(%1,%2,%3); border: 1px solid gray;")
        .arg(v & 0xFF)
        .arg((v >> 8) & 0xFF)
        .arg((v >> 16) & 0xFF);
}

} // namespace

TPrnColorSetBox::TPrnColorSetBox(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TPrnColorSetBox>()) {
    ui->setupUi(this);
    pnlColor[0] = ui->pnlLineColor1;
    pnlColor[1] = ui->pnlLineColor2;
    pnlColor[2] = ui->pnlNetColor1;
    pnlColor[3] = ui->pnlNetColor2;
    btnColor[0] = ui->btnLineColor1;
    btnColor[1] = ui->btnLineColor2;
    btnColor[2] = ui->btnNetColor1;
    btnColor[3] = ui->btnNetColor2;
    for (QPushButton* b : btnColor)
        connect(b, &QPushButton::clicked, this,
                [this, b] { btnLineColor1Click(b->property("tag").toInt()); });
    lblKankyoColor = ui->lblKankyoColor;
    lblKankyoColor->installEventFilter(this);
    btnOK = ui->btnOK;
    btnCancel = ui->btnCancel;
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(ui::mrCancel); });

    FormCreate();
    SetDesignClientSize(kWidth, kHeight);
    ExecuteButton = btnOK;
    PerReport = 0;
    setLineColor1(SystemDef.PLineColor1);
    setLineColor2(SystemDef.PLineColor2);
    setNetColor1(SystemDef.NetColor1);
    setNetColor2(SystemDef.NetColor2);
    SetupDone = true;
}

TPrnColorSetBox::~TPrnColorSetBox() = default;

void TPrnColorSetBox::setColor(int index, qint32 c) {
    m_colors[index] = c;
    paintPanel(index, c);
}

void TPrnColorSetBox::paintPanel(int index, qint32 c) {
    m_panel[index] = c;
    pnlColor[index]->setStyleSheet(colorSheet(c));
}

qint32 TPrnColorSetBox::panelColor(int index) const {
    return m_panel[index];
}

QString TPrnColorSetBox::CustomColorText(const std::vector<quint32>& colors) {
    QString text;
    for (size_t i = 0; i < 16; ++i) {
        const quint32 c = i < colors.size() ? colors[i] : 0xFFFFFFu;
        text += QStringLiteral("Color%1=%2\r")
                    .arg(QChar(u'A' + static_cast<char16_t>(i)), QString::asprintf("%06X", c & 0xFFFFFFu));
    }
    return text;
}

std::vector<quint32> TPrnColorSetBox::ParseCustomColorText(const QString& text) {
    std::vector<quint32> colors(16, 0xFFFFFF);
    for (const QString& line :
         text.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq != 6 || !line.startsWith(QLatin1String("Color")))
            continue;
        const int index = line.at(5).unicode() - u'A';
        bool ok = false;
        const quint32 v = line.mid(eq + 1).trimmed().toUInt(&ok, 16);
        if (index >= 0 && index < 16 && ok)
            colors[static_cast<size_t>(index)] = v & 0xFFFFFF;
    }
    return colors;
}

void TPrnColorSetBox::Setup(int Flag) {
    SetupFlag = Flag;
    for (int i = 0; i < 4; ++i)
        paintPanel(i, m_colors[i]);
    QFont f = lblKankyoColor->font();
    f.setUnderline(true);
    lblKankyoColor->setFont(f);
    lblKankyoColor->setStyleSheet(QStringLiteral("color: #0000FF;"));
    lblKankyoColor->setVisible(PerReport == 1);
    QString text;
    if (DM && DM->IBDatabaseDEF.isConnected())
        DM->GetStyleColorText(SystemDef.OPCODE, kPalletStyle, text);
    CustomColors = ParseCustomColorText(text);
    ForcePlace = false;
}

void TPrnColorSetBox::btnLineColor1Click(int Tag) {
    if (Tag < 0 || Tag > 3)
        return;
    ui::ColorRequest request;
    request.color = static_cast<quint32>(panelColor(Tag));
    request.customColors = CustomColors;
    const std::optional<quint32> chosen = ui::current().pickColor(request);
    CustomColors = request.customColors;
    if (chosen)
        paintPanel(Tag, static_cast<qint32>(*chosen & 0xFFFFFF));
}

void TPrnColorSetBox::lblKankyoColorClick() {
    if (ui::showMessage(ui::MsgKind::Confirmation,
                        QStringLiteral("帳票の色を環境設定の色に戻します。\r\nよろしいですか？"),
                        ui::mbYes | ui::mbNo) != ui::mrYes)
        return;
    lblKankyoColor->setStyleSheet(QStringLiteral("color: #800080;"));
    setLineColor1(SystemDef.PLineColor1);
    setLineColor2(SystemDef.PLineColor2);
    setNetColor1(SystemDef.NetColor1);
    setNetColor2(SystemDef.NetColor2);
}

void TPrnColorSetBox::btnOKClick() {
    for (int i = 0; i < 4; ++i)
        m_colors[i] = m_panel[i];
    if (PerReport != 1) {
        SystemDef.PLineColor1 = m_colors[0];
        SystemDef.PLineColor2 = m_colors[1];
        SystemDef.NetColor1 = m_colors[2];
        SystemDef.NetColor2 = m_colors[3];
        if (DM && DM->IBDatabaseDEF.isConnected())
            DM->fnPutSysDef();
    }
    done(ui::mrOk);
}

bool TPrnColorSetBox::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lblKankyoColor && e->type() == QEvent::MouseButtonRelease) {
        lblKankyoColorClick();
        return true;
    }
    return TBSDI::eventFilter(watched, e);
}

void TPrnColorSetBox::FormShow() {
    TBSDI::FormShow();
    if (!SetupDone) {
        ui::showMessage(
            ui::MsgKind::Error,
            QStringLiteral("%1画面の初期化に失敗しました。\r処理を終了します。").arg(windowTitle()),
            ui::mbYes);
        QTimer::singleShot(0, this, [this] { done(ui::mrCancel); });
    }
}

void TPrnColorSetBox::FormActivate() {
    TBSDI::FormActivate();
    if (isVisible())
        btnOK->setFocus();
}

void TPrnColorSetBox::FormClose(TCloseAction& Action) {
    TBSDI::FormClose(Action);
    Action = caHide;
    if (DM && DM->IBDatabaseDEF.isConnected())
        DM->PutStyleColorText(SystemDef.OPCODE, kPalletStyle, CustomColorText(CustomColors));
}

#include "controls/SDI.h"
#include "controls/PellanExDateEdit.h"
#include "controls/SafeCall.h"
#include "controls/xKikanPanel12.h"
#include "controls/xKikanPanel16.h"
#include "controls/xKikanPanel4.h"
#include "controls/xPlButton.h"
#include "core/DataModule.h"
#include "core/uAccDateCmp.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "ui_SDI.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <cmath>
#include <optional>

std::function<void(bool, qint32)> FormActivateProc;

namespace {

QPointer<QWidget> g_mainForm;
int g_screenPpi = 0;

constexpr int kDefaultTop = 0;
constexpr int kDefaultLeft = 0;
constexpr int kDefaultHeight = 648;
constexpr int kDefaultWidth = 1012;

// Point size of a font, also for one given in pixels (at 96 dots per inch).
qreal fontSize(const QFont& font) {
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    return font.pixelSize() > 0 ? font.pixelSize() * 72.0 / 96.0 : 0;
}

void setWidgetText(QWidget* target, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(target))
        label->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(target))
        edit->setText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(target))
        plain->setPlainText(text);
    else if (auto* rich = qobject_cast<QTextEdit*>(target))
        rich->setPlainText(text);
}

// Widgets that only hold other widgets of the form; any other widget's children are its own business.
bool isContainer(const QWidget* w) {
    const QMetaObject* m = w->metaObject();
    return m == &QWidget::staticMetaObject || m == &QFrame::staticMetaObject ||
           m == &QGroupBox::staticMetaObject || m == &QStackedWidget::staticMetaObject ||
           m == &QTabWidget::staticMetaObject;
}

bool placedByLayout(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(const_cast<QWidget*>(w)) >= 0;
}

int scaleInt(int value, int ppi) {
    return int(qint64(value) * ppi / 96);
}

} // namespace

QWidget* MainForm() {
    return g_mainForm;
}

void SetMainForm(QWidget* form) {
    g_mainForm = form;
}

int ScreenPixelsPerInch() {
    if (g_screenPpi > 0)
        return g_screenPpi;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

void SetScreenPixelsPerInch(int ppi) {
    g_screenPpi = ppi;
}

// ---- creation --------------------------------------------------------------------------------------

TBSDI::TBSDI(QWidget* parent, TFormBorderStyle borderStyle) : QDialog(parent), m_borderStyle(borderStyle) {
    Ui::TBSDI base;
    base.setupUi(this);
    // The derived form's resource names the form.
    setObjectName(QString());
    applyBorderStyle();
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
}

TBSDI::~TBSDI() {
    qApp->removeEventFilter(this);
    FreeLayout();
    // A transaction must not outlive its database: when the database module went first, the handle
    // is abandoned with it.
    if (m_transaction && !m_transactionDm)
        (void)m_transaction.release();
}

void TBSDI::applyBorderStyle() {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (m_borderStyle == bsSizeable)
        flags |= Qt::WindowMinMaxButtonsHint;
    setWindowFlags(flags);
    setSizeGripEnabled(false);
}

void TBSDI::FormCreate() {
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("BSDI"));
    FormatSettings.ShortDateFormat = QStringLiteral("yyyy/MM/dd");
    FormatSettings.DateSeparator = u'/';
    const bool notDialog = !isDialogStyle();
    ProcHistory = HostQuerySkip = SaveFormSize = RefreshAccInfo = ActivateNotify = notDialog;
    ActivateArg = 0;
    SetupDone = Shown = false;
    ForcePlace = true;
    HintTarget = nullptr;
    KeepOnClose = false;
    FormFont = std::make_unique<QFont>(SystemDef.DisplayFont ? *SystemDef.DisplayFont : font());
    ScreenValues = std::make_unique<TGamenKeyValue>();
    ScreenValueText.clear();
    MsgInfo = TMessage2InfoRec{};
    ExecuteButton = nullptr;
    Deactivated = false;
    Splitter = std::make_unique<TMojiBunkatu>();
    Splitter->Separator = u',';
    recordDesign();
    // The form itself is the sender of its creation: it records itself as its owner window.
    ParentWnd = this;
    ParentCaption = windowTitle();
    SetupPeriodControls();
}

void TBSDI::SetParentWindow(QWidget* Wnd) {
    ParentWnd = Wnd;
    if (!Wnd)
        return;
    QWidget* owner = Wnd->window();
    ParentCaption = owner->windowTitle();
    // A window cannot own itself; another window becomes the owner, which keeps the form above it.
    if (owner != this && parentWidget() != owner && !isVisible())
        setParent(owner, windowFlags());
}

void TBSDI::SetupPeriodControls() {
    const auto setup = [](TxKikanPanelBase* panel) {
        panel->SetKikan(AccInf.SIME, AccInf.KISHU, AccInf.KIMATU, AccInf.KAISI);
    };
    if (auto* p16 = findChild<TxKikanPanel16*>(QStringLiteral("KikanPanel16"))) {
        setup(p16);
        const int k = AccInf.KAISINO;
        const int slot = (k >= 1 && k <= 12) ? (k - 1) / 3 * 4 + (k - 1) % 3 : 0;
        p16->setStno(slot);
        p16->setEdno(p16->KikanMove() ? 15 : slot);
    }
    if (auto* p12 = findChild<TxKikanPanel12*>(QStringLiteral("KikanPanel12"))) {
        setup(p12);
        p12->setStno(AccInf.KAISINO - 1);
        p12->setEdno(p12->KikanMove() ? 11 : AccInf.KAISINO - 1);
    }
    for (const char* name : {"KikanPanel4", "KikanPanel2"})
        if (auto* p4 = findChild<TxKikanPanel4*>(QLatin1StringView(name)))
            setup(p4);
    const bool wareki = SystemDef.WarekiDisp == 1;
    for (TPellanExDateEdit* edit : findChildren<TPellanExDateEdit*>()) {
        edit->setEditGengo(wareki);
        edit->setGengo(wareki ? rsWareki : rsSeireki);
        edit->SetEraTable(GengoTable);
    }
}

// ---- showing ---------------------------------------------------------------------------------------

void TBSDI::setVisible(bool visible) {
    if (visible && !isVisible())
        guarded([this] { FormShow(); });
    QDialog::setVisible(visible);
}

void TBSDI::FormShow() {
    if (Shown)
        return;
    // The job row and the company information belong to an open dataset; without one they are skipped.
    if (ProcHistory && connectedToAccountingDatabase()) {
        try {
            PutProcRirekiInfo(0);
            SystemDef.DialogShown = 1;
        } catch (const std::exception&) {
            // Reported; the form is still laid out and sized below.
        }
    }
    if (RefreshAccInfo && connectedToAccountingDatabase())
        DM->fnGetAccInfo();
    AdjustForFrameWidth();
    RecordLayout();
    RescaleControls();
    GetFormSize();
    Shown = true;
}

void TBSDI::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    guarded([this] { ShowingChanged(true); });
}

void TBSDI::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    guarded([this] { ShowingChanged(false); });
}

void TBSDI::ShowingChanged(bool Visible) {
    if (Visible) {
        PurgeInputMessages(this);
        SystemDef.HostMenuResult = 0;
    }
}

bool TBSDI::CloseWhenSetupFailed() {
    if (SetupDone)
        return false;
    ui::showMessage(ui::MsgKind::Error,
                    QStringLiteral("%1画面の初期化に失敗しました。\n処理を終了します。").arg(windowTitle()),
                    ui::mbYes);
    QTimer::singleShot(0, this, [this] { reject(); });
    return true;
}

void TBSDI::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    if (e->type() == QEvent::ActivationChange)
        guarded([this] {
            if (isActiveWindow())
                FormActivate();
            else
                FormDeactivate();
        });
}

void TBSDI::FormActivate() {
    // No floating-point control word to restore: nothing in this process changes it.
    if (FormActivateProc)
        FormActivateProc(ActivateNotify, ActivateArg);
}

void TBSDI::FormDeactivate() {
    Deactivated = true;
}

void TBSDI::focusChanged(QWidget* now) {
    if (HintTarget && now && now->window() == this)
        ShowLongHint(now, HintTarget);
}

// ---- layout and rescaling ------------------------------------------------------------------------------

QList<QWidget*> TBSDI::ownedWidgets() const {
    QList<QWidget*> out;
    QList<const QWidget*> pending{this};
    while (!pending.isEmpty()) {
        const QWidget* parent = pending.takeFirst();
        for (QObject* child : parent->children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (!w || w->isWindow() || w->objectName().isEmpty() || w->objectName().startsWith(u"qt_"))
                continue;
            out << w;
            if (isContainer(w))
                pending << w;
        }
    }
    return out;
}

void TBSDI::AdjustForFrameWidth() {
    const int a = SystemDef.FrameAdjust;
    if (isDialogStyle() || a <= 0)
        return;
    const auto inProtectedPanel = [](const QWidget* w) {
        for (const QWidget* p = w->parentWidget(); p && p->inherits("QFrame"); p = p->parentWidget())
            if (p->objectName() == QLatin1String("pnlSwkInA") ||
                p->objectName() == QLatin1String("pnlChoseiNasi"))
                return true;
        return false;
    };
    for (QWidget* w : ownedWidgets()) {
        if (placedByLayout(w))
            continue;
        if (qobject_cast<QGroupBox*>(w->parentWidget()) || inProtectedPanel(w))
            continue;
        w->move(std::max(0, w->x() - a), w->y());
    }
}

void TBSDI::recordDesign() {
    m_designSize = size();
    Layout.clear();
    for (QWidget* w : ownedWidgets()) {
        TLayoutRec rec;
        rec.Control = w;
        if (!placedByLayout(w))
            rec.Geometry = w->geometry();
        if (w->testAttribute(Qt::WA_SetFont))
            rec.FontPointSize = fontSize(w->font());
        Layout.push_back(std::move(rec));
    }
    LayoutCount = int(Layout.size());
}

TLayoutRec* TBSDI::layoutOf(const QWidget* w) {
    for (TLayoutRec& rec : Layout)
        if (rec.Control == w)
            return &rec;
    return nullptr;
}

QRect TBSDI::DesignGeometry(QWidget* w) {
    const TLayoutRec* rec = layoutOf(w);
    return rec && rec->Geometry.isValid() ? rec->Geometry : w->geometry();
}

void TBSDI::SetDesignGeometry(QWidget* w, const QRect& design) {
    if (!w)
        return;
    TLayoutRec* rec = layoutOf(w);
    if (!rec) {
        Layout.push_back(TLayoutRec{});
        rec = &Layout.back();
        rec->Control = w;
        LayoutCount = int(Layout.size());
    }
    rec->Geometry = design;
    w->setGeometry(Scaled(design.x()), Scaled(design.y()), Scaled(design.width()), Scaled(design.height()));
}

void TBSDI::RecordLayout() {
    for (TLayoutRec& rec : Layout) {
        QWidget* w = rec.Control;
        if (!w)
            continue;
        // Grids get their columns from their models, often after creation: recorded at the first show.
        if (!rec.Grid) {
            if (auto* table = qobject_cast<QTableView*>(w)) {
                rec.Grid = std::make_unique<TGridLayoutRec>();
                rec.Grid->DefaultRowHeight = table->verticalHeader()->defaultSectionSize();
                for (int c = 0; c < table->horizontalHeader()->count(); ++c)
                    rec.Grid->ColWidths.push_back(table->horizontalHeader()->sectionSize(c));
            } else if (auto* tree = qobject_cast<QTreeView*>(w)) {
                rec.Grid = std::make_unique<TGridLayoutRec>();
                for (int c = 0; c < tree->header()->count(); ++c)
                    rec.Grid->ColWidths.push_back(tree->header()->sectionSize(c));
            }
        }
        if (SystemDef.ShowHint == 0)
            w->setToolTip(QString());
        if (AccInf.IryoFlag == 1)
            if (auto* label = qobject_cast<QLabel*>(w)) {
                QString text = label->text();
                text.replace(QStringLiteral("本・支店"), QStringLiteral("施設"));
                text.replace(QStringLiteral("支店"), QStringLiteral("施設"));
                label->setText(text);
            }
    }
}

void TBSDI::RescaleControls() {
    setUpdatesEnabled(false);
    // Qt scales fonts to the screen by itself and widget sizes not at all: the design sizes are scaled
    // by the screen resolution and by the operator's font against the program's base font.
    int ratio = 100;
    if (SystemDef.DisplayFont && SystemDef.BaseFont) {
        const qreal a = fontSize(*SystemDef.DisplayFont);
        const qreal b = fontSize(*SystemDef.BaseFont);
        if (a > 0 && b > 0)
            ratio = int(a * 100 / b);
    }
    const qint64 scaled = qint64(ScreenPixelsPerInch()) * ratio; // hundredths of a dot per inch
    m_pixelsPerInch = int(scaled / 100 + (scaled % 100 != 0 ? 1 : 0));
    const int ppi = m_pixelsPerInch;
    for (TLayoutRec& rec : Layout) {
        QWidget* w = rec.Control;
        if (!w)
            continue;
        if (rec.Geometry.isValid() && !placedByLayout(w))
            w->setGeometry(scaleInt(rec.Geometry.x(), ppi), scaleInt(rec.Geometry.y(), ppi),
                           scaleInt(rec.Geometry.width(), ppi), scaleInt(rec.Geometry.height(), ppi));
        if (rec.FontPointSize > 0) {
            QFont f = w->font();
            f.setPointSizeF(rec.FontPointSize * ratio / 100);
            w->setFont(f);
        }
        if (rec.Grid) {
            if (auto* table = qobject_cast<QTableView*>(w)) {
                table->verticalHeader()->setDefaultSectionSize(scaleInt(rec.Grid->DefaultRowHeight, ppi));
                for (int c = 0; c < int(rec.Grid->ColWidths.size()) && c < table->horizontalHeader()->count();
                     ++c)
                    table->horizontalHeader()->resizeSection(c,
                                                             scaleInt(rec.Grid->ColWidths[size_t(c)], ppi));
            } else if (auto* tree = qobject_cast<QTreeView*>(w)) {
                for (int c = 0; c < int(rec.Grid->ColWidths.size()) && c < tree->header()->count(); ++c)
                    tree->header()->resizeSection(c, scaleInt(rec.Grid->ColWidths[size_t(c)], ppi));
            }
        }
        if (auto* button = qobject_cast<TxPlButton*>(w); button && button->Image().isEmpty()) {
            button->setCaptionVertCenter(true);
            button->Image().setVertCenter(true);
        }
    }
    if (SystemDef.DisplayFont)
        setFont(*SystemDef.DisplayFont);
    SetDesignClientSize(m_designSize.width(), m_designSize.height());
    if (SaveFormSize && !isDialogStyle())
        setMinimumSize(width() * 60 / 100, height() * 60 / 100);
    else if (!isDialogStyle())
        setMinimumSize(0, 0);
    setUpdatesEnabled(true);
}

int TBSDI::Scaled(int designValue) const {
    return scaleInt(designValue, m_pixelsPerInch);
}

void TBSDI::SetDesignClientSize(int width, int height) {
    m_designSize = QSize(width, height);
    const QSize s(Scaled(width), Scaled(height));
    if (isDialogStyle())
        setFixedSize(s);
    else
        resize(s);
}

void TBSDI::FreeLayout() {
    // The design values stay: a later rescale works from them. Only the grid records go.
    for (TLayoutRec& rec : Layout)
        rec.Grid.reset();
}

// ---- placing -------------------------------------------------------------------------------------------

void TBSDI::PlaceForm(int X, int Y, int W, int H, quint8 Mode) {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect work = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    const int r = work.right() + 1;
    const int b = work.bottom() + 1;
    if (!ForcePlace && x() > 0 && x() < r && y() > 0 && y() < b)
        return;
    const QWidget* main = MainForm();
    const bool mainShowing = main && main->isVisible();
    int left = 0;
    int top = 0;
    const int fh = SystemDef.FrameHeight;
    if (Mode == 1 && mainShowing) {
        left = main->x() + 2 * fh + X + W / 2 - width() / 2;
        top = main->y() + 2 * fh + 2 * SystemDef.CaptionHeight + SystemDef.MenuHeight + Y + H / 2 -
              height() / 2;
    } else if (Mode == 2 && mainShowing) {
        left = main->x() + (main->width() - width()) / 2;
        top = main->y() + (main->height() - height()) / 2;
    } else {
        // Centred on the screen, as the form would be shown there.
        left = work.left() + (work.width() - width()) / 2;
        top = work.top() + (work.height() - height()) / 2;
    }
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    if (left + width() > r)
        left = r - width();
    if (top + height() > b)
        top = b - height();
    if (isDialogStyle()) {
        left = std::max(0, left);
        top = std::max(0, top);
    }
    move(left, top);
}

// ---- hints and colours ----------------------------------------------------------------------------------

void TBSDI::SetHint(QWidget* Control, const QString& Hint) {
    if (!Control)
        return;
    Control->setProperty("hint", Hint);
    const qsizetype bar = Hint.indexOf(u'|');
    Control->setToolTip(SystemDef.ShowHint == 0 ? QString() : bar < 0 ? Hint : Hint.left(bar));
}

QString TBSDI::Hint(const QWidget* Control) {
    if (!Control)
        return {};
    const QVariant hint = Control->property("hint");
    return hint.isValid() ? hint.toString() : Control->toolTip();
}

void TBSDI::ShowLongHint(QWidget* Control, QWidget* Target) {
    if (!Control || !Target)
        return;
    const QString hint = Hint(Control);
    const qsizetype bar = hint.indexOf(u'|');
    setWidgetText(Target, bar < 0 ? hint : hint.mid(bar + 1));
}

void TBSDI::SetGridColors(QObject* Grid, int Scheme) {
    if (!Grid)
        return;
    const auto set = [Grid](const char* name, qint32 colour) { Grid->setProperty(name, colour); };
    set("FixedBackColor", SystemDef.ColHeaderColor);
    set("FixedBorderColor", 0x808080);
    set("BackColor", SystemDef.ClientColor);
    set("OddRowBackColor", SystemDef.ClientColor);
    set("FocusBorderColor", SystemDef.ActiveColor);
    set("BorderColor", 0x808080);
    set("ThruBorderColor", TavrinoEdition == 1 || TavrinoEdition == 2 ? 0x246BFF : 0x008000);
    set("DisabledColor", 0x808080);
    const QColor grey = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
    set("VoidAreaColor", qint32(grey.red() | grey.green() << 8 | grey.blue() << 16));
    if (Scheme != 1) {
        set("BackColor", SystemDef.ClientColor1);
        set("OddRowBackColor", SystemDef.ClientColor2);
    }
}

// ---- database services ---------------------------------------------------------------------------------

bool TBSDI::connectedToAccountingDatabase() const {
    return DM && DM->IBDatabaseDAT.isConnected();
}

fb::Transaction* TBSDI::IBTransactionDAT() {
    if (!DM)
        return nullptr;
    if (m_transaction && m_transactionDm != DM) {
        if (m_transactionDm)
            m_transaction.reset();
        else
            (void)m_transaction.release();
    }
    if (!m_transaction) {
        m_transaction =
            std::make_unique<fb::Transaction>(DM->IBDatabaseDAT, fb::Transaction::defaultParams());
        m_transactionDm = DM;
    }
    return m_transaction.get();
}

std::unique_ptr<fb::Query> TBSDI::CreateQuery() {
    try {
        if (fb::Transaction* t = IBTransactionDAT())
            return std::make_unique<fb::Query>(*t);
    } catch (const std::exception&) {
        // No statement: the caller sees none.
    }
    return nullptr;
}

std::unique_ptr<fb::Query> TBSDI::CreateStoredProc(const QString& Name, const QStringList& Params) {
    std::unique_ptr<fb::Query> q = CreateQuery();
    if (!q)
        return nullptr;
    QStringList marks;
    for (const QString& p : Params)
        marks << QLatin1Char(':') + p;
    q->setSql(QStringLiteral("EXECUTE PROCEDURE %1(%2)").arg(Name, marks.join(u',')));
    return q;
}

void TBSDI::RestoreScreenValues() {
    if (ScreenValues)
        ScreenValues->FukugenValue(objectName(), ScreenValueText);
}

void TBSDI::SaveScreenValues() {
    if (ScreenValues)
        ScreenValues->HozonValue(objectName(), ScreenValueText);
}

void TBSDI::PutProcRirekiInfo(int Kind) {
    fb::Transaction* t = IBTransactionDAT();
    if (!t || !connectedToAccountingDatabase())
        return;
    std::optional<OwnTransaction> own;
    try {
        own.emplace(*t);
        std::unique_ptr<fb::Query> proc =
            CreateStoredProc(QStringLiteral("OPINF_DELETE"),
                             {QStringLiteral("OPCODE"), QStringLiteral("JOBNAME"), QStringLiteral("STATE")});
        proc->setInt("OPCODE", SystemDef.OPCODE);
        proc->setString("JOBNAME", windowTitle());
        proc->setString("STATE", Kind == 0 ? QStringLiteral("エラー終了") : QStringLiteral("正常終了"));
        proc->execute();
        if (Kind == 0) {
            std::unique_ptr<fb::Query> q = CreateQuery();
            q->setSql(QStringList{QStringLiteral("INSERT INTO OPINF(OPCODE,JOBNAME,PCNAME,OPENTIME)"),
                                  QStringLiteral("VALUES(:OPCODE,:JOBNAME,:PCNAME,:OPENTIME)")});
            q->setInt("OPCODE", SystemDef.OPCODE);
            q->setString("JOBNAME", windowTitle());
            q->setString("PCNAME", SystemDef.PCName);
            q->setDayCount("OPENTIME", TDateTime::now().value());
            q->execute();
        }
        own->commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TBSDI.PutProcRirekiInfo"), QString(), true);
        if (own)
            own->rollback();
        throw;
    }
}

void TBSDI::GetFormSize() {
    if (!SaveFormSize || !DM || !DM->IBDatabaseDEF.isConnected() || SystemDef.OPCODE == 0)
        return;
    std::optional<OwnTransaction> own;
    try {
        own.emplace(DM->IBTransactionDEF);
        fb::Query q(DM->IBTransactionDEF);
        q.setSql(QStringList{QStringLiteral("SELECT FMTOP,FMLEFT,FMHEIGHT,FMWIDTH FROM FORMRSIZE"),
                             QStringLiteral("WHERE FMNAME=:FMNAME AND OPCODE=:OPCODE")});
        q.setString("FMNAME", objectName());
        q.setInt("OPCODE", SystemDef.OPCODE);
        q.open();
        if (!q.eof()) {
            const int top = q.field("FMTOP").asInt();
            const int left = q.field("FMLEFT").asInt();
            const int height = q.field("FMHEIGHT").asInt();
            const int width = q.field("FMWIDTH").asInt();
            q.close();
            move(left, top);
            resize(width, height);
        } else {
            q.close();
            const int fh = SystemDef.FrameHeight;
            const auto defaultValue = [this, fh](int v) { return AdjustForFrameSize(Scaled(v), 0, fh); };
            move(defaultValue(kDefaultLeft), defaultValue(kDefaultTop));
            resize(defaultValue(kDefaultWidth), defaultValue(kDefaultHeight));
            q.setSql(QStringList{
                QStringLiteral("INSERT INTO FORMRSIZE"),
                QStringLiteral("VALUES(:OPCODE ,:FNAME,:TOP,:LEFT,:HEIGHT,:WIDTH,:DEFHEIGHT,:DEFWIDTH)")});
            q.setInt("OPCODE", SystemDef.OPCODE);
            q.setString("FNAME", objectName());
            q.setInt("TOP", y());
            q.setInt("LEFT", x());
            q.setInt("HEIGHT", height());
            q.setInt("WIDTH", width());
            q.setInt("DEFHEIGHT", height());
            q.setInt("DEFWIDTH", width());
            q.execute();
        }
        own->commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TBSDI.GetFormSize"), QString(), true);
        if (own)
            own->rollback();
    }
}

void TBSDI::PutFormSize() {
    if (!SaveFormSize || !DM || !DM->IBDatabaseDEF.isConnected() || SystemDef.OPCODE == 0)
        return;
    const QWidget* main = MainForm();
    const QSize client = main ? main->size() : QSize();
    int top = 0, left = 0, height = 0, width = 0;
    if (isMaximized()) {
        height = client.height() - SystemDef.FrameHeight;
        width = client.width() - SystemDef.FrameHeight;
    } else {
        const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
        top = std::max(0, y());
        left = std::max(0, x());
        height = normal.height();
        width = normal.width();
    }
    if (main && top > client.height())
        top = 0;
    if (main && left > client.width())
        left = 0;
    std::optional<OwnTransaction> own;
    try {
        own.emplace(DM->IBTransactionDEF);
        fb::Query q(DM->IBTransactionDEF);
        q.setSql(
            QStringList{QStringLiteral("UPDATE FORMRSIZE SET FMTOP=:FMTOP,FMLEFT=:FMLEFT,FMHEIGHT=:FMHEIGHT,"
                                       "FMWIDTH=:FMWIDTH"),
                        QStringLiteral("WHERE OPCODE=:OPCODE AND FMNAME=:FMNAME")});
        q.setInt("FMTOP", top);
        q.setInt("FMLEFT", left);
        q.setInt("FMHEIGHT", height);
        q.setInt("FMWIDTH", width);
        q.setInt("OPCODE", SystemDef.OPCODE);
        q.setString("FMNAME", objectName());
        q.execute();
        own->commit();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TBSDI.PutFormSize"), QString(), true);
        if (own)
            own->rollback();
    }
}

// ---- closing ---------------------------------------------------------------------------------------------

int TBSDI::exec() {
    ++m_execDepth;
    const int r = QDialog::exec();
    --m_execDepth;
    return r;
}

void TBSDI::reject() {
    done(ui::mrCancel);
}

void TBSDI::done(int r) {
    if (m_closing) {
        QDialog::done(r);
        return;
    }
    TCloseAction action = KeepOnClose ? caHide : caFree;
    try {
        FormClose(action);
    } catch (...) {
        reportUnhandledException(std::current_exception());
    }
    if (action == caNone) {
        setResult(0);
        return;
    }
    m_closing = true;
    QDialog::done(r);
    m_closing = false;
    if (action == caFree && m_execDepth == 0)
        deleteLater();
}

void TBSDI::FormClose(TCloseAction& Action) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        if (SaveFormSize)
            PutFormSize();
        if (ProcHistory && connectedToAccountingDatabase())
            PutProcRirekiInfo(1);
    } catch (const std::exception&) {
        // Reported where it happened; the form closes all the same.
    }
    // The input method of the form ends here: an unfinished composition is dropped.
    QGuiApplication::inputMethod()->reset();
    QApplication::restoreOverrideCursor();
    if (!KeepOnClose)
        Action = caFree;
}

// ---- keys
// --------------------------------------------------------------------------------------------------

void TBSDI::keyPressEvent(QKeyEvent* e) {
    // Esc acts when it is released (FormKeyUp), and only on a dialog-style form.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool TBSDI::eventFilter(QObject* watched, QEvent* e) {
    const QEvent::Type type = e->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return QDialog::eventFilter(watched, e);
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this)
        return QDialog::eventFilter(watched, e);
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() != Qt::Key_Escape && key->key() != Qt::Key_F12)
        return QDialog::eventFilter(watched, e);
    if (type == QEvent::KeyPress) {
        // Only a key pressed in this form acts when released here (not one that closed a drop-down).
        if (!key->isAutoRepeat())
            m_pressedKey = key->key();
        return QDialog::eventFilter(watched, e);
    }
    if (key->isAutoRepeat() || m_pressedKey != key->key())
        return QDialog::eventFilter(watched, e);
    m_pressedKey = 0;
    int k = key->key();
    bool used = false;
    guarded([&] {
        FormKeyUp(k, key->modifiers());
        used = k == 0;
    });
    return used || QDialog::eventFilter(watched, e);
}

void TBSDI::FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    if ((Shift & ~Qt::KeypadModifier) != Qt::NoModifier || QGuiApplication::mouseButtons() != Qt::NoButton)
        return;
    if (Key == Qt::Key_Escape) {
        if (isDialogStyle()) {
            Key = 0;
            reject();
        }
        return;
    }
    if (Key != Qt::Key_F12)
        return;
    if (!isDialogStyle()) {
        Key = 0;
        reject();
        return;
    }
    QWidget* button = ExecuteButton;
    if (!button || !button->isVisible() || !button->isEnabled())
        return;
    if (auto* pl = qobject_cast<TxPlButton*>(button)) {
        pl->setFocus();
        Key = 0;
        pl->click();
    } else if (auto* ab = qobject_cast<QAbstractButton*>(button)) {
        ab->setFocus();
        Key = 0;
        ab->click();
    }
}

#include "datasel/WebMenuL.h"

#include "controls/PerfectGrid.h"
#include "controls/SafeCall.h"
#include "core/DataModule.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbQuery.h"
#include "ui_WebMenuL.h"

#include <QKeyEvent>
#include <QTimer>

namespace {

enum : int { colNo, colCode, colName, ColCount };

} // namespace

void RegisterWebMenuL() {
    RegisterDialogClass(DialogClassOf<TfmWebMenuL>(), QStringLiteral("WebMenuL"));
}

TfmWebMenuL::TfmWebMenuL(QWidget* owner) : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TfmWebMenuL>()) {
    ui->setupUi(this);
    FormCreate();
    SaveFormSize = false;
    ExecuteButton = ui->F12;
    ui->ESC->hide();
    ui->F1->hide();
    ui->HintArea->setText(QStringLiteral("他のオペレーターがペラン財務を利用中のため、バ\n"
                                         "ージョンアップができません。\n"
                                         "他のオペレータの利用がない状態で、管理者権限に\n"
                                         "て、バージョンアップを実行してください。\n"));
    TPerfectGrid* g = ui->PerfectGrid1;
    SetGridColors(g, 0);
    // The operator's scheme, where it has one, else the list's own colours.
    const auto orDefault = [](qint32 scheme, qint32 fallback) { return scheme != 0 ? scheme : fallback; };
    g->setBackColor(orDefault(SystemDef.ClientColor1, 0xFFFFFF));
    g->setOddRowBackColor(orDefault(SystemDef.ClientColor2, 0xE1F0FF));
    g->setFixedBackColor(orDefault(SystemDef.ColHeaderColor, 0xDBDBDB));
    g->SetCols(ColCount);
    g->AllowSelCol = false;
    g->AllowSelRow = false;
    const char16_t* headers[] = {u"No", u"コード", u"オペレータ名"};
    const int widths[] = {50, 70, 154};
    for (int c = 0; c < ColCount; ++c) {
        g->SetCellText(-1, c, QString::fromUtf16(headers[c]));
        g->SetColWidth(c, widths[c]);
    }
    g->SetColAlignment(colNo, 1);
    g->SetColAlignment(colCode, 1);
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(ui->F12, &QPushButton::clicked, this, [this] { done(ui::mrOk); });
    fnDBConect_OP();
    showUsers();
    SetupDone = true;
}

TfmWebMenuL::~TfmWebMenuL() = default;

TPerfectGrid* TfmWebMenuL::Grid() const {
    return ui->PerfectGrid1;
}

void TfmWebMenuL::SetParams(const QStringList& params) {
    Params = params;
    const int type = ParamInt(params, QStringLiteral("SyoriType"), -1);
    if (type >= 0)
        SyoriType = type;
    // Any style beyond the MDI child (0), the MDI parent (1) and the normal window (2) stays on top.
    const int style = ParamInt(params, QStringLiteral("FormStyle"), 0);
    setWindowFlag(Qt::WindowStaysOnTopHint, style < 0 || style > 2);
}

void TfmWebMenuL::Setup(bool flag) {
    SetupFlag = flag;
    Shown = false;
}

int TfmWebMenuL::Execute(bool modal) {
    ShowNormalCursor();
    if (!modal) {
        show();
        return 1;
    }
    if (HostMenuProc && HostMenuProc(10, QString()) > 0) {
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("メニュー以外の処理が開いています。\r"
                                       "全ての処理を閉じてから処理を実行してください。"),
                        ui::mbYes);
    } else if (SetupDone) {
        PlaceForm(0, 0, 0, 0, 3);
        Setup(true);
        exec();
    } else {
        ui::showMessage(ui::MsgKind::Error,
                        QStringLiteral("%1画面の初期化に失敗しました。\r処理を終了します。").arg(windowTitle()),
                        ui::mbYes);
    }
    return Users.isEmpty() ? 0 : 1;
}

bool TfmWebMenuL::fnDBConect_OP() {
    Users.clear();
    if (!DM || !DM->IBDatabaseDEF.isConnected())
        return false;
    try {
        OwnTransaction own(DM->IBTransactionDEF);
        // Every other logged-on operator, with the name where the operator still exists: one statement
        // for the whole list, however long it is.
        fb::Query q(DM->IBTransactionDEF);
        q.setSql(QStringLiteral("SELECT L.OPERATORCODE, L.GROUPID, O.OPNAME FROM LOGONUSERLIST L "
                                "LEFT JOIN OPERATOR O ON O.GROUPID = L.GROUPID AND O.OPCODE = L.OPERATORCODE "
                                "WHERE L.OPCODE <> :OPCODE "
                                "ORDER BY L.GROUPID, L.OPERATORCODE, L.PCNAME"));
        q.setInt("OPCODE", SystemDef.OPCODE);
        for (q.open(); !q.eof(); q.next()) {
            TLoginUserR user;
            user.OpCode = q.field("OPERATORCODE").asInt();
            user.Group = q.field("GROUPID").asInt();
            user.OpName = q.field("OPNAME").asString();
            Users.append(user);
        }
        q.close();
        own.commit();
    } catch (const fb::Error& e) {
        Users.clear();
        ErrFbAccess(e, QStringLiteral("TfmWebMenuL.fnDBConect_OP"), QString(), true);
        throw;
    }
    return !Users.isEmpty();
}

void TfmWebMenuL::showUsers() {
    TPerfectGrid* g = ui->PerfectGrid1;
    g->DeleteRows(0, g->RowCount());
    g->InsertRows(0, int(Users.size()));
    for (int i = 0; i < Users.size(); ++i) {
        const TLoginUserR& u = Users[i];
        g->SetCellText(i, colNo, QString::number(i + 1));
        g->SetCellText(i, colCode, QString::number(u.OpCode));
        g->SetCellText(i, colName, u.OpName);
    }
    if (g->RowCount() > 0)
        g->SetCurrentCell(0, colNo);
}

void TfmWebMenuL::ShowingChanged(bool Visible) {
    TBSDI::ShowingChanged(Visible);
    if (!Visible || CloseWhenSetupFailed())
        return;
    // Nobody else is logged on: nothing to show.
    if (Users.isEmpty()) {
        QTimer::singleShot(0, this, [this] { done(ui::mrCancel); });
        return;
    }
    ui->PerfectGrid1->setFocus();
}

void TfmWebMenuL::done(int r) {
    Q_UNUSED(r);
    // However the dialog is closed, its result says whether anyone else is logged on.
    TBSDI::done(Users.isEmpty() ? ui::mrCancel : ui::mrOk);
}

void TfmWebMenuL::FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    // Esc does nothing here; F12 presses "F12:閉じる" through the base form.
    if (Key == Qt::Key_Escape) {
        Key = 0;
        return;
    }
    TBSDI::FormKeyUp(Key, Shift);
}

void TfmWebMenuL::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        e->accept();
        return;
    }
    TBSDI::keyPressEvent(e);
}

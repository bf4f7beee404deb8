#include "datasel/z5DataPlaceMan.h"

#include "controls/PerfectGrid.h"
#include "controls/SafeCall.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "platform/Cp932.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbQuery.h"
#include "ui_z5DataPlaceMan.h"

#include <QKeyEvent>

namespace {

constexpr int kPlaceCount = 100;
constexpr int colKey = 0, colNo = 1, colName = 2, colPath = 3;

const QString kNoName = QStringLiteral("名称が入力されていません。");

// The name with every ASCII and full-width blank removed.
QString withoutBlanks(QString text) {
    return text.remove(u' ').remove(QChar(0x3000));
}

} // namespace

TDataPlaceBox::TDataPlaceBox(QWidget* owner)
    : TBSDI(owner, bsDialog), ui(std::make_unique<Ui::TDataPlaceBox>()) {
    ui->setupUi(this);
    FormCreate();
    ProcHistory = false;
    SaveFormSize = false;
    RefreshAccInfo = false;
    ActivateNotify = false;
    KeepOnClose = true;
    HintTarget = ui->HintArea;
    ExecuteButton = ui->btnOK;
    ui->F1->hide();
    ui->btnCancel->hide();
    TPerfectGrid* g = ui->PerfectGrid1;
    g->SetCols(4);
    const char16_t* headers[] = {u"", u"No", u"名称", u"フォルダパス"};
    const int widths[] = {0, 40, 230, 230};
    for (int c = 0; c < 4; ++c) {
        g->SetCellText(-1, c, QString::fromUtf16(headers[c]));
        g->SetColWidth(c, widths[c]);
    }
    g->SetColAlignment(colNo, 1);
    connect(ui->F2, &QPushButton::clicked, this, [this] { guarded([this] { F2Click(); }); });
    connect(ui->F3, &QPushButton::clicked, this, [this] { guarded([this] { F3Click(); }); });
    connect(ui->F5, &QPushButton::clicked, this, [this] { guarded([this] { F5Click(); }); });
    connect(ui->F6, &QPushButton::clicked, this, [this] { guarded([this] { F6Click(); }); });
    connect(ui->F7, &QPushButton::clicked, this, [this] { guarded([this] { F7Click(); }); });
    connect(ui->btnOK, &QPushButton::clicked, this, [this] { done(ui::mrOk); });
    connect(ui->btnCancel, &QPushButton::clicked, this, [this] { done(ui::mrCancel); });
    connect(g, &TPerfectGrid::OnCellGotFocus, this, [this](QObject*, int, int) { SetKeys(); });
    SetupDone = true;
}

TDataPlaceBox::~TDataPlaceBox() = default;

TPerfectGrid* TDataPlaceBox::Grid() const {
    return ui->PerfectGrid1;
}

void TDataPlaceBox::Setup(bool flag) {
    SetupFlag = flag;
    Refresh();
    Shown = false;
}

void TDataPlaceBox::Refresh() {
    QString hint = QStringLiteral(
        "データ管理フォルダの情報を管理します。|[F2]で新規作成、[F3]で名称変更、[F5]で削除します。"
        "（例外：\"ﾄﾞﾗｲﾌﾞ:\\PELLANZAIMU\\DATA\"行の削除は禁止）\r\n"
        "[上へ][下へ]でリストの並べ替えが行えます。");
    if (TavrinoEdition == 1)
        hint.replace(QStringLiteral("\\PELLANZAIMU\\DATA"), ServerDirName.toUpper().replace(u'/', u'\\'),
                     Qt::CaseInsensitive);
    SetHint(ui->PerfectGrid1, hint);
    SetHint(ui->btnOK, QStringLiteral("内容を登録して画面を閉じます。|内容を登録して画面を閉じます。"));
    SetHint(ui->btnCancel, QStringLiteral("画面を閉じます。|画面を閉じます。"));
    LoadPlaces(false);
    TPerfectGrid* g = ui->PerfectGrid1;
    g->DeleteRows(0, g->RowCount());
    g->InsertRows(0, int(Places.size()));
    int focus = 0;
    for (int i = 0; i < Places.size(); ++i) {
        const TDataPlaceRec& p = Places[i];
        g->SetCellValue(i, colKey, p.Rec);
        g->SetCellText(i, colNo, QString::number(i + 1));
        g->SetCellText(i, colName, p.Name);
        g->SetCellText(i, colPath, p.Path);
        if (p.Rec == SystemDef.ServerDataPlace)
            focus = i;
    }
    if (g->RowCount() > 0)
        g->SetCurrentCell(focus, colNo);
    SetKeys();
}

bool TDataPlaceBox::LoadPlaces(bool onlyNamed) {
    Places.clear();
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query q(DM->IBTransactionDEF);
        q.setSql(QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM DATAPLACEMAN"));
        q.open();
        const int count = q.eof() ? 0 : q.field("RECCNT").asInt();
        q.close();
        if (count == 0) {
            const QString root = ExcludePathDelim(SystemDef.SYSDIR);
            q.setSql(QStringList{QStringLiteral("INSERT INTO DATAPLACEMAN(REC,ORDERKBN,NAME,PATH)"),
                                 QStringLiteral("VALUES(:REC,:ORDERKBN,:NAME,:PATH)")});
            for (int i = 0; i < kPlaceCount; ++i) {
                q.setInt("REC", i);
                q.setInt("ORDERKBN", i + 1);
                if (i == 0) {
                    q.setString("NAME", cp932::byteLength(root) > 40 ? QStringLiteral("標準の場所") : root);
                    q.setString("PATH", root);
                } else {
                    q.setString("NAME", QString());
                    q.setString("PATH", root + QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
                }
                q.execute();
            }
        }
        const QString where = onlyNamed ? QStringLiteral("WHERE NAME<>''") : QString();
        q.setSql(QStringList{QStringLiteral("SELECT REC,ORDERKBN,NAME,PATH FROM DATAPLACEMAN"), where,
                             QStringLiteral("ORDER BY ORDERKBN,REC")});
        for (q.open(); !q.eof(); q.next()) {
            TDataPlaceRec p;
            p.Rec = q.field("REC").asInt();
            p.Order = q.field("ORDERKBN").asInt();
            p.Name = q.field("NAME").asString();
            p.Path = q.field("PATH").asString();
            Places.append(p);
        }
        q.close();
        own.commit();
        return true;
    } catch (const std::exception&) {
        own.rollback();
        return false;
    }
}

void TDataPlaceBox::SavePlaces() {
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query q(DM->IBTransactionDEF);
        for (const TDataPlaceRec& p : std::as_const(Places)) {
            if (p.State <= 0)
                continue;
            q.setSql(QStringList{QStringLiteral("UPDATE DATAPLACEMAN SET ORDERKBN=:ORDERKBN,NAME=:NAME"),
                                 QStringLiteral("WHERE REC=:REC")});
            q.setInt("ORDERKBN", p.Order);
            q.setString("NAME", p.Name);
            q.setInt("REC", p.Rec);
            q.execute();
            if (p.State == 1) {
                q.setSql(QStringLiteral("SELECT REC FROM SP_DATALIST_INSERT(:REC,:PATH,:MAXCNT)"));
                q.setInt("REC", p.Rec);
                q.setString("PATH", p.Path);
                q.setInt("MAXCNT", TDataSentakuListCtl::DataListCnt());
                for (q.open(); !q.eof(); q.next()) {
                }
                q.close();
            } else if (p.State == 9) {
                q.setSql(QStringList{QStringLiteral("DELETE FROM DATALIST_EX"),
                                     QStringLiteral("WHERE DATAPLACEREC=:REC")});
                q.setInt("REC", p.Rec);
                q.execute();
            }
        }
        own.commit();
    } catch (...) {
        own.rollback();
        throw;
    }
    for (TDataPlaceRec& p : Places)
        p.State = 0;
}

bool TDataPlaceBox::PlaceHasData(qint32 place) {
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        QStringList folders;
        fb::Query q(DM->IBTransactionDEF);
        q.setSql(QStringList{QStringLiteral("SELECT PASNAME FROM DATALIST_EX"),
                             QStringLiteral("WHERE (DATAPLACEREC=:REC)"), QStringLiteral("ORDER BY REC")});
        q.setInt("REC", place);
        for (q.open(); !q.eof(); q.next())
            folders << q.field("PASNAME").asString();
        q.close();
        own.commit();
        for (const QString& f : std::as_const(folders))
            if (!f.trimmed().isEmpty() && DM->ServerDExist(f, ConnectMode))
                return true;
        return false;
    } catch (const std::exception&) {
        own.rollback();
        return true;
    }
}

QString TDataPlaceBox::NamedPlacesText() {
    LoadPlaces(true);
    QString text;
    for (const TDataPlaceRec& p : std::as_const(Places))
        text += p.Name + u'\r';
    return text;
}

qint32 TDataPlaceBox::RecAt(int index) const {
    return index >= 0 && index < Places.size() ? Places[index].Rec : -1;
}

QString TDataPlaceBox::PathAt(int index) const {
    return index >= 0 && index < Places.size() ? Places[index].Path : QString();
}

int TDataPlaceBox::IndexOfRec(qint32 place) const {
    for (int i = 0; i < Places.size(); ++i)
        if (Places[i].Rec == place)
            return i;
    return -1;
}

QString TDataPlaceBox::PathOfRec(qint32 place) const {
    return PathAt(IndexOfRec(place));
}

int TDataPlaceBox::focusedRow() const {
    const int r = ui->PerfectGrid1->CurrentRow();
    return r >= 0 && r < Places.size() && r < ui->PerfectGrid1->RowCount() ? r : -1;
}

void TDataPlaceBox::focusGrid() {
    if (isVisible())
        ui->PerfectGrid1->setFocus();
}

void TDataPlaceBox::SetKeys() {
    QString f2 = QStringLiteral("F2:"), f3 = QStringLiteral("F3:"), f5 = QStringLiteral("F5:");
    const int r = focusedRow();
    if (r >= 0) {
        const TDataPlaceRec& p = Places[r];
        if (p.Rec != 0)
            f5 = QStringLiteral("F5:削除");
        if (!withoutBlanks(p.Name).isEmpty()) {
            f3 = QStringLiteral("F3:名称変更");
        } else {
            f2 = QStringLiteral("F2:新規作成");
            f5 = QStringLiteral("F5:");
        }
    }
    ui->F2->setText(f2);
    ui->F3->setText(f3);
    ui->F5->setText(f5);
    ui->F6->setEnabled(true);
    ui->F7->setEnabled(true);
    if (r <= 0)
        ui->F6->setEnabled(false);
    else if (r == ui->PerfectGrid1->RowCount() - 1)
        ui->F7->setEnabled(false);
}

bool TDataPlaceBox::askName(const QString& caption, const QString& prompt, const QString& initial,
                            const QString& hint, QString& name) {
    ui::InputRequest req;
    req.caption = caption;
    req.prompt = prompt;
    req.initial = initial;
    req.maxLength = 20;
    req.hint = hint;
    const std::optional<QString> answer = ui::current().input(req);
    if (!answer) {
        focusGrid();
        return false;
    }
    name = withoutBlanks(*answer);
    if (name.isEmpty()) {
        ui::showMessage(ui::MsgKind::Information, kNoName);
        focusGrid();
        return false;
    }
    return true;
}

void TDataPlaceBox::F2Click() {
    const int r = focusedRow();
    if (r < 0 || ui->F2->text() == QStringLiteral("F2:"))
        return;
    QString name;
    if (!askName(QStringLiteral("新規作成"),
                 QStringLiteral("新しく作成するデータ管理フォルダの名称を入力して下さい。"), QString(),
                 QStringLiteral("新しく作成するデータ管理フォルダの名称を入力します。"), name))
        return;
    TDataPlaceRec& p = Places[r];
    if (DM->ServerDExist(p.Path, ConnectMode)) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("既にデータサーバーにフォルダが作成されています。"));
    } else if (!DM->ServerMkDir(p.Path, ConnectMode)) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("データサーバーへフォルダの作成に失敗しました。"));
        focusGrid();
        return;
    }
    ui->PerfectGrid1->SetCellText(r, colName, name);
    p.State = 1;
    p.Name = name;
    SavePlaces();
    focusGrid();
    SetKeys();
}

void TDataPlaceBox::F3Click() {
    const int r = focusedRow();
    if (r < 0 || ui->F3->text() == QStringLiteral("F3:"))
        return;
    QString name;
    if (!askName(QStringLiteral("名称の変更"), QStringLiteral("データ管理フォルダの名称を入力して下さい。"),
                 Places[r].Name, QStringLiteral("データ管理フォルダの管理名称を変更します。"), name))
        return;
    ui->PerfectGrid1->SetCellText(r, colName, name);
    Places[r].State = 2;
    Places[r].Name = name;
    SavePlaces();
    SetKeys();
}

void TDataPlaceBox::F5Click() {
    const int r = focusedRow();
    if (r < 0 || ui->F5->text() == QStringLiteral("F5:"))
        return;
    TDataPlaceRec& p = Places[r];
    if (PlaceHasData(p.Rec)) {
        ui::showMessage(
            ui::MsgKind::Information,
            QStringLiteral(
                "このフォルダ配下には会計データが存在しているため削除することが出来ません。\r"
                "どうしても削除を行いたい場合は、配下の会計データをすべて削除してから処理して下さい。"));
        focusGrid();
        return;
    }
    if (ui::showMessage(ui::MsgKind::Confirmation,
                        QStringLiteral("[%1]を削除します。よろしいですか？").arg(p.Name),
                        ui::mbOK | ui::mbCancel) != ui::mrOk) {
        focusGrid();
        return;
    }
    ui->PerfectGrid1->SetCellText(r, colName, QString());
    p.State = 9;
    p.Name.clear();
    SavePlaces();
    SetKeys();
}

void TDataPlaceBox::moveRow(int step) {
    TPerfectGrid* g = ui->PerfectGrid1;
    const int r = focusedRow();
    const int target = r + step;
    if (r < 0 || g->RowCount() < 2 || target < 0 || target >= g->RowCount())
        return;
    g->MoveRows(r, target, 1);
    Places.swapItemsAt(r, target);
    g->SetCurrentCell(target, colNo);
    for (int i = 0; i < Places.size(); ++i) {
        g->SetCellText(i, colNo, QString::number(i + 1));
        if (Places[i].Order != i + 1) {
            Places[i].Order = i + 1;
            Places[i].State = 2;
        }
    }
    SavePlaces();
    SetKeys();
}

void TDataPlaceBox::F6Click() {
    moveRow(-1);
}

void TDataPlaceBox::F7Click() {
    moveRow(1);
}

void TDataPlaceBox::ShowingChanged(bool Visible) {
    TBSDI::ShowingChanged(Visible);
    if (!Visible || CloseWhenSetupFailed())
        return;
    ui->PerfectGrid1->setFocus();
    SetKeys();
}

void TDataPlaceBox::FormKeyUp(int& Key, Qt::KeyboardModifiers Shift) {
    // F12 has no action here; Esc closes through the base form.
    if (Key == Qt::Key_F12) {
        Key = 0;
        return;
    }
    TBSDI::FormKeyUp(Key, Shift);
}

void TDataPlaceBox::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_F2:
        guarded([this] { F2Click(); });
        return;
    case Qt::Key_F3:
        guarded([this] { F3Click(); });
        return;
    case Qt::Key_F5:
        guarded([this] { F5Click(); });
        return;
    case Qt::Key_F1:
    case Qt::Key_F4:
    case Qt::Key_F6:
    case Qt::Key_F7:
    case Qt::Key_F8:
    case Qt::Key_F12:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        e->accept();
        return;
    default:
        TBSDI::keyPressEvent(e);
    }
}

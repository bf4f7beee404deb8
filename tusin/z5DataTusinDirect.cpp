// The kinds the communication dialog runs without its list: the cash-book send (3) and receive (4), the
// master send (5), the automatic receives (6, 10) and sends (7, 9), and the server check (8), which
// prepares the same way and then shows the three cash-book folders. The gates come first, then the
// relay status of the cash-book pair, the comparison with the folder's copy and the transfer road.
#include "tusin/z5DataTusin.h"

#include "controls/PerfectGrid.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "tusin/z5HikakuMess2.h"
#include "tusin/z5WaitMess.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <array>
#include <cxxabi.h>
#include <cstdlib>
#include <typeinfo>
#include <utility>
#include <vector>

std::function<bool()> TfmDataTusin::CashBookUpdaterOpen;

namespace {

QString framed(const QString& text) {
    return QStringLiteral("　\r\n") + text + QStringLiteral("\r\n ");
}

// The class name of an exception as the error texts show it.
QString exceptionClassName(const std::exception& e) {
    const char* mangled = typeid(e).name();
    int status = 0;
    char* name = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    const QString text = QString::fromLatin1(status == 0 && name ? name : mangled);
    std::free(name);
    return text;
}

QString exceptionText(const QString& head, const std::exception& e) {
    return head + exceptionClassName(e) + QStringLiteral(" error , with message : ") + QString::fromUtf8(e.what());
}

QString localDate(const TDateTime& date) {
    if (SystemDef.WarekiDisp != 0)
        return DateToStrFmt(QStringLiteral("yy/mm/dd"), 2, date);
    return DateToStrFmt(QStringLiteral("yyyy/mm/dd"), 4, date);
}

QString localPeriodStart() {
    return DateToStrFmt(QStringLiteral("yyyy/mm/dd"), 4, AccInf.KISHU);
}

// The relay copy's period as the dialogs show it.
QString relayPeriod(const TRelayServerEntry& e) {
    if (SystemDef.WarekiDisp != 0)
        return e.PeriodStartText + QStringLiteral(" ～ ") + e.PeriodEndText;
    return e.PeriodStart.left(10) + QStringLiteral(" ～ ") + e.PeriodEnd.left(10);
}

// What differs between the open dataset and a relay entry.
struct Differences {
    bool password = false, company = false, period = false;
};

Differences differencesOf(const TRelayServerEntry& e) {
    Differences d;
    d.password = e.Password != AccInf.TusinPasword[1];
    d.company = e.DataName.trimmed() != AccInf.SHOUGOU.trimmed();
    d.period = e.PeriodStart.left(10) != localPeriodStart();
    return d;
}

// A placed line of the comparison dialog: label number and top (design pixels).
using Line = std::pair<int, int>;

} // namespace

// ---- the comparison dialog -----------------------------------------------------------------------------

namespace {

// Fills the company and period lines of the comparison dialog.
void fillDifferenceLines(TfmHikakuMess2& d, const TRelayServerEntry& e) {
    d.label(5)->setText(QStringLiteral("現在利用中の商号　：　") + AccInf.SHOUGOU);
    d.label(6)->setText(QStringLiteral("中継サーバーの商号：　") + e.DataName);
    d.label(8)->setText(QStringLiteral("現在利用中の会計期間　：　") + localDate(AccInf.KISHU) + QStringLiteral(" ～ ") +
                        localDate(AccInf.KIMATU));
    d.label(9)->setText(QStringLiteral("中継サーバーの会計期間：　") + relayPeriod(e));
}

// Shows only the given lines of labels 3 to 9 at their tops, the buttons at buttonTop, and sizes the
// dialog's height; all in design pixels scaled to the owner's resolution.
void placeLines(TfmHikakuMess2& d, const TBSDI& owner, const std::vector<Line>& lines, int buttonTop, int height) {
    for (int n = 3; n <= 9; ++n)
        d.label(n)->setVisible(false);
    for (const auto& [n, top] : lines) {
        QLabel* l = d.label(n);
        l->move(l->x(), owner.Scaled(top));
        l->setVisible(true);
    }
    for (QPushButton* b : {d.Button1(), d.Button2()})
        b->move(b->x(), owner.Scaled(buttonTop));
    d.resize(d.width(), owner.Scaled(height));
}

// The lines of the groups, top to bottom, at the tops given in order.
std::vector<Line> groupLines(bool password, bool company, bool period, std::initializer_list<int> tops) {
    // The labels of the password line, the three company lines and the three period lines.
    std::vector<int> labels;
    for (int n = 3; n <= 9; ++n)
        if ((n == 3 && password) || (n >= 4 && n <= 6 && company) || (n >= 7 && period))
            labels.push_back(n);
    std::vector<Line> out;
    auto top = tops.begin();
    for (int n : labels)
        out.emplace_back(n, top != tops.end() ? *top++ : 0);
    return out;
}

// Runs the dialog modally and frees it; the answer stays in HikakuAnswer.
void runHikaku(std::unique_ptr<TfmHikakuMess2>& dialog) {
    fmHikakuMess2 = dialog.get();
    dialog->exec();
    dialog.reset();
}

} // namespace

int TfmDataTusin::CompareWithServerData(int index) {
    if (index < 0 || index > 2)
        return 2;
    const TRelayServerEntry& e = ServerInfo.Entries[index];
    const Differences d = differencesOf(e);
    if (!d.password && !d.company && !d.period)
        return 2;
    if (!d.company && !d.period)
        return ui::askConfirmation(QStringLiteral("中継サーバーに下記相違点のあるデータが存在します。このまま送信して上書き"
                                                  "してもいいですか？\r\n\r\nパスワードが違います。")) == ui::mrYes
                   ? 1
                   : -1;
    auto dialog = std::make_unique<TfmHikakuMess2>(this);
    dialog->label(1)->setText(QStringLiteral("中継サーバーに下記相違点のあるデータが存在します。"));
    dialog->label(2)->setText(QStringLiteral("このまま送信して上書きしてもいいですか？"));
    fillDifferenceLines(*dialog, e);
    if (d.password && d.company && d.period)
        placeLines(*dialog, *this, groupLines(true, true, true, {63, 87, 108, 124, 151, 172, 188}), 226, 302);
    else if (d.password)
        placeLines(*dialog, *this, groupLines(true, d.company, d.period, {63, 89, 110, 126}), 170, 250);
    else if (d.company && d.period)
        placeLines(*dialog, *this, groupLines(false, true, true, {69, 90, 106, 133, 154, 170}), 220, 300);
    else
        placeLines(*dialog, *this, groupLines(false, d.company, d.period, {69, 90, 106}), 150, 230);
    runHikaku(dialog);
    return HikakuAnswer == 1 ? 1 : -1;
}

namespace {

// The refusal of a receive whose company or period differs; masterPeriod: the period refusal of the
// master folder.
void showReceiveRefusal(TfmDataTusin& owner, const TRelayServerEntry& e, bool company, bool period,
                        bool masterPeriod) {
    const bool automatic = owner.SyoriType == 6;
    auto dialog = std::make_unique<TfmHikakuMess2>(&owner);
    dialog->label(1)->setText(QStringLiteral("中継サーバーのデータと下記相違点があるため受信出来ません。"));
    dialog->label(2)->setText(QStringLiteral("データを切り換えて実行して下さい。"));
    dialog->label(2)->setVisible(automatic);
    fillDifferenceLines(*dialog, e);
    dialog->Button1()->setText(QStringLiteral("ＯＫ"));
    dialog->Button1()->move(owner.Scaled(190), dialog->Button1()->y());
    dialog->Button2()->setVisible(false);
    if (masterPeriod || automatic) {
        if (company && period)
            placeLines(*dialog, owner, groupLines(false, true, true, {69, 90, 106, 133, 154, 170}), 220, 300);
        else
            placeLines(*dialog, owner, groupLines(false, company, period, {69, 90, 106}), 150, 230);
    } else if (company && period) {
        placeLines(*dialog, owner, groupLines(false, true, true, {39, 60, 76, 103, 124, 140}), 190, 270);
    } else {
        placeLines(*dialog, owner, groupLines(false, company, period, {49, 70, 86}), 130, 210);
    }
    runHikaku(dialog);
}

// The master folder's company question: true when the operator goes on.
bool askCompanyOfMaster(TfmDataTusin& owner, const TRelayServerEntry& e) {
    auto dialog = std::make_unique<TfmHikakuMess2>(&owner);
    dialog->label(1)->setText(QStringLiteral("商号が違いますが、受信を続行しますか？"));
    dialog->label(2)->setVisible(false);
    fillDifferenceLines(*dialog, e);
    placeLines(*dialog, owner, groupLines(false, true, false, {49, 70, 86}), 130, 210);
    runHikaku(dialog);
    return HikakuAnswer == 1;
}

} // namespace

// ---- the direct road -------------------------------------------------------------------------------------

void TfmDataTusin::EndProcessHistory() {
    PutProcRirekiInfo(1);
}

int TfmDataTusin::RunDirectKind(bool modal) {
    const int kind = SyoriType;
    if (kind != 7 && HostMenuProc && HostMenuProc(10, QString()) > 0) {
        ui::showWarning(QStringLiteral("　\r\n現在メニュー以外の画面を表示中なので、") + OperationName +
                        QStringLiteral("処理は行えません。\r\n "));
        return -1;
    }
    if (kind == tkServerCheck)
        PerfectGrid1()->SetDefHeight(Scaled(40));
    // A missing pair stops every kind alike.
    if (AccInf.TusinHolder[1].trimmed().isEmpty()) {
        ui::showWarning(framed(QStringLiteral("通信IDが設定されてません。通信設定で設定して下さい。")));
        return -1;
    }
    if (AccInf.TusinPasword[1].trimmed().isEmpty()) {
        ui::showWarning(framed(QStringLiteral("パスワードが設定されてません。通信設定で設定して下さい。")));
        return -1;
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<TfmWaitMess> wait;
    const bool history = kind == 3 || kind == 4 || kind == 5;
    const auto end = qScopeGuard([&] {
        ShowNormalCursor();
        wait.reset();
        if (history) {
            try {
                EndProcessHistory();
            } catch (const std::exception&) {
                // Reported where it failed; the operation's result stands.
            }
        }
    });

    const bool send = kind == 3 || kind == 5 || kind == 7 || kind == 9;
    const bool merged = AccInf.GassanKbn == 1 || AccInf.GassanKbn == 2;
    if ((kind == 3 || kind == 4 || kind == 5 || kind == tkServerCheck) && CountApprovedJournals()) {
        ui::showWarning(QStringLiteral("現在ご利用中のデータは承認済み仕訳が含まれます。\r\n現金出納帳通信処理は行えません。"));
        return -1;
    }
    if ((kind == 3 || kind == 5) && merged) {
        ui::showWarning(
            QStringLiteral("現在選択中のデータは合算データのため、現金出納帳の送信処理は行えません。\r\n "));
        return -1;
    }
    if (send) {
        if (CashBookUpdaterOpen && CashBookUpdaterOpen())
            return -1;
        if (ui::askConfirmation(QStringLiteral("  \r\n中継サーバーにデータを送信します。\r\n ")) != ui::mrYes)
            return -1;
    } else if (kind == 4 && merged) {
        ui::showWarning(
            QStringLiteral("現在選択中のデータは合算データのため、現金出納帳の受信処理は行えません。\r\n "));
        return -1;
    }

    WaitMessParent = this;
    wait.reset(new TfmWaitMess(this));
    fmWaitMess = wait.get();
    for (int n : {1, 4, 5})
        wait->line(n)->setVisible(false);
    wait->line(2)->setText(QStringLiteral("認証チェック　実行中"));
    SetWaitStep(wait->line(2), TWaitStep::Running);
    wait->line(3)->setText(QStringLiteral("中継サーバー情報確認"));
    SetWaitStep(wait->line(3), TWaitStep::ToCome);
    wait->resize(435, 194);
    wait->show();
    pause();

    static const struct {
        int kind;
        const char16_t* caption;
        const char16_t* help;
    } captions[] = {{3, u"現金出納帳送信", u"tsusin06.html"},
                    {4, u"現金出納帳受信", u"tsusin07.html"},
                    {5, u"マスター送信", u"tsusin10.html"},
                    {tkServerCheck, u"サーバー確認", u"tsusin09.html"}};
    for (const auto& c : captions) {
        if (c.kind != kind)
            continue;
        setWindowTitle(QString::fromUtf16(c.caption));
        m_helpPage = QString::fromUtf16(c.help);
        if (history) {
            try {
                PutProcRirekiInfo(0);
            } catch (const std::exception&) {
                // Reported; the history row is not a condition of the transfer.
            }
        }
    }
    if (kind == tkServerCheck) {
        // The receive-time column is hidden: the dialog narrows to the columns it shows.
        const auto widen = [this](QWidget* w, int x, int width) {
            QRect r = DesignGeometry(w);
            r.setX(x < 0 ? r.x() : x);
            r.setWidth(width < 0 ? r.width() : width);
            SetDesignGeometry(w, r);
        };
        widen(PerfectGrid1(), -1, 822);
        widen(HintArea(), -1, 822);
        widen(keyButton(kF12), 749, 94);
        SetDesignClientSize(863, designClientSize().height());
    }

    const bool inUse = DM && DM->AccDatInConnection(1, SystemDef.HOSTNAME, false, SystemDef.DataDir);
    if (inUse) {
        wait->hide();
        if (ui::askConfirmation(framed(QStringLiteral("このデータは他のオペレータが使用中です。") + windowTitle() +
                                       QStringLiteral("を開始しますか？"))) != ui::mrYes)
            return -1;
        wait->show();
    }
    wait->line(2)->setText(QStringLiteral("認証チェック　終了"));
    SetWaitStep(wait->line(2), TWaitStep::Done);
    wait->line(3)->setText(QStringLiteral("中継サーバー情報確認　実行中"));
    SetWaitStep(wait->line(3), TWaitStep::Running);
    pause();
    if (!RequestServerInfo())
        return 0;
    wait.reset();
    MasterReceive = 0;

    switch (kind) {
    case 3:
    case 7:
    case 9:
        return runCashBookSend(-1);
    case 5:
        return runMasterSend(-1);
    case 4:
    case 6:
    case 10:
        return runCashBookReceive(-1);
    default:
        break;
    }

    // The server check (and any kind without a road of its own) shows the folders.
    ShowNormalCursor();
    if (!modal) {
        PrepareList(0);
        show();
        return 0;
    }
    PlaceForm(0, 0, 0, 0, 3);
    PrepareList(1);
    exec();
    return Received ? 1 : 0;
}

int TfmDataTusin::runCashBookSend(int result) {
    const int target = SyoriType == 3 ? 1 : 0;
    const TRelayServerEntry& master = ServerInfo.Entries[2];
    if (!master.DataName.isEmpty() && master.PeriodStart.left(10) == localPeriodStart()) {
        ui::showWarning(framed(QStringLiteral("中継サーバーに未受信の全データが存在しますので送信できません。")));
        return result;
    }
    if (!ServerInfo.Entries[target].DataName.isEmpty() && CompareWithServerData(target) == -1)
        return result;
    try {
        // Only a send that arrived whole and marked its rows says it has ended.
        const bool sent = SendCashBookData() == 1;
        if (sent && SyoriType != 7)
            ui::showInformation(QStringLiteral("　\r\n送信処理が終了しました。\r\n　"));
        return sent ? 1 : 0;
    } catch (const std::exception& e) {
        ui::showError(exceptionText(QStringLiteral("送信処理中にエラーになりました。\r\n"), e));
        return 0;
    }
}

int TfmDataTusin::runMasterSend(int result) {
    const std::array<TRelayServerEntry, 10>& entries = ServerInfo.Entries;
    if (!entries[0].DataName.isEmpty()) {
        ui::showWarning(framed(QStringLiteral("受信処理を行ってから、マスター送信して下さい。")));
        return result;
    }
    if (!entries[2].DataName.isEmpty() && entries[2].PeriodStart.left(10) != localPeriodStart() &&
        CompareWithServerData(2) != 1)
        return result;
    if (!entries[1].DataName.isEmpty()) {
        if (ui::askConfirmation(QStringLiteral("中継サーバーに現金出納帳データが存在します。\r\nこのままマスター送信をすると、"
                                               "削除されます。続行しますか？")) != ui::mrYes)
            return result;
        DeleteCashBookServerData(1);
    }
    try {
        const bool sent = SendCashBookData() == 1;
        if (sent)
            ui::showInformation(framed(QStringLiteral("送信処理が終了しました。")));
        return sent ? 1 : 0;
    } catch (const std::exception& e) {
        ui::showError(exceptionText(QStringLiteral("送信処理中にエラーになりました。\r\n"), e));
        return 0;
    }
}

int TfmDataTusin::runCashBookReceive(int result) {
    const int kind = SyoriType;
    const std::array<TRelayServerEntry, 10>& entries = ServerInfo.Entries;
    int folder = -1;
    if (kind == 4)
        folder = entries[0].DataName.isEmpty() ? -1 : 0;
    else if (!entries[2].DataName.isEmpty())
        folder = 2;
    else if (!entries[1].DataName.isEmpty())
        folder = 1;
    if (folder < 0) {
        if (kind != 6)
            ui::showWarning(framed(QStringLiteral("受信データがありません。")));
        return 0;
    }
    CashBookFolder = folder;
    const TRelayServerEntry& e = entries[folder];
    const Differences d = differencesOf(e);
    if (d.password) {
        ui::showWarning(framed(QStringLiteral("パスワードが違います。")));
        return result;
    }
    if (folder == 2) {
        MasterReceive = 1;
        if (d.period) {
            showReceiveRefusal(*this, e, false, true, true);
            return result;
        }
        // A master copy of another company may be taken in; the answer is no result yet.
        if (d.company && !askCompanyOfMaster(*this, e))
            return result;
    } else if (d.company || d.period) {
        showReceiveRefusal(*this, e, d.company, d.period, false);
        return result;
    }
    if (kind != 6 && ui::askConfirmation(framed(QStringLiteral("これよりデータを受信します。"))) != ui::mrYes)
        return 0;

    ReceiveCancelled = 0;
    try {
        if (ReceiveCashBookData(folder) != 0) {
            DeleteCashBookServerData(folder);
            return folder == 2 ? 2 : 1;
        }
        if (!ReceiveCancelled)
            ui::showError(framed(QStringLiteral("受信処理が正常に終了していません。")));
    } catch (const std::exception& ex) {
        ui::showError(exceptionText(QStringLiteral("受信処理中にエラーになりました。\r\n"), ex));
    }
    return 0;
}

// Deleting the data of a relay folder, a cash-book folder or a cloud-share area, and setting an area's
// share status: one status request each, started from the dialog's list.
#include "tusin/z5DataTusin.h"

#include "controls/PerfectGrid.h"
#include "controls/xAnimeProgressDialog.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "tusin/z5TusinSetteiPas.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace {

QString framed(const QString& text) {
    return QStringLiteral("　\r\n") + text + QStringLiteral("\r\n ");
}

const QString kNoData = framed(QStringLiteral("選択したフォルダには、データは存在しません。"));
const QString kDeleted = framed(QStringLiteral("中継サーバーのデータを削除しました。"));

// The progress window of a delete, closed however the request ends.
class DeleteProgress {
public:
    explicit DeleteProgress(QWidget* owner) {
        m_progress.setCaption(QStringLiteral("削除中"));
        m_progress.setInfoLabel(QStringLiteral("データ削除中…"));
        m_progress.setAviFile(SystemDef.ProgramDir + QStringLiteral("/progress.avi"));
        m_progress.setCancelBtnShow(false);
        m_progress.Execute(owner);
    }
    ~DeleteProgress() { close(); }
    void close() {
        if (m_open)
            m_progress.Close();
        m_open = false;
    }
    DeleteProgress(const DeleteProgress&) = delete;
    DeleteProgress& operator=(const DeleteProgress&) = delete;

private:
    TxAnimeProgressDialog m_progress;
    bool m_open = true;
};

} // namespace

QString InUseText(const QString& head, const TRelayServerEntry& entry) {
    if (entry.UserOperator.isEmpty())
        return head + u' ';
    bool ok = false;
    const int code = entry.UserOperator.left(4).trimmed().toInt(&ok);
    return head + QStringLiteral("\r\nオペレータコード: [ ") + (ok ? QString::number(code) : QString()) +
           QStringLiteral(" ]\r\nオペレータ名:     [ ") + entry.UserOperator.mid(4) +
           QStringLiteral(" ]\r\nコンピュータ名:   [ ") + entry.UserComputer + QStringLiteral(" ]");
}

bool TfmDataTusin::DeleteServerData() {
    const int row = SelectedRow();
    if (row < 0 || row >= 10)
        return true;
    TPerfectGrid* g = PerfectGrid1();
    const bool areas = SyoriType >= tkCloudSend;
    if (!areas) {
        if (g->CellText(row, 1).trimmed().isEmpty()) {
            ui::showMessage(ui::MsgKind::Information, kNoData, ui::mbYes);
            return true;
        }
        if (ui::askConfirmation(framed(QStringLiteral("選択した中継サーバーのデータを削除します。実行しますか？"))) !=
            ui::mrYes)
            return true;
    } else {
        if (g->CellText(row, 2).trimmed().isEmpty())
            return true;
        const TRelayServerEntry& e = ServerInfo.Entries[row];
        if (e.ShareStatus == u"2") {
            ui::showMessage(ui::MsgKind::Information,
                            InUseText(QStringLiteral("現在使用中のため削除できません。"), e), ui::mbOK);
            return false;
        }
        TfmTusinSettiPas pas(this);
        pas.Label2()->setText(e.Password);
        if (pas.ShowModal() != ui::mrOk)
            return true;
    }

    DeleteProgress progress(this);
    const TRelayOutcome outcome = RequestDeleteData(areas, false, row + 1, relayContext(), Relay);
    progress.close();
    if (outcome != TRelayOutcome::Ok)
        return true; // the request has shown its failure
    for (int c = 1; c <= (areas ? 7 : 6); ++c)
        g->SetCellText(row, c, QString());
    activateWindow();
    if (!areas) {
        ui::showMessage(ui::MsgKind::Information, kDeleted, ui::mbYes);
    } else {
        keyButton(kF5)->setEnabled(false);
        ui::showMessage(ui::MsgKind::Information, framed(QStringLiteral("クラウドシェアのデータを削除しました。")),
                        ui::mbYes);
        if (row + 1 == AccInf.CLOUD_LINE)
            ChosenAreaName.clear();
    }
    return true;
}

bool TfmDataTusin::DeleteCashBookServerData(int index) {
    if (index < 0 || index > 2)
        return true;
    const bool listed = SyoriType == tkServerCheck;
    if (listed && PerfectGrid1()->CellText(index, 1).trimmed().isEmpty()) {
        ui::showMessage(ui::MsgKind::Information, kNoData, ui::mbYes);
        return false;
    }
    DeleteProgress progress(this);
    const TRelayOutcome outcome = RequestDeleteData(false, true, index + 1, relayContext(), Relay);
    progress.close();
    if (outcome == TRelayOutcome::Ok && listed) {
        for (int c = 1; c <= 6; ++c)
            PerfectGrid1()->SetCellText(index, c, QString());
        activateWindow();
        ui::showMessage(ui::MsgKind::Information, kDeleted, ui::mbYes);
    }
    return true;
}

bool TfmDataTusin::SetAreaShareStatus(int area, int status) {
    return RequestShareStatus(area, status, OperatorText, ComputerText, relayContext(), Relay) ==
           TRelayOutcome::Ok;
}

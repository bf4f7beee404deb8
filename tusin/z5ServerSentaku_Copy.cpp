// Copying a dataset from one area of the share into another (copy, then paste), adding an area and
// deleting an area's dataset.
//
// Everything that removes folders checks first that the folder lies strictly inside the share root (a
// paste's child folders: inside the target), after "..", "." and links are resolved: a list row is only
// a cache of the share and may name anything.

#include "tusin/z5ServerSentaku.h"

#include "controls/PerfectGrid.h"
#include "controls/xAnimeProgressDialog.h"
#include "controls/z5InputDlg.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComCloudShare.h"
#include "datalist/z5ComDataSentaku.h"
#include "platform/UserInteraction.h"
#include "tusin/z5DataTusin.h"
#include "ui_z5ServerSentaku.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kCopySuffix = QStringLiteral("～コピー");
const QString kContained = QStringLiteral("貼付先にコピー元のパスが含まれています。処理を中断します。");
const QString kDeleteFailed = QStringLiteral("データの削除に失敗しました。\r削除処理を中止しました。");
// The characters the folder-name filter of the input dialog refuses.
const QString kNameRefused = QStringLiteral("\"*,/:;<>?\\|");

bool isMergedParent(quint8 kind) {
    return kind == 1 || kind == 2;
}

bool hasDataFile(const QString& folder) {
    return QFileInfo(ExcludePathDelim(folder) + u'/' + DataFileName).isFile();
}

bool sameFolder(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
    return (!ca.isEmpty() && ca == cb) || ExcludePathDelim(a) == ExcludePathDelim(b);
}

} // namespace

int TServerSentakuBox::FetchCloudShareSource(TDataListRec& row) {
    // The area's copy comes into the work area's receive folder; the area is then free again, since
    // the copy does not work on it.
    TfmDataTusin tusin(this);
    int result = tusin.CloudShareReceiveToFolder(row.LOCALPATH, 0);
    if (result == 0)
        result = tusin.ReleaseCloudShareArea(row.LOCALPATH);
    return result;
}

void TServerSentakuBox::CancelCopy() {
    if (!CopySource.isEmpty())
        DataInfo->SetDataStatus(CopySource, 1);
    PastePending = false;
    CopySource.clear();
    CopyIndex = -1;
    SetFunctionKeys();
}

void TServerSentakuBox::copyStep() {
    PastePending = true;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int gridRow = g->CurrentRow();
    const TDataListRec* current = RowRecord(gridRow);
    if (!current) {
        PastePending = false;
        SetFunctionKeys();
        return;
    }
    TDataListRec row = *current;
    if (DM && DM->IsCloudShareEnabled(0) && row.CLOUD == 1) {
        g->setEnabled(false);
        m_bottomEnabled = false;
        SetFunctionKeys();
        row.LOCALPATH = ListCtl->GetSharedDataLocalPath(row.PASNAME, row.GASSAN);
        const int result = row.LOCALPATH.isEmpty() ? 1 : FetchCloudShareSource(row);
        g->setEnabled(true);
        m_bottomEnabled = true;
        if (result >= 1 && result <= 9) {
            PastePending = false;
            SetFunctionKeys();
            return;
        }
    }
    const QString source = ExcludePathDelim(row.PASNAME);
    if (ShowDataState(source, true, true) != 1) {
        PastePending = false;
        SetFunctionKeys();
        return;
    }
    CopySource = source;
    CopyName = TrimZenkaku(LeftStrB(row.ENTTEXT + kCopySuffix, 40));
    CopyRec = row;
    CopyRec.ENTTEXT = CopyName;
    CopyRec.DISPNAME = CopyName;
    CopyIndex = ListIndexOfRow(gridRow);
    DataInfo->SetDataStatus(source, 6);
}

void TServerSentakuBox::pasteStep() {
    PasteData();
}

bool TServerSentakuBox::PasteData() {
    PastePending = false;
    const QString source = CopySource;
    TPerfectGrid* g = ui->PerfectGrid1;
    const int gridRow = g->CurrentRow();
    TDataListRec* targetRow = RowRecord(gridRow);
    const QString target = targetRow ? ExcludePathDelim(targetRow->PASNAME) : QString();
    bool targetMarked = false;
    bool progressShown = false;

    // Every way out frees both areas again, whatever happened in between.
    struct Finish {
        TServerSentakuBox* box;
        const QString& source;
        const QString& target;
        bool& targetMarked;
        bool& progressShown;
        ~Finish() {
            try {
                if (progressShown)
                    box->m_progress->Close();
                if (targetMarked)
                    box->DataInfo->SetDataStatus(target, 1);
                if (!source.isEmpty())
                    box->DataInfo->SetDataStatus(source, 1);
            } catch (...) {
                // A status that cannot be written back shows as busy; the operator clears it in the details.
            }
            box->CopySource.clear();
            box->CopyIndex = -1;
            if (box->isVisible()) {
                box->show();
                ForceForegroundWindow(box);
            }
        }
    } finish{this, source, target, targetMarked, progressShown};

    if (!targetRow || source.isEmpty() || target.isEmpty() || sameFolder(source, target))
        return true;
    if (DM && DM->IsCloudShareEnabled(0) && targetRow->CLOUD == 1) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("クラウドシェアデータのため貼り付け処理は行えません。"));
        return true;
    }
    const int state = ShowDataState(target, false, true);
    if (state != 1 && state != 10)
        return true;
    // Before anything is changed: a target inside the source (or the source inside the target, whose
    // child folders the paste removes) would copy a folder into itself or delete the data it copies.
    if (IsPathStrictlyInside(target, source) || IsPathStrictlyInside(source, target) ||
        !IsPathStrictlyInside(target, ShareRoot)) {
        ui::showMessage(ui::MsgKind::Error, kContained);
        return true;
    }

    m_progress->setCaption(QStringLiteral("コピー中"));
    m_progress->setInfoLabel(QStringLiteral("データのコピー中…"));
    m_progress->setAviFile(SystemDef.ProgramDir + QStringLiteral("/progress.avi"));
    m_progress->setCancelBtnShow(false);
    m_progress->Execute(this);
    progressShown = true;

    const bool damaged = state == 10;
    if (damaged) {
        if (ui::showMessage(
                ui::MsgKind::Confirmation,
                QStringLiteral(
                    "このデータは破損データのため、データ間の照合チェックは行わずにコピーを行います。\r"
                    "よろしいですか？"),
                ui::mbYes | ui::mbNo) != ui::mrYes)
            return true;
    } else if (CompareData(QStringLiteral("貼り付け"), source, target) != 1) {
        return true;
    }

    DataInfo->SetDataStatus(target, 7);
    targetMarked = true;
    if (isMergedParent(targetRow->GASSAN)) {
        const int targetIndex = ListIndexOfRow(gridRow);
        if (targetIndex >= 0)
            List[targetIndex].CHILDCNT = 0;
        ListCtl->DeleteServerDataListChildRecord(*targetRow, true);
        for (const QString& name : TDataSentakuListCtl::ListChildFolders(*targetRow)) {
            const QString child = target + u'/' + name;
            if (IsPathStrictlyInside(child, target) && IsPathStrictlyInside(child, ShareRoot))
                DM->ServerRmDir(child, ConnectMode, false);
        }
    }

    // A cloud-share source was fetched into the work area by the copy step: that copy is pasted, as
    // data of its own outside the cloud share.
    QString copyFrom = source;
    if (DM && DM->IsCloudShareEnabled(0) && CopyRec.CLOUD == 1) {
        DataInfo->SetDataStatus(source, 1);
        copyFrom = ExcludePathDelim(SystemDef.TempDir) + QStringLiteral("/receive");
        TCloudShareIO().ClearSetting(SystemDef.HOSTNAME, copyFrom);
        if (DM->IBDatabaseDAT.isConnected())
            DM->fnAccDatDisConnected(SystemDef.DataDir, 0, 0);
        if (DM->fnAccDatConnected(SystemDef.HOSTNAME, copyFrom, 1))
            DM->fnAccDatDisConnected(copyFrom, 1, 0);
    }

    if (!ShellFolderCopyMove(copyFrom + QStringLiteral("/*"), target, FO_COPY))
        return false;

    DataInfo->SetDataStatus(target, 1);
    targetMarked = false;
    TDataInfomationRec info;
    DataInfo->ReadDataIni(target, info);
    info.DATALISTNAME = CopyName;
    info.CODE = CopyRec.DATACODE;
    info.SHOUGOU = CopyRec.SHOUGOU;
    info.UPDATE_LOCK = CopyRec.UPDATE_LOCK;
    info.GASSANKBN = CopyRec.GASSAN == 10 ? 0 : CopyRec.GASSAN;
    info.READ_ONLY = CopyRec.READ_ONLY;
    DataInfo->WriteIniFile(target, TDataInfomation::SectionInfo, info);
    DataInfo->SetShareStatus(target, 1);

    const bool targetIsChild = targetRow->GASSAN == 10;
    refreshRowFromFolder(*targetRow, target);
    targetRow->DATA_STATUS = 0;
    writeRow(*targetRow);

    if (!targetIsChild) {
        const bool sourceMerged = isMergedParent(CopyRec.GASSAN) && CopyIndex >= 0 &&
                                  CopyIndex < List.size() && isMergedParent(List[CopyIndex].GASSAN);
        if (sourceMerged) {
            for (const TDataListRec& child : std::as_const(List[CopyIndex].CHILDREN)) {
                TDataListRec c = child;
                c.REC = targetRow->REC;
                c.PASNAME.replace(source, target);
                ListCtl->UpdateServerDataListChildRecord(c, true, true);
            }
        }
    }

    LoadList(false);
    FillGrid();
    selectFolderRow(target);
    return true;
}

int TServerSentakuBox::CompareData(const QString& operation, const QString& source, const QString& target) {
    if (source.trimmed().isEmpty()) {
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("%1処理元のデータパスが不正です。\r").arg(operation));
        return 0;
    }
    if (target.trimmed().isEmpty()) {
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("%1処理先のデータパスが不正です。\r").arg(operation));
        return 0;
    }
    if (!QFileInfo(target).isDir()) {
        ForceFolder(target);
        return 1;
    }
    if (!hasDataFile(target))
        return 1;
    TDataInfomationRec from, to;
    DataInfo->ReadDataIni(source, from);
    DataInfo->ReadDataIni(target, to);
    QStringList lines;
    const auto block = [&](const QString& heading, const QString& a, const QString& b) {
        lines << heading << QStringLiteral("　【%1元】：%2").arg(operation, a)
              << QStringLiteral("　【%1先】：%2").arg(operation, b) << QString();
    };
    const auto date = [](const QString& text) {
        return DateToStrFmt(QStringLiteral("yyyy/mm/dd"), 2, StrToDateFixed(text));
    };
    if (from.SHOUGOU != to.SHOUGOU)
        block(QStringLiteral("会社名に違いがありました。"), from.SHOUGOU, to.SHOUGOU);
    if (from.KISHU != to.KISHU)
        block(QStringLiteral("期首に違いがありました。"), date(from.KISHU), date(to.KISHU));
    if (from.KIMATU != to.KIMATU)
        block(QStringLiteral("期末に違いがありました。"), date(from.KIMATU), date(to.KIMATU));
    if (from.TOTALSIWAKE < to.TOTALSIWAKE)
        block(QStringLiteral("仕訳件数(修正・削除仕訳含む)が減っています。"),
              IntToComma(from.TOTALSIWAKE) + QStringLiteral(" 件"),
              IntToComma(to.TOTALSIWAKE) + QStringLiteral(" 件"));
    if (lines.isEmpty())
        return 1;
    ui::MessageRequest request;
    request.kind = ui::MsgKind::Confirmation;
    request.caption = QStringLiteral("データ照合チェックの結果");
    request.text = QStringLiteral("以下の項目に違いが検出されました。\r\r") + lines.join(u'\r');
    request.buttons = ui::mbOK | ui::mbCancel;
    request.agreeCaption = QStringLiteral("データ%1処理の続行に同意します。").arg(operation);
    return ui::current().message(request) == ui::mrOk ? 1 : 0;
}

bool TServerSentakuBox::AddArea() {
    if (ShareRoot.isEmpty())
        return true;
    if (List.size() >= MaxAreas) {
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("これ以上の領域追加は行えません。(最大%1件)").arg(MaxAreas),
                        ui::mbYes);
        return true;
    }
    ui::InputRequest request;
    request.caption = QStringLiteral("データの領域追加");
    request.prompt = QStringLiteral("新しく作成するフォルダ名を入力して下さい。");
    request.initial = ListCtl->GetNextServerFolderName(ShareRoot, 1);
    request.maxLength = 10;
    request.hint = QStringLiteral("ﾌｫﾙﾀﾞ名を指定して［OK］するとﾃﾞｰﾀ領域が追加されます。|"
                                  "ﾌｫﾙﾀﾞ名を指定して［OK］するとﾃﾞｰﾀ領域が追加されます。");
    request.charFilter = TInputDlgBox::cfFileName;
    const std::optional<QString> answer = ui::current().input(request);
    if (!answer)
        return true;
    const QString name = TrimZenkaku(answer->toLower());
    if (name.isEmpty())
        return true;
    const QString folder = areaPath(name);
    // The input dialog refuses these characters; a name from elsewhere must not leave the share either.
    const bool refused =
        name == QStringLiteral(".") || name == QStringLiteral("..") ||
        std::any_of(name.begin(), name.end(), [](QChar c) { return kNameRefused.contains(c); });
    if (!refused && QFileInfo::exists(folder)) {
        ui::showMessage(ui::MsgKind::Warning, QStringLiteral("\"%1\"は既に作成されています。").arg(folder));
        return true;
    }
    if (refused || !ForceFolder(folder)) {
        ui::showMessage(ui::MsgKind::Warning, QStringLiteral("\"%1\"の作成に失敗しました。").arg(folder));
        return true;
    }
    TDataListRec row;
    ListCtl->InitDataListRec(row, QString());
    row.NETDRIVE = 1;
    row.ENTTEXT = kNewAreaText;
    row.DISPNAME = kNewAreaText;
    row.KIKAN = QStringLiteral("～");
    row.PASNAME = folder;
    row.GROUPID = SystemDef.GROUPID;
    writeRow(row);
    LoadList(false);
    FillGrid();
    selectFolderRow(folder);
    ui->PerfectGrid1->setFocus();
    return true;
}

bool TServerSentakuBox::DeleteData(bool reportFailure) {
    TPerfectGrid* g = ui->PerfectGrid1;
    if (!HasCurrentRow())
        return false;
    const int gridRow = g->CurrentRow();
    const TDataListRec* row = RowRecord(gridRow);
    if (!row || row->GASSAN == 10 || int(g->GetCellValue(gridRow, colGassan)) == 10)
        return false;
    if (DM && DM->IsCloudShareEnabled(0) && row->CLOUD == 1) {
        ui::showMessage(ui::MsgKind::Information,
                        QStringLiteral("クラウドシェアデータのため削除処理は行えません。"));
        return false;
    }
    const QString folder = ExcludePathDelim(row->PASNAME);
    if (!IsPathStrictlyInside(folder, ShareRoot)) {
        if (reportFailure)
            ui::showMessage(ui::MsgKind::Error, kDeleteFailed);
        return false;
    }
    const int state = ShowDataState(folder, false, true);
    if (state != 1 && state != 10)
        return false;
    const QStringList lines{QStringLiteral("【データ名】"),
                            QStringLiteral("　") + g->CellText(gridRow, colName),
                            QString(),
                            QStringLiteral("【会計期間】"),
                            QStringLiteral("　") + g->CellText(gridRow, colKikan),
                            QString(),
                            QStringLiteral("【データフォルダ】"),
                            QStringLiteral("　") + g->CellText(gridRow, colFolder)};
    ui::MessageRequest request;
    request.kind = ui::MsgKind::Confirmation;
    request.caption = QStringLiteral("データの削除");
    request.text = QStringLiteral("選択中のデータを削除します。\r\r") + lines.join(u'\r');
    request.buttons = ui::mbOK | ui::mbCancel;
    request.agreeCaption = QStringLiteral("データの削除に同意します");
    if (ui::current().message(request) != ui::mrOk)
        return false;
    const bool deleted = ShellFolderOp(folder, FO_DELETE, false, false);
    RefreshFromShare();
    if (!deleted && reportFailure)
        ui::showMessage(ui::MsgKind::Error, kDeleteFailed);
    return deleted;
}

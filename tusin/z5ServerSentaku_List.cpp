// The data side of the shared-server list: loading the areas of a share, refreshing every row from its
// folder, the search filter, the state of one area and the writes back.

#include "tusin/z5ServerSentaku.h"

#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "platform/UserInteraction.h"

#include <QFileInfo>
#include <QHash>

namespace {

// Grid sort column to the sort order of the shared-list load.
quint8 sortOrderOf(int col) {
    switch (col) {
    case TServerSentakuBox::colCode:
        return 7;
    case TServerSentakuBox::colName:
        return 2;
    case TServerSentakuBox::colNendo:
        return 3;
    case TServerSentakuBox::colKikan:
        return 4;
    case TServerSentakuBox::colFolder:
        return 5;
    case TServerSentakuBox::colVersion:
        return 6;
    default:
        return 1;
    }
}

bool hasDataFile(const QString& folder) {
    return QFileInfo(ExcludePathDelim(folder) + u'/' + DataFileName).isFile();
}

// The values of an area without data; the caller keeps what it needs of the row.
void freeAreaValues(TDataListRec& row) {
    row.REC = 0;
    row.ROWNO = 0;
    row.GROUPID = SystemDef.GROUPID;
    row.DATACODE.clear();
    row.ENTTEXT = kFreeAreaText;
    row.SHOUGOU.clear();
    row.NENDO = 0;
    row.KIKAN = QStringLiteral("～");
    row.KISHU = TDateTime();
    row.KIMATU = TDateTime();
    row.NETDRIVE = 1;
    row.PASNAME.clear();
    row.DATATYPE = 0;
    row.CODETYPE = 0;
    row.TANTOU = 0;
    row.DATALOCK = 0;
    row.VER_MAJOR = 0;
    row.VER_MINOR1 = 0;
    row.VER_MINOR2 = 0;
    row.VER_TEXT.clear();
    row.UPDATE_LOCK = 0;
    row.GASSAN = 0;
    row.DISPNAME = row.ENTTEXT;
    row.CLOUD = 0;
    row.READ_ONLY = 0;
}

} // namespace

void TServerSentakuBox::LoadList(bool refresh) {
    List.clear();
    ChildList.clear();
    Disp.clear();
    if (ShareRoot.isEmpty())
        return;
    const quint8 order = sortOrderOf(SortCol);
    if (refresh) {
        // One transaction for the whole rebuild: the list is a cache of the share, and a commit per area
        // would cost more than reading the areas. A row that fails is reported and the others go on.
        OwnTransaction own(DM->IBTransactionDEF);
        ListCtl->ServerExecute(1, ShareRoot, QString(), SortDesc, order);
        TDataSentakuListCtl::ServerAreaWriter writer(*ListCtl, ShareRoot);
        for (TDataSentakuRec& parent : ListCtl->Rows) {
            refreshRowFromFolder(parent, parent.PASNAME);
            writeRow(parent, &writer);
            for (qsizetype i = 0; i < parent.CHILDREN.size(); ++i) {
                TDataListRec& child = parent.CHILDREN[i];
                refreshRowFromFolder(child, child.PASNAME);
                child.REC = parent.REC;
                child.ROWNO = qint32(i + 1);
                child.GASSAN = 10;
                writeRow(child, &writer);
            }
        }
        try {
            own.commit();
        } catch (const fb::Error& e) {
            ErrFbAccess(e, QStringLiteral("TServerSentakuBox.LoadList"),
                        QStringLiteral("共有データリストの更新に失敗しました。"));
        }
    }
    ListCtl->ServerExecute(0, ShareRoot, QString(), SortDesc, order);
    List = ListCtl->Rows;
    ChildList = ListCtl->Children;
    // Every child goes under its parent in list order, numbered from 1.
    QHash<qint32, QList<qsizetype>> childrenOf;
    for (qsizetype i = 0; i < ChildList.size(); ++i)
        childrenOf[ChildList[i].REC].append(i);
    for (TDataSentakuRec& parent : List) {
        parent.CHILDREN.clear();
        for (const qsizetype i : childrenOf.value(parent.REC)) {
            TDataListRec c = ChildList[i];
            c.GASSAN = 10;
            c.ROWNO = qint32(parent.CHILDREN.size() + 1);
            parent.CHILDREN.append(c);
        }
        parent.CHILDCNT = qint32(parent.CHILDREN.size());
    }
    ApplyFilter();
}

void TServerSentakuBox::refreshRowFromFolder(TDataListRec& row, const QString& folder) {
    if (ShowDataState(folder, false, false) == 10)
        row.DATA_STATUS = 1;
    const TDataInfomationRec& info = DataInfo->Rec;
    const qint32 rec = row.REC, rowNo = row.ROWNO, netDrive = row.NETDRIVE;
    const QString pasName = row.PASNAME;
    const quint8 gassan = row.GASSAN;
    row.DATACODE = info.CODE;
    row.ENTTEXT = info.DATALISTNAME.isEmpty() ? kFreeAreaText : info.DATALISTNAME;
    row.SHOUGOU = info.SHOUGOU;
    if (row.ENTTEXT == kFreeAreaText || row.ENTTEXT == kNewAreaText)
        row.SHOUGOU.clear();
    row.NENDO = info.NENDO;
    row.KIKAN = QStringLiteral("%1 ～ %2").arg(info.KISHU, info.KIMATU);
    row.KISHU = StrToDateFixed(info.KISHU);
    row.KIMATU = StrToDateFixed(info.KIMATU);
    row.DATATYPE = info.DATAKBN;
    row.CODETYPE = info.CODEKBN;
    row.TANTOU = info.TANTO;
    row.DATALOCK = info.STATUS == 3 && info.OPCODE != 0 ? 1 : 0;
    row.VER_MAJOR = info.MAJOR;
    row.VER_MINOR1 = info.MINOR1;
    row.VER_MINOR2 = info.MINOR2;
    row.VER_TEXT = info.VERSION2;
    row.UPDATE_LOCK = info.UPDATE_LOCK;
    row.GASSAN = gassan == 10 ? 10 : info.GASSANKBN;
    row.DISPNAME = row.ENTTEXT;
    row.CLOUD = info.CLOUD_SHARE;
    row.READ_ONLY = info.READ_ONLY;
    row.GROUPID = SystemDef.GROUPID;
    row.REC = rec;
    row.ROWNO = rowNo;
    row.NETDRIVE = netDrive;
    row.PASNAME = pasName;
}

void TServerSentakuBox::writeRow(TDataListRec& row, TDataSentakuListCtl::ServerAreaWriter* writer) {
    if (!hasDataFile(row.PASNAME)) {
        if (row.ENTTEXT.isEmpty())
            return;
        const qint32 rec = row.REC, rowNo = row.ROWNO;
        const quint8 gassan = row.GASSAN;
        const QString name = row.ENTTEXT, folder = row.PASNAME;
        freeAreaValues(row);
        row.REC = rec;
        row.ROWNO = rowNo;
        row.ENTTEXT = name;
        row.DISPNAME = name;
        row.PASNAME = folder;
        // A child area stays a child, so that it is written to the children's table.
        if (gassan == 10)
            row.GASSAN = 10;
    }
    if (writer)
        writer->Write(row);
    else
        ListCtl->UpdateServerDataListRecord(row, true, true);
}

void TServerSentakuBox::RefreshFromShare() {
    // The refresh ends with the stored list loaded again.
    LoadList(true);
    FillGrid();
}

void TServerSentakuBox::ApplyFilter() {
    // The data kind is compared as the pair; the rest as on the data-selection list, the version exactly.
    TDataKensakuRec condition = Jyoken;
    condition.VERCMP = 0;
    const bool byKind = condition.DATATYPE != 0 && condition.CODETYPE != 0;
    const QString kind = QStringLiteral("%1%2").arg(condition.DATATYPE).arg(condition.CODETYPE);
    condition.DATATYPE = 0;
    condition.CODETYPE = 0;
    Disp.clear();
    for (qsizetype i = 0; i < List.size(); ++i) {
        const TDataSentakuRec& row = List[i];
        if (byKind && QStringLiteral("%1%2").arg(row.DATATYPE).arg(row.CODETYPE) != kind)
            continue;
        if (!KensakuMatches(condition, row))
            continue;
        Disp.append(qint32(i));
    }
}

int TServerSentakuBox::ShowDataState(const QString& folder, bool warnIfEmpty, bool showRefusal) {
    if (!hasDataFile(folder)) {
        DataInfo->InitDataInfoRec(DataInfo->Rec);
        if (!warnIfEmpty)
            return 1;
        ui::showMessage(ui::MsgKind::Warning, QStringLiteral("このフォルダには財務データがありません。\r"));
        return 0;
    }
    if (!QFileInfo(TDataInfomation::IniPath(folder)).isFile())
        DataInfo->RefreshIniFile(folder, QString());
    DataInfo->ReadDataIni(folder, DataInfo->Rec);
    const TDataInfomationRec& info = DataInfo->Rec;
    const int status = info.STATUS;
    if (showRefusal && status != 1 && status != 10) {
        const qint32 group = SystemDef.GROUPID * 10000;
        const qint32 opcode = group != 0 ? info.OPCODE % group : info.OPCODE;
        const QStringList lines{
            QStringLiteral("【データフォルダ】"), QStringLiteral("　") + folder,       QString(),
            QStringLiteral("【オペレータ】"),     QStringLiteral("　%1").arg(opcode),  QString(),
            QStringLiteral("【オペレータ名】"),   QStringLiteral("　") + info.OPERATOR};
        ui::showMessage(ui::MsgKind::Warning,
                        QStringLiteral("このデータは%1のため処理が行えません。").arg(DataStatusName(status)) +
                            QStringLiteral("\r\r") + lines.join(u'\r'),
                        ui::mbOK, QStringLiteral("選択データの状態"));
    }
    return status;
}

bool TServerSentakuBox::SetShareStatus(const QString& folder, int status) {
    if (status != 1 && status != 2)
        return false;
    return DataInfo->SetShareStatusIfChanged(folder, status);
}

void TServerSentakuBox::UpdateDataListRecord(TDataListRec& row) {
    if (row.GASSAN == 10) {
        ListCtl->UpdateServerDataListChildRecord(row, true, true);
        return;
    }
    if (!ListCtl->UpdateServerDataListRecord(row, true, true))
        return;
    // The area's own information file carries the name and the two locks to the other computers.
    const QString folder = ExcludePathDelim(row.PASNAME);
    if (!hasDataFile(folder))
        return;
    DataInfo->WriteIniValue(folder, TDataInfomation::SectionInfo, false, row.ENTTEXT,
                            QStringLiteral("DATALISTNAME"));
    DataInfo->WriteIniValue(folder, TDataInfomation::SectionStatus, false, QString::number(row.UPDATE_LOCK),
                            QStringLiteral("UPDATE_LOCK"));
    DataInfo->WriteIniValue(folder, TDataInfomation::SectionStatus, false, QString::number(row.READ_ONLY),
                            QStringLiteral("READ_ONLY"));
}

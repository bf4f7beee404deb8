// Receiving the data of a shared-server area into its local copy and sending the copy back. Both ways
// copy into a staging folder inside the target first and put the copies in place only after every part
// (the dataset and, for merged data, each child) has arrived, so a failure leaves the target as it was.

#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datalist/z5ComDataSentaku_p.h"
#include "platform/UserInteraction.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <filesystem>
#include <system_error>

using namespace datalist;
namespace fs = std::filesystem;

namespace {

const QString kStatusCaption = QStringLiteral("選択データの状態");
const QString kUnreachable = QStringLiteral("共有サーバーが起動していない、接続が切断されている または "
                                            "共有サーバー上のデータ領域が削除された可能性があります。");
const QString kDamaged =
    QStringLiteral("共有サーバー上のデータが破損しているため、共有データの取得を中止します。\r"
                   "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。");
const QString kInUse = QStringLiteral("共有データは現在使用されています。");

// The staging folder of a transfer inside its target folder. It holds no data file itself, so it is
// never taken for a child of merged data.
const QString kStagingName = QStringLiteral("~kyoyu");
// Inside the staging folder: where a replaced child folder waits until the transfer is complete.
const QString kReplacedPrefix = QStringLiteral("old-");

fs::path nativePath(const QString& path) {
    return fs::path(QFile::encodeName(path).toStdString());
}

QString joined(const QString& folder, const QString& name) {
    return ExcludePathDelim(folder) + u'/' + name;
}

bool holdsData(const QString& folder) {
    return !folder.isEmpty() && QFileInfo(joined(folder, DataFileName)).isFile();
}

void removeStaging(const QString& staging) {
    std::error_code ec;
    fs::remove_all(nativePath(staging), ec);
}

// The files of a dataset ("placc.*") of the staging folder replace those of the target, one rename each.
bool moveDataFiles(const QString& staging, const QString& target) {
    const QString filter = QFileInfo(DataFileName).completeBaseName() + QStringLiteral(".*");
    const QStringList names = QDir(staging).entryList({filter}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        std::error_code ec;
        fs::rename(nativePath(joined(staging, name)), nativePath(joined(target, name)), ec);
        if (ec)
            return false;
    }
    return true;
}

// The staged child folder takes the place of the target's child of the same name; the old one is kept
// in the staging folder (and goes with it) and comes back when the new one cannot be put in place.
bool swapChildFolder(const QString& staging, const QString& target, const QString& name) {
    const fs::path staged = nativePath(joined(staging, name));
    const fs::path placed = nativePath(joined(target, name));
    const fs::path replaced = nativePath(joined(staging, kReplacedPrefix + name));
    std::error_code ec;
    const bool hadOld = fs::exists(placed, ec);
    if (hadOld) {
        fs::rename(placed, replaced, ec);
        if (ec)
            return false;
    }
    fs::rename(staged, placed, ec);
    if (ec && hadOld) {
        std::error_code back;
        fs::rename(replaced, placed, back);
    }
    return !ec;
}

// The local folder of a child: its shared folder moved from the parent's share to the local copy.
QString localChildFolder(const TDataListRec& parent, const TDataListRec& child) {
    return joined(parent.LOCALPATH, QFileInfo(ExcludePathDelim(child.PASNAME)).fileName());
}

QString childName(const TDataListRec& child) {
    return QFileInfo(ExcludePathDelim(child.PASNAME)).fileName();
}

// Deletes every child folder holding data in folder whose name is not among keep.
void removeOtherChildren(const QString& folder, const QStringList& keep) {
    for (const QString& sub : GetSubFolders(folder, 0)) {
        const QString name = QFileInfo(sub).fileName();
        if (name != kStagingName && holdsData(sub) && !keep.contains(name))
            ShellFolderOp(sub, FO_DELETE, false, false);
    }
}

} // namespace

qint32 OperatorCodeOfKey(qint32 key) {
    const qint32 base = SystemDef.GROUPID * 10000;
    return base > 0 && key >= base ? key % base : key;
}

QStringList OperatorLines(const QString& folder, qint32 opcode, const QString& name) {
    QStringList lines{QStringLiteral("【データフォルダ】"), QStringLiteral("　") + folder, QString(),
                      QStringLiteral("【オペレータ】")};
    if (opcode > 0)
        lines << QStringLiteral("　%1").arg(OperatorCodeOfKey(opcode));
    lines << QString() << QStringLiteral("【オペレータ名】") << QStringLiteral("　") + name;
    return lines;
}

void ShowStatusLines(const QString& caption, const QString& text, const QStringList& lines) {
    ui::showMessage(ui::MsgKind::Warning, text + QStringLiteral("\r\r") + lines.join(u'\r'), ui::mbOK,
                    caption.isEmpty() ? kStatusCaption : caption);
}

void TDataSentakuListCtl::writeShareLocks(TDataSentakuRec& row, const QList<qsizetype>& children,
                                          qint32 lock) {
    row.KYOYULOCK = lock;
    UpdateDataListRecord(row, false, true);
    for (qsizetype i : children) {
        row.CHILDREN[i].KYOYULOCK = lock;
        UpdateDataListRecord(row.CHILDREN[i], false, true);
    }
}

void TDataSentakuListCtl::reportUnreachable(const QString& sharedFolder, int quiet) {
    if (quiet == 1)
        return;
    MsgLines = QStringList{QStringLiteral("【共有データパス】"), QStringLiteral("　") + sharedFolder};
    ShowStatusLines(kStatusCaption, kUnreachable, MsgLines);
}

int TDataSentakuListCtl::ReceiveServerData(TDataSentakuRec& row, int quiet) {
    const QString shared = ExcludePathDelim(row.PASNAME);
    const QString local = ExcludePathDelim(row.LOCALPATH);
    if (shared.isEmpty() || local.isEmpty())
        return 0;
    TDataInfomation info;
    info.ConnectMode = ConnectMode;
    TDataInfomationRec rec;
    const bool emptyArea = row.ENTTEXT == kFreeAreaText || row.ENTTEXT == kNewAreaText;
    if (info.ReadDataIni(shared, rec) == 0 && !(emptyArea && QFileInfo(shared).isDir())) {
        reportUnreachable(shared, quiet);
        return 0;
    }

    // The list row follows what the share holds.
    if (rec.SHOUGOU.isEmpty())
        rec.SHOUGOU = row.ENTTEXT.isEmpty() ? kFreeAreaText : row.ENTTEXT;
    if (rec.DATALISTNAME.isEmpty())
        rec.DATALISTNAME = row.ENTTEXT.isEmpty() ? kFreeAreaText : row.ENTTEXT;
    row.ENTTEXT = rec.DATALISTNAME;
    row.DISPNAME = rec.DATALISTNAME;
    row.UPDATE_LOCK = rec.UPDATE_LOCK;
    row.READ_ONLY = rec.READ_ONLY;
    row.GASSAN = rec.GASSANKBN;
    DataInfoToDataListRec(rec, row);
    row.KYOYULOCK = 0;
    UpdateDataListRecord(row, false, true);
    DeleteDataListChildRecord(row, true);
    bool damaged = rec.STATUS == 10;
    if (!damaged && IsMergedKind(row.GASSAN)) {
        row.CHILDCNT = 0;
        row.CHILDREN.clear();
        const QStringList subFolders = GetSubFolders(shared, 0);
        for (qsizetype k = 0; k < subFolders.size(); ++k) {
            const QString& sub = subFolders[k];
            if (!holdsData(sub))
                continue;
            TDataInfomationRec childRec;
            info.ReadDataIni(sub, childRec);
            TDataListRec child;
            InitDataListRec(child, sub);
            child.REC = row.REC;
            child.ROWNO = qint32(k) + 1;
            child.NETDRIVE = row.NETDRIVE;
            child.UPDATE_LOCK = row.UPDATE_LOCK;
            child.READ_ONLY = row.READ_ONLY;
            child.GASSAN = 10;
            BuildLocalPath(child);
            DataInfoToDataListRec(childRec, child);
            child.KYOYULOCK = 0;
            row.CHILDREN.append(child);
            row.CHILDCNT = qint32(row.CHILDREN.size());
            UpdateDataListRecord(row.CHILDREN.last(), false, true);
            damaged = damaged || childRec.STATUS == 10;
        }
    }
    if (damaged) {
        MsgLines = OperatorLines(shared, rec.SHARE_OPCODE, rec.SHARE_OPERATOR);
        ShowStatusLines(kStatusCaption, kDamaged, MsgLines);
        return -1;
    }

    const QString staging = joined(local, kStagingName);
    removeStaging(staging);
    const auto cleanup = qScopeGuard([&] { removeStaging(staging); });
    const int result = info.ReceiveShareData(shared, staging, quiet);
    const TDataInfomationRec held = info.Rec;
    if (result == 0) {
        info.ReleaseOwnShareHold(shared);
        return 0;
    }
    if (result < 0) {
        MsgLines = OperatorLines(shared, held.SHARE_OPCODE, held.SHARE_OPERATOR);
        ShowStatusLines(kStatusCaption, held.STATUS == 10 ? kDamaged : kInUse, MsgLines);
        writeShareLocks(row, {}, 0);
        return -1;
    }

    // Every child of merged data arrives beside the dataset before anything local is replaced.
    QList<qsizetype> received;
    bool complete = true;
    if (IsMergedKind(row.GASSAN)) {
        for (qsizetype i = 0; i < row.CHILDREN.size(); ++i) {
            const TDataListRec& child = row.CHILDREN[i];
            if (!holdsData(child.PASNAME))
                continue;
            if (info.ReceiveShareData(child.PASNAME, joined(staging, childName(child)), 1) != 1) {
                complete = false;
                break;
            }
            received.append(i);
        }
    }
    if (complete && ForceFolder(local)) {
        complete = moveDataFiles(staging, local);
        if (complete && IsMergedKind(row.GASSAN)) {
            QStringList names;
            for (qsizetype i : received)
                names << childName(row.CHILDREN[i]);
            // Local children the share no longer has are gone from the merged data.
            removeOtherChildren(local, names);
            for (const QString& name : names)
                complete = swapChildFolder(staging, local, name) && complete;
        }
    } else {
        complete = false;
    }
    if (!complete) {
        // The shared data stays free for the next try; a hold of another operator is not touched.
        info.ReleaseOwnShareHold(shared);
        for (qsizetype i : received)
            info.ReleaseOwnShareHold(row.CHILDREN[i].PASNAME);
        reportUnreachable(shared, quiet);
        writeShareLocks(row, {}, 0);
        return 0;
    }
    writeShareLocks(row, received, 1);
    return 1;
}

int TDataSentakuListCtl::SendServerData(TDataSentakuRec& row, int quiet) {
    const QString shared = ExcludePathDelim(row.PASNAME);
    const QString local = ExcludePathDelim(row.LOCALPATH);
    if (shared.isEmpty() || local.isEmpty())
        return 0;
    TDataInfomation info;
    info.ConnectMode = ConnectMode;
    const auto refuseIfHeld = [&](const QString& folder) {
        if (!info.IsShareHeldByOther(folder))
            return false;
        MsgLines = OperatorLines(shared, info.Rec.SHARE_OPCODE, info.Rec.SHARE_OPERATOR);
        ShowStatusLines(kStatusCaption, info.Rec.STATUS == 10 ? kDamaged : kInUse, MsgLines);
        return true;
    };
    if (refuseIfHeld(shared))
        return -1;
    QList<qsizetype> toSend;
    if (IsMergedKind(row.GASSAN)) {
        for (qsizetype i = 0; i < row.CHILDREN.size(); ++i) {
            if (!holdsData(localChildFolder(row, row.CHILDREN[i])))
                continue;
            if (refuseIfHeld(row.CHILDREN[i].PASNAME))
                return -1;
            toSend.append(i);
        }
    }

    const QString staging = joined(shared, kStagingName);
    removeStaging(staging);
    const auto cleanup = qScopeGuard([&] { removeStaging(staging); });
    if (!QFileInfo(shared).isDir() || !ForceFolder(staging)) {
        reportUnreachable(shared, quiet);
        return 0;
    }
    if (info.SendShareData(staging, local, quiet) != 1)
        return 0;
    QList<qsizetype> sent;
    bool complete = true;
    for (qsizetype i : toSend) {
        const TDataListRec& child = row.CHILDREN[i];
        const QString stagedChild = joined(staging, childName(child));
        if (!ForceFolder(stagedChild) ||
            info.SendShareData(stagedChild, localChildFolder(row, child), 1) != 1) {
            complete = false;
            break;
        }
        sent.append(i);
    }
    if (complete) {
        complete = moveDataFiles(staging, shared);
        QStringList names;
        for (qsizetype i : sent) {
            names << childName(row.CHILDREN[i]);
            complete = complete && swapChildFolder(staging, shared, names.last());
        }
        // Children deleted from the local copy are gone from the share too, once every sent one is in
        // place.
        if (complete && IsMergedKind(row.GASSAN))
            removeOtherChildren(shared, names);
    }
    if (!complete) {
        // Nothing on the share was replaced (or what was is the new copy): the local copies stay held.
        try {
            info.SetShareStatus(local, 2);
            for (qsizetype i : sent)
                info.SetShareStatus(localChildFolder(row, row.CHILDREN[i]), 2);
        } catch (const std::exception&) {
        }
        return 0;
    }
    writeShareLocks(row, sent, 0);
    return 1;
}

// The shared-server dataset lists: the areas of a share (folders "sv%.4d" under the share's root) as
// this computer last saw them, per operator group.
//
// The tables key a share by one character, the drive letter of the share on the original platform. Here
// every share root is a folder of the one file tree, so the rows of a share are also told apart by their
// folder lying below its root; otherwise loading or rebuilding one share would touch another's rows.

#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datalist/z5ComDataSentaku_p.h"
#include "platform/Cp932.h"

#include <QFileInfo>
#include <QHash>

using namespace datalist;

namespace {

const QString kServerWhere =
    QStringLiteral("WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER) AND (PASNAME=:PASNAME)");
// The columns of a new area row and of a new child area row (the column flags follow).
const QString kServerInsertNames = QStringLiteral(
    "GROUPID,DRIVELETTER,REC,ENTTEXT,SHOUGOU,PASNAME,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,TANTOU,"
    "VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,YOBI1,YOBI2,YOBI3");
const QString kChildInsertNames = QStringLiteral(
    "GROUPID,DRIVELETTER,REC,ROWNO,ENTTEXT,SHOUGOU,PASNAME,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,"
    "TANTOU,VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,YOBI1,YOBI2,"
    "YOBI3");
// The rows of one share: its drive key and its root folder.
const QString kShareWhere = QStringLiteral(
    "WHERE (DRIVELETTER=:DRIVELETTER) AND (GROUPID=:GROUPID) AND (PASNAME STARTING WITH :SHAREROOT)");

QString serverOrder(quint8 sortOrder, bool descending) {
    switch (sortOrder) {
    case 2:
        return descending ? QStringLiteral("ORDER BY ENTTEXT DESC,PASNAME DESC")
                          : QStringLiteral("ORDER BY ENTTEXT,PASNAME");
    case 3:
        return descending ? QStringLiteral("ORDER BY NENDO DESC,PASNAME DESC")
                          : QStringLiteral("ORDER BY NENDO,PASNAME");
    case 4:
        return descending ? QStringLiteral("ORDER BY KISHU DESC,PASNAME DESC")
                          : QStringLiteral("ORDER BY KISHU,PASNAME");
    case 5:
        return descending ? QStringLiteral("ORDER BY PASNAME DESC") : QStringLiteral("ORDER BY PASNAME");
    case 6:
        return descending ? QStringLiteral("ORDER BY VER_MAJOR DESC,VER_MINOR1 DESC,VER_MINOR2 DESC,REC DESC")
                          : QStringLiteral("ORDER BY VER_MAJOR,VER_MINOR1,VER_MINOR2,REC");
    case 7:
        return descending ? QStringLiteral("ORDER BY DATACODE DESC,REC DESC")
                          : QStringLiteral("ORDER BY DATACODE,REC");
    default:
        return QStringLiteral("ORDER BY PASNAME");
    }
}

void bindShare(fb::Query& q, const QString& drivePath) {
    q.setInt("GROUPID", SystemDef.GROUPID);
    q.setString("DRIVELETTER", TDataSentakuListCtl::DriveLetter(drivePath));
    q.setString("SHAREROOT", IncludePathDelim(drivePath));
}

void bindFolder(fb::Query& q, const QString& folder) {
    q.setInt("GROUPID", SystemDef.GROUPID);
    q.setString("DRIVELETTER", TDataSentakuListCtl::DriveLetter(folder));
    q.setString("PASNAME", folder);
}

// Every local list row that works on the shared folder takes the area's lock.
void copyLockToList(fb::Query& q, const QString& table, const TDataListRec& row) {
    q.setSql(QStringList{QStringLiteral("UPDATE ") + table, QStringLiteral("SET DATALOCK=:DATALOCK"),
                         QStringLiteral("WHERE PASNAME=:PASNAME")});
    q.setInt("DATALOCK", row.DATALOCK);
    q.setString("PASNAME", row.PASNAME);
    q.execute();
}

bool isAreaText(const QString& text) {
    return text == kFreeAreaText || text == kNewAreaText;
}

// The area number of the one row naming the folder; several rows naming it are all removed (0).
qint32 findArea(fb::Query& q, const QString& table, const QString& folder) {
    q.setSql(QStringList{QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM ") + table, kServerWhere});
    bindFolder(q, folder);
    const int count = q.openInt("RECCNT");
    if (count == 1) {
        q.setSql(QStringList{QStringLiteral("SELECT REC FROM ") + table, kServerWhere});
        bindFolder(q, folder);
        return q.openInt("REC");
    }
    if (count > 1) {
        q.setSql(QStringList{QStringLiteral("DELETE FROM ") + table, kServerWhere});
        bindFolder(q, folder);
        q.execute();
    }
    return 0;
}

} // namespace

QString TDataSentakuListCtl::DriveLetter(const QString& path) {
    return path.left(1);
}

QString TDataSentakuListCtl::serverCols() const {
    return QStringLiteral("ENTTEXT,SHOUGOU,PASNAME,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,TANTOU,"
                          "VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,"
                          "YOBI1,YOBI2,YOBI3") +
           flagCols();
}

QString TDataSentakuListCtl::serverSetList(bool withNames) const {
    QString set = QStringLiteral(
        "SET PASNAME=:PASNAME,DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,\n"
        "NENDO=:NENDO,KISHU=:KISHU,KIMATU=:KIMATU,DATALOCK=:DATALOCK,TANTOU=:TANTOU,\n"
        "VER_MAJOR=:VER_MAJOR,VER_MINOR1=:VER_MINOR1,VER_MINOR2=:VER_MINOR2,VER_TEXT=:VER_TEXT,\n"
        "UPDATE_LOCK=:UPDATE_LOCK,GASSAN=:GASSAN,DATACODE=:DATACODE,DATA_STATUS=:DATA_STATUS,YOBI1=:YOBI1,"
        "YOBI2=:YOBI2,YOBI3=:YOBI3");
    if (withNames)
        set += QStringLiteral(",ENTTEXT=:ENTTEXT,SHOUGOU=:SHOUGOU");
    return set + flagSets();
}

void TDataSentakuListCtl::bindServerRow(fb::Query& q, const TDataListRec& row) const {
    bindRow(q, row);
    q.setInt("GROUPID", SystemDef.GROUPID);
    q.setString("DRIVELETTER", DriveLetter(row.PASNAME));
}

void TDataSentakuListCtl::ReadServerDataListRow(TDataSentakuRec& row) {
    readParentRow(row, RowSource::Server);
}

void TDataSentakuListCtl::ReadServerChildDataListRow(TDataListRec& row) {
    readChildRow(row, RowSource::Server);
}

void TDataSentakuListCtl::ServerExecute(int mode, const QString& drivePath, const QString& orderBy,
                                        bool descending, quint8 sortOrder) {
    Q_UNUSED(orderBy); // no caller orders the shared list by a text of its own
    Clear();
    if (ServerListMode != 1 || drivePath.trimmed().isEmpty())
        return;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        if (mode == 0)
            serverLoad(drivePath, descending, sortOrder);
        else if (mode == 1)
            serverRebuild(drivePath);
        own.commit();
    } catch (...) {
        endQuietly(own, false);
        try {
            reportOrThrow(kServerExecuteFailed, true);
        } catch (...) {
            // Reported above; nothing else reaches the caller.
        }
    }
}

void TDataSentakuListCtl::serverLoad(const QString& drivePath, bool descending, quint8 sortOrder) {
    fb::Query& q = *Sql;
    q.setSql(QStringList{QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM SERVERDATALIST"), kShareWhere});
    bindShare(q, drivePath);
    RowCount = q.openInt("RECCNT");
    Rows.resize(RowCount);
    qint32 read = 0;
    if (RowCount > 0) {
        const QString head = QStringLiteral("SELECT REC,") + serverCols();
        const bool dataFirst =
            sortOrder == 2 || sortOrder == 3 || sortOrder == 4 || sortOrder == 6 || sortOrder == 7;
        QStringList sql{head, QStringLiteral("FROM SERVERDATALIST"), kShareWhere};
        if (dataFirst)
            sql << QStringLiteral("AND (ENTTEXT<>'' AND ENTTEXT<>:FREEAREA AND ENTTEXT<>:NEWAREA)");
        sql << serverOrder(sortOrder, descending);
        q.setSql(sql);
        bindShare(q, drivePath);
        if (dataFirst) {
            q.setString("FREEAREA", kFreeAreaText);
            q.setString("NEWAREA", kNewAreaText);
        }
        readRows(read, RowSource::Server);
        if (dataFirst) {
            // The areas without data follow in folder order, whatever the direction.
            q.setSql(QStringList{head, QStringLiteral("FROM SERVERDATALIST"), kShareWhere,
                                 QStringLiteral("AND (ENTTEXT='' OR ENTTEXT=:FREEAREA OR ENTTEXT=:NEWAREA)"),
                                 QStringLiteral("ORDER BY PASNAME")});
            bindShare(q, drivePath);
            q.setString("FREEAREA", kFreeAreaText);
            q.setString("NEWAREA", kNewAreaText);
            readRows(read, RowSource::Server);
        }
    }
    Rows.resize(read);
    RowCount = read;

    q.setSql(
        QStringList{QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM CHILD_SERVERDATALIST"), kShareWhere});
    bindShare(q, drivePath);
    ChildCount = q.openInt("RECCNT");
    if (ChildCount > 0) {
        q.setSql(QStringList{QStringLiteral("SELECT REC,ROWNO,") + serverCols(),
                             QStringLiteral("FROM CHILD_SERVERDATALIST"), kShareWhere,
                             QStringLiteral("ORDER BY REC,PASNAME")});
        bindShare(q, drivePath);
        for (q.open(); !q.eof(); q.next()) {
            TDataListRec child;
            ReadServerChildDataListRow(child);
            Children.append(child);
        }
        q.close();
    }
    ChildCount = qint32(Children.size());
}

void TDataSentakuListCtl::serverRebuild(const QString& drivePath) {
    fb::Query& q = *Sql;
    for (const QString& table : {QStringLiteral("SERVERDATALIST"), QStringLiteral("CHILD_SERVERDATALIST")}) {
        q.setSql(QStringList{QStringLiteral("DELETE FROM ") + table, kShareWhere});
        bindShare(q, drivePath);
        q.execute();
    }
    const QString root = ExcludePathDelim(drivePath);
    const auto freeArea = [this](TDataListRec& row, const QString& folder) {
        InitDataListRec(row, QString());
        row.ENTTEXT = kFreeAreaText;
        row.NENDO = 0;
        row.KIKAN = QStringLiteral("～");
        row.NETDRIVE = 1;
        row.PASNAME = folder;
    };
    for (const QString& name : ListDataFolders(root)) {
        TDataSentakuRec parent;
        freeArea(parent, root + u'/' + name);
        const QStringList childNames = ListDataFolders(parent.PASNAME);
        for (qsizetype i = 0; i < childNames.size(); ++i) {
            TDataListRec child;
            freeArea(child, parent.PASNAME + u'/' + childNames[i]);
            child.ROWNO = qint32(i + 1);
            child.GASSAN = 10;
            Children.append(child);
            parent.CHILDREN.append(child);
        }
        parent.CHILDCNT = qint32(parent.CHILDREN.size());
        Rows.append(parent);
    }
    RowCount = qint32(Rows.size());
    ChildCount = qint32(Children.size());
}

bool TDataSentakuListCtl::UpdateServerDataListRecord(TDataListRec& row, bool withNames, bool report) {
    if (row.NETDRIVE == 0)
        return true;
    if (row.GASSAN == 10)
        return UpdateServerDataListChildRecord(row, withNames, report);
    // Without a folder the lock copy below would reach every row with an empty folder.
    if (TrimZenkaku(row.PASNAME).isEmpty())
        return false;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        row.REC = findArea(q, QStringLiteral("SERVERDATALIST"), row.PASNAME);
        if (QFileInfo(row.PASNAME).isDir()) {
            if (row.REC > 0) {
                q.setSql(
                    QStringList{QStringLiteral("UPDATE SERVERDATALIST"), serverSetList(withNames),
                                QStringLiteral("WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER) AND "
                                               "(REC=:REC)")});
            } else {
                q.setSql(
                    QStringList{QStringLiteral("SELECT MAX(REC) AS RECMAX FROM SERVERDATALIST"),
                                QStringLiteral("WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER)")});
                q.setInt("GROUPID", SystemDef.GROUPID);
                q.setString("DRIVELETTER", DriveLetter(row.PASNAME));
                row.REC = q.openInt("RECMAX") + 1;
                q.setSql(insertStatement(QStringLiteral("SERVERDATALIST"), kServerInsertNames));
            }
            bindServerRow(q, row);
            q.setInt("REC", row.REC);
            q.execute();
        }
        if (!isAreaText(row.ENTTEXT) && row.KISHU.isNull() && row.KIMATU.isNull()) {
            q.setSql(QStringList{QStringLiteral("DELETE FROM SERVERDATALIST"),
                                 QStringLiteral("WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER) AND "
                                                "(REC=:REC)")});
            q.setInt("GROUPID", SystemDef.GROUPID);
            q.setString("DRIVELETTER", DriveLetter(row.PASNAME));
            q.setInt("REC", row.REC);
            q.execute();
        }
        copyLockToList(q, QStringLiteral("DATALIST"), row);
        own.commit();
        return true;
    } catch (...) {
        endQuietly(own, false);
        reportOrThrow(kServerUpdateFailed, report);
        return false;
    }
}

bool TDataSentakuListCtl::UpdateServerDataListChildRecord(TDataListRec& row, bool withNames, bool report) {
    if (row.NETDRIVE == 0)
        return true;
    if (TrimZenkaku(row.PASNAME).isEmpty())
        return false;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        row.REC = findArea(q, QStringLiteral("CHILD_SERVERDATALIST"), row.PASNAME);
        if (row.REC > 0) {
            // The one row that names the folder, whatever child number it was given.
            q.setSql(QStringList{QStringLiteral("UPDATE CHILD_SERVERDATALIST"), serverSetList(withNames),
                                 kServerWhere});
        } else {
            q.setSql(QStringList{QStringLiteral("SELECT REC FROM SERVERDATALIST"), kServerWhere});
            bindFolder(q, TrimZenkaku(ExcludePathDelim(row.PASNAME).section(u'/', 0, -2)));
            row.REC = q.openInt("REC");
            q.setSql(insertStatement(QStringLiteral("CHILD_SERVERDATALIST"), kChildInsertNames));
        }
        // No parent area, no child row.
        if (row.REC > 0) {
            bindServerRow(q, row);
            if (q.hasParam("REC"))
                q.setInt("REC", row.REC);
            if (q.hasParam("ROWNO"))
                q.setInt("ROWNO", row.ROWNO);
            q.execute();
        }
        copyLockToList(q, QStringLiteral("CHILD_DATALIST"), row);
        own.commit();
        return true;
    } catch (...) {
        endQuietly(own, false);
        reportOrThrow(kServerChildUpdateFailed, report);
        return false;
    }
}

bool TDataSentakuListCtl::DeleteServerDataListChildRecord(TDataListRec& row, bool report) {
    if (row.NETDRIVE == 0)
        return true;
    if (TrimZenkaku(row.PASNAME).isEmpty())
        return false;
    const bool child = row.GASSAN == 10;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        q.setSql(QStringList{QStringLiteral("DELETE FROM CHILD_SERVERDATALIST"),
                             child ? QStringLiteral("WHERE GROUPID=:GROUPID AND DRIVELETTER=:DRIVELETTER AND "
                                                    "REC=:REC AND ROWNO=:ROWNO")
                                   : QStringLiteral("WHERE GROUPID=:GROUPID AND DRIVELETTER=:DRIVELETTER AND "
                                                    "REC=:REC")});
        q.setInt("GROUPID", SystemDef.GROUPID);
        q.setString("DRIVELETTER", DriveLetter(row.PASNAME));
        q.setInt("REC", row.REC);
        if (child)
            q.setInt("ROWNO", row.ROWNO);
        q.execute();
        own.commit();
        return true;
    } catch (...) {
        endQuietly(own, false);
        reportOrThrow(kServerChildDeleteFailed, report);
        return false;
    }
}

// ---- writing the areas of a refreshed share -------------------------------------------------------

namespace {

// A folder as the engine compares it in the lists: its Shift_JIS bytes without the blanks that pad it.
// Empty when the folder cannot be encoded (the statement would refuse it).
QByteArray folderKey(const QString& folder) {
    bool ok = false;
    QByteArray key = cp932::encode(folder, &ok);
    if (!ok)
        return {};
    while (key.endsWith(' '))
        key.chop(1);
    return key;
}

} // namespace

struct TDataSentakuListCtl::ServerAreaWriter::Impl {
    TDataSentakuListCtl& list;
    QString prefix; // the share's root with its delimiter
    QString drive;
    bool ready = false;
    // The highest area number of the group and drive, as MAX(REC) would give it now.
    qint32 maxRec = 0;
    // The areas stored by this writer: folder key to area number (the parent's, for a child).
    QHash<QByteArray, qint32> parents;
    QHash<QByteArray, qint32> children;
    std::unique_ptr<fb::Query> maxQuery, insertParent, updateParent, deleteParent, insertChild, updateChild,
        lockParent, lockChild;

    Impl(TDataSentakuListCtl& l, const QString& drivePath)
        : list(l), prefix(IncludePathDelim(drivePath)), drive(TDataSentakuListCtl::DriveLetter(drivePath)) {}

    static QString parentFolderOf(const TDataListRec& row) {
        return TrimZenkaku(ExcludePathDelim(row.PASNAME).section(u'/', 0, -2));
    }

    fb::Query& statement(std::unique_ptr<fb::Query>& q, const QString& sql) {
        if (!q)
            q = std::make_unique<fb::Query>(DM->IBTransactionDEF, sql);
        return *q;
    }
    fb::Query& statement(std::unique_ptr<fb::Query>& q, const QStringList& lines) {
        return statement(q, lines.join(u'\n'));
    }

    static void forget(QHash<QByteArray, qint32>& areas, qint32 rec) {
        for (auto it = areas.begin(); it != areas.end();)
            it = it.value() == rec ? areas.erase(it) : std::next(it);
    }

    void readMaxRec() {
        fb::Query& q = statement(
            maxQuery, QStringList{QStringLiteral("SELECT MAX(REC) AS RECMAX FROM SERVERDATALIST"),
                                  QStringLiteral("WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER)")});
        q.setInt("GROUPID", SystemDef.GROUPID);
        q.setString("DRIVELETTER", drive);
        maxRec = q.openInt("RECMAX");
    }
    void begin() {
        if (ready)
            return;
        readMaxRec();
        ready = true;
    }

    // Every local list row that works on the shared folder takes the area's lock.
    void copyLock(std::unique_ptr<fb::Query>& q, const QString& table, const TDataListRec& row) {
        fb::Query& u = statement(q, QStringList{QStringLiteral("UPDATE ") + table,
                                                QStringLiteral("SET DATALOCK=:DATALOCK"),
                                                QStringLiteral("WHERE PASNAME=:PASNAME")});
        u.setInt("DATALOCK", row.DATALOCK);
        u.setString("PASNAME", row.PASNAME);
        u.execute();
    }

    void writeParent(TDataListRec& row, const QByteArray& key) {
        row.REC = parents.value(key, 0);
        if (QFileInfo(row.PASNAME).isDir()) {
            fb::Query* q = nullptr;
            if (row.REC > 0) {
                q = &statement(updateParent,
                               QStringList{QStringLiteral("UPDATE SERVERDATALIST"), list.serverSetList(true),
                                           QStringLiteral("WHERE (GROUPID=:GROUPID) AND "
                                                          "(DRIVELETTER=:DRIVELETTER) AND (REC=:REC)")});
            } else {
                row.REC = maxRec + 1;
                q = &statement(insertParent,
                               list.insertStatement(QStringLiteral("SERVERDATALIST"), kServerInsertNames));
            }
            list.bindServerRow(*q, row);
            q->setInt("REC", row.REC);
            q->execute();
            parents.insert(key, row.REC);
            maxRec = std::max(maxRec, row.REC);
        }
        if (!isAreaText(row.ENTTEXT) && row.KISHU.isNull() && row.KIMATU.isNull()) {
            fb::Query& q = statement(
                deleteParent, QStringList{QStringLiteral("DELETE FROM SERVERDATALIST"),
                                          QStringLiteral("WHERE (GROUPID=:GROUPID) AND "
                                                         "(DRIVELETTER=:DRIVELETTER) AND (REC=:REC)")});
            q.setInt("GROUPID", SystemDef.GROUPID);
            q.setString("DRIVELETTER", drive);
            q.setInt("REC", row.REC);
            q.execute();
            // The row goes with the child rows under it; the highest number may be another's now.
            if (q.rowsAffected() > 0) {
                forget(parents, row.REC);
                forget(children, row.REC);
                readMaxRec();
            }
        }
        copyLock(lockParent, QStringLiteral("DATALIST"), row);
    }

    void writeChild(TDataListRec& row, const QByteArray& key) {
        row.REC = children.value(key, 0);
        fb::Query* q = nullptr;
        const bool known = row.REC > 0;
        if (known) {
            // The one row that names the folder, whatever child number it was given.
            q = &statement(updateChild, QStringList{QStringLiteral("UPDATE CHILD_SERVERDATALIST"),
                                                    list.serverSetList(true), kServerWhere});
        } else {
            row.REC = parents.value(folderKey(parentFolderOf(row)), 0);
            q = &statement(insertChild,
                           list.insertStatement(QStringLiteral("CHILD_SERVERDATALIST"), kChildInsertNames));
        }
        // No parent area, no child row.
        if (row.REC > 0) {
            list.bindServerRow(*q, row);
            if (!known) {
                q->setInt("REC", row.REC);
                q->setInt("ROWNO", row.ROWNO);
            }
            q->execute();
            children.insert(key, row.REC);
        }
        copyLock(lockChild, QStringLiteral("CHILD_DATALIST"), row);
    }
};

TDataSentakuListCtl::ServerAreaWriter::ServerAreaWriter(TDataSentakuListCtl& list, const QString& drivePath)
    : d(std::make_unique<Impl>(list, drivePath)) {}

TDataSentakuListCtl::ServerAreaWriter::~ServerAreaWriter() = default;

bool TDataSentakuListCtl::ServerAreaWriter::Write(TDataListRec& row) {
    if (row.NETDRIVE == 0)
        return true;
    const bool child = row.GASSAN == 10;
    if (TrimZenkaku(row.PASNAME).isEmpty())
        return false;
    const auto inShare = [this](const QString& folder) {
        return folder.startsWith(d->prefix) && !folderKey(folder).isEmpty();
    };
    const QByteArray key = folderKey(row.PASNAME);
    // A folder outside the share (or one the engine would refuse) takes the general road, which
    // reports on its own; what it stores is read back from the database.
    if (!DM->IBTransactionDEF.isActive() || !inShare(row.PASNAME) ||
        (child && !inShare(Impl::parentFolderOf(row)))) {
        const bool written = child ? d->list.UpdateServerDataListChildRecord(row, true, true)
                                   : d->list.UpdateServerDataListRecord(row, true, true);
        d->ready = false;
        return written;
    }
    try {
        d->begin();
        if (child)
            d->writeChild(row, key);
        else
            d->writeParent(row, key);
        return true;
    } catch (...) {
        reportOrThrow(child ? kServerChildUpdateFailed : kServerUpdateFailed, true);
        return false;
    }
}

QString TDataSentakuListCtl::GetNextServerFolderName(const QString& drivePath, int increment) {
    qint32 number = 0;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        q.setSql(QStringList{QStringLiteral("SELECT MAX(PASNAME) AS MAXPATH FROM SERVERDATALIST"),
                             QStringLiteral("WHERE (GROUPID=:GROUPID) AND (DRIVELETTER=:DRIVELETTER) AND "
                                            "(PASNAME STARTING WITH :PREFIX)")});
        q.setInt("GROUPID", SystemDef.GROUPID);
        q.setString("DRIVELETTER", DriveLetter(drivePath));
        q.setString("PREFIX", IncludePathDelim(drivePath) + QStringLiteral("sv"));
        q.open();
        if (!q.eof())
            number = toIntOrZero(q.field("MAXPATH").asString().right(4));
        q.close();
        own.commit();
    } catch (const std::exception&) {
        endQuietly(own, true);
        return QStringLiteral("sv0001");
    }
    return QStringLiteral("sv%1").arg(number + increment, 4, 10, QLatin1Char('0'));
}

QString TDataSentakuListCtl::GetSharedDataLocalPath(const QString& sharedPath, quint8 kind) {
    if (sharedPath.isEmpty())
        return {};
    TDataListRec row;
    InitDataListRec(row, sharedPath);
    const QString lookup =
        kind == 10 ? TrimZenkaku(ExcludePathDelim(sharedPath).section(u'/', 0, -2)) : sharedPath;
    qint32 rec = 0;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        q.setSql(QStringList{QStringLiteral("SELECT REC FROM ") + TableName,
                             QStringLiteral("WHERE (PASNAME=:PASNAME)"), placeCondition(),
                             QStringLiteral("ORDER BY REC")});
        q.setString("PASNAME", lookup);
        bindPlace(q);
        rec = q.openInt("REC");
        own.commit();
    } catch (const std::exception&) {
        endQuietly(own, true);
        rec = 0;
    }
    if (rec <= 0)
        return {};
    row.REC = rec;
    row.NETDRIVE = 1;
    row.PASNAME = sharedPath;
    row.GASSAN = kind;
    return BuildLocalPath(row);
}

// Loading the whole dataset list and the conversions between a dataset's local folder and its list row.

#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "datalist/z5ComDataSentaku.h"
#include "datalist/z5ComDataSentaku_p.h"

#include <QRegularExpression>

using namespace datalist;

namespace {

// ORDER BY lines of the list load by sort order (1 to 7), ascending and descending.
QString listOrder(quint8 sortOrder, bool descending) {
    static const char* const kOrders[][2] = {
        {"ORDER BY REC", "ORDER BY REC DESC"},
        {"ORDER BY ENTTEXT,NENDO DESC,REC", "ORDER BY ENTTEXT DESC,NENDO DESC,REC DESC"},
        {"ORDER BY NENDO,REC", "ORDER BY NENDO DESC,REC DESC"},
        {"ORDER BY KISHU,REC", "ORDER BY KISHU DESC,REC DESC"},
        {"ORDER BY UPPER(PASNAME),REC", "ORDER BY UPPER(PASNAME) DESC,REC DESC"},
        {"ORDER BY VER_MAJOR,VER_MINOR1,VER_MINOR2,REC",
         "ORDER BY VER_MAJOR DESC,VER_MINOR1 DESC,VER_MINOR2 DESC,REC DESC"},
        {"ORDER BY DATACODE,NENDO DESC,REC", "ORDER BY DATACODE DESC,NENDO DESC,REC DESC"},
    };
    if (sortOrder < 1 || sortOrder > 7)
        return {};
    return QString::fromLatin1(kOrders[sortOrder - 1][descending ? 1 : 0]);
}

// The caller's own ORDER BY line of order 0: column names, commas, parentheses and directions only,
// so no text can end up running as a statement of its own.
QString callerOrder(const QString& orderBy) {
    static const QRegularExpression kPlain(QStringLiteral("^[A-Za-z0-9_ ,()]*$"));
    return kPlain.match(orderBy).hasMatch() ? orderBy : QString();
}

const QStringList kBackupFolders{QStringLiteral("PELLANZAIMU_BACKUP"), QStringLiteral("VANTRELZAIMU_BACKUP")};

} // namespace

void TDataSentakuListCtl::Clear() {
    RowCount = 0;
    Rows.clear();
    ChildCount = 0;
    Children.clear();
}

void TDataSentakuListCtl::appendChild(const TDataListRec& child) {
    for (TDataSentakuRec& parent : Rows) {
        if (parent.REC == child.REC) {
            parent.CHILDREN.append(child);
            parent.CHILDCNT = qint32(parent.CHILDREN.size());
            return;
        }
    }
}

void TDataSentakuListCtl::Execute(int shareLockFilter, quint8 sortOrder, const QString& orderBy,
                                  bool descending) {
    Clear();
    if (ServerListMode == 1)
        return;
    if (ConnectMode != 0)
        shareLockFilter = 0;
    QStringList filters;
    if (shareLockFilter == 1)
        filters << QStringLiteral("AND (KYOYULOCK<>1)");
    if (NendoFilter > 0)
        filters << QStringLiteral("AND (NENDO=:NENDO)");
    if (!ShougouFilter.isEmpty())
        filters << QStringLiteral("AND (SHOUGOU=:SHOUGOU)");
    if (DataPlaceRec > 0)
        filters << placeCondition();
    const auto bindFilters = [this](fb::Query& q) {
        q.setInt("GROUPID", SystemDef.GROUPID);
        if (NendoFilter > 0)
            q.setInt("NENDO", NendoFilter);
        if (!ShougouFilter.isEmpty())
            q.setString("SHOUGOU", ShougouFilter);
        bindPlace(q);
    };
    const bool freeLast = sortOrder >= 2 && sortOrder <= 7;
    const QString head = QStringLiteral("SELECT REC,0 AS ROWNO,") + cols();
    const QString from = QStringLiteral("FROM ") + TableName;

    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        QStringList sql{QStringLiteral("SELECT COUNT(REC) AS RECCNT ") + from,
                        QStringLiteral("WHERE (GROUPID=:GROUPID)")};
        if (ListFilter == 1)
            sql << QStringLiteral("AND (ENTTEXT<>'')");
        else if (ListFilter == 2)
            sql << QStringLiteral("AND (ENTTEXT='')");
        q.setSql(sql + filters);
        bindFilters(q);
        RowCount = q.openInt("RECCNT");
        Rows.resize(RowCount);

        qint32 read = 0;
        if (ListFilter == 0 || ListFilter == 1) {
            sql = QStringList{head, from, QStringLiteral("WHERE (GROUPID=:GROUPID)")};
            if (ListFilter == 1 || freeLast)
                sql << QStringLiteral("AND (ENTTEXT<>'')");
            sql << filters;
            const QString order = sortOrder == 0 ? callerOrder(orderBy) : listOrder(sortOrder, descending);
            if (!order.isEmpty())
                sql << order;
            q.setSql(sql);
            bindFilters(q);
            readRows(read, RowSource::List);
        }
        if (freeLast && (ListFilter == 0 || ListFilter == 2)) {
            sql = QStringList{head, from, QStringLiteral("WHERE (GROUPID=:GROUPID) AND (ENTTEXT='')")};
            sql << filters;
            if (sortOrder == 5)
                sql << (descending ? QStringLiteral("ORDER BY PASNAME DESC,REC DESC")
                                   : QStringLiteral("ORDER BY PASNAME,REC"));
            else
                sql << (descending ? QStringLiteral("ORDER BY REC DESC") : QStringLiteral("ORDER BY REC"));
            q.setSql(sql);
            bindFilters(q);
            readRows(read, RowSource::List);
        }
        // Rows removed since the count leave no empty rows behind.
        Rows.resize(read);
        RowCount = read;

        q.setSql(QStringList{QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM CHILD_DATALIST"),
                             QStringLiteral("WHERE (GROUPID=:GROUPID)")});
        q.setInt("GROUPID", SystemDef.GROUPID);
        ChildCount = q.openInt("RECCNT");
        Children.reserve(ChildCount);
        q.setSql(
            QStringList{QStringLiteral("SELECT REC,ROWNO,") + cols(), QStringLiteral("FROM CHILD_DATALIST"),
                        QStringLiteral("WHERE (GROUPID=:GROUPID)"), QStringLiteral("ORDER BY REC,PASNAME")});
        q.setInt("GROUPID", SystemDef.GROUPID);
        for (q.open(); !q.eof(); q.next()) {
            TDataListRec child;
            ReadChildDataListRow(child);
            Children.append(child);
        }
        q.close();
        ChildCount = qint32(Children.size());
        own.commit();
    } catch (...) {
        endQuietly(own, false);
        try {
            reportOrThrow(kExecuteFailed, true);
        } catch (...) {
            // Reported above; nothing else reaches the caller.
        }
    }
}

void TDataSentakuListCtl::GetDataListChildRecord(TDataSentakuRec& row, bool report) {
    if (ServerListMode == 1 || ConnectMode != 0)
        return;
    if (row.GASSAN == 0 || row.GASSAN == 10) {
        row.CHILDCNT = 0;
        row.CHILDREN.clear();
        return;
    }
    if (row.GASSAN != 1 && row.GASSAN != 2)
        return;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        const QString where = QStringLiteral("WHERE (REC=:REC) AND (GROUPID=:GROUPID)");
        q.setSql(QStringList{QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM CHILD_DATALIST"), where});
        q.setInt("REC", row.REC);
        q.setInt("GROUPID", SystemDef.GROUPID);
        row.CHILDCNT = q.openInt("RECCNT");
        row.CHILDREN.clear();
        row.CHILDREN.reserve(row.CHILDCNT);
        q.setSql(QStringList{QStringLiteral("SELECT REC,ROWNO,") + cols(),
                             QStringLiteral("FROM CHILD_DATALIST"), where,
                             QStringLiteral("ORDER BY PASNAME")});
        q.setInt("REC", row.REC);
        q.setInt("GROUPID", SystemDef.GROUPID);
        for (q.open(); !q.eof(); q.next()) {
            TDataListRec child;
            mapRow(q, child, RowSource::Stored);
            row.CHILDREN.append(child);
        }
        q.close();
        row.CHILDCNT = qint32(row.CHILDREN.size());
        own.commit();
    } catch (...) {
        endQuietly(own, true);
        reportOrThrow(kChildGetFailed, report);
    }
}

void TDataSentakuListCtl::DataInfoToDataListRec(const TDataInfomationRec& info, TDataListRec& row) const {
    row.GROUPID = SystemDef.GROUPID;
    row.DATACODE = info.CODE;
    row.ENTTEXT = info.DATALISTNAME;
    row.SHOUGOU = info.SHOUGOU;
    row.NENDO = info.NENDO;
    row.KISHU = StrToDateFixed(info.KISHU);
    row.KIMATU = StrToDateFixed(info.KIMATU);
    row.KIKAN = KikanToStr(row.KISHU, row.KIMATU);
    row.DATATYPE = info.DATAKBN;
    row.CODETYPE = info.CODEKBN;
    row.TANTOU = info.TANTO;
    row.DATALOCK = 0;
    row.VER_MAJOR = info.MAJOR;
    row.VER_MINOR1 = info.MINOR1;
    row.VER_MINOR2 = info.MINOR2;
    row.VER_TEXT = info.VERSION2;
    row.UPDATE_LOCK = info.UPDATE_LOCK;
    row.CLOUD = info.CLOUD_SHARE;
    row.READ_ONLY = info.READ_ONLY;
    if (row.ROWNO > 0)
        row.GASSAN = 10;
    if (info.STATUS == 3 && info.OPCODE != 0)
        row.DATALOCK = info.OPCODE % (SystemDef.GROUPID * 10000);
    if (info.SHARE_STATUS == 2 && info.SHARE_OPCODE == SystemDef.OPCODE)
        row.KYOYULOCK = 1;
    const bool unnamed = row.NETDRIVE != 0 ? (row.ENTTEXT.isEmpty() || row.ENTTEXT == kFreeAreaText ||
                                              row.ENTTEXT == kNewAreaText)
                                           : row.ENTTEXT.isEmpty();
    if (unnamed)
        row.ENTTEXT = info.SHOUGOU;
    row.DISPNAME = row.ENTTEXT;
    BuildLocalPath(row);
}

void TDataSentakuListCtl::GetDataListKey(const QString& path, QString& listNo, QString& childNo) {
    DM->SplitDataPath(path, listNo, childNo);
}

void TDataSentakuListCtl::GetDataListRecNo(const QString& path, qint32& rec) {
    rec = 0;
    if (path.trimmed().isEmpty())
        return;
    if (ConnectMode == 0) {
        QString listNo, childNo;
        GetDataListKey(path, listNo, childNo);
        rec = toIntOrZero(listNo);
        return;
    }
    TDataListRec row;
    InitDataListRec(row, path);
    GetDataListRecord(1, row, true);
    rec = row.REC;
}

bool TDataSentakuListCtl::ConvLocalPathToSharePath(const QString& path, QString& sharePath, qint32& kyoyuLock,
                                                   qint32& netDrive) {
    if (ServerListMode == 1)
        return true;
    sharePath = path;
    kyoyuLock = 0;
    netDrive = 0;
    if (path.trimmed().isEmpty())
        return false;
    if (ConnectMode != 0)
        return true;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        q.setSql(QStringList{QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM DATALIST"),
                             QStringLiteral("WHERE (GROUPID=:GROUPID1) AND (UPPER(PASNAME)=:PASNAME1)"),
                             QStringLiteral("UNION ALL"),
                             QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM CHILD_DATALIST"),
                             QStringLiteral("WHERE (GROUPID=:GROUPID2) AND (UPPER(PASNAME)=:PASNAME2)")});
        q.setInt("GROUPID1", SystemDef.GROUPID);
        q.setInt("GROUPID2", SystemDef.GROUPID);
        q.setString("PASNAME1", path.toUpper());
        q.setString("PASNAME2", path.toUpper());
        int count = 0;
        for (q.open(); !q.eof(); q.next())
            count += q.field("RECCNT").asInt();
        q.close();
        if (count == 0 && GetUNCPath(path) == path) {
            // A local copy "DATA/<list number>[/<child number>]" of data kept elsewhere.
            QString listNo, childNo;
            GetDataListKey(path, listNo, childNo);
            q.setSql(QStringList{QStringLiteral("SELECT REC,PASNAME,NETDRIVE,KYOYULOCK FROM DATALIST"),
                                 QStringLiteral("WHERE REC=:REC")});
            q.setInt("REC", toIntOrZero(listNo));
            q.open();
            if (!q.eof()) {
                sharePath = q.field("PASNAME").asString();
                if (!childNo.isEmpty())
                    sharePath += u'/' + childNo;
                netDrive = q.field("NETDRIVE").asInt();
                kyoyuLock = q.field("KYOYULOCK").asInt();
            }
            q.close();
        }
        own.commit();
        return true;
    } catch (const fb::Error& e) {
        endQuietly(own, false);
        ErrFbAccess(e, QStringLiteral("TDataSentakuListCtl.ConvLocalPathToSharePath"), QString());
        return false;
    }
}

int TDataSentakuListCtl::GetDataListRecordByPath(const QString& path, TDataSentakuRec& row) {
    row = TDataSentakuRec();
    InitDataListRec(row, QString());
    row.LOCALPATH = path;
    ConvLocalPathToSharePath(path, row.PASNAME, row.KYOYULOCK, row.NETDRIVE);
    if (ConnectMode == 0) {
        QString listNo, childNo;
        GetDataListKey(path, listNo, childNo);
        row.REC = toIntOrZero(listNo);
    } else {
        row.REC = FindRecByPasName(path);
    }
    if (row.REC == 0)
        row.REC = FindRecByPasName(path);
    if (row.REC <= 0) {
        row = TDataSentakuRec();
        InitDataListRec(row, QString());
        return 0;
    }
    GetDataListRecord(0, row, false);
    GetDataListChildRecord(row, false);
    return 1;
}

void TDataSentakuListCtl::NumberChildNames(TDataSentakuRec& row) {
    for (qsizetype i = 0; i < row.CHILDREN.size(); ++i)
        row.CHILDREN[i].DISPNAME =
            QStringLiteral("%1 ").arg(i + 1, 2, 10, QLatin1Char('0')) + row.CHILDREN[i].ENTTEXT;
}

void TDataSentakuListCtl::DeleteChildItem(TDataSentakuRec& row, int index) {
    if (index >= 0 && index < row.CHILDREN.size())
        row.CHILDREN.removeAt(index);
    row.CHILDCNT = qMax(0, row.CHILDCNT - 1);
    if (row.CHILDREN.size() > row.CHILDCNT)
        row.CHILDREN.resize(row.CHILDCNT);
}

QStringList TDataSentakuListCtl::ListDataFolders(const QString& folder) {
    QStringList names = GetSubFolders(folder, 1);
    names.removeIf([](const QString& name) { return kBackupFolders.contains(name, Qt::CaseInsensitive); });
    return names;
}

QStringList TDataSentakuListCtl::ListChildFolders(const TDataListRec& row) {
    return GetSubFolders(row.PASNAME, 0);
}

QStringList TDataSentakuListCtl::ListLocalChildFolders(const TDataListRec& row) {
    return GetSubFolders(row.LOCALPATH, 0);
}

#include "datalist/z5ComDataSentaku.h"

#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "datalist/z5ComDataSentaku_p.h"

using namespace datalist;

namespace {

const QString kSetList = QStringLiteral(
    "SET PASNAME=:PASNAME,ENTTEXT=:ENTTEXT,SHOUGOU=:SHOUGOU,NETDRIVE=:NETDRIVE,\n"
    "DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,NENDO=:NENDO,KISHU=:KISHU,KIMATU=:KIMATU,\n"
    "DATALOCK=:DATALOCK,KYOYULOCK=:KYOYULOCK,TANTOU=:TANTOU,\n"
    "VER_MAJOR=:VER_MAJOR,VER_MINOR1=:VER_MINOR1,VER_MINOR2=:VER_MINOR2,VER_TEXT=:VER_TEXT,\n"
    "UPDATE_LOCK=:UPDATE_LOCK,GASSAN=:GASSAN,DATACODE=:DATACODE,DATA_STATUS=:DATA_STATUS,YOBI1=:YOBI1,"
    "YOBI2=:YOBI2,YOBI3=:YOBI3");

} // namespace

const QString kFreeAreaText = QStringLiteral("空き領域");
const QString kNewAreaText = QStringLiteral("新しい領域");

void DataStatusName(qint32 code, QString& text) {
    switch (code) {
    case 0:
    case 1:
        text = QStringLiteral("－");
        break;
    case 2:
        text = QStringLiteral("使用中");
        break;
    case 3:
        text = QStringLiteral("データロック中");
        break;
    case 4:
        text = QStringLiteral("保存中");
        break;
    case 5:
        text = QStringLiteral("復元中");
        break;
    case 6:
        text = QStringLiteral("コピー中");
        break;
    case 7:
        text = QStringLiteral("貼り付け中");
        break;
    case 8:
        text = QStringLiteral("削除中");
        break;
    case 9:
        text = QStringLiteral("新規作成中");
        break;
    case 10:
        text = QStringLiteral("破損");
        break;
    default:
        text = QStringLiteral("状態不明");
        break;
    }
}

QString DataStatusName(qint32 code) {
    QString text;
    DataStatusName(code, text);
    return text;
}

void InstallDataListStore() {
    CreateDataListStoreProc = [] { return std::make_unique<TDataSentakuListCtl>(); };
}

TDataSentakuListCtl::TDataSentakuListCtl()
    : Sql(std::make_unique<fb::Query>(DM->IBTransactionDEF)),
      Sql2(std::make_unique<fb::Query>(DM->IBTransactionDEF)) {
    SetDataPlace(0);
    const QString version = QStringLiteral("%1.%2.%3")
                                .arg(SystemDef.SysDbMAJOR)
                                .arg(SystemDef.SysDbMINOR1)
                                .arg(SystemDef.SysDbMINOR2);
    HasCloudColumn = IsVersionAtLeast(version, QStringLiteral("11.0.1"));
    HasReadOnlyColumn = IsVersionAtLeast(version, QStringLiteral("12.0.0"));
}

TDataSentakuListCtl::~TDataSentakuListCtl() = default;

qint32 TDataSentakuListCtl::DataListCnt() {
    return AppInfo.Zaimu.DataListCnt > 0 ? AppInfo.Zaimu.DataListCnt : 120;
}

void TDataSentakuListCtl::SetDataPlace(qint32 place) {
    DataPlaceRec = (ConnectMode == 0 || ConnectMode > 2) ? 0 : place;
    TableName = DataPlaceRec > 0 ? QStringLiteral("DATALIST_EX") : QStringLiteral("DATALIST");
}

QString TDataSentakuListCtl::cols() const {
    return QStringLiteral(
               "ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,DATALOCK,KYOYULOCK,"
               "TANTOU,\nVER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,"
               "YOBI1,YOBI2,YOBI3") +
           flagCols();
}

QString TDataSentakuListCtl::flagCols() const {
    return (HasCloudColumn ? QStringLiteral(",CLOUD") : QStringLiteral(",0 AS CLOUD")) +
           (HasReadOnlyColumn ? QStringLiteral(",READ_ONLY") : QStringLiteral(",0 AS READ_ONLY"));
}

QString TDataSentakuListCtl::flagSets() const {
    return (HasCloudColumn ? QStringLiteral(",CLOUD=:CLOUD") : QString()) +
           (HasReadOnlyColumn ? QStringLiteral(",READ_ONLY=:READ_ONLY") : QString());
}

QString TDataSentakuListCtl::placeCondition() const {
    return DataPlaceRec > 0 ? QStringLiteral("AND (DATAPLACEREC=:DATAPLACEREC)") : QString();
}

void TDataSentakuListCtl::bindPlace(fb::Query& q) const {
    if (DataPlaceRec > 0)
        q.setInt("DATAPLACEREC", DataPlaceRec);
}

QString TDataSentakuListCtl::BuildLocalPath(TDataListRec& row) const {
    QString path = ExcludePathDelim(row.PASNAME);
    if (row.NETDRIVE == 1 && !row.PASNAME.isEmpty()) {
        const QString slot =
            QStringLiteral("%1/%2").arg(SystemDef.SYSDIR).arg(row.REC, 4, 10, QLatin1Char('0'));
        path = row.GASSAN <= 2 ? slot : slot + u'/' + lastElement(row.PASNAME);
    }
    row.LOCALPATH = path;
    return path;
}

void TDataSentakuListCtl::InitDataListRec(TDataListRec& row, const QString& path) {
    row = TDataListRec();
    row.GROUPID = SystemDef.GROUPID;
    row.PASNAME = path;
    row.NENDO = 1;
    BuildLocalPath(row);
}

void TDataSentakuListCtl::mapRow(const fb::Query& q, TDataListRec& row, RowSource source) const {
    const bool normalisePath = source != RowSource::Stored;
    const bool server = source == RowSource::Server;
    row.REC = q.field("REC").asInt();
    row.ROWNO = q.fieldIndex("ROWNO") >= 0 ? q.field("ROWNO").asInt() : 0;
    row.GROUPID = SystemDef.GROUPID;
    row.DATACODE = q.field("DATACODE").asString();
    row.ENTTEXT = q.field("ENTTEXT").asString();
    row.SHOUGOU = q.field("SHOUGOU").asString();
    row.NENDO = q.field("NENDO").asInt();
    row.KISHU = fb::asDateTime(q.field("KISHU"));
    row.KIMATU = fb::asDateTime(q.field("KIMATU"));
    row.KIKAN = KikanToStr(row.KISHU, row.KIMATU);
    // The shared-server tables hold only areas of the share, never held copies.
    row.NETDRIVE = server ? 1 : q.field("NETDRIVE").asInt();
    row.PASNAME = q.field("PASNAME").asString();
    if (normalisePath)
        row.PASNAME.replace(u'\\', u'/');
    row.TANTOU = q.field("TANTOU").asInt();
    row.DATATYPE = q.field("DATATYPE").asInt();
    row.CODETYPE = q.field("CODETYPE").asInt();
    row.DATALOCK = q.field("DATALOCK").asInt();
    row.KYOYULOCK = server ? 0 : q.field("KYOYULOCK").asInt();
    row.VER_MAJOR = q.field("VER_MAJOR").asInt();
    row.VER_MINOR1 = q.field("VER_MINOR1").asInt();
    row.VER_MINOR2 = q.field("VER_MINOR2").asInt();
    row.VER_TEXT = q.field("VER_TEXT").asString();
    row.UPDATE_LOCK = q.field("UPDATE_LOCK").asInt();
    row.GASSAN = quint8(q.field("GASSAN").asInt());
    row.DATA_STATUS = quint8(q.field("DATA_STATUS").asInt());
    row.YOBI1 = q.field("YOBI1").asString();
    row.YOBI2 = q.field("YOBI2").asString();
    row.YOBI3 = q.field("YOBI3").asString();
    row.DISPNAME = row.ENTTEXT;
    BuildLocalPath(row);
    if (normalisePath && !server && row.PASNAME == row.LOCALPATH)
        row.NETDRIVE = 0;
    row.WORKNO = 0;
    row.WORKTEXT.clear();
    row.CLOUD = quint8(q.field("CLOUD").asInt());
    row.READ_ONLY = q.field("READ_ONLY").asInt();
}

void TDataSentakuListCtl::readParentRow(TDataSentakuRec& row, RowSource source) {
    mapRow(*Sql, row, source);
    row.ROWNO = 0;
    row.CHILDCNT = 0;
    row.CHILDREN.clear();
}

void TDataSentakuListCtl::readChildRow(TDataListRec& row, RowSource source) {
    mapRow(*Sql, row, source);
    appendChild(row);
}

void TDataSentakuListCtl::ReadDataListRow(TDataSentakuRec& row) {
    readParentRow(row, RowSource::List);
}

void TDataSentakuListCtl::ReadChildDataListRow(TDataListRec& row) {
    readChildRow(row, RowSource::List);
}

QString TDataSentakuListCtl::insertStatement(const QString& table, QString names) const {
    if (HasCloudColumn)
        names += QStringLiteral(",CLOUD");
    if (HasReadOnlyColumn)
        names += QStringLiteral(",READ_ONLY");
    return QStringLiteral("INSERT INTO %1(%2)\nVALUES(:%3)")
        .arg(table, names, names.split(u',').join(QStringLiteral(",:")));
}

void TDataSentakuListCtl::readRows(qint32& read, RowSource source) {
    fb::Query& q = *Sql;
    for (q.open(); !q.eof(); q.next()) {
        // Rows another computer added since they were counted are taken too.
        if (read >= Rows.size())
            Rows.resize(read + 1);
        readParentRow(Rows[read++], source);
    }
    q.close();
}

bool TDataSentakuListCtl::GetLocalPathToData(const QString& path, TDataListRec& row) {
    if (ServerListMode == 1)
        return true;
    row.PASNAME = path;
    if (path.trimmed().isEmpty())
        return false;
    if (ConnectMode != 0)
        return true;
    const bool child = row.GASSAN == 10;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        q.setSql(QStringList{child ? QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM CHILD_DATALIST")
                                   : QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM DATALIST"),
                             QStringLiteral("WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)")});
        q.setInt("GROUPID", SystemDef.GROUPID);
        q.setString("PASNAME", path.toUpper());
        const int count = q.openInt("RECCNT");
        if (count == 0 && GetUNCPath(path) == path) {
            const QStringList parts = ExcludePathDelim(path).split(u'/');
            if (!child) {
                q.setSql(QStringList{QStringLiteral("SELECT PASNAME FROM DATALIST"),
                                     QStringLiteral("WHERE (REC=:REC)")});
                q.setInt("REC", toIntOrZero(parts.constLast()));
                for (q.open(); !q.eof(); q.next()) {
                    row.PASNAME = q.field("PASNAME").asString();
                    BuildLocalPath(row);
                }
            } else {
                q.setSql(QStringList{QStringLiteral("SELECT PASNAME FROM CHILD_DATALIST"),
                                     QStringLiteral("WHERE (REC=:REC)")});
                q.setInt("REC", parts.size() >= 2 ? toIntOrZero(parts[parts.size() - 2]) : 0);
                for (q.open(); !q.eof(); q.next()) {
                    const QString stored = q.field("PASNAME").asString();
                    if (lastElement(stored) == parts.constLast()) {
                        row.PASNAME = stored;
                        BuildLocalPath(row);
                    }
                }
            }
            q.close();
        }
        own.commit();
        return true;
    } catch (const fb::Error& e) {
        endQuietly(own, false);
        ErrFbAccess(e, QStringLiteral("TDataSentakuListCtl.GetLocalPathToData"), QString());
        return false;
    }
}

void TDataSentakuListCtl::GetDataListRecord(int mode, TDataListRec& row, bool report) {
    if (ServerListMode == 1)
        return;
    QString target;
    if (mode == 1) {
        target = row.PASNAME;
        if (!GetLocalPathToData(row.PASNAME, row)) {
            InitDataListRec(row, QString());
            return;
        }
    } else if (mode != 0) {
        InitDataListRec(row, QString());
        return;
    }
    const bool child = row.GASSAN == 10;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        QStringList sql{
            (child ? QStringLiteral("SELECT REC,ROWNO,") : QStringLiteral("SELECT REC,0 AS ROWNO,")) +
            cols()};
        sql << (child ? QStringLiteral("FROM CHILD_DATALIST") : QStringLiteral("FROM ") + TableName);
        if (mode == 0)
            sql << (child ? QStringLiteral("WHERE (REC=:REC) AND (ROWNO=:ROWNO) AND (GROUPID=:GROUPID)")
                          : QStringLiteral("WHERE (REC=:REC) AND (GROUPID=:GROUPID)"));
        else
            sql << QStringLiteral("WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)");
        if (!child)
            sql << placeCondition();
        q.setSql(sql);
        q.setInt("GROUPID", SystemDef.GROUPID);
        if (mode == 0) {
            q.setInt("REC", row.REC);
            if (child)
                q.setInt("ROWNO", row.ROWNO);
        } else {
            q.setString("PASNAME", row.PASNAME.toUpper());
        }
        if (!child)
            bindPlace(q);
        for (q.open(); !q.eof(); q.next()) {
            mapRow(q, row, RowSource::Stored);
            if (mode == 1 && row.LOCALPATH == target)
                break;
        }
        q.close();
        own.commit();
    } catch (...) {
        endQuietly(own, true);
        reportOrThrow(kGetFailed, report);
    }
}

qint32 TDataSentakuListCtl::FindRecByPasName(const QString& path) {
    qint32 rec = 0;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        q.setSql(QStringList{QStringLiteral("SELECT REC FROM ") + TableName,
                             QStringLiteral("WHERE (PASNAME=:PASNAME)"), placeCondition()});
        q.setString("PASNAME", path);
        bindPlace(q);
        q.open();
        if (!q.eof())
            rec = q.field("REC").asInt();
        q.close();
        own.commit();
    } catch (const std::exception&) {
        endQuietly(own, true);
    }
    return rec;
}

bool TDataSentakuListCtl::IsDataPathToroku(const QString& path) {
    if (ServerListMode == 1)
        return true;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        q.setSql(QStringList{QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM ") + TableName,
                             QStringLiteral("WHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)"),
                             placeCondition()});
        q.setInt("GROUPID", SystemDef.GROUPID);
        q.setString("PASNAME", path.toUpper());
        bindPlace(q);
        const bool found = q.openInt("RECCNT") > 0;
        own.commit();
        return found;
    } catch (const fb::Error& e) {
        endQuietly(own, true);
        ErrFbAccess(e, QString::fromUtf8(kTorokuFailed.context), QString::fromUtf8(kTorokuFailed.message));
        return false;
    } catch (...) {
        endQuietly(own, true);
        throw;
    }
}

qint32 TDataSentakuListCtl::GetDataFolderName(qint32 offset) {
    if (ServerListMode == 1)
        return 0;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        q.setSql(QStringList{QStringLiteral("SELECT MAX(REC) AS RECMAX FROM ") + TableName,
                             QStringLiteral("WHERE (GROUPID=:GROUPID)"), placeCondition()});
        q.setInt("GROUPID", SystemDef.GROUPID);
        bindPlace(q);
        q.open();
        const qint32 max = q.eof() ? 0 : q.field("RECMAX").asInt();
        q.close();
        own.commit();
        return max + offset;
    } catch (const fb::Error& e) {
        endQuietly(own, true);
        ErrFbAccess(e, QString::fromUtf8(kMaxFailed.context), QString::fromUtf8(kMaxFailed.message));
        return 0;
    } catch (...) {
        endQuietly(own, true);
        throw;
    }
}

void TDataSentakuListCtl::bindRow(fb::Query& q, const TDataListRec& row) const {
    // The statements of the list and of the shared-server tables name different columns: bind those
    // the statement has.
    const auto text = [&q](const char* name, const QString& value) {
        if (q.hasParam(QLatin1StringView(name)))
            q.setString(QLatin1StringView(name), value);
    };
    const auto number = [&q](const char* name, qint64 value) {
        if (q.hasParam(QLatin1StringView(name)))
            q.setInt64(QLatin1StringView(name), value);
    };
    text("PASNAME", row.PASNAME);
    text("ENTTEXT", row.ENTTEXT);
    text("SHOUGOU", row.SHOUGOU);
    number("NETDRIVE", row.NETDRIVE);
    number("DATATYPE", row.DATATYPE);
    number("CODETYPE", row.CODETYPE);
    number("NENDO", row.NENDO);
    fb::setDateTime(q, "KISHU", row.KISHU);
    fb::setDateTime(q, "KIMATU", row.KIMATU);
    number("DATALOCK", row.DATALOCK);
    number("KYOYULOCK", row.KYOYULOCK);
    number("TANTOU", row.TANTOU);
    number("VER_MAJOR", row.VER_MAJOR);
    number("VER_MINOR1", row.VER_MINOR1);
    number("VER_MINOR2", row.VER_MINOR2);
    text("VER_TEXT", row.VER_TEXT);
    number("UPDATE_LOCK", row.UPDATE_LOCK);
    number("GASSAN", row.GASSAN);
    text("DATACODE", row.DATACODE);
    number("DATA_STATUS", row.DATA_STATUS);
    text("YOBI1", row.YOBI1);
    text("YOBI2", row.YOBI2);
    text("YOBI3", row.YOBI3);
    if (HasCloudColumn)
        number("CLOUD", row.CLOUD);
    if (HasReadOnlyColumn)
        number("READ_ONLY", row.READ_ONLY);
}

bool TDataSentakuListCtl::InsertDataListRecord(TDataListRec& row, bool report) {
    if (ServerListMode == 1)
        return true;
    if (TrimZenkaku(row.PASNAME).isEmpty())
        return false;
    if (ConnectMode == 0)
        return true;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        row.REC = GetDataFolderName(1);
        fb::Query& q = *Sql;
        q.setSql(insertStatement(
            TableName,
            QStringLiteral("%1REC,GROUPID,PASNAME,ENTTEXT,SHOUGOU,NETDRIVE,DATATYPE,CODETYPE,NENDO,KISHU,"
                           "KIMATU,DATALOCK,KYOYULOCK,TANTOU,VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,"
                           "GASSAN,DATACODE,DATA_STATUS,YOBI1,YOBI2,YOBI3,UPDATE_LOCK")
                .arg(DataPlaceRec > 0 ? QStringLiteral("DATAPLACEREC,") : QString())));
        bindRow(q, row);
        q.setInt("REC", row.REC);
        q.setInt("GROUPID", SystemDef.GROUPID);
        bindPlace(q);
        q.execute();
        own.commitAlways();
        return true;
    } catch (...) {
        endQuietly(own, false);
        reportOrThrow(kInsertFailed, report);
        return false;
    }
}

bool TDataSentakuListCtl::UpdateDataListRecord(TDataListRec& row, bool withNames, bool report) {
    if (ServerListMode == 1)
        return true;
    if (row.REC == 0 || TrimZenkaku(row.PASNAME).isEmpty())
        return false;
    if (row.GASSAN == 10)
        return UpdateDataListChildRecord(row, report);
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        if (isServerMode()) {
            // Another computer may have reused the slot for another folder since it was read.
            q.setSql(QStringList{QStringLiteral("SELECT PASNAME FROM ") + TableName,
                                 QStringLiteral("WHERE (REC=:REC)"), placeCondition()});
            q.setInt("REC", row.REC);
            bindPlace(q);
            QString stored;
            for (q.open(); !q.eof(); q.next())
                stored = q.field("PASNAME").asString();
            q.close();
            if (stored.isEmpty() || stored.compare(row.PASNAME, Qt::CaseInsensitive) != 0) {
                own.commitAlways();
                return true;
            }
        }
        const QString set = kSetList + flagSets();
        q.setSql(QStringList{QStringLiteral("UPDATE ") + TableName, set, QStringLiteral("WHERE (REC=:REC)"),
                             placeCondition()});
        bindRow(q, row);
        q.setInt("REC", row.REC);
        bindPlace(q);
        q.execute();
        if (row.SHOUGOU.isEmpty() && row.KISHU.isNull() && row.KIMATU.isNull()) {
            q.setSql(QStringList{QStringLiteral("DELETE FROM CHILD_DATALIST"),
                                 QStringLiteral("WHERE REC=:REC AND GROUPID=:GROUPID")});
            q.setInt("REC", row.REC);
            q.setInt("GROUPID", SystemDef.GROUPID);
            q.execute();
        }
        if (row.NETDRIVE == 1) {
            // The shared list numbers its own areas: the caller's row keeps its list number.
            TDataListRec area = row;
            UpdateServerDataListRecord(area, withNames, false);
        }
        own.commitAlways();
        return true;
    } catch (...) {
        endQuietly(own, false);
        reportOrThrow(kUpdateFailed, report);
        return false;
    }
}

bool TDataSentakuListCtl::ChangeDataLock(const TDataListRec& row, qint32 expected, qint32 lock) {
    if (ServerListMode == 1 || row.REC == 0 || row.GASSAN == 10)
        return false;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        q.setSql(QStringList{
            QStringLiteral("UPDATE ") + TableName, QStringLiteral("SET DATALOCK=:DATALOCK"),
            QStringLiteral("WHERE (REC=:REC) AND (GROUPID=:GROUPID) AND (COALESCE(DATALOCK,0)=:OLDLOCK)"),
            placeCondition()});
        q.setInt("DATALOCK", lock);
        q.setInt("REC", row.REC);
        q.setInt("GROUPID", SystemDef.GROUPID);
        q.setInt("OLDLOCK", expected);
        bindPlace(q);
        q.execute();
        const bool changed = q.rowsAffected() == 1;
        q.close();
        own.commitAlways();
        return changed;
    } catch (...) {
        endQuietly(own, false);
        reportOrThrow(kUpdateFailed, true);
        return false;
    }
}

bool TDataSentakuListCtl::DeleteDataListRecord(TDataListRec& row, bool report) {
    if (ServerListMode == 1)
        return true;
    if (TrimZenkaku(row.PASNAME).isEmpty())
        return false;
    if (ConnectMode == 0 && row.GASSAN == 10)
        return DeleteDataListChildRecord(row, report);
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        q.setSql(QStringList{QStringLiteral("DELETE FROM ") + TableName,
                             QStringLiteral("WHERE (PASNAME=:PASNAME) AND (REC>:REC)"), placeCondition()});
        q.setString("PASNAME", row.PASNAME);
        q.setInt("REC", DataListCnt());
        bindPlace(q);
        q.execute();
        DeleteDataListChildRecord(row, false);
        own.commitAlways();
        return true;
    } catch (...) {
        endQuietly(own, false);
        reportOrThrow(kDeleteFailed, report);
        return false;
    }
}

void TDataSentakuListCtl::RenumberDataListRecords() {
    if (ServerListMode == 1 || !isServerMode())
        return;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& update = *Sql;
        fb::Query& select = *Sql2;
        update.setSql(QStringList{QStringLiteral("UPDATE ") + TableName + QStringLiteral(" SET REC=:NEWREC"),
                                  QStringLiteral("WHERE (REC=:OLDREC)"), placeCondition()});
        select.setSql(QStringList{QStringLiteral("SELECT REC FROM ") + TableName,
                                  QStringLiteral("WHERE (REC>:REC)"), placeCondition(),
                                  QStringLiteral("ORDER BY REC")});
        select.setInt("REC", DataListCnt());
        bindPlace(select);
        qint32 next = DataListCnt() + 1;
        for (select.open(); !select.eof(); select.next()) {
            const qint32 rec = select.field("REC").asInt();
            if (rec != next) {
                update.setInt("NEWREC", next);
                update.setInt("OLDREC", rec);
                bindPlace(update);
                update.execute();
            }
            ++next;
        }
        select.close();
        own.commit();
    } catch (...) {
        endQuietly(own, false);
        throw;
    }
}

bool TDataSentakuListCtl::UpdateDataListChildRecord(TDataListRec& row, bool report) {
    if (ServerListMode == 1 || isServerMode())
        return true;
    if (TrimZenkaku(row.PASNAME).isEmpty())
        return false;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        const QString key = QStringLiteral("WHERE REC=:REC AND ROWNO=:ROWNO AND GROUPID=:GROUPID");
        q.setSql(QStringList{QStringLiteral("SELECT COUNT(REC) AS RECCNT FROM CHILD_DATALIST"), key});
        q.setInt("REC", row.REC);
        q.setInt("ROWNO", row.ROWNO);
        q.setInt("GROUPID", SystemDef.GROUPID);
        const int count = q.openInt("RECCNT");
        if (count > 0) {
            const QString set = kSetList + flagSets();
            q.setSql(QStringList{QStringLiteral("UPDATE CHILD_DATALIST"), set, key});
        } else {
            q.setSql(insertStatement(
                QStringLiteral("CHILD_DATALIST"),
                QStringLiteral("REC,ROWNO,GROUPID,ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,DATATYPE,CODETYPE,NENDO,"
                               "KISHU,KIMATU,DATALOCK,TANTOU,VER_MAJOR,VER_MINOR1,VER_MINOR2,VER_TEXT,"
                               "KYOYULOCK,UPDATE_LOCK,GASSAN,DATACODE,DATA_STATUS,YOBI1,YOBI2,YOBI3")));
        }
        bindRow(q, row);
        q.setInt("REC", row.REC);
        q.setInt("ROWNO", row.ROWNO);
        q.setInt("GROUPID", SystemDef.GROUPID);
        q.execute();
        if (row.NETDRIVE == 1) {
            TDataListRec area = row;
            UpdateServerDataListChildRecord(area, true, false);
        }
        own.commit();
        return true;
    } catch (...) {
        endQuietly(own, false);
        reportOrThrow(kChildUpdateFailed, report);
        return false;
    }
}

bool TDataSentakuListCtl::DeleteDataListChildRecord(TDataListRec& row, bool report) {
    if (ServerListMode == 1 || isServerMode())
        return true;
    if (TrimZenkaku(row.PASNAME).isEmpty())
        return false;
    const bool child = row.GASSAN == 10;
    OwnTransaction own(DM->IBTransactionDEF);
    try {
        fb::Query& q = *Sql;
        q.setSql(QStringList{QStringLiteral("DELETE FROM CHILD_DATALIST"),
                             child ? QStringLiteral("WHERE REC=:REC AND ROWNO=:ROWNO AND GROUPID=:GROUPID")
                                   : QStringLiteral("WHERE REC=:REC AND GROUPID=:GROUPID")});
        q.setInt("REC", row.REC);
        if (child)
            q.setInt("ROWNO", row.ROWNO);
        q.setInt("GROUPID", SystemDef.GROUPID);
        q.execute();
        if (row.NETDRIVE == 1) {
            // Every child area below the parent's folder goes with it; the folder is bound, never pasted.
            q.setSql(QStringList{QStringLiteral("DELETE FROM CHILD_SERVERDATALIST"),
                                 QStringLiteral("WHERE GROUPID=:GROUPID AND DRIVELETTER=:DRIVELETTER"),
                                 child ? QStringLiteral("AND PASNAME=:PASNAME")
                                       : QStringLiteral("AND PASNAME STARTING WITH :PASNAME")});
            q.setInt("GROUPID", SystemDef.GROUPID);
            q.setString("DRIVELETTER", row.PASNAME.left(1));
            q.setString("PASNAME", child ? row.PASNAME : ExcludePathDelim(row.PASNAME) + u'/');
            q.execute();
        }
        own.commit();
        return true;
    } catch (...) {
        endQuietly(own, false);
        reportOrThrow(kChildDeleteFailed, report);
        return false;
    }
}

#pragma once
// The dataset-list controller: one object per use over the list tables of the system database
// (DATALIST, or DATALIST_EX for a data place, and CHILD_DATALIST for the children of merged data).
// Reads commit only a transaction they started; the writes always commit (a caller's running
// transaction with commit-retaining, so it stays open).

#include "core/TDataInfomation.h"
#include "core/TDataListRec.h"
#include "platform/firebird/FbQuery.h"

#include <QString>
#include <QStringList>
#include <memory>

// The list names of a shared-server area without data: free, and just added by the user.
extern const QString kFreeAreaText; // "空き領域"
extern const QString kNewAreaText;  // "新しい領域"

// The display text of a data status code.
void DataStatusName(qint32 code, QString& text);
QString DataStatusName(qint32 code);

// Merged data (kinds 1 and 2), which owns child rows.
inline bool IsMergedKind(int kind) {
    return kind == 1 || kind == 2;
}

// The operator code of an operator key of the logged-on group.
qint32 OperatorCodeOfKey(qint32 key);
// The lines that tell who holds a dataset: its folder, the operator's code (when there is one) and name.
QStringList OperatorLines(const QString& folder, qint32 opcode, const QString& name);
// The warning box "選択データの状態" (or the caption given) with the main text above the lines.
void ShowStatusLines(const QString& caption, const QString& text, const QStringList& lines);

// Installs the controller as the list store the database module uses when it disconnects a dataset.
void InstallDataListStore();

class TDataSentakuListCtl : public TDataListStore {
public:
    TDataSentakuListCtl();
    ~TDataSentakuListCtl() override;

    quint8 ConnectMode = 0;
    // 1: the controller serves the shared-server list; the list-table operations do nothing.
    quint8 ServerListMode = 0;
    QStringList MsgLines;
    std::unique_ptr<fb::Query> Sql;
    std::unique_ptr<fb::Query> Sql2;
    qint32 RowCount = 0;
    TDataSentakuRecArray Rows;
    qint32 ChildCount = 0;
    TDataListArray Children;
    quint8 ListFilter = 0;
    qint32 NendoFilter = 0;
    QString ShougouFilter;
    QStringList FolderList;
    qint32 DataPlaceRec = 0;
    QString TableName;
    bool HasCloudColumn = false;
    bool HasReadOnlyColumn = false;

    void SetConnectMode(quint8 mode) override { ConnectMode = mode; }
    void SetDataPlace(qint32 place) override;
    // The folder of the row's data on this computer, also stored into LOCALPATH.
    QString BuildLocalPath(TDataListRec& row) const;
    void InitDataListRec(TDataListRec& row, const QString& path) override;
    // Mode 0 by REC (and ROWNO for a child row), mode 1 by folder.
    void GetDataListRecord(int mode, TDataListRec& row, bool report) override;
    qint32 FindRecByPasName(const QString& path);
    bool IsDataPathToroku(const QString& path);
    qint32 GetDataFolderName(qint32 offset);
    bool InsertDataListRecord(TDataListRec& row, bool report);
    bool UpdateDataListRecord(TDataListRec& row, bool withNames, bool report) override;
    bool DeleteDataListRecord(TDataListRec& row, bool report);
    // Sets DATALOCK of a list row from expected to lock in one statement, so that a lock another
    // operator has taken meanwhile is never overwritten. False when the stored lock was not expected
    // or on a database error (reported).
    bool ChangeDataLock(const TDataListRec& row, qint32 expected, qint32 lock);
    void RenumberDataListRecords();
    bool UpdateDataListChildRecord(TDataListRec& row, bool report);
    bool DeleteDataListChildRecord(TDataListRec& row, bool report);
    // Copy the current row of Sql; a child row is also added to its loaded parent.
    void ReadDataListRow(TDataSentakuRec& row);
    void ReadChildDataListRow(TDataListRec& row);
    // Puts the stored folder of a local copy into the row; false for an empty path or a database error.
    bool GetLocalPathToData(const QString& path, TDataListRec& row);

    // ---- the whole list and the path conversions ----
    // Loads the group's list into Rows (registered rows in the order, then for orders 2 to 7 the free
    // slots) and Children. Order 0 takes orderBy as its ORDER BY line. Errors are reported, never raised.
    void Execute(int shareLockFilter, quint8 sortOrder, const QString& orderBy, bool descending);
    void Clear();
    // The children of a merged row (stand-alone mode only).
    void GetDataListChildRecord(TDataSentakuRec& row, bool report);
    // Fills a row from a folder's data-information record; keeps its number, folder and share marks.
    void DataInfoToDataListRec(const TDataInfomationRec& info, TDataListRec& row) const;
    // The list and child number texts after the "DATA" element of a data path.
    static void GetDataListKey(const QString& path, QString& listNo, QString& childNo);
    void GetDataListRecNo(const QString& path, qint32& rec);
    // The stored folder of a local copy of shared data (stand-alone mode), with its share marks.
    bool ConvLocalPathToSharePath(const QString& path, QString& sharePath, qint32& kyoyuLock,
                                  qint32& netDrive);
    // 1 with the row and its children of a registered data folder, else 0 and a cleared row.
    int GetDataListRecordByPath(const QString& path, TDataSentakuRec& row);
    static void NumberChildNames(TDataSentakuRec& row);
    static void DeleteChildItem(TDataSentakuRec& row, int index);
    // Sub-folder names, without the folders the save operation keeps its backups in.
    static QStringList ListDataFolders(const QString& folder);
    static QStringList ListChildFolders(const TDataListRec& row);
    static QStringList ListLocalChildFolders(const TDataListRec& row);

    // ---- the shared-server lists (SERVERDATALIST, CHILD_SERVERDATALIST) ----
    // The rows of a share live under its root folder drivePath. Mode 0 loads the stored rows, mode 1
    // empties them and lists the share's folders as free areas (nothing is inserted). ServerListMode
    // only; errors are reported, never raised.
    void ServerExecute(int mode, const QString& drivePath, const QString& orderBy, bool descending,
                       quint8 sortOrder);
    bool UpdateServerDataListRecord(TDataListRec& row, bool withNames, bool report);
    bool UpdateServerDataListChildRecord(TDataListRec& row, bool withNames, bool report);
    bool DeleteServerDataListChildRecord(TDataListRec& row, bool report);
    // "sv%.4d" of the share's highest stored area number plus increment.
    QString GetNextServerFolderName(const QString& drivePath, int increment);
    // The local working folder of a shared area (kind 10: of a child area); empty when no list row
    // names the area.
    QString GetSharedDataLocalPath(const QString& sharedPath, quint8 kind);
    void ReadServerDataListRow(TDataSentakuRec& row);
    void ReadServerChildDataListRow(TDataListRec& row);
    // The one-character key of a shared folder in the shared-server tables.
    static QString DriveLetter(const QString& path);

    // Writes the areas of a share whose rows ServerExecute mode 1 has just removed, one after another
    // in the running transaction of the system database: each row is stored exactly as
    // UpdateServerDataListRecord or UpdateServerDataListChildRecord (with names, errors reported)
    // would store it. The statements are prepared once, and the areas written so far are kept here,
    // so an area costs the same however many the share has. A row outside the share takes the
    // general road.
    class ServerAreaWriter {
    public:
        ServerAreaWriter(TDataSentakuListCtl& list, const QString& drivePath);
        ~ServerAreaWriter();
        ServerAreaWriter(const ServerAreaWriter&) = delete;
        ServerAreaWriter& operator=(const ServerAreaWriter&) = delete;
        bool Write(TDataListRec& row);

    private:
        struct Impl;
        std::unique_ptr<Impl> d;
    };

    // ---- the local copy of shared-server data ----
    // Receives the shared data of the row (PASNAME, and for merged data its children) into the local
    // copy (LOCALPATH) and takes the hold on it: 1 received and held, -1 refused (damaged, or taken
    // out by another operator; the operator is told), 0 nothing done. Everything arrives in a staging
    // folder first; the old local copy is replaced only once every part has arrived.
    int ReceiveServerData(TDataSentakuRec& row, int quiet);
    // Sends the local copy of the row back to the share and gives up the hold: 1 sent, -1 refused
    // (another operator has the shared data), 0 nothing done. The shared data is replaced only once
    // every part has arrived on the share; shared children without a local copy stay.
    int SendServerData(TDataSentakuRec& row, int quiet);

    // The number of fixed list slots of the product.
    static qint32 DataListCnt();

private:
    QString cols() const;
    // The CLOUD and READ_ONLY parts of a column list and of a SET list, by the system database version.
    QString flagCols() const;
    QString flagSets() const;
    QString placeCondition() const;
    void bindPlace(fb::Query& q) const;
    void bindRow(fb::Query& q, const TDataListRec& row) const;
    // Stored: a single-row read, the folder as stored; List: a list load; Server: a shared-server row.
    enum class RowSource { Stored, List, Server };
    void mapRow(const fb::Query& q, TDataListRec& row, RowSource source) const;
    void appendChild(const TDataListRec& child);
    void readParentRow(TDataSentakuRec& row, RowSource source);
    void readChildRow(TDataListRec& row, RowSource source);
    // Reads the rows of the open statement of Sql into Rows from index read on.
    void readRows(qint32& read, RowSource source);
    // "INSERT INTO table(names[,CLOUD][,READ_ONLY]) VALUES(:names...)" by the column flags.
    QString insertStatement(const QString& table, QString names) const;
    QString serverCols() const;
    QString serverSetList(bool withNames) const;
    void bindServerRow(fb::Query& q, const TDataListRec& row) const;
    void serverLoad(const QString& drivePath, bool descending, quint8 sortOrder);
    void serverRebuild(const QString& drivePath);
    bool isServerMode() const { return ConnectMode == 1 || ConnectMode == 2; }
    // The hold mark of the row and of the children at the indexes, written to the list.
    void writeShareLocks(TDataSentakuRec& row, const QList<qsizetype>& children, qint32 lock);
    // "共有サーバーが起動していない…" with the shared folder, unless quiet.
    void reportUnreachable(const QString& sharedFolder, int quiet);
};

#pragma once
// The dataset-list controller: one object per use over the list tables of the system database
// (DATALIST, or DATALIST_EX for a data place, and CHILD_DATALIST for the children of merged data).
// Reads commit only a transaction they started; the writes always commit (a caller's running
// transaction with commit-retaining, so it stays open).

#include "core/TDataListRec.h"
#include "platform/firebird/FbQuery.h"

#include <QString>
#include <QStringList>
#include <memory>

// The display text of a data status code.
void DataStatusName(qint32 code, QString& text);
QString DataStatusName(qint32 code);

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
    void RenumberDataListRecords();
    bool UpdateDataListChildRecord(TDataListRec& row, bool report);
    bool DeleteDataListChildRecord(TDataListRec& row, bool report);
    // Copy the current row of Sql; a child row is also added to its loaded parent.
    void ReadDataListRow(TDataSentakuRec& row);
    void ReadChildDataListRow(TDataListRec& row);
    // Puts the stored folder of a local copy into the row; false for an empty path or a database error.
    bool GetLocalPathToData(const QString& path, TDataListRec& row);

    // The number of fixed list slots of the product.
    static qint32 DataListCnt();

private:
    QString cols() const;
    QString placeCondition() const;
    void bindPlace(fb::Query& q) const;
    void bindRow(fb::Query& q, const TDataListRec& row) const;
    void mapRow(const fb::Query& q, TDataListRec& row, bool normalisePath) const;
    bool isServerMode() const { return ConnectMode == 1 || ConnectMode == 2; }
};

#pragma once
// One row of a dataset list (DATALIST, DATALIST_EX, CHILD_DATALIST), a parent row with its children,
// and the few list operations the database module needs when it refreshes the row of a dataset it
// disconnects. The data selection owns the list controller and installs its factory.

#include "core/TDateTime.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

struct TDataListRec {
    qint32 REC = 0;
    qint32 ROWNO = 0;
    qint32 GROUPID = 0;
    QString DATACODE;
    QString ENTTEXT;
    QString SHOUGOU;
    qint32 NENDO = 0;
    QString KIKAN;
    TDateTime KISHU;
    TDateTime KIMATU;
    qint32 NETDRIVE = 0;
    QString PASNAME;
    QString LOCALPATH;
    qint32 DATATYPE = 0;
    qint32 CODETYPE = 0;
    qint32 DATALOCK = 0;
    qint32 KYOYULOCK = 0;
    qint32 TANTOU = 0;
    qint32 VER_MAJOR = 0;
    qint32 VER_MINOR1 = 0;
    qint32 VER_MINOR2 = 0;
    QString VER_TEXT;
    qint32 UPDATE_LOCK = 0;
    quint8 GASSAN = 0;
    QString DISPNAME;
    quint8 DATA_STATUS = 0;
    QString YOBI1, YOBI2, YOBI3;
    qint32 WORKNO = 0;
    QString WORKTEXT;
    quint8 CLOUD = 0;
    qint32 READ_ONLY = 0;
};

using TDataListArray = QList<TDataListRec>;

struct TDataSentakuRec : TDataListRec {
    qint32 CHILDCNT = 0;
    TDataListArray CHILDREN;
};

using TDataSentakuRecArray = QList<TDataSentakuRec>;
using TDataSentakuRecDispArray = QList<qint32>;

// What the database module asks of the dataset-list controller.
class TDataListStore {
public:
    virtual ~TDataListStore() = default;
    virtual void SetConnectMode(quint8 mode) = 0;
    virtual void SetDataPlace(qint32 place) = 0;
    virtual void InitDataListRec(TDataListRec& row, const QString& path) = 0;
    virtual void GetDataListRecord(int mode, TDataListRec& row, bool report) = 0;
    virtual bool UpdateDataListRecord(TDataListRec& row, bool withNames, bool report) = 0;
};

// Creates a dataset-list controller; installed by the data selection. Unset: the module refreshes no
// list row.
extern std::function<std::unique_ptr<TDataListStore>()> CreateDataListStoreProc;

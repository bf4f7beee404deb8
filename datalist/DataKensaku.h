#pragma once
// The stored search condition and sort order of a dataset list (table KENSAKUJYOKEN, one row per
// operator key and list type), how the lists test a row against a condition, and the tables the
// condition dialog offers. The dialog itself (TDataListKensakuBox) only shows and forwards.

#include "core/TDataListRec.h"
#include "platform/firebird/FbTransaction.h"

#include <QString>
#include <QStringList>

struct TDataKensakuRec {
    qint32 OPCODE = 0;    // operator key (group × 10000 + code)
    qint32 LISTTYPE = 0;  // 0 the data-selection list, 1 the shared-server list
    qint32 JYOKENUSE = 0; // 1: applied every time the list opens
    qint32 DATATYPE = 0;  // 0 none; -13 (only from a caller) data types 1 and 3
    qint32 CODETYPE = 0;
    QString DATACODE;    // code prefix
    QString DATANAME;    // part of the list name
    qint32 TANTO = 0;    // person in charge, 0 none
    QString DATAVER;     // "%d.%d" (major.minor1), empty none
    QString DATAVER2;    // not used here
    qint32 VERCMP = 0;   // 0 the version text exactly, 1 the major number, 2 at least the version
    QString SEIHINNAME;  // display name of the chosen version entry
    qint32 SORTCOL = 0;  // the list's grid column
    qint32 SORTTYPE = 0; // 0 ascending, 1 descending
    QString YOBISTR1, YOBISTR2;

    bool operator==(const TDataKensakuRec&) const = default;
};

// One entry of the dialog's data-kind list.
struct TDataKindEntry {
    QString text;
    qint32 dataType;
    qint32 codeType;
};
// "選択なし" and the six kinds, in list order.
const QList<TDataKindEntry>& DataKindEntries();
// The list index a stored (DATATYPE, CODETYPE) pair selects.
int DataKindIndex(qint32 dataType, qint32 codeType);

// Stored SORTCOL to grid column and back; unknown values become 0 (nothing chosen).
int SortColToGridCol(int stored);
int GridColToSortCol(int grid);

// Empties the filters of a condition (data kind, code, name, person, version); the rest stays.
void ClearKensakuFilters(TDataKensakuRec& rec);
// Whether a list row passes every set part of the condition.
bool KensakuMatches(const TDataKensakuRec& rec, const TDataListRec& row);
// The indexes of the parent rows that pass, in list order; children go with their parent.
TDataSentakuRecDispArray ApplyKensaku(const TDataKensakuRec& rec, const TDataSentakuRecArray& rows);

// One entry of the person-in-charge list: an operator of the group, or code 0 for anyone.
struct TKensakuPerson {
    qint32 code = 0;
    QString line; // "%d:%s" of code and name
};

// Reads and writes the stored conditions in a system-database transaction of its own (started and
// committed only when nobody has started it). Errors of a transaction started here are reported.
class TDataKensakuIO {
public:
    TDataKensakuIO();

    qint32 ListType = 0;
    fb::Transaction Transaction;

    void InitKensakuRec(TDataKensakuRec& rec) const;
    // The operator's stored condition; a first use stores an empty one. False after a failure.
    bool SelectRecord(TDataKensakuRec& rec);
    // Every column of the row; 1 done, 0 failed.
    int UpdateRecord(const TDataKensakuRec& rec);
    // The sort column and direction only; 1 done, 0 failed.
    int UpdateRecordSortField(const TDataKensakuRec& rec);
    // "選択なし" and the operators (codes 10 and above) of the logged-on group. It stands in for the
    // framework's operator list until that is available.
    bool LoadPersons(QList<TKensakuPerson>& persons);

private:
    void bindKey(fb::Query& q, const TDataKensakuRec& rec) const;
    void bindCondition(fb::Query& q, const TDataKensakuRec& rec) const;
};

#pragma once
// The database module: the one object (DM) that holds every connection, transaction and shared statement
// of the framework. The system database, the accounting database of the open dataset and the file-manager
// database are reached only through it.
//
// Transaction convention of every operation: note whether the database's transaction is active, start it
// only when it is not, and commit or roll back only a transaction started here (OwnTransaction), so a
// caller's transaction stays open and uncommitted.

#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVariant>

class QWidget;
struct TDataInfomationRec;
struct TSystemIniRec;

// Starts a transaction when none is active and ends only a transaction it started itself. An own
// transaction still running when the guard goes (an exception passed by) is rolled back.
class OwnTransaction {
public:
    explicit OwnTransaction(fb::Transaction& transaction);
    ~OwnTransaction();
    OwnTransaction(const OwnTransaction&) = delete;
    OwnTransaction& operator=(const OwnTransaction&) = delete;

    bool started() const { return m_started; }
    fb::Transaction& transaction() const { return m_transaction; }
    // Ends an own transaction; a caller's transaction is left alone.
    void commit();
    void rollback();
    // Commits an own transaction, or commits a caller's with commit-retaining so it keeps running.
    void commitAlways();

private:
    fb::Transaction& m_transaction;
    bool m_started = false;
};

class TDM : public QObject {
public:
    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    // The connections come first: every transaction refers to its database and every statement to its
    // transaction, so they are built after and destroyed before them.
    fb::Database IBDatabaseDEF; // system database
    fb::Database IBDatabaseDAT; // accounting database of the open dataset
    fb::Database IBFileMan;     // file-manager database "plfileman.fdb"

    fb::Transaction IBTransactionDEF;   // read_committed, rec_version, nowait
    fb::Transaction IBTransactionDAT;   // read_committed, rec_version, nowait
    fb::Transaction IBTransactionDATSS; // concurrency, nowait: the query factory's snapshot
    fb::Transaction IBTransFileMan;     // read_committed, rec_version, nowait

    fb::Query IBQSysDefGet, IBQSysDefPut; // settings reads and writes on the system database
    fb::Query QueryDef;                   // general system statements
    fb::Query IBSQLDEF;                   // light system statements
    fb::Query IBQACC1;                    // general accounting statements
    fb::Query IBQACC2;                    // accounting statements of the schema upgrade
    fb::Query IBQueryFileMan, IBSQLFileMan;

    // Both start disabled; nothing in this program enables them.
    QTimer TimerFormClose;
    QTimer TimerSyoriKidou;
    // The window TimerFormClose closes (the timer's tag).
    QPointer<QWidget> FormCloseTag;
    // The dialog request TimerSyoriKidou runs.
    QString SyoriKidouName;
    qint32 SyoriKidouNo = 0;
    QString SyoriKidouParams;

    // "host:folder/file" when connectMode is not 0 (also for a host naming this computer), else
    // "folder/file". An empty host means SystemDef.HOSTNAME, an empty folder SystemDef.DataDir.
    static QString DatabaseName(const QString& host, const QString& folder, const QString& file);
    // The three connection parameter lines of SystemDef (user, password, lc_ctype SJIS_0208).
    static QStringList ConnectParams();

    bool fnAccDefConnected(const QString& host, int report);
    bool fnFileManConnected(const QString& host);
    bool fnAccDatConnected(const QString& host, const QString& folder, int markInUse);
    // Never throws: a close path calls it. A mark or list row that cannot be written is reported.
    bool fnAccDatDisConnected(const QString& folder, int markFree, int refreshList);
    // kind 0 the system database, 1 the accounting database of the folder.
    bool AccDatInConnection(int kind, const QString& host, bool keepOwnConnection, const QString& folder);
    bool AccDatDropDatabase(const QString& host, const QString& folder);
    int CallDataCheck(const QString& host, const QString& folder, int force, int quiet);

    void TimerFormCloseTimer();
    void TimerSyoriKidouTimer();

    // Server-side file operations: mode 0 works on this computer, 1 and 2 through the server's
    // procedures, any other mode does nothing.
    bool ServerFileOperation(const QString& modeWord, const QString& path1, const QString& path2);
    void ServerLongToShortFileName(const QString& longPath, QString& shortPath);
    bool ServerDExist(const QString& path, int mode);
    bool ServerMkDir(const QString& path, int mode);
    bool ServerRmDir(const QString& path, int mode, bool toRecycleBin);
    bool ServerFExist(const QString& path, int mode);
    bool ServerFDel(const QString& path, int mode, bool toRecycleBin);
    bool ServerFMove(const QString& from, const QString& to, int mode);
    bool ServerFCopy(const QString& from, const QString& to, int mode);
    void GetShortFileName(const QString& path, int mode, QString& shortPath);

    // ---- backup, restore and validation of database files ----
    // Protocols of the services API: TCP/IP to the host, or the engine in this process (no host).
    enum : int { ProtocolTcp = 0, ProtocolLocal = 3 };
    enum class ValidateResult { Sound, Damaged, CouldNotValidate };
    // Through the services API. The backup goes to a work file beside the backup path, on its file
    // system (direct or not), that replaces the old backup only when complete; the restore goes to a
    // work database beside the target that replaces it only once it opens, is online and its key tables
    // read (ACCVERSION and ACCDEF1 of an accounting database, VERSION and OPERATOR of the system
    // database), and never while the target is attached. A restored accounting database is connected
    // once to empty its process history; every restore ends with no dataset connected. Failures are
    // shown; the result is false.
    bool BackupFDB(int protocol, const QString& host, const QString& databasePath, const QString& backupPath,
                   bool direct);
    bool RestoreFDB(int protocol, const QString& host, const QString& databasePath, const QString& backupPath,
                    bool keepIndexes);
    // Through gbak (the program folder's, else the one on PATH), for a database on the host and a backup
    // file on this computer; the loopback host goes through the services API of this process. A run
    // succeeds only when gbak exits with 0, its log holds no "ERROR" and its output file was written.
    bool BackupFDBByGbak(const QString& host, const QString& databasePath, const QString& backupPath,
                         bool direct);
    bool RestoreFDBByGbak(const QString& host, const QString& databasePath, const QString& backupPath,
                          bool keepIndexes);
    // Full validation; a file the service cannot open gives CouldNotValidate. A connected dataset is
    // disconnected for the run and connected again afterwards. Nothing is shown.
    ValidateResult ValidateFDB(int protocol, const QString& host, const QString& databasePath);

    // Facility rights, entry counts and the cloud switch of the open dataset. An empty facility code
    // counts the whole dataset; the counts report a database error (when they started the
    // transaction) and pass it on.
    bool IsAllSisetuOperator();
    bool fnGetExistsOpeDefSisetu();
    void GetXstrValue(const QString& text, const QString& name, QString& value);
    // "COLOR" gives an integer (0xFFAF80 when missing or not above 0), any other key the text.
    void GetXstrVariant(const QString& text, const QString& key, QVariant& value);
    qint32 GetYukouSiwakeCount(const QString& scode);
    qint32 GetUpDelSiwakeCount(const QString& scode);
    qint32 GetSiwakeCount(const QString& scode, qint32& live, qint32& updatedDeleted);
    qint32 GetSiwakeTotalCount(const QString& scode);
    bool IsCloudShareEnabled(int flag);

    // ---- operator settings: SYSDEF, SYSREG, SYSTEMINI, STYLECOLOR ----
    // Load and write back the logged-on operator's settings; a transaction the caller started is left
    // running, uncommitted.
    bool fnGetSysDef();
    bool fnPutSysDef();
    // One SYSREG value of a key by type word ("文字", "論理", "日付", "整数", "金額"); a missing row is
    // inserted with the default text first. The Get/Put forms work on SystemDef.OPCODE.
    bool funcGetSysReg(const QString& name, const QString& typeWord, QVariant& value, qint32 key,
                       const QString& defaultText);
    bool GetSysReg(const QString& name, const QString& typeWord, QVariant& value, const QString& defaultText);
    bool funcPutSysReg(const QString& name, const QString& typeWord, qint32 key, const QVariant& value);
    bool PutSysReg(const QString& name, const QString& typeWord, const QVariant& value);
    // The SYSTEMINI record whose REC is set (zeros and empty text when there is none).
    bool GetSysIni(TSystemIniRec& record);
    bool SetSysIni(const TSystemIniRec& record);
    void GetStyleColorText(qint32 key, const QString& styleName, QString& text);
    void PutStyleColorText(qint32 key, const QString& styleName, const QString& text);
    // SystemDef.SysDbMAJOR, SysDbMINOR1, SysDbMINOR2 from table VERSION (zeros on failure).
    void GetSystemDbVersion();

    // ---- job control, the usual facility, schema probes, logon row, running jobs ----
    bool SetJobControl(const QString& processId, const QString& option);
    void GetOpeDefSisetu(QString& name);
    bool fnExistence_Table(const QString& tableName);
    bool fnExistence_Field(const QString& tableName, const QString& fieldName);
    void DeleteLogonInfo();
    void ClearOpInf();
    bool IsReadOnlyData();

    // ---- company information of the open dataset, era table, dataset-list lookup, data password ----
    // Loads AccInf from the open dataset (ACCDEF1, system accounts, typed settings, version, data
    // password); false after the failure has been shown. AccInf is emptied first, so it never holds
    // values of the dataset loaded before. A transaction the caller started is left running.
    bool fnGetAccInfo();
    // "法人", "個人", "医療法人"; kind names of individuals "一般", "不動産", "クリニック", "農業". A type
    // or kind this program cannot handle throws std::runtime_error with the message and "(DataType=%d)"
    // or "(CodeType=%d)". combined gives the type name with "／" and the kind name when there is one.
    void GetDataTypeName(int dataType, QString& name);
    void GetDataKindName(int dataType, int codeType, QString& name, bool combined);
    // One name column of ACCTOTALNAME for a group; empty (after the failure has been shown) when the
    // column is not one of the table's.
    void fnGetAccTotalName(const QString& group, const QString& column, QString& text);
    // Select the total-account and cash-flow tables; 1 for medical-corporation data, else 0.
    int SetKamokuTotalTable();
    int SetKamokuTotalTableEx(int dataType, int codeType);
    // System account by its name in ACCDEF2; empty codes when there is none. Errors reach the caller.
    void SetSystemCode(const QString& accountName, QString& kcode, QString& userCode);
    void GetKamokuUserCode(const QString& kcode, QString& userCode);
    // AccInf.TusinHolder[index] and TusinPasword[index] from TUSIN_ID (empty without the table).
    void GetTusinId(int rec, int index);
    // "%d.%d.%d" of ACCVERSION record 1; "0.0.0" when it cannot be read.
    QString fnGetDataBaseVer();
    // GengoTable from table GENGO; the built-in eras when it has no rows or cannot be read.
    void LoadGengoTable();
    // The two folder names after the dataset's own data folder ("data" or "CB_DATA", the last one in
    // the path): list number and child number texts, empty when absent.
    void SplitDataPath(const QString& path, QString& first, QString& second);
    void GetDataListRec(const QString& path, qint32& rec, qint32& rowNo);
    // Asks for the data password when the open dataset has one (up to three entries); true when there
    // is none or it was entered. A stored password that cannot be read admits no entry.
    bool CheckDataPassword();
    int AdjustIkkatuZeinuki1(int flag);
    int AdjustIkkatuZeinuki2(int flag);

private:
    void connectDatabase(fb::Database& database, const QString& name);
    // The dataset-list row of the folder updated from the dataset's information record.
    void refreshListRow(const QString& dir, const TDataInfomationRec& rec);
};

// Syncs the work file and renames it over target (both on this computer, in one folder's file system);
// false when either step fails, the target then as it was.
bool ReplaceFileBySynced(const QString& work, const QString& target);

// True when another process's embedded engine has the database file open (an attachment here fails with
// the engine's "already opened" lock error).
bool DatabaseHeldByAnotherProcess(const QString& file);

// One STYLECOLOR row of an operator key and style name on the query's transaction (which must be
// running): reading leaves text as it was when there is no row; writing updates the row or inserts it,
// with -1 in the seven colour columns. Database errors reach the caller.
void ReadStyleColorRow(fb::Query& q, qint32 key, const QString& styleName, QString& text);
void WriteStyleColorRow(fb::Query& q, qint32 key, const QString& styleName, const QString& text);

// Remembers the module's accounting connection and attaches it again when it is gone at the end of the
// scope (work on another dataset, or a restore, ends it). Never throws: a failure is reported.
class KeepAccountingConnection {
public:
    KeepAccountingConnection();
    ~KeepAccountingConnection();
    KeepAccountingConnection(const KeepAccountingConnection&) = delete;
    KeepAccountingConnection& operator=(const KeepAccountingConnection&) = delete;

private:
    QString m_path;
    QStringList m_params;
};

// The one database module; the main form creates it at start-up.
extern TDM* DM;

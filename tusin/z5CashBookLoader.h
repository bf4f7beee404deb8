#pragma once
// The cash-book import: brings a dataset received through the cash-book folders together with the open
// dataset. In merge mode the received cash journal entries and masters are merged into the open dataset;
// in replace mode the received database is prepared and then takes the place of the open dataset's
// file. Every write of a run, in either database, belongs to one two-phase transaction over both.

#include "core/TSitenList.h"
#include "core/z5SiwakeIO.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbTransaction.h"
#include "tusin/TTesuvioSyoriInfo.h"
#include "tusin/z5FileLoader.h"

#include <QDialog>
#include <QTimer>
#include <map>
#include <memory>

namespace Ui {
class TCashBookLoaderBox;
}
namespace fb {
class Query;
}

// One received account as the account check compares it.
struct TReceiveKamokuInfo {
    QString GROUPM0, USERCODE, KNAME;
    qint32 USE = 0;
    QString HOJOSW;
};

// The open dataset's cash account: its code and its debit/credit side (KAMOKUMST.DAC).
struct TCashBookLoadKamokuRec {
    QString KCODE;
    qint32 DAC = 0;
};

// The local entry a received row stands for.
struct TSiwakeInfo {
    bool Found = false;
    qint32 REC = 0, SWKNO = 0, LINKREC = 0, DELFLG = 0, RESERVE1 = 0, RESERVE2 = 0;
    bool Deleted() const { return DELFLG == 1; }
};

class TCashBookLoaderBox : public QDialog {
    Q_OBJECT
public:
    explicit TCashBookLoaderBox(QWidget* parent = nullptr);
    ~TCashBookLoaderBox() override;

    quint8 Origin = 0;    // 0 a client's cash-book application, 1 a sender's accounting program
    quint8 MergeMode = 1; // 1 merge, 0 replace
    quint8 AutoPending = 1;
    quint8 ShowOnStop = 0;
    QString ReceivedFile;
    qint32 ImportResult = 0;
    TTesuvioSyoriInfo ProcessInfo;
    TTesuvioSyoriLog ProcessLog;
    qint32 ReceivedMajor = 0, ReceivedMinor1 = 0, ReceivedMinor2 = 0;
    quint8 TransactionWasActive = 0;
    TSitenList SitenList;
    TJisyoLoader JisyoLoader;
    TSiwakeWrite SiwakeWriter;

    void SetReceivedDatabase(const QString& path);
    void AutoRun();
    qint32 GetResult();
    // The run.
    void btnOkClick();
    void btnCancelClick();
    void btnOutputClick();
    // Writes the log: CSV (separator ",", quote "'") or text (tab, no quote).
    bool WriteLogFile(const QString& fileName, bool csv) const;

    // Steps; each returns true to go on and has written its error entry when it fails.
    bool CheckAccountScheme();
    QString MapAccountGroup(const QString& group, const QString& kcode) const;
    bool CarryOverSubAccounts();
    bool CarryOverOpeningBalances();
    bool CompareCashBalance();
    bool CarryOverDictionaries();
    bool CarryOverDataListName();
    bool MergeCashJournals();
    bool CleanReceivedData();
    bool ReplaceDataFile();
    void ReadReceivedVersion();

    void AddLogEntry();
    TTesuvioSyoriInfo GetFinalInfo() const;

    fb::Database ReceiveIBDatabase;

protected:
    void showEvent(QShowEvent* event) override;
    // The copy of the received file over the data file; a seam for tests.
    virtual bool CopyReceivedFile(const QString& from, const QString& to, int mode);

private:
    void InitList();
    void ShowResultTitles();
    void SetWaitMode(int mode);
    void SetTransaction(fb::Transaction& transaction);
    void ResetImport();
    void RunImport();
    void Timer1Timer();
    void ListView1SelectItem();
    void stepFailed(const QString& failureText, const std::exception& e);
    void addEntry(quint8 level, qint32 code, const QString& message);
    void advance();
    void rollBack();
    void disconnectAll();

    // The cash journal merge.
    struct ReceivedRow;
    struct LogLine {
        qint32 SwkNo = 0;
        QString Date, Partner, Description, Amount;
    };
    TSiwakeInfo FindLocalJournal(const ReceivedRow& row);
    bool ReceivedIsNewer(const TSiwakeInfo& local, const ReceivedRow& row) const;
    void ReviveJournal(TSWKREC& entry, const TSiwakeInfo& local, const ReceivedRow& row);
    void FillJournal(TSWKREC& entry, const ReceivedRow& row);
    int WriteJournal(TSWKREC& entry, const ReceivedRow& row, QString& message);
    void MarkJournal(const TSWKREC& entry, const ReceivedRow& row);
    void LogJournalResult(qint32 code, const QString& reason);
    TSiwakeInfo searchLocal(const QString& where, const std::function<void(fb::Query&)>& bind);

    std::unique_ptr<Ui::TCashBookLoaderBox> ui;
    QTimer Timer1;
    bool m_running = false; // btnOk's tag
    bool m_replacePending = false;
    bool m_resultDecided = false; // an error or a success entry has fixed ImportResult
    LogLine m_logLine;
    TCashBookLoadKamokuRec m_cashAccount;

    // Transactions come after their databases, statements after their transactions.
    fb::Transaction ReceiveIBTransaction;
    fb::Transaction IBTransactionDAT; // the form's, on the open dataset, joined with the one above
    std::unique_ptr<fb::Query> IBSQL1, IBSQL2, ReceiveIBSQL1, ReceiveIBSQL2;
    // Statements the merge runs for every received row, prepared once per text.
    std::map<QString, std::unique_ptr<fb::Query>> m_prepared;
    fb::Query& prepared(fb::Transaction& transaction, const QString& sql);
};

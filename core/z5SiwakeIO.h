#pragma once
// The journal-entry record: one entry with its debit and credit sides as the caller fills it and the
// journal procedures receive it. Account codes are the user-visible codes (KAMOKUMST.USERCODE).

#include "core/Money.h"
#include "core/TDateTime.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <vector>

// One side of an entry; the procedures take these columns with the prefix "L_" (debit) or "R_" (credit).
struct TSwkBalance {
    QString KGROUP; // account group (KAMOKUMST.GROUPM1)
    QString KCODE;  // account user code
    QString HCODE;  // sub-account code, " " when none
    QString BCODE;  // department code
    QString KNAME, HNAME, BNAME;
    qint32 TAXCODE = 0;
    qint32 TAXUH = 0;    // 1 taxable on the sales side, 2 on the purchase side, 0 no tax computed
    qint32 TAXDC = 0;    // side the tax code belongs to: 1 debit, 3 credit, 0 either
    Money NUK;           // amount without tax
    Money ZEI;           // tax
    Money RIT;           // rate in percent, 0 when untaxed
    qint32 SIKIN = 0;    // cash-flow item of the side
    qint32 RateKind = 0; // tax-rate kind of the side; the procedures do not store it
};

struct TSWKREC {
    QString Host;   // computer name of the writer
    qint32 REC = 0; // row number, 0 for a new entry
    qint32 SITREC = 0;
    qint32 SWKREC = 0;
    qint32 SWKNO = 0;
    qint32 DELFLG = 0;
    qint32 TAISHAKU = 0;
    TDateTime HIZUKE;
    qint32 MNUM = 0; // period slot 1..16
    qint32 KESSAN = 0;
    qint32 SDAYNUM = 0, MDAYNUM = 0, DNUM = 0;
    qint32 SNUM = 0; // individual cost-unit number, 0 none
    QString SCODE;   // facility code
    TSwkBalance L;   // debit side
    TSwkBalance R;   // credit side
    Money KINGAKU;
    Money ZEIGAKU;
    qint32 ZEIRITUNO = 0;
    qint32 AUTCALCU = 0; // 0 tax given with the entry, otherwise computed
    qint32 TAXCALCU = 0; // 0 tax included, 1 tax excluded, 2 no tax
    qint32 OLDRATE = 0;  // tax-rate kind of the entry
    qint32 TEKCODE = 0;
    QString TEKTEXT;
    qint32 TORCODE = 0;
    QString TORTEXT;
    qint32 FUSEN1 = 0, FUSEN2 = 0, FUSEN3 = 0, FUSEN4 = 0, FUSEN5 = 0;
    TDateTime CTIME; // audit check time, 0 when not audited
    QString COMMENT, AO_COMMENT;
    QString LINKKEY;
    qint32 LINKKUB = 0, LINKREC = 0, LOCALFLG = 0, RESERVE1 = 0, RESERVE2 = 0;
    TDateTime RTIME;
    qint32 OPCODE = 0;
    TDateTime SHONIN_HIZUKE;
    qint32 SHONIN_OPCODE = 0;
    QString SHONIN_NAME;
};

namespace fb {
class Transaction;
class Query;
} // namespace fb

// The account row of a facility, account, sub-account and department as the writer last found it.
struct TSwkKamokuRow {
    QString SCODE, KCODE, USERCODE, HCODE, BCODE;
    qint32 REC = 0, GROUPM1 = 0, GROUPM2 = 0;
    QString KNAME, HNAME, BNAME;
    qint32 BLDAC = 0, DAC = 0, DELFLG = 0, TAX_LCODE = 0, TAX_RCODE = 0, FUN_LCODE = 0, FUN_RCODE = 0,
           KEIHKUBU = 0, EXT1_A4 = 0, EXT1_A3 = 0, EXT1_KS = 0;
    QString HOJOSW; // sub-account switch: "○" with sub-accounts, "－" without, "×" never
    QString BPFLG;  // "B" balance sheet, "P" profit and loss
    qint32 ZEIRITUKBN = 0, H_ZEIRITUKBN = 0;
};

// Validates journal entries and writes, deletes and restores them in the open accounting database
// through its journal procedures. Database errors are reported (context "TSiwakeWrite.<operation>") and
// passed on; validation failures come back as a code and a message and show nothing.
class TSiwakeWrite {
public:
    // Lock conflicts a write meets are tried again this many times before the error is reported.
    static int LockRetries;

    TSiwakeWrite();
    ~TSiwakeWrite();
    TSiwakeWrite(const TSiwakeWrite&) = delete;
    TSiwakeWrite& operator=(const TSiwakeWrite&) = delete;

    quint8 MessageMode = 0;    // 0 interactive entry, 1 imported data
    quint8 OwnTransaction = 0; // one-shot: cleared by each operation; every operation starts the
                               // transaction when none runs and commits what it started
    bool KamokuCheck = true, TaxCheck = true, KingakuCheck = true, TextClean = true, GenkaCheck = true,
         ShoninCheck = true;
    QStringList GenkaCodes; // cost-unit codes the cost-unit check accepts
    TSwkKamokuRow Kamoku;   // the account row GetKamoku found last
    QString KamokuScode;
    std::vector<TSwkKamokuRow> KamokuArray;
    QStringList KamokuIndex; // "usercode=index"

    void SetTransaction(fb::Transaction& transaction);
    void InitSiwakeRec(TSWKREC& entry, int kessan, TDateTime date) const;
    bool TestSiwake(TSWKREC& entry, int& code, QString& message);
    // New entry (REC 0): the new REC. Existing entry: 0 written, -1 deleted meanwhile, -2 corrected
    // meanwhile (REC then names the live row).
    int PutSiwake(TSWKREC& entry);
    int DeleteSiwake(qint32 swkrec);
    int RestoreSiwake(qint32 swkrec);
    void GetSiwake(TSWKREC& entry, qint32 rec, bool fromView);
    // The current row of a journal select with every SIWAKE column and the user codes USERCODE and
    // R_USERCODE (as SIWAKE_VIEW has them).
    static void ReadSiwake(const fb::Query& q, TSWKREC& entry);
    bool GetKamoku(const QString& scode, const QString& bcode, const QString& hcode, const QString& usercode);
    void SetKamokuArray(const QString& scode);

private:
    fb::Transaction& transaction() const;
    bool testEntry(TSWKREC& entry, int& code, QString& message);
    bool checkSide(TSWKREC& entry, bool debit, const TSwkBalance* stored, int& code, QString& message);
    bool checkSideTax(TSWKREC& entry, bool debit, int& code, QString& message);
    QString msg(const char* interactive, const char* imported) const;
    // The statement of this text on the writer's transaction, prepared on first use and kept: a merge
    // writes thousands of entries through the same few statements.
    fb::Query& statement(const QString& sql);

    // What the account checks of one side learn from the masters for one facility, department,
    // sub-account and account code.
    struct AccountCheck {
        bool found = false;
        TSwkKamokuRow row;
        bool hasSubAccounts = false, hasDepartments = false;
    };
    const AccountCheck& accountCheck(const QString& scode, const QString& bcode, const QString& hcode,
                                     const QString& usercode);
    // The stored codes and names of the row GetSiwake read last; gone once the writer writes.
    struct StoredSides {
        qint32 rec = 0;
        TSwkBalance l, r;
    };

    fb::Transaction* m_transaction = nullptr;
    std::map<QString, std::unique_ptr<fb::Query>> m_statements;
    // The account checks' answers, like the account table, hold from SetKamokuArray (or SetTransaction)
    // on: a merge checks thousands of entries against the same few accounts.
    std::map<QString, AccountCheck> m_accountChecks;
    std::optional<StoredSides> m_lastRead;
};

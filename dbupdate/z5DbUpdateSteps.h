#pragma once
// The content of every step unit (what it writes into its script and the data it migrates in code),
// one function per unit. The fixed properties of the steps are in the registry table.

#include "dbupdate/z5DbUpdateStep.h"

// The code-scheme reader's import of a file into a USERCODE slot of the system database (true when
// done), installed by the reader; unset, every import fails.
extern std::function<bool(const QString& path, int slot)> CodeSchemeImportProc;

// Whether the accounting database of the selected dataset has the column: asked while a script is
// written, on a connection of its own that is closed again; false also when the question fails.
bool ProbeAccField(const QString& table, const QString& field);

// The statements of step 0.1.4 that replace the cash-flow statement master: the per-facility copy goes,
// both forms of the statement and their account rules are written anew.
void CashFlowMasterStatements(QStringList& lines);
// Both forms of the cash-flow statement and their account rules written anew over whatever the tables
// hold, numbered from 1 again, with their commits.
void CashFlowStatementRows(QStringList& lines);

// The 35 fixed-asset journal templates of one accounting group (1 corporations, 2 individuals) in class
// order: each class's listed accounts, then its default row with no account. No commit.
void FixedAssetTemplateRows(int accGroup, QStringList& lines);

// The statements of step 0.3.3 that set the search key and the analysis thresholds of the standard
// accounts, from the list of the dataset's kind (data type 1: corporate; otherwise code type 1: general,
// 2: real estate); empty for any other kind.
QStringList AccountThresholdStatements(int dataType, int codeType);

// On the shared server (connection mode 1), the call of SP_DATALIST_UPDATE with the server's data folder
// and its commit; nothing otherwise. The folder keeps its case: Linux folder names are case-sensitive.
void DatalistUpdateCall(QStringList& lines);

// The prior-year balance repair of step 1.0.2 on the dataset's transaction, all or nothing: the
// opening balances rewritten into the prior-year balance of the opening slot. On an error it rolls
// back, shows its error box and returns false.
bool RepairPriorYearBalances(fb::Transaction& transaction);
// Step 2.0.4's decision on the real-estate fixed-asset templates, read on a connection of its own that
// is closed on every path: the facility codes to rebuild, none when account 1401 has a template.
// Throws when the reading fails.
QStringList RealEstateTemplateFacilities();
// The rebuild of the real-estate templates and the journal templates of those facilities.
void RealEstateTemplateStatements(const QStringList& facilities, QStringList& lines);
// The journal, monitor and ledger list procedures in the form of the release (103, 200 or 204).
QStringList ListProcedureStatements(int form);

// The opening slot of a start month (1 to 12) in the period numbering of the balance tables: the slot
// before the first period of that month's quarter; -1 for any other month.
int OpeningSlot(int kaisino);
// The opening balances (KAMOKU_SZ, in the order of their accounts' GROUPM0) written as the prior-year
// balance without tax of the slot, for the rows that take accepts (account code, BPFLG); with clearTax
// the slot's tax becomes 0. A prior-year row that does not exist is not created.
void WriteOpeningBalancesToSlot(fb::Transaction& transaction, int slot, bool clearTax,
                                const std::function<bool(const QString& kcode, const QString& bpflg)>& take);

// ---- Accounting steps 3.0.3 to 9.0.5: own statements, probes and the work done in code

// Step 3.0.3, before the script files: individual real-estate data unlock the name of the extra
// balance-sheet item 4100/3.
void Statements303(QStringList& lines);
// Step 4.0.0, after the script files: the sundry account's sub-account switch, the cash-flow lines of
// medical-corporation data, the head counts of the branch and department totals.
void AppendStep400Statements(QStringList& lines);

// Runs work with a statement of its own on the accounting database of the selected dataset, connected for
// it and disconnected again on every path; what the work did is committed after it. Throws when the
// dataset cannot be connected; an error of the work reaches the caller.
void OnOwnAccConnection(const std::function<void(fb::Query& query)>& work);

// Medical-corporation data: data type 3 with code type 1, as the dataset's information holds them.
bool MedicalCorporationData();

// Probes asked while a script is written, each on a connection of its own that is closed again; a
// database error reaches the caller.
// Whether the accounting database of the selected dataset has the trigger.
bool ProbeAccTrigger(const QString& name);
// Step 3.0.6: medical-corporation data with 377 accounts give 1, with 567 accounts 2; anything else 0.
int ProbeMedicalKamokuKind();
// Step 7.0.4: whether the tax code 116 exists.
bool TaxCode116Exists();

// The same questions on a statement of the step's frame.
bool TriggerExists(fb::Query& query, const QString& name);
int GetMedicalKamokuKind(fb::Query& query);

// Pre-migrations (inside the step's frame; committed before the script runs).
// Step 3.0.6: the sub-account switch of the system accounts of medical-corporation data, then the
// prior-year balances of converted data.
qint32 PreMigration306(TStepDb& db);
void SetMedicalHojoSw(fb::Query& query);
void RepairConvertedNukizan(fb::Transaction& transaction);
// Step 3.0.7: the trigger KAMOKUSZ_AFTER_DELETE2 that the script alters, created when it is missing.
qint32 PreMigration307(TStepDb& db);
// Step 7.0.0: the data password moves to the coded setting "データパスワードV2". A password that
// cannot be coded ends the step before anything is changed.
qint32 MigrateDataPassword(TStepDb& db);

// Post-migrations (after a successful script; an exception makes the step's result 19).
// Step 8.0.2: corporation data's account groups and evaluation rules.
void AddCorporateGroupsAndRules(TStepDb& db);
// Step 8.0.2: the job permissions of the dataset's level move from menu positions to program names.
void ConvertJobControl(TStepDb& db);
// The program name and option of an old menu position of the accounting database; an empty name when
// the position gives none. Medical-corporation data (data type 3) have their own page 3; the
// individual-costing items of page 2 exist only in the editions 1 and 2.
void JobControlProgram(int dataType, int edition, int pageNo, int menuNo, QString& procId, QString& option);
// Step 8.0.3: individual data's account groups and evaluation rules.
void AddKojinGroupsAndRules(TStepDb& db);
// Step 9.0.2: medical-corporation data's evaluation rules.
void AddMedicalEvalRules(TStepDb& db);
// Step 9.0.3: the budgets rounded to whole units.
void RoundBudgetAmounts(TStepDb& db);
// Step 9.0.4: the closing-statement print settings of the logged-on operator, into KESSAN.
void CopyKessanPrintSettings(TStepDb& db);
// Step 9.0.5 (editions 1 and 2): the journal's daily-report numbers cleared.
void ClearSiwakeDnum(TStepDb& db);

namespace z5SystemDbUpdate031 {
TStepContent Content();
}
namespace z5SystemDbUpdate032 {
TStepContent Content();
}
namespace z5SystemDbUpdate033 {
TStepContent Content();
}
namespace z5SystemDbUpdate101 {
TStepContent Content();
}
namespace z5SystemDbUpdate300 {
TStepContent Content();
}
namespace z5SystemDbUpdate305 {
TStepContent Content();
}
namespace z5SystemDbUpdate307 {
TStepContent Content();
}
namespace z5SystemDbUpdate400 {
TStepContent Content();
}
namespace z5SystemDbUpdate402 {
TStepContent Content();
}
namespace z5SystemDbUpdate500 {
TStepContent Content();
}
namespace z5SystemDbUpdate700 {
TStepContent Content();
}
namespace z5SystemDbUpdate704 {
TStepContent Content();
}
namespace z5SystemDbUpdate800 {
TStepContent Content();
}
namespace z5SystemDbUpdate802 {
TStepContent Content();
}
namespace z5SystemDbUpdate904 {
TStepContent Content();
}
namespace z5SystemDbUpdate1004 {
TStepContent Content();
}
namespace z5SystemDbUpdate1101 {
TStepContent Content();
}
namespace z5SystemDbUpdate1200 {
TStepContent Content();
}
namespace z5UserDbUpdate011 {
TStepContent Content();
}
namespace z5UserDbUpdate012 {
TStepContent Content();
}
namespace z5UserDbUpdate013 {
TStepContent Content();
}
namespace z5UserDbUpdate014 {
TStepContent Content();
}
namespace z5UserDbUpdate015 {
TStepContent Content();
}
namespace z5UserDbUpdate020 {
TStepContent Content();
}
namespace z5UserDbUpdate021 {
TStepContent Content();
}
namespace z5UserDbUpdate022 {
TStepContent Content();
}
namespace z5UserDbUpdate030 {
TStepContent Content();
}
namespace z5UserDbUpdate031 {
TStepContent Content();
}
namespace z5UserDbUpdate032 {
TStepContent Content();
}
namespace z5UserDbUpdate033 {
TStepContent Content();
}
namespace z5UserDbUpdate034 {
TStepContent Content();
}
namespace z5UserDbUpdate040 {
TStepContent Content();
}
namespace z5UserDbUpdate041 {
TStepContent Content();
}
namespace z5UserDbUpdate100 {
TStepContent Content();
}
namespace z5UserDbUpdate101 {
TStepContent Content();
}
namespace z5UserDbUpdate102 {
TStepContent Content();
}
namespace z5UserDbUpdate103 {
TStepContent Content();
}
namespace z5UserDbUpdate105 {
TStepContent Content();
}
namespace z5UserDbUpdate200 {
TStepContent Content();
}
namespace z5UserDbUpdate204 {
TStepContent Content();
}
namespace z5UserDbUpdate300 {
TStepContent Content();
}
namespace z5UserDbUpdate301 {
TStepContent Content();
}
namespace z5UserDbUpdate303 {
TStepContent Content();
}
namespace z5UserDbUpdate304 {
TStepContent Content();
}
namespace z5UserDbUpdate306 {
TStepContent Content();
}
namespace z5UserDbUpdate307 {
TStepContent Content();
}
namespace z5UserDbUpdate400 {
TStepContent Content();
}
namespace z5UserDbUpdate402 {
TStepContent Content();
}
namespace z5UserDbUpdate500 {
TStepContent Content();
}
namespace z5UserDbUpdate502 {
TStepContent Content();
}
namespace z5UserDbUpdate505 {
TStepContent Content();
}
namespace z5UserDbUpdate600 {
TStepContent Content();
}
namespace z5UserDbUpdate610 {
TStepContent Content();
}
namespace z5UserDbUpdate613 {
TStepContent Content();
}
namespace z5UserDbUpdate700 {
TStepContent Content();
}
namespace z5UserDbUpdate702 {
TStepContent Content();
}
namespace z5UserDbUpdate703 {
TStepContent Content();
}
namespace z5UserDbUpdate704 {
TStepContent Content();
}
namespace z5UserDbUpdate800 {
TStepContent Content();
}
namespace z5UserDbUpdate802 {
TStepContent Content();
}
namespace z5UserDbUpdate803 {
TStepContent Content();
}
namespace z5UserDbUpdate900 {
TStepContent Content();
}
namespace z5UserDbUpdate901 {
TStepContent Content();
}
namespace z5UserDbUpdate902 {
TStepContent Content();
}
namespace z5UserDbUpdate903 {
TStepContent Content();
}
namespace z5UserDbUpdate904 {
TStepContent Content();
}
namespace z5UserDbUpdate905 {
TStepContent Content();
}
namespace z5UserDbUpdate1000 {
TStepContent Content();
}
namespace z5UserDbUpdate1001 {
TStepContent Content();
}
namespace z5UserDbUpdate1003 {
TStepContent Content();
}
namespace z5UserDbUpdate1004 {
TStepContent Content();
}
namespace z5UserDbUpdate1005 {
TStepContent Content();
}
namespace z5UserDbUpdate1100 {
TStepContent Content();
}
namespace z5UserDbUpdate1101 {
TStepContent Content();
}
namespace z5UserDbUpdate1110 {
TStepContent Content();
}
namespace z5UserDbUpdate1200 {
TStepContent Content();
}
namespace z5UserDbUpdate1300 {
TStepContent Content();
}

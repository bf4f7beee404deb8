#pragma once
// The upgrade step family: the registry entry TDbUpdateListRec, the fixed properties of every step
// (TStepSpec, one row of the registry table), what a step unit contributes to its script and its data
// migrations (TStepContent), and the common run of a step (RunStep).
//
// A step unit supplies only its TStepContent; the registry table (z5DbUpdateRegistry.cpp) holds its
// version, backup flag, layout, file rule, memo form and texts.

#include "dbupdate/DbVersion.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace fb {
class Database;
class Query;
class Transaction;
} // namespace fb

// Step result codes.
enum : qint32 {
    StepDone = 1,
    StepScriptFailed = 16, // the tool reported a failure, or a pre-migration failed
    StepToolNotStarted = 17,
    StepFileMissing = 18, // an external file or the update script is missing
    StepMigrationFailed = 19,
};

using TStepProc = std::function<qint32()>;

struct TDbUpdateListRec {
    qint32 MAJOR = 0;
    qint32 MINOR1 = 0;
    qint32 MINOR2 = 0;
    TStepProc StepProc;
    qint32 NeedBackup = 0;
    QString Title;
    QString Description; // items separated by "\r"

    TDbVersion version() const { return {MAJOR, MINOR1, MINOR2}; }
};
using TArrayDbUpdateListRec = std::vector<TDbUpdateListRec>;

enum class TDbKind : quint8 { System = 0, Accounting = 1 };
// A: statements in the step; B: external files, then the stamp; C: stamp and "COMMIT;", then the files.
enum class TScriptLayout { A, B, C };
enum class TMissingFileRule { Skip, Stop };
enum class TStampMemo {
    Time,            // "yyyy/mm/dd hh:nn:ss"
    Operator,        // time, logon code, operator name, computer name
    Operator127,     // the operator form cut or padded to 127 bytes
    Operator127Trim, // the same, trimmed
};
enum class TStepMigration { None, Pre, Post, PreEdition, EraTable, PreCheck };

// The database a step's migration works on: a statement on the target database's transaction, which the
// frame has started (when it was not active) and commits afterwards.
struct TStepDb {
    fb::Database& database;
    fb::Transaction& transaction;
    fb::Query& query;
};

// What a step unit adds to the common run. Everything is optional: a step without content writes only
// its version stamp.
struct TStepContent {
    // Layout A: the statements between the connect (or character-set) line and the stamp. Layout B:
    // statements before the external files. The text of a literal goes through SqlQuote.
    std::function<void(QStringList& lines)> Statements;
    // Layout B: statements after the external files.
    std::function<void(QStringList& lines)> StatementsAfterFiles;
    // The external files in list order, chosen when the step runs (data type and the like).
    std::function<QStringList()> Files;
    // Whether a listed file is read for the dataset; unset, every listed file is. A file is tested for
    // existence before it is chosen: under TMissingFileRule::Stop a missing file ends the step even when
    // the dataset would not have received it.
    std::function<bool(const QString& name)> Selected;
    // Before the script is written; returns StepDone, or StepScriptFailed to end the step. An exception
    // also ends the step with StepScriptFailed.
    std::function<qint32(TStepDb& db)> PreMigration;
    // After a successful script; an exception makes the result StepMigrationFailed.
    std::function<void(TStepDb& db)> PostMigration;
    // After the script whatever its result (the era table reload).
    std::function<void(qint32 result)> AfterScript;
};

// One row of the registry table.
struct TStepSpec {
    TDbKind Db;
    TDbVersion Version;
    qint32 NeedBackup;
    TScriptLayout Layout;
    bool CharsetLine; // "SET NAMES SJIS_0208;" after the connect line
    int FileCount;    // files listed by the step (informative: the content chooses at run time)
    TMissingFileRule Missing;
    TStampMemo Memo;
    TStepMigration Migration;
    bool TwoLineStamp; // system stamp written as two lines
    // "%N" stands for the accounting product's display name; items of a description are separated
    // by "\r".
    const char16_t* Title;
    const char16_t* Description;
    // Texts of the editions 1 and 2 (TavrinoEdition); null keeps the normal text. EditionAppend is
    // added to the normal description.
    const char16_t* EditionTitle = nullptr;
    const char16_t* EditionDescription = nullptr;
    const char16_t* EditionAppend = nullptr;
    TStepContent (*Content)() = nullptr;
};

// The registry table: 18 system steps, then 59 accounting steps, each part in ascending version order.
const std::vector<TStepSpec>& StepTable();
// The step of that database and version; null when there is none.
const TStepSpec* FindStep(TDbKind db, const TDbVersion& version);

// Fills the entry from the row: version, backup flag, texts (display name and edition applied now) and
// a StepProc that runs the step with the row's content.
void RegisterStep(const TStepSpec& spec, TDbUpdateListRec& entry);
// Both registries in table order.
TArrayDbUpdateListRec BuildSteps(TDbKind db);

// The lines of a statement file of the steps, kept as a resource (":/dbupdate/sql/<name>", UTF-8). Throws
// std::runtime_error when there is no such resource.
QStringList StepSqlLines(const QString& name);

// The whole script of a step (opening, body or files by its layout, stamp, "COMMIT;", "EXIT;"); false,
// with nothing more read, when a file is missing under the rule TMissingFileRule::Stop.
bool ComposeStepScript(const TStepSpec& spec, const TStepContent& content, QStringList& lines);

// The common run of a step (pre-migration, script, runner, post-migration); returns its result code.
qint32 RunStep(const TStepSpec& spec, const TStepContent& content);

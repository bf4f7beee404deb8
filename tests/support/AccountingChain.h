#pragma once
// The accounting database as an upgrade makes it: the database of the first release brought through
// every accounting step, each script run by isql-fb as on a user's machine.

#include <QString>

namespace testenv {

// Runs the whole chain in this process on a fresh fixture data root (it resets the process records, so
// only a process of its own calls it) and copies the result to target. Throws std::runtime_error naming
// the failed step with its messages and the tool's output.
void buildAccountingChain(const QString& target);

// The chain's database of this build: made once by the tool make_chain_template and kept in the build
// folder beside the script templates, made again when the tool or a script of sql/ changes.
QString accountingChainTemplate();

// The rows the steps give a dataset: of every table that the first release's database leaves empty and
// the chain fills, except the rows a dataset's own facilities and accounts bring with them. One line per
// table ("TABLE name rows=n sha1") and per generator the steps move ("GEN name=value"), sorted.
QStringList stepSeedRows(const QString& database);

// The statements that give a database of the newest schema those rows and generator values: what
// sql/placc_seed.sql holds, written by "make_chain_template --seed <file>".
QString stepSeedScript();

} // namespace testenv

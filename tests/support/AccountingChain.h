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

} // namespace testenv

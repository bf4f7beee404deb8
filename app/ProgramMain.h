#pragma once
// The program block around the message loop: refuses to start while the accounting application, its
// tools or another copy run, keeps the program's named mutex for the run, creates the main form and runs
// it. Returns the process's exit status, which is the exit code given to the caller (0 file created,
// 1 cancelled or closed, 2 failure); a refused start gives 1, invalid arguments 2.

#include <QStringList>

// arguments: the command line without the program name. A QApplication must exist.
int ProgramMain(const QStringList& arguments);

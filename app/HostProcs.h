#pragma once
// The three routines through which the framework reaches back into this program: the start of a dialog
// by name, the data check of a dataset and the question to a launcher menu.

#include <QString>
#include <functional>

// This program has no launcher menu: every question is answered 0, so a dialog always goes on.
int HostMenuStub(int code, const QString& text);

// Validates the dataset's database (on the server for a host other than the loopback address, else
// here) and returns 1 when it is sound, 0 when damaged. A damaged dataset gets SystemDef.DataDamaged 1,
// unless quiet the damage box, its list row DATA_STATUS 1 and the data-information status 10. Never
// throws.
int DataCheckHook(const QString& host, const QString& folder, int quiet);

// Whether the database at the path (as the engine of the host sees it; empty host: this process) is
// sound. Problems the validation cannot even start on (no such file, bad attach parameters) count as
// sound: the connection that follows reports them.
bool ValidateDatabase(const QString& host, const QString& path);
// Tests replace the validation; an empty function restores ValidateDatabase.
void SetDatabaseValidator(std::function<bool(const QString& host, const QString& path)> validator);

// Installs RunNamedDialog, DataCheckHook and HostMenuStub into the procedure variables; the other clears
// them.
void InstallHostProcs();
void ClearHostProcs();

#pragma once
// The database module over a fixture data root: a temporary environment, a data root with the system
// database, the process records set as after a stand-alone logon (group 10000, operator 10 "管理者"),
// the scripted user interaction and one TDM as DM. Reporter boxes and log lines stay inside the test.

#include "DataRootFixture.h"
#include "TestEnv.h"
#include "core/DataModule.h"
#include "platform/UserInteraction.h"

#include <QProcess>
#include <memory>

class TStartupEnvironment;

namespace testenv {

class DmEnvironment {
public:
    DmEnvironment();
    ~DmEnvironment();

    TempEnvironment env;
    std::unique_ptr<DataRoot> root;
    ui::ScopedScriptedUi ui;
    std::unique_ptr<TDM> dm;

    // Connects the system database; fails the calling test through an exception when it cannot.
    void connectSystem();
    // Runs one statement on the system database in a committed transaction of its own.
    void executeSystem(const QString& sql) const;

    // A run of the program up to its logon: the start-up fills the process records from the data root
    // and its application ini, whose SERVER section the operator has pointed at the data server host
    // and its data folder sysDir; then the logon dialog logs operator 10 on to the data server. False
    // (with the boxes in ui) when the dialog did not log on.
    bool logOnToServer(const QString& host, const QString& sysDir);

private:
    std::unique_ptr<TStartupEnvironment> m_startup;
};

// Another process (isql-fb) that holds a database attached until the object goes.
class HoldingProcess {
public:
    explicit HoldingProcess(const QString& database);
    ~HoldingProcess();
    bool holding() const { return m_holding; }

private:
    QProcess m_process;
    bool m_holding = false;
};

} // namespace testenv

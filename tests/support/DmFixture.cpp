#include "DmFixture.h"

#include "app/StartupEnvironment.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "datasel/Logon.h"
#include "platform/IniFile.h"

#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QApplication>
#include <QLineEdit>
#include <QStandardPaths>
#include <stdexcept>

namespace testenv {

DmEnvironment::DmEnvironment() {
    ResetProcessState();
    root = std::make_unique<DataRoot>();
    const fb::ConnectOptions user = databaseUser();
    SystemDef.DataRoot = root->root();
    SystemDef.LogDir = root->logDir();
    SystemDef.TempDir = root->tempDir();
    SystemDef.IniDir = root->iniDir();
    SystemDef.WinTempDir = env.temp();
    SystemDef.SYSDIR = root->dataDir();
    SystemDef.USER = user.user;
    SystemDef.PASSWORD = user.password;
    SystemDef.GROUPID = 10000;
    SystemDef.LoginCode = 10;
    SystemDef.OPCODE = 10000 * 10000 + 10;
    SystemDef.OperatorName = QStringLiteral("管理者");
    SystemDef.JOBLEVEL = 9;
    SystemDef.SysDbMAJOR = 12;
    SystemDef.PCName = QStringLiteral("TESTPC");
    TerminateApplicationProc = [] {};
    dm = std::make_unique<TDM>();
}

DmEnvironment::~DmEnvironment() {
    // Windows of the test that delete themselves later go now, while the database module they use is
    // still there, not in the next test.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    dm.reset();
    m_startup.reset();
    TerminateApplicationProc = RequestApplicationTerminate;
    ResetProcessState();
}

void DmEnvironment::connectSystem() {
    if (!dm->fnAccDefConnected(QString(), 1))
        throw std::runtime_error("the system database cannot be connected");
}

void DmEnvironment::executeSystem(const QString& sql) const {
    auto db = root->connectSystem();
    fb::Transaction t(*db);
    fb::Query q(t, sql);
    q.execute();
    t.commit();
}

bool DmEnvironment::logOnToServer(const QString& host, const QString& sysDir) {
    m_startup = std::make_unique<TStartupEnvironment>();
    m_startup->InitEnvironment(QApplication::font());
    {
        IniFile ini(SystemDef.AppIniFile);
        ini.writeString("SERVER", "HOSTNAME", host);
        ini.writeString("SERVER", "SYSDIR", sysDir);
        ini.writeString("APPLICATION", "CONNECT", "1");
        if (!ini.save())
            return false;
    }
    // The start-up connects the system database of this computer before the logon, as the main form does.
    if (!dm->fnAccDefConnected(SystemDef.HOSTNAME, 0))
        return false;
    TLogonBox box;
    if (!box.GetConnectKind())
        return false;
    box.findChild<QLineEdit*>(QStringLiteral("txtOpCode"))->setText(QStringLiteral("10"));
    box.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->clear();
    box.OKBtnClick();
    return box.result() == 1;
}

HoldingProcess::HoldingProcess(const QString& database) {
    QString isql = QStandardPaths::findExecutable(QStringLiteral("isql-fb"));
    if (isql.isEmpty())
        isql = QStandardPaths::findExecutable(QStringLiteral("isql"));
    const fb::ConnectOptions user = databaseUser();
    m_process.start(isql, {QStringLiteral("-q"), QStringLiteral("-user"), user.user,
                           QStringLiteral("-password"), user.password, database});
    if (!m_process.waitForStarted(-1))
        return;
    // isql attaches before it reads its first statement; the answer shows the attachment stands.
    m_process.write("SELECT 'HELD' FROM RDB$DATABASE;\n");
    QByteArray out;
    while (m_process.waitForReadyRead(-1)) {
        out += m_process.readAllStandardOutput();
        if (out.contains("HELD")) {
            m_holding = true;
            break;
        }
    }
}

HoldingProcess::~HoldingProcess() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.write("QUIT;\n");
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

} // namespace testenv

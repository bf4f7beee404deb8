// Backup, restore and validation of database files: through the services API of the engine that holds
// the file (the embedded one for the local protocol, a server for TCP/IP), or through gbak as a child
// process when the file lies on a server and the backup file on this computer.
//
// A new backup is written to a work file and replaces the old backup only once it is complete; a
// restore goes to a work database beside the target that replaces the target only on success, so a
// failed run never costs the file that was there.

#include "core/DataModule.h"

#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbServices.h"
#include "platform/firebird/FbTransaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <stdexcept>
#include <unistd.h>

namespace {

const QString kLoopback = QStringLiteral("127.0.0.1");
constexpr qint64 kIscBadDpbContent = 335544325; // bad parameters on attach or create database
constexpr qint64 kIscIoError = 335544344;       // I/O error on the file

QString backupFailed() {
    return QStringLiteral("データベースのバックアップに失敗しました。");
}
QString restoreFailed() {
    return QStringLiteral("データベースのリストアに失敗しました。");
}

fb::ServiceOptions serviceOptions(int protocol, const QString& host) {
    fb::ServiceOptions options;
    if (protocol != TDM::ProtocolLocal)
        options.host = host;
    options.user = SystemDef.USER;
    options.password = SystemDef.PASSWORD;
    return options;
}

// Keeps the window alive while a service or the tool works.
void pumpEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// A file beside the given one with the extension replaced ("placc.fdb" -> "placc.rs_").
QString workFileBeside(const QString& path, const QString& extension) {
    const QFileInfo info(path);
    return ExcludePathDelim(info.path()) + u'/' + info.completeBaseName() + extension;
}

// Replaces target by work in one step: on this computer by rename(2), on the server by its copy (which
// writes a new file and renames it into place) and the removal of the work file.
bool replaceWith(TDM& dm, const QString& work, const QString& target) {
    if (ConnectMode == 1 || ConnectMode == 2)
        return dm.ServerFMove(work, target, ConnectMode);
    return ReplaceFileBySynced(work, target);
}

void removeWork(TDM& dm, const QString& work) {
    if (ConnectMode == 1 || ConnectMode == 2) {
        if (dm.ServerFExist(work, ConnectMode))
            dm.ServerFDel(work, ConnectMode, false);
    } else {
        QFile::remove(work);
    }
}

bool workFileWritten(TDM& dm, const QString& work) {
    if (ConnectMode == 1 || ConnectMode == 2)
        return dm.ServerFExist(work, ConnectMode);
    return QFileInfo(work).isFile() && QFileInfo(work).size() > 0;
}

// A database that some engine still has attached must not be replaced under it. The engine that does
// the work lists its attachments; another process's embedded engine holds the file exclusively, which
// a trial attachment shows. The trial attachment writes to the file's header, so it is made only when
// withTrial is set: just before the swap, never before a restore that may fail.
void refuseWhenInUse(const fb::ServiceOptions& options, const QString& database, bool withTrial) {
    const QString inUse = QStringLiteral("データベースが使用中です。(%1)").arg(database);
    if (fb::Services(options).attachedDatabases().contains(database))
        throw std::runtime_error(inUse.toStdString());
    if (withTrial && options.host.isEmpty() && DatabaseHeldByAnotherProcess(database))
        throw std::runtime_error(inUse.toStdString());
}

QString gbakProgram() {
    const QString own = SystemDef.ProgramDir + QStringLiteral("/gbak");
    if (QFileInfo(own).isExecutable())
        return own;
    return QStandardPaths::findExecutable(QStringLiteral("gbak"));
}

struct ToolRun {
    bool started = false;
    QString problem; // why the run is not a success, empty for a clean one
    QString log;
};

// Runs gbak with the arguments; the user and password go through its environment, never its command
// line. The log is deleted first (gbak refuses to overwrite one) and read afterwards.
ToolRun runGbak(const QStringList& arguments, const QString& logPath) {
    ToolRun run;
    ForceFolder(QFileInfo(logPath).path());
    QFile::remove(logPath);
    const QString program = gbakProgram();
    if (program.isEmpty())
        return run;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ISC_USER"), SystemDef.USER);
    env.insert(QStringLiteral("ISC_PASSWORD"), SystemDef.PASSWORD);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    StartChildTool(process, program, QStringList{QStringLiteral("-y"), logPath} + arguments);
    if (!process.waitForStarted(-1))
        return run;
    run.started = true;
    process.closeWriteChannel();
    WaitForChildProcess(process);
    const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
    QFile log(logPath);
    if (log.open(QIODevice::ReadOnly))
        run.log = QString::fromLocal8Bit(log.readAll());
    if (process.exitStatus() != QProcess::NormalExit)
        run.problem = QStringLiteral("gbak が異常終了しました。");
    else if (process.exitCode() != 0)
        run.problem = QStringLiteral("gbak が終了コード %1 で終了しました。").arg(process.exitCode());
    // Only the upper-case word marks an error in the tool's log.
    if (run.log.contains(QLatin1String("ERROR")))
        run.problem = run.log;
    else if (!run.problem.isEmpty() && !(run.log + output).trimmed().isEmpty())
        run.problem += u'\r' + (run.log.trimmed().isEmpty() ? output : run.log.trimmed());
    return run;
}

// The tables that must read in a restored database of the kind its file name tells: an accounting
// database needs its version and company records, the system database its version and operators.
QStringList keyTablesOf(const QString& database) {
    const QString name = QFileInfo(database).fileName();
    if (name.compare(DataFileName, Qt::CaseInsensitive) == 0)
        return {QStringLiteral("ACCVERSION"), QStringLiteral("ACCDEF1")};
    if (name.compare(SysDbFileName, Qt::CaseInsensitive) == 0)
        return {QStringLiteral("VERSION"), QStringLiteral("OPERATOR")};
    return {};
}

// A restored work database replaces nothing unless it opens, is online (a restore cut short can leave it
// shut down) and its key tables hold their rows. connectName is how the engine that restored it reaches
// it; targetName the database it is to replace, which gives its kind.
void verifyRestored(const QString& connectName, const QString& targetName) {
    const auto refuse = [](const QString& why) {
        throw std::runtime_error(
            (QStringLiteral("リストアしたデータベースが正しくありません。\r") + why).toStdString());
    };
    try {
        fb::ConnectOptions options;
        options.user = SystemDef.USER;
        options.password = SystemDef.PASSWORD;
        fb::Database db(connectName, options);
        db.attach();
        {
            fb::Transaction t(db);
            fb::Query q(t, QStringLiteral("SELECT MON$SHUTDOWN_MODE FROM MON$DATABASE"));
            q.open();
            if (q.eof() || q.field(0).asInt() != 0)
                refuse(QStringLiteral("データベースがシャットダウン状態です。"));
            for (const QString& table : keyTablesOf(targetName)) {
                fb::Query rows(t, QStringLiteral("SELECT FIRST 1 1 FROM ") + table);
                rows.open();
                if (rows.eof())
                    refuse(QStringLiteral("%1 にデータがありません。").arg(table));
            }
        }
        db.detach();
    } catch (const fb::Error& e) {
        refuse(e.message());
    }
}

// The common end of both restore routes: restore runs into the work database; on success it replaces
// the target (never while the target is attached), and a restored accounting database is connected once
// to empty its process history. Failures are shown; a restore always ends with no dataset connected
// (the data-information ini is not written).
bool restoreThroughWork(TDM& dm, const std::function<void()>& restore, const fb::ServiceOptions& service,
                        const QString& work, const QString& databasePath, const QString& connectHost,
                        const QString& databaseArgument) {
    const QString folder = ExcludePathDelim(QFileInfo(databasePath).path());
    bool result = false;
    bool replaced = false;
    try {
        // Asked before the work too, so a target in use costs no restore; again before the swap. Until
        // then the target is not touched: a failed restore leaves it byte for byte as it was.
        refuseWhenInUse(service, databasePath, false);
        restore();
        verifyRestored(service.host.isEmpty() ? work : service.host + u':' + work, databasePath);
        refuseWhenInUse(service, databasePath, true);
        if (!replaceWith(dm, work, databasePath))
            throw std::runtime_error("リストアしたデータベースを置き換えられませんでした。");
        replaced = true;
        result = true;
        if (databaseArgument.contains(DataFileName)) {
            if (dm.fnAccDatConnected(connectHost, folder, 0))
                dm.ClearOpInf();
            else
                result = false;
        }
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.RestoreFDB"), restoreFailed());
        result = false;
    } catch (const std::exception& e) {
        ShowErrDetail(restoreFailed(), QString::fromUtf8(e.what()), ui::MsgKind::Error);
        result = false;
    }
    if (!replaced)
        removeWork(dm, work);
    dm.fnAccDatDisConnected(folder, 0, 0);
    return result;
}

} // namespace

bool ReplaceFileBySynced(const QString& work, const QString& target) {
    const QByteArray from = QFile::encodeName(work);
    const int fd = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    if (::close(fd) != 0 || !synced)
        return false;
    if (std::rename(from.constData(), QFile::encodeName(target).constData()) != 0)
        return false;
    // The rename itself lasts once the folder is synced.
    const int dir = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool TDM::BackupFDB(int protocol, const QString& host, const QString& databasePath, const QString& backupPath,
                    bool direct) {
    // The service never writes the backup itself: a work file beside it, on its own file system, replaces
    // it once complete.
    Q_UNUSED(direct);
    const QString work = workFileBeside(backupPath, QStringLiteral(".fb_"));
    const bool move = work != backupPath;
    bool result = false;
    try {
        fb::BackupOptions options;
        options.verbose = true;
        options.ignoreLimbo = true;
        options.noGarbageCollection = true;
        options.nonTransportable = true;
        fb::Services(serviceOptions(protocol, host)).backup(databasePath, work, options, [](const QString&) {
            pumpEvents();
        });
        if (!workFileWritten(*this, work))
            throw std::runtime_error("バックアップファイルが作成されませんでした。");
        if (move && !replaceWith(*this, work, backupPath))
            throw std::runtime_error("データベースバックアップファイルのMoveに失敗しました。");
        result = true;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.BackupFDB"), backupFailed());
    } catch (const std::exception& e) {
        ShowErrDetail(backupFailed(), QString::fromUtf8(e.what()), ui::MsgKind::Error);
    }
    if (!result && move)
        removeWork(*this, work);
    return result;
}

bool TDM::RestoreFDB(int protocol, const QString& host, const QString& databasePath,
                     const QString& backupPath, bool keepIndexes) {
    const QString work = workFileBeside(databasePath, QStringLiteral(".rs_"));
    const fb::ServiceOptions service = serviceOptions(protocol, host);
    QString connectHost = host;
    if ((ConnectMode == 1 || ConnectMode == 2) && protocol == ProtocolLocal && host.isEmpty())
        connectHost = kLoopback;
    const auto restore = [&] {
        fb::RestoreOptions options;
        options.replace = true; // the work file of a failed run
        options.create = true;
        options.deactivateIndexes = !keepIndexes;
        options.pageBuffers = 4096;
        options.pageSize = 16384;
        options.verbose = true;
        fb::Services(service).restore(backupPath, work, options, [](const QString&) { pumpEvents(); });
        if (!workFileWritten(*this, work))
            throw std::runtime_error("データベースが作成されませんでした。");
    };
    return restoreThroughWork(*this, restore, service, work, databasePath, connectHost, databasePath);
}

bool TDM::BackupFDBByGbak(const QString& host, const QString& databasePath, const QString& backupPath,
                          bool direct) {
    if (host == kLoopback)
        return BackupFDB(ProtocolLocal, host, databasePath, backupPath, direct);
    // gbak writes the backup on this computer: into a work file that replaces the old backup when the
    // run was clean.
    const QString work = workFileBeside(backupPath, QStringLiteral(".fb_"));
    const QString database = host.isEmpty() ? databasePath : host + u':' + databasePath;
    const QString logPath = SystemDef.WinTempDir + QStringLiteral("/gbak.log");
    try {
        QFile::remove(work);
        const ToolRun run = runGbak({QStringLiteral("-b"), QStringLiteral("-g"), database, work}, logPath);
        if (!run.started)
            throw std::runtime_error(
                "バックアップツール(gbak.exe)が起動出来ませんでした。\r処理を終了します。");
        if (!run.problem.isEmpty())
            throw std::runtime_error(
                (QStringLiteral("バックアップ中にエラーが発生しました。\r") + run.problem).toStdString());
        if (!QFileInfo(work).isFile() || QFileInfo(work).size() == 0)
            throw std::runtime_error(
                "バックアップ中にエラーが発生しました。\rバックアップファイルが作成されませんでした。");
        if (!ReplaceFileBySynced(work, backupPath))
            throw std::runtime_error("データベースバックアップファイルのMoveに失敗しました。");
        return true;
    } catch (const std::exception& e) {
        QFile::remove(work);
        ShowErrDetail(backupFailed(), QString::fromUtf8(e.what()), ui::MsgKind::Error);
        return false;
    }
}

bool TDM::RestoreFDBByGbak(const QString& host, const QString& databasePath, const QString& backupPath,
                           bool keepIndexes) {
    if (host == kLoopback)
        return RestoreFDB(ProtocolLocal, host, databasePath, backupPath, keepIndexes);
    if (!QFileInfo(backupPath).isFile())
        return false;
    const QString work = workFileBeside(databasePath, QStringLiteral(".rs_"));
    const QString prefix = host.isEmpty() ? QString() : host + u':';
    const fb::ServiceOptions service = serviceOptions(host.isEmpty() ? ProtocolLocal : ProtocolTcp, host);
    const auto restore = [&] {
        // The tool always restores with active indexes; keepIndexes has no effect here.
        const ToolRun run =
            runGbak({QStringLiteral("-rep"), QStringLiteral("-bu"), QStringLiteral("4096"),
                     QStringLiteral("-p"), QStringLiteral("16384"), backupPath, prefix + work},
                    SystemDef.WinTempDir + QStringLiteral("/gbak.log"));
        if (!run.started)
            throw std::runtime_error("リストアツール(gbak.exe)が起動出来ませんでした。\r処理を終了します。");
        if (!run.problem.isEmpty())
            throw std::runtime_error(
                (QStringLiteral("リストア中にエラーが発生しました。\r") + run.problem).toStdString());
        if (!workFileWritten(*this, work))
            throw std::runtime_error(
                "リストア中にエラーが発生しました。\rデータベースが作成されませんでした。");
    };
    return restoreThroughWork(*this, restore, service, work, databasePath, host, prefix + databasePath);
}

TDM::ValidateResult TDM::ValidateFDB(int protocol, const QString& host, const QString& databasePath) {
    const bool wasConnected = IBDatabaseDAT.isConnected();
    ValidateResult result = ValidateResult::Sound;
    try {
        if (wasConnected)
            IBDatabaseDAT.detach();
        const QStringList problems =
            fb::Services(serviceOptions(protocol, host)).validate(databasePath, [](const QString&) {
                pumpEvents();
            });
        if (!problems.isEmpty())
            result = ValidateResult::Damaged;
    } catch (const fb::Error& e) {
        // A file the service cannot open is not known to be sound.
        result = e.statusCode() == kIscBadDpbContent || e.statusCode() == kIscIoError
                     ? ValidateResult::CouldNotValidate
                     : ValidateResult::Damaged;
    } catch (const std::exception&) {
        result = ValidateResult::CouldNotValidate;
    }
    if (wasConnected && !IBDatabaseDAT.isConnected()) {
        try {
            IBDatabaseDAT.attach();
        } catch (const fb::Error&) {
        }
    }
    return result;
}

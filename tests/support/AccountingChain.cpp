#include "AccountingChain.h"

#include "DataRootFixture.h"
#include "DmFixture.h"
#include "TestEnv.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateStep.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <stdexcept>

namespace testenv {

namespace {

[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

QString toolPath() {
    return buildDir() + QStringLiteral("/bin/make_chain_template");
}

// What the chain's result depends on: the tool (the steps and their statement files are linked into it),
// the base and the version folders of sql/.
QString chainKey() {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QFile tool(toolPath());
    if (!tool.open(QIODevice::ReadOnly))
        fail(QStringLiteral("%1 is not built").arg(toolPath()));
    hash.addData(&tool);
    QStringList files;
    const QDir sql(sourceDir() + QStringLiteral("/sql"));
    static const QRegularExpression used(QStringLiteral("^(base|\\d+)/"));
    for (QDirIterator it(sql.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (used.match(sql.relativeFilePath(path)).hasMatch())
            files << path;
    }
    files.sort();
    for (const QString& path : files) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            fail(QStringLiteral("cannot read %1").arg(path));
        hash.addData(path.toUtf8());
        hash.addData(&f);
    }
    return QString::fromLatin1(hash.result().toHex().left(12));
}

} // namespace

void buildAccountingChain(const QString& target) {
    DmEnvironment e;
    Dataset ds = e.root->addDataset({});
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    createDatabaseFromScript(sourceDir() + QStringLiteral("/sql/base/placc_base.sql"), ds.database);
    SystemDef.DataDir = ds.folder;
    SystemDef.SqlDir = sourceDir() + QStringLiteral("/sql");
    for (const TDbUpdateListRec& step : BuildSteps(TDbKind::Accounting)) {
        if (step.StepProc() != StepDone)
            fail(QStringLiteral("step %1 failed\n%2\n%3")
                     .arg(step.version().text(), e.ui->messageTexts().join(u'\n'),
                          readAll(SystemDef.LogDir + QStringLiteral("/ErrDataup.txt"))));
    }
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    QFile::remove(target);
    if (!QFile::copy(ds.database, target))
        fail(QStringLiteral("cannot copy the chain's database to %1").arg(target));
}

QString accountingChainTemplate() {
    const QString dir = buildDir() + QStringLiteral("/test-cache");
    QDir().mkpath(dir);
    const QString target = dir + QStringLiteral("/placc-chain-") + chainKey() + QStringLiteral(".fdb");
    if (QFileInfo::exists(target))
        return target;
    QLockFile lock(target + QStringLiteral(".lock"));
    lock.setStaleLockTime(0); // the chain takes a while; a lock is stale only when its process is gone
    if (!lock.lock())
        fail(QStringLiteral("cannot lock %1").arg(target));
    if (QFileInfo::exists(target))
        return target;
    const QString work = target + QStringLiteral(".building");
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QV_SOURCE_DIR"), sourceDir());
    env.insert(QStringLiteral("QV_BUILD_DIR"), buildDir());
    env.insert(QStringLiteral("QV_ACCOUNTING_TEMPLATE"), QStringLiteral("script"));
    tool.setProcessEnvironment(env);
    tool.start(toolPath(), {work});
    if (!tool.waitForFinished(600000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        fail(QStringLiteral("make_chain_template failed:\n%1").arg(QString::fromLocal8Bit(tool.readAll())));
    if (!QFile::rename(work, target))
        fail(QStringLiteral("cannot move %1 into place").arg(work));
    return target;
}

} // namespace testenv

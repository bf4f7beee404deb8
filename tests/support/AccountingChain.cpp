#include "AccountingChain.h"

#include "DataRootFixture.h"
#include "DbCompare.h"
#include "DmFixture.h"
#include "TestEnv.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DbUpdateStep.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
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
    // The steps choose files and rows by the kind of data the opened dataset has: corporation data, as
    // the dataset's list row says.
    AccInf.DATATYPE = 1;
    AccInf.CODETYPE = 1;
    for (const TDbUpdateListRec& step : BuildSteps(TDbKind::Accounting)) {
        if (step.StepProc() != StepDone)
            fail(QStringLiteral("step %1 failed\n%2\n%3")
                     .arg(step.version().text(), e.ui->messageTexts().join(u'\n'),
                          readAll(SystemDef.LogDir + QStringLiteral("/ErrDataup.txt"))));
    }
    e.dm->fnAccDatDisConnected(ds.folder, 0, 0);
    // The first release's database carries the accounts that its fixed-asset journal settings name and
    // the print lines of its trial balance; a dataset of the tests brings its own, so those go with the
    // rows that name them.
    for (const char* sql : {"DELETE FROM KS_SETSWK", "DELETE FROM KS_SETSWK_INIT", "DELETE FROM KAMOKU_SZ",
                            "DELETE FROM HOJOMST", "DELETE FROM KAMOKUMST", "DELETE FROM HOJOLOG",
                            "DELETE FROM EXTERA3", "DELETE FROM EXTERA4", "SET GENERATOR KSSETSWK_GEN TO 0",
                            "SET GENERATOR KSSETSWKINIT_GEN TO 0", "SET GENERATOR HOJOLOG_REC_GEN TO 0"})
        ds.execute(QLatin1String(sql));
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

namespace {

// "TABLE name rows=n sha1" and "GEN name=value" lines by name.
QMap<QString, QString> byName(const QStringList& lines) {
    QMap<QString, QString> map;
    for (const QString& line : lines)
        map.insert(line.section(u' ', 0, 0) + u' ' + line.section(u' ', 1, 1).section(u'=', 0, 0), line);
    return map;
}

// Rows that name the dataset's own accounts (the fixed-asset journal settings, per facility and as the
// initial settings), with their numbering: they stand only where those accounts do.
bool datasetRows(const QString& name) {
    static const QStringList names{QStringLiteral("KS_SETSWK"), QStringLiteral("KSSETSWK_GEN"),
                                   QStringLiteral("KS_SETSWK_INIT"), QStringLiteral("KSSETSWKINIT_GEN")};
    return names.contains(name);
}

struct SeedSet {
    QStringList tables;     // filled by the steps
    QStringList generators; // moved by the steps
};

const SeedSet& seedSet() {
    static const SeedSet set = [] {
        SeedSet s;
        const QMap<QString, QString> before =
            byName(describeData(scriptTemplate(sourceDir() + QStringLiteral("/sql/base/placc_base.sql"))));
        const QMap<QString, QString> after = byName(describeData(accountingChainTemplate()));
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            const QString kind = it.key().section(u' ', 0, 0);
            const QString name = it.key().section(u' ', 1);
            if (kind == QLatin1String("TABLE")) {
                // A table the first release did not have counts as empty.
                const bool emptyBefore =
                    !before.contains(it.key()) || before.value(it.key()).contains(QLatin1String(" rows=0 "));
                if (emptyBefore && !it.value().contains(QLatin1String(" rows=0 ")) && !datasetRows(name))
                    s.tables << name;
            } else if (before.value(it.key()) != it.value() && !datasetRows(name) &&
                       !it.value().endsWith(QLatin1String("=0"))) {
                s.generators << name;
            }
        }
        return s;
    }();
    return set;
}

QString quoted(const QString& value) {
    return u'\'' + QString(value).replace(u'\'', QStringLiteral("''")) + u'\'';
}

} // namespace

QStringList stepSeedRows(const QString& database) {
    const SeedSet& set = seedSet();
    QStringList lines;
    for (const QString& line : describeData(database)) {
        const QString kind = line.section(u' ', 0, 0);
        const QString name = line.section(u' ', 1, 1).section(u'=', 0, 0);
        if ((kind == QLatin1String("TABLE") && set.tables.contains(name)) ||
            (kind == QLatin1String("GEN") && set.generators.contains(name)))
            lines << line;
    }
    return lines;
}

QString stepSeedScript() {
    const SeedSet& set = seedSet();
    fb::Database db(accountingChainTemplate(), databaseUser());
    db.attach();
    fb::Transaction t(db);
    QString out = QStringLiteral(
        "/* The rows the upgrade steps give every accounting dataset of corporation data, in the newest\n"
        "   layout; read by placc.sql. Written from the upgraded first release by\n"
        "   \"make_chain_template --seed sql/placc_seed.sql\"; do not edit by hand. The tables' triggers\n"
        "   are off while the rows go in, so the rows stand as the steps left them. */\n\n");
    for (const QString& table : set.tables) {
        QStringList columns, triggers, key;
        QList<bool> blob;
        {
            fb::Query q(
                t,
                QStringLiteral(
                    "SELECT TRIM(RF.RDB$FIELD_NAME) AS N, F.RDB$FIELD_TYPE AS T FROM RDB$RELATION_FIELDS RF"
                    " JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE"
                    " WHERE RF.RDB$RELATION_NAME = :R AND F.RDB$COMPUTED_BLR IS NULL"
                    " ORDER BY RF.RDB$FIELD_POSITION"));
            q.setString("R", table);
            for (q.open(); !q.eof(); q.next()) {
                columns << q.field("N").asString();
                blob << (q.field("T").asInt() == 261);
            }
        }
        {
            fb::Query q(t, QStringLiteral("SELECT TRIM(RDB$TRIGGER_NAME) AS N FROM RDB$TRIGGERS"
                                          " WHERE RDB$RELATION_NAME = :R AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0"
                                          " AND RDB$TRIGGER_INACTIVE = 0 ORDER BY 1"));
            q.setString("R", table);
            for (q.open(); !q.eof(); q.next())
                triggers << q.field("N").asString();
        }
        QStringList selected;
        for (qsizetype i = 0; i < columns.size(); ++i)
            selected << (blob[i] ? u'"' + columns[i] + u'"'
                                 : QStringLiteral("CAST(\"%1\" AS VARCHAR(8191))").arg(columns[i]));
        QStringList order;
        for (qsizetype i = 1; i <= columns.size(); ++i)
            if (!blob[i - 1])
                order << QString::number(i);
        for (const QString& trigger : triggers)
            out += QStringLiteral("ALTER TRIGGER %1 INACTIVE;\n").arg(trigger);
        fb::Query q(t,
                    QStringLiteral("SELECT %1 FROM \"%2\" ORDER BY %3")
                        .arg(selected.join(QStringLiteral(", ")), table, order.join(QStringLiteral(", "))));
        const QString head =
            QStringLiteral("INSERT INTO %1 (%2) VALUES (").arg(table, columns.join(QStringLiteral(", ")));
        for (q.open(); !q.eof(); q.next()) {
            QStringList values;
            for (int i = 0; i < q.fieldCount(); ++i) {
                const fb::Field f = q.field(i);
                values << (f.isNull() ? QStringLiteral("NULL") : quoted(f.asString()));
            }
            out += head + values.join(QStringLiteral(", ")) + QStringLiteral(");\n");
        }
        for (const QString& trigger : triggers)
            out += QStringLiteral("ALTER TRIGGER %1 ACTIVE;\n").arg(trigger);
        out += u'\n';
    }
    for (const QString& generator : set.generators) {
        fb::Query q(t, QStringLiteral("SELECT GEN_ID(\"%1\", 0) FROM RDB$DATABASE").arg(generator));
        q.open();
        out += QStringLiteral("SET GENERATOR %1 TO %2;\n").arg(generator).arg(q.field(0).asInt64());
    }
    out += QStringLiteral("COMMIT;\n");
    t.commit();
    db.detach();
    return out;
}

} // namespace testenv

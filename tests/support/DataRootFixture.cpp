#include "DataRootFixture.h"

#include "AccountingChain.h"
#include "TestEnv.h"
#include "core/FbValues.h"
#include "platform/Cp932.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <stdexcept>

namespace testenv {

namespace {

[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

// The script's text with every "INPUT file;" line replaced by that file's text (a path relative to
// the script's folder, as isql-fb run in that folder reads it), so the template follows the parts too.
// Within a "SET TERM ^" block the line ends with "^" instead.
QByteArray readScript(const QString& script) {
    QFile f(script);
    if (!f.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(script));
    QByteArray out;
    const QDir folder = QFileInfo(script).absoluteDir();
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.toUpper().startsWith("INPUT ") && (t.endsWith(';') || t.endsWith('^'))) {
            const QString name = QString::fromUtf8(t.mid(6, t.size() - 7).trimmed());
            out += readScript(folder.filePath(name));
            out += '\n';
            continue;
        }
        out += line;
        out += '\n';
    }
    return out;
}

// Templates live in the build folder so that the many test processes of one run share them.
QString cacheDir() {
    QString dir = buildDir() + QStringLiteral("/test-cache");
    if (!QDir().mkpath(dir) || !QFileInfo(dir).isWritable()) {
        dir = QDir::tempPath() + QStringLiteral("/qv-test-cache");
        QDir().mkpath(dir);
    }
    return dir;
}

QString templateFor(const QString& script) {
    const QByteArray source = readScript(script);
    const QString hash =
        QString::fromLatin1(QCryptographicHash::hash(source, QCryptographicHash::Sha1).toHex().left(12));
    const QString dir = cacheDir();
    const QString target =
        dir + u'/' + QFileInfo(script).completeBaseName() + u'-' + hash + QStringLiteral(".fdb");
    if (QFileInfo::exists(target))
        return target;
    QLockFile lock(target + QStringLiteral(".lock"));
    lock.setStaleLockTime(60000); // building a template takes about a second
    if (!lock.lock())
        fail(QStringLiteral("cannot lock %1").arg(target));
    if (QFileInfo::exists(target))
        return target;
    const QString work = target + QStringLiteral(".building");
    QFile::remove(work);
    {
        fb::Database db(work, databaseUser());
        db.create();
    }
    loadSchemaScript(script, work);
    if (!QFile::rename(work, target))
        fail(QStringLiteral("cannot move %1 into place").arg(work));
    return target;
}

// A Firebird root whose UDR engine finds our modules in build/udr (scripts/fbroot.sh): isql-fb loads
// the schema scripts on it, since creating an external routine opens its module.
QString udrRoot() {
    const QString root = cacheDir() + QStringLiteral("/fbroot");
    const QString done = root + QStringLiteral("/plugins.conf");
    if (QFileInfo::exists(done))
        return root;
    QLockFile lock(root + QStringLiteral(".lock"));
    lock.setStaleLockTime(60000);
    if (!lock.lock())
        fail(QStringLiteral("cannot lock %1").arg(root));
    if (QFileInfo::exists(done))
        return root;
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BUILD_DIR"), buildDir());
    script.setProcessEnvironment(env);
    const QString work = root + QStringLiteral(".building");
    script.start(sourceDir() + QStringLiteral("/scripts/fbroot.sh"), {work});
    if (!script.waitForFinished(60000) || script.exitStatus() != QProcess::NormalExit ||
        script.exitCode() != 0)
        fail(QStringLiteral("scripts/fbroot.sh failed:\n%1").arg(QString::fromLocal8Bit(script.readAll())));
    QDir(root).removeRecursively();
    if (!QDir().rename(work, root))
        fail(QStringLiteral("cannot move %1 into place").arg(work));
    return root;
}

// The company values that the dataset's definition row and its list row share.
void bindCompany(fb::Query& q, const CompanySpec& c) {
    q.setString("ENTTEXT", c.title);
    q.setString("SHOUGOU", c.name);
    q.setString("DATACODE", c.code);
    q.setInt("DATATYPE", c.dataType);
    q.setInt("CODETYPE", c.codeType);
    q.setInt("NENDO", c.nendo);
    fb::setDateTime(q, "KISHU", TDateTime::fromDate(c.kishu));
    fb::setDateTime(q, "KIMATU", TDateTime::fromDate(c.kimatu));
}

} // namespace

QString isqlProgram() {
    for (const char* name : {"isql-fb", "isql"}) {
        const QString p = QStandardPaths::findExecutable(QLatin1String(name));
        if (!p.isEmpty())
            return p;
    }
    fail(QStringLiteral("isql-fb not found (package firebird3.0-utils)"));
}

fb::ConnectOptions databaseUser() {
    return fb::ConnectOptions{QStringLiteral("PELLAN"), QStringLiteral("vintor")};
}

QString systemSchemaScript() {
    return sourceDir() + QStringLiteral("/sql/placcdef.sql");
}

QString accountingSchemaScript() {
    return sourceDir() + QStringLiteral("/sql/placc.sql");
}

QString fileManagerSchemaScript() {
    return sourceDir() + QStringLiteral("/sql/plfileman.sql");
}

void loadSchemaScript(const QString& script, const QString& database) {
    bool ok = false;
    const QByteArray cp932Text = cp932::encode(QString::fromUtf8(readScript(script)), &ok);
    if (!ok)
        fail(QStringLiteral("%1 holds a character that Shift_JIS cannot hold").arg(script));
    QTemporaryFile converted(QDir::tempPath() + QStringLiteral("/qv-schema-XXXXXX.sql"));
    if (!converted.open() || converted.write(cp932Text) != cp932Text.size() || !converted.flush())
        fail(QStringLiteral("cannot write the converted script"));
    const fb::ConnectOptions user = databaseUser();
    QProcess isql;
    isql.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), udrRoot());
    isql.setProcessEnvironment(env);
    isql.start(isqlProgram(),
               {QStringLiteral("-q"), QStringLiteral("-b"), QStringLiteral("-ch"),
                QStringLiteral("SJIS_0208"), QStringLiteral("-user"), user.user, QStringLiteral("-password"),
                user.password, QStringLiteral("-i"), converted.fileName(), database});
    if (!isql.waitForFinished(120000))
        fail(QStringLiteral("isql-fb did not finish"));
    const QString output = cp932::decode(isql.readAll());
    if (isql.exitStatus() != QProcess::NormalExit || isql.exitCode() != 0 ||
        output.contains(QLatin1String("Statement failed")))
        fail(QStringLiteral("%1 failed to load:\n%2").arg(script, output));
}

QString scriptTemplate(const QString& script) {
    return templateFor(script);
}

void createDatabaseFromScript(const QString& script, const QString& target) {
    // Accounting datasets are what an upgrade makes of the first release's database; with
    // QV_ACCOUNTING_TEMPLATE=script they come from the newest schema script instead.
    const bool chain = QFileInfo(script) == QFileInfo(accountingSchemaScript()) &&
                       qEnvironmentVariable("QV_ACCOUNTING_TEMPLATE") != QLatin1String("script");
    const QString source = chain ? accountingChainTemplate() : templateFor(script);
    QFile::remove(target);
    if (!QFile::copy(source, target))
        fail(QStringLiteral("cannot copy %1 to %2").arg(source, target));
    QFile::setPermissions(target,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
}

// ---- Dataset

std::unique_ptr<fb::Database> Dataset::connect() const {
    auto db = std::make_unique<fb::Database>(database, databaseUser());
    db->attach();
    return db;
}

void Dataset::execute(const QString& sql, const std::function<void(fb::Query&)>& bind) const {
    auto db = connect();
    fb::Transaction t(*db);
    fb::Query q(t, sql);
    if (bind)
        bind(q);
    q.execute();
    t.commit();
}

void Dataset::addAccount(const AccountSpec& account) const {
    auto db = connect();
    fb::Transaction t(*db);
    fb::Query k(t, QStringLiteral("INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME, GROUPM1, USE)"
                                  " VALUES (:KCODE, :USERCODE, :KNAME, :GROUPM1, 1)"));
    k.setString("KCODE", account.kcode);
    k.setString("USERCODE", account.usercode.isEmpty() ? account.kcode : account.usercode);
    k.setString("KNAME", account.name);
    k.setInt("GROUPM1", account.groupm1);
    k.execute();
    // The account master's insert trigger gives every account the sub-account row ' ' that stands for
    // the account itself.
    t.commit();
}

int Dataset::addAsset(const AssetSpec& a) const {
    return addAssets({a}).front();
}

std::vector<int> Dataset::addAssets(const std::vector<AssetSpec>& assets) const {
    auto db = connect();
    fb::Transaction t(*db);
    t.start();
    fb::Query next(t, QStringLiteral("SELECT GEN_ID(KSSISAN_GEN, 1) AS NEWREC FROM RDB$DATABASE"));
    fb::Query q(
        t,
        QStringLiteral(
            "INSERT INTO KS_SISAN (REC, SCODE, KANRI, KCODE, HCODE, MEISYOU, GSHOUHOU, SYUTODATE, TAIYOUYY,"
            " SYUTOKIN, KISOKIN, SYOURITU, SYOUKIKANSTR, SYOUKIKANEND, FUTUSYOUKIN, WARISYOUKIN, SYOUKINKEI,"
            " MATUMISYOUKIN, KISYUMISYOUKIN, KAITEISYUTOKUKAGAKU, KAITEISYUTOKUKAGAKU_INPUT,"
            " ISINPKAITEISYUTOKUKAGAKU, ZANKAHOSYOUGAKU, TEIRITU250, TEIRITU200, SYUTOKUKAGAKUCHOSEI,"
            " SIHAKCODE, SIHAHCODE, SYUNYUKCODE, SYUNYUHCODE)"
            " VALUES (:REC, :SCODE, :KANRI, :KCODE, :HCODE, :MEISYOU, :GSHOUHOU, :SYUTODATE, :TAIYOUYY,"
            " :SYUTOKIN, :KISOKIN, :SYOURITU, :SYOUKIKANSTR, :SYOUKIKANEND, :FUTUSYOUKIN, :WARISYOUKIN,"
            " :SYOUKINKEI, :MATUMISYOUKIN, :KISYUMISYOUKIN, :KAITEI, :KAITEI_INPUT, :ISINPKAITEI,"
            " :ZANKA, :TEIRITU250, :TEIRITU200, :CHOSEI, NULL, NULL, NULL, NULL)"));
    std::vector<int> recs;
    for (const AssetSpec& a : assets) {
        int rec = a.rec;
        if (rec <= 0) {
            next.open();
            rec = next.field("NEWREC").asInt();
            next.close();
        }
        q.setInt("REC", rec);
        q.setString("SCODE", a.scode);
        q.setString("KANRI", a.kanri);
        q.setString("KCODE", a.kcode);
        q.setString("HCODE", a.hcode);
        q.setString("MEISYOU", a.name);
        q.setInt("GSHOUHOU", a.method);
        if (a.acquired.isNull())
            q.setNull("SYUTODATE");
        else
            fb::setDateTime(q, "SYUTODATE", a.acquired);
        q.setInt("TAIYOUYY", a.lifeYears);
        fb::setMoney(q, "SYUTOKIN", a.cost);
        fb::setMoney(q, "KISOKIN", a.base);
        fb::setMoney(q, "SYOURITU", a.rate);
        q.setInt("SYOUKIKANSTR", a.monthFrom);
        q.setInt("SYOUKIKANEND", a.monthTo);
        fb::setMoney(q, "FUTUSYOUKIN", a.ordinary);
        fb::setMoney(q, "WARISYOUKIN", a.extra);
        fb::setMoney(q, "SYOUKINKEI", a.total);
        fb::setMoney(q, "MATUMISYOUKIN", a.bookValueEnd);
        fb::setMoney(q, "KISYUMISYOUKIN", a.bookValueStart);
        fb::setMoney(q, "KAITEI", a.revisedCost);
        fb::setMoney(q, "KAITEI_INPUT", a.revisedCostInput);
        q.setInt("ISINPKAITEI", a.revisedCostEntered);
        fb::setMoney(q, "ZANKA", a.residualGuaranteed);
        q.setInt("TEIRITU250", a.teiritu250);
        q.setInt("TEIRITU200", a.teiritu200);
        fb::setMoney(q, "CHOSEI", a.costAdjustment);
        q.execute();
        recs.push_back(rec);
    }
    t.commit();
    return recs;
}

// ---- DataRoot

void registerAccountingProduct(const QString& version, const QString& product) {
    const QString key = QStringLiteral("\\SOFTWARE\\QUARNO\\PELLANZAIMU13");
    using registry::Root;
    const bool written = registry::writeString(Root::LocalMachine, key, QStringLiteral("Product"), product) &&
                         registry::writeString(Root::LocalMachine, key, QStringLiteral("Version"), version) &&
                         registry::writeString(Root::LocalMachine, key, QStringLiteral("rootdir"),
                                               specialfolders::commonAppData() + QStringLiteral("/quarno"));
    if (!written)
        throw std::runtime_error("the registry file cannot be written");
}

QString DataRoot::defaultRoot() {
    return specialfolders::commonAppData() + QStringLiteral("/quarno/pellanzaimu");
}

DataRoot::DataRoot(const QString& root) : m_root(QDir::cleanPath(root)) {
    for (const QString& dir : {iniDir(), logDir(), tempDir(), dataDir()})
        if (!QDir().mkpath(dir))
            fail(QStringLiteral("cannot create %1").arg(dir));
    createDatabaseFromScript(systemSchemaScript(), systemDatabase());
    {
        auto db = connectSystem();
        fb::Transaction t(*db);
        fb::Query q(t, QStringLiteral("SELECT COUNT(*) AS N FROM SP_DATALIST_INSERT(0, :PATHTEXT, :MAXCNT)"));
        q.setString("PATHTEXT", dataDir());
        q.setInt("MAXCNT", ListSlots);
        q.open();
        fb::Query place(t, QStringLiteral("UPDATE DATAPLACEMAN SET PATH = :PATH WHERE REC = 0"));
        place.setString("PATH", dataDir());
        place.execute();
        t.commit();
    }
    IniFile ini(appIni(), false);
    ini.writeString("APPLICATION", "TOP", "0");
    ini.writeString("APPLICATION", "LEFT", "0");
    ini.writeString("APPLICATION", "WIDTH", "1024");
    ini.writeString("APPLICATION", "HEIGHT", "738");
    ini.writeString("APPLICATION", "CONNECT", "0");
    const fb::ConnectOptions user = databaseUser();
    for (const char* section : {"LOCAL", "SERVER"}) {
        const bool local = QLatin1String(section) == QLatin1String("LOCAL");
        ini.writeString(section, "HOSTNAME", QString());
        ini.writeString(section, "GOGLOBAL", "NO");
        ini.writeString(section, "GROUP", "NO");
        ini.writeString(section, "SYSDIR", local ? dataDir() : QString());
        ini.writeString(section, "USER", user.user);
        ini.writeString(section, "PASSWORD", user.password);
    }
    if (!ini.save())
        fail(QStringLiteral("cannot write %1").arg(appIni()));
}

std::unique_ptr<fb::Database> DataRoot::connectSystem() const {
    auto db = std::make_unique<fb::Database>(systemDatabase(), databaseUser());
    db->attach();
    return db;
}

Dataset DataRoot::addDataset(const CompanySpec& company, int rec) {
    Dataset ds;
    ds.company = company;
    if (!ds.company.kimatu.isValid())
        ds.company.kimatu = ds.company.kishu.addYears(1).addDays(-1);
    if (ds.company.title.isEmpty())
        ds.company.title = ds.company.name;
    const CompanySpec& c = ds.company;

    auto sys = connectSystem();
    fb::Transaction st(*sys);
    if (rec <= 0) {
        fb::Query free(
            st, QStringLiteral(
                    "SELECT MIN(REC) AS FREEREC FROM DATALIST WHERE ENTTEXT = '' AND GROUPID = 10000"));
        free.open();
        rec = free.field("FREEREC").asInt();
        if (rec <= 0)
            fail(QStringLiteral("no free dataset-list slot"));
    }
    ds.rec = rec;
    ds.folder = dataDir() + QStringLiteral("/%1").arg(rec, 4, 10, QLatin1Char('0'));
    ds.database = ds.folder + QStringLiteral("/placc.fdb");
    if (!QDir().mkpath(ds.folder))
        fail(QStringLiteral("cannot create %1").arg(ds.folder));
    createDatabaseFromScript(accountingSchemaScript(), ds.database);

    ds.execute(
        QStringLiteral("UPDATE ACCDEF1 SET ENTTEXT = :ENTTEXT, SHOUGOU = :SHOUGOU, SKANA = :SKANA,"
                       " SCODE1 = :DATACODE, DATATYPE = :DATATYPE, CODETYPE = :CODETYPE, NENDO = :NENDO,"
                       " KISHU = :KISHU, KIMATU = :KIMATU, KAISI = :KISHU, SIME = :SIME, KAISINO = 1,"
                       " SDAI_HASUU1 = :SDAI_HASUU1 WHERE REC = 1"),
        [&](fb::Query& q) {
            bindCompany(q, c);
            q.setString("SKANA", c.kana);
            q.setInt("SIME", c.sime);
            q.setInt("SDAI_HASUU1", c.sdaiHasuu1);
        });
    for (const auto& [column, value] : c.extra)
        ds.execute(QStringLiteral("UPDATE ACCDEF1 SET %1 = :V WHERE REC = 1").arg(column),
                   [&](fb::Query& q) { q.setString("V", value); });

    fb::Query slot(
        st, QStringLiteral("UPDATE DATALIST SET ENTTEXT = :ENTTEXT, SHOUGOU = :SHOUGOU, PASNAME = :PASNAME,"
                           " DATATYPE = :DATATYPE, CODETYPE = :CODETYPE, NENDO = :NENDO, KISHU = :KISHU,"
                           " KIMATU = :KIMATU, DATACODE = :DATACODE, VER_MAJOR = 13, VER_MINOR1 = 0,"
                           " VER_MINOR2 = 0, VER_TEXT = '13.0', GASSAN = 0 WHERE REC = :REC"));
    bindCompany(slot, c);
    slot.setString("PASNAME", ds.folder);
    slot.setInt("REC", rec);
    slot.execute();
    if (slot.rowsAffected() != 1)
        fail(QStringLiteral("dataset-list slot %1 does not exist").arg(rec));
    st.commit();

    IniFile ini(ds.folder + QStringLiteral("/placc.ini"), false);
    const QString dateFormat = QStringLiteral("yyyy/MM/dd");
    const QList<QPair<QString, QString>> status = {
        {"STATUS", "1"}, {"SHARE_STATUS", "1"}, {"UPDATE_LOCK", "0"}, {"READ_ONLY", "0"}};
    for (const auto& [key, value] : status)
        ini.writeString("DATASTS", key, value);
    const QList<QPair<QString, QString>> info = {
        {"DATALISTNAME", c.title},
        {"CODE", c.code},
        {"DATAKBN", QString::number(c.dataType)},
        {"CODEKBN", QString::number(c.codeType)},
        {"SHOUGOU", c.name},
        {"KANA", c.kana},
        {"NENDO", QString::number(c.nendo)},
        {"KISHU", c.kishu.toString(dateFormat)},
        {"KIMATU", c.kimatu.toString(dateFormat)},
        {"TANTO", "0"},
        {"SITEN", "0"},
        {"SITENCNT", "0"},
        {"BUMON", "0"},
        {"BUMONCNT", "0"},
        {"SIWAKE", "0"},
        {"TOTALSIWAKE", "0"},
        {"VERSION1", "13.0.0"},
        {"VERSION2", "13.0"},
        {"GASSANKBN", "0"},
        {"USEMYNUMBER", "0"},
        {"CLOUD_SHARE", "0"},
    };
    for (const auto& [key, value] : info)
        ini.writeString("DATAINFO", key, value);
    if (!ini.save())
        fail(QStringLiteral("cannot write %1").arg(ini.fileName()));
    return ds;
}

void Dataset::addSystemAccount(const QString& systemName, const AccountSpec& account) const {
    addAccount(account);
    execute(QStringLiteral("INSERT INTO ACCDEF2 (KNAME, KCODE) VALUES (:KNAME, :KCODE)"), [&](fb::Query& q) {
        q.setString("KNAME", systemName);
        q.setString("KCODE", account.kcode);
    });
}

void Dataset::setAccReg(const QString& group, const QString& key, const QString& typeWord,
                        const QString& text) const {
    execute(QStringLiteral("UPDATE OR INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT)"
                           " VALUES (:AGROUP, :ACODE, :ATYPE, :ATEXT) MATCHING (AGROUP, ACODE)"),
            [&](fb::Query& q) {
                q.setString("AGROUP", group);
                q.setString("ACODE", key);
                q.setString("ATYPE", typeWord);
                q.setString("ATEXT", text);
            });
}

void Dataset::addBulkData(int megabytes) const {
    execute(QStringLiteral("CREATE TABLE BENCH_DATA (ID INTEGER NOT NULL PRIMARY KEY,"
                           " PAYLOAD VARCHAR(4000) CHARACTER SET OCTETS)"));
    const int rows = megabytes * 1024 * 1024 / 4000;
    auto db = connect();
    fb::Transaction t(*db);
    fb::Query q(t, QStringLiteral("INSERT INTO BENCH_DATA VALUES (:ID, LPAD('', 4000, UUID_TO_CHAR(GEN_UUID())))"));
    t.start();
    for (int i = 0; i < rows; ++i) {
        q.setInt("ID", i);
        q.execute();
    }
    t.commit();
}

} // namespace testenv

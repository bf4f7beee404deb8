#include "core/DataModule.h"

#include "core/TDataInfomation.h"
#include "core/TDataListRec.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbServices.h"

#include <QFileInfo>
#include <QWidget>
#include <functional>

TDM* DM = nullptr;
std::function<std::unique_ptr<TDataListStore>()> CreateDataListStoreProc;

namespace {

// File input/output error: the database file itself cannot be reached, a data check would not help.
constexpr qint64 IscIoError = 335544344;

const QString kDefConnectFailed = QStringLiteral("システムデータベースの接続処理に失敗しました。");
const QString kDatConnectFailed =
    QStringLiteral("ユーザーデータベースの接続処理に失敗しました。\r"
                   "DBファイルが削除、破損 または 使用中の可能性がありますので接続パスを確認して下さい。");
const QString kDisconnectFailed = QStringLiteral("ユーザーデータベースの切断処理に失敗しました。");
const QString kInConnectionFailed = QStringLiteral("データベースの使用情報の取得に失敗しました。");
const QString kDropFailed =
    QStringLiteral("ユーザーデータベースの削除処理に失敗しました。\r接続パスを確認して下さい。");

QString detailOf(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

QString hostOrDefault(const QString& host) {
    return host.isEmpty() ? SystemDef.HOSTNAME : host;
}

// In client/server mode every database goes through the server, also one on this computer named by the
// loopback address or the computer's name: on Linux the embedded engine cannot share a file that a running
// server holds.
bool isServerHost() {
    return ConnectMode != 0;
}

// The file part of a database name ("host:/folder/file" or "/folder/file").
QString fileOfDatabaseName(const QString& name) {
    if (!fb::Database::isRemotePath(name))
        return name;
    return name.mid(name.indexOf(u':') + 1);
}

} // namespace

// The embedded engine holds a database file for one process at a time: another process that has it
// open makes an attachment fail with a lock error (the engine's "already opened" case).
bool DatabaseHeldByAnotherProcess(const QString& file) {
    if (!QFileInfo::exists(file))
        return false;
    fb::ConnectOptions options;
    options.user = SystemDef.USER;
    options.password = SystemDef.PASSWORD;
    fb::Database probe(file, options);
    try {
        probe.attach();
        probe.detach();
        return false;
    } catch (const fb::Error& e) {
        return e.statusCode() == IscIoError && e.message().contains(QStringLiteral("engine instance"));
    }
}

// ---- OwnTransaction -------------------------------------------------------------------------------

OwnTransaction::OwnTransaction(fb::Transaction& transaction) : m_transaction(transaction) {
    if (!transaction.isActive()) {
        transaction.start();
        m_started = true;
    }
}

OwnTransaction::~OwnTransaction() {
    try {
        rollback();
    } catch (const fb::Error&) {
        // The connection is gone; the engine ends the transaction with it.
    }
}

void OwnTransaction::commit() {
    if (m_started && m_transaction.isActive()) {
        m_started = false;
        m_transaction.commit();
    }
    m_started = false;
}

void OwnTransaction::rollback() {
    if (m_started && m_transaction.isActive()) {
        m_started = false;
        m_transaction.rollback();
    }
    m_started = false;
}

void OwnTransaction::commitAlways() {
    if (m_started)
        commit();
    else if (m_transaction.isActive())
        m_transaction.commitRetaining();
}

// ---- TDM ------------------------------------------------------------------------------------------

TDM::TDM(QObject* parent)
    : QObject(parent), IBTransactionDEF(IBDatabaseDEF), IBTransactionDAT(IBDatabaseDAT),
      IBTransactionDATSS(IBDatabaseDAT, {QStringLiteral("concurrency"), QStringLiteral("nowait")}),
      IBTransFileMan(IBFileMan), IBQSysDefGet(IBTransactionDEF), IBQSysDefPut(IBTransactionDEF),
      QueryDef(IBTransactionDEF), IBSQLDEF(IBTransactionDEF), IBQACC1(IBTransactionDAT),
      IBQACC2(IBTransactionDAT), IBQueryFileMan(IBTransFileMan), IBSQLFileMan(IBTransFileMan) {
    TimerFormClose.setInterval(100);
    TimerSyoriKidou.setInterval(100);
    connect(&TimerFormClose, &QTimer::timeout, this, [this] {
        try {
            TimerFormCloseTimer();
        } catch (const std::exception& e) {
            ShowErrDetail(e.what(), {}, ui::MsgKind::Error);
        }
    });
    connect(&TimerSyoriKidou, &QTimer::timeout, this, [this] {
        try {
            TimerSyoriKidouTimer();
        } catch (const std::exception& e) {
            ShowErrDetail(e.what(), {}, ui::MsgKind::Error);
        }
    });
    if (!DM)
        DM = this;
    ErrLogDatabaseNameProc = [this] { return IBDatabaseDAT.path(); };
}

TDM::~TDM() {
    ErrLogDatabaseNameProc = nullptr;
    if (DM == this)
        DM = nullptr;
}

QString TDM::DatabaseName(const QString& host, const QString& folder, const QString& file) {
    const QString h = hostOrDefault(host);
    const QString f = ExcludePathDelim(folder.isEmpty() ? SystemDef.DataDir : folder);
    if (isServerHost())
        return QStringLiteral("%1:%2/%3").arg(h, f, file);
    return QStringLiteral("%1/%2").arg(f, file);
}

QStringList TDM::ConnectParams() {
    return {QStringLiteral("user_name=") + SystemDef.USER, QStringLiteral("password=") + SystemDef.PASSWORD,
            QStringLiteral("lc_ctype=SJIS_0208")};
}

void TDM::connectDatabase(fb::Database& database, const QString& name) {
    database.setParams({});
    database.setPath(name);
    database.setParams(ConnectParams());
    database.attach();
}

bool TDM::fnAccDefConnected(const QString& host, int report) {
    if (IBDatabaseDEF.isConnected())
        return true;
    try {
        connectDatabase(IBDatabaseDEF, DatabaseName(host, SystemDef.SYSDIR, SysDbFileName));
        return IBDatabaseDEF.isConnected();
    } catch (const fb::Error& e) {
        if (report != 1)
            throw;
        ErrFbAccess(e, QStringLiteral("TDM.fnAccDefConnected"), kDefConnectFailed, false);
    } catch (const std::exception& e) {
        if (report != 1)
            throw;
        ShowErrDetail(kDefConnectFailed, detailOf(e), ui::MsgKind::Error);
    }
    return false;
}

bool TDM::fnFileManConnected(const QString& host) {
    try {
        const QString file = SystemDef.SYSDIR + QStringLiteral("/plfileman.fdb");
        if (!ServerFExist(file, ConnectMode))
            return false;
        if (IBFileMan.isConnected())
            return true;
        connectDatabase(IBFileMan, DatabaseName(host, SystemDef.SYSDIR, QStringLiteral("plfileman.fdb")));
        return IBFileMan.isConnected();
    } catch (const std::exception&) {
        return false;
    }
}

bool TDM::fnAccDatConnected(const QString& host, const QString& folder, int markInUse) {
    try {
        try {
            IBDatabaseDAT.detach();
        } catch (const fb::Error&) {
            // A connection that is already lost is gone all the same.
        }
        connectDatabase(IBDatabaseDAT, DatabaseName(host, folder, DataFileName));
        if (markInUse == 1) {
            TDataInfomation info;
            info.ConnectMode = ConnectMode;
            TDataInfomationRec rec;
            info.GetDataInfoRec(rec);
            rec.STATUS = 2;
            rec.OPCODE = SystemDef.OPCODE;
            rec.OPERATOR = SystemDef.OperatorName;
            if (ConnectMode == 0)
                info.WriteIniFile(folder.isEmpty() ? SystemDef.DataDir : folder, {}, rec);
        }
        return IBDatabaseDAT.isConnected();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.fnAccDatConnected"), kDatConnectFailed, false);
        if (e.statusCode() != IscIoError)
            CallDataCheck(host, folder, 0, 1);
    } catch (const std::exception& e) {
        ShowErrDetail(kDatConnectFailed, detailOf(e), ui::MsgKind::Error);
    }
    return false;
}

bool TDM::fnAccDatDisConnected(const QString& folder, int markFree, int refreshList) {
    const QString dir = folder.isEmpty() ? SystemDef.DataDir : folder;
    const bool refresh = refreshList == 1 && AppKind == 0;
    // Whatever happens to the mark, the dataset ends disconnected.
    struct Disconnect {
        fb::Database& db;
        ~Disconnect() {
            try {
                db.detach();
            } catch (const fb::Error&) {
            }
            db.setParams({});
        }
    } disconnect{IBDatabaseDAT};

    if (markFree != 1 && !refresh)
        return true;
    // A close path: each step that fails is reported and the disconnect goes on.
    auto reported = [](const std::function<void()>& step) {
        try {
            step();
            return true;
        } catch (const fb::Error& e) {
            ErrFbAccess(e, QStringLiteral("TDM.fnAccDatDisConnected"), kDisconnectFailed, false);
        } catch (const std::exception& e) {
            ShowErrDetail(kDisconnectFailed, detailOf(e), ui::MsgKind::Error);
        }
        return false;
    };
    TDataInfomation info;
    info.ConnectMode = ConnectMode;
    TDataInfomationRec rec;
    // Without the dataset's own record there is nothing sound to write.
    if (!reported([&] { info.GetDataInfoRec(rec); }))
        return true;
    rec.STATUS = 1;
    if (markFree == 1 && ConnectMode == 0)
        reported([&] { info.WriteIniFile(dir, {}, rec); });
    if (refresh && CreateDataListStoreProc)
        reported([&] { refreshListRow(dir, rec); });
    return true;
}

void TDM::refreshListRow(const QString& dir, const TDataInfomationRec& rec) {
    std::unique_ptr<TDataListStore> list = CreateDataListStoreProc();
    list->SetConnectMode(ConnectMode);
    list->SetDataPlace(SystemDef.ServerDataPlace);
    TDataListRec row;
    list->InitDataListRec(row, dir);
    list->GetDataListRecord(1, row, true);
    row.GROUPID = SystemDef.GROUPID;
    row.DATACODE = rec.CODE;
    row.SHOUGOU = rec.SHOUGOU;
    row.NENDO = rec.NENDO;
    row.KISHU = StrToDateFixed(rec.KISHU);
    row.KIMATU = StrToDateFixed(rec.KIMATU);
    row.DATATYPE = rec.DATAKBN;
    row.CODETYPE = rec.CODEKBN;
    row.TANTOU = rec.TANTO;
    row.VER_MAJOR = rec.MAJOR;
    row.VER_MINOR1 = rec.MINOR1;
    row.VER_MINOR2 = rec.MINOR2;
    row.VER_TEXT = rec.VERSION2;
    row.GASSAN = rec.GASSANKBN;
    row.CLOUD = rec.CLOUD_SHARE;
    list->UpdateDataListRecord(row, true, true);
}

bool TDM::AccDatInConnection(int kind, const QString& host, bool keepOwnConnection, const QString& folder) {
    const QString h = hostOrDefault(host);
    if (folder.trimmed().isEmpty())
        return false;
    const QString file = kind == 0 ? SysDbFileName : DataFileName;
    QString target;
    GetShortFileName(ExcludePathDelim(folder) + u'/' + file, ConnectMode, target);
    target = target.toLower();

    fb::Database& own = kind == 0 ? IBDatabaseDEF : IBDatabaseDAT;
    const bool ownIsTarget = own.isConnected() && fileOfDatabaseName(own.path()).toLower() == target;
    if (ownIsTarget && !keepOwnConnection) {
        // Dropping the connection would end the work running in its transactions: that work is a use.
        const bool busy = kind == 0 ? IBTransactionDEF.isActive()
                                    : (IBTransactionDAT.isActive() || IBTransactionDATSS.isActive());
        if (busy)
            return true;
    }
    QString reconnectPath;
    QStringList reconnectParams;
    bool result = false;
    try {
        if (ownIsTarget && !keepOwnConnection) {
            reconnectPath = own.path();
            reconnectParams = own.options().toParams();
            own.detach();
        }
        fb::ServiceOptions options;
        options.host = isServerHost() ? h : QString();
        options.user = SystemDef.USER;
        options.password = SystemDef.PASSWORD;
        fb::Services services(options);
        for (const QString& name : services.attachedDatabases()) {
            QString shortName;
            GetShortFileName(name.toLower(), ConnectMode, shortName);
            if (shortName.toLower() == target) {
                result = true;
                break;
            }
        }
        // The embedded engine lists only this process's attachments; another process that holds the
        // file shows when the file cannot be opened here.
        if (!result && options.host.isEmpty())
            result = DatabaseHeldByAnotherProcess(ExcludePathDelim(folder) + u'/' + file);
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.AccDatInConnection"), kInConnectionFailed, true);
    } catch (const std::exception& e) {
        ShowErrDetail(kInConnectionFailed, detailOf(e), ui::MsgKind::Error);
    }
    if (!reconnectPath.isEmpty() && !own.isConnected()) {
        try {
            own.setPath(reconnectPath);
            own.setParams(reconnectParams);
            own.attach();
        } catch (const fb::Error& e) {
            ErrFbAccess(e, QStringLiteral("TDM.AccDatInConnection"), kInConnectionFailed, true);
        }
    }
    return result;
}

bool TDM::AccDatDropDatabase(const QString& host, const QString& folder) {
    const QString h = hostOrDefault(host);
    if (folder.isEmpty())
        return false;
    const QString local = ExcludePathDelim(folder) + u'/' + DataFileName;
    try {
        fb::Database database;
        database.setPath(ConnectMode != 0 ? h + u':' + local : local);
        database.setParams(ConnectParams());
        database.attach();
        database.drop();
        return true;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.AccDatDropDatabase"), kDropFailed, true);
    } catch (const std::exception& e) {
        ShowErrDetail(kDropFailed, detailOf(e), ui::MsgKind::Error);
    }
    return false;
}

int TDM::CallDataCheck(const QString& host, const QString& folder, int force, int quiet) {
    if (force != 1 && SystemDef.DataCheck != 1)
        return 1;
    if (!DataCheckProc)
        return 1;
    int result = 1;
    DataCheckProc(host, folder, quiet, result);
    return result;
}

void TDM::TimerFormCloseTimer() {
    TimerFormClose.stop();
    if (QWidget* window = FormCloseTag.data()) {
        FormCloseTag.clear();
        QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
    }
}

void TDM::TimerSyoriKidouTimer() {
    TimerSyoriKidou.stop();
    const QString name = SyoriKidouName;
    const qint32 number = SyoriKidouNo;
    const QString params = SyoriKidouParams;
    SyoriKidouName.clear();
    SyoriKidouNo = 0;
    SyoriKidouParams.clear();
    if (RunDialogByNameProc)
        RunDialogByNameProc(name, number, params);
}

KeepAccountingConnection::KeepAccountingConnection() {
    if (DM && DM->IBDatabaseDAT.isConnected()) {
        m_path = DM->IBDatabaseDAT.path();
        m_params = DM->IBDatabaseDAT.options().toParams();
    }
}

KeepAccountingConnection::~KeepAccountingConnection() {
    if (m_path.isEmpty() || !DM || DM->IBDatabaseDAT.isConnected())
        return;
    try {
        DM->IBDatabaseDAT.setPath(m_path);
        DM->IBDatabaseDAT.setParams(m_params);
        DM->IBDatabaseDAT.attach();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("TDM.fnAccDatConnected"), kDatConnectFailed, false);
    }
}

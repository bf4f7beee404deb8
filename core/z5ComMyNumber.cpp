#include "core/z5ComMyNumber.h"

#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction_AccReg.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "platform/firebird/FbError.h"

#include <QFileInfo>

std::function<TDateTime()> TMyNumberIO::NowProc = [] { return TDateTime::now(); };

namespace {

constexpr qint64 kIscUniqueKeyViolation = 335544665;
constexpr int kAddLogAttempts = 4;

const QString kGroup = QStringLiteral("基本設定");
const QString kUse = QStringLiteral("＃USE");
const QString kKey = QStringLiteral("＃KEY");
const QString kValue = QStringLiteral("＃VALUE");

const QString kListFailed = QStringLiteral("管理ログリストの取得に失敗しました。");
const QString kAddFailed = QStringLiteral("管理ログリストの追加に失敗しました。");
const QString kMergeFailed = QStringLiteral("管理ログリストのマージに失敗しました。");
const QString kDeleteFailed = QStringLiteral("管理ログリストの削除に失敗しました。");
const QString kSettingFailed = QStringLiteral("マイナンバー情報の取得に失敗しました。");

QString commentOf(int kind, const QString& procName) {
    static const char* const verbs[] = {"**",           "が登録",
                                        "が変更",       "が削除",
                                        "が参照",       "が印刷",
                                        "を含むデータが保存", "を含むデータが復元",
                                        "を含めずにデータが保存", "が既定値に設定",
                                        "が変更"};
    switch (kind) {
    case 6:
        if (procName.contains(QStringLiteral("送信")))
            return QStringLiteral("マイナンバー情報を含むデータが送信されました。");
        break;
    case 7:
        if (procName.contains(QStringLiteral("受信")))
            return QStringLiteral("マイナンバー情報を含むデータが受信されました。");
        break;
    case 8:
        if (procName.contains(QStringLiteral("送信")))
            return QStringLiteral("マイナンバー情報を含めずにデータが送信されました。");
        break;
    case 9:
        return QStringLiteral("マイナンバー管理パスワードを既定値に設定しました。");
    case 10:
        return QStringLiteral("マイナンバー管理パスワードを変更しました。");
    default:
        break;
    }
    const QString verb = kind >= 0 && kind <= 10 ? QString::fromUtf8(verbs[kind]) : QStringLiteral("**");
    return QStringLiteral("マイナンバー情報") + verb + QStringLiteral("されました。");
}

// The dataset of a database path on the module's accounting connection for one operation: used as it
// is when the module has it open; otherwise connected here, and afterwards disconnected with the
// module's earlier connection attached again (by the keeper, which goes after the session's end).
class DatasetSession {
public:
    DatasetSession(const QString& host, const QString& path, bool mustExist) {
        m_folder = ExcludeFolderOf(path);
        if (mustExist && !DM->ServerFExist(path, ConnectMode))
            return;
        fb::Database& db = DM->IBDatabaseDAT;
        if (db.isConnected() && db.path() == TDM::DatabaseName(host, m_folder, DataFileName)) {
            m_ok = true;
            return;
        }
        m_connectedHere = true;
        m_ok = DM->fnAccDatConnected(host, m_folder, 0);
    }
    ~DatasetSession() {
        if (!m_connectedHere)
            return;
        DM->fnAccDatDisConnected(m_folder, 0, 0);
    }
    DatasetSession(const DatasetSession&) = delete;
    DatasetSession& operator=(const DatasetSession&) = delete;
    bool ok() const { return m_ok; }

private:
    static QString ExcludeFolderOf(const QString& path) { return QFileInfo(path).path(); }

    KeepAccountingConnection m_keep; // constructed first, so it attaches again last
    QString m_folder;
    bool m_connectedHere = false;
    bool m_ok = false;
};

// Runs an operation on the accounting transaction (started when none runs, ended only when started
// here) and shows its failure: database errors through the reporter with the context, others with
// the message and the error's text.
template <typename F>
bool reported(const QString& context, const QString& message, F&& work) {
    try {
        OwnTransaction own(DM->IBTransactionDAT);
        work();
        own.commit();
        return true;
    } catch (const fb::Error& e) {
        if (context.isEmpty())
            ShowErrDetail(message, e.message(), ui::MsgKind::Error);
        else
            ErrFbAccess(e, context, message);
    } catch (const std::exception& e) {
        ShowErrDetail(message, QString::fromUtf8(e.what()), ui::MsgKind::Error);
    }
    return false;
}

} // namespace

bool AskMyNumberAdminPassword(const QString& password) {
    if (SystemDef.MYNUMBER_ADM == 0)
        return true;
    if (password.isEmpty())
        return false;
    ui::InputRequest request;
    request.caption = QStringLiteral("マイナンバー管理パスワードの確認");
    request.prompt = QStringLiteral("マイナンバー管理パスワードを入力して下さい。");
    request.password = true;
    request.maxLength = 8;
    request.lettersAndDigitsOnly = true;
    request.hint = QStringLiteral("パスワード(英数字8文字以内)を入力し、[OK]ボタンを押して下さい。"
                                  "3回続けて失敗すると呼出し元の画面に戻ります。");
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) {
            request.prompt = QStringLiteral("正しいパスワードを入力して下さい。");
            request.promptAlert = true;
            request.initial.clear();
        }
        const std::optional<QString> entry = ui::current().input(request);
        if (!entry)
            return false;
        if (DeleteAllSpaces(*entry) == password)
            return true;
    }
    return false;
}

void TMyNumberIO::MakeLogRec(TMyNumberLogRec& row, int kind, const QString& procName) const {
    row.FHIZUKE = TDateTime();
    row.FSERIAL = SystemDef.AppVer;
    row.FOPCODE = QString::number(SystemDef.LoginCode);
    row.FOPNAME = SystemDef.OperatorName;
    row.FHOST = HeadStrB(SystemDef.PCName, 60).trimmed();
    row.FSTATE = quint8(kind);
    row.FPROCNAME = HeadStrB(procName, 40).trimmed();
    row.FCOMMENT = HeadStrB(commentOf(kind, procName), 100).trimmed();
}

void TMyNumberIO::readLog(int newestFirst) {
    LogList.clear();
    Count = 0;
    SHOUGOU.clear();
    fb::Query q(DM->IBTransactionDAT, QStringLiteral("SELECT SHOUGOU FROM ACCDEF1\nWHERE REC=1"));
    q.open();
    if (!q.eof())
        SHOUGOU = q.field("SHOUGOU").asString();
    q.close();
    const int rows = [&] {
        fb::Query c(DM->IBTransactionDAT,
                    QStringLiteral("SELECT COUNT(FSERIAL) AS RECCNT FROM MYNUMBER_LOG"));
        return c.openInt("RECCNT");
    }();
    if (rows <= 0)
        return;
    LogList.reserve(rows);
    q.setSql(QStringList{QStringLiteral("SELECT FHIZUKE,FSERIAL,FOPCODE,FOPNAME,FHOST,FSTATE,FPROCNAME,FCOMMENT"),
                         QStringLiteral("FROM MYNUMBER_LOG"),
                         newestFirst == 1 ? QStringLiteral("ORDER BY FHIZUKE DESC,FSERIAL,FOPCODE")
                                          : QStringLiteral("ORDER BY FHIZUKE,FSERIAL,FOPCODE")});
    for (q.open(); !q.eof(); q.next()) {
        TMyNumberLogRec r;
        r.FHIZUKE = fb::asDateTime(q.field("FHIZUKE"));
        r.FSERIAL = q.field("FSERIAL").asString();
        r.FOPCODE = q.field("FOPCODE").asString();
        r.FOPNAME = q.field("FOPNAME").asString();
        r.FHOST = q.field("FHOST").asString();
        r.FSTATE = quint8(q.field("FSTATE").asInt());
        r.FPROCNAME = q.field("FPROCNAME").asString();
        r.FCOMMENT = q.field("FCOMMENT").asString();
        LogList.push_back(r);
    }
    Count = int(LogList.size());
}

void TMyNumberIO::GetLogList(int newestFirst) {
    if (!reported(QString(), kListFailed, [&] { readLog(newestFirst); })) {
        LogList.clear();
        Count = 0;
    }
}

void TMyNumberIO::GetLogListOfData(const QString& host, const QString& path) {
    DatasetSession session(host, path, true);
    if (session.ok())
        GetLogList(0);
}

void TMyNumberIO::AddLog(TMyNumberLogRec& row) {
    // A row that meets an existing key is tried again with a new time; when every attempt meets one,
    // the last refusal is reported as any other database error, so a log row is never lost unseen.
    for (int attempt = 1; attempt <= kAddLogAttempts; ++attempt) {
        try {
            OwnTransaction own(DM->IBTransactionDAT);
            if (row.FHIZUKE.isNull())
                row.FHIZUKE = NowProc();
            fb::Query q(DM->IBTransactionDAT);
            q.setSql(QStringList{
                QStringLiteral("INSERT INTO MYNUMBER_LOG(FHIZUKE,FSERIAL,FOPCODE,FOPNAME,FHOST,FSTATE,FPROCNAME,FCOMMENT)"),
                QStringLiteral("VALUES(:FHIZUKE,:FSERIAL,:FOPCODE,:FOPNAME,:FHOST,:FSTATE,:FPROCNAME,:FCOMMENT)")});
            fb::setDateTime(q, "FHIZUKE", row.FHIZUKE);
            q.setString("FSERIAL", row.FSERIAL);
            q.setString("FOPCODE", row.FOPCODE);
            q.setString("FOPNAME", row.FOPNAME);
            q.setString("FHOST", row.FHOST);
            q.setInt("FSTATE", row.FSTATE);
            q.setString("FPROCNAME", row.FPROCNAME);
            q.setString("FCOMMENT", row.FCOMMENT);
            q.execute();
            own.commit();
            return;
        } catch (const fb::Error& e) {
            if (e.statusCode() == kIscUniqueKeyViolation && attempt < kAddLogAttempts) {
                row.FHIZUKE = TDateTime();
                continue;
            }
            ErrFbAccess(e, QStringLiteral("TMyNumberIO.AddLog"), kAddFailed);
            return;
        } catch (const std::exception& e) {
            ShowErrDetail(kAddFailed, QString::fromUtf8(e.what()), ui::MsgKind::Error);
            return;
        }
    }
}

void TMyNumberIO::AddLogToData(const QString& host, const QString& path, TMyNumberLogRec& row) {
    DatasetSession session(host, path, true);
    if (session.ok())
        AddLog(row);
}

void TMyNumberIO::MergeLogList(const QString& host, const QString& path) {
    if (SHOUGOU.isEmpty())
        return;
    DatasetSession session(host, path, true);
    if (!session.ok())
        return;
    reported(QString(), kMergeFailed, [&] {
        fb::Query q(DM->IBTransactionDAT, QStringLiteral("SELECT SHOUGOU FROM ACCDEF1\nWHERE REC=1"));
        q.open();
        const QString company = q.eof() ? QString() : q.field("SHOUGOU").asString();
        q.close();
        if (company != SHOUGOU)
            return;
        q.setSql(QStringList{
            QStringLiteral("SELECT COUNT(FHIZUKE) AS RECCNT FROM MYNUMBER_LOG"),
            QStringLiteral("WHERE (FHIZUKE=:FHIZUKE) AND (FSERIAL=:FSERIAL) AND (FOPCODE=:FOPCODE) AND (FHOST=:FHOST)")});
        for (TMyNumberLogRec& row : LogList) {
            fb::setDateTime(q, "FHIZUKE", row.FHIZUKE);
            q.setString("FSERIAL", row.FSERIAL);
            q.setString("FOPCODE", row.FOPCODE);
            q.setString("FHOST", row.FHOST);
            if (q.openInt("RECCNT") == 0) {
                TMyNumberLogRec copy = row;
                AddLog(copy);
            }
        }
    });
}

void TMyNumberIO::DeleteLog(const TMyNumberLogRec& row) {
    reported(QString(), kDeleteFailed, [&] {
        fb::Query q(DM->IBTransactionDAT);
        q.setSql(QStringList{QStringLiteral("DELETE FROM MYNUMBER_LOG"),
                             QStringLiteral("WHERE (FHIZUKE=:FHIZUKE) AND (FSERIAL=:FSERIAL) AND (FOPCODE=:FOPCODE)")});
        fb::setDateTime(q, "FHIZUKE", row.FHIZUKE);
        q.setString("FSERIAL", row.FSERIAL);
        q.setString("FOPCODE", row.FOPCODE);
        q.execute();
    });
}

void TMyNumberIO::GetMyNumberSetting(const QString& host, const QString& path, const QString& command,
                                     const QString& procName) {
    UseFlag = 0;
    DatasetSession session(host, path, true);
    if (!session.ok())
        return;
    reported(QString(), kSettingFailed, [&] {
        UseFlag = GetAccReg(kGroup, kUse, typeword::Integer, QStringLiteral("0")).toInt();
        AdminPassword = GetAccReg(kGroup, kKey, typeword::Text, QString()).toString();
        ValueText = GetAccReg(kGroup, kValue, typeword::Text, QString()).toString();
        if (command.toUpper() != QLatin1String("MYNUMBER_CLEAR"))
            return;
        PutAccReg(kGroup, kUse, typeword::Integer, 0);
        DeleteAccReg(kGroup, kKey);
        DeleteAccReg(kGroup, kValue);
        MakeLogRec(WorkRec, 3, procName.isEmpty() ? QStringLiteral("アプリケーション") : procName);
        AddLog(WorkRec);
    });
}

void TMyNumberIO::PutMyNumberSetting(const QString& host, const QString& path) {
    if (UseFlag != 1)
        return;
    DatasetSession session(host, path, false);
    if (!session.ok())
        return;
    reported(QString(), kSettingFailed, [&] {
        PutAccReg(kGroup, kUse, typeword::Integer, UseFlag);
        if (!AdminPassword.isEmpty())
            PutAccReg(kGroup, kKey, typeword::Text, AdminPassword);
        if (!ValueText.isEmpty())
            PutAccReg(kGroup, kValue, typeword::Text, ValueText);
    });
    DeleteLog(WorkRec);
}

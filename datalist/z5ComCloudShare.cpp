#include "datalist/z5ComCloudShare.h"

#include "core/DataModule.h"
#include "core/TDataInfomation.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbDatabase.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QFileInfo>
#include <optional>

namespace {

bool sameDatabase(const QString& a, const QString& b) {
    if (a == b)
        return true;
    if (a.contains(u':') || b.contains(u':'))
        return false;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

QString dataVersion(fb::Transaction& t) {
    fb::Query q(t, QStringList{QStringLiteral("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION"),
                               QStringLiteral("ORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC")}
                       .join(u'\n'));
    q.open();
    if (q.eof())
        return QStringLiteral("0.0.0");
    return QStringLiteral("%1.%2.%3")
        .arg(q.field("MAJOR").asInt())
        .arg(q.field("MINOR1").asInt())
        .arg(q.field("MINOR2").asInt());
}

} // namespace

bool TCloudShareIO::run(const QString& host, const QString& folder, const Failure& failure,
                        const std::function<void(fb::Transaction&)>& work) {
    // No folder would name the data folder's own database, not a dataset.
    if (folder.trimmed().isEmpty())
        return false;
    const QString target = TDM::DatabaseName(host, folder, DataFileName);
    fb::Database* database = &DM->IBDatabaseDAT;
    bool connectedHere = false;
    std::optional<fb::Database> own;
    const auto reportDb = [&](const fb::Error& e) { ErrFbAccess(e, failure.context, failure.dbMessage); };
    if (!DM->IBDatabaseDAT.isConnected()) {
        if (!DM->fnAccDatConnected(host, folder, 0))
            return false;
        connectedHere = true;
    } else if (!sameDatabase(DM->IBDatabaseDAT.path(), target)) {
        // Another dataset is open: its connection is not this folder's database.
        own.emplace();
        try {
            own->setPath(target);
            own->setParams(TDM::ConnectParams());
            own->attach();
        } catch (const fb::Error& e) {
            reportDb(e);
            return false;
        }
        database = &*own;
    }

    bool ok = false;
    {
        fb::Transaction transaction(*database, fb::Transaction::defaultParams());
        try {
            transaction.start();
            if (IsVersionNewer(dataVersion(transaction), QStringLiteral("11.0.0")))
                work(transaction);
            transaction.commit();
            ok = true;
        } catch (const fb::Error& e) {
            reportDb(e);
        } catch (const std::exception& e) {
            ShowErrDetail(failure.otherMessage, QString::fromUtf8(e.what()), ui::MsgKind::Error);
        }
        if (transaction.isActive()) {
            try {
                transaction.rollback();
            } catch (const fb::Error&) {
                // Already reported; the connection goes below.
            }
        }
    }
    if (own) {
        try {
            own->detach();
        } catch (const fb::Error&) {
        }
    }
    if (connectedHere)
        DM->fnAccDatDisConnected(folder, 0, 0);
    return ok;
}

bool TCloudShareIO::SetCloudLine(const QString& host, const QString& folder, qint32 value) {
    static const QString kFailed = QStringLiteral("クラウドシェアの設定に失敗しました。");
    return run(host, folder, {QStringLiteral("TComCloudShare.ClearSetting"), kFailed, kFailed},
               [&](fb::Transaction& t) {
                   fb::Query q(t, QStringLiteral("UPDATE ACCDEF1 SET CLOUD_LINE=:CLOUD_LINE\nWHERE REC=1"));
                   q.setInt("CLOUD_LINE", value);
                   q.execute();
                   if (ConnectMode == 0) {
                       TDataInfomation info;
                       info.ConnectMode = ConnectMode;
                       // Throws when the ini cannot be written: the database keeps its old value then.
                       info.WriteIniValue(folder, TDataInfomation::SectionInfo, false,
                                          value > 0 ? QStringLiteral("1") : QStringLiteral("0"),
                                          QStringLiteral("CLOUD_SHARE"));
                   }
               });
}

bool TCloudShareIO::ClearSetting(const QString& host, const QString& folder) {
    return SetCloudLine(host, folder, 0);
}

qint32 TCloudShareIO::GetCloudLine(const QString& host, const QString& folder) {
    qint32 value = 0;
    run(host, folder,
        {QStringLiteral("TComCloudShare.ClearSetting"),
         QStringLiteral("クラウドシェアの参照に失敗しました。"),
         QStringLiteral("クラウドシェアの設定に参照しました。")},
        [&](fb::Transaction& t) {
            fb::Query q(t, QStringLiteral("SELECT CLOUD_LINE FROM ACCDEF1\nWHERE REC=1"));
            for (q.open(); !q.eof(); q.next())
                value = q.field("CLOUD_LINE").asInt();
        });
    return value;
}

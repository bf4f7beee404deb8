// The bookkeeping around a transfer: comparing a received dataset with the local one, keeping the merged
// data's settings across a receive, the cloud-share area and time of the dataset, the receive-complete
// notice, the approved-journal check and the upload to the management-analysis service. Each database
// operation opens the dialog's own connection to the dataset and closes it again.
#include "tusin/z5DataTusin.h"

#include "clouddump/z5FtpWebDbSqlDump.h"
#include "controls/PerfectGrid.h"
#include "controls/z5MessageDlg.h"
#include "core/DataModule.h"
#include "core/FbValues.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccFunction_ErrLog.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "tusin/z5WaitMess.h"

#include <QScopedValueRollback>

namespace {

const QString kConnectFailed =
    QStringLiteral("ユーザーデータベースの接続処理に失敗しました。\rDBファイルが削除、破損 または 使用中の可能性"
                   "がありますので接続パスを確認して下さい。");
const QString kAccRegFailed = QStringLiteral("基本情報の取得に失敗しました。\r");
const QString kGassanGroup = QStringLiteral("基本設定");
const QString kGassanKbn = QStringLiteral("合算データ区分");
const QString kGassanCount = QStringLiteral("合算データ数");

// A data version above 11.0.0 has the cloud-share columns in ACCDEF1.
bool above11(int major, int minor1, int minor2) {
    return major >= 12 || (major == 11 && (minor1 >= 1 || (minor1 == 0 && minor2 >= 1)));
}

struct Version {
    int major = 0, minor1 = 0, minor2 = 0;
};

Version readVersion(fb::Transaction& t) {
    fb::Query q(t, QStringLiteral("SELECT * FROM ACCVERSION\nWHERE REC=:REC"));
    q.setInt("REC", 1);
    q.open();
    Version v;
    if (!q.eof()) {
        v.major = q.field("MAJOR").asInt();
        v.minor1 = q.field("MINOR1").asInt();
        v.minor2 = q.field("MINOR2").asInt();
    }
    q.close();
    return v;
}

// Runs work in the connection's own transaction; a statement failure is reported under the context and
// message, then the transaction is committed (commit) or rolled back. True when the work ran through.
bool runReported(fb::Database& db, const QString& context, const QString& message, bool commitOnFailure,
                 const std::function<void(fb::Transaction&)>& work) {
    fb::Transaction t(db);
    try {
        t.start();
        work(t);
        t.commit();
        return true;
    } catch (const fb::Error& e) {
        ErrFbAccess(e, context, message, true);
    } catch (const std::exception& e) {
        ShowErrDetail(message, QString::fromUtf8(e.what()), ui::MsgKind::Error);
    }
    try {
        if (t.isActive()) {
            if (commitOnFailure)
                t.commit();
            else
                t.rollback();
        }
    } catch (const fb::Error&) {
    }
    return false;
}

QString dateText(const QString& yyyymmdd) {
    if (SystemDef.WarekiDisp == 0)
        return yyyymmdd;
    return DateToStrFmt(QStringLiteral("yy/mm/dd"), 2, StrToDateFixed(yyyymmdd));
}

} // namespace

std::unique_ptr<fb::Database> OpenDatasetConnection(const QString& folder) {
    const QString name = TDM::DatabaseName(SystemDef.HOSTNAME, ExcludePathDelim(folder), DataFileName);
    auto db = std::make_unique<fb::Database>(name, fb::ConnectOptions::fromParams(TDM::ConnectParams()));
    try {
        db->attach();
    } catch (const fb::Error& e) {
        ErrFbAccess(e, QStringLiteral("Bunsan DatConnected"), kConnectFailed, false);
        throw;
    } catch (const std::exception& e) {
        ShowErrDetail(kConnectFailed, QString::fromUtf8(e.what()), ui::MsgKind::Error);
        throw;
    }
    return db;
}

std::unique_ptr<fb::Database> TfmDataTusin::openDataConnection() {
    return OpenDatasetConnection(OperationFolder());
}

// ---- comparisons ---------------------------------------------------------------------------------------

QStringList TfmDataTusin::CompareLines(const QString& procName, const TCompareInfo& source,
                                       const TCompareInfo& destination) {
    QStringList lines;
    const auto pair = [&](const QString& heading, const QString& from, const QString& to) {
        lines << heading << QStringLiteral("　【%1元】：%2").arg(procName, from)
              << QStringLiteral("　【%1先】：%2").arg(procName, to) << QString();
    };
    if (source.SHOUGOU != destination.SHOUGOU)
        pair(QStringLiteral("会社名に違いがありました。"), source.SHOUGOU, destination.SHOUGOU);
    if (source.KISHU != destination.KISHU)
        pair(QStringLiteral("期首に違いがありました。"), dateText(source.KISHU), dateText(destination.KISHU));
    if (source.KIMATU != destination.KIMATU)
        pair(QStringLiteral("期末に違いがありました。"), dateText(source.KIMATU), dateText(destination.KIMATU));
    if (source.TOTALSIWAKE < destination.TOTALSIWAKE)
        pair(QStringLiteral("仕訳件数(修正・削除仕訳含む)が減っています。"),
             IntToComma(source.TOTALSIWAKE) + QStringLiteral(" 件"),
             IntToComma(destination.TOTALSIWAKE) + QStringLiteral(" 件"));
    return lines;
}

bool TfmDataTusin::CompareDataInfo(const QString& procName, const TCompareInfo& source,
                                   const TCompareInfo& destination) {
    const auto blank = [](const TCompareInfo& i) {
        return i.SHOUGOU.isEmpty() && i.KISHU.isEmpty() && i.KIMATU.isEmpty();
    };
    if (blank(source)) {
        ui::showMessage(ui::MsgKind::Warning, QStringLiteral("%1処理元のデータ情報が不正です。\r").arg(procName),
                        ui::mbYes);
        return false;
    }
    if (blank(destination)) {
        ui::showMessage(ui::MsgKind::Warning, QStringLiteral("%1処理先のデータ情報が不正です。\r").arg(procName),
                        ui::mbYes);
        return false;
    }
    const QStringList lines = CompareLines(procName, source, destination);
    if (lines.isEmpty())
        return true;
    TMessageInfoRec info;
    InitMessageBoxRec(info);
    info.Kind = 2;
    info.Caption = QStringLiteral("データ照合チェックの結果");
    info.MainText = QStringLiteral("以下の項目に違いが検出されました。");
    info.MainColor = 255;
    info.Lines = lines;
    info.AgreeCaption = QStringLiteral("データ%1処理の続行に同意します。").arg(procName);
    if (SyoriType >= tkCloudSend)
        info.Position = poScreenCenter;
    return ShowMessageBox(info) == ui::mrOk;
}

TCompareInfo TfmDataTusin::compareInfoOfFolder(const QString& host, const QString& folder) {
    // The information is read through the given host (a trial restore lies on this computer).
    QScopedValueRollback<QString> hostName(SystemDef.HOSTNAME, host.isEmpty() ? SystemDef.HOSTNAME : host);
    TDataInfomationRec rec;
    DataInfo->GetDataInfoRecOfFolder(folder, rec);
    TCompareInfo info;
    info.SHOUGOU = rec.SHOUGOU;
    info.KISHU = rec.KISHU;
    info.KIMATU = rec.KIMATU;
    info.TOTALSIWAKE = rec.TOTALSIWAKE;
    return info;
}

bool TfmDataTusin::CompareRecordWithFolder(const QString& procName, const TCompareInfo& source,
                                           const QString& destinationFolder) {
    return compareWithDestination(procName, destinationFolder, [&source] { return source; });
}

bool TfmDataTusin::compareWithDestination(const QString& procName, const QString& destinationFolder,
                                          const std::function<TCompareInfo()>& source) {
    if (destinationFolder.isEmpty()) {
        ui::showMessage(ui::MsgKind::Warning, QStringLiteral("%1処理先のデータパスが不正です。\r").arg(procName),
                        ui::mbYes);
        return false;
    }
    // A destination without a folder or a database has nothing to compare with.
    if (!DM->ServerDExist(destinationFolder, ConnectMode)) {
        DM->ServerMkDir(destinationFolder, ConnectMode);
        return true;
    }
    if (!DM->ServerFExist(ExcludePathDelim(destinationFolder) + u'/' + DataFileName, ConnectMode))
        return true;
    const TCompareInfo destination = compareInfoOfFolder(QString(), destinationFolder);
    if (DM->IBDatabaseDAT.isConnected())
        DM->fnAccDatDisConnected(destinationFolder, 0, 0);
    return CompareDataInfo(procName, source(), destination);
}

bool TfmDataTusin::CompareFolders(const QString& procName, const QString& sourceHost,
                                  const QString& destinationFolder, const QString& sourceFolder) {
    if (sourceFolder.isEmpty()) {
        ui::showMessage(ui::MsgKind::Warning, QStringLiteral("%1処理元のデータパスが不正です。\r").arg(procName),
                        ui::mbYes);
        return false;
    }
    return compareWithDestination(procName, destinationFolder,
                                  [&] { return compareInfoOfFolder(sourceHost, sourceFolder); });
}

// ---- merged-data settings --------------------------------------------------------------------------

int TfmDataTusin::ReadGassanSetting() {
    std::unique_ptr<fb::Database> db = openDataConnection();
    runReported(*db, QStringLiteral("ACCREG"), kAccRegFailed, true, [this](fb::Transaction& t) {
        fb::Query q(t, QStringLiteral("SELECT * FROM ACCREG\nWHERE AGROUP=:AGROUP and ACODE=:ACODE"));
        for (QString* text : {&GassanKbnText, &GassanCountText}) {
            q.setString("AGROUP", kGassanGroup);
            q.setString("ACODE", text == &GassanKbnText ? kGassanKbn : kGassanCount);
            q.open();
            if (!q.eof())
                *text = q.field("ATEXT").asString();
            q.close();
        }
    });
    db->detach();
    return 1;
}

int TfmDataTusin::WriteGassanSetting() {
    std::unique_ptr<fb::Database> db = openDataConnection();
    // Both rows change together: a failure of either leaves both as they were.
    const bool ok = runReported(*db, QStringLiteral("ACCREG"), kAccRegFailed, false, [this](fb::Transaction& t) {
        fb::Query q(t, QStringLiteral("UPDATE ACCREG SET ATEXT=:ATEXT\nWHERE (AGROUP=:AGROUP) AND (ACODE=:ACODE)"));
        for (const auto& [code, text] : {std::pair{kGassanKbn, GassanKbnText}, std::pair{kGassanCount, GassanCountText}}) {
            q.setString("ATEXT", text);
            q.setString("AGROUP", kGassanGroup);
            q.setString("ACODE", code);
            q.execute();
            if (q.rowsAffected() != 1)
                throw std::runtime_error(QStringLiteral("%1 / %2").arg(kGassanGroup, code).toStdString());
        }
    });
    db->detach();
    return ok ? 1 : 0;
}

// ---- cloud-share area and time ---------------------------------------------------------------------

bool TfmDataTusin::UpdateCloudLine(int flag) {
    std::unique_ptr<fb::Database> db = openDataConnection();
    const bool ok = runReported(*db, QStringLiteral("Cloud_Crear"), QStringLiteral("クラウドシェア"), false,
                                [this, flag](fb::Transaction& t) {
                                    const Version v = readVersion(t);
                                    if (flag == 1) {
                                        VersionMajor = v.major;
                                        VersionMinor1 = v.minor1;
                                        VersionMinor2 = v.minor2;
                                    } else if (above11(v.major, v.minor1, v.minor2)) {
                                        fb::Query q(t, QStringLiteral("UPDATE ACCDEF1 SET CLOUD_LINE=:CLOUD_LINE "
                                                                      "WHERE (REC=:REC) and (CLOUD_LINE<>:CLOUD_LINE) "));
                                        q.setInt("CLOUD_LINE", 0);
                                        q.setInt("REC", 1);
                                        q.execute();
                                    }
                                });
    db->detach();
    return ok;
}

bool TfmDataTusin::UpdateCloudTime(const TDateTime& time) {
    std::unique_ptr<fb::Database> db = openDataConnection();
    const bool ok = runReported(*db, QStringLiteral("Cloud_Time"), QStringLiteral("クラウドシェア"), false,
                                [time](fb::Transaction& t) {
                                    const Version v = readVersion(t);
                                    if (!above11(v.major, v.minor1, v.minor2))
                                        return;
                                    fb::Query q(t, QStringLiteral("UPDATE ACCDEF1 SET CLOUD_TIME=:CLOUD_TIME WHERE REC=:REC "));
                                    fb::setDateTime(q, "CLOUD_TIME", time);
                                    q.setInt("REC", 1);
                                    q.execute();
                                });
    db->detach();
    return ok;
}

bool TfmDataTusin::NotifyReceiveComplete() {
    const TRelayOutcome outcome = RequestAreaUse(ServerInfo, TAreaUsePurpose::ReceiveNotice, AccInf.CLOUD_LINE,
                                                 OperatorText, ComputerText, relayContext(), nullptr, Relay);
    if (outcome != TRelayOutcome::Ok) {
        // The request has shown its failure; the progress windows go with it.
        delete fmWaitMess.data();
        delete fmWaitMess2.data();
        return false;
    }
    if (!UpdateCloudTime(ServerInfo.ServerTime))
        ui::showError(QStringLiteral("ローカルデータの最終更新日付更新エラー"));
    return true;
}

bool ApprovedJournalsExistIn(const QString& folder) {
    std::unique_ptr<fb::Database> db = OpenDatasetConnection(folder);
    int count = 0;
    runReported(*db, QStringLiteral("SIWAKE_VIEW"), kAccRegFailed, true, [&count](fb::Transaction& t) {
        fb::Query q(t, QStringLiteral("SELECT COUNT(*) FROM SIWAKE_VIEW WHERE (SHONIN_OPCODE <> 0) "));
        q.open();
        count = q.eof() ? 0 : q.field(0).asInt();
        q.close();
    });
    db->detach();
    return count > 0;
}

bool TfmDataTusin::CountApprovedJournals() {
    return ApprovedJournalsExistIn(OperationFolder());
}

bool TfmDataTusin::SendToSolvarnetCloud() {
    TFtpWebDbSqlDump sender;
    const QString code = sender.Send(AccInf.WEB_HOLDER, SelectedRow() + 1);
    if (code == u"000")
        return true;
    ui::showMessage(ui::MsgKind::Error,
                    QStringLiteral("経営Solvarnetクラウドデータを送信できません。 エラー : ") + code + u' ' +
                        TFtpWebDbSqlDump::ResultText(code) +
                        QStringLiteral("\r\n経営Solvarnetクラウドサーバーメンテナンス中の可能性もあります。"),
                    ui::mbYes);
    return false;
}

// The cash-book and master roads of the communication dialog: the open dataset travels as a package
// through the three fixed folders of the relay server with the cash-book pair ("/01" what the cash-book
// side sent, "/02" what we sent, "/03" our master data), and a received package is restored into the
// work area and taken in by the cash-book import.
#include "tusin/z5DataTusin.h"

#include "clouddump/FtpSession.h"
#include "controls/SafeCall.h"
#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "tusin/z5CashBookLoader.h"
#include "tusin/z5CashBookSender.h"
#include "tusin/z5WaitMess.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

namespace {

QString framed(const QString& text) {
    return QStringLiteral("　\r\n") + text + QStringLiteral("\r\n ");
}

void step(TfmWaitMess* wait, int line, const QString& text, TWaitStep state) {
    if (!wait)
        return;
    wait->line(line)->setText(text);
    SetWaitStep(wait->line(line), state);
    QApplication::processEvents();
}

// The cash-book folder a send kind writes into: 3 "/02", 5 "/03", 7 and 9 "/01".
int sendFolderOf(int kind) {
    switch (kind) {
    case 3:
        return 2;
    case 5:
        return 3;
    default:
        return 1;
    }
}

// Marks the cash journal rows for a cash-book send (both flags on) or a master send (both off).
bool markCashJournals(bool cashBookSend) {
    TCashBookSender sender;
    sender.Mode = cashBookSend ? 1 : 0;
    sender.CashBookSend = cashBookSend ? 1 : 0;
    sender.Execute();
    return sender.GetResult() == 1;
}

const QString kRelayReceive = QStringLiteral("中継サーバーからデータ受信");
const QString kRelaySend = QStringLiteral("中継サーバーへデータ送信");
const QString kPackageName = QStringLiteral("placc.wen");

} // namespace

bool TfmDataTusin::uploadPackage(const QString& user, const QString& folder, const QString& localFile,
                                 const QString& name) {
    TFtpSession ftp(ServerInfo.FtpHost, Relay.FtpPort, user, ServerInfo.FtpPassword);
    if (!ftp.Connect()) {
        ui::showMessage(ui::MsgKind::Error, framed(QStringLiteral("サーバーの接続に失敗しました。")));
        return false;
    }
    if (!ftp.ChangeDir(folder)) {
        ui::showMessage(ui::MsgKind::Error, framed(QStringLiteral("転送先のディレクトリが存在しません。")));
        return false;
    }
    // The package goes up under a name of its own and takes the package's name only once it has arrived
    // whole: a transfer cut midway never leaves a partial package where a receiver would take it.
    const QString partName = name + QStringLiteral("tmp");
    const QString backupName = name + QStringLiteral("bak");
    const auto sendFailed = [&] {
        ui::showMessage(ui::MsgKind::Error, framed(QStringLiteral("データの送信に失敗しました。")));
        return false;
    };
    if (!ftp.Put(localFile, partName)) {
        ftp.Delete(partName); // what arrived of it, while the connection still serves
        return sendFailed();
    }
    pause();
    if (ftp.Size(partName) != QFileInfo(localFile).size()) {
        ftp.Delete(partName);
        ftp.Quit();
        ui::showMessage(
            ui::MsgKind::Error,
            QStringLiteral(
                "送信処理に失敗しました。ウイルス対策ソフトを実行中の場合は、終了してから再度送信を"
                "行ってください。"),
            ui::mbYes);
        return false;
    }
    // The previous package waits as the "bak" file until the new one has its name. Only a "bak" file this
    // send made is ever put back: one left by an earlier run never replaces a newer package.
    bool backedUp = false;
    if (ftp.Size(name) > 0) {
        if (!ftp.Rename(name, backupName)) {
            ftp.Delete(partName);
            return sendFailed();
        }
        backedUp = true;
    }
    if (!ftp.Rename(partName, name)) {
        if (backedUp && ftp.Size(name) <= 0)
            ftp.Rename(backupName, name);
        ftp.Delete(partName);
        return sendFailed();
    }
    if (backedUp)
        ftp.Delete(backupName);
    return true;
}

// ---- send --------------------------------------------------------------------------------------------

bool TfmDataTusin::packForSend(TfmWaitMess* wait, TPackageRoad road) {
    if (!PreparePackageFolder(road) || !SaveSendBackup(true))
        return false;
    step(wait, 1, QStringLiteral("送信用データ保存　終了"), TWaitStep::Done);
    step(wait, 2, QStringLiteral("送信用データ圧縮　実行中"), TWaitStep::Running);
    pause();
    if (!PackSequence(road))
        return false;
    step(wait, 2, QStringLiteral("送信用データ圧縮　終了"), TWaitStep::Done);
    step(wait, 3, QStringLiteral("送信用データ暗号化　実行中"), TWaitStep::Running);
    if (!EncryptSequence(road))
        return false;
    step(wait, 3, QStringLiteral("送信用データ暗号化　終了"), TWaitStep::Done);
    return true;
}

int TfmDataTusin::SendCashBookData() {
    const int kind = SyoriType;
    const int number = sendFolderOf(kind);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    WaitMessParent = this;
    std::unique_ptr<TfmWaitMess> wait(new TfmWaitMess(this));
    fmWaitMess = wait.get();
    step(wait.get(), 1, QStringLiteral("送信用データ保存　実行中"), TWaitStep::Running);
    step(wait.get(), 2, QStringLiteral("送信用データ圧縮"), TWaitStep::ToCome);
    step(wait.get(), 3, QStringLiteral("送信用データ暗号化"), TWaitStep::ToCome);
    step(wait.get(), 4, kRelaySend, TWaitStep::ToCome);
    wait->line(5)->setVisible(false);
    wait->resize(435, 194);
    wait->show();
    pause();
    setEnabled(false);
    const auto end = qScopeGuard([&] {
        setEnabled(true);
        ShowNormalCursor();
        wait.reset();
        CleanUpStages(TPackageRoad::CashSend);
    });

    // A master send starts every pairing afresh before anything is packed.
    if (kind == 5 && !markCashJournals(false)) {
        ui::showMessage(ui::MsgKind::Error, framed(QStringLiteral("データセンダーエラー1")), ui::mbYes);
        return 0;
    }
    const TPackageStages stages = StagesOf(TPackageRoad::CashSend);
    if (!packForSend(wait.get(), TPackageRoad::CashSend))
        return 0;
    step(wait.get(), 4, kRelaySend + QStringLiteral("　実行中"), TWaitStep::Running);
    pause();
    if (!QFileInfo::exists(stages.Package))
        return 0;

    if (!uploadPackage(AccInf.TusinHolder[1].trimmed(), RelayFolderName(number), stages.Package, kPackageName))
        return 0;

    TRelaySentData data;
    data.DataName = AccInf.SHOUGOU;
    data.FiscalYear = AccInf.NENDO;
    data.PeriodStart = AccInf.KISHU;
    data.PeriodEnd = AccInf.KIMATU;
    // The version of the sent data: the dataset's own major and minor.
    if (!UpdateCloudLine(1))
        return 0;
    data.VersionMajor = VersionMajor;
    data.VersionMinor = VersionMinor1;
    YobiText = QStringLiteral("%1%2").arg(VersionMajor, 2, 10, QChar(u'0')).arg(VersionMinor1, 2, 10, QChar(u'0'));
    if (RequestSendComplete(ServerInfo, 1810, number, data, relayContext(), Relay) != TRelayOutcome::Ok)
        return 0;
    step(wait.get(), 4, kRelaySend + QStringLiteral("　終了"), TWaitStep::Done);

    // The cash-book sends link the rows once the package is on the server and reported.
    if (kind != 5 && !markCashJournals(true)) {
        ui::showMessage(ui::MsgKind::Error, framed(QStringLiteral("データセンダーエラー2")), ui::mbYes);
        return 0;
    }
    return 1;
}

// ---- receive -----------------------------------------------------------------------------------------

std::unique_ptr<TfmWaitMess> TfmDataTusin::showReceiveProgress(const QString& relayWord) {
    WaitMessParent = this;
    std::unique_ptr<TfmWaitMess> wait(new TfmWaitMess(this));
    fmWaitMess = wait.get();
    step(wait.get(), 1, relayWord + QStringLiteral("　実行中"), TWaitStep::Running);
    step(wait.get(), 2, QStringLiteral("受信データ暗号解読"), TWaitStep::ToCome);
    step(wait.get(), 3, QStringLiteral("受信データ圧縮解凍"), TWaitStep::ToCome);
    step(wait.get(), 4, QStringLiteral("受信データ復元・照合"), TWaitStep::ToCome);
    wait->line(5)->setVisible(false);
    wait->resize(435, 194);
    wait->show();
    pause();
    return wait;
}

int TfmDataTusin::ShowCashBookLoader(TCashBookLoaderBox& box) {
    return box.exec();
}

int TfmDataTusin::ReceiveCashBookData(int folder) {
    if (folder < 0 || folder > 2)
        return 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<TfmWaitMess> wait = showReceiveProgress(kRelayReceive);
    setEnabled(false);
    const auto end = qScopeGuard([&] {
        if (SyoriType == 6 || SyoriType == 10)
            guarded([this] { UpdateCloudLine(0); });
        setEnabled(true);
        ShowNormalCursor();
        wait.reset();
        CleanUpStages(TPackageRoad::CashReceive);
    });

    if (!PreparePackageFolder(TPackageRoad::CashReceive))
        return 0;
    const TPackageStages stages = StagesOf(TPackageRoad::CashReceive);
    QFile::remove(stages.Package);
    {
        TFtpSession ftp(ServerInfo.FtpHost, Relay.FtpPort, AccInf.TusinHolder[1].trimmed(), ServerInfo.FtpPassword);
        if (!ftp.Connect()) {
            ui::showMessage(ui::MsgKind::Error, framed(QStringLiteral("サーバーの接続に失敗しました。")));
            return 0;
        }
        if (!ftp.ChangeDir(RelayFolderName(folder + 1)) || ftp.Size(kPackageName) < 1) {
            ui::showMessage(ui::MsgKind::Warning, framed(QStringLiteral("ダウンロードファイルが見つかりません。")));
            return 0;
        }
        if (!ftp.Get(kPackageName, stages.Package)) {
            QFile::remove(stages.Package);
            return 0;
        }
    }
    step(wait.get(), 1, kRelayReceive + QStringLiteral("　終了"), TWaitStep::Done);
    step(wait.get(), 2, QStringLiteral("受信データ暗号解読　実行中"), TWaitStep::Running);
    pause();
    if (!DecryptSequence(TPackageRoad::CashReceive))
        return 0;
    step(wait.get(), 2, QStringLiteral("受信データ暗号解読　終了"), TWaitStep::Done);
    step(wait.get(), 3, QStringLiteral("受信データ圧縮解凍　実行中"), TWaitStep::Running);
    pause();
    if (!ExtractSequence(TPackageRoad::CashReceive))
        return 0;
    step(wait.get(), 3, QStringLiteral("受信データ圧縮解凍　終了"), TWaitStep::Done);
    step(wait.get(), 4, QStringLiteral("受信データ復元・照合　実行中"), TWaitStep::Running);
    pause();
    if (!QFileInfo::exists(stages.Backup)) {
        ui::showMessage(ui::MsgKind::Error, framed(QStringLiteral("解凍ファイルが見つかりません。")));
        return 0;
    }
    if (!RestoreReceivedData(true))
        return 0;
    step(wait.get(), 4, QStringLiteral("受信データ復元　終了"), TWaitStep::Done);
    pause();
    wait.reset();

    // The import: folder 0 is the client's cash book, merged in the window; folders 1 and 2 come from
    // another accounting program and run at once, merged (1) or replacing the dataset (2).
    const QString database = ExcludePathDelim(SystemDef.TempDir) + QStringLiteral("/placc.fdb");
    bool imported = false;
    try {
        TCashBookLoaderBox box;
        box.Origin = folder == 0 ? 0 : 1;
        box.MergeMode = folder == 2 ? 0 : 1;
        box.SetReceivedDatabase(database);
        if (folder == 0) {
            ShowCashBookLoader(box);
            // A window closed before its run started took nothing in: the operator cancelled.
            if (box.AutoPending != 0)
                ReceiveCancelled = 1;
            else
                imported = box.GetResult() == 1;
        } else {
            box.AutoRun();
            imported = box.GetResult() == 1;
        }
    } catch (const std::exception&) {
        ui::showMessage(ui::MsgKind::Error, framed(QStringLiteral("出納帳データローダーエラー")));
        imported = false;
    }
    QFile::remove(database);
    return imported ? 1 : 0;
}

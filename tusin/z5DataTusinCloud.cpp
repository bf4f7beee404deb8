// The cloud-share entry points of the communication dialog: sending a dataset into its area of the
// relay server, receiving the area's copy (over the dataset, or into the work area for a shared-server
// paste), freeing the area and the area lists. The caller owns the form and calls them in turn; the form
// stays hidden except for the lists.
#include "tusin/z5DataTusin.h"

#include "core/DataModule.h"
#include "core/uAccFunction2.h"
#include "core/uAccFunction2_System.h"
#include "core/uAccRecord.h"
#include "platform/Cp932.h"
#include "platform/UserInteraction.h"
#include "tusin/xPzConv.h"
#include "tusin/z5WaitMess.h"

#include <QCheckBox>
#include <QDateTime>
#include <QScopeGuard>
#include <QSysInfo>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace {

const QString kAuthRunning = QStringLiteral("クラウドシェア認証チェック　実行中");
const QString kAuthDone = QStringLiteral("クラウドシェア認証チェック　終了");
const QString kInUse = QStringLiteral("現在使用中のため選択できません。");
const QString kSendError = QStringLiteral("クラウドシェアデータ送信処理中にエラーになりました。\r\n");
const QString kReceiveError = QStringLiteral("クラウドシェアデータ受信処理中にエラーになりました。\r\n");
const QString kListError = QStringLiteral("クラウドシェアデータ処理中にエラーになりました。\r\n");

// The dynamic class name of an exception, readable.
QString className(const std::exception& e) {
    const char* mangled = typeid(e).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                    std::free);
    return QString::fromLatin1(status == 0 && readable ? readable.get() : mangled);
}

// A name cleaned of a broken double-byte character at its end and in the middle.
QString repaired(const QByteArray& bytes) {
    return cp932::decode(RepairMbcs(bytes));
}

QString queryForm(const QString& text) {
    return EscapeQueryText(TxPzConv::EncodeBase64(cp932::encodeLossy(text)));
}

bool validArea(int line) {
    return line >= 1 && line <= 10;
}

} // namespace

// ---- client names ------------------------------------------------------------------------------------

QString TfmDataTusin::CloudOperatorText(qint32 code, const QString& name) {
    const QByteArray head = RightStrB(cp932::encodeLossy(QString::number(code)), 4);
    return repaired(head + cp932::encodeLossy(name));
}

QString TfmDataTusin::CloudComputerText() {
    // The host name stands for the Windows computer name, which holds at most 15 bytes.
    QString name = qEnvironmentVariable("QV_COMPUTER_NAME");
    if (name.isEmpty())
        name = QSysInfo::machineHostName();
    return repaired(cp932::encodeLossy(name).left(15));
}

bool TfmDataTusin::PrepareClientNames() {
    OperatorQuery.clear();
    ComputerQuery.clear();
    try {
        OperatorText = CloudOperatorText(SystemDef.OPCODE, SystemDef.OperatorName);
        OperatorQuery = queryForm(OperatorText);
        ComputerText = CloudComputerText();
        ComputerQuery = queryForm(ComputerText);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// ---- currency ------------------------------------------------------------------------------------------

bool TfmDataTusin::IsCurrentCloudCopy(const TRelayServerEntry& area, const TDateTime& cloudTime,
                                      int connectMode, const QString& operatorText,
                                      const QString& computerText) {
    const QString& last = area.LastUpdateFull;
    if (last.startsWith(QStringLiteral("0000")) || last.size() < 10)
        return false;
    const QDateTime t = QDateTime::fromString(last.left(19), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    if (!t.isValid() || cloudTime.isNull() || cloudTime.toDateTime() != t)
        return false;
    if (connectMode == 0)
        return true;
    // Someone else holding the area may have changed it since.
    if (area.UserComputer != computerText && !area.UserComputer.trimmed().isEmpty())
        return false;
    if (area.UserOperator != operatorText && !area.UserOperator.trimmed().isEmpty())
        return false;
    return true;
}

// ---- the form's share of every entry point ----------------------------------------------------------------

void TfmDataTusin::showAuthWindow() {
    m_authWindow = std::make_unique<TfmWaitMess2>(this);
    fmWaitMess2 = m_authWindow.get();
    const qreal scale = logicalDpiY() / 96.0;
    m_authWindow->resize(qRound(435 * scale), qRound(194 * scale));
    m_authWindow->CheckBox1()->setText(kAuthRunning);
    SetWaitStep(m_authWindow->CheckBox1(), TWaitStep::Running);
    m_authWindow->show();
}

void TfmDataTusin::authFinished() {
    if (!m_authWindow)
        return;
    m_authWindow->CheckBox1()->setText(kAuthDone);
    SetWaitStep(m_authWindow->CheckBox1(), TWaitStep::Done);
}

void TfmDataTusin::endCloudOperation() {
    ShowNormalCursor();
    ReleaseData();
    m_authWindow.reset();
}

void TfmDataTusin::reportException(const QString& head, const std::exception* e) {
    const QString name = e ? className(*e) : QStringLiteral("Exception");
    const QString message = e ? QString::fromUtf8(e->what()) : QString();
    ui::showError(head + name + QStringLiteral(" error , with message : ") + message);
}

// ---- the entry points ------------------------------------------------------------------------------------

int TfmDataTusin::ReleaseCloudShareArea(const QString& dataFolder) {
    SyoriType = tkCloudRelease;
    PrepareClientNames();
    const auto cursor = qScopeGuard([] { ShowNormalCursor(); });
    if (dataFolder.isEmpty())
        return 1;
    DataFolder = dataFolder;
    BackupName = QStringLiteral("cplacc.fbk");
    if (AccInf.CLOUD_LINE == 0) {
        ui::showWarning(QStringLiteral("クラウドシェア領域が設定されていません。"));
        return 1;
    }
    try {
        return SetAreaShareStatus(AccInf.CLOUD_LINE, 1) ? 0 : 1;
    } catch (const ERelayConnection&) {
        ui::showError(QStringLiteral("　\r\nサーバーに接続出来ません。\r\n "));
        return 1;
    }
}

int TfmDataTusin::showAreaList(int kind, const QString& dataFolder) {
    SyoriType = kind;
    DataFolder = dataFolder;
    AutoMode = 0;
    BackupName = QStringLiteral("cplacc.fbk");
    AreaChosen = 0;
    try {
        // The online list asks first and shows nothing when the service cannot answer.
        if (kind == tkAreaListOnline && !RequestServerInfo())
            return 1;
        PrepareList(1);
        StartOperation();
        PlaceForm(0, 0, 0, 0, 3);
        exec();
    } catch (const std::exception& e) {
        reportException(kListError, &e);
    }
    hide();
    return 0;
}

int TfmDataTusin::ShowCloudShareInfo(const QString& dataFolder) {
    return showAreaList(tkAreaList, dataFolder);
}

int TfmDataTusin::ShowCloudShareInfoOnline(const QString& dataFolder) {
    return showAreaList(tkAreaListOnline, dataFolder);
}

int TfmDataTusin::CloudShareSend(const QString& dataFolder, const QString& caption, int automatic) {
    SyoriType = tkCloudSend;
    PrepareClientNames();
    const auto end = qScopeGuard([this] { endCloudOperation(); });
    if (dataFolder.isEmpty())
        return 1;
    DataFolder = dataFolder;
    BackupName = QStringLiteral("cplacc.fbk");
    CaptionText = caption;
    AutoMode = automatic != 0 ? 1 : 0;
    ConnectData(AutoMode != 0);
    if (!UpdateCloudLine(1)) {
        ui::showWarning(QStringLiteral("データバージョンが取得できません。"));
        return 1;
    }
    if (AccInf.CLOUD_LINE == 0) {
        ui::showWarning(QStringLiteral("クラウドシェア領域が選択されていません。"));
        return 1;
    }
    try {
        if (RequestServerInfo() && SendData() == 0)
            return 0;
    } catch (const std::exception& e) {
        reportException(kSendError, &e);
    }
    return 1;
}

int TfmDataTusin::CloudShareReceive(const QString& dataFolder, int automatic) {
    SyoriType = tkCloudReceive;
    PrepareClientNames();
    const auto end = qScopeGuard([this] { endCloudOperation(); });
    if (dataFolder.isEmpty())
        return 1;
    DataFolder = dataFolder;
    BackupName = QStringLiteral("cplacc.fbk");
    showAuthWindow();
    AutoMode = automatic != 0 ? 1 : 0;
    ConnectData(AutoMode != 0);
    // Whatever ends in an exception has not received the area's copy: the caller must not work on it.
    try {
        if (!RequestServerInfo())
            return 1;
        const int line = AccInf.CLOUD_LINE;
        if (!validArea(line)) {
            ui::showInformation(QStringLiteral("クラウド領域を選択していません。"));
            return 1;
        }
        const TRelayServerEntry& area = ServerInfo.Entries[line - 1];
        if (area.DataName.left(4).trimmed().isEmpty()) {
            ui::showInformation(QStringLiteral("設定された領域にはデータがありません。 "));
            return 1;
        }
        authFinished();
        if (IsCurrentCloudCopy(area, AccInf.CLOUD_TIME, ConnectMode, OperatorText, ComputerText))
            return NotifyReceiveComplete() ? 0 : 1;
        if (area.ShareStatus == u"2") {
            ui::showInformation(InUseText(kInUse, area));
            return 1;
        }
        m_authWindow.reset();
        return ReceiveData() == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        reportException(kReceiveError, &e);
    }
    return 1;
}

int TfmDataTusin::CloudShareReceiveToFolder(const QString& dataFolder, int automatic) {
    SyoriType = tkCloudReceiveToFolder;
    PrepareClientNames();
    const auto end = qScopeGuard([this] { endCloudOperation(); });
    showAuthWindow();
    if (dataFolder.isEmpty())
        return 1;
    PasteReceiveFolder = ExcludePathDelim(SystemDef.TempDir) + QStringLiteral("/receive");
    DataFolder = dataFolder;
    BackupName = QStringLiteral("cplacc.fbk");
    AutoMode = automatic != 0 ? 1 : 0;
    ConnectData(AutoMode != 0);
    try {
        // Without the areas' state there is nothing to judge the paste by.
        if (!RequestServerInfo())
            return 1;
        authFinished();
        const int line = AccInf.CLOUD_LINE;
        if (!validArea(line)) {
            ui::showInformation(QStringLiteral("クラウド領域を選択していません。"));
            return 1;
        }
        const TRelayServerEntry& area = ServerInfo.Entries[line - 1];
        // Our own hold counts as well: the copy would miss what is being worked on.
        if (area.ShareStatus == u"2") {
            ui::showInformation(InUseText(kInUse, area));
            return 1;
        }
        m_authWindow.reset();
        return ReceiveData() == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        reportException(kReceiveError, &e);
    }
    return 1;
}

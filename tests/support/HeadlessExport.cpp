#include "HeadlessExport.h"

#include "app/ComDataExp.h"
#include "app/StartupEnvironment.h"
#include "app/hj19.h"
#include "app/main.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace testenv {

namespace {

const QString kAnotherChoice = QStringLiteral("データ選択画面を開き、別のデータを選択しますか？");

// The program finds its data root below the common application-data folder: that folder is pointed so
// that the root is dataRoot, keeping the product's folder name when dataRoot ends in it.
void pointDataRoot(const QString& dataRoot) {
    const QString root = QDir::cleanPath(QDir(dataRoot).absolutePath());
    QString base;
    if (!HomeDirName.isEmpty() && root.endsWith(u'/' + HomeDirName)) {
        base = root.chopped(HomeDirName.size() + 1);
    } else {
        base = QFileInfo(root).absolutePath();
        HomeDirName = QFileInfo(root).fileName();
    }
    qputenv("QV_COMMON_APPDATA", base.toLocal8Bit());
}

// The data page's refusals offer another choice; with no selection dialog the run ends there.
void refuse(const QStringList& lines) {
    ui::showMessage(ui::MsgKind::Confirmation, lines.join(u'\r'), ui::mbOK | ui::mbCancel);
}

// The data page: the dataset connected with its in-use mark, its company information, the operator's
// rights and the data version. False after the refusal has been shown.
bool connectDataset(const TComDataExport& exporter) {
    if (!DM->fnAccDatConnected(SystemDef.HOSTNAME, SystemDef.DataDir, 1) || !DM->fnGetAccInfo()) {
        refuse({QStringLiteral("データの接続に失敗しました。"), kAnotherChoice});
        return false;
    }
    if (!DM->fnGetExistsOpeDefSisetu()) {
        DM->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
        refuse({QStringLiteral("このデータを扱う権限がありません。"), kAnotherChoice});
        return false;
    }
    SystemDef.DataVersionText = DM->fnGetDataBaseVer();
    if (!CheckVersion(SystemDef.DataVersionText, exporter.RequiredVersion)) {
        DM->fnAccDatDisConnected(SystemDef.DataDir, 1, 0);
        refuse({QStringLiteral("このプログラムで処理できるデータバージョンに達していません。"),
                QStringLiteral("データバージョン:") + exporter.RequiredVersion +
                    QStringLiteral("以降のデータを選択して下さい。"),
                kAnotherChoice});
        return false;
    }
    return true;
}

} // namespace

HeadlessExport::HeadlessExport() = default;

HeadlessExport::~HeadlessExport() {
    if (DM && DM->IBDatabaseDAT.isConnected())
        DM->fnAccDatDisConnected(SystemDef.DataDir, 1, 1);
    m_environment.reset();
    m_exporter.reset();
}

bool HeadlessExport::Prepare(const QString& dataRoot, const QString& datasetFolder, const QString& outputFile,
                             int functionId) {
    if (!LoadProductIdentity())
        return false;
    pointDataRoot(dataRoot);
    m_exporter = std::make_unique<THojinZeiGenkaDataExport>(functionId, outputFile);
    m_environment = std::make_unique<TStartupEnvironment>();
    if (!m_environment->InitApplication(QApplication::font()))
        return false;

    SystemDef.AppName = QStringLiteral("Corvane連動コンポーネント");
    SystemDef.LoginCode = 10;
    SystemDef.OPCODE = SystemDef.GROUPID * 10000 + SystemDef.LoginCode;
    SystemDef.OperatorName = QStringLiteral("管理者");
    SystemDef.JOBLEVEL = 9;
    if (!DM->fnAccDefConnected(SystemDef.HOSTNAME, 1) || !DM->fnGetSysDef())
        return false;
    DM->LoadGengoTable();

    SystemDef.DataDir = QDir::cleanPath(QDir(datasetFolder).absolutePath());
    if (!connectDataset(*m_exporter))
        return false;
    m_exporter->TakeDataset();
    return true;
}

int HeadlessExport::Finish() {
    return FinishExport(*m_exporter, false).ExitCode;
}

} // namespace testenv

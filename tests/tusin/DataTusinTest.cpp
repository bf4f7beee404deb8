// The communication dialog as far as this version has it: started by name it says that data
// communication is not available, and the cloud-share operations have nothing to exchange.
#include "core/DialogRegistry.h"
#include "core/uAccRecord.h"
#include "platform/UserInteraction.h"
#include "tusin/z5DataTusin.h"

#include <gtest/gtest.h>

TEST(DataTusin, StartedByNameSaysItIsNotAvailableAndCloudShareHasNothingToExchange) {
    ui::ScopedScriptedUi ui;
    const THostMenuProc savedMenu = HostMenuProc;
    HostMenuProc = [](int, const QString&) { return 0; };
    EXPECT_EQ(RunNamedDialog(QStringLiteral("QzDataTusin"), 1, QStringLiteral("SyoriType=1")), 0);
    EXPECT_EQ(ui->messageTexts(),
              QStringList{QStringLiteral("データ通信は、このバージョンでは利用できません。")});

    // A launcher menu with other work open keeps it from starting.
    ui->clear();
    HostMenuProc = [](int code, const QString&) { return code == 10 ? 1 : 0; };
    EXPECT_EQ(RunNamedDialog(QStringLiteral("QzDataTusin"), 1, QString()), -1);
    EXPECT_TRUE(ui->shown().empty());
    HostMenuProc = savedMenu;

    TfmDataTusin dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("データ通信"));
    EXPECT_EQ(dialog.CloudShareReceive(QStringLiteral("/data/0001"), 1, 0), 0);
    EXPECT_EQ(dialog.CloudShareSend(QStringLiteral("/data/0001"), QString(), 1), 0);
}

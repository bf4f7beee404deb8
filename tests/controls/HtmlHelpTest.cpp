// The online manual opener: the page's folder by edition, and a page that is missing.
#include "UrlCatcher.h"
#include "controls/z5HtmlHelp.h"
#include "core/uAccRecord.h"
#include "support/TestEnv.h"

#include <QDesktopServices>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

TEST(OnlineManual, OpensTheTopPageAndTopicPagesInTheirFolders) {
    testenv::TempEnvironment env;
    ResetProcessState();
    SystemDef.HelpDir = env.path() + QStringLiteral("/help");
    ASSERT_TRUE(
        testenv::writeFile(SystemDef.HelpDir + QStringLiteral("/olm.files/tsusin02.html"), "<html/>"));
    ASSERT_TRUE(testenv::writeFile(SystemDef.HelpDir + QStringLiteral("/zaimu/olm.html"), "<html/>"));
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");

    EXPECT_EQ(OpenOnlineManual(QString()), 0);
    EXPECT_EQ(OpenOnlineManual(QStringLiteral("tsusin02.html")), 0);
    TavrinoEdition = 1;
    EXPECT_EQ(OpenOnlineManual(QStringLiteral("olm.html")), 0);
    // A page that is not installed opens nothing and gives the error code.
    EXPECT_EQ(OpenOnlineManual(QStringLiteral("file01.html")), kManualNotFound);
    EXPECT_EQ(OnlineManualPath(QStringLiteral("file01.html")),
              SystemDef.HelpDir + QStringLiteral("/zaimu/olm.files/file01.html"));

    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(
        catcher.opened,
        (QList<QUrl>{QUrl::fromLocalFile(SystemDef.HelpDir + QStringLiteral("/olm.files/tsusin02.html")),
                     QUrl::fromLocalFile(SystemDef.HelpDir + QStringLiteral("/zaimu/olm.html"))}));
    ResetProcessState();
}

} // namespace

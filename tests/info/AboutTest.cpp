#include "app/HelpMenu.h"
#include "app/MainWindow.h"
#include "info/AboutController.h"
#include "info/QuorvelCheck.h"
#include "info/VersionCheck.h"

#include "support/FakePanels.h"

#include "support/FakeWorkspace.h"
#include "support/TraceRecorder.h"

#include "ui_MainWindow.h"
#include "ui_QuorvelAboutPanel.h"

#include <QNetworkProxy>
#include <QPushButton>
#include <QTcpServer>

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

class About : public ::testing::Test {
protected:
    TraceRecorder trace;
    FakeWorkspace workspace;
    QWidget window;
    AboutController about{&workspace, &window};
};

TEST_F(About, LoadsThePanelOnFirstUseAndKeepsIt)
{
    EXPECT_EQ(about.aboutPanel(), nullptr);
    about.showAboutPanel();
    QDialog* panel = about.aboutPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->objectName(), QStringLiteral("QuorvelAboutPanel"));
    EXPECT_EQ(about.form()->nameLabel->text(), QStringLiteral("Quorvel"));
    EXPECT_EQ(about.form()->versionLabel->text(), QStringLiteral("Version 1.4"));
    EXPECT_FALSE(about.form()->descriptionLabel->text().isEmpty());

    panel->close();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(about.aboutPanel(), panel); // closing only hides it

    about.showAboutPanel();
    EXPECT_EQ(about.aboutPanel(), panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(trace.lines(), (QStringList{QStringLiteral("CARICATO"), QStringLiteral("CARICATO")}));
}

TEST_F(About, TheSiteOpensInTheBrowser)
{
    about.goToSite();
    about.showAboutPanel();
    about.form()->siteButton->click();
    ASSERT_EQ(workspace.openedURLs.size(), 2);
    const QUrl site = workspace.openedURLs.constFirst();
    EXPECT_EQ(site, QUrl(QStringLiteral("http://" QUORVEL_HOST "/"))) << "the home page of the configured server";
    EXPECT_EQ(workspace.openedURLs.constLast(), site);
    EXPECT_EQ(about.form()->siteButton->text(), site.toString());
}

// The Help menu of the real main window, each command triggered as the user does.
TEST(HelpMenu, EachCommandReachesItsAction)
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    FakePanels panels;
    FakeWorkspace workspace;
    MainWindow window;
    // A server that refuses at once: the check ends in its alert without waiting.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    QuorvelCheck::Config config = QuorvelCheck::defaultConfig();
    config.versionList = QUrl(QStringLiteral("http://127.0.0.1:%1/versionlist.xml").arg(closed.serverPort()));
    closed.close();
    QuorvelCheck check(&panels, &workspace, &window, config);
    AboutController about(&workspace, &window);
    connectHelpMenu(window.form(), &check, &about);

    window.form()->aboutAction->trigger();
    ASSERT_NE(about.aboutPanel(), nullptr);
    EXPECT_TRUE(about.aboutPanel()->isVisible());

    window.form()->siteAction->trigger();
    EXPECT_EQ(workspace.openedURLs, QList<QUrl>{info::homePageUrl()});

    window.form()->checkVersionAction->trigger();
    ASSERT_EQ(panels.alerts.size(), 1);
    EXPECT_EQ(panels.alerts.constFirst().title, QStringLiteral("Not connected."));
}

} // namespace
} // namespace quorvel::test

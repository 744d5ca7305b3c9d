#include "info/AboutController.h"

#include "support/FakeWorkspace.h"
#include "support/TraceRecorder.h"

#include "ui_QuorvelAboutPanel.h"

#include <QPushButton>

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
    EXPECT_EQ(site.scheme(), QStringLiteral("http"));
    EXPECT_EQ(site.path(), QStringLiteral("/"));
    EXPECT_EQ(workspace.openedURLs.constLast(), site);
    EXPECT_EQ(about.form()->siteButton->text(), site.toString());
}

} // namespace
} // namespace quorvel::test

#pragma once

#include "app/MainWindow.h"
#include "app/QuorvelInfo.h"
#include "platform/NotificationCenter.h"
#include "settings/PreferencesWindow.h"
#include "support/FakePanels.h"
#include "support/MemoryDefaultsStore.h"
#include "support/TestImages.h"
#include "support/TraceRecorder.h"

#include "ui_MainWindow.h"
#include "ui_PreferencesWindow.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace quorvel::test {

// The real windows offscreen with a fresh controller, as the program composes them.
class InspectorFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    Ui::MainWindow* ui() const { return mainWindow->form(); }
    Ui::PreferencesWindow* prefs() const { return preferences->form(); }

    // Sets the colour choice, its enabled state and the slider as a setting would.
    void setControls(int row, bool enabled, int slider, bool preview = true);
    QString image(const QString& name, const ImageSpecForTest& recipe);
    bool isRed(const QLineEdit* field) const;
    // Runs the event loop until the preview shows an image or `ms` pass.
    bool waitForPreview(int ms = 5000);
    // Waits until every notification posted so far has been delivered (a
    // marker posted last arrives last, within this process and on a bus).
    bool deliverPosts();

    QTemporaryDir dir;
    std::unique_ptr<platform::NotificationCenter> notifications;
    FakePanels panels;
    MemoryDefaultsStore defaults;
    std::unique_ptr<PreferencesWindow> preferences;
    std::unique_ptr<MainWindow> mainWindow;
    QuorvelInfo* info = nullptr;
};

} // namespace quorvel::test

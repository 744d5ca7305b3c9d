#pragma once

namespace Ui {
class MainWindow;
}

namespace quorvel {

class AboutController;
class QuorvelCheck;

// The Help menu's commands: the version check, the maker's site, the About panel.
void connectHelpMenu(Ui::MainWindow* form, QuorvelCheck* versionCheck, AboutController* about);

} // namespace quorvel

#pragma once

#include <QLoggingCategory>

// One category per subsystem, so a user can silence the trace lines with
// QT_LOGGING_RULES (for example "quorvel.*.info=false").
Q_DECLARE_LOGGING_CATEGORY(lcInspector) // quorvel.inspector: checks, batch, drops
Q_DECLARE_LOGGING_CATEGORY(lcSettings)  // quorvel.settings: presets and preferences
Q_DECLARE_LOGGING_CATEGORY(lcReport)    // quorvel.report
Q_DECLARE_LOGGING_CATEGORY(lcViewer)    // quorvel.viewer
Q_DECLARE_LOGGING_CATEGORY(lcInfo)      // quorvel.info: version check, about
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)  // quorvel.platform: loader and bus diagnostics

#include "platform/Log.h"

Q_LOGGING_CATEGORY(lcInspector, "quorvel.inspector")
Q_LOGGING_CATEGORY(lcSettings, "quorvel.settings")
Q_LOGGING_CATEGORY(lcReport, "quorvel.report")
Q_LOGGING_CATEGORY(lcViewer, "quorvel.viewer")
Q_LOGGING_CATEGORY(lcInfo, "quorvel.info")
Q_LOGGING_CATEGORY(lcPlatform, "quorvel.platform")

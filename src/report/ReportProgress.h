#pragma once

#include "check/ImageRecord.h"

#include <QList>
#include <QStringList>

#include <optional>

class QWidget;

namespace quorvel {

// Measures the files on the global thread pool while the event loop keeps
// running, so every window goes on repainting. When the work lasts longer than
// `showAfterMs`, a window-modal progress dialog with a cancel button appears
// on `parent`. Nothing comes back when the user cancels or the application
// quits meanwhile. `withDetails`, `withInk`: the files' details and
// (for CMYK files) total ink are read too.
std::optional<QList<ImageRecord>> measureShowingProgress(QWidget* parent, const QStringList& files,
                                                          const ImageHeaderReader& reader,
                                                          int showAfterMs = 1000, bool withDetails = false,
                                                          bool withInk = false);

} // namespace quorvel

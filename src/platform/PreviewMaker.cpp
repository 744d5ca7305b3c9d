#include "platform/PreviewMaker.h"

#include "platform/header/HeaderFile.h"
#include "platform/loader/LoaderClient.h"

#include <QFile>

#include <memory>

namespace quorvel::platform {

QImage makePreview(const QString& path, QSize bounds)
{
    if (bounds.width() < 1 || bounds.height() < 1)
        return {};
    // Opened once, as a regular file, without waiting on a pipe; the helper
    // reads what this descriptor holds, never the path, so a file swapped
    // for a pipe after the check cannot block the preview.
    const std::unique_ptr<header::HeaderFile> file = header::HeaderFile::open(QFile::encodeName(path).toStdString());
    if (!file)
        return {};
    // Every format's pixels are decoded in the confined loader helper: a
    // decoder fault costs that file's preview, never this process.
    loader::Preview preview;
    if (!loader::makePreviewThroughHelper(file->descriptor(), bounds.width(), bounds.height(), preview))
        return {};
    const size_t expected = size_t(preview.width) * size_t(preview.height) * size_t(preview.bands);
    if ((preview.bands != 3 && preview.bands != 4) || preview.width > bounds.width()
        || preview.height > bounds.height() || preview.pixels.size() != expected)
        return {};
    const QImage::Format format = preview.bands == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888;
    return QImage(preview.pixels.data(), preview.width, preview.height, preview.width * preview.bands, format).copy();
}

} // namespace quorvel::platform

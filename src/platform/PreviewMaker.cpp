#include "platform/PreviewMaker.h"

#include "platform/VipsRuntime.h"

#include <QtConcurrent/QtConcurrentRun>

#include <vips/vips8>

#include <sys/stat.h>

namespace quorvel::platform {
namespace {

// Past this many pixels a preview is not attempted: formats without
// shrink-on-load would decode the whole of a hostile header's claim.
constexpr double maxSourcePixels = 400.0 * 1000 * 1000;

QImage toQImage(VipsImage* image)
{
    const int bands = vips_image_get_bands(image);
    size_t size = 0;
    void* memory = vips_image_write_to_memory(image, &size);
    if (!memory)
        return {};
    const int width = vips_image_get_width(image);
    const int height = vips_image_get_height(image);
    QImage::Format format = bands == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888;
    QImage wrapped(static_cast<const uchar*>(memory), width, height, width * bands, format);
    QImage copy = wrapped.copy();
    g_free(memory);
    return copy;
}

} // namespace

QImage makePreview(const QString& path, QSize bounds)
{
    if (bounds.width() < 1 || bounds.height() < 1)
        return {};
    const QByteArray file = path.toUtf8();
    struct stat info {};
    if (::stat(file.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {}; // a pipe or device must never block a check

    ensureVipsStarted();
    VipsImage* header = vips_image_new_from_file(file.constData(), nullptr);
    if (!header) {
        vips_error_clear();
        return {};
    }
    const double pixels = double(vips_image_get_width(header)) * vips_image_get_height(header);
    g_object_unref(header);
    if (pixels > maxSourcePixels)
        return {};

    VipsImage* thumb = nullptr;
    if (vips_thumbnail(file.constData(), &thumb, bounds.width(), "height", bounds.height(),
                       "size", VIPS_SIZE_DOWN, nullptr)
        != 0) {
        vips_error_clear();
        return {};
    }
    QImage result;
    try {
        vips::VImage image(thumb); // takes the reference
        if (image.interpretation() != VIPS_INTERPRETATION_sRGB)
            image = image.colourspace(VIPS_INTERPRETATION_sRGB);
        if (image.bands() > 4)
            image = image.extract_band(0, vips::VImage::option()->set("n", 4));
        if (image.format() != VIPS_FORMAT_UCHAR)
            image = image.cast(VIPS_FORMAT_UCHAR);
        result = toQImage(image.get_image());
    } catch (const vips::VError&) {
        vips_error_clear();
        return {};
    }
    return result;
}

PreviewLoader::PreviewLoader(QObject* parent)
    : QObject(parent)
{
}

PreviewLoader::~PreviewLoader()
{
    waitForPending();
}

void PreviewLoader::request(const QString& path, QSize bounds)
{
    const quint64 generation = ++m_generation;
    auto* watcher = new QFutureWatcher<QImage>(this);
    m_running.append(watcher);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, generation] {
        m_running.removeOne(watcher);
        watcher->deleteLater();
        if (generation == m_generation)
            Q_EMIT previewReady(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([path, bounds] { return makePreview(path, bounds); }));
}

void PreviewLoader::cancel()
{
    ++m_generation;
}

void PreviewLoader::waitForPending()
{
    const auto running = m_running;
    for (auto* watcher : running)
        watcher->waitForFinished();
}

} // namespace quorvel::platform

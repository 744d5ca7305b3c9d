// Costs of a large batch: making it, and stepping through it. Files opened
// are counted by the kernel (inotify on the batch's folder), so every read
// is seen, whichever library makes it; libvips opens a file once per loader
// that it asks "is this yours?", so one read of a header is many opens.
// Prints its figures; runs offscreen.
#include "app/MainWindow.h"
#include "app/QuorvelInfo.h"
#include "platform/PreviewMaker.h"
#include "support/VipsStart.h"
#include "settings/PreferencesWindow.h"

#include "ui_PreferencesWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QMap>
#include <QTemporaryDir>

#include <vips/vips8>

#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>

namespace {

constexpr int batchSize = 10000;
constexpr int steps = 200;

// Opens per file name in one folder since the last call.
class OpenCounter {
public:
    explicit OpenCounter(const QString& folder)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        // Close events keep two opens of one file from being merged into one.
        inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_OPEN | IN_CLOSE_NOWRITE);
    }
    ~OpenCounter() { ::close(m_fd); }

    QMap<QString, int> take()
    {
        QMap<QString, int> opens;
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
            if (length <= 0)
                break;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && (event->mask & IN_OPEN))
                    ++opens[QString::fromUtf8(event->name)];
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return opens;
    }

private:
    int m_fd;
};

QString describe(const QMap<QString, int>& opens)
{
    QStringList parts;
    for (auto it = opens.cbegin(); it != opens.cend(); ++it)
        parts << QStringLiteral("%1 x%2").arg(it.key()).arg(it.value());
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QLatin1String(", "));
}

void discard(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QUORVEL_LOADER"))
        qputenv("QUORVEL_LOADER", QUORVEL_LOADER_BINARY);
    QApplication app(argc, argv);
    // The trace lines are formatted as in the program but not printed.
    qInstallMessageHandler(discard);

    quorvel::test::ensureVipsStarted();
    QTemporaryDir dir;
    const QString original = dir.filePath(QStringLiteral("original.jpg"));
    vips::VImage::black(3000, 2000, vips::VImage::option()->set("bands", 3)).write_to_file(original.toUtf8().constData());
    QStringList paths;
    for (int i = 0; i < batchSize; ++i) {
        const QString path = dir.filePath(QStringLiteral("image %1.jpg").arg(i, 5, 10, QLatin1Char('0')));
        if (::link(QFile::encodeName(original).constData(), QFile::encodeName(path).constData()) != 0)
            return 1;
        paths << path;
    }

    quorvel::PreferencesWindow preferences;
    quorvel::MainWindow window;
    quorvel::QuorvelInfo* info = quorvel::QuorvelInfo::sharedInstance();
    info->connectOutlets({&window, &preferences, nullptr, nullptr, nullptr});
    info->awakeFromNib();
    int thumbnails = 0;
    QObject::connect(info->previewLoader(), &quorvel::platform::PreviewLoader::previewReady, [&](const QImage& image) {
        if (!image.isNull())
            ++thumbnails;
    });
    auto settle = [&] {
        info->previewLoader()->waitForPending();
        QCoreApplication::processEvents();
    };

    OpenCounter counter(dir.path());
    counter.take();

    std::printf("Batch of %d paths (hard links to one 3000 x 2000 JPEG)\n\n", batchSize);
    struct Setup {
        bool traced;
        bool preview;
    };
    for (const Setup setup : {Setup{true, true}, Setup{false, true}, Setup{false, false}}) {
        QLoggingCategory::setFilterRules(setup.traced ? QString() : QStringLiteral("quorvel.*.info=false"));
        preferences.form()->loSuich->setChecked(setup.preview);
        std::printf("trace lines %s, previews %s:\n", setup.traced ? "on" : "off", setup.preview ? "on" : "off");

        for (const char* entry : {"drop / open panel", "opened with the application"}) {
            thumbnails = 0;
            QElapsedTimer timer;
            timer.start();
            if (entry[0] == 'd')
                info->createFromDragAndDrop(paths);
            else
                info->applicationOpenFiles(paths);
            const double made = timer.nsecsElapsed() / 1e6;
            settle();
            const QMap<QString, int> opens = counter.take();
            std::printf("  new batch (%s): %.2f ms on the main thread; files opened: %s; thumbnails: %d\n", entry,
                        made, qPrintable(describe(opens)), thumbnails);
        }

        thumbnails = 0;
        int otherOpens = 0;
        int currentOpens = 0;
        QElapsedTimer timer;
        qint64 mainThread = 0;
        qint64 withPreview = 0;
        for (int i = 0; i < steps; ++i) {
            timer.start();
            info->nextImage();
            mainThread += timer.nsecsElapsed();
            settle();
            withPreview += timer.nsecsElapsed();
            const QMap<QString, int> opens = counter.take();
            const QString current = QFileInfo(paths.at(info->contatore())).fileName();
            for (auto it = opens.cbegin(); it != opens.cend(); ++it)
                (it.key() == current ? currentOpens : otherOpens) += it.value();
        }
        std::printf("  Next x%d: %.3f ms each on the main thread, %.3f ms with its thumbnail;\n"
                    "    opens of the current file %.2f per step, of any other file %d; thumbnails %.2f per step\n",
                    steps, mainThread / 1e6 / steps, withPreview / 1e6 / steps, double(currentOpens) / steps,
                    otherOpens, double(thumbnails) / steps);

        timer.start();
        for (int i = 0; i < steps; ++i)
            info->prevImage();
        const double back = timer.nsecsElapsed() / 1e6 / steps;
        settle();
        counter.take();
        std::printf("  Previous x%d without waiting for thumbnails: %.3f ms each\n\n", steps, back);
    }

    // The same step in a batch of two, to show what the list's trace line costs.
    QLoggingCategory::setFilterRules(QString());
    preferences.form()->loSuich->setChecked(true);
    info->createFromDragAndDrop(paths.mid(0, 2));
    settle();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < steps; ++i)
        info->nextImage();
    std::printf("Next in a batch of 2, trace lines on: %.3f ms each on the main thread\n",
                timer.nsecsElapsed() / 1e6 / steps);
    settle();

    quorvel::QuorvelInfo::releaseSharedInstance();
    return 0;
}

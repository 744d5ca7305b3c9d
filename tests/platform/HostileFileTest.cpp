// Files that lie about their size, are damaged, are not files at all or stop
// existing: the measure is the unreadable one or the header's own values, the
// preview is null or small, and nothing hangs, crashes or takes the memory.
#include "HostileFiles.h"

#include "check/ImageMeasure.h"
#include "platform/PreviewMaker.h"
#include "platform/header/ImageFileReader.h"
#include "report/ReportText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::test {
namespace {

using namespace std::chrono_literals;

const QSize kBounds(256, 256);
constexpr qint64 kPromptMs = 5000;          // generous for the sanitizer build
constexpr long kMemoryGrowthKiB = 600 * 1024; // far below any bomb's claim

long peakRssKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool writeFile(const QString& path, const QByteArray& bytes, qint64 size = -1)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    return size < 0 || file.resize(size); // resize leaves a hole: no data written
}

enum class Expect { Unreadable, Header };

struct HostileCase {
    const char* name;
    // Makes the file in `dir` and returns the path the check gets.
    std::function<QString(const QDir& dir)> make;
    Expect measure;
    int height = 0;
    int width = 0;
    bool smallPreview = false; // a preview within the bounds may exist
};

class HostileFile : public ::testing::TestWithParam<HostileCase> {
protected:
    QTemporaryDir dir;
    platform::ImageFileReader reader;
};

TEST_P(HostileFile, MeasuresOrRefusesPromptlyInBoundedMemory)
{
    const HostileCase c = GetParam();
    ASSERT_TRUE(dir.isValid());
    const QString path = c.make(QDir(dir.path()));
    ASSERT_FALSE(path.isEmpty());
    const long rssBefore = peakRssKiB();

    QElapsedTimer clock;
    clock.start();
    const ImageMeasure measure = measureImage(QFile::encodeName(path).toStdString(), reader);
    if (c.measure == Expect::Unreadable) {
        EXPECT_EQ(measure.pixelsHigh, 0);
        EXPECT_EQ(measure.pixelsWide, 0);
        EXPECT_FALSE(measure.colourSpaceName.has_value());
    } else {
        EXPECT_EQ(measure.pixelsHigh, c.height);
        EXPECT_EQ(measure.pixelsWide, c.width);
    }
    const QImage preview = platform::makePreview(path, kBounds);
    if (c.smallPreview) {
        EXPECT_LE(preview.width(), kBounds.width());
        EXPECT_LE(preview.height(), kBounds.height());
    } else {
        EXPECT_TRUE(preview.isNull()) << preview.width() << " x " << preview.height();
    }
    EXPECT_LT(clock.elapsed(), kPromptMs);
    EXPECT_LT(peakRssKiB() - rssBefore, kMemoryGrowthKiB);
}

QString named(const QDir& dir, const char* name, const QByteArray& bytes, qint64 size = -1)
{
    const QString path = dir.filePath(QLatin1String(name));
    return writeFile(path, bytes, size) ? path : QString();
}

constexpr qint64 kFourGiB = qint64(4) << 30;

INSTANTIATE_TEST_SUITE_P(Files, HostileFile, ::testing::Values(
    HostileCase{"PngBomb", [](const QDir& d) { return named(d, "bomb.png", pngClaiming(100000, 100000)); },
                Expect::Header, 100000, 100000},
    HostileCase{"InterlacedPngAtThePixelLimit", [](const QDir& d) { return named(d, "wide.png", pngClaiming(20000, 20000, true)); },
                Expect::Header, 20000, 20000},
    HostileCase{"TiffBomb", [](const QDir& d) { return named(d, "bomb.tif", tiffClaiming(100000, 100000)); },
                Expect::Header, 100000, 100000},
    HostileCase{"JpegBomb", [](const QDir& d) { return named(d, "bomb.jpg", jpegClaiming(65000, 65000, false)); },
                Expect::Header, 65000, 65000},
    // Under the pixel limit, but its coefficients alone take gigabytes.
    HostileCase{"ProgressiveJpegNeedingGigabytes", [](const QDir& d) { return named(d, "big.jpg", jpegClaiming(19000, 19000, true)); },
                Expect::Header, 19000, 19000},
    // libvips draws only the frame, which is small.
    HostileCase{"GifBomb", [](const QDir& d) { return named(d, "bomb.gif", gifClaiming(65535, 65535)); },
                Expect::Header, 65535, 65535, true},
    // Past the first version's limit; the large variant may claim as much.
    HostileCase{"PsdBomb", [](const QDir& d) { return named(d, "bomb.psd", psdClaiming(300000, 300000)); },
                Expect::Unreadable},
    HostileCase{"PsbAtItsLimit", [](const QDir& d) { return named(d, "bomb.psb", psdClaiming(300000, 300000, 2)); },
                Expect::Header, 300000, 300000},
    // More pixels than the format's 4 GiB, and just under them.
    HostileCase{"BmpBomb", [](const QDir& d) { return named(d, "bomb.bmp", bmpClaiming(100000, 100000)); },
                Expect::Unreadable},
    HostileCase{"TopDownBmpUnderTheFormatsLimit", [](const QDir& d) { return named(d, "big.bmp", bmpClaiming(60000, -60000, 8)); },
                Expect::Header, 60000, 60000},
    // Read by the loader helper: its header is measured, its preview refused.
    HostileCase{"Jpeg2000Bomb", [](const QDir& d) { return named(d, "bomb.jp2", jp2Claiming(100000, 100000)); },
                Expect::Header, 100000, 100000},
    HostileCase{"Jpeg2000TileBomb", [](const QDir& d) { return named(d, "tiles.jp2", jp2Claiming(60000, 60000, 1)); },
                Expect::Unreadable},
    HostileCase{"SparseFourGigabytesNamedTif", [](const QDir& d) { return named(d, "sparse.tif", QByteArray(), kFourGiB); },
                Expect::Unreadable},
    HostileCase{"SparseFourGigabytesBehindATiffBomb", [](const QDir& d) { return named(d, "sparse-bomb.tif", tiffClaiming(60000, 60000), kFourGiB); },
                Expect::Header, 60000, 60000},
    HostileCase{"NamedPipe", [](const QDir& d) {
                    const QString path = d.filePath(QStringLiteral("pipe.png"));
                    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
                }, Expect::Unreadable},
    HostileCase{"DeviceFile", [](const QDir&) { return QStringLiteral("/dev/zero"); }, Expect::Unreadable},
    HostileCase{"LinkToADevice", [](const QDir& d) {
                    const QString path = d.filePath(QStringLiteral("random.jpg"));
                    return QFile::link(QStringLiteral("/dev/urandom"), path) ? path : QString();
                }, Expect::Unreadable},
    HostileCase{"GoneBeforeTheCheck", [](const QDir& d) {
                    const QString path = named(d, "gone.png", smallImage(QStringLiteral(".png")));
                    return QFile::remove(path) ? path : QString();
                }, Expect::Unreadable}),
    [](const auto& info) { return std::string(info.param.name); });

// Every format cut short and bit-flipped: each copy is either unreadable or
// measured, and its preview is null or fits the bounds.
TEST(DamagedFile, EveryFormatCutShortOrBitFlipped)
{
    QTemporaryDir dir;
    platform::ImageFileReader reader;
    int copies = 0;
    for (const char* suffix : {".jpg", ".png", ".tif", ".webp", ".gif", ".psd", ".bmp", ".jp2"}) {
        const QByteArray original = smallImage(QLatin1String(suffix));
        ASSERT_FALSE(original.isEmpty()) << suffix;
        QList<QByteArray> damaged;
        for (const qsizetype length : {qsizetype(1), qsizetype(7), qsizetype(30), original.size() / 2, original.size() - 1})
            damaged << original.left(length);
        for (unsigned seed = 0; seed < 24; ++seed)
            damaged << bitFlipped(original, 1 + seed % 4, seed < 12 ? 64 : int(original.size()), seed);
        for (const QByteArray& bytes : damaged) {
            const QString path = dir.filePath(QStringLiteral("copy%1%2").arg(copies++).arg(QLatin1String(suffix)));
            ASSERT_TRUE(writeFile(path, bytes));
            const ImageMeasure m = measureImage(QFile::encodeName(path).toStdString(), reader);
            EXPECT_EQ(m.pixelsHigh > 0, m.pixelsWide > 0) << path.toStdString();
            EXPECT_EQ(m.pixelsHigh == 0, m.unreadableReason != UnreadableReason::None) << path.toStdString();
            const QImage preview = platform::makePreview(path, kBounds);
            EXPECT_LE(preview.width(), kBounds.width());
            EXPECT_LE(preview.height(), kBounds.height());
        }
    }
}

// The report over a batch of such files counts every one and lists the
// bombs with the size their header claims.
TEST(HostileBatch, ReportCountsEveryFile)
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    const QStringList files{
        named(d, "bomb.png", pngClaiming(100000, 100000)),
        named(d, "bomb.tif", tiffClaiming(100000, 100000)),
        named(d, "sparse.tif", QByteArray(), kFourGiB),
        named(d, "ok.webp", smallImage(QStringLiteral(".webp"))),
        QStringLiteral("/dev/zero"),
        d.filePath(QStringLiteral("gone.jpg")),
    };
    ASSERT_FALSE(files.contains(QString()));
    platform::ImageFileReader reader;
    const ReportInputs inputs{files, ReportOptions{1, 1, 1, 1, 1, 1, 1}, ReportControls{{0, true, 300}, 0, QStringLiteral("Print")},
                              QDateTime::currentDateTime(), QStringLiteral("example.org")};
    const ReportResult report = buildReport(inputs, measureAll(files, reader));
    EXPECT_EQ(report.correct + report.error, files.size());
    EXPECT_EQ(report.text.count(QStringLiteral("Height: 100000\n")), 2);
    EXPECT_EQ(report.text.count(QStringLiteral("Height: 0\n")), 3);
}

// A path that keeps turning into a named pipe and back: a check that opened
// the path twice would block forever on the pipe.
TEST(SwappedForAPipe, NeitherMeasureNorPreviewBlocks)
{
    QTemporaryDir dir;
    const QDir d(dir.path());
    const QString path = d.filePath(QStringLiteral("swapped.png"));
    const QString image = named(d, "image.png", smallImage(QStringLiteral(".png")));
    const QString garbage = named(d, "garbage.png", QByteArray(4096, 'x')); // falls through to libvips
    QStringList pipes;
    for (int i = 0; i < 8; ++i) {
        pipes << d.filePath(QStringLiteral("pipe%1").arg(i));
        ASSERT_EQ(::mkfifo(QFile::encodeName(pipes.last()).constData(), 0600), 0);
    }
    // Points `path` at `target` in one step.
    auto pointAt = [&](const QString& target) {
        const QByteArray temporary = QFile::encodeName(path + QStringLiteral(".new"));
        ::unlink(temporary.constData());
        if (::symlink(QFile::encodeName(target).constData(), temporary.constData()) == 0)
            ::rename(temporary.constData(), QFile::encodeName(path).constData());
    };
    pointAt(image);

    std::atomic<bool> stop {false};
    std::thread swapper([&] {
        for (int i = 0; !stop; ++i) {
            pointAt(i % 2 ? pipes.at((i / 2) % pipes.size()) : (i % 4 ? image : garbage));
            std::this_thread::sleep_for(50us);
        }
    });
    auto checks = std::async(std::launch::async, [&] {
        platform::ImageFileReader reader;
        const QByteArray name = QFile::encodeName(path);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 500) {
            reader.readHeader(name.toStdString());
            platform::makePreview(path, kBounds);
        }
    });
    const bool finished = checks.wait_for(20s) == std::future_status::ready;
    stop = true;
    swapper.join();
    if (!finished) {
        // Release whatever blocked in an open, so the test can end.
        while (checks.wait_for(100ms) != std::future_status::ready)
            for (const QString& pipe : pipes)
                ::close(::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK));
    }
    EXPECT_TRUE(finished) << "a check blocked on a named pipe";
}

// A file rewritten again and again while its preview is made, as an editor
// saving in place does: each preview is null or small, and nothing aborts.
class RewrittenWhilePreviewed : public ::testing::TestWithParam<const char*> {};

TEST_P(RewrittenWhilePreviewed, NeverCrashes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("busy") + QLatin1String(GetParam()));
    const QByteArray bytes = smallImage(QLatin1String(GetParam()));
    ASSERT_TRUE(writeFile(path, bytes));

    std::atomic<bool> stop {false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            QFile file(path);
            if (file.open(QIODevice::WriteOnly)) // truncates first
                file.write(bytes.left(bytes.size() * (1 + i % 3) / 3));
        }
    });
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 500) {
        const QImage preview = platform::makePreview(path, kBounds);
        EXPECT_LE(preview.width(), kBounds.width());
    }
    stop = true;
    writer.join();
}

INSTANTIATE_TEST_SUITE_P(Formats, RewrittenWhilePreviewed, ::testing::Values(".png", ".jpg", ".tif", ".webp", ".gif"),
                         [](const auto& info) { return std::string(info.param + 1); });

} // namespace
} // namespace quorvel::test

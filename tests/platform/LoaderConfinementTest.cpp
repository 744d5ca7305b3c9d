// The loader helper's children as a hostile file's exploit would drive them:
// every attempt to reach beyond the one file fails or ends the child; a
// child that lies in its reply, queues another, sends a descriptor or stalls
// costs its own file only; an interactive check gets through while
// background work holds every other child.
#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"
#include "platform/header/ImageFileReader.h"
#include "platform/loader/LoaderClient.h"
#include "TestBuildOfHelper.h"
#include "platform/PreviewMaker.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include <signal.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quorvel::test {
namespace {

using namespace std::chrono_literals;
namespace loader = platform::loader;

// quorvel-inspect: the build's, or its copy where the test runs as a user
// who cannot reach the build (as_ordinary_user.sh).
QString inspectBinary()
{
    const char* copy = std::getenv("QUORVEL_TEST_INSPECT_BINARY");
    return QFile::decodeName(copy && *copy ? copy : QUORVEL_INSPECT_BINARY);
}

// The test build of the helper, whose trigger files make its children
// misbehave, for the duration of a test.
using TestHelper = TestBuildOfHelper;

long maxResidentKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

using HostileReplies = TestHelper;

// Each lie costs its own file, and the good file after it measures as
// itself: nothing a child queued or claimed reaches another request.
TEST_F(HostileReplies, CostOnlyTheirOwnFile)
{
    const std::string good = goodFile(QStringLiteral("good.svg"));
    struct Row {
        const char* trigger;
        UnreadableReason reason;
    };
    const Row rows[] = {
        {"QUORVEL-TEST-EXTRA", UnreadableReason::Damaged},      // a second reply behind the first
        {"QUORVEL-TEST-NUMBER", UnreadableReason::Damaged},     // another request's number
        {"QUORVEL-TEST-FORGE", UnreadableReason::Damaged},      // a colour space no image has
        {"QUORVEL-TEST-DESCRIPTOR", UnreadableReason::Damaged}, // a descriptor along with the reply
        {"QUORVEL-TEST-HUGE", UnreadableReason::TimedOut},      // the largest length, then silence
        {"QUORVEL-TEST-LINGER", UnreadableReason::None},        // a good answer, then it stays
    };
    const long before = maxResidentKiB();
    for (const Row& row : rows) {
        const std::string hostile = file(QStringLiteral("hostile.jp2"), row.trigger);
        const bool silent = row.reason == UnreadableReason::TimedOut;
        loader::setHelperTimeouts(silent ? loader::HelperTimeouts{1500ms, 1500ms} : loader::HelperTimeouts{30000ms, 30000ms});
        const ImageMeasure m = measureImage(hostile, reader);
        loader::setHelperTimeouts({30000ms, 30000ms});
        EXPECT_EQ(m.unreadableReason, row.reason) << row.trigger;
        EXPECT_EQ(m.pixelsHigh, row.reason == UnreadableReason::None ? 1 : 0) << row.trigger;
        const ImageMeasure next = measureImage(good, reader);
        EXPECT_EQ(next.unreadableReason, UnreadableReason::None) << "after " << row.trigger;
        EXPECT_EQ(next.pixelsHigh, 10) << "after " << row.trigger;
        EXPECT_EQ(next.pixelsWide, 12) << "after " << row.trigger;
        EXPECT_EQ(next.colourSpaceName.value_or(""), "CalibratedRGB") << "after " << row.trigger;
    }
    // A preview's claim of 64 MiB, then silence: nothing allocated up front.
    const std::string huge = file(QStringLiteral("huge.jp2"), "QUORVEL-TEST-HUGE");
    loader::Preview preview;
    loader::setHelperTimeouts({1500ms, 1500ms});
    const int fd = ::open(huge.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(loader::makePreviewThroughHelper(fd, loader::maxPreviewSide, loader::maxPreviewSide, preview));
    ::close(fd);
    EXPECT_LT(maxResidentKiB() - before, 32 * 1024);
    EXPECT_EQ(loader::runningHelperRequests(), 0);
}

// What quorvel-inspect prints for the helper's files: one line per file,
// each naming its own file, nothing a child forged, no control character.
TEST_F(HostileReplies, InspectPrintsNoForgedLine)
{
    std::vector<std::string> paths;
    const char* triggers[] = {"QUORVEL-TEST-EXTRA", "QUORVEL-TEST-FORGE", "QUORVEL-TEST-NUMBER",
                              "QUORVEL-TEST-DESCRIPTOR", "QUORVEL-TEST-LINGER", "QUORVEL-TEST-CRASH"};
    for (int i = 0; i < int(std::size(triggers)); ++i) {
        paths.push_back(goodFile(QStringLiteral("good%1.svg").arg(i)));
        paths.push_back(file(QStringLiteral("hostile%1.jp2").arg(i), triggers[i]));
    }
    QStringList arguments;
    for (const std::string& path : paths)
        arguments << QFile::decodeName(path.c_str());
    QProcess inspect;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVEL_LOADER"), QFile::decodeName(loaderTestBinary()));
    inspect.setProcessEnvironment(env);
    inspect.start(inspectBinary(), arguments);
    // Far beyond the header time-out of every file: it must end by itself.
    ASSERT_TRUE(inspect.waitForFinished(120000));
    const QByteArray out = inspect.readAllStandardOutput();
    for (const char c : out)
        EXPECT_TRUE(c == '\n' || c == '\t' || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)) << int(c);
    const QList<QByteArray> lines = out.split('\n');
    ASSERT_EQ(lines.size(), qsizetype(paths.size() + 1)) << out.constData();
    for (size_t i = 0; i < paths.size(); ++i) {
        const QList<QByteArray> fields = lines[qsizetype(i)].split('\t');
        ASSERT_GE(fields.size(), 3) << lines[qsizetype(i)].constData();
        EXPECT_EQ(fields[0].toStdString(), paths[i]);
        const bool good = i % 2 == 0;
        const bool lingers = i == 9; // its answer was good
        EXPECT_EQ(fields[1], good ? "10" : lingers ? "1" : "0") << paths[i];
        EXPECT_EQ(fields[2], good ? "12" : lingers ? "1" : "0") << paths[i];
    }
}

// A file whose name carries a line break, a tab and a terminal escape: each
// format prints one record for it, and no control character but its own
// separators.
TEST_F(HostileReplies, FileNamesForgeNothing)
{
    const std::string path = goodFile(QString::fromUtf8("a\nforged.svg\t1\t1\x1b]0;x\x07\xc2\x9b" "2J.svg"));
    struct Row {
        const char* format;
        qsizetype lines; // with the header row
    };
    for (const Row& row : {Row{"lines", 1}, Row{"tsv", 2}, Row{"csv", 2}, Row{"json", -1}}) {
        QProcess inspect;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVEL_LOADER"), QFile::decodeName(loaderTestBinary()));
        inspect.setProcessEnvironment(env);
        QStringList arguments{QFile::decodeName(path.c_str())};
        if (std::string_view(row.format) != "lines")
            arguments << QStringLiteral("--format") << QLatin1String(row.format);
        inspect.start(inspectBinary(), arguments);
        ASSERT_TRUE(inspect.waitForFinished(60000));
        const QByteArray out = inspect.readAllStandardOutput();
        for (qsizetype i = 0; i < out.size(); ++i) {
            const auto c = static_cast<unsigned char>(out[i]);
            EXPECT_TRUE(c == '\n' || c == '\t' || c == '\r' || (c >= 0x20 && c != 0x7F)) << row.format << " " << int(c);
            EXPECT_FALSE(c == 0xC2 && i + 1 < out.size() && static_cast<unsigned char>(out[i + 1]) == 0x9B) << row.format;
        }
        if (row.lines > 0)
            EXPECT_EQ(out.trimmed().count('\n') + 1, row.lines) << row.format << ": " << out.constData();
        EXPECT_TRUE(out.contains("10")) << row.format; // it was measured
    }
}

// A loader that fills standard error measures the same whether the
// program's stderr is a terminal, a pipe or a regular file.
TEST_F(HostileReplies, WarningsOnStderrChangeNothing)
{
    const std::string warns = file(QStringLiteral("warns.jp2"), "QUORVEL-TEST-WARN");
    QByteArray outputs[2];
    for (int toFile = 0; toFile < 2; ++toFile) {
        QProcess inspect;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVEL_LOADER"), QFile::decodeName(loaderTestBinary()));
        inspect.setProcessEnvironment(env);
        if (toFile)
            inspect.setStandardErrorFile(dir.filePath(QStringLiteral("stderr.log")));
        inspect.start(inspectBinary(), {QFile::decodeName(warns.c_str())});
        ASSERT_TRUE(inspect.waitForFinished(60000));
        outputs[toFile] = inspect.readAllStandardOutput();
    }
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_TRUE(outputs[1].contains("\t1\t1\t")) << outputs[1].constData();
}

// Every way out that an exploit inside a decoder would try, each in a child
// of its own: the call fails or the child is killed, the file is unreadable,
// and nothing outside changed.
class ConfinedChild : public TestHelper {
protected:
    void SetUp() override
    {
        TestHelper::SetUp();
        m_sibling = ::fork();
        if (m_sibling == 0) {
            for (;;)
                ::pause();
        }
        ASSERT_GT(m_sibling, 0);
        m_target = file(QStringLiteral("owned.txt"), "the user's own file\n");
        ::chmod(m_target.c_str(), 0600);
        struct stat info {};
        ASSERT_EQ(::stat(m_target.c_str(), &info), 0);
        m_targetBefore = info;
    }

    void TearDown() override
    {
        if (m_sibling > 0) {
            ::kill(m_sibling, SIGKILL);
            ::waitpid(m_sibling, nullptr, 0);
        }
        TestHelper::TearDown();
    }

    pid_t m_sibling = -1;
    std::string m_target;
    struct stat m_targetBefore {};
};

TEST_F(ConfinedChild, EveryEscapeFailsAndCostsOnlyItsFile)
{
    const std::string good = goodFile(QStringLiteral("good.svg"));
    // Proof that the probe runs: an attempt at nothing succeeds.
    const std::string control = file(QStringLiteral("control.jp2"), "QUORVEL-TEST-ESCAPE none 0 /");
    ASSERT_TRUE(reader.readHeader(control).readable);

    const char* attempts[] = {"tiocsti-tty", "tiocsti-stderr", "kill",       "tgkill",     "sigqueue",
                              "pidfd-signal", "prlimit",       "setpriority", "chmod",      "fchmodat2",
                              "utimensat",    "setxattr",      "parent-mem", "parent-fd",  "read-other",
                              "write-file",   "shm",           "mqueue",     "socket",     "connect",
                              "execve",       "fork",          "io-uring",   "ptrace",     "write-stdout",
                              "write-image",  "root",          "inherited-environment", "shared-session",
                              "stray-descriptor",
#if !defined(__SANITIZE_ADDRESS__)
                              "alloc-2g", // the sanitizer's shadow takes the address space
#endif
    };
    // None of the program's variables reaches a child.
    ::setenv("QUORVEL_CALLER_ONLY", "1", 1);
    loader::stopIdleHelpers();
    // Other files and other processes' /proc entries are shut away by the
    // file-system ruleset alone, which older kernels do not have.
    const bool ruleset = ::syscall(444 /* landlock_create_ruleset */, nullptr, 0, 1u) > 0;
    if (!ruleset)
        std::fprintf(stderr, "no Landlock in this kernel: reading other files is not tried\n");
    const int priorityBefore = ::getpriority(PRIO_PROCESS, id_t(m_sibling));
    for (const char* attempt : attempts) {
        const std::string_view name(attempt);
        if (!ruleset && (name == "read-other" || name == "parent-fd" || name == "parent-mem" || name == "tiocsti-tty"))
            continue;
        // The test process's own /proc entries stand for the program's.
        const pid_t pid = std::string_view(attempt).starts_with("parent-") ? ::getpid() : m_sibling;
        const std::string probe = file(QStringLiteral("probe.jp2"), QByteArray("QUORVEL-TEST-ESCAPE ") + attempt + ' '
                                                                         + QByteArray::number(pid) + ' '
                                                                         + QByteArray(m_target.c_str()));
        const ImageHeader header = reader.readHeader(probe);
        EXPECT_FALSE(header.readable) << attempt << " succeeded";
        EXPECT_NE(header.unreadableReason, UnreadableReason::None) << attempt;
        EXPECT_EQ(reader.readHeader(good).pixelsHigh, 10) << "after " << attempt;
    }
    ::unsetenv("QUORVEL_CALLER_ONLY");
    // Nothing outside changed.
    EXPECT_EQ(::waitpid(m_sibling, nullptr, WNOHANG), 0) << "the sibling was signalled";
    EXPECT_EQ(::getpriority(PRIO_PROCESS, id_t(m_sibling)), priorityBefore);
    struct stat after {};
    ASSERT_EQ(::stat(m_target.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, m_targetBefore.st_mode);
    EXPECT_EQ(after.st_mtim.tv_sec, m_targetBefore.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, m_targetBefore.st_mtim.tv_nsec);
    EXPECT_LT(::getxattr(m_target.c_str(), "user.quorvel", nullptr, 0), 0);
    EXPECT_NE(::access((m_target + ".written").c_str(), F_OK), 0);
    EXPECT_NE(::access("/dev/mqueue/quorvel-probe", F_OK), 0);
}

// Every loader's decoding stays within the child's allow-list and file
// rules: a call missing from them would kill the child on that format alone.
TEST(ChildFilter, LetsEveryLoaderDecode)
{
    QTemporaryDir dir;
    // First, from a fresh helper whose slow loaders are not started yet: a
    // Targa file of 4 x 3, which only ImageMagick's loader reads, starts it
    // in the child.
    loader::stopIdleHelpers();
    QByteArray targa(18, '\0');
    targa[2] = 2; // uncompressed true colour
    targa[12] = 4;
    targa[14] = 3;
    targa[16] = 24;
    targa += QByteArray(4 * 3 * 3, '\x60');
    const QString tga = dir.filePath(QStringLiteral("rgb.tga"));
    QFile tgaFile(tga);
    ASSERT_TRUE(tgaFile.open(QIODevice::WriteOnly) && tgaFile.write(targa) == targa.size());
    tgaFile.close();
    struct Row {
        const char* file;
        Model model;
    };
    const Row rows[] = {{"rgb.jpg", Model::RGB},   {"cmyk.tif", Model::CMYK}, {"rgba.png", Model::RGBA},
                        {"rgb.webp", Model::RGB},  {"rgb.gif", Model::RGB},   {"rgb.heic", Model::RGB},
                        {"rgb.jp2", Model::RGB},   {"grey.jxl", Model::Grey}};
    std::vector<std::string> paths{QFile::encodeName(tga).toStdString()};
    for (const Row& row : rows) {
        const QString path = dir.filePath(QLatin1String(row.file));
        if (writeTestImage(path, {.width = 64, .height = 48, .model = row.model}))
            paths.push_back(QFile::encodeName(path).toStdString());
    }
    // A one-page document of 72 x 36 points, which the PDF loader renders
    // at 72 dpi.
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    QFile out(pdf);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
              "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
              "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 72 36]>>endobj\n"
              "trailer<</Root 1 0 R>>\n%%EOF\n");
    out.close();
    paths.push_back(QFile::encodeName(pdf).toStdString());
    // Text in a drawing: fonts found and read in the child.
    const QString svg = dir.filePath(QStringLiteral("text.svg"));
    QFile drawing(svg);
    ASSERT_TRUE(drawing.open(QIODevice::WriteOnly));
    drawing.write("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"90\" height=\"30\">"
                  "<text x=\"2\" y=\"20\" font-family=\"sans-serif\">Quorvel</text></svg>");
    drawing.close();
    paths.push_back(QFile::encodeName(svg).toStdString());
    ASSERT_GE(paths.size(), 5u);
    for (const std::string& path : paths) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ImageDetails details;
        const ImageHeader header = loader::readHeaderThroughHelper(fd, &details);
        EXPECT_TRUE(header.readable) << path << " " << int(header.unreadableReason);
        loader::Preview preview;
        EXPECT_TRUE(loader::makePreviewThroughHelper(fd, 32, 32, preview)) << path;
        ::close(fd);
    }
}

// The processes whose parent is `parent`.
std::vector<pid_t> childrenOf(pid_t parent)
{
    std::vector<pid_t> children;
    QDir proc(QStringLiteral("/proc"));
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == parent)
            children.push_back(pid);
    }
    return children;
}

using HelperLifetime = TestHelper;

// The helper started by a worker thread that has since ended still serves
// the requests of the others, those in flight included. (A parent-death
// signal follows the thread that started the process, where the kernel
// keeps to its documented rule.)
TEST_F(HelperLifetime, OutlivesTheThreadThatStartedIt)
{
    const std::string good = goodFile(QStringLiteral("good.svg"));
    const std::string slow = file(QStringLiteral("slow.svg"), "QUORVEL-TEST-SLOW");
    std::promise<void> started;
    std::promise<void> mayEnd;
    std::thread starter([&, end = mayEnd.get_future()] {
        EXPECT_EQ(reader.readHeader(good).pixelsHigh, 10); // starts the helper
        started.set_value();
        end.wait();
    });
    started.get_future().wait();
    auto inFlight = std::async(std::launch::async, [&] { return reader.readHeader(slow); });
    // Until the zygote has forked the slow file's child.
    for (bool forked = false; !forked; std::this_thread::yield()) {
        for (pid_t zygote : childrenOf(::getpid()))
            forked = forked || !childrenOf(zygote).empty();
    }
    mayEnd.set_value();
    starter.join();
    const ImageHeader header = inFlight.get();
    EXPECT_TRUE(header.readable) << int(header.unreadableReason);
    EXPECT_EQ(reader.readHeader(good).pixelsHigh, 10);
}

using InteractiveLane = TestHelper;

// Background requests hold every child a core allows, each stuck on a file
// that never answers; the inspector's check still gets through at once.
TEST_F(InteractiveLane, GetsThroughWhileBackgroundWorkHoldsEveryChild)
{
    loader::setHelperTimeouts({10000ms, 10000ms});
    const std::string hang = file(QStringLiteral("hang.jp2"), "QUORVEL-TEST-HANG");
    const std::string good = goodFile(QStringLiteral("good.svg"));
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::future<ImageHeader>> background;
    for (int i = 0; i < cores; ++i)
        background.push_back(std::async(std::launch::async, [&] { return reader.readHeader(hang); }));
    while (loader::runningHelperRequests() < cores)
        std::this_thread::yield();

    ImageHeader header;
    {
        loader::InteractiveRequests interactive;
        header = reader.readHeader(good);
    }
    EXPECT_EQ(header.pixelsHigh, 10);
    // So does the inspector's preview.
    platform::PreviewLoader previews;
    QSignalSpy ready(&previews, &platform::PreviewLoader::previewReady);
    previews.request(QString::fromStdString(good), QSize(8, 8));
    ASSERT_TRUE(ready.wait(30000));
    EXPECT_FALSE(ready.at(0).at(0).value<QImage>().isNull());
    // Neither waited for a background request to time out.
    for (auto& request : background)
        EXPECT_EQ(request.wait_for(0s), std::future_status::timeout);
    for (auto& request : background)
        EXPECT_EQ(request.get().unreadableReason, UnreadableReason::TimedOut);
}

} // namespace
} // namespace quorvel::test

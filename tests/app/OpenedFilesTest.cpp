#include "app/InspectorFixture.h"

#include "app/OpenedFiles.h"
#include "platform/ImageTypes.h"

#include <QFileOpenEvent>
#include <QMimeDatabase>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace quorvel::test {
namespace {

struct ArgumentsCase {
    const char* name;
    QStringList arguments;
    QStringList files;
};

void PrintTo(const ArgumentsCase& c, std::ostream* os)
{
    *os << c.name;
}

class CommandLine : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(CommandLine, PathsBecomeAbsoluteAndStayOtherwiseAsGiven)
{
    EXPECT_EQ(filesFromArguments(GetParam().arguments, QStringLiteral("/home/u/pics")), GetParam().files);
}

INSTANTIATE_TEST_SUITE_P(, CommandLine, ::testing::Values(
    ArgumentsCase{"absolute", {"/a/b.png", "/c d/e f.tif"}, {"/a/b.png", "/c d/e f.tif"}},
    ArgumentsCase{"relative", {"b.png", "sub/c.jpg", "../up.png", "./here.png", "../imgs/a.jpg"},
                  {"/home/u/pics/b.png", "/home/u/pics/sub/c.jpg", "/home/u/up.png", "/home/u/pics/here.png",
                   "/home/u/imgs/a.jpg"}},
    ArgumentsCase{"uncleanAbsolute", {"/x//y/./z/../a.png", "file:///x/other/../b.png"}, {"/x/y/a.png", "/x/b.png"}},
    ArgumentsCase{"oddNames", {"100%.png", "file:odd.png", "-dash.png"},
                  {"/home/u/pics/100%.png", "/home/u/pics/file:odd.png", "/home/u/pics/-dash.png"}},
    ArgumentsCase{"fileAddresses", {"file:///x/a%20b.png", "https://host/c.png"}, {"/x/a b.png"}},
    ArgumentsCase{"emptyOnesDropped", {"", "a.png"}, {"/home/u/pics/a.png"}},
    ArgumentsCase{"none", {}, {}}),
    [](const ::testing::TestParamInfo<ArgumentsCase>& param) { return std::string(param.param.name); });

using OpenedWithTheApplication = InspectorFixture;

TEST_F(OpenedWithTheApplication, FileOpenEventsOfOneRequestBecomeOneBatch)
{
    OpenedFilesCollector collector;
    QObject::connect(&collector, &OpenedFilesCollector::filesOpened, info, &QuorvelInfo::applicationOpenFiles);
    qApp->installEventFilter(&collector);
    QStringList opened;
    QObject::connect(&collector, &OpenedFilesCollector::filesOpened, [&](const QStringList& files) {
        opened << QStringLiteral("%1 files").arg(files.size());
    });

    const QStringList three{image(QStringLiteral("one.png"), {}), image(QStringLiteral("two.png"), {}),
                            image(QStringLiteral("three.png"), {})};
    for (const QString& path : three) {
        QFileOpenEvent event(path);
        QCoreApplication::sendEvent(qApp, &event);
    }
    QFileOpenEvent empty{QString()};
    QCoreApplication::sendEvent(qApp, &empty);
    EXPECT_FALSE(info->hasBatch()) << "handed over once the request is complete";
    QCoreApplication::processEvents();
    EXPECT_EQ(info->nomideifiles(), three);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("1/3"));
    EXPECT_EQ(ui()->tabelleVista->currentIndex(), 0);

    QFileOpenEvent later(QUrl::fromLocalFile(three.at(1)));
    QCoreApplication::sendEvent(qApp, &later);
    QCoreApplication::processEvents();
    EXPECT_EQ(info->nomideifiles(), QStringList{three.at(1)});
    EXPECT_EQ(opened, (QStringList{QStringLiteral("3 files"), QStringLiteral("1 files")}));
    qApp->removeEventFilter(&collector);
}

// The desktop entry that lets a file manager open images with the program.
class DesktopEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile file(QStringLiteral(QUORVEL_DESKTOP_FILE));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            if (equals > 0)
                entry.insert(line.left(equals), line.mid(equals + 1));
        }
    }
    QHash<QString, QString> entry;
};

TEST_F(DesktopEntry, IsNamedByTheApplicationIdAndPassesFiles)
{
    EXPECT_EQ(QFileInfo(QStringLiteral(QUORVEL_DESKTOP_FILE)).fileName(), QStringLiteral(QUORVEL_APP_ID ".desktop"));
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), QStringLiteral("quorvel %F"));
    // Desktops then hand files to the running copy over the bus.
    EXPECT_EQ(entry.value(QStringLiteral("DBusActivatable")), QStringLiteral("true"));
}

TEST_F(DesktopEntry, ListsTheImageTypesThatTheLoaderReads)
{
    const QStringList listed = entry.value(QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    ASSERT_FALSE(listed.isEmpty());

    const QStringList readable = platform::readableImageSuffixes();
    const QMimeDatabase types;
    for (const QString& name : listed) {
        const QMimeType type = types.mimeTypeForName(name);
        ASSERT_TRUE(type.isValid()) << name.toStdString();
        bool read = false;
        for (const QString& suffix : type.suffixes())
            read = read || readable.contains(suffix.toLower());
        EXPECT_TRUE(read) << name.toStdString() << " is listed but the loader reads none of its suffixes";
    }
    for (const QString& suffix : readable) {
        const QMimeType type = types.mimeTypeForFile(QStringLiteral("x.") + suffix, QMimeDatabase::MatchExtension);
        if (type.name().startsWith(QLatin1String("image/"))) {
            EXPECT_TRUE(listed.contains(type.name())) << type.name().toStdString() << " is read but not listed";
        }
    }
}

} // namespace
} // namespace quorvel::test

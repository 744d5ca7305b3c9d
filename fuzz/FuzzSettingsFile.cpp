// Any bytes as the stored defaults file: the store reads it or sets it aside,
// the settings list and the viewer choice read what is there, and what the
// store writes back reads again as the same list.
#include "platform/JsonDefaultsStore.h"
#include "settings/SettingsList.h"
#include "viewer/ViewerChoice.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("quorvel.*=false")); // one warning per bad file
        return true;
    }();
    static const QTemporaryDir folder; // removed at exit
    static const QTemporaryDir* const scratch = &folder;
    static int serial = 0;
    if (!quiet || !scratch->isValid())
        std::abort();
    // A new name each time: QSettings keeps what it read of a file name.
    const QString path = scratch->filePath(QStringLiteral("defaults%1.json").arg(serial++));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
            std::abort();
    }

    QList<quorvel::Setting> read;
    {
        quorvel::platform::JsonDefaultsStore store(path);
        const quorvel::SettingsList list(store);
        read = list.entries();
        quorvel::SettingsList::describe(read);
        quorvel::viewer::viewerState(quorvel::viewer::readPreferredReader(store));
        quorvel::viewer::readManager(store);
        store.setValue(QStringLiteral("fuzzWrittenBack"), 1); // writes the whole file anew
    }
    {
        quorvel::platform::JsonDefaultsStore again(path);
        if (!again.movedAsideTo().isEmpty())
            std::abort(); // the store could not read what it wrote
        if (quorvel::SettingsList(again).entries() != read)
            std::abort(); // the list changed on its way through the file
    }
    const QStringList left = QDir(scratch->path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : left)
        QFile::remove(scratch->filePath(name));
    return 0;
}

#include "platform/JsonDefaultsStore.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>
#include <limits>

namespace quorvel::platform {
namespace {

// JSON numbers come back as doubles or 64-bit integers; whole numbers in
// int range are handed out as int, so a stored 72 reads as the int 72.
QVariant fromJson(const QJsonValue& json)
{
    switch (json.type()) {
    case QJsonValue::Array: {
        QVariantList list;
        const QJsonArray array = json.toArray();
        for (const QJsonValue& item : array)
            list.append(fromJson(item));
        return list;
    }
    case QJsonValue::Object: {
        QVariantMap map;
        const QJsonObject object = json.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            map.insert(it.key(), fromJson(it.value()));
        return map;
    }
    case QJsonValue::Double: {
        const double number = json.toDouble();
        // In range before any cast: casting 1e300 to an integer is undefined.
        if (number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max()
            && number == std::trunc(number))
            return static_cast<int>(number);
        return number;
    }
    default:
        return json.toVariant();
    }
}

bool readJson(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray bytes = device.readAll();
    if (bytes.trimmed().isEmpty())
        return true; // an empty file holds nothing yet
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it)
        map.insert(it.key(), fromJson(it.value()));
    return true;
}

bool writeJson(QIODevice& device, const QSettings::SettingsMap& map)
{
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it)
        object.insert(it.key(), QJsonValue::fromVariant(it.value()));
    return device.write(QJsonDocument(object).toJson(QJsonDocument::Indented)) >= 0;
}

} // namespace

int JsonDefaultsStore::format()
{
    static const QSettings::Format json = QSettings::registerFormat(QStringLiteral("json"), readJson, writeJson);
    return json;
}

JsonDefaultsStore::JsonDefaultsStore()
{
    const QSettings probe(static_cast<QSettings::Format>(format()), QSettings::UserScope,
                          QCoreApplication::organizationName(), QCoreApplication::applicationName());
    open(probe.fileName());
}

JsonDefaultsStore::JsonDefaultsStore(const QString& fileName)
{
    open(fileName);
}

JsonDefaultsStore::~JsonDefaultsStore() = default;

void JsonDefaultsStore::open(const QString& fileName)
{
    m_settings = std::make_unique<QSettings>(fileName, static_cast<QSettings::Format>(format()));
    if (m_settings->status() != QSettings::FormatError)
        return;
    // Keep the user's file for recovery; start afresh as with nothing stored.
    m_settings.reset();
    const QString aside = fileName + QStringLiteral(".corrupt-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (QFile::rename(fileName, aside)) {
        m_movedAside = aside;
        qCWarning(lcPlatform).noquote() << "defaults file could not be read; kept as" << aside;
    } else {
        qCWarning(lcPlatform).noquote() << "defaults file could not be read nor moved aside:" << fileName;
    }
    m_settings = std::make_unique<QSettings>(fileName, static_cast<QSettings::Format>(format()));
}

void JsonDefaultsStore::refresh() const
{
    // Picks up what another running copy saved since the last look.
    m_settings->sync();
}

bool JsonDefaultsStore::contains(const QString& key) const
{
    refresh();
    return m_settings->contains(key);
}

QVariant JsonDefaultsStore::value(const QString& key) const
{
    refresh();
    return m_settings->value(key);
}

void JsonDefaultsStore::setValue(const QString& key, const QVariant& value)
{
    m_settings->setValue(key, value);
    m_settings->sync(); // written at once, not at some later idle moment
    if (m_settings->status() != QSettings::NoError)
        qCWarning(lcPlatform).noquote() << "defaults could not be saved to" << m_settings->fileName();
}

void JsonDefaultsStore::whileLocked(const std::function<void()>& work)
{
    // The lock lives beside the file, so its folder must exist before the
    // first change; otherwise the very first write would go unlocked.
    const QString folder = QFileInfo(m_settings->fileName()).absolutePath();
    if (!QDir().mkpath(folder))
        qCWarning(lcPlatform).noquote() << "could not make the folder of the defaults:" << folder;
    // Not QSettings' own "<file>.lock": that one is taken inside sync(),
    // which runs while this lock is held.
    QLockFile lock(m_settings->fileName() + QStringLiteral(".update-lock"));
    // A copy that died holding the lock leaves it stale; no change takes this long.
    lock.setStaleLockTime(10000);
    if (!lock.tryLock(30000))
        qCWarning(lcPlatform).noquote() << "defaults changed without the lock beside" << m_settings->fileName();
    work();
}

void JsonDefaultsStore::update(const QString& key, const std::function<QVariant(const QVariant&)>& change)
{
    whileLocked([&] { setValue(key, change(value(key))); });
}

void JsonDefaultsStore::updateTogether(const QStringList& keys,
                                       const std::function<void(QVariantMap& values)>& change)
{
    whileLocked([&] { writeTogether(keys, change); });
}

QString JsonDefaultsStore::fileName() const
{
    return m_settings->fileName();
}

} // namespace quorvel::platform

#pragma once

#include "platform/DefaultsStore.h"

#include <QString>

#include <memory>

class QSettings;

namespace quorvel::platform {

// The user's defaults in a JSON file that a person can read and edit,
// through QSettings (atomic saves, locking between running copies). Reads
// pick up what another running copy wrote since. A file that cannot be parsed
// is moved aside, kept with a suffix, before anything writes a new one.
class JsonDefaultsStore final : public DefaultsStore {
public:
    // The per-user file of the application (organisation and application
    // names of QCoreApplication), e.g. ~/.config/Quorvel/Quorvel.json.
    JsonDefaultsStore();
    // A store in the given file (tests, other tools).
    explicit JsonDefaultsStore(const QString& fileName);
    ~JsonDefaultsStore() override;

    bool contains(const QString& key) const override;
    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    // Holds a lock file beside the store from the read to the write.
    void update(const QString& key, const std::function<QVariant(const QVariant&)>& change) override;
    void updateTogether(const QStringList& keys, const std::function<void(QVariantMap& values)>& change) override;

    QString fileName() const;
    // Where an unparsable file was moved; empty when none was.
    QString movedAsideTo() const { return m_movedAside; }

    // The format QSettings uses for these files.
    static int format();

private:
    void open(const QString& fileName);
    void refresh() const;
    // Holds a lock file beside the store while `work` reads and writes.
    void whileLocked(const std::function<void()>& work);

    std::unique_ptr<QSettings> m_settings;
    QString m_movedAside;
};

} // namespace quorvel::platform

#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>

namespace quorvel::platform {

// The user's defaults: values by key, kept between runs. Written at once
// after each change.
class DefaultsStore {
public:
    virtual ~DefaultsStore() = default;
    virtual bool contains(const QString& key) const = 0;
    virtual QVariant value(const QString& key) const = 0; // invalid when absent
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    // Reads the value, lets `change` make the new one from it and writes
    // that, with no other running copy writing in between where the store
    // can see to it.
    virtual void update(const QString& key, const std::function<QVariant(const QVariant&)>& change)
    {
        setValue(key, change(value(key)));
    }
    // The same for several keys read and written together: `values` holds
    // the stored ones among `keys`; each of `keys` that `change` leaves in it
    // is written.
    virtual void updateTogether(const QStringList& keys, const std::function<void(QVariantMap& values)>& change)
    {
        writeTogether(keys, change);
    }

protected:
    void writeTogether(const QStringList& keys, const std::function<void(QVariantMap& values)>& change)
    {
        QVariantMap values;
        for (const QString& key : keys) {
            if (contains(key))
                values.insert(key, value(key));
        }
        change(values);
        for (const QString& key : keys) {
            if (values.contains(key))
                setValue(key, values.value(key));
        }
    }
};

} // namespace quorvel::platform

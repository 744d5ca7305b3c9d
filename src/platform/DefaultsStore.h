#pragma once

#include <QString>
#include <QVariant>

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
};

} // namespace quorvel::platform

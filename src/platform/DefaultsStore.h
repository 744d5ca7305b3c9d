#pragma once

#include <QString>
#include <QVariant>

namespace quorvel::platform {

// The user's defaults: values by key, kept between runs. Written at once
// after each change.
class DefaultsStore {
public:
    virtual ~DefaultsStore() = default;
    virtual bool contains(const QString& key) const = 0;
    virtual QVariant value(const QString& key) const = 0; // invalid when absent
    virtual void setValue(const QString& key, const QVariant& value) = 0;
};

} // namespace quorvel::platform

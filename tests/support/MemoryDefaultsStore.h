#pragma once

#include "platform/DefaultsStore.h"

#include <QVariantMap>

namespace quorvel::test {

// A defaults store that lives in memory and counts its writes.
class MemoryDefaultsStore : public platform::DefaultsStore {
public:
    bool contains(const QString& key) const override { return values.contains(key); }
    QVariant value(const QString& key) const override { return values.value(key); }
    void setValue(const QString& key, const QVariant& value) override
    {
        values.insert(key, value);
        ++writes;
    }

    QVariantMap values;
    int writes = 0;
};

} // namespace quorvel::test

#pragma once

#include <QByteArrayView>
#include <QVariant>

#include <optional>

namespace quorvel::info {

// Larger answers are refused unread: a version list is a few hundred bytes.
inline constexpr qsizetype maxPropertyListSize = 1024 * 1024;

// Reads an XML property list: dict (QVariantMap), array (QVariantList),
// string and key (QString), integer (qlonglong), real (double), true and
// false (bool), date (QDateTime, UTC) and data (QByteArray).
//
// Nothing when the data is larger than maxPropertyListSize, is not
// well-formed, is not a property list, nests deeper than any real list does,
// declares entities or refers to any beyond XML's own. External DTDs are
// never fetched.
std::optional<QVariant> parsePropertyList(QByteArrayView data);

} // namespace quorvel::info

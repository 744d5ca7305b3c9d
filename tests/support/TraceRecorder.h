#pragma once

#include <QString>
#include <QStringList>

namespace quorvel::test {

// Collects the trace lines written while it lives, in order.
class TraceRecorder {
public:
    TraceRecorder();
    ~TraceRecorder();
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    QStringList lines() const;
    void clear();
    // True when `expected` occurs in the recorded lines in this order
    // (other lines may stand between them).
    bool containsInOrder(const QStringList& expected) const;
};

} // namespace quorvel::test

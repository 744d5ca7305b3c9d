#include "support/TraceRecorder.h"

#include <QMutex>
#include <QtGlobal>

namespace quorvel::test {
namespace {
QMutex mutex;
QStringList recorded;
QtMessageHandler previous = nullptr;

void record(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QByteArray(context.category).startsWith("quorvel.")) {
        QMutexLocker lock(&mutex);
        recorded.append(message);
    }
}
} // namespace

TraceRecorder::TraceRecorder()
{
    clear();
    previous = qInstallMessageHandler(record);
}

TraceRecorder::~TraceRecorder()
{
    qInstallMessageHandler(previous);
}

QStringList TraceRecorder::lines() const
{
    QMutexLocker lock(&mutex);
    return recorded;
}

void TraceRecorder::clear()
{
    QMutexLocker lock(&mutex);
    recorded.clear();
}

bool TraceRecorder::containsInOrder(const QStringList& expected) const
{
    const QStringList all = lines();
    qsizetype at = 0;
    for (const QString& line : expected) {
        at = all.indexOf(line, at);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

} // namespace quorvel::test

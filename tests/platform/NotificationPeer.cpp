// Another running copy of the program, as far as notifications go:
//   notification_peer post NAME    posts once and quits
//   notification_peer listen NAME  prints "ready", then "received NAME" on the
//                                  first delivery, and quits (exit 1 after 10 s)
#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return 2;
    const QString mode = args.at(1);
    const QString name = args.at(2);
    quorvel::platform::NotificationCenter center;
    QTextStream out(stdout);

    if (mode == QLatin1String("post")) {
        center.post(name);
        QTimer::singleShot(200, &app, &QCoreApplication::quit);
        return QCoreApplication::exec();
    }
    center.observe(name);
    QObject::connect(&center, &quorvel::platform::NotificationCenter::notified, &app, [&](const QString& got) {
        out << "received " << got << Qt::endl;
        QCoreApplication::exit(0);
    });
    QTimer::singleShot(10000, &app, [] { QCoreApplication::exit(1); });
    // Let the bus register the match rule before announcing readiness.
    QTimer::singleShot(100, &app, [&] { out << "ready" << Qt::endl; });
    return QCoreApplication::exec();
}

// A second running copy, reduced to what matters here: adds COUNT settings
// named PREFIX-1 ... PREFIX-COUNT to the store in FILE, one add at a time,
// each with an ink limit of 200 + its number.
// usage: settings_adder FILE PREFIX COUNT
#include "platform/JsonDefaultsStore.h"
#include "settings/SettingsList.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return 2;
    quorvel::platform::JsonDefaultsStore store(args.at(1));
    quorvel::SettingsList list(store);
    const int count = args.at(3).toInt();
    for (int i = 1; i <= count; ++i)
    {
        quorvel::PrintDemands demands;
        demands.inkLimitPercent = 200 + i;
        list.append(QStringLiteral("%1-%2").arg(args.at(2)).arg(i), {1, 1, i, 0}, demands);
    }
    return 0;
}

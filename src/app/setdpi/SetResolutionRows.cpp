#include "app/setdpi/SetResolutionRows.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace quorvel::setdpi {

using platform::write::SetDpiRefusal;

SetResolutionRow resolutionRow(const QString& path, const ImageRecord& record, int newDpi, const RuleControls& rules,
                               SetDpiRefusal formatRefusal)
{
    SetResolutionRow row;
    row.path = path;
    row.newDpi = newDpi;
    if (!record.readable) {
        row.refusal = SetDpiRefusal::Unreadable;
        return row;
    }
    row.currentDpi = record.measuredDpi;
    row.refusal = formatRefusal;
    if (newDpi > 0) {
        row.widthInches = double(record.measure.pixelsWide) / newDpi;
        row.heightInches = double(record.measure.pixelsHigh) / newDpi;
    }
    // The file as it would measure: the new dpi, its colour as it is.
    const int dpiAfter = row.refusal == SetDpiRefusal::None ? newDpi : record.measuredDpi;
    row.stillFails = dpiFails(dpiAfter, requiredDpi(rules.sliderValue))
        || colourFails(record.measure.colourClass, rules.selectedRow, rules.matrixEnabled);
    return row;
}

QString printSizeText(const SetResolutionRow& row)
{
    if (row.refusal != SetDpiRefusal::None || row.newDpi <= 0)
        return {};
    return QCoreApplication::translate("SetResolutionSheet", "%1 × %2 mm (%3 × %4 in)")
        .arg(row.widthInches * 25.4, 0, 'f', 1)
        .arg(row.heightInches * 25.4, 0, 'f', 1)
        .arg(row.widthInches, 0, 'f', 2)
        .arg(row.heightInches, 0, 'f', 2);
}

int proposedDpi(const RuleControls& rules)
{
    const int demanded = requiredDpi(rules.sliderValue);
    return demanded >= 1 && demanded <= platform::write::maxSettableDpi ? demanded : 300;
}

SetDpiRefusal refusalOfFile(const QString& path)
{
    // Never opened unless it is a regular file: a named pipe would block.
    if (!QFileInfo(path).isFile())
        return SetDpiRefusal::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return SetDpiRefusal::Unreadable;
    const QByteArray start = file.read(32);
    return platform::write::refusalByFormat(reinterpret_cast<const unsigned char*>(start.constData()),
                                            size_t(start.size()));
}

} // namespace quorvel::setdpi

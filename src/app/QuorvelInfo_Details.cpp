// Details: the facts beyond the measure, shown beside the inspector. They
// never change the specified fields; the check reads them in the same pass
// as the header.
#include "app/DetailsText.h"
#include "app/MainWindow.h"
#include "app/QuorvelInfo.h"
#include "app/UnreadableText.h"

#include "ui_MainWindow.h"

#include <QCoreApplication>

namespace quorvel {
namespace {


QString dpiText(double dpi)
{
    return QString::number(dpi, 'f', dpi == static_cast<long long>(dpi) ? 0 : 2);
}

QString sourceName(ResolutionSource source)
{
    switch (source) {
    case ResolutionSource::Jfif: return QStringLiteral("JFIF");
    case ResolutionSource::Exif: return QStringLiteral("EXIF");
    case ResolutionSource::PngPhys: return QStringLiteral("PNG pHYs");
    case ResolutionSource::TiffTags: return QCoreApplication::translate("Details", "TIFF tags");
    case ResolutionSource::Other: return QCoreApplication::translate("Details", "the file's header");
    case ResolutionSource::NotRecorded: break;
    }
    return {};
}

QString modelName(ColourModel model)
{
    switch (model) {
    case ColourModel::Grey: return QCoreApplication::translate("Details", "grey");
    case ColourModel::RGB: return QStringLiteral("RGB");
    case ColourModel::CMYK: return QStringLiteral("CMYK");
    case ColourModel::Lab: return QStringLiteral("Lab");
    case ColourModel::None:
    case ColourModel::Other: break;
    }
    return QCoreApplication::translate("Details", "other");
}

QString sizeText(const PrintSize& size)
{
    return QCoreApplication::translate("Details", "%1 × %2 mm (%3 × %4 in)")
        .arg(size.widthMm(), 0, 'f', 1)
        .arg(size.heightMm(), 0, 'f', 1)
        .arg(size.widthInches, 0, 'f', 2)
        .arg(size.heightInches, 0, 'f', 2);
}

QString yesNo(bool value)
{
    return value ? QCoreApplication::translate("Details", "yes") : QCoreApplication::translate("Details", "no");
}

} // namespace

QString detailsText(const ImageRecord& record)
{
    if (!record.readable)
        return QCoreApplication::translate("Details", "Unreadable: %1").arg(unreadableText(record.unreadableReason));
    if (!record.details)
        return {};
    const ImageDetails& d = *record.details;
    const QString warning = QStringLiteral("⚠ ");
    QStringList lines;

    if (d.resolutionSource == ResolutionSource::NotRecorded || !d.verticalDpi)
        lines << QCoreApplication::translate("Details", "Resolution: not recorded (counts as 72 dpi)");
    else
        lines << QCoreApplication::translate("Details", "Resolution: %1 × %2 dpi, from %3")
                     .arg(dpiText(d.horizontalDpi.value_or(*d.verticalDpi)), dpiText(*d.verticalDpi),
                          sourceName(d.resolutionSource));
    if (record.resolutionsDiffer)
        lines << warning + QCoreApplication::translate("Details", "Horizontal and vertical resolutions differ; the vertical one is checked");
    if (record.jfifExifConflict && d.verticalDpi)
        lines << warning + QCoreApplication::translate("Details", "JFIF says %1 dpi, EXIF says %2 dpi; JFIF is used")
                               .arg(dpiText(*d.verticalDpi), dpiText(*d.conflictingExifDpi));

    if (!d.hasProfile)
        lines << QCoreApplication::translate("Details", "Profile: none");
    else if (d.profileDescription.empty())
        lines << QCoreApplication::translate("Details", "Profile: unnamed (%1)").arg(modelName(d.profileModel));
    else
        lines << QCoreApplication::translate("Details", "Profile: %1 (%2)").arg(QString::fromStdString(d.profileDescription), modelName(d.profileModel));
    switch (record.profileWarning) {
    case ProfileWarning::ModelMismatch:
        lines << warning + QCoreApplication::translate("Details", "The profile is %1 but the pixels are %2").arg(modelName(d.profileModel), modelName(record.pixelModel));
        break;
    case ProfileWarning::CmykWithoutProfile:
        lines << warning + QCoreApplication::translate("Details", "CMYK without a profile: the printer cannot tell which CMYK");
        break;
    case ProfileWarning::None:
        break;
    }

    lines << QCoreApplication::translate("Details", "Bits per sample: %1 · Alpha: %2 · Pages: %3")
                 .arg(d.bitsPerSample ? QString::number(*d.bitsPerSample) : QCoreApplication::translate("Details", "unknown"), yesNo(d.alpha),
                      d.pages ? QString::number(*d.pages) : QCoreApplication::translate("Details", "unknown"));
    if (d.layers)
        lines << QCoreApplication::translate("Details", "Layers: %1").arg(*d.layers);

    if (record.printSize)
        lines << QCoreApplication::translate("Details", "Print size: %1").arg(sizeText(*record.printSize));
    if (record.judgement && record.judgement->largestPrintSize)
        lines << QCoreApplication::translate("Details", "Largest at %1 dpi: %2")
                     .arg(record.judgement->requiredDpi)
                     .arg(sizeText(*record.judgement->largestPrintSize));
    return lines.join(QLatin1Char('\n'));
}

void QuorvelInfo::showDetails(const ImageRecord& record)
{
    if (!m_finestra)
        return;
    form()->details->setPlainText(detailsText(record));
}

} // namespace quorvel

#include "check/ImageDetails.h"

#include "check/ColourClass.h"

#include <cmath>

namespace quorvel {
namespace {

bool startsWith(const std::string& text, std::string_view prefix)
{
    return text.size() >= prefix.size() && std::string_view(text).substr(0, prefix.size()) == prefix;
}

bool known(ColourModel model)
{
    return model != ColourModel::None && model != ColourModel::Other;
}

bool usable(std::optional<double> dpi)
{
    return dpi && *dpi > 0.0 && std::isfinite(*dpi);
}

} // namespace

ColourModel pixelModel(const std::optional<std::string>& name)
{
    if (!name)
        return ColourModel::None;
    if (*name == colourspace::rgb || startsWith(*name, "RGB "))
        return ColourModel::RGB;
    if (*name == colourspace::grayscale || startsWith(*name, "Gray "))
        return ColourModel::Grey;
    if (*name == colourspace::cmyk)
        return ColourModel::CMYK;
    if (*name == "Lab")
        return ColourModel::Lab;
    return ColourModel::Other;
}

bool resolutionsDiffer(const ImageDetails& details)
{
    return usable(details.horizontalDpi) && usable(details.verticalDpi)
        && std::fabs(*details.horizontalDpi - *details.verticalDpi) >= 0.01;
}

ProfileWarning profileWarning(const ImageDetails& details, ColourModel pixels)
{
    if (pixels == ColourModel::CMYK && !details.hasProfile)
        return ProfileWarning::CmykWithoutProfile;
    if (details.hasProfile && known(details.profileModel) && known(pixels) && details.profileModel != pixels)
        return ProfileWarning::ModelMismatch;
    return ProfileWarning::None;
}

std::string_view resolutionSourceKey(ResolutionSource source)
{
    switch (source) {
    case ResolutionSource::NotRecorded: return "none";
    case ResolutionSource::Jfif: return "jfif";
    case ResolutionSource::Exif: return "exif";
    case ResolutionSource::PngPhys: return "png-phys";
    case ResolutionSource::TiffTags: return "tiff";
    case ResolutionSource::Other: break;
    }
    return "other";
}

std::string_view colourModelKey(ColourModel model)
{
    switch (model) {
    case ColourModel::None: return "none";
    case ColourModel::Grey: return "grey";
    case ColourModel::RGB: return "rgb";
    case ColourModel::CMYK: return "cmyk";
    case ColourModel::Lab: return "lab";
    case ColourModel::Other: break;
    }
    return "other";
}

std::string_view profileWarningKey(ProfileWarning warning)
{
    switch (warning) {
    case ProfileWarning::None: return "none";
    case ProfileWarning::ModelMismatch: return "model-mismatch";
    case ProfileWarning::CmykWithoutProfile: break;
    }
    return "cmyk-without-profile";
}

std::optional<PrintSize> printSizeAtRecorded(int32_t pixelsWide, int32_t pixelsHigh,
                                             std::optional<double> horizontalDpi,
                                             std::optional<double> verticalDpi)
{
    if (!usable(horizontalDpi))
        horizontalDpi = verticalDpi;
    if (!usable(verticalDpi))
        verticalDpi = horizontalDpi;
    if (pixelsWide <= 0 || pixelsHigh <= 0 || !usable(horizontalDpi) || !usable(verticalDpi))
        return std::nullopt;
    return PrintSize{pixelsWide / *horizontalDpi, pixelsHigh / *verticalDpi};
}

std::optional<PrintSize> largestPrintSize(int32_t pixelsWide, int32_t pixelsHigh, int32_t requiredDpi)
{
    if (pixelsWide <= 0 || pixelsHigh <= 0 || requiredDpi <= 0)
        return std::nullopt;
    return PrintSize{static_cast<double>(pixelsWide) / requiredDpi, static_cast<double>(pixelsHigh) / requiredDpi};
}

void setProfile(ImageDetails& details, const unsigned char* data, size_t size)
{
    details.hasProfile = true;
    if (const std::optional<IccSummary> summary = readIccProfile(data, size)) {
        details.profileModel = summary->model;
        details.profileDescription = summary->description;
    } else {
        details.profileModel = ColourModel::Other; // present, but not readable as a profile
        details.profileDescription.clear();
    }
}

} // namespace quorvel

#include "check/ImageMeasure.h"

namespace quorvel {

ImageMeasure measureImage(const std::string& path, const ImageHeaderReader& reader, ImageDetails& details)
{
    details = ImageDetails{};
    return measureFromHeader(reader.readHeaderAndDetails(path, details));
}

} // namespace quorvel

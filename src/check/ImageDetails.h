#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// Where a file's recorded resolution comes from.
enum class ResolutionSource { NotRecorded, Jfif, Exif, PngPhys, TiffTags, Other };

// A colour model, as an ICC profile declares it or as the pixels carry it.
enum class ColourModel { None, Grey, RGB, CMYK, Lab, Other };

// What pre-press users ask about beyond the measure. Read in the same pass as
// the header, and only when asked for: the plain measure never pays for it.
struct ImageDetails {
    ResolutionSource resolutionSource = ResolutionSource::NotRecorded;
    // As recorded, in dots per inch; each is absent when the file records none.
    std::optional<double> horizontalDpi;
    std::optional<double> verticalDpi;
    // A JPEG whose JFIF density and EXIF resolution both name a size and
    // disagree; the measure follows JFIF, this is EXIF's vertical value.
    std::optional<double> conflictingExifDpi;

    bool hasProfile = false;
    std::string profileDescription;               // empty when none or unreadable
    ColourModel profileModel = ColourModel::None; // None without a profile

    std::optional<int> bitsPerSample;
    bool alpha = false;
    // Channels beyond the colour model's and the alpha channel: spot colours
    // and the like (layered documents, TIFF extra samples).
    int extraChannels = 0;
    std::optional<int> pages; // absent where the format cannot say cheaply
    std::optional<int> layers; // layered formats only
};

// The model of the pixels, from the loader's colour-space name: the three
// recognised names and their depth variants ("RGB 32-bit"), Lab; else Other.
ColourModel pixelModel(const std::optional<std::string>& colourSpaceName);

// Horizontal and vertical resolutions both recorded and not the same.
bool resolutionsDiffer(const ImageDetails& details);

enum class ProfileWarning { None, ModelMismatch, CmykWithoutProfile };

// A profile whose model is not the pixels' (a grey image with an RGB
// profile), or CMYK pixels with no profile to say which CMYK they are.
ProfileWarning profileWarning(const ImageDetails& details, ColourModel pixels);

// Stable lower-case keys for machine-readable output.
std::string_view resolutionSourceKey(ResolutionSource source);
std::string_view colourModelKey(ColourModel model);
std::string_view profileWarningKey(ProfileWarning warning);

// The physical size of an image, in inches.
struct PrintSize {
    double widthInches = 0.0;
    double heightInches = 0.0;
    double widthMm() const { return widthInches * 25.4; }
    double heightMm() const { return heightInches * 25.4; }
};

// The size at the resolution the file records; a missing axis takes the
// other's value. Absent when neither is recorded.
std::optional<PrintSize> printSizeAtRecorded(int32_t pixelsWide, int32_t pixelsHigh,
                                             std::optional<double> horizontalDpi,
                                             std::optional<double> verticalDpi);

// The largest size at which the image still meets a demanded resolution.
// Absent when nothing is demanded (0 or less) or the image has no pixels.
std::optional<PrintSize> largestPrintSize(int32_t pixelsWide, int32_t pixelsHigh, int32_t requiredDpi);

// The colour model and description of an ICC profile, read from its header
// and its 'desc' tag (v2 text description or v4 multi-localised text).
struct IccSummary {
    ColourModel model = ColourModel::Other;
    std::string description; // UTF-8, may be empty
};

// Absent when the bytes are not an ICC profile. Reads only within `size`.
std::optional<IccSummary> readIccProfile(const unsigned char* data, size_t size);

// Records a profile found in a file into the details.
void setProfile(ImageDetails& details, const unsigned char* data, size_t size);

} // namespace quorvel

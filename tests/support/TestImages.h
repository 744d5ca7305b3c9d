#pragma once

#include <QString>

namespace quorvel::test {

enum class Model { RGB, CMYK, Grey, GreyAlpha, RGBA, Lab };

// The unit the writer records the resolution in. libvips writes TIFF in
// centimetres, JPEG and WebP EXIF in inches and PNG in pixels per metre by
// default; the metadata "resolution-unit" moves TIFF and EXIF.
enum class ResolutionUnitForTest { WriterDefault, Inch, Centimetre };

struct ImageSpecForTest {
    int width = 16;
    int height = 16;
    Model model = Model::RGB;
    double dpi = 72.0;      // recorded resolution; <= 0 records none where the writer allows
    bool sixteenBit = false;
    int fill = 128;         // every sample's value (8-bit scale)
    ResolutionUnitForTest unit = ResolutionUnitForTest::WriterDefault;
    bool embedCmykProfile = false; // libvips' own CMYK profile, close to 1 MB, as print files carry
};

// Writes a small image with libvips; the format follows the file's suffix
// (.tif, .jpg, .png, .webp, .heic, .gif). Returns false when libvips refuses.
bool writeTestImage(const QString& path, const ImageSpecForTest& recipe);

} // namespace quorvel::test

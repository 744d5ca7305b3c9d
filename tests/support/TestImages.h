#pragma once

#include <QString>

namespace quorvel::test {

enum class Model { RGB, CMYK, Grey, GreyAlpha, RGBA, Lab };

struct ImageSpecForTest {
    int width = 16;
    int height = 16;
    Model model = Model::RGB;
    double dpi = 72.0;      // recorded resolution; <= 0 records none where the writer allows
    bool sixteenBit = false;
    int fill = 128;         // every sample's value (8-bit scale)
};

// Writes a small image with libvips; the format follows the file's suffix
// (.tif, .jpg, .png, .webp). Returns false when libvips refuses.
bool writeTestImage(const QString& path, const ImageSpecForTest& recipe);

} // namespace quorvel::test

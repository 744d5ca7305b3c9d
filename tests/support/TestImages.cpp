#include "support/TestImages.h"

#include "platform/VipsRuntime.h"

#include <vips/vips8>

namespace quorvel::test {

bool writeTestImage(const QString& path, const ImageSpecForTest& recipe)
{
    platform::ensureVipsStarted();
    int bands = 3;
    VipsInterpretation interpretation = VIPS_INTERPRETATION_sRGB;
    switch (recipe.model) {
    case Model::RGB: break;
    case Model::RGBA: bands = 4; break;
    case Model::CMYK: bands = 4; interpretation = VIPS_INTERPRETATION_CMYK; break;
    case Model::Grey: bands = 1; interpretation = VIPS_INTERPRETATION_B_W; break;
    case Model::GreyAlpha: bands = 2; interpretation = VIPS_INTERPRETATION_B_W; break;
    case Model::Lab: interpretation = VIPS_INTERPRETATION_LAB; break;
    }
    try {
        vips::VImage image = vips::VImage::black(recipe.width, recipe.height, vips::VImage::option()->set("bands", bands));
        image = image + recipe.fill;
        if (recipe.model == Model::Lab)
            image = image.cast(VIPS_FORMAT_FLOAT);
        else if (recipe.sixteenBit) {
            image = image.cast(VIPS_FORMAT_USHORT);
            interpretation = recipe.model == Model::Grey || recipe.model == Model::GreyAlpha
                ? VIPS_INTERPRETATION_GREY16 : (recipe.model == Model::CMYK ? interpretation : VIPS_INTERPRETATION_RGB16);
        } else
            image = image.cast(VIPS_FORMAT_UCHAR);
        image = image.copy(vips::VImage::option()
                               ->set("interpretation", interpretation)
                               ->set("xres", recipe.dpi > 0 ? recipe.dpi / 25.4 : 1.0)
                               ->set("yres", recipe.dpi > 0 ? recipe.dpi / 25.4 : 1.0));
        image.write_to_file(path.toUtf8().constData());
    } catch (const vips::VError&) {
        vips_error_clear();
        return false;
    }
    return true;
}

} // namespace quorvel::test

#include "support/TestImages.h"

#include "support/VipsStart.h"

#include <vips/vips8>

namespace quorvel::test {

bool writeTestImage(const QString& path, const ImageSpecForTest& recipe)
{
    test::ensureVipsStarted();
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
        if (recipe.unit != ResolutionUnitForTest::WriterDefault)
            image.set(VIPS_META_RESOLUTION_UNIT, recipe.unit == ResolutionUnitForTest::Inch ? "in" : "cm");
        if (recipe.embedCmykProfile) {
            VipsBlob* profile = nullptr;
            if (vips_profile_load("cmyk", &profile, nullptr) != 0)
                throw vips::VError();
            size_t size = 0;
            const void* data = vips_blob_get(profile, &size);
            vips_image_set_blob_copy(image.get_image(), VIPS_META_ICC_NAME, data, size);
            vips_area_unref(reinterpret_cast<VipsArea*>(profile));
        }
        image.write_to_file(path.toUtf8().constData());
    } catch (const vips::VError&) {
        vips_error_clear();
        return false;
    }
    return true;
}

} // namespace quorvel::test

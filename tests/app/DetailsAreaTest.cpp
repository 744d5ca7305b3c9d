// The details area beside the inspector: filled after each check, leaving
// the specified fields as the check left them.
#include "app/DetailsText.h"
#include "app/InspectorFixture.h"
#include "app/UnreadableText.h"

#include <QPlainTextEdit>

#include <vips/vips8>

namespace quorvel::test {
namespace {

class DetailsArea : public InspectorFixture {};

TEST_F(DetailsArea, ShowsTheDetailsOfTheCurrentImageAndWhyAnUnreadableOneIsUnreadable)
{
    QPlainTextEdit* details = ui()->details;
    EXPECT_TRUE(details->isReadOnly());
    EXPECT_EQ(details->accessibleName(), QStringLiteral("Details"));
    EXPECT_TRUE(details->toPlainText().isEmpty());

    // A 16-bit grey TIFF at 300 x 150 dpi carrying an RGB profile.
    const QString grey = dir.filePath(QStringLiteral("grey.tif"));
    {
        vips::VImage image = (vips::VImage::black(600, 300) + 90).cast(VIPS_FORMAT_USHORT)
                                 .copy(vips::VImage::option()
                                           ->set("interpretation", VIPS_INTERPRETATION_GREY16)
                                           ->set("xres", 300 / 25.4)
                                           ->set("yres", 150 / 25.4));
        VipsBlob* blob = nullptr;
        ASSERT_EQ(vips_profile_load("srgb", &blob, nullptr), 0);
        vips_image_set_blob_copy(image.get_image(), VIPS_META_ICC_NAME, blob->area.data, blob->area.length);
        vips_area_unref(&blob->area);
        image.write_to_file(grey.toUtf8().constData());
    }
    setControls(2, true, 300);
    info->createFromDragAndDrop({grey, dir.filePath(QStringLiteral("missing.tif"))});

    const QString text = details->toPlainText();
    for (const char* expected : {"Resolution: 300 × 150 dpi, from TIFF tags",
                                 "⚠ Horizontal and vertical resolutions differ",
                                 "⚠ The profile is RGB but the pixels are grey",
                                 "Bits per sample: 16 · Alpha: no · Pages: 1",
                                 "Print size: 50.8 × 50.8 mm (2.00 × 2.00 in)",
                                 "Largest at 300 dpi: 50.8 × 25.4 mm (2.00 × 1.00 in)"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    // The specified fields are those of the check, untouched by the details.
    EXPECT_EQ(ui()->quorColor->text(), QStringLiteral("Grayscale"));
    EXPECT_EQ(ui()->quorDpi->text(), QStringLiteral("150"));
    EXPECT_TRUE(isRed(ui()->quorDpi));

    info->nextImage();
    EXPECT_TRUE(details->toPlainText().startsWith(QStringLiteral("Unreadable: "))) << details->toPlainText().toStdString();
    EXPECT_EQ(ui()->quorHeight->text(), QStringLiteral("0"));
    EXPECT_EQ(ui()->quorWidth->text(), QStringLiteral("0"));
}

TEST_F(DetailsArea, NamesEachReasonInItsOwnWords)
{
    const std::pair<UnreadableReason, const char*> reasons[] = {
        {UnreadableReason::NotAnImage, "not an image"},   {UnreadableReason::NotSupported, "format not supported"},
        {UnreadableReason::Damaged, "damaged"},           {UnreadableReason::TooLarge, "too large"},
        {UnreadableReason::TimedOut, "timed out"},        {UnreadableReason::PermissionDenied, "permission denied"},
        {UnreadableReason::Vanished, "no longer there"},  {UnreadableReason::NotFound, "not found"},
        {UnreadableReason::Folder, "a folder, not an image"},
    };
    for (const auto& [reason, words] : reasons) {
        ImageMeasure measure;
        measure.unreadableReason = reason;
        EXPECT_EQ(unreadableText(reason), QLatin1String(words));
        EXPECT_EQ(detailsText(makeRecord(measure, ImageDetails{})), QStringLiteral("Unreadable: ") + QLatin1String(words));
    }
    EXPECT_TRUE(unreadableText(UnreadableReason::None).isEmpty());
    // The empty measure is unreadable even when no reader said why.
    EXPECT_EQ(detailsText(makeRecord(ImageMeasure{})), QStringLiteral("Unreadable: damaged"));
}

} // namespace
} // namespace quorvel::test

#include "check/ImageDetails.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace quorvel;

namespace {

// A minimal ICC profile: the header (size, colour space, "acsp"), a tag
// table with one 'desc' tag, and the tag's bytes.
std::vector<unsigned char> profile(const char space[4], const std::vector<unsigned char>& desc)
{
    std::vector<unsigned char> p(128 + 4 + 12, 0);
    auto put32 = [&p](size_t at, uint32_t v) {
        p[at] = v >> 24; p[at + 1] = v >> 16; p[at + 2] = v >> 8; p[at + 3] = v;
    };
    std::memcpy(p.data() + 16, space, 4);
    std::memcpy(p.data() + 36, "acsp", 4);
    put32(128, 1);
    std::memcpy(p.data() + 132, "desc", 4);
    put32(136, static_cast<uint32_t>(p.size()));
    put32(140, static_cast<uint32_t>(desc.size()));
    p.insert(p.end(), desc.begin(), desc.end());
    put32(0, static_cast<uint32_t>(p.size()));
    return p;
}

std::vector<unsigned char> textDescription(const std::string& text)
{
    std::vector<unsigned char> t{'d', 'e', 's', 'c', 0, 0, 0, 0, 0, 0, 0, static_cast<unsigned char>(text.size() + 1)};
    t.insert(t.end(), text.begin(), text.end());
    t.push_back(0);
    return t;
}

// v4: two records, German first, then English; UTF-16BE strings.
std::vector<unsigned char> localisedDescription()
{
    auto utf16 = [](const std::u16string& s) {
        std::vector<unsigned char> out;
        for (char16_t c : s) {
            out.push_back(static_cast<unsigned char>(c >> 8));
            out.push_back(static_cast<unsigned char>(c));
        }
        return out;
    };
    const std::vector<unsigned char> de = utf16(u"Farbraum \u00FC");
    const std::vector<unsigned char> en = utf16(u"Coated \u00FC \U0001F5A8");
    std::vector<unsigned char> t{'m', 'l', 'u', 'c', 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 12};
    auto record = [&t](const char* lang, size_t length, size_t offset) {
        t.insert(t.end(), lang, lang + 4);
        for (uint32_t v : {static_cast<uint32_t>(length), static_cast<uint32_t>(offset)})
            for (int s = 24; s >= 0; s -= 8)
                t.push_back(static_cast<unsigned char>(v >> s));
    };
    record("deDE", de.size(), 40);
    record("enUS", en.size(), 40 + de.size());
    t.insert(t.end(), de.begin(), de.end());
    t.insert(t.end(), en.begin(), en.end());
    return t;
}

TEST(IccProfile, ReadsModelAndDescriptionOfBothTagTypes)
{
    const auto v2 = profile("GRAY", textDescription("  Dot Gain 20%  "));
    const auto summary = readIccProfile(v2.data(), v2.size());
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->model, ColourModel::Grey);
    EXPECT_EQ(summary->description, "Dot Gain 20%");

    const auto v4 = profile("CMYK", localisedDescription());
    const auto localised = readIccProfile(v4.data(), v4.size());
    ASSERT_TRUE(localised);
    EXPECT_EQ(localised->model, ColourModel::CMYK);
    EXPECT_EQ(localised->description, "Coated \u00FC \U0001F5A8"); // English preferred, UTF-8 out

    const auto lab = profile("Lab ", {});
    EXPECT_EQ(readIccProfile(lab.data(), lab.size())->model, ColourModel::Lab);
    const auto odd = profile("YCbr", textDescription("x"));
    EXPECT_EQ(readIccProfile(odd.data(), odd.size())->model, ColourModel::Other);
}

TEST(IccProfile, NotAProfileOrDamagedNeverReadsOutside)
{
    auto v2 = profile("RGB ", textDescription("sRGB"));
    EXPECT_FALSE(readIccProfile(nullptr, 0));
    auto noSignature = v2;
    noSignature[36] = 'x';
    EXPECT_FALSE(readIccProfile(noSignature.data(), noSignature.size()));

    // Every cut and every single-byte change: some answer, never a read past the end.
    const auto v4 = profile("CMYK", localisedDescription());
    for (const auto& original : {v2, v4}) {
        for (size_t n = 0; n <= original.size(); ++n) {
            std::vector<unsigned char> cut(original.begin(), original.begin() + n);
            cut.shrink_to_fit();
            (void)readIccProfile(cut.data(), cut.size());
        }
        std::mt19937 random(7);
        for (int i = 0; i < 2000; ++i) {
            auto damaged = original;
            damaged[random() % damaged.size()] = static_cast<unsigned char>(random());
            if (const auto s = readIccProfile(damaged.data(), damaged.size()))
                EXPECT_LE(s->description.size(), 256u + 4u);
        }
    }
}

TEST(Details, ProfileWarnings)
{
    struct Case { bool hasProfile; ColourModel profile; ColourModel pixels; ProfileWarning expected; };
    const Case cases[] = {
        {true, ColourModel::RGB, ColourModel::Grey, ProfileWarning::ModelMismatch},
        {true, ColourModel::CMYK, ColourModel::RGB, ProfileWarning::ModelMismatch},
        {true, ColourModel::RGB, ColourModel::RGB, ProfileWarning::None},
        {false, ColourModel::None, ColourModel::CMYK, ProfileWarning::CmykWithoutProfile},
        {true, ColourModel::CMYK, ColourModel::CMYK, ProfileWarning::None},
        {false, ColourModel::None, ColourModel::RGB, ProfileWarning::None},
        {true, ColourModel::Other, ColourModel::Grey, ProfileWarning::None}, // unreadable profile: no claim
        {true, ColourModel::RGB, ColourModel::Other, ProfileWarning::None},
    };
    for (const Case& c : cases) {
        ImageDetails d;
        d.hasProfile = c.hasProfile;
        d.profileModel = c.profile;
        EXPECT_EQ(profileWarning(d, c.pixels), c.expected)
            << colourModelKey(c.profile) << " on " << colourModelKey(c.pixels);
    }
    EXPECT_EQ(pixelModel(std::string("CalibratedGray")), ColourModel::Grey);
    EXPECT_EQ(pixelModel(std::string("RGB 32-bit")), ColourModel::RGB);
    EXPECT_EQ(pixelModel(std::string("Gray float")), ColourModel::Grey);
    EXPECT_EQ(pixelModel(std::string("DeviceN")), ColourModel::Other);
    EXPECT_EQ(pixelModel(std::nullopt), ColourModel::None);
}

TEST(Details, PrintSizes)
{
    // 3000 x 2400 at 300 x 150 dpi: 10 in wide, 16 in high.
    const auto recorded = printSizeAtRecorded(3000, 2400, 300.0, 150.0);
    ASSERT_TRUE(recorded);
    EXPECT_DOUBLE_EQ(recorded->widthInches, 10.0);
    EXPECT_DOUBLE_EQ(recorded->heightInches, 16.0);
    EXPECT_DOUBLE_EQ(recorded->widthMm(), 254.0);
    // One axis recorded: square pixels.
    EXPECT_DOUBLE_EQ(printSizeAtRecorded(600, 300, std::nullopt, 300.0)->widthInches, 2.0);
    EXPECT_FALSE(printSizeAtRecorded(600, 300, std::nullopt, std::nullopt));
    EXPECT_FALSE(printSizeAtRecorded(0, 0, 300.0, 300.0));

    const auto largest = largestPrintSize(3000, 2400, 300);
    ASSERT_TRUE(largest);
    EXPECT_DOUBLE_EQ(largest->widthInches, 10.0);
    EXPECT_DOUBLE_EQ(largest->heightMm(), 203.2);
    EXPECT_FALSE(largestPrintSize(3000, 2400, 0)); // nothing demanded: any size
    EXPECT_FALSE(largestPrintSize(0, 0, 300));

    ImageDetails d;
    d.horizontalDpi = 300.0;
    d.verticalDpi = 300.004;
    EXPECT_FALSE(resolutionsDiffer(d));
    d.verticalDpi = 299.0;
    EXPECT_TRUE(resolutionsDiffer(d));
}

} // namespace

// Just enough of an ICC profile to name it: the colour space of its header
// and its description tag. Every read is bounds-checked against the bytes
// given, whatever the profile claims about itself.
#include "check/ImageDetails.h"

#include <algorithm>
#include <cstring>

namespace quorvel {
namespace {

constexpr size_t headerSize = 128;
constexpr size_t maxDescription = 256; // bytes of UTF-8 kept
constexpr uint32_t maxTags = 1024;

uint32_t be32(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

bool fits(size_t offset, size_t length, size_t size)
{
    return offset <= size && length <= size - offset;
}

void appendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Control characters would break a line of output; they become spaces.
uint32_t printable(uint32_t c)
{
    return c < 0x20 || c == 0x7F ? ' ' : c;
}

std::string tidy(std::string text)
{
    const size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    const size_t start = text.find_first_not_of(' ');
    text.erase(0, start == std::string::npos ? text.size() : start);
    return text;
}

// v2 textDescriptionType: an ASCII count and the ASCII text, NUL included.
std::string asciiDescription(const unsigned char* tag, size_t size)
{
    if (size < 12)
        return {};
    const size_t count = std::min<size_t>(be32(tag + 8), size - 12);
    std::string text;
    for (size_t i = 0; i < count && text.size() < maxDescription; ++i) {
        const unsigned char c = tag[12 + i];
        if (c == 0)
            break;
        text += c < 0x80 ? static_cast<char>(printable(c)) : '?';
    }
    return tidy(text);
}

std::string utf16Description(const unsigned char* p, size_t bytes)
{
    std::string text;
    for (size_t i = 0; i + 1 < bytes && text.size() < maxDescription; i += 2) {
        uint32_t c = uint32_t(p[i]) << 8 | p[i + 1];
        if (c == 0)
            break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes) {
            const uint32_t low = uint32_t(p[i + 2]) << 8 | p[i + 3];
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(text, printable(c));
    }
    return tidy(text);
}

// v4 multiLocalizedUnicodeType: records of language, country, length and
// offset; English is preferred, else the first record.
std::string localisedDescription(const unsigned char* tag, size_t size)
{
    if (size < 16)
        return {};
    const uint32_t records = be32(tag + 8);
    const uint32_t recordSize = be32(tag + 12);
    if (records == 0 || recordSize < 12)
        return {};
    size_t chosen = SIZE_MAX;
    for (uint32_t i = 0; i < records && i < maxTags; ++i) {
        const size_t at = 16 + size_t(i) * recordSize;
        if (!fits(at, 12, size))
            break;
        if (chosen == SIZE_MAX || std::memcmp(tag + at, "en", 2) == 0) {
            chosen = at;
            if (std::memcmp(tag + at, "en", 2) == 0)
                break;
        }
    }
    if (chosen == SIZE_MAX)
        return {};
    const size_t length = be32(tag + chosen + 4);
    const size_t offset = be32(tag + chosen + 8);
    if (!fits(offset, length, size))
        return {};
    return utf16Description(tag + offset, length);
}

ColourModel modelOf(const unsigned char* signature)
{
    if (std::memcmp(signature, "GRAY", 4) == 0)
        return ColourModel::Grey;
    if (std::memcmp(signature, "RGB ", 4) == 0)
        return ColourModel::RGB;
    if (std::memcmp(signature, "CMYK", 4) == 0)
        return ColourModel::CMYK;
    if (std::memcmp(signature, "Lab ", 4) == 0)
        return ColourModel::Lab;
    return ColourModel::Other;
}

} // namespace

std::optional<IccSummary> readIccProfile(const unsigned char* data, size_t size)
{
    if (!data || size < headerSize + 4 || std::memcmp(data + 36, "acsp", 4) != 0)
        return std::nullopt;
    // A profile cut short keeps what it has; one claiming less is taken at its word.
    const size_t declared = be32(data);
    if (declared >= headerSize + 4 && declared < size)
        size = declared;

    IccSummary summary;
    summary.model = modelOf(data + 16);
    const uint32_t tags = std::min(be32(data + headerSize), maxTags);
    for (uint32_t i = 0; i < tags; ++i) {
        const size_t entry = headerSize + 4 + size_t(i) * 12;
        if (!fits(entry, 12, size))
            break;
        if (std::memcmp(data + entry, "desc", 4) != 0)
            continue;
        const size_t offset = be32(data + entry + 4);
        const size_t length = be32(data + entry + 8);
        if (!fits(offset, std::min<size_t>(length, 12), size) || length < 12)
            break;
        const unsigned char* tag = data + offset;
        const size_t available = std::min(length, size - offset);
        if (std::memcmp(tag, "desc", 4) == 0)
            summary.description = asciiDescription(tag, available);
        else if (std::memcmp(tag, "mluc", 4) == 0)
            summary.description = localisedDescription(tag, available);
        break;
    }
    return summary;
}

} // namespace quorvel

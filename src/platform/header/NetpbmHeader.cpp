#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"

#include <algorithm>
#include <limits>
#include <string>

namespace quorvel::platform::header {
namespace {

// The header is text of a few dozen bytes; comments may make it longer,
// never this long in a real file.
constexpr int64_t maxHeaderBytes = 1024 * 1024;
constexpr int maxPamLines = 4096;
constexpr uint64_t maxValue = 65535;
// Beyond this a number is too large for anything here, whatever its digits.
constexpr uint64_t numberCeiling = uint64_t(1) << 40;

enum class Outcome { Read, Damaged, TooLarge };

// The header's bytes, read a piece at a time as the tokens need them.
class Text {
public:
    explicit Text(const HeaderFile& file) : m_file(file) {}

    // The byte at `at`, or -1 past the end of the file or of the header's limit.
    int at(int64_t offset)
    {
        if (offset >= int64_t(m_bytes.size()) && !fill(offset))
            return -1;
        return static_cast<unsigned char>(m_bytes[size_t(offset)]);
    }

private:
    bool fill(int64_t offset)
    {
        while (offset >= int64_t(m_bytes.size())) {
            const int64_t have = int64_t(m_bytes.size());
            if (have >= maxHeaderBytes || have >= m_file.size())
                return false;
            char piece[4096];
            const size_t n = m_file.readAt(have, piece, size_t(std::min<int64_t>(sizeof piece, maxHeaderBytes - have)));
            if (n == 0)
                return false;
            m_bytes.append(piece, n);
        }
        return true;
    }

    const HeaderFile& m_file;
    std::string m_bytes;
};

bool isSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Skips white space and comments ('#' to the end of the line); false at the
// end of the file.
bool skipSpace(Text& text, int64_t& pos)
{
    for (;;) {
        const int c = text.at(pos);
        if (c < 0)
            return false;
        if (c == '#') {
            int d = 0;
            do {
                d = text.at(++pos);
            } while (d >= 0 && d != '\n' && d != '\r');
            if (d < 0)
                return false;
        } else if (!isSpace(c)) {
            return true;
        } else {
            ++pos;
        }
    }
}

// An unsigned decimal number, which must end in white space or a comment:
// one that runs into the end of the file is cut short.
bool readNumber(Text& text, int64_t& pos, uint64_t& value)
{
    if (!skipSpace(text, pos))
        return false;
    value = 0;
    int c = text.at(pos);
    if (c < '0' || c > '9')
        return false;
    while (c >= '0' && c <= '9') {
        value = std::min(value * 10 + uint64_t(c - '0'), numberCeiling);
        c = text.at(++pos);
    }
    return c >= 0 && (isSpace(c) || c == '#');
}

struct Facts {
    uint64_t width = 0;
    uint64_t height = 0;
    uint64_t maxval = 1;
    uint64_t depth = 1;
    std::string tupleType;
};

// P1 to P6: width, height and, but for the bitmaps, the largest value.
Outcome readClassic(Text& text, bool bitmap, Facts& facts)
{
    int64_t pos = 2;
    if (!readNumber(text, pos, facts.width) || !readNumber(text, pos, facts.height))
        return Outcome::Damaged;
    if (!bitmap && !readNumber(text, pos, facts.maxval))
        return Outcome::Damaged;
    return Outcome::Read;
}

// One line of a PAM header, without its end of line; false at the end of
// the file or of the header's limit.
bool readLine(Text& text, int64_t& pos, std::string& line)
{
    line.clear();
    for (;;) {
        const int c = text.at(pos++);
        if (c < 0)
            return false;
        if (c == '\n')
            return true;
        line.push_back(char(c));
    }
}

bool parseNumber(const std::string& word, uint64_t& value)
{
    if (word.empty())
        return false;
    value = 0;
    for (char c : word) {
        if (c < '0' || c > '9')
            return false;
        value = std::min(value * 10 + uint64_t(c - '0'), numberCeiling);
    }
    return true;
}

// P7: lines of a keyword and its value up to ENDHDR; comment lines anywhere.
Outcome readPam(Text& text, Facts& facts)
{
    int64_t pos = 2;
    std::string line;
    // The magic number stands alone on its line.
    if (!readLine(text, pos, line) || line.find_first_not_of(" \t\r") != std::string::npos)
        return Outcome::Damaged;
    bool width = false, height = false, depth = false, maxval = false;
    for (int i = 0; i < maxPamLines; ++i) {
        if (!readLine(text, pos, line))
            return Outcome::Damaged;
        const size_t start = line.find_first_not_of(" \t\r\v\f");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const size_t keyEnd = line.find_first_of(" \t\r\v\f", start);
        const std::string key = line.substr(start, keyEnd == std::string::npos ? std::string::npos : keyEnd - start);
        std::string value;
        if (keyEnd != std::string::npos) {
            const size_t from = line.find_first_not_of(" \t\r\v\f", keyEnd);
            const size_t to = line.find_last_not_of(" \t\r\v\f");
            if (from != std::string::npos)
                value = line.substr(from, to + 1 - from);
        }
        if (key == "ENDHDR") {
            if (!width || !height || !depth || !maxval)
                return Outcome::Damaged;
            return Outcome::Read;
        }
        if (key == "TUPLTYPE") {
            // Repeated, the values join with a space.
            facts.tupleType += (facts.tupleType.empty() ? "" : " ") + value;
            continue;
        }
        uint64_t* field = key == "WIDTH" ? &facts.width
            : key == "HEIGHT"            ? &facts.height
            : key == "DEPTH"             ? &facts.depth
            : key == "MAXVAL"            ? &facts.maxval
                                         : nullptr;
        if (!field)
            return Outcome::Damaged; // not a header line of this format
        if (!parseNumber(value, *field))
            return Outcome::Damaged;
        (key == "WIDTH" ? width : key == "HEIGHT" ? height : key == "DEPTH" ? depth : maxval) = true;
    }
    return Outcome::Damaged;
}

int bitsFor(uint64_t maxval)
{
    int bits = 1;
    while ((uint64_t(1) << bits) <= maxval)
        ++bits;
    return bits;
}

// The tuple types of the format's own documentation; any other, or a depth
// that does not suit the type, leaves the colour unknown.
std::string pamColourSpace(const std::string& type, uint64_t depth, bool& alpha)
{
    alpha = type.size() > 6 && type.compare(type.size() - 6, 6, "_ALPHA") == 0;
    const std::string base = alpha ? type.substr(0, type.size() - 6) : type;
    const uint64_t colour = base == "RGB" ? 3 : base == "GRAYSCALE" || base == "BLACKANDWHITE" ? 1 : 0;
    if (colour == 0 || depth != colour + (alpha ? 1 : 0)) {
        alpha = false;
        return othername::multiband;
    }
    return std::string(colour == 3 ? colourspace::rgb : colourspace::grayscale);
}

} // namespace

bool looksLikeNetpbm(const unsigned char* p, size_t n)
{
    // The two letters alone are a file cut short, which the helper's loader
    // would take for a 1 x 1 image.
    return n >= 2 && p[0] == 'P' && p[1] >= '1' && p[1] <= '7' && (n == 2 || isSpace(p[2]) || p[2] == '#');
}

ImageHeader readNetpbmHeader(HeaderFile& file, ImageDetails* details)
{
    Text text(file);
    const int kind = text.at(1) - '0';
    if (text.at(0) != 'P' || kind < 1 || kind > 7)
        return unreadable(UnreadableReason::Damaged);
    Facts facts;
    const bool bitmap = kind == 1 || kind == 4;
    const Outcome outcome = kind == 7 ? readPam(text, facts) : readClassic(text, bitmap, facts);
    if (outcome != Outcome::Read || facts.width == 0 || facts.height == 0 || facts.maxval == 0
        || facts.maxval > maxValue || facts.depth == 0)
        return unreadable(UnreadableReason::Damaged);
    if (facts.width > uint64_t(std::numeric_limits<int32_t>::max())
        || facts.height > uint64_t(std::numeric_limits<int32_t>::max()))
        return unreadable(UnreadableReason::TooLarge);

    bool alpha = false;
    ImageHeader header;
    header.readable = true;
    header.pixelsHigh = int32_t(facts.height);
    header.pixelsWide = int32_t(facts.width);
    // Bitmaps and grey maps are grey, pixel maps RGB; these formats record
    // no resolution.
    if (kind == 7)
        header.colourSpaceName = pamColourSpace(facts.tupleType, facts.depth, alpha);
    else
        header.colourSpaceName = std::string(kind == 3 || kind == 6 ? colourspace::rgb : colourspace::grayscale);
    if (details) {
        details->bitsPerSample = bitsFor(facts.maxval);
        details->alpha = alpha;
    }
    return header;
}

} // namespace quorvel::platform::header

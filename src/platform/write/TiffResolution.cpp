#include "platform/write/ByteOrder.h"
#include "platform/write/ResolutionEdits.h"

#include <cstring>
#include <map>

namespace quorvel::platform::write::detail {
namespace {

constexpr uint16_t tagXResolution = 282;
constexpr uint16_t tagYResolution = 283;
constexpr uint16_t tagResolutionUnit = 296;
constexpr uint16_t tagPhotoshop = 34377;
constexpr uint16_t typeShort = 3, typeLong = 4, typeRational = 5, typeSRational = 10;
constexpr uint64_t maxEntries = 4096; // more than any real directory holds

size_t typeBytes(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: case 16: case 17: case 18: return 8;
    default: return 0;
    }
}

struct Layout {
    bool big = false;     // byte order
    bool bigTiff = false;
    size_t headerBytes = 8;
    size_t countBytes = 2;
    size_t entryBytes = 12;
    size_t valueBytes = 4; // the value field of an entry
    uint64_t firstIfd = 0;
};

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint64_t count;
    size_t at; // of the entry in the block
};

std::vector<unsigned char> rational(int dpi, bool big)
{
    std::vector<unsigned char> v;
    put32(v, uint32_t(dpi), big);
    put32(v, 1, big);
    return v;
}

bool readLayout(const unsigned char* b, size_t size, Layout& l)
{
    if (size < 8)
        return false;
    if (std::memcmp(b, "II", 2) == 0)
        l.big = false;
    else if (std::memcmp(b, "MM", 2) == 0)
        l.big = true;
    else
        return false;
    const uint16_t magic = get16(b + 2, l.big);
    if (magic == 42) {
        l.firstIfd = get32(b + 4, l.big);
        return true;
    }
    if (magic != 43 || size < 16 || get16(b + 4, l.big) != 8 || get16(b + 6, l.big) != 0)
        return false;
    l.bigTiff = true;
    l.headerBytes = 16;
    l.countBytes = 8;
    l.entryBytes = 20;
    l.valueBytes = 8;
    l.firstIfd = get64(b + 8, l.big);
    return true;
}

// Where an entry's value lies in the block; false when it runs outside it.
bool valueAt(const unsigned char* b, size_t size, const Layout& l, const Entry& e, size_t& at, size_t& bytes)
{
    const size_t unit = typeBytes(e.type);
    if (unit == 0 || e.count > size / unit)
        return false;
    bytes = size_t(e.count) * unit;
    const size_t field = e.at + 4 + (l.bigTiff ? 8 : 4);
    if (bytes <= l.valueBytes) {
        at = field;
        return true;
    }
    const uint64_t offset = l.bigTiff ? get64(b + field, l.big) : get32(b + field, l.big);
    if (offset > size || bytes > size - offset)
        return false;
    at = size_t(offset);
    return true;
}

bool overlaps(size_t at, size_t bytes, size_t from, size_t to)
{
    return at < to && from < at + bytes;
}

} // namespace

TiffOutcome patchTiffStructure(const unsigned char* b, size_t size, uint64_t base, int dpi, bool mayAppend,
                               std::vector<ByteEdit>& edits)
{
    Layout l;
    if (!readLayout(b, size, l))
        return TiffOutcome::Damaged;
    const uint64_t ifd = l.firstIfd;
    if (ifd < l.headerBytes || ifd > size || size - ifd < l.countBytes)
        return TiffOutcome::Damaged;
    const uint64_t count = l.bigTiff ? get64(b + ifd, l.big) : get16(b + ifd, l.big);
    if (count == 0 || count > maxEntries || (size - ifd - l.countBytes) / l.entryBytes < count)
        return TiffOutcome::Damaged;
    const size_t entriesAt = size_t(ifd + l.countBytes);
    const size_t ifdEnd = entriesAt + size_t(count) * l.entryBytes; // the next-directory link follows
    const bool hasNextLink = size - ifdEnd >= (l.bigTiff ? 8u : 4u);
    if (!hasNextLink)
        return TiffOutcome::Damaged;
    const size_t linkEnd = ifdEnd + (l.bigTiff ? 8 : 4);

    std::vector<Entry> entries;
    entries.reserve(size_t(count));
    for (uint64_t i = 0; i < count; ++i) {
        const size_t at = entriesAt + size_t(i) * l.entryBytes;
        Entry e {get16(b + at, l.big), get16(b + at + 2, l.big),
                 l.bigTiff ? get64(b + at + 4, l.big) : get32(b + at + 4, l.big), at};
        entries.push_back(e);
    }

    // What can change in place: a rational of each resolution, a short or
    // long unit (absent means per inch).
    std::vector<ByteEdit> inPlace;
    bool haveX = false, haveY = false, unitFits = true;
    for (const Entry& e : entries) {
        if (e.tag != tagXResolution && e.tag != tagYResolution && e.tag != tagResolutionUnit && e.tag != tagPhotoshop)
            continue;
        size_t at = 0, bytes = 0;
        if (!valueAt(b, size, l, e, at, bytes)) {
            if (e.tag == tagPhotoshop)
                continue; // not ours to judge; it is copied as it is
            return TiffOutcome::Damaged;
        }
        // A value that lies over the header or the directory itself is a lie.
        const bool inline_ = at == e.at + 4 + (l.bigTiff ? 8 : 4); // within the entry itself
        if (!inline_ && (overlaps(at, bytes, 0, l.headerBytes) || overlaps(at, bytes, size_t(ifd), linkEnd))) {
            if (e.tag == tagPhotoshop)
                continue;
            return TiffOutcome::Damaged;
        }
        if (e.tag == tagPhotoshop) {
            if (e.type == 1 || e.type == 7)
                patchPhotoshopResources(b + at, bytes, base + at, dpi, inPlace);
            continue;
        }
        if (e.tag == tagResolutionUnit) {
            std::vector<unsigned char> v;
            if (e.type == typeShort && e.count >= 1)
                put16(v, 2, l.big);
            else if (e.type == typeLong && e.count >= 1)
                put32(v, 2, l.big);
            else {
                unitFits = false;
                continue;
            }
            inPlace.push_back({base + at, v.size(), v});
            continue;
        }
        if ((e.type != typeRational && e.type != typeSRational) || e.count < 1)
            continue; // does not fit: the directory moves
        (e.tag == tagXResolution ? haveX : haveY) = true;
        inPlace.push_back({base + at, 8, rational(dpi, l.big)});
    }

    if (haveX && haveY && unitFits) {
        edits.insert(edits.end(), inPlace.begin(), inPlace.end());
        return TiffOutcome::Patched;
    }
    if (!mayAppend)
        return TiffOutcome::Missing;

    // A copy of the directory at the end, with the three fields as they
    // should be; every other entry is copied as it is and still points at
    // its old value. The Photoshop record, if any, is set in place.
    std::map<uint16_t, std::vector<unsigned char>> rows; // sorted by tag, as the format wants
    for (const Entry& e : entries)
        rows[e.tag].assign(b + e.at, b + e.at + l.entryBytes);
    const uint64_t padding = size & 1;
    const uint64_t newIfd = size + padding;
    const uint64_t entryCount = rows.size() + !rows.count(tagXResolution) + !rows.count(tagYResolution)
        + !rows.count(tagResolutionUnit);
    const uint64_t valuesAt = newIfd + l.countBytes + entryCount * l.entryBytes + (l.bigTiff ? 8 : 4);
    if (!l.bigTiff && valuesAt + 16 > 0xFFFFFFFFull)
        return TiffOutcome::TooLarge;

    auto row = [&](uint16_t tag, uint16_t type, const std::vector<unsigned char>& value) {
        std::vector<unsigned char> r;
        put16(r, tag, l.big);
        put16(r, type, l.big);
        if (l.bigTiff)
            put64(r, 1, l.big);
        else
            put32(r, 1, l.big);
        r.insert(r.end(), value.begin(), value.end());
        r.resize(l.entryBytes, 0);
        rows[tag] = r;
    };
    std::vector<unsigned char> values;
    if (l.bigTiff) {
        row(tagXResolution, typeRational, rational(dpi, l.big));
        row(tagYResolution, typeRational, rational(dpi, l.big));
    } else {
        std::vector<unsigned char> offset;
        put32(offset, uint32_t(valuesAt), l.big);
        row(tagXResolution, typeRational, offset);
        offset.clear();
        put32(offset, uint32_t(valuesAt + 8), l.big);
        row(tagYResolution, typeRational, offset);
        values = rational(dpi, l.big);
        const std::vector<unsigned char> y = rational(dpi, l.big);
        values.insert(values.end(), y.begin(), y.end());
    }
    std::vector<unsigned char> unit;
    put16(unit, 2, l.big);
    row(tagResolutionUnit, typeShort, unit);

    std::vector<unsigned char> appended(size_t(padding), 0);
    if (l.bigTiff)
        put64(appended, rows.size(), l.big);
    else
        put16(appended, uint16_t(rows.size()), l.big);
    for (const auto& [tag, r] : rows)
        appended.insert(appended.end(), r.begin(), r.end());
    appended.insert(appended.end(), b + ifdEnd, b + linkEnd); // the same next directory
    appended.insert(appended.end(), values.begin(), values.end());

    std::vector<ByteEdit> photoshop;
    for (const Entry& e : entries) {
        size_t at = 0, bytes = 0;
        if (e.tag == tagPhotoshop && (e.type == 1 || e.type == 7) && valueAt(b, size, l, e, at, bytes)
            && at >= l.headerBytes && !overlaps(at, bytes, size_t(ifd), linkEnd))
            patchPhotoshopResources(b + at, bytes, base + at, dpi, photoshop);
    }
    edits.insert(edits.end(), photoshop.begin(), photoshop.end());

    std::vector<unsigned char> pointer;
    if (l.bigTiff)
        put64(pointer, newIfd, l.big);
    else
        put32(pointer, uint32_t(newIfd), l.big);
    edits.push_back({base + (l.bigTiff ? 8 : 4), pointer.size(), pointer});
    edits.push_back({base + size, 0, appended});
    return TiffOutcome::Patched;
}

ResolutionPlan planTiff(const unsigned char* data, size_t size, int dpi)
{
    ResolutionPlan plan;
    plan.format = "TIFF";
    switch (patchTiffStructure(data, size, 0, dpi, true, plan.edits)) {
    case TiffOutcome::Patched: break;
    case TiffOutcome::TooLarge: plan.refusal = SetDpiRefusal::TooLarge; break;
    default: plan.refusal = SetDpiRefusal::Damaged; break;
    }
    return plan;
}

} // namespace quorvel::platform::write::detail

#include "platform/header/Jp2Boxes.h"
#include "platform/write/ByteOrder.h"
#include "platform/write/ResolutionEdits.h"

#include <cstring>

namespace quorvel::platform::write::detail {

namespace jp2 = header::jp2;

namespace {

constexpr int maxTopLevelBoxes = 4096;

// dpi / 0.0254 grid points per metre, exactly: dpi / 254 * 10^4.
std::vector<unsigned char> resolutionContent(int dpi)
{
    std::vector<unsigned char> c;
    for (int axis = 0; axis < 2; ++axis) { // vertical, then horizontal
        put16(c, uint16_t(dpi), true);
        put16(c, 254, true);
    }
    c.push_back(4);
    c.push_back(4);
    return c;
}

// The new length of a box that grows by `grown` bytes, in its own length
// field; nothing for a box whose length runs to the end of its parent.
bool growBox(const jp2::Box& box, const unsigned char* data, uint64_t grown, std::vector<ByteEdit>& edits)
{
    std::vector<unsigned char> length;
    if (box.headerBytes == 16) {
        put64(length, uint64_t(box.length) + grown, true);
        edits.push_back({uint64_t(box.offset) + 8, 8, length});
        return true;
    }
    if (get32(data + box.offset, true) == 0)
        return true; // to the end of its parent, which grows instead
    if (uint64_t(box.length) + grown > 0xFFFFFFFFu)
        return false;
    put32(length, uint32_t(uint64_t(box.length) + grown), true);
    edits.push_back({uint64_t(box.offset), 4, length});
    return true;
}

// A file that points into itself by position (a fragment table, a data
// reference) cannot take bytes ahead of what it points at.
bool refersToPositions(const unsigned char* data, size_t size)
{
    uint64_t at = 0;
    for (int i = 0; i < maxTopLevelBoxes && at + 8 <= size; ++i) {
        uint64_t length = get32(data + at, true);
        const uint32_t type = get32(data + at + 4, true);
        if (type == jp2::boxType("ftbl") || type == jp2::boxType("dtbl"))
            return true;
        if (length == 1) {
            if (at + 16 > size)
                return false;
            length = get64(data + at + 8, true);
        } else if (length == 0) {
            return false; // the last box
        }
        if (length < 8 || length > size - at)
            return false;
        at += length;
    }
    return false;
}

} // namespace

// The display resolution box, set in place or added; a capture resolution,
// which readers take first, is set alike so that every reader agrees.
ResolutionPlan planJp2(const unsigned char* data, size_t size, int dpi)
{
    ResolutionPlan plan;
    plan.format = "JPEG 2000";
    const std::optional<jp2::Layout> layout = jp2::walkBoxes(data, size);
    if (!layout) {
        plan.refusal = SetDpiRefusal::Damaged;
        return plan;
    }
    const std::vector<unsigned char> content = resolutionContent(dpi);
    for (const std::optional<jp2::Box>& box : {layout->capture, layout->display}) {
        if (box)
            plan.edits.push_back({uint64_t(box->contentOffset()), content.size(), content});
    }
    if (layout->display)
        return plan;

    std::vector<unsigned char> resd;
    put32(resd, uint32_t(8 + content.size()), true);
    resd.insert(resd.end(), {'r', 'e', 's', 'd'});
    resd.insert(resd.end(), content.begin(), content.end());
    std::vector<unsigned char> inserted = resd;
    if (!layout->resolution) {
        inserted.clear();
        put32(inserted, uint32_t(8 + resd.size()), true);
        inserted.insert(inserted.end(), {'r', 'e', 's', ' '});
        inserted.insert(inserted.end(), resd.begin(), resd.end());
    }
    if (refersToPositions(data, size)) {
        plan.refusal = SetDpiRefusal::RefersToPositions;
        return plan;
    }
    const jp2::Box& parent = layout->resolution ? *layout->resolution : layout->header;
    if (!growBox(parent, data, inserted.size(), plan.edits)
        || (layout->resolution && !growBox(layout->header, data, inserted.size(), plan.edits))) {
        plan.refusal = SetDpiRefusal::TooLarge;
        return plan;
    }
    plan.edits.push_back({uint64_t(parent.end()), 0, inserted});
    return plan;
}

} // namespace quorvel::platform::write::detail

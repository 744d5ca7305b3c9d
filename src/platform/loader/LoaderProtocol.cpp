#include "platform/loader/LoaderProtocol.h"

#include <array>
#include <cmath>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <set>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvel::platform::loader {

void Writer::i32(int32_t v)
{
    bytes(reinterpret_cast<const unsigned char*>(&v), sizeof v);
}

void Writer::f64(double v)
{
    bytes(reinterpret_cast<const unsigned char*>(&v), sizeof v);
}

void Writer::text(const std::string& v)
{
    i32(static_cast<int32_t>(v.size()));
    bytes(reinterpret_cast<const unsigned char*>(v.data()), v.size());
}

void Writer::optF64(const std::optional<double>& v)
{
    u8(v.has_value());
    if (v)
        f64(*v);
}

void Writer::optI32(const std::optional<int>& v)
{
    u8(v.has_value());
    if (v)
        i32(*v);
}

void Writer::optText(const std::optional<std::string>& v)
{
    u8(v.has_value());
    if (v)
        text(*v);
}

void Writer::bytes(const unsigned char* data, size_t size)
{
    m_bytes.insert(m_bytes.end(), data, data + size);
}

bool Reader::take(void* out, size_t size)
{
    if (!m_ok || m_size - m_at < size) {
        m_ok = false;
        std::memset(out, 0, size);
        return false;
    }
    std::memcpy(out, m_data + m_at, size);
    m_at += size;
    return true;
}

uint8_t Reader::u8()
{
    uint8_t v = 0;
    take(&v, sizeof v);
    return v;
}

int32_t Reader::i32()
{
    int32_t v = 0;
    take(&v, sizeof v);
    return v;
}

double Reader::f64()
{
    double v = 0;
    take(&v, sizeof v);
    return v;
}

std::string Reader::text()
{
    const int32_t size = i32();
    if (size < 0) {
        m_ok = false;
        return {};
    }
    const unsigned char* data = bytes(static_cast<size_t>(size));
    return data ? std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(size)) : std::string();
}

std::optional<double> Reader::optF64()
{
    if (!u8())
        return std::nullopt;
    return f64();
}

std::optional<int> Reader::optI32()
{
    if (!u8())
        return std::nullopt;
    return i32();
}

std::optional<std::string> Reader::optText()
{
    if (!u8())
        return std::nullopt;
    return text();
}

const unsigned char* Reader::bytes(size_t size)
{
    if (!m_ok || m_size - m_at < size) {
        m_ok = false;
        return nullptr;
    }
    const unsigned char* at = m_data + m_at;
    m_at += size;
    return at;
}

bool isKnownColourSpaceName(const std::string& name)
{
    static const std::set<std::string, std::less<>> known = [] {
        std::set<std::string, std::less<>> names{"CalibratedRGB", "CalibratedGray", "DeviceCMYK", "Lab", "Multiband",
                                                 "DeviceN", "Multichannel", "Duotone", "LCh", "CMC", "XYZ",
                                                 "Yxy", "scRGB", "HSV"};
        for (const char* model : {"Gray", "RGB"}) {
            names.insert(std::string(model) + " float");
            for (int bits : {8, 16, 32, 64, 128})
                names.insert(std::string(model) + ' ' + std::to_string(bits) + "-bit");
        }
        return names;
    }();
    return known.count(name) > 0;
}

std::string printableText(const std::string& text, size_t limit)
{
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    for (size_t i = 0; i < size;) {
        const unsigned char c = p[i];
        size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        uint32_t code = length == 1 ? c : length == 2 ? (c & 0x1F) : length == 3 ? (c & 0x0F) : (c & 0x07);
        bool valid = length > 0 && i + length <= size;
        for (size_t k = 1; valid && k < length; ++k) {
            valid = (p[i + k] & 0xC0) == 0x80;
            code = code << 6 | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not text.
        static constexpr uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code >= least[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        std::string piece;
        if (!valid)
            piece = "?";
        else if (code < 0x20 || code == 0x7F || (code >= 0x80 && code <= 0x9F))
            piece = " ";
        else
            piece.assign(text, i, length);
        if (out.size() + piece.size() > limit)
            break;
        out += piece;
        i += valid ? length : 1;
    }
    return out;
}

void writeHeader(Writer& w, const ImageHeader& header, const ImageDetails* details)
{
    w.u8(header.readable);
    w.u8(static_cast<uint8_t>(header.unreadableReason));
    w.i32(header.pixelsHigh);
    w.i32(header.pixelsWide);
    w.optF64(header.verticalDpi);
    w.optText(header.colourSpaceName);
    w.u8(details != nullptr);
    if (!details)
        return;
    w.u8(static_cast<uint8_t>(details->resolutionSource));
    w.optF64(details->horizontalDpi);
    w.optF64(details->verticalDpi);
    w.optF64(details->conflictingExifDpi);
    w.u8(details->hasProfile);
    w.text(details->profileDescription);
    w.u8(static_cast<uint8_t>(details->profileModel));
    w.optI32(details->bitsPerSample);
    w.u8(details->alpha);
    w.optI32(details->pages);
}

namespace {

bool sensibleDpi(const std::optional<double>& dpi)
{
    return !dpi || (std::isfinite(*dpi) && *dpi > 0.0 && *dpi <= 1e6);
}

bool sensibleSide(int32_t side)
{
    return side >= 0 && side <= maxImageSide;
}

} // namespace

bool readHeader(Reader& r, ImageHeader& header, ImageDetails* details)
{
    const uint8_t readable = r.u8();
    if (readable > 1)
        return false;
    header.readable = readable != 0;
    const uint8_t reason = r.u8();
    if (reason > static_cast<uint8_t>(UnreadableReason::Vanished))
        return false;
    header.unreadableReason = static_cast<UnreadableReason>(reason);
    header.pixelsHigh = r.i32();
    header.pixelsWide = r.i32();
    header.verticalDpi = r.optF64();
    header.colourSpaceName = r.optText();
    if (!r.ok() || !sensibleSide(header.pixelsHigh) || !sensibleSide(header.pixelsWide)
        || !sensibleDpi(header.verticalDpi)
        || (header.colourSpaceName && !isKnownColourSpaceName(*header.colourSpaceName)))
        return false;
    if (!r.u8())
        return r.atEnd();
    ImageDetails d;
    const uint8_t source = r.u8();
    if (source > static_cast<uint8_t>(ResolutionSource::Other))
        return false;
    d.resolutionSource = static_cast<ResolutionSource>(source);
    d.horizontalDpi = r.optF64();
    d.verticalDpi = r.optF64();
    d.conflictingExifDpi = r.optF64();
    d.hasProfile = r.u8() != 0;
    const std::string description = r.text();
    if (description.size() > 4 * maxNameBytes)
        return false;
    d.profileDescription = printableText(description);
    const uint8_t model = r.u8();
    if (model > static_cast<uint8_t>(ColourModel::Other))
        return false;
    d.profileModel = static_cast<ColourModel>(model);
    d.bitsPerSample = r.optI32();
    d.alpha = r.u8() != 0;
    d.pages = r.optI32();
    if (!r.atEnd() || !sensibleDpi(d.horizontalDpi) || !sensibleDpi(d.verticalDpi) || !sensibleDpi(d.conflictingExifDpi)
        || (d.bitsPerSample && (*d.bitsPerSample < 1 || *d.bitsPerSample > 128))
        || (d.pages && (*d.pages < 0 || *d.pages > 1'000'000)))
        return false;
    if (details)
        *details = d;
    return true;
}

void writePreview(Writer& w, const Preview& preview)
{
    w.i32(preview.width);
    w.i32(preview.height);
    w.i32(preview.bands);
    w.bytes(preview.pixels.data(), preview.pixels.size());
}

bool readPreview(Reader& r, Preview& preview, int32_t width, int32_t height)
{
    preview.width = r.i32();
    preview.height = r.i32();
    preview.bands = r.i32();
    if (!r.ok() || preview.width < 0 || preview.height < 0 || preview.width > std::min(width, maxPreviewSide)
        || preview.height > std::min(height, maxPreviewSide) || (preview.bands != 3 && preview.bands != 4))
        return false;
    const size_t size = size_t(preview.width) * size_t(preview.height) * size_t(preview.bands);
    const unsigned char* pixels = r.bytes(size);
    if (!pixels || !r.atEnd())
        return false;
    preview.pixels.assign(pixels, pixels + size);
    return true;
}

void writeSuffixes(Writer& w, const std::vector<std::string>& suffixes)
{
    w.i32(static_cast<int32_t>(suffixes.size()));
    for (const std::string& s : suffixes)
        w.text(s);
}

bool readSuffixes(Reader& r, std::vector<std::string>& suffixes)
{
    const int32_t count = r.i32();
    if (count < 0 || size_t(count) > maxSuffixes)
        return false;
    suffixes.clear();
    for (int32_t i = 0; i < count && r.ok(); ++i) {
        std::string suffix = r.text();
        // Lower-case letters and digits only: they become file-name filters.
        if (suffix.empty() || suffix.size() > 16
            || !std::all_of(suffix.begin(), suffix.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }))
            return false;
        suffixes.push_back(std::move(suffix));
    }
    return r.atEnd();
}

void writeInk(Writer& w, InkReply reply, const InkStatistics& ink)
{
    w.u8(static_cast<uint8_t>(reply));
    if (reply != InkReply::Measured)
        return;
    const auto& bins = ink.histogram();
    int32_t used = 0;
    for (uint64_t count : bins)
        used += count != 0 ? 1 : 0;
    w.i32(used);
    for (int32_t i = 0; i < InkStatistics::binCount; ++i) {
        if (bins[size_t(i)] != 0) {
            w.i32(i);
            w.f64(static_cast<double>(bins[size_t(i)]));
        }
    }
}

bool readInk(Reader& r, std::optional<InkStatistics>& ink)
{
    ink.reset();
    const uint8_t reply = r.u8();
    if (!r.ok() || reply > static_cast<uint8_t>(InkReply::Unreadable))
        return false;
    if (reply != static_cast<uint8_t>(InkReply::Measured))
        return r.atEnd();
    const int32_t used = r.i32();
    if (!r.ok() || used < 1 || used > InkStatistics::binCount)
        return false;
    // No image has more pixels than its largest sides allow, nor more than a
    // double counts exactly.
    const double mostPixels = std::min(double(maxImageSide) * double(maxImageSide), 9007199254740992.0);
    std::array<uint64_t, InkStatistics::binCount> bins{};
    double total = 0;
    int32_t previous = -1;
    for (int32_t k = 0; k < used; ++k) {
        const int32_t bin = r.i32();
        const double count = r.f64();
        if (!r.ok() || bin <= previous || bin >= InkStatistics::binCount || !(count >= 1.0) || count != std::floor(count)
            || count > mostPixels)
            return false;
        total += count;
        if (total > mostPixels)
            return false;
        bins[size_t(bin)] = static_cast<uint64_t>(count);
        previous = bin;
    }
    if (!r.atEnd())
        return false;
    ink = InkStatistics::fromHistogram(bins);
    return true;
}

namespace {

bool writeAll(int socket, const unsigned char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(socket, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

namespace {

// One message with up to two descriptors attached to its first byte.
bool sendWithDescriptors(int socket, const void* data, size_t size, std::initializer_list<int> descriptors)
{
    iovec io{const_cast<void*>(data), size};
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 2)] = {};
    int fds[2];
    size_t count = 0;
    for (int fd : descriptors)
        if (fd >= 0 && count < 2)
            fds[count++] = fd;
    if (count > 0) {
        message.msg_control = control;
        message.msg_controllen = CMSG_SPACE(sizeof(int) * count);
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int) * count);
        std::memcpy(CMSG_DATA(c), fds, sizeof(int) * count);
    }
    ssize_t n;
    do
        n = ::sendmsg(socket, &message, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return false;
    // The descriptors went with the first bytes; the rest is plain data.
    return writeAll(socket, static_cast<const unsigned char*>(data) + n, size - size_t(n));
}

// The descriptors that came with one message, in order; on a truncated
// control message every one that arrived is closed and false returned.
bool takeDescriptors(msghdr& message, std::vector<int>& out)
{
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int fd = -1;
            std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
            out.push_back(fd);
        }
    }
    if (message.msg_flags & MSG_CTRUNC) {
        for (int fd : out)
            ::close(fd);
        out.clear();
        return false;
    }
    return true;
}

} // namespace

bool closeReceivedDescriptors(msghdr& message)
{
    std::vector<int> descriptors;
    takeDescriptors(message, descriptors); // closes them itself when truncated
    for (int fd : descriptors)
        ::close(fd);
    return CMSG_FIRSTHDR(&message) != nullptr || (message.msg_flags & MSG_CTRUNC) != 0;
}

namespace {

// Receives exactly `size` bytes, the descriptors that come with them
// collected (close-on-exec); `timeoutMs` < 0 waits as long as it takes.
bool receiveWithDescriptors(int socket, void* data, size_t size, std::vector<int>& descriptors, int timeoutMs)
{
    auto* at = static_cast<unsigned char*>(data);
    bool ok = true;
    while (size > 0 && ok) {
        if (timeoutMs >= 0) {
            pollfd p{socket, POLLIN, 0};
            int ready;
            do
                ready = ::poll(&p, 1, timeoutMs);
            while (ready < 0 && errno == EINTR);
            if (ready <= 0) {
                ok = false;
                break;
            }
        }
        iovec io{at, size};
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)] = {};
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        ssize_t n;
        do
            n = ::recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
        while (n < 0 && errno == EINTR);
        if (n <= 0) {
            ok = false;
            break;
        }
        ok = takeDescriptors(message, descriptors);
        at += n;
        size -= size_t(n);
    }
    if (!ok) {
        for (int fd : descriptors)
            ::close(fd);
        descriptors.clear();
    }
    return ok;
}

} // namespace

bool sendRequest(int socket, const Request& request, int answerSocket, int fileDescriptor)
{
    return sendWithDescriptors(socket, &request, sizeof request, {answerSocket, fileDescriptor});
}

bool receiveRequest(int socket, Request& request, int& answerSocket, int& fileDescriptor)
{
    answerSocket = fileDescriptor = -1;
    std::vector<int> descriptors;
    if (!receiveWithDescriptors(socket, &request, sizeof request, descriptors, -1))
        return false;
    for (size_t i = 2; i < descriptors.size(); ++i)
        ::close(descriptors[i]);
    if (descriptors.empty())
        return false;
    answerSocket = descriptors[0];
    fileDescriptor = descriptors.size() > 1 ? descriptors[1] : -1;
    return true;
}

bool sendStarted(int socket, uint32_t number, int pidfd)
{
    return sendWithDescriptors(socket, &number, sizeof number, {pidfd});
}

bool receiveStarted(int socket, uint32_t& number, int& pidfd, int timeoutMs)
{
    pidfd = -1;
    std::vector<int> descriptors;
    if (!receiveWithDescriptors(socket, &number, sizeof number, descriptors, timeoutMs))
        return false;
    for (size_t i = 1; i < descriptors.size(); ++i)
        ::close(descriptors[i]);
    if (!descriptors.empty())
        pidfd = descriptors[0];
    return true;
}

bool sendReply(int socket, uint32_t number, const std::vector<unsigned char>& payload)
{
    const ReplyStart start{number, static_cast<uint32_t>(payload.size())};
    std::vector<unsigned char> frame(sizeof start + payload.size());
    std::memcpy(frame.data(), &start, sizeof start);
    std::copy(payload.begin(), payload.end(), frame.begin() + sizeof start);
    return writeAll(socket, frame.data(), frame.size());
}

} // namespace quorvel::platform::loader

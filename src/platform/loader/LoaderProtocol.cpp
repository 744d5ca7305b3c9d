#include "platform/loader/LoaderProtocol.h"

#include <cerrno>
#include <cstring>

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

bool readHeader(Reader& r, ImageHeader& header, ImageDetails* details)
{
    header.readable = r.u8() != 0;
    const uint8_t reason = r.u8();
    if (reason > static_cast<uint8_t>(UnreadableReason::Vanished))
        return false;
    header.unreadableReason = static_cast<UnreadableReason>(reason);
    header.pixelsHigh = r.i32();
    header.pixelsWide = r.i32();
    header.verticalDpi = r.optF64();
    header.colourSpaceName = r.optText();
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
    d.profileDescription = r.text();
    const uint8_t model = r.u8();
    if (model > static_cast<uint8_t>(ColourModel::Other))
        return false;
    d.profileModel = static_cast<ColourModel>(model);
    d.bitsPerSample = r.optI32();
    d.alpha = r.u8() != 0;
    d.pages = r.optI32();
    if (!r.atEnd())
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

bool readPreview(Reader& r, Preview& preview)
{
    preview.width = r.i32();
    preview.height = r.i32();
    preview.bands = r.i32();
    if (!r.ok() || preview.width < 0 || preview.height < 0 || preview.width > maxPreviewSide
        || preview.height > maxPreviewSide || (preview.bands != 3 && preview.bands != 4))
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
    if (count < 0 || count > 10000)
        return false;
    suffixes.clear();
    for (int32_t i = 0; i < count && r.ok(); ++i)
        suffixes.push_back(r.text());
    return r.atEnd();
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

bool readAll(int socket, unsigned char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::recv(socket, data, size, 0);
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

bool sendRequest(int socket, const Request& request, int fileDescriptor)
{
    iovec io{const_cast<Request*>(&request), sizeof request};
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (fileDescriptor >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &fileDescriptor, sizeof(int));
    }
    ssize_t n;
    do
        n = ::sendmsg(socket, &message, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return false;
    // The descriptor went with the first byte; the rest is plain data.
    return writeAll(socket, reinterpret_cast<const unsigned char*>(&request) + n, sizeof request - size_t(n));
}

bool receiveRequest(int socket, Request& request, int& fileDescriptor)
{
    fileDescriptor = -1;
    iovec io{&request, sizeof request};
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
    if (n <= 0)
        return false;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int fd = -1;
            std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof(int));
            if (fileDescriptor < 0)
                fileDescriptor = fd;
            else
                ::close(fd); // only one is ever expected
        }
    }
    if (message.msg_flags & MSG_CTRUNC) {
        if (fileDescriptor >= 0)
            ::close(fileDescriptor);
        fileDescriptor = -1;
        return false;
    }
    if (!readAll(socket, reinterpret_cast<unsigned char*>(&request) + n, sizeof request - size_t(n))) {
        if (fileDescriptor >= 0)
            ::close(fileDescriptor);
        fileDescriptor = -1;
        return false;
    }
    return true;
}

bool sendReply(int socket, const std::vector<unsigned char>& payload, bool retiring)
{
    unsigned char start[5];
    const uint32_t size = static_cast<uint32_t>(payload.size());
    std::memcpy(start, &size, sizeof size);
    start[4] = retiring ? 1 : 0;
    return writeAll(socket, start, sizeof start) && writeAll(socket, payload.data(), payload.size());
}

} // namespace quorvel::platform::loader

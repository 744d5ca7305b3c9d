#pragma once

// The framed protocol between the program and its loader helper
// (quorvel-loader), over a stream socket pair. No Qt and no libvips here:
// both sides share it.
//
// Request: one fixed-size Request, with the image file's open descriptor
// attached (SCM_RIGHTS) for the kinds that read a file. Reply: a 32-bit
// length, a byte that is 1 when the helper ends after this reply (it has
// grown too large), then `length` bytes written with Writer, read with Reader.

#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::platform::loader {

enum class RequestKind : uint32_t {
    Header = 1,           // the header
    HeaderAndDetails = 2, // the header and the details
    Preview = 3,          // an sRGB preview within width x height
    Formats = 4,          // the file-name suffixes of the formats served
};

struct Request {
    RequestKind kind = RequestKind::Header;
    int32_t width = 0; // the preview's bounds
    int32_t height = 0;
    uint32_t reserved = 0;
};

// The byte the helper sends once, when it has confined itself and waits
// for requests.
inline constexpr unsigned char readyByte = 'R';

// The largest reply either side accepts: a preview of 4096 x 4096 RGBA and change.
inline constexpr uint32_t maxReplyBytes = 4096u * 4096u * 4u + 4096u;
inline constexpr int32_t maxPreviewSide = 4096;

// Pixels, rows of width * bands bytes, bands 3 (RGB) or 4 (RGBA).
struct Preview {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bands = 0;
    std::vector<unsigned char> pixels;
};

class Writer {
public:
    void u8(uint8_t v) { m_bytes.push_back(v); }
    void i32(int32_t v);
    void f64(double v);
    void text(const std::string& v);
    void optF64(const std::optional<double>& v);
    void optI32(const std::optional<int>& v);
    void optText(const std::optional<std::string>& v);
    void bytes(const unsigned char* data, size_t size);
    const std::vector<unsigned char>& data() const { return m_bytes; }

private:
    std::vector<unsigned char> m_bytes;
};

// Reads what Writer wrote; once anything is missing or malformed, ok() is
// false and every later read yields a default.
class Reader {
public:
    Reader(const unsigned char* data, size_t size) : m_data(data), m_size(size) {}
    uint8_t u8();
    int32_t i32();
    double f64();
    std::string text();
    std::optional<double> optF64();
    std::optional<int> optI32();
    std::optional<std::string> optText();
    const unsigned char* bytes(size_t size); // null when fewer remain
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_ok && m_at == m_size; }

private:
    bool take(void* out, size_t size);
    const unsigned char* m_data;
    size_t m_size;
    size_t m_at = 0;
    bool m_ok = true;
};

void writeHeader(Writer& w, const ImageHeader& header, const ImageDetails* details);
// False when the reply is malformed.
bool readHeader(Reader& r, ImageHeader& header, ImageDetails* details);

void writePreview(Writer& w, const Preview& preview);
bool readPreview(Reader& r, Preview& preview);

void writeSuffixes(Writer& w, const std::vector<std::string>& suffixes);
bool readSuffixes(Reader& r, std::vector<std::string>& suffixes);

// Blocking I/O on the socket; false on any failure or end of stream. Writes
// never raise SIGPIPE.
bool sendRequest(int socket, const Request& request, int fileDescriptor /* -1 for none */);
// The request and the descriptor that came with it (-1 when none did).
bool receiveRequest(int socket, Request& request, int& fileDescriptor);
bool sendReply(int socket, const std::vector<unsigned char>& payload, bool retiring = false);

} // namespace quorvel::platform::loader

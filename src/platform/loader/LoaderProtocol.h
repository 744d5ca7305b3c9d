#pragma once

// The framed protocol between the program and its loader helper
// (quorvel-loader), over a stream socket pair. No Qt and no libvips here:
// both sides share it.
//
// The program talks to one long-lived process (the zygote), which reads no
// file: each request goes to it with a fresh socket for the answer and the
// image file's open descriptor attached (SCM_RIGHTS). The zygote forks a
// child for it, hands back a descriptor for that child (a pidfd), and the
// child confines itself, reads that one file, answers on its socket and
// exits. Reply: a ReplyStart echoing the request's number and giving the
// length, then `length` bytes written with Writer, read with Reader.

#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"
#include "check/InkStatistics.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct msghdr;

namespace quorvel::platform::loader {

enum class RequestKind : uint32_t {
    Header = 1,           // the header
    HeaderAndDetails = 2, // the header and the details
    Preview = 3,          // an sRGB preview within width x height
    Formats = 4,          // the file-name suffixes of the formats served
    Ink = 5,              // the total ink of a CMYK image, every pixel read
};

struct Request {
    RequestKind kind = RequestKind::Header;
    int32_t width = 0; // the preview's bounds
    int32_t height = 0;
    uint32_t number = 0; // echoed in the reply
};

struct ReplyStart {
    uint32_t number = 0;
    uint32_t length = 0;
};

// The byte the helper sends once, when it has confined itself and waits
// for requests.
inline constexpr unsigned char readyByte = 'R';

// The largest reply either side accepts: a preview of 4096 x 4096 RGBA and
// change; anything else is small.
inline constexpr uint32_t maxReplyBytes = 4096u * 4096u * 4u + 4096u;
inline constexpr uint32_t maxSmallReplyBytes = 256u * 1024u;
inline constexpr int32_t maxPreviewSide = 4096;
// Bounds of what a reply may claim about an image.
inline constexpr int32_t maxImageSide = 10'000'000;
inline constexpr size_t maxNameBytes = 256;
inline constexpr size_t maxSuffixes = 1000;

// The colour-space names a helper may report; any other name makes the
// reply malformed.
bool isKnownColourSpaceName(const std::string& name);

// `text` fit for a line of output: valid UTF-8 (anything else becomes '?'),
// control characters (C0, DEL and C1) replaced by spaces, at most `limit`
// bytes.
std::string printableText(const std::string& text, size_t limit = maxNameBytes);

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
// False when the reply is malformed or claims what no image has (sides,
// resolution, depth or page count out of range, an unknown colour space);
// the profile description comes out printable.
bool readHeader(Reader& r, ImageHeader& header, ImageDetails* details);

void writePreview(Writer& w, const Preview& preview);
// False unless the preview fits within width x height.
bool readPreview(Reader& r, Preview& preview, int32_t width = maxPreviewSide, int32_t height = maxPreviewSide);

void writeSuffixes(Writer& w, const std::vector<std::string>& suffixes);
bool readSuffixes(Reader& r, std::vector<std::string>& suffixes);

// The total ink of a CMYK image: whether it was measured, and the histogram
// as its non-empty bins in increasing order.
enum class InkReply : uint8_t { Measured = 0, NotCmyk = 1, Unreadable = 2 };
void writeInk(Writer& w, InkReply reply, const InkStatistics& ink);
// False when the reply is malformed: an unknown kind, bins out of order or
// range, counts that are not whole or more pixels than any image has. `ink`
// is set only for a measured image.
bool readInk(Reader& r, std::optional<InkStatistics>& ink);

// Blocking I/O on the socket; false on any failure or end of stream. Writes
// never raise SIGPIPE.

// To the zygote: the request, the socket the child answers on and the image
// (-1 for none).
bool sendRequest(int socket, const Request& request, int answerSocket, int fileDescriptor);
// The request and the descriptors that came with it (-1 when none did); any
// further descriptor is closed, and a request without an answer socket is
// refused.
bool receiveRequest(int socket, Request& request, int& answerSocket, int& fileDescriptor);
// Closes every descriptor that a received message brought; true when it
// brought any control data at all, which no child ever sends.
bool closeReceivedDescriptors(msghdr& message);
// From the zygote: the request's number and the child's pidfd (-1 when it
// could not start one).
bool sendStarted(int socket, uint32_t number, int pidfd);
bool receiveStarted(int socket, uint32_t& number, int& pidfd, int timeoutMs);

// From the child: one reply.
bool sendReply(int socket, uint32_t number, const std::vector<unsigned char>& payload);

} // namespace quorvel::platform::loader

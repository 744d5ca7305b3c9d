#pragma once

// Hand-made files that claim more than they hold, and damaged copies of real
// ones. Shared by the hostile-file tests and the fuzz seed maker.

#include <QByteArray>
#include <QString>

namespace quorvel::test {

// A small real PNG whose IHDR claims `width` x `height` (CRC kept valid).
QByteArray pngClaiming(quint32 width, quint32 height, bool interlaced = false);

// An uncompressed RGB TIFF at 300 dpi claiming `width` x `height` in one
// strip of which only 16 bytes exist.
QByteArray tiffClaiming(quint32 width, quint32 height);

// A small real JPEG whose frame header claims `width` x `height`; a
// progressive one needs every coefficient of the whole image in memory.
QByteArray jpegClaiming(quint16 width, quint16 height, bool progressive);

// A small real GIF whose logical screen claims `width` x `height`.
QByteArray gifClaiming(quint16 width, quint16 height);

// A layered CMYK document at 300 dpi claiming `width` x `height`
// (version 1, or 2 for the large variant), with no more than 64 bytes of pixels.
QByteArray psdClaiming(quint32 width, quint32 height, quint16 version = 1);

// A V5 bitmap at 300 dpi claiming `width` x `height` (negative: top-down),
// with no more than 64 bytes of pixels when the claim is large.
QByteArray bmpClaiming(qint32 width, qint32 height, quint16 bitCount = 24);

// A small real JPEG 2000 (JP2) file whose image header box and codestream
// both claim `width` x `height`, in tiles of `tile` x `tile` (0: one tile).
QByteArray jp2Claiming(quint32 width, quint32 height, quint32 tile = 0);

// A small real image of the format of `suffix` (".jpg", ".png", ...).
QByteArray smallImage(const QString& suffix);

// `bytes` with one bit flipped in each of `count` places of the first
// `span` bytes, chosen by `seed`: the same damage on every run.
QByteArray bitFlipped(QByteArray bytes, int count, int span, unsigned seed);

} // namespace quorvel::test

#pragma once

// For the platform's own libvips users only: the rest of the program never
// sees libvips.

#include <vips/vips.h>

#include <string>

namespace quorvel::platform {

namespace header {
class HeaderFile;
}

// The class name of the loader, among those allowed for hostile input, that
// recognises the file's first bytes; null when none does.
const char* trustedLoader(const header::HeaderFile& file);

// Whether that loader maps the whole file into memory. A file cut short
// while it is mapped faults the process, so such files are read through a
// private copy instead.
bool mapsWholeFile(const char* loader);

// A libvips source for `file`, null without a trusted loader: a private copy
// for the loaders that map the whole file (null past 128 MiB), otherwise
// reads through the descriptor, so libvips never opens the path again. For
// one load only: a descriptor source keeps the length it first saw, and
// loading it again after the file was rewritten aborts libvips. The caller
// unrefs it.
VipsSource* openTrustedSource(const header::HeaderFile& file);

// A name under which libvips opens `file` itself, afresh for every load,
// without going through its path again: the descriptor's entry in
// /proc/self/fd. Valid while `file` is open.
std::string descriptorName(const header::HeaderFile& file);

} // namespace quorvel::platform

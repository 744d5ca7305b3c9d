#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"

#include "platform/loader/LoaderClient.h"

namespace quorvel::platform::header {

// Loaders not hardened for hostile input never run in this process: the
// confined helper reads the file through the descriptor already checked to
// be a regular file, so the path cannot have turned into a pipe meanwhile.
ImageHeader readVipsHeader(HeaderFile& file, const std::string& /*path*/, ImageDetails* details)
{
    return loader::readHeaderThroughHelper(file.descriptor(), details);
}

} // namespace quorvel::platform::header

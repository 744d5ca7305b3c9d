#pragma once

namespace quorvel {

// The seven boxes of the report pre-panel; each state is 1 on or 0 off.
struct ReportOptions {
    int pictOk = 0;    // passing images are listed
    int pictWrong = 0; // failing images are listed
    int pictPath = 0;
    int pictName = 0;
    int pictSize = 0;
    int pictColor = 0; // colour is judged, can fail an image, and is listed
    int pictDpi = 0;   // resolution is judged, can fail an image, and is listed
};

// Whether an image with this verdict gets an entry; counted it is either way.
constexpr bool isListed(const ReportOptions& options, bool failed)
{
    if (options.pictOk == 1 && options.pictWrong == 1)
        return true;
    if (options.pictOk == 1 && options.pictWrong == 0)
        return !failed;
    if (options.pictOk == 0 && options.pictWrong == 1)
        return failed;
    return false;
}

} // namespace quorvel

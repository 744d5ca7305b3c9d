#include "app/inspect/InspectOptions.h"

#include <cctype>
#include <charconv>
#include <string_view>

namespace quorvel::inspect {
namespace {

std::optional<int> wholeNumber(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<OutputFormat> formatNamed(std::string_view name)
{
    if (name == "lines")
        return OutputFormat::Lines;
    if (name == "tsv")
        return OutputFormat::Tsv;
    if (name == "csv")
        return OutputFormat::Csv;
    if (name == "json")
        return OutputFormat::Json;
    return std::nullopt;
}

std::optional<std::string> colourNamed(std::string_view name)
{
    for (const char* known : {"CMYK", "RGB", "Grayscale", "any"}) {
        std::string_view k(known);
        if (name.size() == k.size()) {
            bool same = true;
            for (size_t i = 0; i < k.size(); ++i)
                same = same && std::tolower(static_cast<unsigned char>(name[i])) == std::tolower(static_cast<unsigned char>(k[i]));
            if (same)
                return std::string(k);
        }
    }
    if (name == "Greyscale" || name == "greyscale" || name == "grey" || name == "gray")
        return std::string("Grayscale");
    return std::nullopt;
}

// "12x8in", "305x203mm", "30.5x20.3cm": positive sizes and one unit.
std::optional<PrintArea> printAreaNamed(std::string_view text)
{
    double perInch = 0.0;
    for (auto [suffix, factor] : {std::pair {"mm", 25.4}, std::pair {"cm", 2.54}, std::pair {"in", 1.0}}) {
        if (text.ends_with(suffix)) {
            perInch = factor;
            text.remove_suffix(2);
            break;
        }
    }
    const size_t x = text.find_first_of("xX");
    if (perInch == 0.0 || x == std::string_view::npos)
        return std::nullopt;
    auto number = [](std::string_view t) -> std::optional<double> {
        double value = 0.0;
        const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
        if (t.empty() || error != std::errc() || end != t.data() + t.size() || !(value > 0.0) || value > 1e6)
            return std::nullopt;
        return value;
    };
    const std::optional<double> w = number(text.substr(0, x)), h = number(text.substr(x + 1));
    if (!w || !h)
        return std::nullopt;
    return PrintArea {*w / perInch, *h / perInch};
}

// "path,name,size,color,dpi": the listed fields on, the others off.
bool readFields(std::string_view list, ReportOptions& options)
{
    options.pictPath = options.pictName = options.pictSize = options.pictColor = options.pictDpi = 0;
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string_view field = list.substr(0, comma);
        if (field == "path")
            options.pictPath = 1;
        else if (field == "name")
            options.pictName = 1;
        else if (field == "size")
            options.pictSize = 1;
        else if (field == "color" || field == "colour")
            options.pictColor = 1;
        else if (field == "dpi")
            options.pictDpi = 1;
        else if (!field.empty())
            return false;
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return true;
}

} // namespace

ParseResult parseArguments(const std::vector<std::string>& arguments)
{
    ParseResult result;
    InspectOptions& o = result.options;
    bool okGiven = false;
    bool fieldsGiven = false;
    bool wrongGiven = false;
    bool optionsEnded = false;
    bool writeOptionGiven = false; // --output-dir, --in-place, --backup, --dry-run

    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            o.paths.push_back(arguments[i]);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" and "--name value" alike.
        std::string_view name = argument;
        std::optional<std::string> inlineValue;
        if (const size_t equals = argument.find('='); argument.starts_with("--") && equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            inlineValue = std::string(argument.substr(equals + 1));
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments[++i];
            return std::nullopt;
        };
        auto fail = [&](const std::string& message) {
            result.error = message;
            return result;
        };
        auto takesNoValue = [&] { return !inlineValue; };

        if ((name == "-h" || name == "--help") && takesNoValue()) {
            o.help = true;
        } else if (name == "--version" && takesNoValue()) {
            o.version = true;
        } else if (name == "--list-settings" && takesNoValue()) {
            o.listSettings = true;
        } else if ((name == "-r" || name == "--recursive") && takesNoValue()) {
            o.recursive = true;
        } else if (name == "--ok" && takesNoValue()) {
            okGiven = true;
        } else if (name == "--wrong" && takesNoValue()) {
            wrongGiven = true;
        } else if (name == "-f" || name == "--format") {
            const std::optional<std::string> v = value();
            const std::optional<OutputFormat> format = v ? formatNamed(*v) : std::nullopt;
            if (!format)
                return fail("--format takes lines, tsv, csv or json");
            o.format = *format;
        } else if (name == "-s" || name == "--setting") {
            const std::optional<std::string> v = value();
            if (!v)
                return fail("--setting takes the name of a setting");
            o.settingName = *v;
        } else if (name == "--dpi") {
            const std::optional<std::string> v = value();
            const std::optional<int> dpi = v ? wholeNumber(*v) : std::nullopt;
            if (!dpi || *dpi < 0)
                return fail("--dpi takes a whole number of dots per inch, 0 or more");
            o.dpi = *dpi;
        } else if (name == "--colour" || name == "--color") {
            const std::optional<std::string> v = value();
            const std::optional<std::string> colour = v ? colourNamed(*v) : std::nullopt;
            if (!colour)
                return fail("--colour takes CMYK, RGB, Grayscale or any");
            o.colour = *colour;
        } else if (name == "--print-size") {
            const std::optional<std::string> v = value();
            const std::optional<TrimSize> size = v ? parseTrimSize(*v) : std::nullopt;
            if (!size)
                return fail("--print-size takes A3, A4, A5, A6, letter, business-card or WIDTHxHEIGHTmm");
            o.printSize = *size;
        } else if (name == "--bleed") {
            const std::optional<std::string> v = value();
            const std::optional<double> bleed = v ? parseBleedMm(*v) : std::nullopt;
            if (!bleed)
                return fail("--bleed takes millimetres per side, 0 to 100, e.g. 3mm");
            o.bleedMm = *bleed;
        } else if (name == "--ink-limit") {
            const std::optional<std::string> v = value();
            const std::optional<int> limit = v ? wholeNumber(*v) : std::nullopt;
            if (!limit || *limit < 0 || *limit > 400)
                return fail("--ink-limit takes a whole percentage of total ink, 0 to 400");
            o.inkLimit = *limit;
        } else if (name == "--require-profile") {
            // The text is optional: the next argument is taken for it unless
            // it is an option or looks like a file name (a dot or a slash).
            if (inlineValue) {
                o.requireProfile = *inlineValue;
            } else if (i + 1 < arguments.size() && !optionsEnded && !arguments[i + 1].starts_with('-')
                       && arguments[i + 1].find_first_of("./") == std::string::npos) {
                o.requireProfile = arguments[++i];
            } else {
                o.requireProfile = std::string();
            }
        } else if (name == "--no-alpha" && takesNoValue()) {
            o.noAlpha = true;
        } else if (name == "--report") {
            const std::optional<std::string> v = value();
            if (!v || v->empty())
                return fail("--report takes a file name, or - for standard output");
            o.reportFile = *v;
        } else if (name == "--fields") {
            const std::optional<std::string> v = value();
            if (!v || !readFields(*v, o.reportOptions))
                return fail("--fields takes a comma-separated list of path, name, size, color and dpi");
            fieldsGiven = true;
        } else if (name == "-j" || name == "--jobs") {
            const std::optional<std::string> v = value();
            const std::optional<int> jobs = v ? wholeNumber(*v) : std::nullopt;
            if (!jobs || *jobs < 1)
                return fail("--jobs takes a whole number, 1 or more");
            o.jobs = *jobs;
        } else if (name == "--set-dpi") {
            const std::optional<std::string> v = value();
            const std::optional<int> dpi = v ? wholeNumber(*v) : std::nullopt;
            if (!dpi || *dpi < 1 || *dpi > 65535)
                return fail("--set-dpi takes a whole number of dots per inch, from 1 to 65535");
            o.setDpi = *dpi;
        } else if (name == "--fit-print") {
            const std::optional<std::string> v = value();
            const std::optional<PrintArea> area = v ? printAreaNamed(*v) : std::nullopt;
            if (!area)
                return fail("--fit-print takes a print size such as 12x8in, 300x200mm or 30x20cm");
            o.fitPrint = *area;
        } else if (name == "--output-dir") {
            const std::optional<std::string> v = value();
            if (!v || v->empty())
                return fail("--output-dir takes a folder");
            o.outputDir = *v;
            writeOptionGiven = true;
        } else if (name == "--in-place" && takesNoValue()) {
            o.inPlace = writeOptionGiven = true;
        } else if (name == "--backup" && takesNoValue()) {
            o.backup = writeOptionGiven = true;
        } else if (name == "--dry-run" && takesNoValue()) {
            o.dryRun = writeOptionGiven = true;
        } else {
            return fail("unknown option " + std::string(argument));
        }
    }

    // Neither box named: both on, as the report pre-panel starts.
    if (okGiven || wrongGiven) {
        o.reportOptions.pictOk = okGiven ? 1 : 0;
        o.reportOptions.pictWrong = wrongGiven ? 1 : 0;
    }
    if (o.help || o.version || o.listSettings)
        return result;
    if (o.setDpi && o.fitPrint)
        result.error = "give either --set-dpi or --fit-print, not both";
    else if (writeOptionGiven && !o.writes())
        result.error = "--output-dir, --in-place, --backup and --dry-run go with --set-dpi or --fit-print";
    else if (o.writes() && (o.judges() || o.reportFile || okGiven || wrongGiven || fieldsGiven))
        result.error = "--set-dpi and --fit-print write files; they do not judge or report";
    else if (o.inPlace && o.outputDir)
        result.error = "--in-place writes over the originals: --output-dir does not go with it";
    else if (o.backup && !o.inPlace)
        result.error = "--backup keeps the original of a file replaced --in-place";
    else if ((okGiven || wrongGiven || fieldsGiven) && !o.reportFile)
        result.error = "--ok, --wrong and --fields shape a report: give --report FILE";
    else if (o.reportFile && !o.judges())
        result.error = "a report needs a setting: give --setting NAME, --dpi N, --colour MODEL or a print check";
    else if (o.paths.empty())
        result.error = "no files given";
    return result;
}

std::string helpText()
{
    return R"(NAME
    quorvel-inspect - check image files before print or web, from the command line

SYNOPSIS
    quorvel-inspect [OPTIONS] PATH...
    quorvel-inspect --set-dpi N [--output-dir DIR | --in-place [--backup]] [--dry-run] PATH...

DESCRIPTION
    Measures each image file named, and each image file in each folder named:
    its size in pixels, its resolution in dots per inch (taken on the vertical
    axis, as the desktop application does) and its colour class. With a setting
    it also judges each file as the application's inspector does: a resolution
    below the demanded one fails, and so does a colour class other than the
    demanded one while the setting checks colour.

    Files come out in the order given; the files of a folder in byte order of
    their names, each sub-folder's files at its place in that order. Files are
    measured in parallel on all cores; the output order never changes.

    A folder yields the files whose names end in an image type that the
    program reads; names starting with "." are left out. Files named on the
    command line are always measured; one that cannot be read measures 0 x 0.

OPTIONS
    -r, --recursive
        Walk folders to any depth. A symbolic link back to a folder already
        walked is reported and skipped, so link loops end.

    -f, --format lines|tsv|csv|json
        lines (default): one tab-separated line per file: path, pixels high,
        pixels wide, dpi, colour class, colour-space name.

        tsv, csv: a header row, then one row per file with the measure, the
        verdicts, the details and, last, why a file could not be read
        (not-an-image, format-not-supported, damaged, too-large, timed-out,
        permission-denied, no-longer-there, not-found, folder). Tabs, line ends
        and backslashes in a tsv field are written \t, \n, \r and \\; csv
        quotes as RFC 4180.

        json: one document as described by docs/inspect-json-schema.json,
        with the measure, the verdicts, the details and unreadable_reason.

    -s, --setting NAME
        Judge against the setting of that name, from the same list as the
        application (its built-in settings while none are stored). A setting
        whose controls are disabled, such as None, checks no colour.

    --dpi N
        Demand N dots per inch (75 demands 72, as in the application).

    --colour CMYK|RGB|Grayscale|any
        Demand that colour class; any checks no colour. --color is the same.
        With --setting, --dpi and --colour replace the setting's values.

    --report FILE
        Write the application's batch report of these files to FILE, judged
        against the setting; - writes it to standard output instead of the
        measure. Needs a setting.

    --ok, --wrong
        List the images that pass (--ok) or fail (--wrong) in the report.
        Neither given: both are listed.

    --fields LIST
        The fields of each report entry, comma-separated: path, name, size,
        color, dpi. Default: all five. Only the listed color and dpi are
        judged in the report, as in the application.

    --print-size SIZE
        Demand that the pixels cover this trim size (either orientation) at
        the demanded resolution: a side needs the whole pixels that cover it.
        SIZE is A3, A4, A5, A6, letter, business-card (85 x 55 mm) or a width
        and height in millimetres such as 210x297mm.

    --bleed MM
        With a print size: the bleed added on every side, e.g. 3mm.

    --ink-limit PERCENT
        CMYK images only: the total ink (the sum of C, M, Y and K, 0 to 400)
        may stay above PERCENT over at most 1 square millimetre, at the
        resolution the file records. The maximum, the 99.9th percentile and
        the area above the limit are reported. The pixels are read whole
        (never a reduced copy), which takes longer than the other checks.

    --require-profile [TEXT]
        Demand an embedded ICC profile; with TEXT, one whose description
        contains it (any case), e.g. FOGRA39. TEXT is taken from the next
        argument unless that starts with - or holds a dot or a slash; write
        --require-profile=TEXT to be sure.

    --no-alpha
        Demand no alpha channel (no transparency).

        With --setting, each of these replaces the setting's own demand of
        that kind; a setting's print checks apply whenever it is named.

    -j, --jobs N
        Measure (or write) on N threads instead of one per core.

SETTING THE RESOLUTION
    --set-dpi N
        Instead of measuring, record N dots per inch (1 to 65535) in each
        file, horizontally and vertically, and change nothing else: not a
        pixel, not another byte outside the fields that hold the resolution.
        JPEG (its JFIF, EXIF and Photoshop records; a JFIF segment is added
        when it has none), PNG, TIFF and BigTIFF, WebP with EXIF, layered
        documents (PSD, PSB), BMP and JPEG 2000 (its display resolution box).
        GIF, bare JPEG 2000 codestreams, Netpbm and the formats read through
        the loader helper keep no resolution that can be set and are refused.
        By default the result is a new file beside the original, named
        "NAME (N dpi).EXT"; a file of that name is never replaced. Each new
        file is read back before it gets its name: it must measure N dpi and
        the original's size and colour class, and hold exactly the bytes
        meant; otherwise it is removed.

    --fit-print SIZE
        Like --set-dpi, with for each file the largest whole dpi at which
        its pixels cover a print of SIZE, WIDTHxHEIGHT followed by mm, cm or
        in, either way round: 3600 x 2400 pixels for 12x8in get 300.

    --output-dir DIR
        Write the new files into DIR instead of beside the originals.

    --in-place
        Replace the originals: each is written to a temporary file in its
        folder, flushed to disk, given the original's permissions and
        modification time and renamed over it in one step. A failure at any
        point leaves the original as it was. A file that changed while it
        was being written is left alone.

    --backup
        With --in-place, keep each original as "NAME.EXT~".

    --dry-run
        Say what would be written, and why a file would be refused; write
        nothing.

    With --format json, the output is one document: for each file its
    path, the resolution it recorded before (null for none), the new one,
    the written path and, for a refused file, the reason. Otherwise one
    tab-separated line per file: path, old dpi (or -), new dpi, written
    path; refused files are named on standard error with the reason.

    --list-settings
        Print the names that --setting accepts, one a line, in the order of
        the application's pop-up.

    -h, --help
        Print this page.

    --version
        Print the version.

DETAILS
    The tsv, csv and json formats add: where the resolution came from (jfif,
    exif, png-phys, tiff, other or none), both axes of it and whether they
    differ, a JPEG whose JFIF and EXIF resolutions disagree, the embedded ICC
    profile's description and colour model, a warning when that model does
    not suit the pixels or CMYK pixels carry no profile, bits per sample, an
    alpha channel, the number of pages, the layers of a layered document,
    the print size at the recorded resolution, and with a setting the
    largest print size it allows.

EXIT STATUS
    0   every file passes (or, without a setting, at least one was readable)
    1   at least one file fails the setting (in a report: the report counts
        an error)
    2   a usage error, nothing readable to check, or output that could not
        be written

    With --set-dpi or --fit-print: 0 when every file was written and
    verified (in a dry run: would be), 1 when some were refused, 2 on a
    usage error.
)";
}

} // namespace quorvel::inspect

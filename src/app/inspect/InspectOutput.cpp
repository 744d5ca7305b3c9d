#include "app/inspect/InspectOutput.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace quorvel::inspect {
namespace {

using Cell = std::optional<std::string>; // absent: no value (empty cell, JSON null)

std::string number(double value, int decimals)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (error != std::errc())
        return "0";
    std::string text(buffer, end);
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

Cell optionalNumber(const std::optional<double>& value, int decimals)
{
    return value ? Cell(number(*value, decimals)) : std::nullopt;
}

const char* truth(bool value)
{
    return value ? "true" : "false";
}

std::string classLabel(ColourClass colourClass)
{
    const std::string_view label = colourLabel(colourClass);
    return label.empty() ? "Other" : std::string(label);
}

std::string_view rowLabel(int row)
{
    switch (row) {
    case 0: return colourLabel(ColourClass::CMYK);
    case 1: return colourLabel(ColourClass::RGB);
    case 2: return colourLabel(ColourClass::Grayscale);
    default: return {};
    }
}

// The details shown of a record: read and readable.
const ImageDetails* detailsOf(const InspectRecord& r)
{
    return r.details ? &*r.details : nullptr;
}

std::optional<PrintSize> largestOf(const InspectRecord& r)
{
    return r.judgement ? r.judgement->largestPrintSize : std::nullopt;
}

Cell reasonCell(const InspectRecord& r)
{
    return r.readable ? std::nullopt : Cell(std::string(unreadableReasonKey(r.unreadableReason)));
}

// ---- tsv and csv

std::vector<Cell> cellsOf(const InspectRecord& r)
{
    const ImageMeasure& m = r.measure;
    std::vector<Cell> cells {
        r.path, truth(r.readable), std::to_string(m.pixelsHigh), std::to_string(m.pixelsWide), std::to_string(r.measuredDpi),
        classLabel(m.colourClass), m.colourSpaceName,
    };
    if (r.judgement) {
        cells.push_back(std::string(r.judgement->fails() ? "fail" : "pass"));
        cells.push_back(std::string(r.judgement->dpiFails ? "fail" : "pass"));
        cells.push_back(std::string(colourVerdictKey(r.judgement->colour)));
    } else {
        cells.insert(cells.end(), 3, std::nullopt);
    }
    const ImageDetails* details = detailsOf(r);
    if (!details) {
        cells.resize(columnNames().size() - 1);
        cells.push_back(reasonCell(r));
        return cells;
    }
    const ImageDetails& d = *details;
    auto size = [&cells](const std::optional<PrintSize>& s) {
        cells.push_back(s ? Cell(number(s->widthMm(), 1)) : std::nullopt);
        cells.push_back(s ? Cell(number(s->heightMm(), 1)) : std::nullopt);
        cells.push_back(s ? Cell(number(s->widthInches, 2)) : std::nullopt);
        cells.push_back(s ? Cell(number(s->heightInches, 2)) : std::nullopt);
    };
    cells.push_back(std::string(resolutionSourceKey(d.resolutionSource)));
    cells.push_back(optionalNumber(d.horizontalDpi, 2));
    cells.push_back(optionalNumber(d.verticalDpi, 2));
    cells.push_back(truth(r.resolutionsDiffer));
    cells.push_back(truth(r.jfifExifConflict));
    cells.push_back(optionalNumber(d.conflictingExifDpi, 2));
    cells.push_back(truth(d.hasProfile));
    cells.push_back(d.hasProfile ? Cell(d.profileDescription) : std::nullopt);
    cells.push_back(std::string(colourModelKey(d.profileModel)));
    cells.push_back(std::string(profileWarningKey(r.profileWarning)));
    cells.push_back(d.bitsPerSample ? Cell(std::to_string(*d.bitsPerSample)) : std::nullopt);
    cells.push_back(truth(d.alpha));
    cells.push_back(d.pages ? Cell(std::to_string(*d.pages)) : std::nullopt);
    cells.push_back(d.layers ? Cell(std::to_string(*d.layers)) : std::nullopt);
    size(r.printSize);
    size(largestOf(r));
    cells.push_back(reasonCell(r));
    return cells;
}

// A file's name or a text from inside a file, with every other control
// character (C0, DEL, and C1 written as UTF-8) as '?': no file can forge a
// line of output or send a terminal an escape sequence. Other bytes stay,
// so names that are not UTF-8 still name their file.
// `escape` writes the characters a format escapes its own way (none: 0).
std::string withoutControls(const std::string& text, const char* (*escape)(char) = nullptr)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (const char* escaped = escape ? escape(char(c)) : nullptr) {
            out += escaped;
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            out += '?';
            ++i;
        } else {
            out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
        }
    }
    return out;
}

const char* tsvEscape(char c)
{
    switch (c) {
    case '\t': return "\\t";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\\': return "\\\\";
    default: return nullptr;
    }
}

// A tab is harmless inside a comma-separated field.
const char* csvEscape(char c)
{
    return c == '\t' ? "\t" : nullptr;
}

void tsvField(std::string& out, const std::string& text)
{
    out += withoutControls(text, tsvEscape);
}

void csvField(std::string& out, const std::string& raw)
{
    const std::string text = withoutControls(raw, csvEscape);
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void writeTable(std::string& out, bool csv, const std::vector<InspectRecord>& records)
{
    const char separator = csv ? ',' : '\t';
    const char* lineEnd = csv ? "\r\n" : "\n";
    auto row = [&](const std::vector<Cell>& cells) {
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i > 0)
                out += separator;
            if (cells[i])
                csv ? csvField(out, *cells[i]) : tsvField(out, *cells[i]);
        }
        out += lineEnd;
    };
    row(std::vector<Cell>(columnNames().begin(), columnNames().end()));
    for (const InspectRecord& record : records)
        row(cellsOf(record));
}

// ---- json

// Paths are bytes; JSON is UTF-8. A byte that is not part of valid UTF-8
// becomes U+FFFD.
void jsonString(std::string& out, std::string_view text)
{
    out += '"';
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
        bool valid = length > 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (valid && length >= 3) { // no overlong forms, surrogates or code points past U+10FFFF
            const auto second = static_cast<unsigned char>(text[i + 1]);
            valid = !(c == 0xE0 && second < 0xA0) && !(c == 0xED && second >= 0xA0) && !(c == 0xF0 && second < 0x90)
                && !(c == 0xF4 && second >= 0x90);
        }
        const auto second = valid && length == 2 ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (valid && c == 0xC2 && second <= 0x9F) {
            // C1 controls, which a terminal may obey, escaped like the others.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", second);
            out += escaped;
            i += length;
        } else if (valid) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    out += '"';
}

class JsonObject {
public:
    explicit JsonObject(std::string& out) : m_out(out) { m_out += '{'; }
    ~JsonObject() { m_out += '}'; }
    std::string& key(std::string_view name)
    {
        if (!m_first)
            m_out += ',';
        m_first = false;
        m_out += '"';
        m_out += name;
        m_out += "\":";
        return m_out;
    }
    void raw(std::string_view name, std::string_view value) { key(name) += value; }
    void text(std::string_view name, std::string_view value) { jsonString(key(name), value); }
    void optionalText(std::string_view name, const std::optional<std::string>& value)
    {
        value ? text(name, *value) : raw(name, "null");
    }
    void integer(std::string_view name, long long value) { raw(name, std::to_string(value)); }
    void boolean(std::string_view name, bool value) { raw(name, truth(value)); }
    void optionalNumber(std::string_view name, const std::optional<double>& value, int decimals)
    {
        raw(name, value ? number(*value, decimals) : "null");
    }

private:
    std::string& m_out;
    bool m_first = true;
};

void jsonPrintSize(JsonObject& parent, std::string_view name, const std::optional<PrintSize>& size)
{
    if (!size) {
        parent.raw(name, "null");
        return;
    }
    JsonObject o(parent.key(name));
    o.raw("width_mm", number(size->widthMm(), 1));
    o.raw("height_mm", number(size->heightMm(), 1));
    o.raw("width_in", number(size->widthInches, 2));
    o.raw("height_in", number(size->heightInches, 2));
}

void jsonDetails(JsonObject& parent, const InspectRecord& r)
{
    const ImageDetails* details = detailsOf(r);
    if (!details) {
        parent.raw("details", "null");
        return;
    }
    const ImageDetails& d = *details;
    JsonObject o(parent.key("details"));
    {
        JsonObject resolution(o.key("resolution"));
        resolution.text("source", resolutionSourceKey(d.resolutionSource));
        resolution.optionalNumber("horizontal_dpi", d.horizontalDpi, 2);
        resolution.optionalNumber("vertical_dpi", d.verticalDpi, 2);
        resolution.boolean("axes_differ", r.resolutionsDiffer);
        resolution.boolean("jfif_exif_conflict", r.jfifExifConflict);
        resolution.optionalNumber("exif_dpi", d.conflictingExifDpi, 2);
    }
    if (d.hasProfile) {
        JsonObject profile(o.key("profile"));
        profile.text("description", d.profileDescription);
        profile.text("model", colourModelKey(d.profileModel));
    } else {
        o.raw("profile", "null");
    }
    o.text("profile_warning", profileWarningKey(r.profileWarning));
    o.raw("bits_per_sample", d.bitsPerSample ? std::to_string(*d.bitsPerSample) : "null");
    o.boolean("alpha", d.alpha);
    o.raw("pages", d.pages ? std::to_string(*d.pages) : "null");
    o.raw("layers", d.layers ? std::to_string(*d.layers) : "null");
    o.integer("extra_channels", d.extraChannels);
    jsonPrintSize(o, "print_size", r.printSize);
    jsonPrintSize(o, "largest_print_size", largestOf(r));
}

void jsonDemands(JsonObject& parent, const PrintDemands& d)
{
    if (!d.any()) {
        parent.raw("print_checks", "null");
        return;
    }
    JsonObject o(parent.key("print_checks"));
    if (d.trim) {
        JsonObject size(o.key("print_size"));
        size.optionalText("name", d.trim->name.empty() ? std::nullopt : std::optional<std::string>(d.trim->name));
        size.raw("width_mm", number(d.trim->widthMm, 3));
        size.raw("height_mm", number(d.trim->heightMm, 3));
        size.raw("bleed_mm", number(d.bleedMm, 3));
    } else {
        o.raw("print_size", "null");
    }
    o.raw("ink_limit_percent", d.inkLimitPercent ? std::to_string(*d.inkLimitPercent) : "null");
    o.optionalNumber("ink_tolerance_mm2", d.inkLimitPercent ? std::optional<double>(d.inkToleranceMm2) : std::nullopt, 3);
    o.boolean("require_profile", d.requireProfile);
    o.optionalText("profile_contains", d.requireProfile && !d.profileContains.empty()
                                           ? std::optional<std::string>(d.profileContains) : std::nullopt);
    o.boolean("no_transparency", d.noTransparency);
    o.boolean("no_extra_channels", d.noExtraChannels);
}

void jsonDemandVerdicts(JsonObject& parent, const DemandResults& r)
{
    JsonObject o(parent.key("print_checks"));
    for (Demand demand : {Demand::PrintSize, Demand::Ink, Demand::Profile, Demand::Transparency, Demand::ExtraChannels}) {
        std::string key(demandKey(demand));
        std::replace(key.begin(), key.end(), '-', '_');
        o.text(key, demandVerdictKey(r.verdict(demand)));
    }
    if (r.printSize == DemandVerdict::Pass || r.printSize == DemandVerdict::Fail) {
        JsonObject needed(o.key("needed_pixels"));
        needed.integer("wide", r.neededPixels.wide);
        needed.integer("high", r.neededPixels.high);
    } else {
        o.raw("needed_pixels", "null");
    }
    if (r.inkFigures) {
        JsonObject ink(o.key("ink_figures"));
        ink.raw("maximum_percent", number(r.inkFigures->maximumPercent, 2));
        ink.raw("percentile_99_9_percent", number(r.inkFigures->percentile999, 2));
        ink.raw("area_above_limit_mm2", number(r.inkFigures->areaAboveMm2, 3));
    } else {
        o.raw("ink_figures", "null");
    }
}

void writeJson(std::string& out, const std::vector<InspectRecord>& records, const std::optional<JudgeSetting>& setting)
{
    JsonObject document(out);
    document.text("schema", "quorvel-inspect/3");
    if (setting) {
        JsonObject s(document.key("setting"));
        s.optionalText("name", setting->title.empty() ? std::nullopt : std::optional<std::string>(setting->title));
        const std::string_view colour = rowLabel(setting->rules.selectedRow);
        s.optionalText("colour", colour.empty() ? std::nullopt : std::optional<std::string>(std::string(colour)));
        s.boolean("colour_check", setting->rules.matrixEnabled);
        s.integer("dpi", setting->rules.sliderValue);
        s.integer("required_dpi", requiredDpi(setting->rules.sliderValue));
        jsonDemands(s, setting->rules.demands);
    } else {
        document.raw("setting", "null");
    }
    int readable = 0, passed = 0, failed = 0;
    {
        std::string& list = document.key("files");
        list += '[';
        bool first = true;
        for (const InspectRecord& r : records) {
            if (!first)
                list += ',';
            first = false;
            list += "\n";
            readable += r.readable ? 1 : 0;
            JsonObject o(list);
            o.text("path", r.path);
            o.boolean("readable", r.readable);
            o.optionalText("unreadable_reason", reasonCell(r));
            o.integer("pixels_high", r.measure.pixelsHigh);
            o.integer("pixels_wide", r.measure.pixelsWide);
            o.integer("dpi", r.measuredDpi);
            o.text("colour_class", classLabel(r.measure.colourClass));
            o.optionalText("colour_space", r.measure.colourSpaceName);
            if (r.judgement) {
                (r.judgement->fails() ? failed : passed) += 1;
                JsonObject v(o.key("verdict"));
                v.boolean("pass", !r.judgement->fails());
                v.text("dpi", r.judgement->dpiFails ? "fail" : "pass");
                v.text("colour", colourVerdictKey(r.judgement->colour));
                jsonDemandVerdicts(v, r.judgement->demands);
            } else {
                o.raw("verdict", "null");
            }
            jsonDetails(o, r);
        }
        list += "\n]";
    }
    JsonObject summary(document.key("summary"));
    summary.integer("files", static_cast<long long>(records.size()));
    summary.integer("readable", readable);
    summary.raw("passed", setting ? std::to_string(passed) : "null");
    summary.raw("failed", setting ? std::to_string(failed) : "null");
}

// ---- lines: what the tool printed before it had options

void writeLines(std::string& out, const std::vector<InspectRecord>& records)
{
    for (const InspectRecord& r : records) {
        out += withoutControls(r.path);
        out += '\t' + std::to_string(r.measure.pixelsHigh);
        out += '\t' + std::to_string(r.measure.pixelsWide);
        out += '\t' + std::to_string(r.measuredDpi);
        out += '\t';
        out += classLabel(r.measure.colourClass);
        out += '\t';
        out += withoutControls(r.measure.colourSpaceName.value_or(std::string()));
        out += '\n';
    }
}

} // namespace

std::string printable(const std::string& text)
{
    return withoutControls(text);
}

const std::vector<std::string>& columnNames()
{
    static const std::vector<std::string> names {
        "path", "readable", "pixels_high", "pixels_wide", "dpi", "colour_class", "colour_space",
        "verdict", "dpi_verdict", "colour_verdict",
        "resolution_source", "horizontal_dpi", "vertical_dpi", "axes_differ", "jfif_exif_conflict", "exif_dpi",
        "profile", "profile_description", "profile_model", "profile_warning",
        "bits_per_sample", "alpha", "pages", "layers",
        "print_width_mm", "print_height_mm", "print_width_in", "print_height_in",
        "largest_width_mm", "largest_height_mm", "largest_width_in", "largest_height_in",
        "unreadable_reason",
    };
    return names;
}

void writeRecords(std::string& out, OutputFormat format, const std::vector<InspectRecord>& records,
                  const std::optional<JudgeSetting>& setting)
{
    switch (format) {
    case OutputFormat::Lines: writeLines(out, records); return;
    case OutputFormat::Tsv: writeTable(out, false, records); return;
    case OutputFormat::Csv: writeTable(out, true, records); return;
    case OutputFormat::Json:
        writeJson(out, records, setting);
        out += '\n';
        return;
    }
}

} // namespace quorvel::inspect

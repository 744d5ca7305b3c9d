#pragma once

#include "check/PrintDemands.h"
#include "report/ReportOptions.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel::inspect {

enum class OutputFormat { Lines, Tsv, Csv, Json };

// --fit-print: a print size, in inches whatever unit it was given in.
struct PrintArea {
    double widthInches = 0.0;
    double heightInches = 0.0;
};

// What the command line asks for.
struct InspectOptions {
    std::vector<std::string> paths;
    bool recursive = false;
    OutputFormat format = OutputFormat::Lines;
    std::optional<std::string> settingName;
    std::optional<int> dpi;
    std::optional<std::string> colour; // "CMYK", "RGB", "Grayscale" or "any"
    std::optional<std::string> reportFile; // "-" writes the report to standard output
    ReportOptions reportOptions{1, 1, 1, 1, 1, 1, 1}; // the report pre-panel's boxes as they start
    int jobs = 0; // 0: one per core
    bool help = false;
    bool version = false;
    bool listSettings = false; // print the names --setting accepts, one a line
    // Print demands; each replaces the named setting's own.
    std::optional<TrimSize> printSize;
    std::optional<double> bleedMm;
    std::optional<int> inkLimit;
    std::optional<std::string> requireProfile; // the text the description must contain; empty: any profile
    bool noAlpha = false;
    // Setting the recorded resolution instead of measuring.
    std::optional<int> setDpi;
    std::optional<PrintArea> fitPrint; // the dpi that makes each file cover it
    std::optional<std::string> outputDir;
    bool inPlace = false;
    bool backup = false;
    bool dryRun = false;

    bool writes() const { return setDpi || fitPrint; }

    bool demandsGiven() const { return printSize || bleedMm || inkLimit || requireProfile || noAlpha; }
    // A setting is judged against when one is named or built.
    bool judges() const { return settingName || dpi || colour || demandsGiven(); }
    // Details cost a little; only the machine-readable formats show them.
    bool wantsDetails() const { return format != OutputFormat::Lines; }
};

struct ParseResult {
    InspectOptions options;
    std::string error; // empty when the command line is usable
};

// Reads the arguments after the program name.
ParseResult parseArguments(const std::vector<std::string>& arguments);

// The manual page printed by --help.
std::string helpText();

} // namespace quorvel::inspect

// quorvel-inspect: the checker for scripts and pipelines. Measures image
// files with the same header reader as the application, judges them with the
// same rules against the same settings, and writes the same report. See
// --help, and docs/inspect-json-schema.json for the JSON output.
#include "app/inspect/FileWalk.h"
#include "app/inspect/InspectCore.h"
#include "app/inspect/InspectOptions.h"
#include "app/inspect/InspectOutput.h"
#include "app/inspect/SetDpiRun.h"
#include "platform/ImageTypes.h"
#include "platform/JsonDefaultsStore.h"
#include "platform/header/ImageFileReader.h"
#include "settings/SettingsList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace quorvel;
using namespace quorvel::inspect;

constexpr int allPass = 0;
constexpr int someFail = 1;
constexpr int cannotCheck = 2;

int usageError(const std::string& message)
{
    std::fprintf(stderr, "quorvel-inspect: %s\nTry 'quorvel-inspect --help' for more information.\n", message.c_str());
    return cannotCheck;
}

bool writeAll(FILE* stream, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && std::fflush(stream) == 0;
}

// Names an image type the loader reads. The types read in this process are
// known here; for any other suffix the loader helper is asked, once.
bool hasImageSuffix(std::string_view name)
{
    static const std::set<std::string> own(platform::nativeImageSuffixes().begin(),
                                           platform::nativeImageSuffixes().end());
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size())
        return false;
    std::string suffix(name.substr(dot + 1));
    for (char& c : suffix)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (own.count(suffix) > 0)
        return true;
    static const std::set<std::string> others = [] {
        std::set<std::string> set;
        for (const QString& s : platform::readableImageSuffixes())
            set.insert(s.toStdString());
        return set;
    }();
    return others.count(suffix) > 0;
}

} // namespace

int main(int argc, char** argv)
{
    const ParseResult parsed = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    const InspectOptions& options = parsed.options;
    if (options.help)
        return writeAll(stdout, helpText()) ? allPass : cannotCheck;
    if (options.version)
        return writeAll(stdout, "quorvel-inspect " QUORVEL_VERSION "\n") ? allPass : cannotCheck;
    if (!parsed.error.empty())
        return usageError(parsed.error);

    // The same store as the application's: its organisation and name.
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    // The report code traces as it goes; a pipeline wants only its output.
    QLoggingCategory::setFilterRules(QStringLiteral("quorvel.*.info=false"));

    if (options.listSettings) {
        platform::JsonDefaultsStore store;
        std::string names;
        for (const QString& name : SettingsList(store).names())
            names += name.toStdString() + '\n';
        return writeAll(stdout, names) ? allPass : cannotCheck;
    }

    std::optional<JudgeSetting> setting;
    if (options.judges()) {
        platform::JsonDefaultsStore store;
        const SettingLookup lookup = resolveSetting(options, store);
        if (!lookup.error.empty())
            return usageError(lookup.error);
        setting = lookup.setting;
    }

    const WalkResult walk = collectFiles(options.paths, options.recursive, hasImageSuffix);
    for (const std::string& warning : walk.warnings)
        std::fprintf(stderr, "quorvel-inspect: %s\n", inspect::printable(warning).c_str());
    if (walk.files.empty()) {
        std::fputs("quorvel-inspect: no image files found\n", stderr);
        return cannotCheck;
    }

    const platform::ImageFileReader reader;
    if (options.writes()) {
        if (options.outputDir && !QFileInfo(QFile::decodeName(QByteArray::fromStdString(*options.outputDir))).isDir())
            return usageError("--output-dir " + *options.outputDir + ": no such folder");
        const std::vector<SetDpiResult> results = setDpiOfFiles(walk.files, options, reader);
        std::string out, errors;
        writeSetDpiResults(out, errors, results, options.format, options.dryRun);
        std::fputs(errors.c_str(), stderr);
        if (!writeAll(stdout, out))
            return cannotCheck;
        const bool allWritten = std::all_of(results.begin(), results.end(),
                                            [](const SetDpiResult& r) { return r.outcome.ok(); });
        return allWritten ? allPass : someFail;
    }
    const bool withDetails = options.wantsDetails() || (setting && demandsNeedDetails(setting->rules.demands));
    const bool withInk = setting && setting->rules.demands.inkLimitPercent.has_value();
    std::vector<InspectRecord> records = measureFiles(walk.files, reader, withDetails, options.jobs, withInk);
    if (setting)
        judgeAll(records, *setting);

    bool anyReadable = false;
    bool anyFails = false;
    for (const InspectRecord& record : records) {
        anyReadable = anyReadable || record.readable;
        anyFails = anyFails || (record.judgement && record.judgement->fails());
    }

    bool reportToStdout = false;
    if (options.reportFile) {
        const ReportResult report = reportOf(records, *setting, options.reportOptions, QDateTime::currentDateTime(),
                                             QDir::currentPath());
        // The report's own verdict: it judges only the fields it lists.
        anyFails = report.error > 0;
        reportToStdout = *options.reportFile == "-";
        if (reportToStdout) {
            if (!writeAll(stdout, report.text.toUtf8().toStdString()))
                return cannotCheck;
        } else {
            QString reason;
            if (!writeReport(QFile::decodeName(QByteArray::fromStdString(*options.reportFile)), report.text, &reason)) {
                std::fprintf(stderr, "quorvel-inspect: cannot write the report %s: %s\n", options.reportFile->c_str(),
                             reason.toLocal8Bit().constData());
                return cannotCheck;
            }
        }
    }
    if (!reportToStdout) {
        std::string out;
        out.reserve(records.size() * (options.format == OutputFormat::Lines ? 96 : 768));
        writeRecords(out, options.format, records, setting);
        if (!writeAll(stdout, out))
            return cannotCheck;
    }

    if (!anyReadable) {
        std::fputs("quorvel-inspect: none of the files could be read as an image\n", stderr);
        return cannotCheck;
    }
    return anyFails ? someFail : allPass;
}

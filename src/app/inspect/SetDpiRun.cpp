#include "app/inspect/SetDpiRun.h"

#include "app/inspect/InspectOutput.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace quorvel::inspect {

namespace write = platform::write;

namespace {

SetDpiResult setOne(const std::string& path, const InspectOptions& options, const ImageHeaderReader& reader)
{
    SetDpiResult result;
    result.path = path;
    // The stamp taken before the measure: a file changed after it is refused.
    const std::optional<write::FileStamp> stamp = write::stampOf(path);
    if (options.setDpi) {
        result.dpi = *options.setDpi;
    } else {
        const ImageHeader header = reader.readHeader(path);
        const std::optional<int> dpi =
            header.readable ? write::dpiToCover(header.pixelsWide, header.pixelsHigh, options.fitPrint->widthInches,
                                                options.fitPrint->heightInches)
                            : std::nullopt;
        if (!dpi) {
            result.outcome.refusal = write::SetDpiRefusal::Unreadable;
            result.outcome.detail = "not readable as an image";
            return result;
        }
        result.dpi = *dpi;
    }
    write::SetDpiJob job;
    job.path = path;
    job.dpi = result.dpi;
    job.mode = options.inPlace ? write::WriteMode::InPlace : write::WriteMode::Copy;
    job.outputFolder = options.outputDir.value_or(std::string());
    job.backup = options.backup;
    job.dryRun = options.dryRun;
    job.measured = stamp;
    result.outcome = write::setRecordedResolution(job, reader);
    return result;
}

QString decoded(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string dpiText(const std::optional<double>& dpi)
{
    if (!dpi)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::round(*dpi * 100.0) / 100.0);
    return text;
}

} // namespace

std::vector<SetDpiResult> setDpiOfFiles(const std::vector<std::string>& paths, const InspectOptions& options,
                                        const ImageHeaderReader& reader)
{
    std::vector<SetDpiResult> results(paths.size());
    std::atomic<size_t> next {0};
    auto work = [&] {
        for (size_t i = next++; i < paths.size(); i = next++)
            results[i] = setOne(paths[i], options, reader);
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t threads = std::min<size_t>(options.jobs > 0 ? size_t(options.jobs) : cores, paths.size());
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    return results;
}

void writeSetDpiResults(std::string& out, std::string& errors, const std::vector<SetDpiResult>& results,
                        OutputFormat format, bool dryRun)
{
    for (const SetDpiResult& r : results) {
        if (!r.outcome.ok())
            errors += "quorvel-inspect: " + printable(r.path) + ": " + printable(write::refusalText(r.outcome).toStdString()) + "\n";
    }
    if (format == OutputFormat::Json) {
        QJsonArray files;
        for (const SetDpiResult& r : results) {
            QJsonObject o;
            o[QStringLiteral("path")] = decoded(r.path);
            o[QStringLiteral("old_dpi")] = r.outcome.oldDpi ? QJsonValue(*r.outcome.oldDpi) : QJsonValue();
            o[QStringLiteral("new_dpi")] = r.dpi > 0 ? QJsonValue(r.dpi) : QJsonValue();
            o[QStringLiteral("written")] = r.outcome.ok() && !dryRun;
            o[QStringLiteral("written_path")] =
                r.outcome.ok() ? QJsonValue(decoded(r.outcome.writtenPath)) : QJsonValue();
            if (!r.outcome.backupPath.empty())
                o[QStringLiteral("backup_path")] = decoded(r.outcome.backupPath);
            o[QStringLiteral("error")] = r.outcome.ok() ? QJsonValue() : QJsonValue(write::refusalText(r.outcome));
            files.append(o);
        }
        QJsonObject document;
        document[QStringLiteral("schema")] = QStringLiteral("quorvel-inspect-set-dpi/1");
        document[QStringLiteral("dry_run")] = dryRun;
        document[QStringLiteral("files")] = files;
        out += QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString();
        return;
    }
    for (const SetDpiResult& r : results) {
        if (r.outcome.ok())
            out += printable(r.path) + '\t' + dpiText(r.outcome.oldDpi) + '\t' + std::to_string(r.dpi) + '\t'
                + printable(r.outcome.writtenPath) + '\n';
    }
}

} // namespace quorvel::inspect

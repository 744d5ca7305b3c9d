#include "app/inspect/InspectCore.h"

#include "settings/SettingsList.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <thread>

namespace quorvel::inspect {
namespace {

// The preferences window's slider holds values in this range only.
constexpr int sliderMinimum = 0;
constexpr int sliderMaximum = 600;

int rowOfColour(const std::string& colour)
{
    if (colour == "CMYK")
        return 0;
    if (colour == "RGB")
        return 1;
    if (colour == "Grayscale")
        return 2;
    return -1;
}

} // namespace

SettingLookup resolveSetting(const InspectOptions& options, platform::DefaultsStore& store)
{
    SettingLookup lookup;
    if (!options.judges())
        return lookup;
    // Until a setting is picked the colour choice is off and the slider at 0.
    JudgeSetting setting{std::string(), RuleControls{-1, false, 0}, 1};
    if (options.settingName) {
        const SettingsList list(store);
        const QString wanted = QString::fromStdString(*options.settingName);
        const auto& entries = list.entries();
        // Two settings of one name: the first is the one applied, as in the pop-up.
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&wanted](const Setting& s) { return s.name == wanted; });
        if (found == entries.end()) {
            lookup.error = "no setting named \"" + *options.settingName + "\"; the settings are: "
                + list.names().join(QStringLiteral(", ")).toStdString();
            return lookup;
        }
        const SettingValues& v = found->values;
        setting.title = found->name.toStdString();
        setting.previewState = v.preview != 0 ? 1 : 0;
        setting.rules.selectedRow = v.colourRow >= 0 && v.colourRow <= 2 ? v.colourRow : -1;
        setting.rules.matrixEnabled = v.disabled != 1;
        setting.rules.sliderValue = std::clamp(v.dpi, sliderMinimum, sliderMaximum);
        // Settings of one name share their print demands.
        setting.rules.demands = list.demandsOf(found->name);
    }
    if (options.dpi)
        setting.rules.sliderValue = *options.dpi;
    if (options.colour) {
        setting.rules.selectedRow = rowOfColour(*options.colour);
        setting.rules.matrixEnabled = *options.colour != "any";
    }
    PrintDemands& d = setting.rules.demands;
    if (options.printSize)
        d.trim = options.printSize;
    if (options.bleedMm)
        d.bleedMm = *options.bleedMm;
    if (options.inkLimit) {
        d.inkLimitPercent = options.inkLimit;
        d.inkToleranceMm2 = PrintDemands{}.inkToleranceMm2;
    }
    if (options.requireProfile) {
        d.requireProfile = true;
        d.profileContains = *options.requireProfile;
    }
    if (options.noAlpha)
        d.noTransparency = true;
    lookup.setting = setting;
    return lookup;
}

std::vector<InspectRecord> measureFiles(const std::vector<std::string>& paths, const ImageHeaderReader& reader,
                                        bool withDetails, int jobs, bool withInk)
{
    std::vector<InspectRecord> records(paths.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < paths.size(); i = next++) {
            static_cast<ImageRecord&>(records[i]) = recordImage(paths[i], reader, withDetails, withInk);
            records[i].path = paths[i];
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t threads = std::min<size_t>(jobs > 0 ? static_cast<size_t>(jobs) : cores, paths.size());
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work(); // this thread measures too
    for (std::thread& helper : helpers)
        helper.join();
    return records;
}

void judgeAll(std::vector<InspectRecord>& records, const JudgeSetting& setting)
{
    for (InspectRecord& record : records)
        judgeRecord(record, setting.rules);
}

ReportResult reportOf(const std::vector<InspectRecord>& records, const JudgeSetting& setting,
                      const ReportOptions& options, const QDateTime& date, const QString& currentDirectory)
{
    const QDir base(currentDirectory);
    ReportInputs inputs;
    QList<ImageRecord> measures;
    inputs.files.reserve(static_cast<qsizetype>(records.size()));
    measures.reserve(static_cast<qsizetype>(records.size()));
    for (const InspectRecord& record : records) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(record.path));
        inputs.files << (QDir::isAbsolutePath(path) ? path : base.absoluteFilePath(path));
        measures << record;
    }
    inputs.options = options;
    inputs.controls = ReportControls{setting.rules, setting.previewState, QString::fromStdString(setting.title)};
    inputs.date = date;
    inputs.host = makerHost();
    return buildReport(inputs, measures);
}

} // namespace quorvel::inspect

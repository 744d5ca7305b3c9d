#pragma once

#include "check/CheckRules.h"
#include "check/ImageRecord.h"
#include "report/ReportOptions.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QThreadPool;

namespace quorvel {

// The live preference controls as the report reads them when it starts.
struct ReportControls {
    RuleControls rules;
    int previewState = 0;  // traced only
    QString settingTitle;  // the pop-up's selected item, printed in the header
};

// Everything a report's text depends on besides the images themselves.
struct ReportInputs {
    // The batch in order; empty when there is no current file, which leaves
    // the report with its header and footer only.
    QStringList files;
    ReportOptions options;
    ReportControls controls;
    QDateTime date;
    QString host;
};

struct ReportResult {
    QString text;
    int correct = 0;
    int error = 0;
};

// The maker's host name, as configured at build time.
QString makerHost();

// ("/a", "/b"), or (null) without a batch: how traces show a list of paths.
QString describePaths(const std::optional<QStringList>& files);

// The request traces: the box states, then the preview, colour row and slider.
void traceReportRequest(const ReportOptions& options, const ReportControls& controls);

// Measures every file, spread over `pool` (the global one when none); the
// result is in batch order whatever order the files finish in. The details
// are read too when print demands need them.
QList<ImageRecord> measureAll(const QStringList& files, const ImageHeaderReader& reader,
                              QThreadPool* pool = nullptr, bool withDetails = false, bool withInk = false);
ImageRecord measureFile(const QString& path, const ImageHeaderReader& reader, bool withDetails = false,
                        bool withInk = false);

// Builds the report from one record per file (same order, same count), each
// judged against the report's controls, and writes the per-image traces in
// batch order.
ReportResult buildReport(const ReportInputs& inputs, const QList<ImageRecord>& records);

// Replaces the file at `path` in one step, as UTF-8. On failure the old file,
// if any, is untouched and `error` says why.
bool writeReport(const QString& path, const QString& text, QString* error = nullptr);

} // namespace quorvel

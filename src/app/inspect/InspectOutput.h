#pragma once

#include "app/inspect/InspectCore.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel::inspect {

// The records in the chosen format, appended to `out`. Lines keeps the
// measure lines the tool always printed; tsv and csv start with a header row
// of columnNames(); json follows docs/inspect-json-schema.json.
void writeRecords(std::string& out, OutputFormat format, const std::vector<InspectRecord>& records,
                  const std::optional<JudgeSetting>& setting);

const std::vector<std::string>& columnNames();

// A file's name or a text from inside a file, fit for a line of output or a
// message: control characters print as '?', so no file can forge a line or
// send the terminal an escape sequence.
std::string printable(const std::string& text);

} // namespace quorvel::inspect

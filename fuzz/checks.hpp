// The properties the fuzz harnesses check, each written once: the libFuzzer entry points
// and the regression test that replays kept inputs call the same functions. A check takes
// any bytes and gives the first property that failed, as a message, or nullopt.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varscope::fuzz {

using Failure = std::optional<std::string>;

// ParseReport gives what the reference reader gives, and a ReportStream fed the same bytes
// in blocks of random sizes gives the same records, files, summary lines and skipped lines.
Failure CheckReport(std::string_view input);
// Profile writes read back, keep every other key, are idempotent and keep the file's form.
Failure CheckProfile(std::string_view input);
// A category file reads as the harness's own line reader reads it; saved and loaded again it
// gives the same catalogue, whether read from bytes or built by the Category Manager's edits.
Failure CheckCategory(std::string_view input);
// Fixed lines split as the C runtime splits them; quoted words split back into themselves; a
// line holding a NUL byte is never started.
Failure CheckCommandLine(std::string_view input);
// The export line writer writes the documented line, level names as typed out in the
// harness, within its room, for any texts.
Failure CheckExportLine(std::string_view input);
// Referenced names are well-formed parts of the value; derivations over records of any
// values are trees whose nodes name their records; "used by" is every referring record.
Failure CheckReferences(std::string_view input);

struct Harness {
    std::string_view name; // also the folder of its corpus and kept inputs
    Failure (*check)(std::string_view);
};

inline constexpr Harness kHarnesses[] = {
    {"report", CheckReport},          {"profile", CheckProfile},
    {"category", CheckCategory},      {"command_line", CheckCommandLine},
    {"export_line", CheckExportLine}, {"references", CheckReferences}};

} // namespace varscope::fuzz

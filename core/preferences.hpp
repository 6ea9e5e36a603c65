#pragma once

#include <optional>
#include <string>

namespace varscope::core {

struct AppState;

// Sets PreferencesFile to the program folder + "Dbgscope.Ini".
void SetPreferencesFile(AppState& state);

// Fills every preference setting from PreferencesFile (defaults for missing keys) and
// derives EditorPath.
void ReadPreferences(AppState& state);

// Writes the eight keys in one atomic replacement of the file. nullopt on success, else
// the reason; on failure the old file stays as it was.
std::optional<std::string> WritePreferences(AppState& state);

} // namespace varscope::core

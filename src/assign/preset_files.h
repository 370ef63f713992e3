#pragma once
// A preset reaches the shared state through the two settings files: it writes
// them, and the refresh that follows reads them back.
#include <string>
#include <vector>

#include "assign/preset_tables.h"

namespace assign {

// The assignment file of a preset: its 192 cell lines, its face, its
// character set as bare digits, then the 16 current custom set titles.
std::vector<std::string> PresetAssignmentLines(const PresetRecord& preset);

// The options file of a preset: the size as bare digits and LOCK UNI ("1" or
// "0"). The retrace lines are left to the next full write of the settings.
std::vector<std::string> PresetOptionsLines(const PresetRecord& preset);

// Writes both files, each whole through a temporary file. When either cannot
// be written both stay as they were, and `error` (Windows-1252) names the file
// and the reason.
bool WritePresetFiles(const PresetRecord& preset, std::string* error);

}  // namespace assign

#include "assign/preset_files.h"

#include "assign/settings.h"
#include "files/textfile.h"
#include "store/store.h"

namespace assign {

std::vector<std::string> PresetAssignmentLines(const PresetRecord& preset) {
    std::vector<std::string> lines(preset.cells.begin(), preset.cells.end());
    lines.push_back(preset.face);
    lines.push_back(std::to_string(preset.charset));
    for (int i = 1; i <= 16; ++i) lines.push_back(store::CustomTitle[static_cast<size_t>(i)]);
    return lines;
}

std::vector<std::string> PresetOptionsLines(const PresetRecord& preset) {
    return {std::to_string(preset.size), preset.lockUni ? "1" : "0"};
}

bool WritePresetFiles(const PresetRecord& preset, std::string* error) {
    const auto failure = WriteSettingsTexts(textfile::joinLines(PresetAssignmentLines(preset)),
                                            textfile::joinLines(PresetOptionsLines(preset)));
    if (failure && error) *error = failure->Message();
    return !failure;
}

}  // namespace assign

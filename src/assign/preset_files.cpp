#include "assign/preset_files.h"

#include <optional>

#include "platform/ansi.h"
#include "platform/textfile.h"
#include "store/filenames.h"
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
    ++store::Io.writes;
    const auto fail = [&](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    const auto lastError = [] { return ansi::fromQString(textfile::lastError()); };
    // The assignment file as it was, to put back when the options file fails.
    std::optional<std::string> before;
    if (textfile::exists(store::kAssignmentFile)) {
        before = textfile::readAll(store::kAssignmentFile);
        // A table we cannot read cannot be put back: it is not replaced.
        if (!before) return fail(lastError());
    }
    if (!textfile::writeLinesAtomic(store::kAssignmentFile, PresetAssignmentLines(preset))) return fail(lastError());
    if (textfile::writeLinesAtomic(store::kOptionsFile, PresetOptionsLines(preset))) return true;

    std::string why = lastError();
    const bool restored = before ? textfile::writeAtomic(store::kAssignmentFile, *before)
                                 : textfile::remove(store::kAssignmentFile);
    if (!restored)
        why += "\r\n\"" + std::string(store::kAssignmentFile) + "\" could not be put back as it was: " + lastError();
    return fail(why);
}

}  // namespace assign

#include "app/masterfiles.h"

#include "files/textfile.h"
#include "store/filenames.h"

namespace app {

// Every line ended by CR LF, as joinLines(readLines(...)) gives it, without
// the file's lines kept apart.
std::optional<std::string> ReadMasterText(const std::string& path) {
    const auto bytes = textfile::readAll(path, store::kCodeTextBound);
    if (!bytes) return std::nullopt;
    std::string text;
    text.reserve(bytes->size() + 2);
    textfile::forEachLine(*bytes, [&](std::string_view line) {
        text += line;
        text += "\r\n";
        return true;
    });
    return text;
}

MasterSave PlanMasterSave(const std::string& chosen) {
    // The dialog may hand back a name without its extension; without this the
    // last four characters of the name itself would be cut ("notes" -> "n").
    const std::string name = textfile::endsWithTxt(chosen) ? chosen : chosen + ".TXT";
    const std::string base = name.substr(0, name.size() - 4);
    MasterSave plan;
    if (!base.empty() && base.back() == 'M') {
        // A base that is the single letter M is written as "M.TXT" too.
        plan.file = base + ".TXT";
        plan.shownName = base;
        plan.overwrite = true;
    } else {
        plan.file = base + "M.TXT";
        plan.shownName = base + "M";
        plan.overwrite = false;
    }
    return plan;
}

bool WriteMaster(const MasterSave& plan, const std::string& text) {
    const std::string content = text + "\r\n";
    // A master file the program could not open again is not written.
    return plan.overwrite ? textfile::writeAtomic(plan.file, content, textfile::Flush::ToDisk, store::kCodeTextBound)
                          : textfile::append(plan.file, content, store::kCodeTextBound);
}

std::string MasterSaveTitle(const MasterSave& plan) { return plan.overwrite ? "Saved" : "Text appended or saved new"; }

std::string MasterSaveText(const MasterSave& plan) {
    if (plan.overwrite) {
        return "The contents of the upper window is saved as " + filegroup::ShortQuote(plan.shownName + ".TXT") +
               "\r\n\r\n" +
               "If you want to add the contents of the upper window to an existing file, click on its name, "
               "then remove the capital letter M from the end of the file name, or enter its name without M "
               "at the end. Avoid double Ms";
    }
    return "The contents of the upper window is added to the file " + filegroup::ShortQuote(plan.shownName + ".TXT") +
           "\r\n\r\n" +
           "If you don't want to append the text but to overwrite the file, let the capital letter M stay at "
           "the end of the file name. If you want to continue appending, remove the letter M from the end of "
           "the file name while saving. Avoid double Ms";
}

UndoStep StepUndoRing(int index, int direction, const std::string& current,
                      const std::function<std::optional<std::string>(int slot)>& readSlot) {
    UndoStep step;
    step.index = index;
    for (int tries = 0; tries < 10; ++tries) {
        step.index = (step.index + direction + 10) % 10;
        auto text = readSlot(step.index);
        if (!text) return step;
        if (*text != current) {
            step.text = std::move(text);
            return step;
        }
    }
    return step;
}

std::optional<std::string> ReadUndoSlot(int slot) {
    const std::string name = store::UndoSlotFile(slot);
    if (!textfile::exists(name)) return std::nullopt;
    auto text = ReadMasterText(name);
    if (!text || text->empty()) return std::nullopt;
    return text;
}

}  // namespace app

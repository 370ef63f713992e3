#pragma once
// Master files of code text and the ten-slot undo ring of the upper window:
// the file rules as plain functions, so the window only shows dialogs and
// messages around them.
#include <functional>
#include <optional>
#include <string>

namespace app {

// A master file's text: every line followed by CR LF (an empty file gives an
// empty text). nullopt when the file cannot be read.
std::optional<std::string> ReadMasterText(const std::string& path);

// What saving under a chosen name does. A base (the name less ".TXT") that
// ends in a capital M is written anew; any other base gains an M and the text
// is appended to that file, so a name without the M never overwrites.
struct MasterSave {
    std::string file;        // the file written
    std::string shownName;   // the name the report gives, without ".TXT"
    bool overwrite = false;  // written anew ("Saved") or appended
};
MasterSave PlanMasterSave(const std::string& chosen);

// Writes (or appends) the text followed by CR LF; false when it fails.
bool WriteMaster(const MasterSave& plan, const std::string& text);

// The report after a save: title and text of the information box.
std::string MasterSaveTitle(const MasterSave& plan);
std::string MasterSaveText(const MasterSave& plan);

// One undo (direction -1) or redo (+1) through the ring: steps from `index`,
// skipping slots whose text equals the current one, for at most ten slots. A
// slot that is missing or holds no line ends the search without a change.
struct UndoStep {
    int index = 0;  // the slot reached
    std::optional<std::string> text;  // the text to restore, when one was found
};
UndoStep StepUndoRing(int index, int direction, const std::string& current,
                      const std::function<std::optional<std::string>(int slot)>& readSlot);

// Reads an undo slot as a text (every line followed by CR LF); nullopt when
// the slot is missing, holds no line, or cannot be read (the last file error
// says why).
std::optional<std::string> ReadUndoSlot(int slot);

}  // namespace app

#pragma once
// Every file the program reads or writes under a fixed name: bare names in the
// current working directory, spelled as the program has always spelled them
// (the letter case matters here).
#include <string>
#include <vector>

namespace store {

// The settings files: the symbol table, the symbol font and the custom set
// titles; the font size, LOCK UNI and the two retrace flags.
inline constexpr const char* kAssignmentFile = "RUNEMILLINI.TXT";
inline constexpr const char* kOptionsFile = "RUNEMILLINI2.TXT";
// Where an assignment file that is not in its layout is kept (one generation)
// before the program deletes or rewrites it.
inline constexpr const char* kAssignmentBackupFile = "RUNEMILLINI.TXT.bak";

// The abbreviation list as the user edits it, and its two trace copies: the
// forward conversion's ("Abb", longest abbreviation first) and Reconvert's
// ("Bed", longest meaning first).
inline constexpr const char* kListFile = "RUNEMILLINI3.TXT";
inline constexpr const char* kAbbTraceFile = "RunemillIni3LAbb.TXT";
inline constexpr const char* kBedTraceFile = "RunemillIni3LBed.TXT";
// The list editor's one-level undo copies of those three.
inline constexpr const char* kUndoListFile = "UNDOINI3.TXT";
inline constexpr const char* kUndoAbbTraceFile = "UNDOIni3LAbb.TXT";
inline constexpr const char* kUndoBedTraceFile = "UNDOIni3LBed.TXT";
// The list editor's display document (passing) and its export.
inline constexpr const char* kListDisplayFile = "TMP111.TMP";
inline constexpr const char* kListExportFile = "Abb List.RTF";

// Written on every change of the code text: the lower window's document with
// paragraph marks, and the lower window itself (also Reconvert's snapshot).
inline constexpr const char* kSubtextFile = "SUBTEXT.TXT";
inline constexpr const char* kRtbSnapshotFile = "RTB.RTF";
// The main window's export of the lower window.
inline constexpr const char* kExportFile = "EXPORT.RTF";

// The ten slots of the code text's undo ring: "UNDO0.TXT" .. "UNDO9.TXT".
inline std::string UndoSlotFile(int slot) { return "UNDO" + std::to_string(slot) + ".TXT"; }

// Every name above, so that no file the user names (a custom set's) can be
// one of them.
inline std::vector<std::string> FixedFileNames() {
    std::vector<std::string> names = {kAssignmentFile,   kOptionsFile,      kAssignmentBackupFile, kListFile,
                                      kAbbTraceFile,     kBedTraceFile,     kUndoListFile,         kUndoAbbTraceFile,
                                      kUndoBedTraceFile, kListDisplayFile,  kListExportFile,       kSubtextFile,
                                      kRtbSnapshotFile,  kExportFile};
    for (int slot = 0; slot <= 9; ++slot) names.push_back(UndoSlotFile(slot));
    return names;
}

}  // namespace store

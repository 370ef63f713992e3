#pragma once
// Every file the program reads or writes under a fixed name: bare names in the
// current working directory, spelled as the program has always spelled them
// (the letter case matters here).
#include <string>
#include <vector>

#include "files/filesystem.h"

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

// What the program reads of each kind of file, fitted to what it does with
// it (a file past its bound is refused with a message that names it, its size
// and the bound, and nothing changes; the program writes none past it). Each
// is measured in bench/files_bench.cpp: the largest file it takes shows its
// window within 5 s and under 600 MB.
//
// The options file and a set's copy of it: four short lines.
inline constexpr filegroup::ReadBound kOptionsFileBound{std::int64_t{4} << 10, SIZE_MAX,
                                                        "the program reads of an options file"};
// The assignment file and a set's copy of it: 210 lines of cells, each a
// symbol's coding of a few bytes (a long phrase of symbols some KB).
inline constexpr filegroup::ReadBound kAssignmentFileBound{std::int64_t{1} << 20, SIZE_MAX,
                                                           "the program reads of an assignment file"};
// The edited list, its undo copy and a database's list: what the list editor
// holds, which takes some hundred bytes and some microseconds for every line
// and some ten bytes for every character.
inline constexpr filegroup::ReadBound kListFileBound{std::int64_t{4} << 20, 100000, "the list editor holds"};
// The trace copies of the list, their undo copies and a database's: copies of
// the list, with room for the empty line each trace adds.
inline constexpr filegroup::ReadBound kTraceFileBound{std::int64_t{8} << 20, 200000,
                                                      "the program reads of a trace copy of the list"};
// Master files and the undo ring's slots: code text for the upper window,
// converted at once into the lower one, each of its lines a paragraph of
// both windows.
inline constexpr filegroup::ReadBound kCodeTextBound{std::int64_t{2} << 20, 50000,
                                                     "the program reads of a code text"};
// "RTB.RTF" and "EXPORT.RTF": a document for the lower window (its lines are
// paragraphs), as the largest code text of ordinary text gives it.
inline constexpr filegroup::ReadBound kLowerWindowBound{std::int64_t{4} << 20, 100000, "the lower window takes"};

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

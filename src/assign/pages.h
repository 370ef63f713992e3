#pragma once
// The page refresh protocol: the fixed sequences of fills and collections over
// the two assignment pages that every page load and every command of theirs
// runs, so that the pages, the shared symbol table and the two settings files
// come to agree. Every fill first re-reads both settings files (ReadINI); the
// collections of page 1 and of page 2's second half end by writing them. So a
// sequence that begins with a collection keeps what the boxes or memory hold,
// and one that begins with a fill (or follows the command's own write of the
// files) replaces it by the stored state.
//
// This is the one place that knows both pages; neither page includes the
// other. Besides the sequences it holds what each page does over both: the
// pages' load procedures, their "ANSI 2" / "Back to ANSI 1" and "Save /
// Refresh" commands, and page 2's fill (whose settings reload is page 1's
// ReadINI). The files of the commands that come on top of the protocol call
// the sequences below.
//
// Each page is reached through its single instance. The first touch of a page
// that is not loaded (a fill, a collection, any control) loads it hidden and
// runs its load sequence to the end, nested, before the touching step goes
// on: a command that first touches page 2 runs page 2's load inside its own
// sequence. No sequence runs the event pump.
namespace assign {

// Page 1's load: FillFieldsPage1, GetSignsPage1, the custom set captions.
void LoadPage1();
// Page 2's load: FillFields, GetSigns1, GetSigns2, page-2 font label.
void LoadPage2();

// "Save / Refresh" (either page's): GetSignsPage1, FillFieldsPage1,
// GetSignsPage1, GetSigns1, GetSigns2, FillFields, GetSigns1, GetSigns2,
// page-2 font label. The font chooser ends with it too. A settings write that
// fails ends the sequence there, with a message every time: the fill after it
// would bring back the old files' table and font over the user's edits.
void SaveRefresh();

// After a preset has written both settings files: FillFieldsPage1,
// GetSignsPage1, FillFields, GetSigns1, GetSigns2, page-2 font label.
void PresetRefresh();

// After a custom set has been written into both settings files:
// FillFieldsPage1, FillFields, GetSignsPage1, GetSigns1, GetSigns2, page-2
// font label.
void CustomSetRefresh();

// "Clear All" after its question: a page 2 that is not loaded loads first
// (its load writes the stored table once), then every cell string and every
// box of both pages is emptied, in code order. Nothing is written: the empty
// table reaches the files with the next write of the settings.
void ClearAllCells();

// Every cell of both pages into the table, which ends written to both files:
// GetSignsPage1, GetSigns1, GetSigns2 (before the table is saved as a set).
// A first write that fails ends it there: a page 2 not yet loaded would load
// and re-read the old files over what memory holds.
void CollectAllCells();

}  // namespace assign

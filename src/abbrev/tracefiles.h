#pragma once
// The two trace copies of the abbreviation list as the conversions load them:
// the forward conversion's "Abb" list (longest abbreviation first) and
// Reconvert's "Bed" list (longest meaning first). Both loads have one shape:
// the window hands in what it shows and asks, and gets back how the load went;
// it tells the user, and it decides from the list versions whether to load.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace convert {
class AbbTable;
}

namespace abbrev {

// What a load needs of the window that asks for it.
struct ListLoadUi {
    // A progress text while the list is prepared; `endProgress` (which may be
    // left empty) takes it back.
    std::function<void(const std::string& text)> showProgress;
    std::function<void()> endProgress;
    // A Yes/No question, true for Yes; an empty title is the application's.
    std::function<bool(const std::string& prompt, const std::string& title)> askYesNo;
    std::function<void()> pumpEvents;
};

struct ListLoadResult {
    enum class Status {
        TooShort,    // the file holds under 3 bytes: no list this time
        Unreadable,  // the file could not be created or read: no list, `failure` says why
        Loaded,      // the list was read
    };
    Status status = Status::TooShort;
    std::string failure;
    // The list was sorted: the command writes it back (WriteAbbTraceFile,
    // WriteBedTraceFile) once it has gone through. A command that stops
    // leaves the file as it was, and the next load sorts it again.
    bool traced = false;

    bool usable() const { return status == Status::Loaded; }
};

// Lists this long are traced only when the user agrees.
inline constexpr int kRetraceQuestionLines = 1000;
extern const char* const kRetracePrompt;
extern const char* const kRetraceTitle;

// Reads the Abb trace file into `table` (its lines and one spare slot), traced
// when `retrace` is set and the user agrees.
ListLoadResult LoadAbbTraceFile(convert::AbbTable& table, bool retrace, const ListLoadUi& ui);

// From this many lines on the user is asked before the Bed list is sorted.
inline constexpr std::int32_t kBedQuestionLines = 1000;
extern const char* const kBedRetracePrompt;

// Reads the Bed trace file into BedList (its lines and one empty slot) and
// BedLineCount, sorted when `retrace` is set and the user agrees. The list and
// the count change only when the file could be read.
ListLoadResult LoadBedList(std::vector<std::string>& BedList, std::int32_t& BedLineCount, bool retrace,
                           const ListLoadUi& ui);

// Write a traced list back, every slot, so each rewrite makes the file one
// empty line longer. The reason when it cannot (the file keeps its content).
std::string WriteAbbTraceFile(const convert::AbbTable& table);
std::string WriteBedTraceFile(const std::vector<std::string>& BedList);

// The recovery's reload: BedLineCount + 1 slots, the first ones filled from
// the file in file order (as far as the file goes). Unreadable, with BedList
// left alone, when the file cannot be read.
ListLoadResult ReloadBedList(std::vector<std::string>& BedList, std::int32_t BedLineCount);

}  // namespace abbrev

#pragma once
// The reverse trace copy of the abbreviation list ("Bed": meanings): loaded
// when the list has changed since the last load, sorted longest meaning first
// when asked to, and written back with one empty line more.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

inline constexpr const char* kBedTraceFile = "RunemillIni3LBed.TXT";

// From this many lines on the user is asked before the list is sorted.
inline constexpr std::int32_t kBedQuestionLines = 1000;

// The sort key: the length after the first "=", the whole length without one.
long long MeaningLength(std::string_view line);

// Descending meaning length, equal lengths in the order of the plain exchange
// loop over all pairs (stored trace files carry that order).
void TraceBedList(std::vector<std::string>& list);

// What the load needs of the main window.
struct BedListUi {
    std::function<std::string()> caption;                   // Label1's caption
    std::function<void(const std::string&)> setCaption;
    std::function<int(const std::string& prompt)> ask;      // Yes/No question, dlg answer
    std::function<void()> pump;                             // the event pump, once
};

enum class BedLoad {
    Kept,      // the list is current: BedList from an earlier load serves
    Loaded,    // read in the file's order
    Traced,    // read and sorted: WriteBedTrace writes it back once the command is through
    TooShort,  // under 3 bytes: no meanings this time, the next click loads again
    Failed,    // the file could not be created or read: the user has been told
};

// Loads the trace file into BedList (its lines and one empty slot) when
// BedTracedVersion differs from AbbListVersion, retracing it when BedRetrace
// is set. The file itself is left to the caller: a command that stops must
// leave it as it was.
BedLoad LoadBedList(std::vector<std::string>& BedList, std::int32_t& BedLineCount, const BedListUi& ui);

// Writes a traced list back, every slot (so one empty line more each time).
// A file that cannot be written keeps its old content; the user is told and
// the list serves all the same.
bool WriteBedTrace(const std::vector<std::string>& BedList);

// The recovery's reload: BedLineCount + 1 slots, the first ones filled from
// the file in file order (as far as the file goes). False, with BedList left
// alone and the user told, when the file cannot be read.
bool ReloadBedList(std::vector<std::string>& BedList, std::int32_t BedLineCount);

}  // namespace convert

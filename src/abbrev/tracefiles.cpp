#include "abbrev/tracefiles.h"

#include <algorithm>

#include "convert/abbrev_pass.h"
#include "convert/bed_list.h"
#include "files/ansi.h"
#include "files/textfile.h"
#include "store/filenames.h"

namespace abbrev {
namespace {

using Status = ListLoadResult::Status;

ListLoadResult FileFailure(Status status) { return {status, ansi::fromQString(textfile::lastError())}; }

std::optional<std::vector<std::string>> readBedTrace() {
    return textfile::readLines(store::kBedTraceFile, textfile::LoneLf::EndsLine, SIZE_MAX, store::kTraceFileBound);
}

}  // namespace

const char* const kRetracePrompt =
    "Retrace array? To save time chose NO if you didn't alter the structure of the Abb list.\r\n\r\n"
    "If you alter Abb list and do not retrace array, the short abbs may be translated before the long "
    "ones and thus prevent the translation of the long abbs if they are parts of them, as AGE is a part "
    "of CAGE. E.g. if your traced abb list (see RunemillIni3LAbb.TXT) contains 'AGE=how old are you' "
    "before 'CAGE=you can swallow a cage but not cage a swallow', you will get after typing CAGE: "
    "'Chow old are you'.";
const char* const kRetraceTitle = "Retrace Abb list?";

const char* const kBedRetracePrompt = "Retrace array? Chose YES only if you altered Abb list.";

ListLoadResult LoadAbbTraceFile(convert::AbbTable& table, bool retrace, const ListLoadUi& ui) {
    if (!textfile::ensureExists(store::kAbbTraceFile)) return FileFailure(Status::Unreadable);
    const std::int64_t length = textfile::length(store::kAbbTraceFile);
    if (length < 0) return FileFailure(Status::Unreadable);
    if (length < 3) return {};
    // A lone LF ends a line too, as in every list file: a list saved by a Linux
    // editor and loaded as a database must not run together into one entry.
    auto read = textfile::readLines(store::kAbbTraceFile, textfile::LoneLf::EndsLine, SIZE_MAX, store::kTraceFileBound);
    if (!read) return FileFailure(Status::Unreadable);
    ListLoadResult result{Status::Loaded, {}};
    std::vector<std::string> lines = std::move(*read);
    const size_t n = lines.size();
    lines.emplace_back();  // the spare slot

    ui.showProgress("Preparing " + std::to_string(n) + " entries in the Abb list for work. Please wait!");
    if (retrace) {
        const bool yes = n < static_cast<size_t>(kRetraceQuestionLines) || ui.askYesNo(kRetracePrompt, kRetraceTitle);
        if (yes) {
            ui.pumpEvents();
            convert::TraceAbbList(lines);
            result.traced = true;
        }
    }
    if (ui.endProgress) ui.endProgress();
    table = convert::AbbTable(std::move(lines));
    return result;
}

ListLoadResult LoadBedList(std::vector<std::string>& BedList, std::int32_t& BedLineCount, bool retrace,
                           const ListLoadUi& ui) {
    if (!textfile::exists(store::kBedTraceFile) && !textfile::ensureExists(store::kBedTraceFile))
        return FileFailure(Status::Unreadable);
    const std::int64_t length = textfile::length(store::kBedTraceFile);
    if (length >= 0 && length < 3) return {};
    auto lines = length < 0 ? std::nullopt : readBedTrace();
    if (!lines) return FileFailure(Status::Unreadable);
    ListLoadResult result{Status::Loaded, {}};
    BedLineCount = static_cast<std::int32_t>(lines->size());
    BedList = std::move(*lines);
    BedList.emplace_back();

    if (retrace) {
        const bool ask = BedLineCount >= kBedQuestionLines;
        bool yes = true;
        if (ask) {
            ui.showProgress("Preparing " + std::to_string(BedLineCount) + " list entries for work... Please wait!");
            yes = ui.askYesNo(kBedRetracePrompt, "");
        }
        if (yes) {
            ui.pumpEvents();
            convert::TraceBedList(BedList);
        }
        if (ask && ui.endProgress) ui.endProgress();
        ui.pumpEvents();
        result.traced = yes;
    }
    return result;
}

namespace {

std::string writeTrace(const char* name, const std::vector<std::string>& lines) {
    if (textfile::writeLinesAtomic(name, lines)) return {};
    return ansi::fromQString(textfile::lastError());
}

}  // namespace

std::string WriteAbbTraceFile(const convert::AbbTable& table) { return writeTrace(store::kAbbTraceFile, table.Lines()); }

std::string WriteBedTraceFile(const std::vector<std::string>& BedList) { return writeTrace(store::kBedTraceFile, BedList); }

ListLoadResult ReloadBedList(std::vector<std::string>& BedList, std::int32_t BedLineCount) {
    auto lines = readBedTrace();
    if (!lines) return FileFailure(Status::Unreadable);
    BedList.assign(static_cast<size_t>(std::max(BedLineCount, std::int32_t{0})) + 1, std::string());
    const size_t n = std::min(lines->size(), BedList.size() - 1);
    for (size_t i = 0; i < n; ++i) BedList[i] = std::move((*lines)[i]);
    return {Status::Loaded, {}};
}

}  // namespace abbrev

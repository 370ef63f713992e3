#include "convert/bed_list.h"

#include <algorithm>

#include "convert/exchange_sort.h"
#include "platform/ansi.h"
#include "platform/dialogs.h"
#include "platform/textfile.h"
#include "store/store.h"

namespace convert {
namespace {

void ReportFileFailure(const std::string& what) {
    dlg::MsgBox(what + "\r\n\r\n" + ansi::fromQString(textfile::lastError()), dlg::OKOnly | dlg::Exclamation);
}

constexpr const char* kNotRead =
    "The abbreviation list for Reconvert could not be read; Reconvert has stopped and nothing was changed.";

}  // namespace

long long MeaningLength(std::string_view line) {
    const size_t p = line.find('=');
    return static_cast<long long>(p == std::string_view::npos ? line.size() : line.size() - (p + 1));
}

void TraceBedList(std::vector<std::string>& list) {
    ExchangeSortByKeyDescending(list, [](const std::string& s) { return MeaningLength(s); });
}

BedLoad LoadBedList(std::vector<std::string>& BedList, std::int32_t& BedLineCount, const BedListUi& ui) {
    if (store::BedTracedVersion == store::AbbListVersion) return BedLoad::Kept;
    if (!textfile::exists(kBedTraceFile) && !textfile::ensureExists(kBedTraceFile)) {
        ReportFileFailure(kNotRead);
        return BedLoad::Failed;
    }
    const std::int64_t length = textfile::length(kBedTraceFile);
    if (length >= 0 && length < 3) return BedLoad::TooShort;
    auto lines = length < 0 ? std::nullopt : textfile::readLines(kBedTraceFile);
    if (!lines) {
        ReportFileFailure(kNotRead);
        return BedLoad::Failed;
    }
    BedLineCount = static_cast<std::int32_t>(lines->size());
    BedList = std::move(*lines);
    BedList.emplace_back();

    BedLoad load = BedLoad::Loaded;
    if (store::BedRetrace) {
        const bool ask = BedLineCount >= kBedQuestionLines;
        int answer = dlg::Yes;
        std::string savedCaption;
        if (ask) {
            savedCaption = ui.caption();
            ui.setCaption("Preparing " + std::to_string(BedLineCount) + " list entries for work... Please wait!");
            answer = ui.ask("Retrace array? Chose YES only if you altered Abb list.");
        }
        if (answer == dlg::Yes) {
            ui.pump();
            TraceBedList(BedList);
        }
        if (ask) ui.setCaption(savedCaption);
        ui.pump();
        if (answer != dlg::No) load = BedLoad::Traced;
    }
    store::BedTracedVersion = store::AbbListVersion;
    return load;
}

bool WriteBedTrace(const std::vector<std::string>& BedList) {
    if (textfile::writeLinesAtomic(kBedTraceFile, BedList)) return true;
    ReportFileFailure("The sorted abbreviation list could not be saved; the list file keeps its former "
                      "content. Reconvert goes on with the sorted list.");
    return false;
}

bool ReloadBedList(std::vector<std::string>& BedList, std::int32_t BedLineCount) {
    auto lines = textfile::readLines(kBedTraceFile);
    if (!lines) {
        ReportFileFailure("The abbreviation list could not be read again; the list of this session stays in use.");
        return false;
    }
    BedList.assign(static_cast<size_t>(std::max(BedLineCount, std::int32_t{0})) + 1, std::string());
    const size_t n = std::min(lines->size(), BedList.size() - 1);
    for (size_t i = 0; i < n; ++i) BedList[i] = std::move((*lines)[i]);
    return true;
}

}  // namespace convert

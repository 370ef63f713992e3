#include "assign/setfiles.h"

#include <vector>

#include "assign/settings.h"
#include "files/ansi.h"
#include "files/textfile.h"
#include "store/filenames.h"
#include "store/store.h"

namespace assign {
namespace {

using filegroup::Change;
using filegroup::Result;

constexpr std::size_t kMaxNameBytes = 255;

bool sameNameIgnoringCase(const std::string& a, const std::string& b) { return ansi::toUpper(a) == ansi::toUpper(b); }

std::string refusal(const std::string& title, const std::string& why) {
    return "The title " + filegroup::Quoted(title) + " cannot name a custom set: " + why;
}

}  // namespace

std::string SetFileName(const std::string& title) { return title + ".TXT"; }
std::string SetOptionsFileName(const std::string& title) { return title + "II.TXT"; }

std::optional<std::string> TitleRefusal(const std::string& title) {
    if (title.find_first_not_of(' ') == std::string::npos) return std::string("A custom set needs a title.");
    if (title.find('\0') != std::string::npos) return refusal(title, "it holds a NUL character.");
    if (title.find_first_of("\r\n") != std::string::npos) return refusal(title, "it holds a line break.");
    // Tabs, escapes and the other control characters would end up in file names.
    for (const char c : title)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f')
            return refusal(title, "it holds a control character (code " +
                                      std::to_string(static_cast<unsigned char>(c)) + ").");
    if (title.find_first_of("/\\") != std::string::npos)
        return refusal(title, "\"/\" and \"\\\" separate folders in a file name.");
    if (title == "." || title == "..") return refusal(title, "\".\" and \"..\" name folders.");
    for (const std::string& file : {SetFileName(title), SetOptionsFileName(title)}) {
        for (const std::string& own : store::FixedFileNames())
            if (sameNameIgnoringCase(file, own))
                return refusal(title, "its file " + filegroup::Quoted(file) + " would be the program's own file \"" +
                                          own + "\".");
        if (filegroup::NameBytesOnDisk(file) > kMaxNameBytes)
            return refusal(title, "the file name " + filegroup::Quoted(file) + " is longer than " +
                                      std::to_string(kMaxNameBytes) + " bytes.");
    }
    return std::nullopt;
}

std::optional<std::string> NewTitleRefusal(const std::string& title, const std::array<std::string, 17>& titles,
                                           int index) {
    if (auto why = TitleRefusal(title)) return why;
    for (int i = 1; i <= 16; ++i) {
        const std::string& other = titles[static_cast<size_t>(i)];
        if (i == index || other.empty() || other == title) continue;
        const std::pair<std::string, std::string> crossings[] = {
            {SetFileName(title), SetOptionsFileName(other)},
            {SetOptionsFileName(title), SetFileName(other)},
        };
        for (const auto& [mine, theirs] : crossings)
            if (sameNameIgnoringCase(mine, theirs))
                return refusal(title, "its file " + filegroup::Quoted(mine) + " is also a file of the set " +
                                          filegroup::Quoted(other) + ".");
    }
    return std::nullopt;
}

std::optional<std::string> SetFilesRefusal(const std::string& title) {
    for (const std::string& file : {SetFileName(title), SetOptionsFileName(title)}) {
        const auto astray = filegroup::LeadsAstray(file);
        if (!astray) continue;
        const std::string where = astray->ownFile.empty() ? std::string("outside the working folder")
                                                          : "to the program's own file \"" + astray->ownFile + "\"";
        return refusal(title, "its file " + filegroup::Quoted(file) + " leads " + where + ".");
    }
    return std::nullopt;
}

Result CreateSetFiles(const std::string& title) {
    bool created = false;
    if (auto f = filegroup::EnsureExists(SetFileName(title), &created)) return f;
    if (auto f = filegroup::EnsureExists(SetOptionsFileName(title))) {
        if (created) filegroup::Remove(SetFileName(title));
        return f;
    }
    return std::nullopt;
}

Result SetLength(const std::string& title, std::int64_t& bytes) { return filegroup::Length(SetFileName(title), bytes); }

Result SaveSettingsAsSet(const std::string& title) {
    return filegroup::CopyFiles({{store::kAssignmentFile, SetFileName(title), store::kAssignmentFileBound},
                                 {store::kOptionsFile, SetOptionsFileName(title), store::kOptionsFileBound}});
}

Result RenameSetFiles(const std::string& oldTitle, const std::string& newTitle, int index) {
    const filegroup::CopyStep moves[] = {
        {SetFileName(oldTitle), SetFileName(newTitle), store::kAssignmentFileBound},
        {SetOptionsFileName(oldTitle), SetOptionsFileName(newTitle), store::kOptionsFileBound},
    };
    std::vector<Change> changes;
    std::vector<std::string> oldNames;
    for (const auto& [from, to, bound] : moves) {
        // One file under two spellings: copying it onto itself and deleting
        // the old name would delete the set.
        if (filegroup::SameFile(from, to)) {
            changes.push_back(Change::Move(from, to));
            continue;
        }
        std::string bytes;
        if (auto f = filegroup::ReadAll(from, bytes, bound)) return f;
        changes.push_back(Change::Copy(to, std::move(bytes), from));
        oldNames.push_back(from);
    }
    // The title names the set's files: a run ended between the two must not
    // leave a title whose files are gone.
    std::string settings;
    if (auto f = filegroup::ReadAll(store::kAssignmentFile, settings, store::kAssignmentFileBound)) return f;
    std::string renamed = store::WithTitleLine(settings, index, newTitle);
    if (auto f = filegroup::WithinBound(store::kAssignmentFile, static_cast<std::int64_t>(renamed.size()),
                                        store::kAssignmentFileBound))
        return f;
    changes.push_back(Change::Write(store::kAssignmentFile, std::move(renamed)));
    // An old file that is also one of the new ones stays: it will hold data.
    for (const std::string& from : oldNames) {
        bool kept = false;
        for (const auto& move : moves) kept = kept || filegroup::SameFile(from, move.to);
        if (!kept) changes.push_back(Change::Delete(from));
    }
    return filegroup::Apply(changes);
}

Result ReadSetLines(const std::string& title, SetLines& lines) {
    constexpr size_t kSetLines = store::kUsableAssignmentLines;
    std::string bytes;
    if (auto f = filegroup::ReadAll(SetFileName(title), bytes, store::kAssignmentFileBound)) return f;
    const std::vector<std::string> all = textfile::splitLines(bytes, textfile::LoneLf::EndsLine, kSetLines);
    lines = SetLines{};
    if (all.empty()) {
        lines.outcome = SetData::FileEmpty;
    } else if (all.size() < kSetLines) {
        lines.outcome = SetData::DataCorrupt;
    } else {
        for (size_t k = 0; k < kSetLines; ++k) {
            if (k > 0) lines.text += "\r\n";
            lines.text += all[k];
        }
    }
    return std::nullopt;
}

Result ReadOptionsCopy(const std::string& title, OptionsCopy& copy) {
    std::string bytes;
    if (auto f = filegroup::ReadAll(SetOptionsFileName(title), bytes, store::kOptionsFileBound)) return f;
    const std::vector<std::string> lines = textfile::splitLines(bytes, textfile::LoneLf::EndsLine, 2);
    copy = OptionsCopy{};
    if (lines.size() >= 1) copy.size = lines[0];
    if (lines.size() >= 2) copy.lockUni = lines[1];
    return std::nullopt;
}

void TakeOptionsCopy(const OptionsCopy& copy, std::int16_t& size, bool& lockUni) {
    if (const int s = store::SizeFromOptionsLine(copy.size); s > 0) size = static_cast<std::int16_t>(s);
    if (copy.lockUni == "0") lockUni = false;
    else if (copy.lockUni == "1") lockUni = true;
}

std::string AssignmentFileFromSet(const std::string& setLines, const std::array<std::string, 17>& titles) {
    std::string text = setLines + "\r\n";
    for (int i = 1; i <= 16; ++i) text += titles[static_cast<size_t>(i)] + "\r\n";
    return text;
}

std::string OptionsFileFromSet(std::int16_t size, bool lockUni) {
    return textfile::joinLines({store::IntLine(size), lockUni ? "1" : "0"});
}

Result WriteSettingsFromSet(const std::string& setLines, const std::array<std::string, 17>& titles,
                            std::int16_t size, bool lockUni) {
    return WriteSettingsTexts(AssignmentFileFromSet(setLines, titles), OptionsFileFromSet(size, lockUni));
}

}  // namespace assign

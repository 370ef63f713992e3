#include "store/store.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "files/ansi.h"
#include "files/textfile.h"
#include "store/filenames.h"

namespace store {

std::array<std::string, 256> CellCode;
std::string CellFontName = "Arial";
std::int16_t CellCharSet = 0;
std::int16_t CellFontSize = 12;
std::array<std::string, 17> CustomTitle;
bool LockUni = false;
std::int16_t AbbListVersion = 0;
std::int16_t AbbTracedVersion = 0;
std::int16_t BedTracedVersion = 0;
bool AbbRetrace = false;
bool BedRetrace = false;
SettingsIo Io;

namespace {

// A settings file that is there but cannot be read (its permissions, its
// length, a FIFO in its place) may still hold the user's settings: it must not
// be replaced by what memory holds. Why it cannot be read; empty when it can.
std::string g_assignmentUnreadable, g_optionsUnreadable;

// Line k (1..192) of the assignment file belongs to code 63 + k.
constexpr int kFirstCellLine = 1;
constexpr int kFontNameLine = 193;
constexpr int kCharSetLine = 194;
constexpr int kFirstTitleLine = 195;

std::string defaultTitle(int i) { return "Custom" + std::to_string(i); }

// A value must stay on its line: a line break would shift every later line.
std::string oneLine(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value)
        if (c != '\r' && c != '\n') out.push_back(c);
    return out;
}

std::string trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

bool flagFromLine(const std::string& line, bool current) {
    if (line == "1") return true;
    if (line == "0") return false;
    return current;
}

}  // namespace

bool HasCell(int code) { return code >= 64 && code <= 255 && code != 92 && code != 123 && code != 125; }

const std::array<int, kCellCount>& CellCodes() {
    static const std::array<int, kCellCount> codes = [] {
        std::array<int, kCellCount> a{};
        int k = 0;
        for (int n = 64; n <= 255; ++n)
            if (HasCell(n)) a[static_cast<size_t>(k++)] = n;
        return a;
    }();
    return codes;
}

void ResetSharedState() {
    for (auto& c : CellCode) c.clear();
    CellFontName = "Arial";
    CellCharSet = 0;
    CellFontSize = 12;
    for (auto& t : CustomTitle) t.clear();
    LockUni = false;
    AbbListVersion = 0;
    AbbTracedVersion = 0;
    BedTracedVersion = 0;
    AbbRetrace = false;
    BedRetrace = false;
    Io = {};
    g_assignmentUnreadable.clear();
    g_optionsUnreadable.clear();
}

std::string IntLine(int value) {
    // Built up in place: the one-expression form trips GCC 12's -Wrestrict in
    // Release builds, and std::abs of the smallest int overflows.
    std::string line(1, value < 0 ? '-' : ' ');
    line += std::to_string(value < 0 ? -static_cast<long long>(value) : static_cast<long long>(value));
    line += ' ';
    return line;
}

bool ParseWholeNumber(const std::string& line, int& value) {
    const std::string t = trimmed(line);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (i == t.size()) return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
        if (v > 32768) return false;
    }
    v = negative ? -v : v;
    if (v < -32768 || v > 32767) return false;
    value = static_cast<int>(v);
    return true;
}

double LeadingNumber(const std::string& line) {
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t j = i;
    if (j < line.size() && (line[j] == '+' || line[j] == '-')) ++j;
    const size_t digitsStart = j;
    while (j < line.size() && line[j] >= '0' && line[j] <= '9') ++j;
    if (j < line.size() && line[j] == '.') {
        ++j;
        while (j < line.size() && line[j] >= '0' && line[j] <= '9') ++j;
    }
    if (j == digitsStart || (j == digitsStart + 1 && line[digitsStart] == '.')) return 0;
    return std::strtod(line.substr(i, j - i).c_str(), nullptr);
}

int SizeFromOptionsLine(const std::string& line) {
    if (LeadingNumber(line) <= 0) return 0;
    // The whole line must be a number; "14pt" is not a size.
    const std::string t = trimmed(line);
    size_t i = 0;
    if (i < t.size() && t[i] == '+') ++i;
    bool digits = false, dot = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9') digits = true;
        else if (t[i] == '.' && !dot) dot = true;
        else return 0;
    }
    if (!digits) return 0;
    const double v = std::nearbyint(std::strtod(t.c_str(), nullptr));  // ties to even
    if (v < 1 || v > 16383) return 0;
    return static_cast<int>(v);
}

std::vector<std::string> AssignmentLines() {
    std::vector<std::string> lines;
    lines.reserve(kAssignmentLines);
    for (int n = 64; n <= 255; ++n) lines.push_back(HasCell(n) ? oneLine(CellCode[static_cast<size_t>(n)]) : "");
    lines.push_back(oneLine(CellFontName));
    lines.push_back(IntLine(CellCharSet));
    for (int i = 1; i <= 16; ++i) {
        auto& title = CustomTitle[static_cast<size_t>(i)];
        if (title.empty()) title = defaultTitle(i);
        lines.push_back(oneLine(title));
    }
    return lines;
}

std::vector<std::string> OptionsLines() {
    return {IntLine(CellFontSize), LockUni ? "1" : "0", AbbListVersion != BedTracedVersion ? "1" : "0",
            AbbListVersion != AbbTracedVersion ? "1" : "0"};
}

std::string WithTitleLine(std::string_view assignmentFile, int index, const std::string& title) {
    const size_t line = static_cast<size_t>(kFirstTitleLine - 1 + index - 1);
    std::string text;
    text.reserve(assignmentFile.size() + title.size() + 2 * line);
    size_t k = 0;
    const auto add = [&](std::string_view l) {
        text += k++ == line ? oneLine(title) : std::string(l);
        text += "\r\n";
        return true;
    };
    textfile::forEachLine(assignmentFile, add);
    while (k <= line) add({});
    return text;
}

bool UsableFaceName(std::string_view face) {
    return face.size() <= kMaxFaceNameBytes && face.find_first_of("{}\\;") == std::string_view::npos;
}

SettingsRead ApplyAssignmentLines(const std::vector<std::string>& lines) {
    SettingsRead read;
    const int count = static_cast<int>(std::min<size_t>(lines.size(), kAssignmentLines));
    for (int k = 1; k <= count; ++k) {
        const std::string& line = lines[static_cast<size_t>(k - 1)];
        if (k < kFontNameLine) {
            const int code = 63 + k;
            if (HasCell(code)) CellCode[static_cast<size_t>(code)] = line;
        } else if (k == kFontNameLine) {
            if (UsableFaceName(line)) CellFontName = line;
            else read.refusedFaceName = line;
        } else if (k == kCharSetLine) {
            // A line that is no whole number keeps the character set in use.
            int v = 0;
            if (ParseWholeNumber(line, v)) CellCharSet = static_cast<std::int16_t>(v);
        } else {
            CustomTitle[static_cast<size_t>(k - kFirstTitleLine + 1)] = line;
        }
    }
    static_assert(kFirstCellLine == 1);
    for (int i = 1; i <= 16; ++i)
        if (CustomTitle[static_cast<size_t>(i)].empty()) CustomTitle[static_cast<size_t>(i)] = defaultTitle(i);
    return read;
}

void ApplyOptionsLines(const std::vector<std::string>& lines) {
    auto line = [&](size_t k, const char* missing) { return k < lines.size() ? lines[k] : std::string(missing); };
    if (const int size = SizeFromOptionsLine(line(0, "")); size > 0) CellFontSize = static_cast<std::int16_t>(size);
    LockUni = flagFromLine(line(1, "0"), LockUni);
    BedRetrace = flagFromLine(line(2, "0"), BedRetrace);
    AbbRetrace = flagFromLine(line(3, "0"), AbbRetrace);
}

SettingsRead ReadSettingsFiles() {
    ++Io.reads;
    // Only the lines that hold settings are read.
    const auto readSettings = [](const char* name, size_t lines, const filegroup::ReadBound& bound,
                                 std::string& unreadable) {
        textfile::ensureExists(name);
        auto read = textfile::readLines(name, textfile::LoneLf::EndsLine, lines, bound);
        unreadable = read || !textfile::exists(name) ? std::string() : ansi::fromQString(textfile::lastError());
        return read;
    };
    const auto assignment =
        readSettings(kAssignmentFile, kAssignmentLines, kAssignmentFileBound, g_assignmentUnreadable);
    SettingsRead read = ApplyAssignmentLines(assignment.value_or(std::vector<std::string>{}));
    if (const auto lines = readSettings(kOptionsFile, 4, kOptionsFileBound, g_optionsUnreadable))
        ApplyOptionsLines(*lines);
    return read;
}

bool IsWholeAssignmentFile(std::string_view bytes) {
    return bytes.find('\0') == std::string_view::npos &&
           textfile::splitLines(bytes, textfile::LoneLf::EndsLine, kAssignmentLines + 1).size() ==
               static_cast<size_t>(kAssignmentLines);
}

bool HoldsNoText(std::string_view bytes) {
    return bytes.find_first_not_of(std::string_view("\0\r\n \t", 5)) == std::string_view::npos;
}

bool KeepAssignmentFileAside() { return textfile::moveOver(kAssignmentFile, kAssignmentBackupFile); }

std::string BackupNotice(const std::string& what, bool kept, const std::string& then, const std::string& otherwise) {
    if (kept) return what + "\r\n\r\nThe file as it was has been kept as \"" + kAssignmentBackupFile + "\"; " + then;
    return what + "\r\n\r\nIt could not be kept as \"" + kAssignmentBackupFile + "\" (" +
           ansi::fromQString(textfile::lastError()) + "), so " + otherwise;
}

namespace {

// Before the first rewrite of an assignment file that the program cannot have
// written (a hand-edited file, one whose line ends were converted twice), the
// user's file is kept aside: the rewrite would drop or shift what it holds.
bool keepUnwholeAssignmentFile(std::string* notice, std::string& why) {
    const auto bytes = textfile::readAll(kAssignmentFile, kAssignmentFileBound);
    if (!bytes || HoldsNoText(*bytes) || IsWholeAssignmentFile(*bytes)) return true;
    const size_t lines = textfile::lineCount(*bytes);
    const std::string held = bytes->find('\0') != std::string::npos
                                 ? std::string("NUL bytes")
                                 : std::to_string(lines) + (lines == 1 ? " line" : " lines");
    const std::string what = std::string("\"") + kAssignmentFile + "\" did not hold the " +
                             std::to_string(kAssignmentLines) + " lines of an assignment file (it held " + held + ").";
    const bool kept = KeepAssignmentFileAside();
    const std::string message = BackupNotice(what, kept, "the settings are written anew from the table in use.",
                                             "it has not been rewritten.");
    if (!kept) why = message;
    else if (notice) *notice = message;
    return kept;
}

}  // namespace

bool WriteSettingsFiles(std::string* error, std::string* notice) {
    ++Io.writes;
    bool ok = false;
    std::string why;
    const auto notOverwritten = [](const char* name, const std::string& unreadable) {
        // Built up in place, as IntLine is, for GCC 12's -Wrestrict.
        std::string text = "\"";
        text += name;
        text += "\" cannot be read, so it is not overwritten.\r\n\r\n";
        text += unreadable;
        return text;
    };
    if (!g_assignmentUnreadable.empty()) {
        why = notOverwritten(kAssignmentFile, g_assignmentUnreadable);
    } else if (std::string text = textfile::joinLines(AssignmentLines());
               const auto past = filegroup::WithinBound(kAssignmentFile, static_cast<std::int64_t>(text.size()),
                                                        kAssignmentFileBound)) {
        // The cells would make a file the next start refuses: the file keeps
        // what the last start read.
        why = "Cannot write \"" + std::string(kAssignmentFile) + "\": " + past->reason;
    } else if (keepUnwholeAssignmentFile(notice, why)) {
        ok = textfile::writeAtomic(kAssignmentFile, std::move(text));
        if (!ok) why = ansi::fromQString(textfile::lastError());
    }
    const bool optionsWritten =
        g_optionsUnreadable.empty() && textfile::writeLinesAtomic(kOptionsFile, OptionsLines());
    if (!optionsWritten) {
        // A file that cannot be read is named even after another failure.
        const std::string optionsWhy = g_optionsUnreadable.empty() ? ansi::fromQString(textfile::lastError())
                                                                   : notOverwritten(kOptionsFile, g_optionsUnreadable);
        if (ok) why = optionsWhy;
        else if (!g_optionsUnreadable.empty()) why += "\r\n\r\n" + optionsWhy;
        ok = false;
    }
    Io.lastWriteOk = ok;
    Io.lastWriteError = why;
    if (error) *error = why;
    return ok;
}

}  // namespace store

#include "abbrev/listfiles.h"

#include <algorithm>
#include <array>

#include "convert/replace.h"
#include "files/ansi.h"
#include "files/textfile.h"
#include "rtf/shape.h"
#include "store/filenames.h"

namespace abbrev {
namespace {

using filegroup::Change;

constexpr std::string_view kSeedMu = "mu=\xB5\r\n";  // the micro sign as the ANSI byte B5
constexpr std::string_view kSeedTy = "ty=Truly yours\r\n";
constexpr std::string_view kCrLf = "\r\n";


bool seedFile(const char* name, std::string_view first, std::string_view second) {
    if (!textfile::ensureExists(name)) return false;
    if (textfile::length(name) >= 2) return true;
    return textfile::append(name, std::string(first) + std::string(second));
}

// Removes each occurrence of `tag` and what `extra` says follows it. The search
// goes on where the removed text stood, so (removal only shortening the text)
// it continues in the original text right after the removed part.
template <class Extra>
std::string removeTags(std::string_view text, std::string_view tag, Extra extra) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    for (size_t k; (k = text.find(tag, i)) != std::string_view::npos;) {
        out.append(text, i, k - i);
        i = extra(text, std::min(text.size(), k + tag.size()));
    }
    out.append(text.substr(i));
    return out;
}

// Step 14: backslashes of escapes stay, every other one goes, with a letter
// (or one of "[\^_`") that follows it.
std::string removeControlBackslashes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'u' || next == '\'') {
                out.push_back('\\');
                continue;
            }
            if (next >= 65 && next <= 122 && next != 93) ++i;
        }
    }
    return out;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Whether `text` begins with a character escape: "\'" and two hexadecimal
// digits, or "\u", a decimal number and the "?" Save keeps after it (without
// it the reader would take the next character as the fallback).
bool beginsCharacterEscape(std::string_view text) {
    if (text.size() >= 4 && text.starts_with("\\'")) return isHexDigit(text[2]) && isHexDigit(text[3]);
    if (!text.starts_with("\\u")) return false;
    size_t i = text.size() > 2 && text[2] == '-' ? 3 : 2;
    const size_t digits = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    return i > digits && i < text.size() && text[i] == '?';
}

int hexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// The byte a "\'hh" escape of an abbreviation stands for, as it was typed:
// the editor writes so "{", "}", "\" and every character beyond ASCII that
// the font's character set holds as one byte. A byte that would end the
// abbreviation or its line (NUL, CR, LF, "=") keeps its escape.
std::optional<char> typedByte(std::string_view escape) {
    if (escape.size() < 4 || !escape.starts_with("\\'") || !isHexDigit(escape[2]) || !isHexDigit(escape[3]))
        return std::nullopt;
    const char byte = static_cast<char>(hexValue(escape[2]) * 16 + hexValue(escape[3]));
    if (byte == '\0' || byte == '\r' || byte == '\n' || byte == '=') return std::nullopt;
    return byte;
}

// The three files of a list as read, with their names.
struct DatabaseFiles {
    std::string list, abb, bed;
    std::string listName, abbName, bedName;
};

// The three files of a list change together: a save stopped half way must not
// leave a list whose trace copies the conversions read out of step with it.
// A file created new takes the permissions of the one it copies.
bool writeTriple(const std::string& list, const std::string& abb, const std::string& bed, const DatabaseFiles& files) {
    return textfile::writeAtomicGroup({Change::Copy(list, files.list, files.listName),
                                       Change::Copy(abb, files.abb, files.abbName),
                                       Change::Copy(bed, files.bed, files.bedName)});
}

bool writeWorkingFiles(const DatabaseFiles& files) {
    return writeTriple(store::kListFile, store::kAbbTraceFile, store::kBedTraceFile, files);
}

// The list within what the editor holds, its trace copies within theirs.
std::optional<DatabaseFiles> readFiles(const std::string& list, const std::string& abb, const std::string& bed) {
    auto l = textfile::readAll(list, store::kListFileBound);
    if (!l) return std::nullopt;
    auto a = textfile::readAll(abb, store::kTraceFileBound);
    if (!a) return std::nullopt;
    auto b = textfile::readAll(bed, store::kTraceFileBound);
    if (!b) return std::nullopt;
    return DatabaseFiles{std::move(*l), std::move(*a), std::move(*b), list, abb, bed};
}

std::optional<std::string> withoutLast(const std::string& name, size_t count) {
    if (name.size() < count) return std::nullopt;
    return name.substr(0, name.size() - count);
}

}  // namespace

bool SeedListFiles() {
    return seedFile(store::kListFile, kSeedMu, kSeedTy) && seedFile(store::kAbbTraceFile, kSeedMu, kSeedTy) &&
           seedFile(store::kBedTraceFile, kSeedTy, kSeedMu);
}

bool ListFitsEditor() {
    const filegroup::ReadBound& bound = store::kListFileBound;
    if (!textfile::exists(store::kListFile)) return true;
    const std::int64_t lines = textfile::countLines(store::kListFile, INT64_MAX, bound);
    return lines >= 0 &&
           textfile::worked("Cannot read", filegroup::WithinLines(store::kListFile, static_cast<size_t>(lines), bound));
}

std::optional<std::vector<std::string>> ReadListLines() {
    auto lines = textfile::readLines(store::kListFile, textfile::LoneLf::EndsLine, SIZE_MAX, store::kListFileBound);
    if (!lines) return std::nullopt;
    // The reader reads at least one line, and the spare slot follows.
    if (lines->empty()) lines->emplace_back();
    lines->emplace_back();
    return lines;
}

bool CodeLess(std::string_view a, std::string_view b) {
    static const std::array<char16_t, 256> code = [] {
        std::array<char16_t, 256> t{};
        for (int i = 0; i < 256; ++i) t[static_cast<size_t>(i)] = ansi::toUnicode(static_cast<unsigned char>(i));
        return t;
    }();
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = code[static_cast<unsigned char>(a[i])];
        const char16_t y = code[static_cast<unsigned char>(b[i])];
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

void SortList(std::vector<std::string>& lines) {
    std::sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) { return CodeLess(a, b); });
}

std::string DisplayEntry(std::string_view entry) {
    // An entry without "=" has no abbreviation: all of it counts as meaning.
    const size_t equals = entry.find('=');
    const std::string_view abbreviation = entry.substr(0, equals == std::string_view::npos ? 0 : equals);
    const std::string_view meaning = entry.substr(abbreviation.size());
    std::vector<size_t> open;     // "{" still waiting for a partner
    std::vector<size_t> escape;   // positions in the meaning that get a backslash before them
    bool controlWord = false;
    for (size_t i = 0; i < meaning.size(); ++i) {
        const char c = meaning[i];
        if (c == '\\') {
            if (i + 1 == meaning.size()) {
                escape.push_back(i);
            } else {
                const char next = meaning[i + 1];
                if ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') || next == '*') controlWord = true;
            }
            ++i;  // an escaped character or the first letter of a control word
        } else if (c == '{') {
            open.push_back(i);
        } else if (c == '}') {
            if (open.empty()) escape.push_back(i);
            else open.pop_back();
        }
    }
    escape.insert(escape.end(), open.begin(), open.end());
    std::sort(escape.begin(), escape.end());
    std::string out;
    out.reserve(entry.size() + escape.size() + 2);
    // A control word acts only inside its own entry: a destination ("\*",
    // "\info") or a "\ucN" must not swallow or change the entries after it.
    if (controlWord) out.push_back('{');
    // The abbreviation shows as it is typed: its braces and every backslash
    // that begins no character escape are text.
    for (size_t i = 0; i < abbreviation.size(); ++i) {
        const char c = abbreviation[i];
        if (c == '{' || c == '}' || (c == '\\' && !beginsCharacterEscape(abbreviation.substr(i))))
            out.push_back('\\');
        out.push_back(c);
    }
    size_t from = 0;
    for (size_t at : escape) {
        out.append(meaning, from, at - from);
        out.push_back('\\');
        from = at;
    }
    out.append(meaning.substr(from));
    if (controlWord) out.push_back('}');
    return out;
}

std::string AbbreviationsAsTyped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const size_t lineEnd = std::min(text.find_first_of("\r\n"), text.size());
        const size_t equals = text.substr(0, lineEnd).find('=');
        // A line without "=" has no abbreviation: it stays as it is.
        for (size_t i = 0; equals != std::string_view::npos && i < equals; ++i) {
            const std::optional<char> typed = equals - i >= 4 ? typedByte(text.substr(i, 4)) : std::nullopt;
            out.push_back(typed.value_or(text[i]));
            if (typed) i += 3;
        }
        const size_t from = equals == std::string_view::npos ? 0 : equals;
        const size_t next = std::min(text.find_first_not_of("\r\n", lineEnd), text.size());
        out.append(text.substr(from, next - from));
        text.remove_prefix(next);
    }
    return out;
}

std::string ListDisplayRtf(const std::vector<std::string>& listLines, int charSet, const std::string& faceName,
                           int fontSize) {
    size_t total = 100 + faceName.size();
    for (const auto& l : listLines) total += l.size() + 8;
    std::string rtf;
    rtf.reserve(total);
    rtf += "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset" + std::to_string(charSet) + " " + faceName +
           ";}}\\fs" + std::to_string(2 * fontSize) + "\r\n";
    for (size_t i = 0; i + 1 < listLines.size(); ++i) {
        rtf += DisplayEntry(listLines[i]);
        rtf += "\\par \r\n";
    }
    if (!listLines.empty()) rtf += DisplayEntry(listLines.back());
    rtf += "\r\n}\r\n";
    return rtf;
}

std::optional<std::string> ListTextFromEditorRtf(std::string_view rtf, int fontSize) {
    const std::string tag = "fs" + std::to_string(2 * fontSize);
    const size_t p = rtf.find(tag);
    if (p == std::string_view::npos || !rtf.ends_with(rtf::kTextRtfTail)) return std::nullopt;
    size_t start = p + tag.size();
    // The blank ends the size word; any other character already belongs to
    // the list (a first entry that begins with an escape keeps its backslash).
    if (start < rtf.size() && rtf[start] == ' ') ++start;
    const size_t end = rtf.size() - rtf::kTextRtfTail.size();
    if (start > end) return std::nullopt;
    std::string text = AbbreviationsAsTyped(CleanListText(std::string(rtf.substr(start, end - start))));
    // An empty last paragraph is the spare slot where a list shown in file
    // order takes a new entry: no line of the list.
    if (text.ends_with(kCrLf)) text.resize(text.size() - kCrLf.size());
    return text;
}

std::string CleanListText(std::string text) {
    convert::ReplaceAll(text, "\\rtlch", "");
    convert::ReplaceAll(text, "\\ltrch", "");
    text = removeTags(text, "\\lang", [](std::string_view t, size_t at) { return std::min(t.size(), at + 4); });
    text = removeTags(text, "\\f", [](std::string_view t, size_t at) {
        at = std::min(t.size(), at + 1);
        return at < t.size() && t[at] == ' ' ? at + 1 : at;
    });
    text = removeTags(text, "\\kerning", [](std::string_view t, size_t at) {
        at = std::min(t.size(), at + 1);
        return at < t.size() && t[at] >= 33 && t[at] <= 57 ? at + 1 : at;
    });
    for (const char* mark : {"\\pard ", "\\pard", "\\par ", "\\par"}) convert::ReplaceAll(text, mark, kCrLf);
    for (const char* word : {"\\cf0", "\\cell", "\\row"}) convert::ReplaceAll(text, word, "");
    text = removeControlBackslashes(text);
    // Three passes: a run of 2 to 8 line breaks becomes one, a run of 9 two.
    for (int pass = 0; pass < 3; ++pass) convert::ReplaceAll(text, "\r\n\r\n", kCrLf);
    return text;
}

bool SaveList(const std::optional<std::string>& text) {
    std::vector<Change> files;
    const std::pair<const char*, const char*> copies[] = {
        {store::kListFile, store::kUndoListFile}, {store::kAbbTraceFile, store::kUndoAbbTraceFile}, {store::kBedTraceFile, store::kUndoBedTraceFile}};
    for (const auto& [from, to] : copies) {
        const auto& bound = from == store::kListFile ? store::kListFileBound : store::kTraceFileBound;
        auto held = textfile::exists(from) ? textfile::readAll(from, bound) : std::string();
        if (!held) return false;
        files.push_back(Change::Copy(to, std::move(*held), from));
    }
    if (!text) {
        files.push_back(Change::Write(store::kListFile, std::string()));
        return textfile::writeAtomicGroup(files);
    }
    const std::string bytes = *text + std::string(kCrLf);
    // A list the editor could not open again is not saved.
    if (!textfile::fitsBound(store::kListFile, bytes, store::kListFileBound)) return false;
    for (const char* name : {store::kListFile, store::kAbbTraceFile, store::kBedTraceFile})
        files.push_back(Change::Write(name, bytes));
    return textfile::writeAtomicGroup(files);
}

bool HasUndoCopies() {
    return textfile::exists(store::kUndoListFile) && textfile::exists(store::kUndoAbbTraceFile) &&
           textfile::exists(store::kUndoBedTraceFile);
}

bool RestoreUndoCopies() {
    auto files = readFiles(store::kUndoListFile, store::kUndoAbbTraceFile, store::kUndoBedTraceFile);
    return files && writeWorkingFiles(*files);
}

std::optional<std::string> DatabaseBaseForLoad(const std::string& chosen) { return withoutLast(chosen, 5); }

std::optional<std::string> DatabaseBaseForSave(const std::string& chosen) {
    // A name typed without ".TXT" is the base itself: cutting four characters
    // off it would save "Greek" as "GL.TXT".
    if (!textfile::endsWithTxt(chosen)) return chosen.empty() ? std::nullopt : std::optional(chosen);
    return withoutLast(chosen, 4);
}

bool LoadDatabase(const std::string& chosen) {
    const auto base = DatabaseBaseForLoad(chosen);
    if (!base) return false;
    // Refused before any file changes when the editor could not hold it.
    auto list = textfile::readAll(chosen, store::kListFileBound);
    if (!list) return false;
    const std::string abb = *base + "A.TXT";
    const std::string bed = *base + "B.TXT";
    for (const std::string& name : {abb, bed}) {
        if (!textfile::ensureExists(name)) return false;
        if (textfile::length(name) < 3 && !textfile::writeAtomic(name, *list)) return false;
    }
    auto files = readFiles(chosen, abb, bed);
    return files && writeWorkingFiles(*files);
}

bool SaveDatabase(const std::string& base) {
    auto files = readFiles(store::kListFile, store::kAbbTraceFile, store::kBedTraceFile);
    return files && writeTriple(base + "L.TXT", base + "A.TXT", base + "B.TXT", *files);
}

}  // namespace abbrev

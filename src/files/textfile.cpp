#include "files/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cctype>
#include <csignal>

#include "files/ansi.h"
#include "files/filesystem.h"

namespace textfile {
namespace {

QString g_lastError;

// The name as a message quotes it: a name the disk gave can be as long as a
// file's line.
bool fail(const QString& what, std::string_view name, const QString& reason) {
    g_lastError = QStringLiteral("%1 \"%2\": %3").arg(what, ansi::toQString(filegroup::ShortQuote(name)), reason);
    return false;
}

}  // namespace

bool worked(const char* what, const filegroup::Result& failure) {
    if (!failure) return true;
    return fail(what, failure->file, ansi::toQString(failure->reason));
}

bool exists(std::string_view name) { return QFileInfo::exists(qpath(name)); }

bool ensureExists(std::string_view name) {
    return worked("Cannot create", filegroup::detail::ensureExists(name, nullptr, false));
}

std::int64_t length(std::string_view name) {
    std::int64_t bytes = -1;
    return worked("Cannot read", filegroup::detail::length(name, bytes, false)) ? bytes : -1;
}

std::optional<std::string> readAll(std::string_view name, const ReadBound& bound) {
    std::string bytes;
    if (!worked("Cannot read", filegroup::detail::readAll(name, bytes, false, bound))) return std::nullopt;
    if (bound.lines != SIZE_MAX && !worked("Cannot read", filegroup::WithinLines(name, lineCount(bytes), bound)))
        return std::nullopt;
    return bytes;
}

namespace {

// Finds the lines of a text handed over in pieces, as a line-by-line reader
// does: a line end split between two pieces (CR, then LF) is one, and a line
// that begins in one piece is gathered (when its text is kept).
class LineReader {
public:
    LineReader(LoneLf lf, bool keepText) : lf_(lf), keepText_(keepText) {}

    // False when `line` said to stop.
    bool take(std::string_view piece, const std::function<bool(std::string_view)>& line) {
        size_t start = 0;
        for (size_t i = 0; i < piece.size(); ++i) {
            const char c = piece[i];
            if (afterCr_) {
                afterCr_ = false;
                if (c == '\n') {
                    start = i + 1;
                    continue;
                }
            }
            if (c != '\r' && (c != '\n' || lf_ == LoneLf::StaysInLine)) {
                open_ = true;
                continue;
            }
            afterCr_ = c == '\r';
            open_ = false;
            const std::string_view text = piece.substr(start, i - start);
            start = i + 1;
            if (partial_.empty()) {
                if (!line(text)) return false;
                continue;
            }
            partial_.append(text);
            const bool goOn = line(partial_);
            partial_.clear();
            if (!goOn) return false;
        }
        if (keepText_) partial_.append(piece.substr(start));
        return true;
    }

    // The last line, when no line end closed it.
    void finish(const std::function<bool(std::string_view)>& line) {
        if (open_) line(partial_);
    }

private:
    LoneLf lf_;
    bool keepText_;
    std::string partial_;
    bool afterCr_ = false;
    bool open_ = false;  // characters since the last line end
};

}  // namespace

void forEachLine(std::string_view text, const std::function<bool(std::string_view line)>& line, LoneLf lf) {
    LineReader reader(lf, true);
    if (reader.take(text, line)) reader.finish(line);
}

std::vector<std::string> splitLines(std::string_view text, LoneLf lf, std::size_t maxLines) {
    std::vector<std::string> lines;
    if (maxLines == 0) return lines;
    forEachLine(
        text,
        [&](std::string_view l) {
            lines.emplace_back(l);
            return lines.size() < maxLines;
        },
        lf);
    return lines;
}

std::size_t lineCount(std::string_view text) {
    std::size_t count = 0;
    forEachLine(text, [&](std::string_view) { return ++count, true; });
    return count;
}

namespace {

// Hands the lines of the file to `line` as forEachLine does, reading it in
// pieces; the text of each line only when `keepText` is set.
filegroup::Result eachLineOf(std::string_view name, LoneLf lf, bool keepText, const ReadBound& bound,
                             const std::function<bool(std::string_view)>& line) {
    LineReader reader(lf, keepText);
    bool whole = true;
    const auto take = [&](std::string_view piece) { return whole = reader.take(piece, line); };
    filegroup::Result failure = filegroup::detail::readPieces(name, take, false, bound);
    if (!failure && whole) reader.finish(line);
    return failure;
}

}  // namespace

std::optional<std::vector<std::string>> readLines(std::string_view name, LoneLf lf, std::size_t maxLines,
                                                  const ReadBound& bound) {
    ReadBound held = bound;
    held.lines = std::min(bound.lines, kMaxFileLines);
    std::vector<std::string> lines;
    std::size_t count = 0;
    // The lines past the bound are only counted, for the message.
    const auto add = [&](std::string_view l) {
        if (count == maxLines) return false;
        if (++count <= held.lines) lines.emplace_back(l);
        return true;
    };
    if (!worked("Cannot read", eachLineOf(name, lf, true, held, add))) return std::nullopt;
    if (count <= held.lines) return lines;
    lines = {};
    worked("Cannot read", filegroup::WithinLines(name, count, held));
    return std::nullopt;
}

std::int64_t countLines(std::string_view name, std::int64_t limit, const ReadBound& bound) {
    std::int64_t count = 0;
    if (limit <= 0) return 0;
    if (!worked("Cannot read",
                eachLineOf(name, LoneLf::EndsLine, false, bound, [&](std::string_view) { return ++count < limit; })))
        return -1;
    return count;
}

std::string joinLines(const std::vector<std::string>& lines) {
    size_t total = 0;
    for (const auto& l : lines) total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

bool fitsBound(std::string_view name, std::string_view bytes, const ReadBound& bound) {
    return worked("Cannot write", filegroup::WithinBound(name, static_cast<std::int64_t>(bytes.size()), bound)) &&
           (bound.lines == SIZE_MAX ||
            worked("Cannot write", filegroup::WithinLines(name, lineCount(bytes), bound, "lines", true)));
}

bool writeAtomic(std::string_view name, std::string bytes, Flush flush, const ReadBound& bound) {
    if (!fitsBound(name, bytes, bound)) return false;
    // Moved in, not listed in braces: a braced list would copy the content
    // once more, and three files are written at every keystroke.
    std::vector<filegroup::Change> one;
    one.push_back(filegroup::Change::Write(std::string(name), std::move(bytes)));
    return worked("Cannot write", filegroup::Apply(one, flush));
}

bool writeLinesAtomic(std::string_view name, const std::vector<std::string>& lines, Flush flush) {
    return writeAtomic(name, joinLines(lines), flush);
}

bool writeAtomicGroup(const std::vector<filegroup::Change>& files) {
    return worked("Cannot write", filegroup::Apply(files));
}

bool append(std::string_view name, std::string_view bytes, const ReadBound& bound) {
    std::string whole;
    if (exists(name)) {
        auto held = readAll(name, bound);
        if (!held) return false;
        whole = std::move(*held);
    }
    whole.append(bytes);
    return writeAtomic(name, std::move(whole), Flush::ToDisk, bound);
}

bool remove(std::string_view name) {
    QFile f(qpath(name));
    if (!f.exists()) return true;
    if (!f.remove()) return fail("Cannot delete", ansi::fromQString(f.fileName()), f.errorString());
    return true;
}

bool moveOver(std::string_view from, std::string_view to) {
    const filegroup::Result failure = filegroup::MoveOver(from, to);
    if (!failure) return true;
    const std::string names = filegroup::ShortQuote(failure->file) + "\" to \"" + filegroup::ShortQuote(to);
    g_lastError =
        QStringLiteral("Cannot move \"%1\": %2").arg(ansi::toQString(names), ansi::toQString(failure->reason));
    return false;
}

bool endsWithTxt(std::string_view name) {
    if (name.size() < 4) return false;
    std::string ext(name.substr(name.size() - 4));
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == ".TXT";
}

QString lastError() { return g_lastError; }

void clearLastError() { g_lastError.clear(); }

std::string withLastError(const std::string& message) {
    return g_lastError.isEmpty() ? message : message + "\r\n\r\n" + ansi::fromQString(g_lastError);
}

void FailWritesPastSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace textfile

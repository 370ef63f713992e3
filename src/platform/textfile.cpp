#include "platform/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <cctype>
#include <csignal>

#include "platform/ansi.h"

namespace textfile {
namespace {

QString g_lastError;
std::function<std::string(const std::string&)> g_nameHook;

bool fail(const QString& what, const QString& name, const QString& reason) {
    g_lastError = QStringLiteral("%1 \"%2\": %3").arg(what, name, reason);
    return false;
}

// True when the step worked; otherwise keeps its failure as the last error.
bool worked(const char* what, const filegroup::Result& failure) {
    if (!failure) return true;
    return fail(what, ansi::toQString(failure->file), ansi::toQString(failure->reason));
}

}  // namespace

QString qpath(std::string_view name) { return ansi::toQString(g_nameHook ? g_nameHook(std::string(name)) : name); }

QString writtenPath(std::string_view name) {
    QString path = qpath(name);
    for (int hops = 0; hops < 32; ++hops) {
        const QFileInfo info(path);
        if (!info.isSymLink()) break;
        path = info.symLinkTarget();
    }
    return path;
}

bool exists(std::string_view name) { return QFileInfo::exists(qpath(name)); }

bool ensureExists(std::string_view name) {
    // A file that is there is left as it is: one the user made read-only, or
    // one on a read-only medium, can still be read.
    if (QFileInfo(qpath(name)).isFile()) return true;
    QFile f(qpath(name));
    if (!f.open(QIODevice::Append)) return fail("Cannot create", f.fileName(), f.errorString());
    return true;
}

std::int64_t length(std::string_view name) {
    QFileInfo info(qpath(name));
    if (!info.exists() || !info.isFile()) return -1;
    return info.size();
}

std::optional<std::string> readAll(std::string_view name) {
    QFile f(qpath(name));
    if (!f.open(QIODevice::ReadOnly)) {
        fail("Cannot read", f.fileName(), f.errorString());
        return std::nullopt;
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        fail("Cannot read", f.fileName(), f.errorString());
        return std::nullopt;
    }
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

std::vector<std::string> splitLines(std::string_view text, LoneLf lf) {
    std::vector<std::string> lines;
    size_t start = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\r') {
            lines.emplace_back(text.substr(start, i - start));
            if (i + 1 < n && text[i + 1] == '\n') ++i;
            start = i + 1;
        } else if (c == '\n' && lf == LoneLf::EndsLine) {
            lines.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < n) lines.emplace_back(text.substr(start));
    return lines;
}

std::optional<std::vector<std::string>> readLines(std::string_view name, LoneLf lf) {
    auto data = readAll(name);
    if (!data) return std::nullopt;
    return splitLines(*data, lf);
}

std::int64_t countLines(std::string_view name, std::int64_t limit) {
    QFile f(qpath(name));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    std::int64_t count = 0;
    bool pendingLine = false;  // characters seen since the last line end
    bool afterCr = false;
    char buf[65536];
    while (count < limit) {
        const qint64 got = f.read(buf, sizeof buf);
        if (got <= 0) break;
        for (qint64 i = 0; i < got && count < limit; ++i) {
            const char c = buf[i];
            if (c == '\n' && afterCr) {
                afterCr = false;
                continue;
            }
            afterCr = (c == '\r');
            if (c == '\r' || c == '\n') {
                ++count;
                pendingLine = false;
            } else {
                pendingLine = true;
            }
        }
    }
    if (pendingLine && count < limit) ++count;
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

bool writeAtomic(std::string_view name, std::string bytes, Flush flush) {
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

bool append(std::string_view name, std::string_view bytes) {
    std::string whole;
    if (exists(name)) {
        auto held = readAll(name);
        if (!held) return false;
        whole = std::move(*held);
    }
    whole.append(bytes);
    return writeAtomic(name, std::move(whole));
}

bool remove(std::string_view name) {
    QFile f(qpath(name));
    if (!f.exists()) return true;
    if (!f.remove()) return fail("Cannot delete", f.fileName(), f.errorString());
    return true;
}

bool moveOver(std::string_view from, std::string_view to) {
    const filegroup::Result failure = filegroup::MoveOver(from, to);
    if (!failure) return true;
    return fail("Cannot move", QStringLiteral("%1\" to \"%2").arg(ansi::toQString(failure->file), ansi::toQString(to)),
                ansi::toQString(failure->reason));
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

void SetNameHook(std::function<std::string(const std::string&)> hook) { g_nameHook = std::move(hook); }

}  // namespace textfile

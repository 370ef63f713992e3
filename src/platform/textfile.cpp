#include "platform/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/ansi.h"

namespace textfile {
namespace {

QString g_lastError;
std::function<int(WriteStep, std::string_view)> g_faultHook;

// Writes every byte or reports failure. The device is opened unbuffered: a
// buffered write counts bytes as written that a full disk later refuses.
bool writeFully(QFileDevice& f, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const qint64 n = f.write(bytes.data() + done, static_cast<qint64>(bytes.size() - done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool fail(const QString& what, const QString& name, const QString& reason) {
    g_lastError = QStringLiteral("%1 \"%2\": %3").arg(what, name, reason);
    return false;
}

QString reasonOf(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

int injected(WriteStep step, std::string_view name) { return g_faultHook ? g_faultHook(step, name) : 0; }

// The file a write of `name` replaces: a symbolic link stays and its target
// gets the new content.
QByteArray targetPath(std::string_view name) {
    QString path = qpath(name);
    for (int hops = 0; hops < 32; ++hops) {
        const QFileInfo info(path);
        if (!info.isSymLink()) break;
        path = info.symLinkTarget();
    }
    return QFile::encodeName(path);
}

int writeAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// Makes the renames in a folder last as well.
void syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // a file system that cannot sync a folder still has the file itself on the disk
    ::close(fd);
}

// A file written beside its target, waiting to be renamed over it.
struct Temporary {
    std::string name;
    QByteArray target;
    QByteArray path;
};

// Writes the bytes into a new temporary file in the target's folder, with the
// target's permissions (a new file gets the usual ones), flushed to the disk
// when asked. A target that may not be written is not replaced.
bool writeTemporary(std::string_view name, std::string_view bytes, Flush flush, Temporary& out) {
    const QByteArray target = targetPath(name);
    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    if (exists && ::access(target.constData(), W_OK) != 0) {
        const QString reason = reasonOf(errno);
        return fail("Cannot write", qpath(name), reason);
    }

    static unsigned counter = 0;
    QByteArray path;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        path = target + ".tmp" + QByteArray::number(::getpid()) + '-' + QByteArray::number(++counter);
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100)) {
            const QString reason = reasonOf(errno);
            return fail("Cannot write", qpath(name), reason);
        }
    }
    if (exists) ::fchmod(fd, existing.st_mode & 07777);
    int error = injected(WriteStep::Write, name);
    if (error == 0) error = writeAll(fd, bytes);
    if (error == 0 && flush == Flush::ToDisk) {
        error = injected(WriteStep::Flush, name);
        if (error == 0 && ::fsync(fd) != 0) error = errno;
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        ::unlink(path.constData());
        return fail("Cannot write", qpath(name), reasonOf(error));
    }
    out = Temporary{std::string(name), target, path};
    return true;
}

bool renameOver(const Temporary& t) {
    int error = injected(WriteStep::Rename, t.name);
    if (error == 0 && ::rename(t.path.constData(), t.target.constData()) != 0) error = errno;
    if (error == 0) return true;
    ::unlink(t.path.constData());
    return fail("Cannot write", qpath(t.name), reasonOf(error));
}

}  // namespace

QString qpath(std::string_view name) { return ansi::toQString(name); }

bool exists(std::string_view name) { return QFileInfo::exists(qpath(name)); }

bool ensureExists(std::string_view name) {
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

bool writeAtomic(std::string_view name, std::string_view bytes, Flush flush) {
    Temporary t;
    if (!writeTemporary(name, bytes, flush, t) || !renameOver(t)) return false;
    if (flush == Flush::ToDisk) syncFolder(folderOf(t.target));
    return true;
}

bool writeLinesAtomic(std::string_view name, const std::vector<std::string>& lines, Flush flush) {
    return writeAtomic(name, joinLines(lines), flush);
}

bool writeAtomicGroup(const std::vector<FileBytes>& files) {
    std::vector<Temporary> written;
    written.reserve(files.size());
    for (const FileBytes& f : files) {
        Temporary t;
        if (!writeTemporary(f.name, f.bytes, Flush::ToDisk, t)) {
            for (const Temporary& w : written) ::unlink(w.path.constData());
            return false;
        }
        written.push_back(std::move(t));
    }
    for (size_t i = 0; i < written.size(); ++i) {
        if (!renameOver(written[i])) {
            for (size_t k = i + 1; k < written.size(); ++k) ::unlink(written[k].path.constData());
            return false;
        }
    }
    QByteArray synced;
    for (const Temporary& t : written) {
        const QByteArray folder = folderOf(t.target);
        if (folder != synced) syncFolder(folder);
        synced = folder;
    }
    return true;
}

bool append(std::string_view name, std::string_view bytes) {
    QFile f(qpath(name));
    if (!f.open(QIODevice::Append | QIODevice::Unbuffered))
        return fail("Cannot write", f.fileName(), f.errorString());
    if (!writeFully(f, bytes)) return fail("Cannot write", f.fileName(), f.errorString());
    return true;
}

bool remove(std::string_view name) {
    QFile f(qpath(name));
    if (!f.exists()) return true;
    if (!f.remove()) return fail("Cannot delete", f.fileName(), f.errorString());
    return true;
}

bool moveOver(std::string_view from, std::string_view to) {
    const QByteArray target = QFile::encodeName(qpath(to));
    if (::rename(QFile::encodeName(qpath(from)).constData(), target.constData()) != 0) {
        const QString reason = reasonOf(errno);
        return fail("Cannot move", qpath(from), QStringLiteral("%1 (to \"%2\")").arg(reason, qpath(to)));
    }
    syncFolder(folderOf(target));
    return true;
}

bool copyOver(std::string_view from, std::string_view to) {
    auto data = readAll(from);
    if (!data) return false;
    return writeAtomic(to, *data);
}

bool endsWithTxt(std::string_view name) {
    if (name.size() < 4) return false;
    std::string ext(name.substr(name.size() - 4));
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext == ".TXT";
}

QString lastError() { return g_lastError; }

void FailWritesPastSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }

void SetWriteFaultHook(std::function<int(WriteStep, std::string_view)> hook) { g_faultHook = std::move(hook); }

}  // namespace textfile

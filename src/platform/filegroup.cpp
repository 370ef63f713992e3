#include "platform/filegroup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/ansi.h"
#include "platform/grouprecord.h"
#include "platform/textfile.h"

namespace filegroup {
namespace {

FaultHook g_faultHook;

Failure failure(std::string_view name, const QString& reason) {
    return Failure{std::string(name), ansi::fromQString(reason)};
}

}  // namespace

namespace detail {

Failure systemFailure(std::string_view name, int error) {
    return failure(name, QString::fromLocal8Bit(std::strerror(error)));
}

Result injected(Op op, std::string_view name) {
    if (!g_faultHook) return std::nullopt;
    if (auto reason = g_faultHook(op, std::string(name))) return Failure{std::string(name), *reason};
    return std::nullopt;
}

std::string spelled(const QByteArray& path) { return ansi::fromQString(QFile::decodeName(path)); }

QByteArray nativePath(std::string_view name) { return QFile::encodeName(textfile::qpath(name)); }

QByteArray absolutePath(const QByteArray& path) {
    return path.startsWith('/') ? path : QFile::encodeName(QDir::currentPath()) + '/' + path;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// The system calls, with errno taken at once (a path's buffer is freed after).
int renameFile(const QByteArray& from, const QByteArray& to) {
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

int unlinkFile(const QByteArray& path) { return ::unlink(path.constData()) == 0 || errno == ENOENT ? 0 : errno; }

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

// Its name is short and fixed in form, so that it fits wherever the target's
// own name fits.
int createTemporary(const QByteArray& target, QByteArray& temp) {
    static unsigned counter = 0;
    for (int attempt = 0;; ++attempt) {
        temp = folderOf(target) + "/.runemill-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(++counter);
        const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST || attempt > 100) {
            const int error = errno;
            temp.clear();
            return -error;
        }
    }
}

Result flushFile(int fd, std::string_view name, bool ask) {
    if (ask)
        if (auto f = injected(Op::Flush, name)) return f;
    if (::fsync(fd) != 0) return systemFailure(name, errno);
    return std::nullopt;
}

Result syncFolder(const QByteArray& folder, bool ask) {
    const std::string name = spelled(folder);
    if (ask)
        if (auto f = injected(Op::SyncFolder, name)) return f;
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    // A file system that cannot sync a folder still has the files themselves
    // on the disk.
    if (error != 0 && error != EINVAL && error != EROFS) return systemFailure(name, error);
    return std::nullopt;
}

}  // namespace detail

using namespace detail;

namespace {

// Writes the bytes into a new file in the folder of `target`, with the given
// permissions (none: what a plain create gives), flushed to the disk when
// asked; `temp` names it. `name` names the file in a failure, and the hook is
// asked for its write and flush when `ask` is set.
Result writeTemporary(const QByteArray& target, std::string_view bytes, std::optional<mode_t> mode, Flush flush,
                      QByteArray& temp, std::string_view name, bool ask) {
    if (ask)
        if (auto f = injected(Op::Write, name)) return f;
    const int fd = createTemporary(target, temp);
    if (fd < 0) return systemFailure(name, -fd);
    Result f;
    if (mode && ::fchmod(fd, *mode) != 0) f = systemFailure(name, errno);
    if (!f)
        if (const int e = writeAll(fd, bytes)) f = systemFailure(name, e);
    if (!f && flush == Flush::ToDisk) f = flushFile(fd, name, ask);
    if (::close(fd) != 0 && !f) f = systemFailure(name, errno);
    if (f) {
        ::unlink(temp.constData());
        temp.clear();
    }
    return f;
}

// A file of a group as found before any step, and its new content's temporary.
struct Planned {
    QByteArray path;             // the file replaced (a link's target), the new name of a move, the file deleted
    QByteArray from;             // the old name of a move
    std::optional<mode_t> mode;  // its permissions when it exists
    // Open on the file as it was, which stays readable after a rename
    // replaces or a delete removes its name, to put it back.
    int old = -1;
    QByteArray temp;

    Planned() = default;
    Planned(const Planned&) = delete;
    Planned& operator=(const Planned&) = delete;
    ~Planned() {
        if (old >= 0) ::close(old);
    }
};

// Writes the file's former content to a flushed temporary beside it.
Result keepOldContent(const Planned& p, std::string_view name, QByteArray& copy) {
    std::string bytes;
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(p.old, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return systemFailure(name, errno);
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
        at += n;
    }
    return writeTemporary(p.path, bytes, p.mode, Flush::ToDisk, copy, name, false);
}

}  // namespace

Change Change::Write(std::string name, std::string bytes) {
    return Change{Kind::Write, std::move(name), {}, std::move(bytes)};
}
Change Change::Move(std::string from, std::string to) { return Change{Kind::Move, std::move(to), std::move(from), {}}; }
Change Change::Delete(std::string name) { return Change{Kind::Delete, std::move(name), {}, {}}; }

Result EnsureExists(std::string_view name, bool* created) {
    if (created) *created = false;
    if (auto f = injected(Op::Create, name)) return f;
    QFile f(textfile::qpath(name));
    const bool existed = f.exists();
    if (!f.open(QIODevice::Append)) return failure(name, f.errorString());
    if (created) *created = !existed;
    return std::nullopt;
}

Result Length(std::string_view name, std::int64_t& bytes) {
    if (auto f = injected(Op::Length, name)) return f;
    struct stat st {};
    const QByteArray path = nativePath(name);
    if (::stat(path.constData(), &st) != 0) return systemFailure(name, errno);
    bytes = static_cast<std::int64_t>(st.st_size);
    return std::nullopt;
}

Result ReadAll(std::string_view name, std::string& bytes) {
    if (auto f = injected(Op::Read, name)) return f;
    QFile f(textfile::qpath(name));
    if (!f.open(QIODevice::ReadOnly)) return failure(name, f.errorString());
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) return failure(name, f.errorString());
    bytes.assign(data.constData(), static_cast<size_t>(data.size()));
    return std::nullopt;
}

Result Remove(std::string_view name) {
    if (auto f = injected(Op::Delete, name)) return f;
    if (const int e = unlinkFile(nativePath(name))) return systemFailure(name, e);
    return std::nullopt;
}

Result MoveOver(std::string_view from, std::string_view to) {
    if (auto f = injected(Op::Rename, from)) return f;
    const QByteArray target = nativePath(to);
    if (const int e = renameFile(nativePath(from), target)) return systemFailure(from, e);
    syncFolder(folderOf(absolutePath(target)), true);  // renamed either way: a sync that fails changes nothing
    return std::nullopt;
}

bool SameFile(std::string_view a, std::string_view b) {
    struct stat sa {}, sb {};
    if (::stat(nativePath(a).constData(), &sa) != 0 || ::stat(nativePath(b).constData(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::size_t NameBytesOnDisk(std::string_view name) {
    return static_cast<std::size_t>(QFile::encodeName(ansi::toQString(name)).size());
}

Result Apply(const std::vector<Change>& changes, Flush flush) {
    using Kind = Change::Kind;
    // A group keeps the files as they were open, to put them back when a later
    // step fails, and a record of its renames while they are under way.
    const bool group = changes.size() > 1;
    std::vector<Planned> plan(changes.size());
    for (size_t i = 0; i < changes.size(); ++i) {
        const Change& c = changes[i];
        Planned& p = plan[i];
        p.path = absolutePath(c.kind == Kind::Write ? QFile::encodeName(textfile::writtenPath(c.name)) : nativePath(c.name));
        if (c.kind == Kind::Move) p.from = absolutePath(nativePath(c.from));
        struct stat st {};
        if (::stat(p.path.constData(), &st) != 0) continue;
        if (c.kind == Kind::Move) {
            if (!SameFile(c.from, c.name)) return Failure{c.name, "The file already exists."};
            continue;
        }
        p.mode = st.st_mode & 07777;
        // A file the user made read-only (or may not write) is not replaced,
        // though renaming over it would work.
        if (c.kind == Kind::Write && (st.st_mode & 0222) == 0)
            return Failure{c.name, "The file is read-only."};
        if (c.kind == Kind::Write && ::access(p.path.constData(), W_OK) != 0) return systemFailure(c.name, errno);
        if (!group) continue;
        if (auto f = injected(Op::Read, c.name)) return f;
        p.old = ::open(p.path.constData(), O_RDONLY | O_CLOEXEC);
        if (p.old < 0) return systemFailure(c.name, errno);
    }

    const auto dropTemporaries = [&] {
        for (Planned& p : plan)
            if (!p.temp.isEmpty()) ::unlink(p.temp.constData());
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        const Change& c = changes[i];
        if (c.kind != Kind::Write) continue;
        if (auto f = writeTemporary(plan[i].path, c.bytes, plan[i].mode, flush, plan[i].temp, c.name, true)) {
            dropTemporaries();
            return f;
        }
    }

    // Before the first rename, so that the new files are on the disk under
    // their temporary names before any replaces a file; after the last, so
    // that the group lasts once this returns. The first failure is returned.
    const auto syncFolders = [&](bool ask) -> Result {
        if (flush == Flush::Later) return std::nullopt;
        std::vector<QByteArray> synced;
        Result first;
        for (const Planned& p : plan) {
            const QByteArray folder = folderOf(p.path);
            if (std::find(synced.begin(), synced.end(), folder) != synced.end()) continue;
            Result f = syncFolder(folder, ask);
            if (!first) first = std::move(f);
            synced.push_back(folder);
        }
        return first;
    };
    if (auto f = syncFolders(true)) {
        dropTemporaries();
        return f;
    }

    // The steps in the order they are taken: writes, then moves, then deletes.
    std::vector<size_t> order;
    for (Kind kind : {Kind::Write, Kind::Move, Kind::Delete})
        for (size_t i = 0; i < changes.size(); ++i)
            if (changes[i].kind == kind) order.push_back(i);
    Record record;
    if (group) {
        std::vector<Step> steps;
        for (size_t i : order) {
            const Planned& p = plan[i];
            if (changes[i].kind == Kind::Delete) steps.push_back(Step::Delete(p.path));
            else steps.push_back(Step::Rename(changes[i].kind == Kind::Write ? p.temp : p.from, p.path));
        }
        if (auto f = record.begin(folderOf(absolutePath(nativePath(changes[0].name))), steps)) {
            dropTemporaries();
            return f;
        }
    }

    // The steps done so far, undone in reverse order when a later one fails:
    // the record is first turned into the undo, so that a crash during it
    // ends in the old files too.
    std::vector<size_t> done;
    auto undo = [&](Failure failed) -> Result {
        std::string trouble;
        const auto tell = [&](const Failure& f) {
            trouble += " \"" + f.file + "\" could not be put back either: " + f.reason;
        };
        std::vector<Step> back;
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            const Change& c = changes[*it];
            const Planned& p = plan[*it];
            QByteArray copy;
            if (c.kind == Kind::Move) back.push_back(Step::Rename(p.path, p.from));
            else if (p.old < 0 && c.kind == Kind::Write) back.push_back(Step::Delete(p.path));
            else if (p.old < 0) continue;
            else if (auto f = keepOldContent(p, c.name, copy)) tell(*f);
            else back.push_back(Step::Rename(copy, p.path));
        }
        syncFolders(true);
        record.replace(back);  // failing, the undo is still worth doing
        dropTemporaries();
        for (const Failure& f : perform(back, true)) tell(f);
        syncFolders(true);
        record.end();
        failed.reason += trouble;
        failed.filesKept = trouble.empty();
        return failed;
    };

    for (size_t i : order) {
        const Change& c = changes[i];
        Planned& p = plan[i];
        const bool deletes = c.kind == Kind::Delete;
        Result f = injected(deletes ? Op::Delete : Op::Rename, c.name);
        if (!f) {
            const int e = deletes ? unlinkFile(p.path) : renameFile(c.kind == Kind::Write ? p.temp : p.from, p.path);
            if (e != 0) f = systemFailure(c.name, e);
            else p.temp.clear();
        }
        if (f) return undo(*f);
        done.push_back(i);
    }
    syncFolders(true);  // renamed either way: a sync that fails changes nothing
    record.end();
    return std::nullopt;
}

Result CopyFiles(const std::vector<std::pair<std::string, std::string>>& fromTo) {
    std::vector<Change> writes;
    for (const auto& [from, to] : fromTo) {
        std::string bytes;
        if (auto f = ReadAll(from, bytes)) return f;
        writes.push_back(Change::Write(to, std::move(bytes)));
    }
    return Apply(writes);
}

void SetFaultHook(FaultHook hook) { g_faultHook = std::move(hook); }

}  // namespace filegroup

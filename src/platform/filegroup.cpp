#include "platform/filegroup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/ansi.h"
#include "platform/textfile.h"

namespace filegroup {
namespace {

FaultHook g_faultHook;

QByteArray nativePath(std::string_view name) { return QFile::encodeName(textfile::qpath(name)); }

Failure failure(std::string_view name, const QString& reason) {
    return Failure{std::string(name), ansi::fromQString(reason)};
}

Failure systemFailure(std::string_view name, int error) {
    return failure(name, QString::fromLocal8Bit(std::strerror(error)));
}

// Asks the test hook whether this step is to fail.
Result injected(Op op, std::string_view name) {
    if (!g_faultHook) return std::nullopt;
    if (auto reason = g_faultHook(op, std::string(name))) return Failure{std::string(name), *reason};
    return std::nullopt;
}

// The system calls, with errno taken at once (a path's buffer is freed after).
int renameFile(const QByteArray& from, const QByteArray& to) {
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

// A missing file counts as removed.
int unlinkFile(const QByteArray& path) { return ::unlink(path.constData()) == 0 || errno == ENOENT ? 0 : errno; }

// The file a write of `name` replaces: a symbolic link stays and its target
// gets the new content.
QByteArray targetOf(std::string_view name) {
    QString path = textfile::qpath(name);
    for (int hops = 0; hops < 32; ++hops) {
        const QFileInfo info(path);
        if (!info.isSymLink()) break;
        path = info.symLinkTarget();
    }
    return QFile::encodeName(path);
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// Makes the names in a folder last as the folder now holds them.
void syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // a file system that cannot sync a folder still has the files themselves on the disk
    ::close(fd);
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

// Writes the bytes into a new file in the folder of `target`, with the given
// permissions (none: what a plain create gives), flushed to the disk when
// asked; `temp` names it. Its name is short and fixed in form, so that it
// fits wherever the target's own name fits. Returns the system's error.
int writeTemporary(const QByteArray& target, std::string_view bytes, std::optional<mode_t> mode, Flush flush,
                   QByteArray& temp) {
    static unsigned counter = 0;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temp = folderOf(target) + "/.runemill-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(++counter);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100)) {
            temp.clear();
            return errno;
        }
    }
    int error = mode && ::fchmod(fd, *mode) != 0 ? errno : 0;
    if (error == 0) error = writeAll(fd, bytes);
    if (error == 0 && flush == Flush::ToDisk && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        temp.clear();
    }
    return error;
}

// A file of a group as found before any step, and its new content's temporary.
struct Planned {
    QByteArray path;             // the file replaced (a link's target), the new name of a move, the file deleted
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

// Puts the former content back, or removes a file that did not exist before.
int restore(const Planned& p) {
    if (p.old < 0) return unlinkFile(p.path);
    std::string bytes;
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(p.old, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
        at += n;
    }
    QByteArray temp;
    if (const int e = writeTemporary(p.path, bytes, p.mode, Flush::ToDisk, temp)) return e;
    const int e = renameFile(temp, p.path);
    if (e != 0) ::unlink(temp.constData());
    return e;
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
    syncFolder(folderOf(target));
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
    // The files as they were are kept open only when a later step could fail.
    const bool undoable = changes.size() > 1;
    std::vector<Planned> plan(changes.size());
    for (size_t i = 0; i < changes.size(); ++i) {
        const Change& c = changes[i];
        Planned& p = plan[i];
        p.path = c.kind == Kind::Write ? targetOf(c.name) : nativePath(c.name);
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
        if (!undoable) continue;
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
        Result f = injected(Op::Write, c.name);
        if (!f)
            if (const int e = writeTemporary(plan[i].path, c.bytes, plan[i].mode, flush, plan[i].temp))
                f = systemFailure(c.name, e);
        if (!f && flush == Flush::ToDisk) f = injected(Op::Flush, c.name);
        if (f) {
            dropTemporaries();
            return f;
        }
    }

    // Before the first rename, so that the new files are on the disk under
    // their temporary names before any replaces a file; after the last, so
    // that the group lasts once this returns.
    const auto syncFolders = [&] {
        if (flush == Flush::Later) return;
        std::vector<QByteArray> synced;
        for (const Planned& p : plan) {
            const QByteArray folder = folderOf(p.path);
            if (std::find(synced.begin(), synced.end(), folder) != synced.end()) continue;
            syncFolder(folder);
            synced.push_back(folder);
        }
    };
    syncFolders();

    // The steps done so far, undone in reverse order when a later one fails.
    std::vector<size_t> done;
    auto undo = [&](Failure failed) -> Result {
        dropTemporaries();
        std::string trouble;
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            const Change& c = changes[*it];
            int e = 0;
            if (c.kind == Kind::Move) e = renameFile(plan[*it].path, nativePath(c.from));
            else if (c.kind == Kind::Write || plan[*it].old >= 0) e = restore(plan[*it]);
            if (e != 0) {
                const Failure f = systemFailure(c.kind == Kind::Move ? c.from : c.name, e);
                trouble += " \"" + f.file + "\" could not be put back either: " + f.reason;
            }
        }
        failed.reason += trouble;
        failed.filesKept = trouble.empty();
        return failed;
    };

    for (Kind kind : {Kind::Write, Kind::Move, Kind::Delete}) {
        for (size_t i = 0; i < changes.size(); ++i) {
            const Change& c = changes[i];
            if (c.kind != kind) continue;
            Result f = kind == Kind::Delete ? Remove(c.name) : injected(Op::Rename, c.name);
            if (!f && kind != Kind::Delete) {
                const QByteArray from = kind == Kind::Write ? plan[i].temp : nativePath(c.from);
                if (const int e = renameFile(from, plan[i].path)) f = systemFailure(c.name, e);
                else plan[i].temp.clear();
            }
            if (f) return undo(*f);
            done.push_back(i);
        }
    }
    syncFolders();
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

#include "files/filegroup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "files/ansi.h"
#include "files/grouprecord.h"
#include "files/textfile.h"

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

namespace {

std::string mebibytes(std::int64_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

// What a file that is not regular is, for the user.
std::string notRegular(mode_t mode) {
    const char* kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a FIFO (named pipe)"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISSOCK(mode)                 ? "a socket"
                       : S_ISLNK(mode)                  ? "a symbolic link"
                                                        : "of an unknown kind";
    return std::string("It is ") + kind + ", not a regular file";
}

}  // namespace

Result openForReading(const QByteArray& path, std::string_view name, int flags, std::int64_t bound, bool ownOnly,
                      int& fd, std::int64_t& length) {
    fd = -1;
    // Looked at before it is opened, so that no device (nor another user's
    // record) is opened at all; the open cannot wait even so, and what it
    // opened is looked at again.
    struct stat st {};
    const bool follow = (flags & O_NOFOLLOW) == 0;
    if ((follow ? ::stat(path.constData(), &st) : ::lstat(path.constData(), &st)) != 0)
        return systemFailure(name, errno);
    if (S_ISREG(st.st_mode) && !(ownOnly && st.st_uid != ::geteuid())) {
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | flags);
        if (fd < 0) return systemFailure(name, errno);
        if (::fstat(fd, &st) != 0) st.st_mode = 0;
    }
    std::string why;
    if (!S_ISREG(st.st_mode)) why = notRegular(st.st_mode);
    else if (ownOnly && st.st_uid != ::geteuid()) why = "It belongs to another user";
    else if (st.st_size > bound)
        why = "It holds " + std::to_string(st.st_size) + " bytes (" + mebibytes(st.st_size) +
              "), more than the program reads (" + mebibytes(bound) + ")";
    if (why.empty()) {
        length = static_cast<std::int64_t>(st.st_size);
        return std::nullopt;
    }
    if (fd >= 0) ::close(fd);
    fd = -1;
    return Failure{std::string(name), why};
}

Result readOpened(int fd, std::int64_t length, std::string& bytes, std::string_view name) {
    bytes.resize(static_cast<size_t>(length));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return systemFailure(name, errno);
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return std::nullopt;
}

}  // namespace detail

using namespace detail;

namespace {

std::vector<std::string>& ownFiles() {
    static std::vector<std::string> names;
    return names;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return ansi::toUpper(std::string(a)) == ansi::toUpper(std::string(b));
}

// One of the program's own files that is a symbolic link leading where no
// file of the program belongs is neither read nor written through.
Result ownLinkRefusal(std::string_view name) {
    const auto& own = ownFiles();
    if (std::find(own.begin(), own.end(), name) == own.end()) return std::nullopt;
    struct stat st {};
    if (::lstat(nativePath(name).constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return std::nullopt;
    const auto astray = LeadsAstray(name);
    if (!astray) return std::nullopt;
    const std::string where = astray->ownFile.empty()
                                  ? "\"" + astray->target + "\", outside the working folder"
                                  : "the program's own file \"" + astray->ownFile + "\"";
    return Failure{std::string(name), "It is a symbolic link to " + where +
                                          "; the program neither reads nor writes a file through it"};
}

}  // namespace

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
    for (off_t at = 0; at <= kMaxFileBytes;) {
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
    return Change{Kind::Write, std::move(name), {}, std::move(bytes), {}};
}
Change Change::Copy(std::string name, std::string bytes, std::string of) {
    return Change{Kind::Write, std::move(name), {}, std::move(bytes), std::move(of)};
}
Change Change::Move(std::string from, std::string to) {
    return Change{Kind::Move, std::move(to), std::move(from), {}, {}};
}
Change Change::Delete(std::string name) { return Change{Kind::Delete, std::move(name), {}, {}, {}}; }

namespace detail {

// Neither looks at a file more than its directory entry, so neither can wait.
Result ensureExists(std::string_view name, bool* created, bool ask) {
    if (created) *created = false;
    if (ask)
        if (auto f = injected(Op::Create, name)) return f;
    if (auto f = ownLinkRefusal(name)) return f;
    const QByteArray path = nativePath(name);
    struct stat st {};
    if (::stat(path.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return Failure{std::string(name), notRegular(st.st_mode)};
        return std::nullopt;
    }
    if (errno != ENOENT) return systemFailure(name, errno);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return systemFailure(name, errno);
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!regular) return Failure{std::string(name), notRegular(st.st_mode)};
    if (created) *created = true;
    return std::nullopt;
}

Result length(std::string_view name, std::int64_t& bytes, bool ask) {
    if (ask)
        if (auto f = injected(Op::Length, name)) return f;
    if (auto f = ownLinkRefusal(name)) return f;
    struct stat st {};
    if (::stat(nativePath(name).constData(), &st) != 0) return systemFailure(name, errno);
    if (!S_ISREG(st.st_mode)) return Failure{std::string(name), notRegular(st.st_mode)};
    bytes = static_cast<std::int64_t>(st.st_size);
    return std::nullopt;
}

namespace {

// The open of every read: a regular file no longer than the bound.
Result openToRead(std::string_view name, bool ask, int& fd, std::int64_t& length) {
    if (ask)
        if (auto f = injected(Op::Read, name)) return f;
    if (auto f = ownLinkRefusal(name)) return f;
    return openForReading(nativePath(name), name, 0, kMaxFileBytes, false, fd, length);
}

}  // namespace

Result readAll(std::string_view name, std::string& bytes, bool ask) {
    int fd = -1;
    std::int64_t length = 0;
    if (auto f = openToRead(name, ask, fd, length)) return f;
    Result f = readOpened(fd, length, bytes, name);
    ::close(fd);
    return f;
}

Result readPieces(std::string_view name, const std::function<bool(std::string_view piece)>& take, bool ask) {
    int fd = -1;
    std::int64_t left = 0;
    if (auto f = openToRead(name, ask, fd, left)) return f;
    Result f;
    char buffer[65536];
    while (left > 0) {
        const ssize_t n = ::read(fd, buffer, static_cast<size_t>(std::min<std::int64_t>(left, sizeof buffer)));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) f = systemFailure(name, errno);
        if (n <= 0 || !take(std::string_view(buffer, static_cast<size_t>(n)))) break;
        left -= n;
    }
    ::close(fd);
    return f;
}

}  // namespace detail

Result EnsureExists(std::string_view name, bool* created) { return ensureExists(name, created, true); }
Result Length(std::string_view name, std::int64_t& bytes) { return length(name, bytes, true); }
Result ReadAll(std::string_view name, std::string& bytes) { return readAll(name, bytes, true); }

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

void SetOwnFiles(std::vector<std::string> names) { ownFiles() = std::move(names); }

std::optional<Astray> LeadsAstray(std::string_view name) {
    const QFileInfo written(textfile::writtenPath(name));
    const std::string target = ansi::fromQString(written.absoluteFilePath());
    if (QDir(written.absolutePath()).canonicalPath() != QDir::current().canonicalPath()) return Astray{target, {}};
    const std::string nameThere = ansi::fromQString(written.fileName());
    for (const std::string& own : ownFiles()) {
        if (sameIgnoringCase(own, name)) continue;
        if (sameIgnoringCase(nameThere, own) || SameFile(name, own)) return Astray{target, own};
    }
    return std::nullopt;
}

Result Apply(const std::vector<Change>& changes, Flush flush) {
    using Kind = Change::Kind;
    // A group keeps the files as they were open, to put them back when a later
    // step fails, and a record of its renames while they are under way.
    const bool group = changes.size() > 1;
    std::vector<Planned> plan(changes.size());
    // Whatever the system would refuse is found before the first step, so
    // that a rename fails only for a cause nobody could see coming.
    for (size_t i = 0; i < changes.size(); ++i) {
        const Change& c = changes[i];
        Planned& p = plan[i];
        if (c.kind == Kind::Write)
            if (auto f = ownLinkRefusal(c.name)) return f;
        p.path = absolutePath(c.kind == Kind::Write ? QFile::encodeName(textfile::writtenPath(c.name)) : nativePath(c.name));
        if (c.kind == Kind::Move) p.from = absolutePath(nativePath(c.from));
        struct stat st {};
        const bool there = ::stat(p.path.constData(), &st) == 0;
        // The folder takes the new name, or loses the old one.
        if ((there || c.kind != Kind::Delete) && ::access(folderOf(p.path).constData(), W_OK | X_OK) != 0)
            return systemFailure(c.name, errno);
        if (!there) {
            if (c.kind == Kind::Write && !c.copyOf.empty() && ::stat(nativePath(c.copyOf).constData(), &st) == 0)
                p.mode = st.st_mode & 0777;
            continue;
        }
        if (c.kind == Kind::Move) {
            if (!SameFile(c.from, c.name)) return Failure{c.name, "The file already exists."};
            continue;
        }
        if (!S_ISREG(st.st_mode)) return Failure{c.name, notRegular(st.st_mode)};
        p.mode = st.st_mode & 07777;
        // A file the user made read-only (or may not write) is not replaced,
        // though renaming over it would work.
        if (c.kind == Kind::Write && (st.st_mode & 0222) == 0)
            return Failure{c.name, "The file is read-only."};
        if (c.kind == Kind::Write && ::access(p.path.constData(), W_OK) != 0) return systemFailure(c.name, errno);
        if (!group) continue;
        if (auto f = injected(Op::Read, c.name)) return f;
        std::int64_t length = 0;
        if (auto f = openForReading(p.path, c.name, 0, kMaxFileBytes, false, p.old, length)) return f;
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
        writes.push_back(Change::Copy(to, std::move(bytes), from));
    }
    return Apply(writes);
}

void SetFaultHook(FaultHook hook) { g_faultHook = std::move(hook); }

}  // namespace filegroup

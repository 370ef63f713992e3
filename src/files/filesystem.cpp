#include "files/filesystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "files/ansi.h"

namespace textfile {
namespace {

std::function<std::string(const std::string&)> g_nameHook;

}  // namespace

QString qpath(std::string_view name) { return ansi::toQString(g_nameHook ? g_nameHook(std::string(name)) : name); }

void SetNameHook(std::function<std::string(const std::string&)> hook) { g_nameHook = std::move(hook); }

}  // namespace textfile

namespace filegroup {
namespace {

FaultHook g_faultHook;

Failure failure(std::string_view name, const QString& reason) {
    return Failure{std::string(name), ansi::fromQString(reason)};
}

}  // namespace

std::string SizeInWords(std::int64_t bytes) {
    static const std::pair<std::int64_t, const char*> units[] = {{std::int64_t{1} << 30, "GB"},
                                                                  {std::int64_t{1} << 20, "MB"},
                                                                  {std::int64_t{1} << 10, "KB"}};
    for (const auto& [unit, word] : units) {
        if (bytes < unit) continue;
        const std::int64_t tenths = (bytes * 10 + unit - 1) / unit;  // rounded up
        // Built up in place: the one-expression form trips GCC 12's -Wrestrict.
        std::string text = std::to_string(tenths / 10);
        if (tenths % 10 != 0) {
            text += '.';
            text += std::to_string(tenths % 10);
        }
        text += ' ';
        text += word;
        return text;
    }
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string PastBytes(std::int64_t bytes, const ReadBound& bound, bool written) {
    return std::string(written ? "It would hold " : "It holds ") + std::to_string(bytes) + " bytes (" +
           SizeInWords(bytes) + "), more than " + bound.reads + " (" + SizeInWords(bound.bytes) + ")";
}

std::string PastLines(std::size_t count, const ReadBound& bound, const char* unit, bool written) {
    return std::string(written ? "It would hold " : "It holds ") + std::to_string(count) + " " + unit +
           ", more than " + bound.reads + " (" + std::to_string(bound.lines) + " " + unit + ")";
}

Result WithinBound(std::string_view name, std::int64_t bytes, const ReadBound& bound) {
    if (bytes <= bound.bytes) return std::nullopt;
    return Failure{std::string(name), PastBytes(bytes, bound, true)};
}

Result WithinLines(std::string_view name, std::size_t count, const ReadBound& bound, const char* unit, bool written) {
    if (count <= bound.lines) return std::nullopt;
    return Failure{std::string(name), PastLines(count, bound, unit, written)};
}

std::string Failure::Message() const { return Quoted(file) + ": " + reason; }

std::string ShortQuote(std::string_view text) {
    if (text.size() <= kQuotedChars) return std::string(text);
    constexpr std::size_t kEach = kQuotedChars / 2;
    return std::string(text.substr(0, kEach)) + "..." + std::string(text.substr(text.size() - kEach));
}

std::string Quoted(std::string_view text) {
    // Built up in place: the one-expression form trips GCC 12's -Wrestrict.
    std::string quoted = "\"";
    quoted += ShortQuote(text);
    quoted += '"';
    return quoted;
}

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

Result openForReading(const QByteArray& path, std::string_view name, int flags, const ReadBound& bound, bool ownOnly,
                      int& fd, std::int64_t& length, int at) {
    fd = -1;
    // Looked at before it is opened, so that no device (nor another user's
    // record) is opened at all; the open cannot wait even so, and what it
    // opened is looked at again.
    struct stat st {};
    const bool follow = (flags & O_NOFOLLOW) == 0;
    if (::fstatat(at, path.constData(), &st, follow ? 0 : AT_SYMLINK_NOFOLLOW) != 0) return systemFailure(name, errno);
    if (S_ISREG(st.st_mode) && !(ownOnly && st.st_uid != ::geteuid())) {
        fd = ::openat(at, path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | flags);
        // A link put in its place since it was looked at is not followed.
        if (fd < 0 && errno == ELOOP && !follow) return Failure{std::string(name), notRegular(S_IFLNK)};
        if (fd < 0) return systemFailure(name, errno);
        if (::fstat(fd, &st) != 0) st.st_mode = 0;
    }
    std::string why;
    if (!S_ISREG(st.st_mode)) why = notRegular(st.st_mode);
    else if (ownOnly && st.st_uid != ::geteuid()) why = "It belongs to another user";
    else if (st.st_size > bound.bytes) why = PastBytes(st.st_size, bound);
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

}  // namespace

bool SameFile(std::string_view a, std::string_view b) {
    struct stat sa {}, sb {};
    if (::stat(nativePath(a).constData(), &sa) != 0 || ::stat(nativePath(b).constData(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void SetOwnFiles(std::vector<std::string> names) { ownFiles() = std::move(names); }

namespace {

// The name's path with every symbolic link followed, as far as 32 links go
// (a loop ends there, still a link, which no step takes for a file);
// `throughLink` tells whether it followed any.
QByteArray followed(std::string_view name, bool& throughLink) {
    QByteArray path = absolutePath(nativePath(name));
    throughLink = false;
    char target[PATH_MAX];
    for (int hops = 0; hops < 32; ++hops) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        const ssize_t n = ::readlink(path.constData(), target, sizeof target);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof target) break;
        const QByteArray to(target, n);
        path = to.startsWith('/') ? to : folderOf(path) + '/' + to;
        throughLink = true;
    }
    return path;
}

std::optional<Astray> astrayAt(std::string_view name, const QByteArray& path) {
    const std::string target = spelled(path);
    char folder[PATH_MAX], current[PATH_MAX];
    if (!::realpath(folderOf(path).constData(), folder) || !::getcwd(current, sizeof current) ||
        std::strcmp(folder, current) != 0)
        return Astray{target, {}};
    const std::string nameThere = spelled(path.mid(path.lastIndexOf('/') + 1));
    struct stat there {};
    const bool exists = ::stat(path.constData(), &there) == 0;
    for (const std::string& own : ownFiles()) {
        if (sameIgnoringCase(own, name)) continue;
        struct stat st {};
        const bool same = exists && ::stat(nativePath(own).constData(), &st) == 0 && st.st_dev == there.st_dev &&
                          st.st_ino == there.st_ino;
        if (sameIgnoringCase(nameThere, own) || same) return Astray{target, own};
    }
    return std::nullopt;
}

bool ownFile(std::string_view name) {
    const auto& own = ownFiles();
    return std::find(own.begin(), own.end(), name) != own.end();
}

}  // namespace

std::optional<Astray> LeadsAstray(std::string_view name) {
    bool throughLink = false;
    return astrayAt(name, followed(name, throughLink));
}

void SetFaultHook(FaultHook hook) { g_faultHook = std::move(hook); }

namespace detail {

Result resolve(std::string_view name, QByteArray& path) {
    bool throughLink = false;
    path = followed(name, throughLink);
    if (!throughLink || !ownFile(name)) return std::nullopt;
    const auto astray = astrayAt(name, path);
    if (!astray) return std::nullopt;
    const std::string where = astray->ownFile.empty() ? Quoted(astray->target) + ", outside the working folder"
                                                      : "the program's own file " + Quoted(astray->ownFile);
    return Failure{std::string(name), "It is a symbolic link to " + where +
                                          "; the program neither reads nor writes a file through it"};
}

// Neither looks at a file more than its directory entry, so neither can wait;
// a file is created only where nothing is, never through a link.
Result ensureExists(std::string_view name, bool* created, bool ask) {
    if (created) *created = false;
    if (ask)
        if (auto f = injected(Op::Create, name)) return f;
    QByteArray path;
    if (auto f = resolve(name, path)) return f;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        if (errno != ENOENT) return systemFailure(name, errno);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            if (created) *created = true;
            return std::nullopt;
        }
        // Made by someone else meanwhile: taken as found.
        if (errno != EEXIST || ::lstat(path.constData(), &st) != 0) return systemFailure(name, errno);
    }
    if (!S_ISREG(st.st_mode)) return Failure{std::string(name), notRegular(st.st_mode)};
    return std::nullopt;
}

Result length(std::string_view name, std::int64_t& bytes, bool ask) {
    if (ask)
        if (auto f = injected(Op::Length, name)) return f;
    QByteArray path;
    if (auto f = resolve(name, path)) return f;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) return systemFailure(name, errno);
    if (!S_ISREG(st.st_mode)) return Failure{std::string(name), notRegular(st.st_mode)};
    bytes = static_cast<std::int64_t>(st.st_size);
    return std::nullopt;
}

namespace {

// The open of every read: a regular file no longer than the bound.
Result openToRead(std::string_view name, bool ask, const ReadBound& bound, int& fd, std::int64_t& length) {
    if (ask)
        if (auto f = injected(Op::Read, name)) return f;
    QByteArray path;
    if (auto f = resolve(name, path)) return f;
    return openForReading(path, name, O_NOFOLLOW, bound, false, fd, length);
}

}  // namespace

Result readAll(std::string_view name, std::string& bytes, bool ask, const ReadBound& bound) {
    int fd = -1;
    std::int64_t length = 0;
    if (auto f = openToRead(name, ask, bound, fd, length)) return f;
    Result f = readOpened(fd, length, bytes, name);
    ::close(fd);
    return f;
}

Result readPieces(std::string_view name, const std::function<bool(std::string_view piece)>& take, bool ask,
                  const ReadBound& bound) {
    int fd = -1;
    std::int64_t left = 0;
    if (auto f = openToRead(name, ask, bound, fd, left)) return f;
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

}  // namespace filegroup

#include "platform/filegroup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/ansi.h"

namespace filegroup {
namespace {

FaultHook g_faultHook;
NameHook g_nameHook;

QString pathOf(std::string_view name) {
    const std::string n(name);
    return ansi::toQString(g_nameHook ? g_nameHook(n) : n);
}

QByteArray nativePath(std::string_view name) { return QFile::encodeName(pathOf(name)); }

Failure failure(std::string_view name, const QString& reason) {
    return Failure{std::string(name), ansi::fromQString(reason)};
}

Failure failureFromErrno(std::string_view name, int error) {
    return failure(name, QString::fromLocal8Bit(std::strerror(error)));
}

// The system calls, with errno taken at once (a path's buffer is freed after).
int posixRename(const QByteArray& from, const QByteArray& to) {
    return std::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

// A missing file counts as removed.
int posixUnlink(const QByteArray& path) {
    if (::unlink(path.constData()) == 0) return 0;
    return errno == ENOENT ? 0 : errno;
}

// Asks the test hook whether this step is to fail.
Result injected(Op op, std::string_view name) {
    if (!g_faultHook) return std::nullopt;
    if (auto reason = g_faultHook(op, std::string(name))) return Failure{std::string(name), *reason};
    return std::nullopt;
}

bool exists(std::string_view name) { return QFileInfo::exists(pathOf(name)); }

Result readRaw(std::string_view name, std::string& bytes) {
    QFile f(pathOf(name));
    if (!f.open(QIODevice::ReadOnly)) return failure(name, f.errorString());
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) return failure(name, f.errorString());
    bytes.assign(data.constData(), static_cast<size_t>(data.size()));
    return std::nullopt;
}

// The permissions a file keeps when its content is replaced: its own, or
// for a new file what a plain create gives it.
mode_t permissionsFor(std::string_view name) {
    struct stat st {};
    if (::stat(nativePath(name).constData(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A file the user made read-only (or may not write) is not replaced, though
// renaming over it would work.
Result refuseReadOnly(std::string_view name) {
    const QByteArray path = nativePath(name);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) return std::nullopt;
    if ((st.st_mode & 0222) == 0) return failure(name, QStringLiteral("The file is read-only."));
    if (::access(path.constData(), W_OK) != 0) return failureFromErrno(name, errno);
    return std::nullopt;
}

// A temporary file beside the destination, written and flushed to the disk,
// with the permissions the destination is to have. Its name is short and
// fixed in form, so that it fits wherever the destination's own name fits.
struct Temporary {
    QString path;
};

Result writeTemporary(std::string_view name, const std::string& bytes, mode_t permissions, Temporary& temp) {
    const QString folder = QFileInfo(pathOf(name)).absolutePath();
    QTemporaryFile f(folder + QStringLiteral("/.runemill-XXXXXX"));
    f.setAutoRemove(false);
    if (!f.open()) return failure(name, f.errorString());
    temp.path = f.fileName();
    // The system's reason when it gave one: Qt says "Unknown error" for a
    // write cut short by a full disk or a size limit.
    const auto abandon = [&](int error) -> Result {
        const QString reason = error != 0 ? QString::fromLocal8Bit(std::strerror(error)) : f.errorString();
        f.close();
        QFile::remove(temp.path);
        temp.path.clear();
        return failure(name, reason);
    };
    if (::fchmod(f.handle(), permissions) != 0) return abandon(errno);
    size_t done = 0;
    while (done < bytes.size()) {
        errno = 0;
        const qint64 n = f.write(bytes.data() + done, static_cast<qint64>(bytes.size() - done));
        if (n <= 0) return abandon(errno);
        done += static_cast<size_t>(n);
    }
    errno = 0;
    if (!f.flush() || ::fsync(f.handle()) != 0) return abandon(errno);
    f.close();
    return std::nullopt;
}

// Renames over an existing destination (the system call does; QFile does not).
Result renamePath(const QString& from, std::string_view to) {
    if (const int e = posixRename(QFile::encodeName(from), nativePath(to))) return failureFromErrno(to, e);
    return std::nullopt;
}

// Puts the old content back, or removes a file that did not exist before.
Result restore(std::string_view name, const std::optional<std::string>& old, mode_t permissions) {
    if (!old) {
        if (const int e = posixUnlink(nativePath(name))) return failureFromErrno(name, e);
        return std::nullopt;
    }
    Temporary temp;
    if (auto f = writeTemporary(name, *old, permissions, temp)) return f;
    if (auto f = renamePath(temp.path, name)) {
        QFile::remove(temp.path);
        return f;
    }
    return std::nullopt;
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
    const bool existed = exists(name);
    QFile f(pathOf(name));
    if (!f.open(QIODevice::Append)) return failure(name, f.errorString());
    if (created) *created = !existed;
    return std::nullopt;
}

Result Length(std::string_view name, std::int64_t& bytes) {
    if (auto f = injected(Op::Length, name)) return f;
    struct stat st {};
    const QByteArray path = nativePath(name);
    if (::stat(path.constData(), &st) != 0) return failureFromErrno(name, errno);
    bytes = static_cast<std::int64_t>(st.st_size);
    return std::nullopt;
}

Result ReadAll(std::string_view name, std::string& bytes) {
    if (auto f = injected(Op::Read, name)) return f;
    return readRaw(name, bytes);
}

Result Remove(std::string_view name) {
    if (auto f = injected(Op::Delete, name)) return f;
    if (const int e = posixUnlink(nativePath(name))) return failureFromErrno(name, e);
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

Result Apply(const std::vector<Change>& changes) {
    using Kind = Change::Kind;
    // What each written or deleted file held before, and its permissions, to
    // put back on failure.
    std::vector<std::optional<std::string>> before(changes.size());
    std::vector<mode_t> permissions(changes.size());
    for (size_t i = 0; i < changes.size(); ++i) {
        const Change& c = changes[i];
        if (c.kind == Kind::Move) {
            if (exists(c.name) && !SameFile(c.from, c.name)) return Failure{c.name, "The file already exists."};
            continue;
        }
        permissions[i] = permissionsFor(c.name);
        if (!exists(c.name)) continue;
        if (c.kind == Kind::Write)
            if (auto f = refuseReadOnly(c.name)) return f;
        std::string old;
        if (auto f = ReadAll(c.name, old)) return f;
        before[i] = std::move(old);
    }

    std::vector<Temporary> temps(changes.size());
    auto dropTemporaries = [&] {
        for (auto& t : temps)
            if (!t.path.isEmpty()) QFile::remove(t.path);
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        const Change& c = changes[i];
        if (c.kind != Kind::Write) continue;
        Result f = injected(Op::Write, c.name);
        if (!f) f = writeTemporary(c.name, c.bytes, permissions[i], temps[i]);
        if (f) {
            dropTemporaries();
            return f;
        }
    }

    // The steps done so far, undone in reverse order when a later one fails.
    std::vector<size_t> done;
    auto undo = [&](Failure failed) -> Result {
        dropTemporaries();
        std::string trouble;
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            const Change& c = changes[*it];
            Result f;
            if (c.kind == Kind::Move) {
                if (const int e = posixRename(nativePath(c.name), nativePath(c.from))) f = failureFromErrno(c.from, e);
            } else if (c.kind == Kind::Write || before[*it]) {
                f = restore(c.name, before[*it], permissions[*it]);
            }
            if (f) trouble += " \"" + f->file + "\" could not be put back either: " + f->reason;
        }
        failed.reason += trouble;
        failed.filesKept = trouble.empty();
        return failed;
    };

    for (Kind kind : {Kind::Write, Kind::Move, Kind::Delete}) {
        for (size_t i = 0; i < changes.size(); ++i) {
            const Change& c = changes[i];
            if (c.kind != kind) continue;
            Result f;
            switch (kind) {
            case Kind::Write:
                f = injected(Op::Rename, c.name);
                if (!f) f = renamePath(temps[i].path, c.name);
                if (!f) temps[i].path.clear();
                break;
            case Kind::Move:
                f = injected(Op::Rename, c.name);
                if (!f)
                    if (const int e = posixRename(nativePath(c.from), nativePath(c.name))) f = failureFromErrno(c.name, e);
                break;
            case Kind::Delete:
                f = Remove(c.name);
                break;
            }
            if (f) return undo(*f);
            done.push_back(i);
        }
    }
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
void SetNameHook(NameHook hook) { g_nameHook = std::move(hook); }

}  // namespace filegroup

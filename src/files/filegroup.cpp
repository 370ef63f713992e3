#include "files/filegroup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <optional>

#include "files/ansi.h"
#include "files/grouprecord.h"

namespace filegroup {

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
    // replaces or a delete removes its name, to put it back; its length then.
    int old = -1;
    std::int64_t oldLength = 0;
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
    if (auto f = readOpened(p.old, p.oldLength, bytes, name)) return f;
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

Result EnsureExists(std::string_view name, bool* created) { return ensureExists(name, created, true); }
Result Length(std::string_view name, std::int64_t& bytes) { return length(name, bytes, true); }
Result ReadAll(std::string_view name, std::string& bytes, const ReadBound& bound) {
    return readAll(name, bytes, true, bound);
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

std::size_t NameBytesOnDisk(std::string_view name) {
    return static_cast<std::size_t>(QFile::encodeName(ansi::toQString(name)).size());
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
        // A write goes to the file its name leads to now: checked here, and
        // replaced by a rename onto that very path, so that a link put in its
        // place afterwards is replaced, never followed.
        if (c.kind == Kind::Write) {
            if (auto f = resolve(c.name, p.path)) return f;
        } else {
            p.path = absolutePath(nativePath(c.name));
        }
        if (c.kind == Kind::Move) p.from = absolutePath(nativePath(c.from));
        struct stat st {};
        const bool there =
            (c.kind == Kind::Write ? ::lstat(p.path.constData(), &st) : ::stat(p.path.constData(), &st)) == 0;
        // The folder takes the new name, or loses the old one.
        if ((there || c.kind != Kind::Delete) && ::access(folderOf(p.path).constData(), W_OK | X_OK) != 0)
            return systemFailure(c.name, errno);
        // A copy is no more open to others than the file it copies, also where
        // its name was made empty beforehand.
        std::optional<mode_t> copied;
        struct stat source {};
        if (c.kind == Kind::Write && !c.copyOf.empty() && ::stat(nativePath(c.copyOf).constData(), &source) == 0)
            copied = source.st_mode & 0777;
        if (!there) {
            p.mode = copied;
            continue;
        }
        if (c.kind == Kind::Move) {
            if (!SameFile(c.from, c.name)) return Failure{c.name, "The file already exists."};
            continue;
        }
        if (!S_ISREG(st.st_mode)) return Failure{c.name, notRegular(st.st_mode)};
        p.mode = st.st_mode & (copied ? *copied | 07000 : 07777);
        // A file the user made read-only (or may not write) is not replaced,
        // though renaming over it would work.
        if (c.kind == Kind::Write && (st.st_mode & 0222) == 0)
            return Failure{c.name, "The file is read-only."};
        if (c.kind == Kind::Write && ::access(p.path.constData(), W_OK) != 0) return systemFailure(c.name, errno);
        if (!group) continue;
        if (auto f = injected(Op::Read, c.name)) return f;
        if (auto f = openForReading(p.path, c.name, c.kind == Kind::Write ? O_NOFOLLOW : 0, ReadBound{}, false, p.old,
                                    p.oldLength))
            return f;
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

Result CopyFiles(const std::vector<CopyStep>& steps) {
    std::vector<Change> writes;
    for (const CopyStep& step : steps) {
        std::string bytes;
        if (auto f = ReadAll(step.from, bytes, step.bound)) return f;
        writes.push_back(Change::Copy(step.to, std::move(bytes), step.from));
    }
    return Apply(writes);
}

}  // namespace filegroup

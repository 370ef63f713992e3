#include "files/grouprecord.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>

#include "files/recordkey.h"

namespace filegroup {
namespace detail {
namespace {

constexpr char kHeader[] = "runemill file group";
// A pointer: the record of a group with files here lies in another folder.
constexpr char kPointerHeader[] = "runemill file group elsewhere";
constexpr char kIdPrefix[] = "id ";
constexpr char kRecordPrefix[] = ".runemill-group-";
constexpr char kTemporaryPrefix[] = ".runemill-";
// The most a record or pointer holds: a few steps, each two paths of at most
// PATH_MAX bytes, percent-encoded.
constexpr std::int64_t kMaxRecordBytes = std::int64_t{1} << 20;

// A path in a record: a file in the record's own folder by its name alone,
// so that the record still holds when the folder is moved or renamed.
QByteArray encoded(const QByteArray& path, const QByteArray& folder) {
    const bool here = path.startsWith(folder + '/') && path.indexOf('/', folder.size() + 1) < 0;
    return (here ? path.mid(folder.size() + 1) : path).toPercentEncoding("/");
}

// A record names its group by a random id, which its pointers repeat: a
// pointer leads to this very record only with its id, under the check.
QByteArray newGroupId() {
    quint32 random[4];
    QRandomGenerator::system()->fillRange(random);
    return QByteArray(reinterpret_cast<const char*>(random), sizeof random).toHex();
}

QByteArray recordText(const QByteArray& id, const std::vector<Step>& steps, const QByteArray& folder) {
    QByteArray text = QByteArray(kHeader) + '\n' + kIdPrefix + id + '\n';
    for (const Step& s : steps) {
        if (s.kind == Step::Kind::Rename)
            text += "rename " + encoded(s.from, folder) + ' ' + encoded(s.path, folder) + '\n';
        else text += "delete " + encoded(s.path, folder) + '\n';
    }
    return text + "end\n";
}

QByteArray pointerText(const QByteArray& id, const QByteArray& record) {
    return QByteArray(kPointerHeader) + '\n' + record.toPercentEncoding("/") + '\n' + kIdPrefix + id + "\nend\n";
}

// What a whole record or pointer says; nothing for any other text.
struct Parsed {
    QByteArray id;
    std::vector<Step> steps;          // a record's
    std::optional<QByteArray> record;  // a pointer's: the record's path
};

std::optional<QByteArray> idLine(const QByteArray& line) {
    const QByteArray id = line.mid(qsizetype(sizeof kIdPrefix) - 1);
    const auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
    if (!line.startsWith(kIdPrefix) || id.size() != 32 || !std::all_of(id.begin(), id.end(), hex)) return std::nullopt;
    return id;
}

// Paths of files in `folder` come by name alone, others whole.
std::optional<Parsed> parse(const QByteArray& text, const QByteArray& folder) {
    const QList<QByteArray> lines = text.split('\n');
    const qsizetype n = lines.size();
    if (n < 4 || lines[n - 2] != "end" || !lines[n - 1].isEmpty()) return std::nullopt;
    Parsed parsed;
    if (lines[0] == kPointerHeader) {
        const auto id = n == 5 ? idLine(lines[2]) : std::nullopt;
        if (!id) return std::nullopt;
        parsed.id = *id;
        parsed.record = QByteArray::fromPercentEncoding(lines[1]);
        return parsed;
    }
    const auto id = idLine(lines[1]);
    if (lines[0] != kHeader || !id) return std::nullopt;
    parsed.id = *id;
    for (qsizetype i = 2; i < n - 2; ++i) {
        QList<QByteArray> words = lines[i].split(' ');
        for (qsizetype w = 1; w < words.size(); ++w) {
            words[w] = QByteArray::fromPercentEncoding(words[w]);
            if (words[w].contains('\0')) return std::nullopt;
            if (words[w].startsWith('/')) continue;
            const bool name = !words[w].isEmpty() && words[w] != "." && words[w] != ".." && !words[w].contains('/');
            if (!name) return std::nullopt;
            words[w] = folder + '/' + words[w];
        }
        if (words.size() == 3 && words[0] == "rename") parsed.steps.push_back(Step::Rename(words[1], words[2]));
        else if (words.size() == 2 && words[0] == "delete") parsed.steps.push_back(Step::Delete(words[1]));
        else return std::nullopt;
    }
    return parsed;
}

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// The names in a folder, read through its open descriptor.
std::vector<QByteArray> namesAt(int folder) {
    std::vector<QByteArray> names;
    const int own = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = own >= 0 ? ::fdopendir(own) : nullptr;
    if (!dir) {
        if (own >= 0) ::close(own);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

// A path as a reason quotes it: cut, since a stranger chose it.
std::string quoted(const QByteArray& path) { return Quoted(spelled(path)); }

int openFolder(const QByteArray& path) { return ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

bool digitsOnly(const QByteArray& text) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return !text.isEmpty() && text.size() <= 10 && std::all_of(text.begin(), text.end(), digit);
}

// The process that wrote a temporary file of this module, from its name
// (".runemill-" PID "-" count); 0 for every other name.
pid_t temporaryOwner(const QByteArray& name) {
    if (!name.startsWith(kTemporaryPrefix)) return 0;
    const QList<QByteArray> parts = name.mid(qsizetype(sizeof kTemporaryPrefix) - 1).split('-');
    if (parts.size() != 2 || !digitsOnly(parts[0]) || !digitsOnly(parts[1])) return 0;
    return static_cast<pid_t>(parts[0].toLong());
}

// A file as the system knows it, whatever path leads to it.
using FileId = std::pair<dev_t, ino_t>;

std::optional<FileId> idAt(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return FileId(st.st_dev, st.st_ino);
}

// Removes the temporary files (this user's own) of processes that no longer
// run, except those a kept record still needs. A process that runs (or may
// not be asked, being another user's) keeps its own.
void removeLeftTemporaries(const QByteArray& folder, const std::vector<FileId>& needed) {
    const Fd dir(openFolder(folder));
    if (dir.fd < 0) return;
    for (const QByteArray& name : namesAt(dir.fd)) {
        const pid_t owner = temporaryOwner(name);
        if (owner == 0 || ::kill(owner, 0) == 0 || errno != ESRCH) continue;
        struct stat st {};
        if (::fstatat(dir.fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        if (std::find(needed.begin(), needed.end(), FileId(st.st_dev, st.st_ino)) == needed.end())
            ::unlinkat(dir.fd, name.constData(), 0);
    }
}

void addOnce(std::vector<QByteArray>& list, const QByteArray& item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

// Opens the record or pointer `name` in the folder open at `at` (or at a
// path) and reads it, when it is a regular file of this user's (a link is not
// followed) no longer than a record gets; `fd` stays open on it, or -1 with
// the failure that says why it was refused.
Result openRecordFile(const QByteArray& name, int& fd, QByteArray& text, int at = AT_FDCWD) {
    std::int64_t length = 0;
    if (auto f = openForReading(name, spelled(name), O_NOFOLLOW, ReadBound{kMaxRecordBytes}, true, fd, length, at))
        return f;
    std::string bytes;
    if (auto f = readOpened(fd, length, bytes, spelled(name))) {
        ::close(fd);
        fd = -1;
        return f;
    }
    text = QByteArray::fromStdString(bytes);
    return std::nullopt;
}

// openRecordFile, when no running process holds the record: its writer holds
// its lock, and a record replaced or removed since it was opened is no longer
// the one named. `fd` stays -1 when it is held or gone.
Result takeUnheld(const QByteArray& path, int& fd, QByteArray& text) {
    fd = -1;
    struct stat named {};
    if (::lstat(path.constData(), &named) != 0) return std::nullopt;
    if (auto f = openRecordFile(path, fd, text)) return f;
    struct stat opened {};
    if ((::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) || ::fstat(fd, &opened) != 0 ||
        ::lstat(path.constData(), &named) != 0 || opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
        ::close(fd);
        fd = -1;
    }
    return std::nullopt;
}

// Whether the folder of a path is there: a step in a folder that is not (a
// medium not mounted) cannot be told done.
bool reachable(const QByteArray& path) {
    struct stat st {};
    return ::stat(folderOf(path).constData(), &st) == 0;
}

}  // namespace

std::vector<Failure> perform(const std::vector<Step>& steps, bool ask) {
    std::vector<Failure> failures;
    for (const Step& s : steps) {
        const bool deletes = s.kind == Step::Kind::Delete;
        if (ask)
            if (auto f = injected(deletes ? Op::Delete : Op::Rename, spelled(s.path))) {
                failures.push_back(*f);
                continue;
            }
        int error = 0;
        struct stat st {};
        if (deletes) error = unlinkFile(s.path);
        else if (::lstat(s.from.constData(), &st) != 0) error = errno == ENOENT ? 0 : errno;  // ENOENT: done
        else error = renameFile(s.from, s.path);
        if (error == 0 && !reachable(deletes ? s.path : s.from)) error = ENOENT;
        if (error != 0) failures.push_back(systemFailure(spelled(s.path), error));
    }
    return failures;
}

namespace {

// A name for a record in `folder` that no file has: one left by an earlier
// run under this process id stays for recovery.
Result freeRecordName(const QByteArray& folder, QByteArray& path) {
    const QByteArray stem = folder + '/' + kRecordPrefix + QByteArray::number(::getpid()) + '-';
    for (unsigned n = 1; n <= 1000; ++n) {
        struct stat st {};
        if (::lstat((stem + QByteArray::number(n)).constData(), &st) != 0 && errno == ENOENT) {
            path = stem + QByteArray::number(n);
            return std::nullopt;
        }
    }
    return systemFailure(spelled(stem), EEXIST);
}

// Puts `text` at `path` whole, with its check: written to a temporary beside
// it that nobody else may read, flushed, renamed, the folder synced; the hook
// asked when `ask`. The temporary stays open and locked in `locks`.
Result placeFile(const QByteArray& path, const QByteArray& text, bool ask, std::vector<int>& locks) {
    const std::string name = spelled(path);
    if (ask)
        if (auto f = injected(Op::Write, name)) return f;
    QByteArray sealed;
    if (auto f = Seal(text, sealed)) return f;
    QByteArray temp;
    const int fd = createTemporary(path, temp);
    if (fd < 0) return systemFailure(name, -fd);
    // Held until the record is removed: no other process finishes a group
    // that is under way. A file system without locks leaves the single
    // instance as the only guard.
    ::flock(fd, LOCK_EX);
    locks.push_back(fd);
    Result f;
    if (::fchmod(fd, 0600) != 0) f = systemFailure(name, errno);
    if (!f)
        if (const int e = writeAll(fd, sealed.toStdString())) f = systemFailure(name, e);
    if (!f) f = flushFile(fd, name, ask);
    if (!f && ask) f = injected(Op::Rename, name);
    if (!f)
        if (const int e = renameFile(temp, path)) f = systemFailure(name, e);
    if (f) {
        ::unlink(temp.constData());
        return f;
    }
    return syncFolder(folderOf(path), ask);
}

}  // namespace

Result Record::begin(const QByteArray& folder, const std::vector<Step>& steps) {
    folder_ = folder;
    id_ = newGroupId();
    Result f = freeRecordName(folder, path_);
    // The group's other folders get a pointer to the record, so that a start
    // in any of them finishes the group before it reads a file there. They
    // come first: a whole record always has them, which shows that its steps
    // in those folders are the program's.
    std::vector<QByteArray> folders = {folder};
    for (const Step& s : steps) {
        const QByteArray other = folderOf(s.path);
        if (f || std::find(folders.begin(), folders.end(), other) != folders.end()) continue;
        folders.push_back(other);
        QByteArray pointer;
        f = freeRecordName(other, pointer);
        if (!f) f = placeFile(pointer, pointerText(id_, path_), false, locks_);
        if (!f) pointers_.push_back(pointer);
    }
    if (!f) f = place(steps, true);
    if (f) end();
    return f;
}

Result Record::replace(const std::vector<Step>& steps) {
    if (path_.isEmpty()) return std::nullopt;  // a group of one change has no record
    return place(steps, true);
}

Result Record::place(const std::vector<Step>& steps, bool ask) {
    return placeFile(path_, recordText(id_, steps, folder_), ask, locks_);
}

void Record::end() {
    if (!path_.isEmpty()) {
        // For good before anything else changes: a record found again would
        // carry out its deletions once more.
        unlinkFile(path_);
        syncFolder(folder_, false);
        path_.clear();
    }
    for (const QByteArray& pointer : pointers_) {
        unlinkFile(pointer);
        syncFolder(folderOf(pointer), false);
    }
    pointers_.clear();
    for (int fd : locks_) ::close(fd);
    locks_.clear();
}

namespace {

struct Recovery {
    std::vector<Failure> failures;
    std::vector<QByteArray> folders;  // where temporaries may be left
    std::vector<FileId> needed;       // temporaries that kept records name
};

// The checked text of the record or pointer open in `text`, as parsed.
std::optional<Parsed> checked(const QByteArray& text, const QByteArray& folder, std::string& why) {
    const auto body = Unsealed(text, why);
    if (!body) return std::nullopt;
    auto parsed = parse(*body, folder);
    if (!parsed) why = "It is no whole record of files changed together";
    return parsed;
}

// The pointers in the folder open at `folder` to the group `id`, by name.
std::vector<QByteArray> pointersTo(int folder, const QByteArray& id) {
    std::vector<QByteArray> found;
    for (const QByteArray& name : namesAt(folder)) {
        if (!name.startsWith(kRecordPrefix)) continue;
        int fd = -1;
        QByteArray text;
        if (openRecordFile(name, fd, text, folder)) continue;
        ::close(fd);
        std::string why;
        const auto parsed = checked(text, {}, why);
        if (parsed && parsed->record && parsed->id == id) found.push_back(name);
    }
    return found;
}

// A path as its words say, without "." and with ".." taking away the word
// before: links not followed, so that paths that differ only so are one.
QByteArray plain(const QByteArray& path) {
    QList<QByteArray> kept;
    for (const QByteArray& word : path.split('/')) {
        if (word.isEmpty() || word == ".") continue;
        if (word == "..") {
            if (!kept.isEmpty()) kept.removeLast();
        } else {
            kept.push_back(word);
        }
    }
    return '/' + kept.join('/');
}

// Where the steps of one record may act, judged before the first step and
// again as each step runs: files of the record's own folder, or of a folder
// that holds a pointer to this very group; no folder moved, and nothing
// reached through a link that an earlier step of the record made or moved.
class Wall {
public:
    Wall(const QByteArray& folder, QByteArray id) : id_(std::move(id)) {
        const Fd own(openFolder(folder));
        if (own.fd >= 0)
            if (const auto i = idAt(own.fd)) allowed_.push_back(*i);
    }

    // Why a step may not act on `path` now; `folder` open on its folder then
    // (-1 with no reason: the folder is not there).
    std::optional<std::string> enter(const QByteArray& path, Fd& folder) {
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
        if (name.isEmpty() || name == "." || name == "..")
            return "It names " + quoted(path) + ", which is no file's name";
        if (const auto why = behindMoved(folderOf(path))) return why;
        folder.fd = openFolder(folderOf(path));
        if (folder.fd < 0) return std::nullopt;
        const auto id = idAt(folder.fd);
        if (id && std::find(allowed_.begin(), allowed_.end(), *id) != allowed_.end()) return std::nullopt;
        if (!id || pointersTo(folder.fd, id_).empty())
            return "It names " + quoted(path) + ", in a folder that holds no pointer to it";
        allowed_.push_back(*id);
        return std::nullopt;
    }

    // Why `name` in the folder open at `folder` may not be renamed; a link
    // that is is remembered.
    std::optional<std::string> moving(const QByteArray& path, int folder) {
        struct stat st {};
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
        if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
        if (S_ISDIR(st.st_mode)) return "It would move the folder " + quoted(path);
        if (S_ISLNK(st.st_mode)) links_.emplace_back(st.st_dev, st.st_ino);
        return std::nullopt;
    }

    // A rename's two names: what later steps may not pass through.
    void moved(const Step& s) {
        moved_.push_back(plain(s.from));
        moved_.push_back(plain(s.path));
    }

private:
    std::optional<std::string> behindMoved(const QByteArray& folder) const {
        const QByteArray words = plain(folder);
        for (const QByteArray& m : moved_)
            if (words == m || words.startsWith(m + '/'))
                return "It reaches " + quoted(folder) + " through " + quoted(m) +
                       ", which an earlier step of it renames";
        // Each folder on the way, as the system finds it.
        for (qsizetype at = 1; at <= folder.size(); ++at) {
            if (at < folder.size() && folder[at] != '/') continue;
            const QByteArray prefix = folder.left(at);
            struct stat st {};
            if (::lstat(prefix.constData(), &st) == 0 && S_ISLNK(st.st_mode) &&
                std::find(links_.begin(), links_.end(), FileId(st.st_dev, st.st_ino)) != links_.end())
                return "It reaches " + quoted(folder) + " through the link " + quoted(prefix) +
                       ", which an earlier step of it moved";
        }
        return std::nullopt;
    }

    QByteArray id_;
    std::vector<FileId> allowed_;  // folders its steps may act in
    std::vector<QByteArray> moved_;
    std::vector<FileId> links_;
};

Failure refusal(const QByteArray& path, const std::string& why) {
    return Failure{spelled(path), why + "; nothing of it was done, and it stays.", true, true};
}

// Why the steps may not be carried out at all, judged before the first as
// the wall judges each step (a folder that is not there is judged by name
// alone). When the record was reached through a pointer in `pointerFolder`, it
// must name files of that folder too.
std::optional<std::string> stepsRefusal(const std::vector<Step>& steps, Wall wall, const QByteArray* pointerFolder) {
    bool namesPointerFolder = pointerFolder == nullptr;
    const Fd pointerAt(pointerFolder ? openFolder(*pointerFolder) : -1);
    const auto pointerFolderId = pointerAt.fd >= 0 ? idAt(pointerAt.fd) : std::nullopt;
    for (const Step& s : steps) {
        const bool renames = s.kind == Step::Kind::Rename;
        for (const QByteArray* path : {&s.from, &s.path}) {
            if (!renames && path == &s.from) continue;
            Fd folder;
            if (const auto why = wall.enter(*path, folder)) return why;
            if (folder.fd >= 0 && idAt(folder.fd) == pointerFolderId) namesPointerFolder = true;
            if (renames && path == &s.from && folder.fd >= 0)
                if (const auto why = wall.moving(*path, folder.fd)) return why;
        }
        if (renames) wall.moved(s);
    }
    if (!namesPointerFolder)
        return "A pointer to it in " + quoted(*pointerFolder) + " leads here, but it names no file there";
    return std::nullopt;
}

// A step whose folder is not there (a medium not mounted, or a folder that
// only an earlier step could make) cannot be judged: none is carried out,
// and the record stays for the next start.
Result missingFolder(const std::vector<Step>& steps) {
    for (const Step& s : steps)
        for (const QByteArray* path : {&s.from, &s.path}) {
            if (path->isEmpty()) continue;
            const Fd folder(openFolder(folderOf(*path)));
            if (folder.fd < 0) return systemFailure(spelled(*path), errno);
        }
    return std::nullopt;
}

// Carries out the steps not done yet, each judged by the wall again as it
// runs (what lies in a folder may change meanwhile) and acting on the folder
// the wall judged: a step whose folder is gone fails, and a step the wall
// stops ends the record there.
std::vector<Failure> carryOut(const std::vector<Step>& steps, Wall& wall) {
    std::vector<Failure> failures;
    for (const Step& s : steps) {
        const bool renames = s.kind == Step::Kind::Rename;
        Fd from, to;
        std::optional<std::string> why = wall.enter(s.path, to);
        if (!why && renames) why = wall.enter(s.from, from);
        if (!why && renames && from.fd >= 0) why = wall.moving(s.from, from.fd);
        if (why) {
            failures.push_back(Failure{spelled(s.path), *why + "; it was not done, nor any step after it."});
            break;
        }
        int error = 0;
        const QByteArray name = s.path.mid(s.path.lastIndexOf('/') + 1);
        if (to.fd < 0 || (renames && from.fd < 0)) {
            error = ENOENT;  // a folder that is not there (a medium not mounted)
        } else if (!renames) {
            if (::unlinkat(to.fd, name.constData(), 0) != 0 && errno != ENOENT) error = errno;
        } else {
            const QByteArray fromName = s.from.mid(s.from.lastIndexOf('/') + 1);
            struct stat st {};
            // A source that is gone was renamed before.
            if (::fstatat(from.fd, fromName.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                error = errno == ENOENT ? 0 : errno;
            else if (::renameat(from.fd, fromName.constData(), to.fd, name.constData()) != 0)
                error = errno;
        }
        if (renames) wall.moved(s);
        if (error != 0) failures.push_back(systemFailure(spelled(s.path), error));
    }
    return failures;
}

// The temporaries a record that stays names are kept for it.
void keepSources(const std::vector<Step>& steps, Recovery& r) {
    struct stat st {};
    for (const Step& s : steps)
        if (s.kind == Step::Kind::Rename && ::lstat(s.from.constData(), &st) == 0)
            r.needed.emplace_back(st.st_dev, st.st_ino);
}

// A record that is not whole or not checked may still be the program's, cut
// short or written before the check: every file it names in its folder, as
// far as it can be read, is kept for it.
void keepNamedIn(const QByteArray& text, const QByteArray& folder, Recovery& r) {
    for (const QByteArray& line : text.split('\n'))
        for (const QByteArray& word : line.split(' ')) {
            const QByteArray name = QByteArray::fromPercentEncoding(word);
            const QByteArray path = name.startsWith('/') ? name : folder + '/' + name;
            if (name.isEmpty() || name.contains('\0') || folderOf(path) != folder) continue;
            struct stat st {};
            if (::lstat(path.constData(), &st) == 0) r.needed.emplace_back(st.st_dev, st.st_ino);
        }
}

// The pointer a record was reached through: its folder and group.
struct Via {
    QByteArray folder;
    QByteArray id;
};

// Finishes the record (or the record a pointer names) at `path` unless a
// running process holds it, and removes it; false when it stays. A record
// reached through a pointer (`via`) leads no further.
bool finishRecord(const QByteArray& path, Recovery& r, const Via* via = nullptr) {
    int fd = -1;
    QByteArray text;
    if (auto f = takeUnheld(path, fd, text)) {
        r.failures.push_back(refusal(path, f->reason));
        return false;
    }
    if (fd < 0) return false;
    const Fd held(fd);
    const QByteArray folder = folderOf(path);
    std::string why;
    const auto parsed = checked(text, folder, why);
    bool done = false;
    if (!parsed) {
        r.failures.push_back(refusal(path, why));
        keepNamedIn(text, folder, r);
    } else if (parsed->record && !via) {
        // A record that is gone took its group with it.
        const QByteArray& record = *parsed->record;
        struct stat st {};
        if (!record.startsWith('/') || !record.mid(record.lastIndexOf('/') + 1).startsWith(kRecordPrefix))
            r.failures.push_back(refusal(path, "It points to " + quoted(record) + ", which is no record's name"));
        else if (::lstat(record.constData(), &st) != 0 && errno == ENOENT)
            done = true;
        else {
            const Via pointer{folder, parsed->id};
            done = finishRecord(record, r, &pointer);
        }
    } else if (parsed->record) {
        r.failures.push_back(refusal(path, "It is a pointer, reached through another pointer"));
    } else if (via && parsed->id != via->id) {
        r.failures.push_back(
            refusal(path, "A pointer in " + quoted(via->folder) + " leads here, but it was written for another group"));
        keepSources(parsed->steps, r);
    } else if (const auto refused = stepsRefusal(parsed->steps, Wall(folder, parsed->id), via ? &via->folder : nullptr)) {
        r.failures.push_back(refusal(path, *refused));
        keepSources(parsed->steps, r);
    } else if (const auto missing = missingFolder(parsed->steps)) {
        r.failures.push_back(*missing);
        keepSources(parsed->steps, r);
    } else {
        Wall wall(folder, parsed->id);
        const std::vector<Failure> trouble = carryOut(parsed->steps, wall);
        std::vector<QByteArray> folders;
        for (const Step& s : parsed->steps) addOnce(folders, folderOf(s.path));
        for (const QByteArray& f : folders) {
            syncFolder(f, false);
            addOnce(r.folders, f);
        }
        r.failures.insert(r.failures.end(), trouble.begin(), trouble.end());
        if (!trouble.empty()) keepSources(parsed->steps, r);
        done = trouble.empty();
        // Its pointers in the group's other folders go with it.
        for (const QByteArray& other : done ? folders : std::vector<QByteArray>{}) {
            const Fd dir(openFolder(other));
            for (const QByteArray& pointer : dir.fd >= 0 ? pointersTo(dir.fd, parsed->id) : std::vector<QByteArray>{})
                ::unlinkat(dir.fd, pointer.constData(), 0);
        }
    }
    if (done) {
        unlinkFile(path);
        syncFolder(folder, false);
    }
    return done;
}

}  // namespace

}  // namespace detail

std::vector<Failure> FinishInterruptedGroups(std::string_view folderName) {
    using namespace detail;
    const QByteArray folder =
        QFile::encodeName(QDir::cleanPath(QFile::decodeName(absolutePath(nativePath(folderName)))));
    Recovery r;
    r.folders.push_back(folder);
    const Fd dir(openFolder(folder));
    for (const QByteArray& name : dir.fd >= 0 ? namesAt(dir.fd) : std::vector<QByteArray>{})
        if (name.startsWith(kRecordPrefix)) finishRecord(folder + '/' + name, r);
    for (const QByteArray& f : r.folders) removeLeftTemporaries(f, r.needed);
    return r.failures;
}

}  // namespace filegroup

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
#include <algorithm>
#include <cerrno>

namespace filegroup {
namespace detail {
namespace {

constexpr char kHeader[] = "runemill file group";
// A pointer: the record of a group with files here lies in another folder.
constexpr char kPointerHeader[] = "runemill file group elsewhere";
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

QByteArray recordText(const std::vector<Step>& steps, const QByteArray& folder) {
    QByteArray text = QByteArray(kHeader) + '\n';
    for (const Step& s : steps) {
        if (s.kind == Step::Kind::Rename)
            text += "rename " + encoded(s.from, folder) + ' ' + encoded(s.path, folder) + '\n';
        else text += "delete " + encoded(s.path, folder) + '\n';
    }
    return text + "end\n";
}

// The steps of a whole record found in `folder`; nothing for any other text.
std::optional<std::vector<Step>> recordSteps(const QByteArray& text, const QByteArray& folder) {
    const QList<QByteArray> lines = text.split('\n');
    const qsizetype n = lines.size();
    if (n < 3 || lines[0] != kHeader || lines[n - 2] != "end" || !lines[n - 1].isEmpty()) return std::nullopt;
    std::vector<Step> steps;
    for (qsizetype i = 1; i < n - 2; ++i) {
        QList<QByteArray> words = lines[i].split(' ');
        for (qsizetype w = 1; w < words.size(); ++w) {
            words[w] = QByteArray::fromPercentEncoding(words[w]);
            if (words[w].contains('\0')) return std::nullopt;
            if (words[w].startsWith('/')) continue;
            const bool name = !words[w].isEmpty() && words[w] != "." && words[w] != ".." && !words[w].contains('/');
            if (!name) return std::nullopt;
            words[w] = folder + '/' + words[w];
        }
        if (words.size() == 3 && words[0] == "rename") steps.push_back(Step::Rename(words[1], words[2]));
        else if (words.size() == 2 && words[0] == "delete") steps.push_back(Step::Delete(words[1]));
        else return std::nullopt;
    }
    return steps;
}

std::vector<QByteArray> namesIn(const QByteArray& folder) {
    std::vector<QByteArray> names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

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

// Removes the temporary files (this user's own) of processes that no longer
// run, except those a kept record still needs. A process that runs (or may
// not be asked, being another user's) keeps its own.
void removeLeftTemporaries(const QByteArray& folder, const std::vector<FileId>& needed) {
    for (const QByteArray& name : namesIn(folder)) {
        const pid_t owner = temporaryOwner(name);
        if (owner == 0 || ::kill(owner, 0) == 0 || errno != ESRCH) continue;
        const QByteArray path = folder + '/' + name;
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (std::find(needed.begin(), needed.end(), FileId(st.st_dev, st.st_ino)) == needed.end())
            ::unlink(path.constData());
    }
}

void addOnce(std::vector<QByteArray>& list, const QByteArray& item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

// A folder's (any link followed), or a file's itself.
std::optional<FileId> idOf(const QByteArray& path, bool follow = true) {
    struct stat st {};
    if ((follow ? ::stat(path.constData(), &st) : ::lstat(path.constData(), &st)) != 0) return std::nullopt;
    return FileId(st.st_dev, st.st_ino);
}

// Opens the record or pointer at `path` and reads it, when it is a regular
// file of this user's (a link is not followed) no longer than a record gets;
// `fd` stays open on it, or -1 with the failure that says why it was refused.
Result openRecordFile(const QByteArray& path, int& fd, QByteArray& text) {
    std::int64_t length = 0;
    if (auto f = openForReading(path, spelled(path), O_NOFOLLOW, kMaxRecordBytes, true, fd, length)) return f;
    std::string bytes;
    if (auto f = readOpened(fd, length, bytes, spelled(path))) {
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
Result takeUnheld(const QByteArray& path, int& fd, QByteArray& text, FileId& id) {
    fd = -1;
    struct stat named {};
    if (::lstat(path.constData(), &named) != 0) return std::nullopt;
    if (auto f = openRecordFile(path, fd, text)) return f;
    struct stat opened {};
    if ((::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) || ::fstat(fd, &opened) != 0 ||
        ::lstat(path.constData(), &named) != 0 || opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
        ::close(fd);
        fd = -1;
        return std::nullopt;
    }
    id = FileId(opened.st_dev, opened.st_ino);
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

// Puts `text` at `path` whole: written to a temporary beside it, flushed,
// renamed, the folder synced; the hook asked when `ask`. The temporary stays
// open and locked in `locks`.
Result placeFile(const QByteArray& path, const QByteArray& text, bool ask, std::vector<int>& locks) {
    const std::string name = spelled(path);
    if (ask)
        if (auto f = injected(Op::Write, name)) return f;
    QByteArray temp;
    const int fd = createTemporary(path, temp);
    if (fd < 0) return systemFailure(name, -fd);
    // Held until the record is removed: no other process finishes a group
    // that is under way. A file system without locks leaves the single
    // instance as the only guard.
    ::flock(fd, LOCK_EX);
    locks.push_back(fd);
    Result f;
    if (const int e = writeAll(fd, text.toStdString())) f = systemFailure(name, e);
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
        const QByteArray text = QByteArray(kPointerHeader) + '\n' + path_.toPercentEncoding("/") + "\nend\n";
        if (!f) f = placeFile(pointer, text, false, locks_);
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
    return placeFile(path_, recordText(steps, folder_), ask, locks_);
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

// The record a pointer's text names; nothing for any other text.
std::optional<QByteArray> pointerTarget(const QByteArray& text) {
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() != 4 || lines[0] != kPointerHeader || lines[2] != "end") return std::nullopt;
    return QByteArray::fromPercentEncoding(lines[1]);
}

// The record the pointer at `path` names, when it is a pointer of this user's.
std::optional<QByteArray> pointerAt(const QByteArray& path) {
    int fd = -1;
    QByteArray text;
    if (openRecordFile(path, fd, text)) return std::nullopt;
    ::close(fd);
    return pointerTarget(text);
}

// The pointers in `folder` to the record `record`.
std::vector<QByteArray> pointersTo(const QByteArray& folder, const FileId& record) {
    std::vector<QByteArray> found;
    for (const QByteArray& name : namesIn(folder)) {
        if (!name.startsWith(kRecordPrefix)) continue;
        const auto target = pointerAt(folder + '/' + name);
        if (target && idOf(*target, false) == record) found.push_back(folder + '/' + name);
    }
    return found;
}

Failure refusal(const QByteArray& path, const std::string& why) {
    return Failure{spelled(path), why + "; nothing of it was done, and it stays.", true, true};
}

// Why the steps of the record `record` in `folder` are not where the program
// could have put them: each file lies in the record's own folder or in one
// that holds a pointer to this very record, and only files are moved. When
// the record was reached through a pointer in `pointerFolder`, it must name
// files of that folder too.
std::optional<std::string> stepsRefusal(const std::vector<Step>& steps, const QByteArray& folder,
                                        const FileId& record, const QByteArray* pointerFolder) {
    std::vector<std::optional<FileId>> allowed = {idOf(folder)};
    const std::optional<FileId> pointerFolderId = pointerFolder ? idOf(*pointerFolder) : std::nullopt;
    bool namesPointerFolder = pointerFolder == nullptr;
    for (const Step& s : steps) {
        for (const QByteArray* path : {&s.from, &s.path}) {
            if (s.kind == Step::Kind::Delete && path == &s.from) continue;
            const QByteArray name = path->mid(path->lastIndexOf('/') + 1);
            if (name.isEmpty() || name == "." || name == "..")
                return "It names \"" + spelled(*path) + "\", which is no file's name";
            const QByteArray other = folderOf(*path);
            const std::optional<FileId> id = idOf(other);
            // A folder not there (a medium not mounted) fails its steps.
            if (!id) continue;
            if (id == pointerFolderId) namesPointerFolder = true;
            if (std::find(allowed.begin(), allowed.end(), id) != allowed.end()) continue;
            if (pointersTo(other, record).empty())
                return "It names \"" + spelled(*path) + "\", in a folder that holds no pointer to it";
            allowed.push_back(id);
        }
        struct stat st {};
        if (s.kind == Step::Kind::Rename && ::lstat(s.from.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            return "It would move the folder \"" + spelled(s.from) + "\"";
    }
    if (!namesPointerFolder)
        return "A pointer to it in \"" + spelled(*pointerFolder) + "\" leads here, but it names no file there";
    return std::nullopt;
}

// The temporaries a record that stays names are kept for it.
void keepSources(const std::vector<Step>& steps, Recovery& r) {
    struct stat st {};
    for (const Step& s : steps)
        if (s.kind == Step::Kind::Rename && ::lstat(s.from.constData(), &st) == 0)
            r.needed.emplace_back(st.st_dev, st.st_ino);
}

// A record that is not whole may still be the program's, cut short: every
// file it names in its folder, as far as it can be read, is kept for it.
void keepNamedIn(const QByteArray& text, const QByteArray& folder, Recovery& r) {
    for (const QByteArray& line : text.split('\n'))
        for (const QByteArray& word : line.split(' ')) {
            const QByteArray name = QByteArray::fromPercentEncoding(word);
            if (name.isEmpty() || name.contains('/') || name.contains('\0')) continue;
            if (const std::optional<FileId> id = idOf(folder + '/' + name, false)) r.needed.push_back(*id);
        }
}

// Finishes the record (or the record a pointer names) at `path` unless a
// running process holds it, and removes it; false when it stays. A record
// reached through a pointer in `pointerFolder` leads no further.
bool finishRecord(const QByteArray& path, Recovery& r, const QByteArray* pointerFolder = nullptr) {
    int fd = -1;
    QByteArray text;
    FileId id;
    if (auto f = takeUnheld(path, fd, text, id)) {
        r.failures.push_back(refusal(path, f->reason));
        return false;
    }
    if (fd < 0) return false;
    const QByteArray folder = folderOf(path);
    const auto steps = recordSteps(text, folder);
    const auto record = pointerTarget(text);
    bool done = false;
    if (!pointerFolder && record) {
        // A record that is gone took its group with it.
        struct stat st {};
        if (!record->startsWith('/') || !record->mid(record->lastIndexOf('/') + 1).startsWith(kRecordPrefix))
            r.failures.push_back(refusal(path, "It points to \"" + spelled(*record) + "\", which is no record's name"));
        else done = (::lstat(record->constData(), &st) != 0 && errno == ENOENT) || finishRecord(*record, r, &folder);
    } else if (!steps) {
        r.failures.push_back(refusal(path, "It is no whole record of files changed together"));
        keepNamedIn(text, folder, r);
    } else if (const auto why = stepsRefusal(*steps, folder, id, pointerFolder)) {
        r.failures.push_back(refusal(path, *why));
        keepSources(*steps, r);
    } else {
        const std::vector<Failure> trouble = perform(*steps, false);
        for (const Step& s : *steps) addOnce(r.folders, folderOf(s.path));
        for (const QByteArray& f : r.folders) syncFolder(f, false);
        r.failures.insert(r.failures.end(), trouble.begin(), trouble.end());
        if (!trouble.empty()) keepSources(*steps, r);
        done = trouble.empty();
        // Its pointers in the group's other folders go with it.
        for (const QByteArray& other : done ? r.folders : std::vector<QByteArray>{})
            for (const QByteArray& pointer : pointersTo(other, id)) unlinkFile(pointer);
    }
    if (done) {
        unlinkFile(path);
        syncFolder(folder, false);
    }
    ::close(fd);
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
    for (const QByteArray& name : namesIn(folder))
        if (name.startsWith(kRecordPrefix)) finishRecord(folder + '/' + name, r);
    for (const QByteArray& f : r.folders) removeLeftTemporaries(f, r.needed);
    return r.failures;
}

}  // namespace filegroup

#pragma once
// The record of a file group under way, and the recovery that finishes a
// group a run left unfinished. Paths are native bytes and absolute, so that a
// record still names its files when the current folder has changed.
//
// While the renames of a group are under way, a record beside its first file
// lists the renames and deletions that make the group whole, in order. It is
// written only once every new content is flushed under its temporary name,
// and it is itself written to a temporary, flushed, renamed into place and its
// folder synced, so a record is either whole or absent. Whoever finds a whole
// record carries it out: every rename whose source is still there and every
// deletion whose file is still there; a missing source means the step was
// done (its content was on the disk before the record was). So finishing a
// record only ever goes one way. When a step of the group fails, the writer
// first replaces the record, in one rename, by the reverse steps (flushed
// copies of the old contents renamed back, created files deleted, moves
// moved back), so that an undo cut short is finished as an undo. The writer
// holds a lock on the record while it lives; a record nobody holds belongs to
// a run that ended before its group did. Each other folder of the group holds
// a pointer to the record, so that the group is finished from wherever the
// next start looks first; a pointer whose record is gone is stale. Records and
// pointers are the user's alone to read (0600), name their group by a random
// id and end in the check of recordkey.h, which proves this user's program
// wrote them.
#include <QByteArray>
#include <string_view>
#include <vector>

#include "files/filesystem.h"

namespace filegroup {

// Run before anything reads the files of a folder (at start, and when a
// dialog makes another folder the current one): finishes every group whose
// record in `folder`, or whose record a pointer in `folder` names, no running
// process holds, as its record says, then
// removes the temporary files of processes that no longer run from that
// folder and the folders of those groups, and nothing else. A record whose
// steps cannot all be carried out is kept, with the temporaries it names, for
// the next try; the failures say which file and why.
// Only a record or pointer whose check proves this user's program wrote it
// is acted on. Its steps are judged before the first and again as each runs:
// a file of the record's own folder, or of a folder that holds a pointer to
// this very group; no folder moved, nothing reached through a link an earlier
// step moved; a pointer leads only to a record of its group that names files
// of the pointer's folder. A record or pointer without the check, or that asks
// anything else, is no regular file or is another user's, is carried out in
// no part and stays; its failure is `refused`. A record that names a folder
// that is not there is carried out in no part until it is.
std::vector<Failure> FinishInterruptedGroups(std::string_view folder = ".");

// The record as the writer of a group (filegroup::Apply) keeps it.
namespace detail {

struct Step {
    enum class Kind { Rename, Delete };
    Kind kind = Kind::Rename;
    QByteArray from;  // a rename's source
    QByteArray path;  // a rename's destination, or the file deleted

    static Step Rename(QByteArray from, QByteArray to) { return {Kind::Rename, std::move(from), std::move(to)}; }
    static Step Delete(QByteArray path) { return {Kind::Delete, {}, std::move(path)}; }
};

// Carries out the steps not done yet, as the writer undoes its own group; one
// failure for each step that could not be carried out. With `ask`, the hook is asked
// before each rename and deletion, with the destination's path.
std::vector<Failure> perform(const std::vector<Step>& steps, bool ask);

class Record {
public:
    Record() = default;
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;
    ~Record() { end(); }

    // Puts the record of `steps` in place in `folder`; the hook is asked for
    // its write, flush, rename and folder sync. On failure no record is left.
    Result begin(const QByteArray& folder, const std::vector<Step>& steps);
    // Replaces the steps recorded by `steps` in one rename (the start of an
    // undo; the hook is asked as for begin).
    Result replace(const std::vector<Step>& steps);
    // Removes the record, for good, and lets go of it.
    void end();

private:
    Result place(const std::vector<Step>& steps, bool ask);

    QByteArray folder_, path_;
    QByteArray id_;                     // of the group, repeated by its pointers
    std::vector<QByteArray> pointers_;  // to the record, in the group's other folders
    std::vector<int> locks_;            // the open records, locked
};

}  // namespace detail

}  // namespace filegroup

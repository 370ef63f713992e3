#pragma once
// The proof that a record of a file group (grouprecord.h) is this user's
// program's: a check value over its whole text (HMAC-SHA256) under a random
// key made once for the user and kept outside every working folder, in the
// user's configuration folder ("runemill/group-record.key", the folder 0700,
// the key 0600, both made and read without following a link). A stranger who
// prepares a folder can write a record but cannot give it the check, so the
// recovery acts on no record it did not write itself.
#include <QByteArray>
#include <optional>
#include <string>

#include "files/filesystem.h"

namespace filegroup::detail {

// The key's path, as a failure names it.
QByteArray RecordKeyPath();

// `text` followed by its check line; the key is made when there is none yet.
// Fails when the key cannot be made or read (the failure names the key).
Result Seal(const QByteArray& text, QByteArray& sealed);

// The text before the check line when the check is right under this user's
// key; otherwise nothing, and `why` says what is wrong.
std::optional<QByteArray> Unsealed(const QByteArray& sealed, std::string& why);

}  // namespace filegroup::detail

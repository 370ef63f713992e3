#include "files/recordkey.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <array>
#include <cerrno>

namespace filegroup::detail {
namespace {

constexpr char kKeyFolder[] = "runemill";
constexpr char kKeyName[] = "group-record.key";
constexpr qsizetype kKeyBytes = 32;
constexpr char kCheckPrefix[] = "check ";

// Empty when the user has no configuration folder (no home).
QByteArray keyFolder() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QByteArray() : QFile::encodeName(config) + '/' + kKeyFolder;
}

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// The key's folder, opened without following a link: this user's, and
// writable by nobody else, or a stranger could swap the key.
Result openKeyFolder(bool create, Fd& folder, bool& missing) {
    const QByteArray path = keyFolder();
    missing = false;
    if (path.isEmpty()) return Failure{kKeyFolder, "The user has no configuration folder to keep it in"};
    if (create) {
        QDir().mkpath(QFile::decodeName(folderOf(path)));
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return systemFailure(spelled(path), errno);
    }
    folder.fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder.fd < 0) {
        missing = errno == ENOENT;
        return systemFailure(spelled(path), errno);
    }
    struct stat st {};
    if (::fstat(folder.fd, &st) != 0) return systemFailure(spelled(path), errno);
    if (st.st_uid != ::geteuid()) return Failure{spelled(path), "It belongs to another user"};
    if ((st.st_mode & 022) != 0) return Failure{spelled(path), "Other users may change what it holds"};
    return std::nullopt;
}

// The key, when there is one: exactly its bytes, in a regular file of this
// user's that nobody else may read.
Result readKey(int folder, QByteArray& key, bool& missing) {
    const std::string name = spelled(RecordKeyPath());
    missing = false;
    Fd file{::openat(folder, kKeyName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0) {
        const int error = errno;
        missing = error == ENOENT;
        return error == ELOOP ? Failure{name, notRegular(S_IFLNK)} : systemFailure(name, error);
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) return systemFailure(name, errno);
    if (!S_ISREG(st.st_mode)) return Failure{name, notRegular(st.st_mode)};
    if (st.st_uid != ::geteuid()) return Failure{name, "It belongs to another user"};
    if ((st.st_mode & 077) != 0) return Failure{name, "Other users may read it"};
    if (st.st_size != kKeyBytes) return Failure{name, "It does not hold a key of " + std::to_string(kKeyBytes) + " bytes"};
    std::string bytes;
    if (auto f = readOpened(file.fd, kKeyBytes, bytes, name)) return f;
    if (static_cast<qsizetype>(bytes.size()) != kKeyBytes) return Failure{name, "It was cut short while it was read"};
    key = QByteArray::fromStdString(bytes);
    return std::nullopt;
}

// Writes a new key beside its place, flushed, and links it into place: two
// programs that make one at once end with the same key, whole.
Result makeKey(int folder) {
    const std::string name = spelled(RecordKeyPath());
    std::array<quint32, kKeyBytes / 4> random{};
    QRandomGenerator::system()->fillRange(random.data(), random.size());
    const QByteArray temp = QByteArray(".") + kKeyName + '-' + QByteArray::number(::getpid());
    ::unlinkat(folder, temp.constData(), 0);
    Fd file{::openat(folder, temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (file.fd < 0) return systemFailure(name, errno);
    int error = ::fchmod(file.fd, 0600) == 0 ? 0 : errno;
    if (!error) error = writeAll(file.fd, std::string_view(reinterpret_cast<const char*>(random.data()), kKeyBytes));
    if (!error && ::fsync(file.fd) != 0) error = errno;
    if (!error && ::linkat(folder, temp.constData(), folder, kKeyName, 0) != 0 && errno != EEXIST) error = errno;
    ::unlinkat(folder, temp.constData(), 0);
    if (error) return systemFailure(name, error);
    ::fsync(folder);
    return std::nullopt;
}

Result recordKey(bool create, QByteArray& key, bool& missing) {
    Fd folder;
    if (auto f = openKeyFolder(create, folder, missing)) return f;
    Result f = readKey(folder.fd, key, missing);
    if (!f || !missing || !create) return f;
    if (auto made = makeKey(folder.fd)) return made;
    return readKey(folder.fd, key, missing);
}

QByteArray checkOf(const QByteArray& text, const QByteArray& key) {
    return QMessageAuthenticationCode::hash(text, key, QCryptographicHash::Sha256).toHex();
}

}  // namespace

QByteArray RecordKeyPath() { return keyFolder() + '/' + kKeyName; }

Result Seal(const QByteArray& text, QByteArray& sealed) {
    QByteArray key;
    bool missing = false;
    if (auto f = recordKey(true, key, missing)) {
        f->reason = "The key that proves a record of files changed together is this program's cannot be kept: " +
                    f->reason;
        return f;
    }
    sealed = text + kCheckPrefix + checkOf(text, key) + '\n';
    return std::nullopt;
}

std::optional<QByteArray> Unsealed(const QByteArray& sealed, std::string& why) {
    const qsizetype lineStart = sealed.endsWith('\n') ? sealed.lastIndexOf('\n', sealed.size() - 2) + 1 : -1;
    const QByteArray line = lineStart > 0 ? sealed.mid(lineStart, sealed.size() - lineStart - 1) : QByteArray();
    if (!line.startsWith(kCheckPrefix)) {
        why = "It does not carry the check that this user's program puts on its records (those of versions before "
              "the check carry none)";
        return std::nullopt;
    }
    QByteArray key;
    bool missing = false;
    if (auto f = recordKey(false, key, missing)) {
        why = missing ? "This user's program has no key to check it with yet, so it did not write it"
                      : "The key that checks it, " + Quoted(f->file) + ", cannot be read: " + f->reason;
        return std::nullopt;
    }
    const QByteArray text = sealed.left(lineStart);
    const QByteArray expected = checkOf(text, key);
    const QByteArray given = line.mid(qsizetype(sizeof kCheckPrefix) - 1);
    // Compared in full whatever differs, so that the time taken tells nothing.
    unsigned char differs = given.size() == expected.size() ? 0 : 1;
    for (qsizetype i = 0; i < expected.size() && i < given.size(); ++i)
        differs |= static_cast<unsigned char>(given[i] ^ expected[i]);
    if (differs) {
        why = "Its check is not the one this user's program gives its records";
        return std::nullopt;
    }
    return text;
}

}  // namespace filegroup::detail

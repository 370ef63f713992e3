#include "platform/single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace platform {

SingleInstance::SingleInstance(const QString& name, const QString& dir) {
    QString base = dir;
    if (base.isEmpty()) base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty()) base = QDir::tempPath();
    QDir().mkpath(base);
    lockPath_ = QDir(base).filePath(name + QStringLiteral(".lock"));
    socketPath_ = QDir(base).filePath(name + QStringLiteral(".socket"));
}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
    if (lock_) lock_->unlock();
}

bool SingleInstance::claim() {
    lock_ = std::make_unique<QLockFile>(lockPath_);
    lock_->setStaleLockTime(0);  // a lock left by a dead process is taken over
    if (lock_->tryLock(0)) {
        QLocalServer::removeServer(socketPath_);
        server_ = std::make_unique<QLocalServer>();
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::onConnection);
        server_->listen(socketPath_);
        return true;
    }
    // Only a lock that another process holds means that it runs; a lock that
    // cannot be made at all (no writable folder) must not keep the program
    // from starting.
    if (lock_->error() != QLockFile::LockFailedError) {
        lock_.reset();
        return true;
    }
    lock_.reset();
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (socket.waitForConnected(1000)) {
        socket.write("activate\n");
        socket.waitForBytesWritten(1000);
        socket.disconnectFromServer();
    }
    return false;
}

void SingleInstance::onConnection() {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        connect(s, &QLocalSocket::readyRead, this, [this, s] {
            if (s->readAll().contains("activate")) emit activationRequested();
        });
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    }
}

}  // namespace platform

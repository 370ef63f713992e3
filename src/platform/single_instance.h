#pragma once
// One running instance per user: a lock file tells whether another instance
// runs, and a local socket lets a second start ask the first to come forward.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace platform {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `dir` holds the lock and the socket (the user's runtime folder when empty).
    explicit SingleInstance(const QString& name, const QString& dir = QString());
    ~SingleInstance() override;

    // True when this process is the only instance; it then listens for later
    // starts. False when another instance holds the lock; it has been asked to
    // come forward (when it listens) and this process should end.
    bool claim();

signals:
    void activationRequested();

private:
    void onConnection();

    QString lockPath_;
    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace platform

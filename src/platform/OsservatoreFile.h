#pragma once
// Tells when a file is changed, written in place or replaced (as the atomic save does,
// which a plain file watch loses), by this instance or by another one.
#include <QObject>
#include <QString>

class QFileSystemWatcher;

namespace platform {

class FileWatcher : public QObject {
    Q_OBJECT
public:
    FileWatcher(const QString &path, QObject *parent = nullptr);
signals:
    void changed();
private:
    void look();
    QString path_;
    QFileSystemWatcher *watcher_;
    QByteArray last_;
};

} // namespace platform

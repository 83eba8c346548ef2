#include "platform/OsservatoreFile.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

#include "platform/FileSistema.h"

namespace platform {

FileWatcher::FileWatcher(const QString &path, QObject *parent)
    : QObject(parent), path_(path), watcher_(new QFileSystemWatcher(this))
{
    // The folder tells of a file created or renamed over; the file of a write in place.
    watcher_->addPath(QFileInfo(path).absolutePath());
    readFile(path_, &last_);
    watcher_->addPath(path_);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &FileWatcher::look);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &FileWatcher::look);
}

void FileWatcher::look()
{
    // A replaced file is a new file: watched again. Other files of the folder changing
    // say nothing about this one.
    if (!watcher_->files().contains(path_))
        watcher_->addPath(path_);
    QByteArray now;
    readFile(path_, &now);
    if (now == last_)
        return;
    last_ = now;
    emit changed();
}

} // namespace platform

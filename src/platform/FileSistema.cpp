#include "platform/FileSistema.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

bool readFile(const QString &path, QByteArray *content)
{
    // Only plain files: a device or a pipe in a settings file's place would be read
    // for ever.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *content = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool fileExists(const QString &path)
{
    return QFileInfo(path).isFile();
}

bool createIfMissing(const QString &path)
{
    QFile file(path);
    // Append mode creates a missing file and never truncates an existing one.
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

bool replaceFile(const QString &path, const QByteArray &content, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()
        || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace platform

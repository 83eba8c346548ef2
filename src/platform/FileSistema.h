#pragma once
// Whole-file operations of the program: read, create when missing, replace safely.
#include <QByteArray>
#include <QString>

namespace platform {

// Reads the whole file; false when it is missing or unreadable.
bool readFile(const QString &path, QByteArray *content);
bool fileExists(const QString &path);
// Creates the file empty when missing; an existing file is left untouched.
bool createIfMissing(const QString &path);
// Writes a temporary file in the same folder and renames it over path, so a crash
// or a full disk never leaves the file half written. On failure *error says why.
bool replaceFile(const QString &path, const QByteArray &content, QString *error);

} // namespace platform

#pragma once
// Every file-system call of the program: settings files read whole, history files
// created, appended to, emptied and read at positions, fut.txt replaced safely.
// No call here ever blocks on what stands in a file's place: files are opened with
// O_NONBLOCK, and only plain files are read or written (a pipe, device, socket or
// folder in their place is refused, with the reason where a reason is asked for).
#include <QByteArray>
#include <QString>
#include <functional>

namespace platform {

// Reads the whole plain file; false when it is missing, unreadable or not a plain file.
bool readFile(const QString &path, QByteArray *content);
// Whether anything is there under that name (a file, a folder, a link).
bool exists(const QString &path);

// Creates the file empty when missing; an existing plain file is left untouched.
// False when it cannot be created or something other than a plain file is there.
bool createIfMissing(const QString &path);

// Writes a temporary file in the same folder and renames it over path, so a crash or a
// full disk never leaves the file half written. In a folder where no file can be
// created, an existing writable file is written in place instead. On failure *error
// says why (the caller names the file).
bool replaceFile(const QString &path, const QByteArray &content, QString *error);

// Appends the record at the end of the file, creating the file when missing, in one
// O_APPEND write, so records of several instances never mix within a line. A last
// line without its line end (a file edited by hand) is ended first. When the write
// stops half-way the file is cut back so that no partial line remains. The lock that
// instances share is waited for lockWaitMs at most (0: tried once); still held, the
// record goes out without it, or, where lockBusy is given, nothing is written and
// *lockBusy is set. A file size limit makes the append fail: from the first append or
// replaceFile on, SIGXFSZ is ignored, so the limit cannot end the program. On failure
// *error (when given) is an Italian sentence that names the file and the reason.
bool appendRecord(const QString &path, const QByteArray &record, QString *error, int lockWaitMs = 100,
                  bool *lockBusy = nullptr);

// Deletes the file and creates it again empty; a missing file is simply created.
// On failure *error (when given) is an Italian sentence that names the file and the reason.
bool recreateEmpty(const QString &path, QString *error);

// Reads the small file, creating it empty when missing, and writes back what change
// makes of its content, all under the lock that the instances share, so that of several
// instances reading and changing it one after the other each sees the last one's
// content. False (the file untouched) when the lock is not had within about 100 ms or
// the file cannot be read or written; *error (when given) then says why.
bool changeUnderLock(const QString &path, const std::function<QByteArray(const QByteArray &)> &change,
                     QString *error);

// What a plain file was when it was opened.
struct FileFacts {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0; // last change of the content, ns since the epoch
    bool operator==(const FileFacts &) const = default;
};

// A plain file open for reading at positions; closed when destroyed.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString &path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // False when the file is missing, unreadable or not a plain file.
    bool isOpen() const { return fd_ >= 0; }
    const FileFacts &facts() const { return facts_; }
    // Up to maxSize bytes from offset into data: how many, 0 at the end, -1 on error.
    qint64 readAt(qint64 offset, char *data, qint64 maxSize) const;

private:
    int fd_ = -1;
    FileFacts facts_;
};

} // namespace platform

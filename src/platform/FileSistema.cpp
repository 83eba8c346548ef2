#include "platform/FileSistema.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// Why a call failed, in the words the user reads.
QString reasonOf(int code)
{
    switch (code) {
    case EACCES:
    case EPERM:
        return QStringLiteral("accesso negato (file o cartella di sola lettura)");
    case EROFS:
        return QStringLiteral("il disco è di sola lettura");
    case EISDIR:
        return QStringLiteral("al suo posto c'è una cartella");
    case ENOSPC:
        return QStringLiteral("il disco è pieno");
    case EDQUOT:
        return QStringLiteral("lo spazio concesso sul disco è esaurito");
    case EFBIG:
        return QStringLiteral("il file ha raggiunto la dimensione massima consentita");
    case ENAMETOOLONG:
        return QStringLiteral("il nome è troppo lungo");
    case ENOENT:
        return QStringLiteral("la cartella non esiste");
    case ENOTDIR:
        return QStringLiteral("una parte del percorso non è una cartella");
    case ELOOP:
        return QStringLiteral("troppi collegamenti simbolici nel percorso");
    case EIO:
        return QStringLiteral("errore di lettura o scrittura del disco");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("troppi file aperti");
    default:
        return QStringLiteral("errore di sistema %1 (%2)")
            .arg(code)
            .arg(QString::fromLocal8Bit(std::strerror(code)));
    }
}

QString notPlainReason(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("al suo posto c'è una cartella");
    if (S_ISFIFO(mode))
        return QStringLiteral("al suo posto c'è una pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("al suo posto c'è un dispositivo");
    if (S_ISSOCK(mode))
        return QStringLiteral("al suo posto c'è un socket");
    return QStringLiteral("non è un file normale");
}

// The name the kernel sees. A NUL would end it early, on another file.
bool encode(const QString &path, QByteArray *name, QString *reason)
{
    *name = QFile::encodeName(path);
    if (!name->contains('\0'))
        return true;
    *reason = QStringLiteral("il nome contiene un carattere nullo");
    return false;
}

// Opens a plain file without ever waiting: whatever else stands at the path is refused
// before it is opened (a device may act on being opened), and again after, in case it
// was put there in between; O_NONBLOCK keeps a pipe put there from holding the open.
int openPlain(const QString &path, int flags, QString *reason, struct stat *info)
{
    QByteArray name;
    if (!encode(path, &name, reason))
        return -1;
    if (::stat(name.constData(), info) == 0 && !S_ISREG(info->st_mode)) {
        *reason = notPlainReason(info->st_mode);
        return -1;
    }
    int fd;
    do {
        fd = ::open(name.constData(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        *reason = reasonOf(errno);
        return -1;
    }
    const bool known = ::fstat(fd, info) == 0;
    if (!known || !S_ISREG(info->st_mode)) {
        *reason = known ? notPlainReason(info->st_mode) : reasonOf(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

// Under a file size limit (ulimit -f) a write past it raises SIGXFSZ, which ends the
// program; ignored, the write fails with EFBIG and the caller reports it. A handler
// installed by someone else is left alone.
void ignoreFileSizeSignal()
{
    static const bool done = [] {
        struct sigaction current {};
        if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGXFSZ, &ignore, nullptr);
        }
        return true;
    }();
    Q_UNUSED(done);
}

// Instances following the same index hold the lock for one append each. Anything
// holding it longer (a stuck program, a backup) must not hold the record back for long.
bool lockWithin(int fd, int waitMs)
{
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Takes the last `written` bytes of this append back. With O_APPEND the offset ends our
// write; the file is cut only while nothing follows it, so that a record another
// instance appended after ours stays.
void cutBack(int fd, qsizetype written)
{
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    struct stat now {};
    if (end < written || ::fstat(fd, &now) != 0 || now.st_size != end)
        return;
    while (::ftruncate(fd, end - written) != 0 && errno == EINTR) {
    }
}

} // namespace

bool exists(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

bool readFile(const QString &path, QByteArray *content)
{
    content->clear();
    const ReadOnlyFile file(path);
    if (!file.isOpen())
        return false;
    // One byte more than the size, so that the end of the file shows without growing.
    QByteArray data(qsizetype(file.facts().size) + 1, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == data.size())
            data.resize(used + qMax<qsizetype>(used / 2, 65536));
        const qint64 n = file.readAt(used, data.data() + used, data.size() - used);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        used += n;
    }
    data.truncate(used);
    *content = std::move(data);
    return true;
}

bool createIfMissing(const QString &path)
{
    QByteArray name;
    QString reason;
    struct stat info {};
    if (encode(path, &name, &reason) && ::stat(name.constData(), &info) == 0)
        return S_ISREG(info.st_mode);
    const int fd = openPlain(path, O_WRONLY | O_CREAT, &reason, &info);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

bool replaceFile(const QString &path, const QByteArray &content, QString *error)
{
    ignoreFileSizeSignal();
    struct stat info {};
    // Only a plain file is replaced: written in place (below), a pipe would wait for a reader.
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return fail(error, notPlainReason(info.st_mode));
    QSaveFile file(path);
    // In a folder where no temporary file can be made, a writable file is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()
        || !file.commit())
        return fail(error, file.errorString());
    return true;
}

bool appendRecord(const QString &path, const QByteArray &record, QString *error, int lockWaitMs,
                  bool *lockBusy)
{
    if (lockBusy)
        *lockBusy = false;
    ignoreFileSizeSignal();
    QString reason;
    struct stat before {};
    const int fd = openPlain(path, O_RDWR | O_APPEND | O_CREAT, &reason, &before);
    if (fd < 0)
        return fail(error,
                    QStringLiteral("Impossibile aprire il file \"%1\": %2").arg(path, reason));
    // The lock keeps the look at the last byte and the write together, so no record is
    // taken for a line still being written by another instance. Closing releases it.
    const bool locked = lockWithin(fd, lockWaitMs);
    if (!locked && lockBusy && errno == EWOULDBLOCK) {
        ::close(fd);
        *lockBusy = true;
        return false;
    }

    // A last line without its line end (a file edited by hand) would take the record
    // into itself, where no reader finds it: end that line first.
    QByteArray text = record;
    char last = '\n';
    if (::fstat(fd, &before) == 0 && before.st_size > 0
        && ::pread(fd, &last, 1, before.st_size - 1) == 1 && last != '\n' && last != '\r')
        text.prepend("\r\n");

    // A write cut short goes on with the rest while the lock keeps other instances out;
    // a size limit or a full disk then fails the next write, which says why.
    qsizetype written = 0;
    int code = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + written, size_t(text.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            code = n < 0 ? errno : EIO;
            break;
        }
        written += n;
        if (!locked)
            break;
    }
    if (written == text.size()) {
        if (::close(fd) != 0)
            return fail(error, QStringLiteral("Impossibile chiudere il file \"%1\": %2")
                                   .arg(path, reasonOf(errno)));
        return true;
    }
    // Nothing written means nothing to take back.
    if (written > 0)
        cutBack(fd, written);
    ::close(fd);
    reason = code != 0 ? reasonOf(code)
                       : QStringLiteral("scritti %1 byte di %2").arg(written).arg(text.size());
    return fail(error, QStringLiteral("Impossibile scrivere il file \"%1\": %2").arg(path, reason));
}

bool recreateEmpty(const QString &path, QString *error)
{
    QByteArray name;
    QString reason;
    if (encode(path, &name, &reason) && ::unlink(name.constData()) != 0 && errno != ENOENT)
        reason = reasonOf(errno);
    if (!reason.isEmpty())
        return fail(error,
                    QStringLiteral("Impossibile cancellare il file \"%1\": %2").arg(path, reason));
    // No O_TRUNC: a record that another instance appended after the delete is newer
    // than the command and stays.
    struct stat info {};
    const int fd = openPlain(path, O_WRONLY | O_CREAT, &reason, &info);
    if (fd < 0)
        return fail(error,
                    QStringLiteral("Impossibile creare il file \"%1\": %2").arg(path, reason));
    ::close(fd);
    return true;
}

bool changeUnderLock(const QString &path, const std::function<QByteArray(const QByteArray &)> &change,
                     QString *error)
{
    ignoreFileSizeSignal();
    QString reason;
    struct stat info {};
    const int fd = openPlain(path, O_RDWR | O_CREAT, &reason, &info);
    if (fd < 0)
        return fail(error, QStringLiteral("Impossibile aprire il file \"%1\": %2").arg(path, reason));
    const auto done = [fd, error, &path](bool ok, const QString &why) {
        ::close(fd);
        return ok || fail(error, QStringLiteral("File \"%1\": %2").arg(path, why));
    };
    // Held by other instances only for the moment of their own change: the window waits
    // no longer than that.
    if (!lockWithin(fd, 20))
        return done(false, QStringLiteral("occupato da un'altra istanza"));
    QByteArray old;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, off_t(old.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done(false, reasonOf(errno));
        if (n == 0)
            break;
        old.append(buffer, n);
    }
    const QByteArray text = change(old);
    if (text == old)
        return done(true, QString());
    if (::ftruncate(fd, 0) != 0)
        return done(false, reasonOf(errno));
    for (qsizetype written = 0; written < text.size();) {
        const ssize_t n = ::pwrite(fd, text.constData() + written, size_t(text.size() - written), off_t(written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return done(false, reasonOf(n < 0 ? errno : EIO));
        written += n;
    }
    return done(true, QString());
}

ReadOnlyFile::ReadOnlyFile(const QString &path)
{
    QString reason;
    struct stat info {};
    fd_ = openPlain(path, O_RDONLY, &reason, &info);
    if (fd_ < 0)
        return;
    facts_.device = quint64(info.st_dev);
    facts_.inode = quint64(info.st_ino);
    facts_.size = qint64(info.st_size);
    facts_.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

qint64 ReadOnlyFile::readAt(qint64 offset, char *data, qint64 maxSize) const
{
    ssize_t n;
    do {
        n = ::pread(fd_, data, size_t(maxSize), off_t(offset));
    } while (n < 0 && errno == EINTR);
    return n;
}

} // namespace platform

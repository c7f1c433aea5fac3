#include "platform/NewFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Renames without replacing: atomic where the file system supports it, else through a hard
// link, which fails the same way on a taken name. 0, or the errno; EEXIST means "name taken".
int moveNoReplace(const QByteArray& from, const QByteArray& to) {
    if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    if (link(from.constData(), to.constData()) != 0)
        return errno;
    unlink(from.constData());
    return 0;
}

// Writes everything and syncs it to the disk: 0, or the errno. Written past Qt, whose error
// text for a short write does not name the system's reason.
int writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            return errno;
        done += std::max<ssize_t>(n, 0);
    }
    return fsync(fd) == 0 ? 0 : errno;
}

} // namespace

Failure NewFile::failure(const QString& path, const QString& reason) {
    return {QCoreApplication::translate("NewFile", "No se pudo guardar «%1»: %2")
                .arg(QDir::toNativeSeparators(path), reason)};
}

Result<QString> NewFile::write(const QString& folder, const QByteArray& bytes,
                               const NameFor& nameFor) {
    const QDir dir(folder);
    QTemporaryFile temporary(dir.filePath(QStringLiteral(".brindlecap-XXXXXX.part")));
    if (!temporary.open())
        return NewFile::failure(dir.filePath(nameFor(0)), temporary.errorString());
    if (const int error = writeAll(temporary.handle(), bytes))
        return NewFile::failure(dir.filePath(nameFor(0)),
                                QString::fromLocal8Bit(std::strerror(error)));

    const QByteArray from = QFile::encodeName(temporary.fileName());
    int result = EEXIST;
    QString candidate;
    for (int clash = 0; result == EEXIST; ++clash) {
        const QString name = nameFor(clash);
        if (name.isEmpty())
            break;
        candidate = dir.filePath(name);
        result = moveNoReplace(from, QFile::encodeName(candidate));
    }
    if (result != 0)
        return NewFile::failure(candidate, QString::fromLocal8Bit(std::strerror(result)));
    temporary.setAutoRemove(false);
    return candidate;
}

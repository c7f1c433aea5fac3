#include "capture/CaptureFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Far beyond any real burst of captures in one second; a bound so a broken folder cannot spin.
constexpr int maxNumberedNames = 10000;

QString numbered(const QFileInfo& info, int n) {
    if (n == 1)
        return info.filePath();
    const QString suffix = info.suffix();
    const QString name =
        suffix.isEmpty()
            ? QStringLiteral("%1 (%2)").arg(info.fileName()).arg(n)
            : QStringLiteral("%1 (%2).%3").arg(info.completeBaseName()).arg(n).arg(suffix);
    return info.dir().filePath(name);
}

// Renames without replacing: atomic where the file system supports it, else through a hard
// link, which fails the same way on an existing name. EEXIST means "try the next name".
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

} // namespace

QString CaptureFile::freeName(const QString& path) {
    const QFileInfo info(path);
    for (int n = 1; n <= maxNumberedNames; ++n) {
        const QString candidate = numbered(info, n);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    return path;
}

std::optional<QString> CaptureFile::writeNew(const QString& path, const QByteArray& bytes,
                                             QString* error) {
    const QFileInfo info(path);
    QTemporaryFile temporary(info.dir().filePath(QStringLiteral(".brindlecap-XXXXXX.part")));
    if (!temporary.open() || temporary.write(bytes) != bytes.size() || !temporary.flush() ||
        fsync(temporary.handle()) != 0) {
        if (error)
            *error = temporary.errorString();
        return std::nullopt;
    }
    const QByteArray from = QFile::encodeName(temporary.fileName());
    for (int n = 1; n <= maxNumberedNames; ++n) {
        const QString candidate = numbered(info, n);
        const int result = moveNoReplace(from, QFile::encodeName(candidate));
        if (result == 0) {
            temporary.setAutoRemove(false);
            return candidate;
        }
        if (result != EEXIST) {
            if (error)
                *error = QString::fromLocal8Bit(std::strerror(result));
            return std::nullopt;
        }
    }
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(EEXIST));
    return std::nullopt;
}

bool CaptureFile::replace(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

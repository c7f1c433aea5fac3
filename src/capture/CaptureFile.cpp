#include "capture/CaptureFile.h"

#include "platform/NewFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Far beyond any real burst of captures in one second; a bound so a broken folder cannot spin.
constexpr int maxNumberedNames = 10000;

QString numbered(const QFileInfo& info, int n) {
    if (n == 1)
        return info.fileName();
    const QString suffix = info.suffix();
    return suffix.isEmpty()
               ? QStringLiteral("%1 (%2)").arg(info.fileName()).arg(n)
               : QStringLiteral("%1 (%2).%3").arg(info.completeBaseName()).arg(n).arg(suffix);
}

} // namespace

QString CaptureFile::freeName(const QString& path) {
    const QFileInfo info(path);
    for (int n = 1; n <= maxNumberedNames; ++n) {
        const QString candidate = info.dir().filePath(numbered(info, n));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    return path;
}

Result<QString> CaptureFile::writeNew(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    return NewFile::write(info.path(), bytes, [&info](int clash) {
        return clash < maxNumberedNames ? numbered(info, clash + 1) : QString();
    });
}

Status CaptureFile::replace(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return {};
    return NewFile::failure(path, file.errorString());
}

#include "platform/Paths.h"

#include <QDir>
#include <QStandardPaths>

namespace Paths {

QString picturesFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? QDir::homePath() : pictures;
}

QString dataFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QDir::tempPath() : data;
}

} // namespace Paths

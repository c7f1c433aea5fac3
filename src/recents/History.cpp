#include "recents/History.h"

#include "platform/NewFile.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString suffix = QStringLiteral(".png");

QString tr(const char* text) {
    return QCoreApplication::translate("History", text);
}

// A later addition within the same millisecond gets "_001", "_002", ...: '_' sorts after '.',
// so it still comes first in the newest-first name order.
QString entryName(const QDateTime& time, int clash) {
    const QString stamp = QLocale::c().toString(time.toLocalTime(), "yyyyMMdd-HHmmss-zzz");
    if (clash == 0)
        return stamp + suffix;
    return stamp + QStringLiteral("_%1").arg(clash, 3, 10, QLatin1Char('0')) + suffix;
}

// Captures are private: the folder is readable by its owner only.
bool ensureFolder(const QString& path) {
    if (QFileInfo(path).isDir())
        return true;
    QDir().mkpath(QFileInfo(path).path());
    QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QFileInfo(path).isDir();
}

// Thumbnails kept for the drawer, in a folder that never lists as an entry.
const QString keptFolder = QStringLiteral(".thumbnails");
// The drawer's tile image area on a 2x display: one kept size serves scales 1 and 2.
constexpr QSize keptBox(388, 228);

// Texts recognised in the entries, named after them with ".json".
const QString textFolder = QStringLiteral(".text");

// Deletes kept thumbnails and texts whose entry is gone, whoever removed it.
void pruneKept() {
    for (const QString& kept : {keptFolder, textFolder}) {
        const QDir dir(History::folder() + u'/' + kept);
        for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (!QFileInfo::exists(History::folder() + u'/' + info.completeBaseName() + suffix))
                QFile::remove(info.filePath());
        }
    }
}

QImage fitted(QImage image, QSize box) {
    // Palette and 16-bit images scale and store poorly: thumbnails are plain 8-bit colour.
    const QImage::Format plain =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != plain && image.format() != QImage::Format_ARGB32)
        image.convertTo(plain);
    if (image.width() > box.width() || image.height() > box.height())
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(1);
    return image;
}

// Written whole or not at all, so a drawer opened meanwhile never reads half a thumbnail.
void keep(const QImage& thumbnail, const QString& entry) {
    const QString path = History::keptThumbnailPath(entry);
    QDir().mkdir(QFileInfo(path).path());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && thumbnail.save(&file, "PNG"))
        file.commit();
}

// The entry decoded straight to `box`, with its full pixel size from the header.
std::optional<std::pair<QImage, QSize>> decodeFitted(const QString& path, QSize box) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > box.width() || full.height() > box.height()))
        reader.setScaledSize(full.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return std::pair{fitted(image, box), full.isValid() ? full : image.size()};
}

} // namespace

namespace History {

QString folder() {
    return Paths::dataFolder() + QStringLiteral("/Brindlecap/Recientes");
}

bool isEntryName(const QString& name) {
    static const QRegularExpression form(
        QStringLiteral("^[0-9]{8}-[0-9]{6}-[0-9]{3}(_[0-9]{3})?\\.png$"));
    return form.match(name).hasMatch();
}

QStringList items() {
    const QDir dir(folder());
    // Regular files only: a FIFO would block its reader, and a link may point anywhere.
    QStringList names = dir.entryList({QStringLiteral("*.png")},
                                      QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::NoSort);
    names.removeIf([](const QString& name) { return !isEntryName(name); });
    std::sort(names.begin(), names.end(), std::greater<>());
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names)
        paths << dir.filePath(name);
    return paths;
}

QString add(const QByteArray& png) {
    return add(png, QDateTime::currentDateTime());
}

QString add(const QByteArray& png, const QDateTime& time, const QImage& picture) {
    const QString dir = folder();
    if (!ensureFolder(dir))
        return {};

    // Entries are written whole under a name that is never listed, so a crash or a full disk
    // cannot leave a truncated one. Failures are silent: the capture itself went elsewhere.
    const Result<QString> entry = NewFile::write(
        dir, png, [&time](int clash) { return clash < 1000 ? entryName(time, clash) : QString(); });
    if (entry && !picture.isNull())
        keep(fitted(picture, keptBox), *entry);

    const QStringList entries = items();
    for (qsizetype i = capacity; i < entries.size(); ++i)
        QFile::remove(entries[i]);
    pruneKept();
    return entry && QFileInfo::exists(*entry) ? *entry : QString();
}

int clear() {
    const QStringList entries = items();
    for (const QString& entry : entries)
        QFile::remove(entry);
    pruneKept();
    return int(entries.size());
}

bool remove(const QString& entry) {
    const bool removed = QFile::remove(entry) || !QFileInfo::exists(entry);
    pruneKept();
    return removed;
}

bool confirmAndClear(QWidget* parent) {
    const int count = int(items().size());
    if (count == 0)
        return false;

    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setText(tr("¿Vaciar las %1 capturas recientes?").arg(count));
    box.setInformativeText(tr("Se borran definitivamente las copias internas del cajón. No afecta "
                              "a los archivos de tu carpeta de capturas ni a lo que ya pegaste."));
    QPushButton* empty = box.addButton(tr("Vaciar"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(tr("Cancelar"), QMessageBox::RejectRole);
    box.setDefaultButton(empty);
    box.setEscapeButton(cancel);
    // In front even while another application is active.
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();

    if (box.clickedButton() != empty)
        return false;
    clear();
    return true;
}

QString keptThumbnailPath(const QString& path) {
    const QFileInfo entry(path);
    return entry.path() + u'/' + keptFolder + u'/' + entry.fileName();
}

QString keptTextPath(const QString& path) {
    const QFileInfo entry(path);
    return entry.path() + u'/' + textFolder + u'/' + entry.completeBaseName() +
           QStringLiteral(".json");
}

std::optional<std::pair<QImage, QSize>> keptThumbnail(const QString& path, QSize box) {
    if (box.isEmpty())
        return std::nullopt;
    if (box.width() > keptBox.width() || box.height() > keptBox.height())
        return decodeFitted(path, box);

    const QString keptPath = keptThumbnailPath(path);
    QImageReader kept(keptPath);
    const QSize full = QImageReader(path).size();
    if (full.isValid()) {
        const QImage image = kept.read();
        if (!image.isNull())
            return std::pair{fitted(image, box), full};
    }

    std::optional<std::pair<QImage, QSize>> made = decodeFitted(path, keptBox);
    if (!made)
        return std::nullopt;
    keep(made->first, path);
    made->first = fitted(made->first, box);
    return made;
}

} // namespace History

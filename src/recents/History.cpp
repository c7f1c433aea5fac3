#include "recents/History.h"

#include "platform/NewFile.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

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

} // namespace

namespace History {

QString folder() {
    return Paths::dataFolder() + QStringLiteral("/Brindlecap/Recientes");
}

QStringList items() {
    const QDir dir(folder());
    QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    names.removeIf(
        [](const QString& name) { return !name.endsWith(suffix) || name.size() == suffix.size(); });
    std::sort(names.begin(), names.end(), std::greater<>());
    QStringList paths;
    paths.reserve(names.size());
    for (const QString& name : names)
        paths << dir.filePath(name);
    return paths;
}

void add(const QByteArray& png) {
    add(png, QDateTime::currentDateTime());
}

void add(const QByteArray& png, const QDateTime& time) {
    const QString dir = folder();
    if (!ensureFolder(dir))
        return;

    // Entries are written whole under a name that is never listed, so a crash or a full disk
    // cannot leave a truncated one. Failures are silent: the capture itself went elsewhere.
    NewFile::write(
        dir, png, [&time](int clash) { return clash < 1000 ? entryName(time, clash) : QString(); });

    const QStringList entries = items();
    for (qsizetype i = capacity; i < entries.size(); ++i)
        QFile::remove(entries[i]);
}

int clear() {
    const QStringList entries = items();
    for (const QString& entry : entries)
        QFile::remove(entry);
    return int(entries.size());
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

} // namespace History

#pragma once

// Set-up shared by the tests, each of which runs in its own home folder.
#include <QDir>
#include <QFile>
#include <QSettings>

// The settings folder outlives a run: every case starts from the defaults.
inline void forgetSettings() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brindlecap"),
              QStringLiteral("Brindlecap"))
        .clear();
}

// Replaces the file at `path` with `bytes`, making its folder; false when it cannot.
inline bool writeWholeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// A path under a plain file made at `file`: a folder there can be created by nobody, root
// included.
inline QString unmakeableFolder(const QString& file, const QString& inside) {
    writeWholeFile(file, {});
    return file + u'/' + inside;
}

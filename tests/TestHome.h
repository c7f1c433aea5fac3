#pragma once

// Set-up shared by the tests, each of which runs in its own home folder.
#include <QFile>
#include <QSettings>

// The settings folder outlives a run: every case starts from the defaults.
inline void forgetSettings() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brindlecap"),
              QStringLiteral("Brindlecap"))
        .clear();
}

// A path under a plain file made at `file`: a folder there can be created by nobody, root
// included.
inline QString unmakeableFolder(const QString& file, const QString& inside) {
    QFile(file).open(QIODevice::WriteOnly);
    return file + u'/' + inside;
}

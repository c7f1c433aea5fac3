#pragma once

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>

// Makes the test's own home the program's: its single-instance socket in a private runtime folder
// there, and no modal first-run welcome (tested elsewhere). Returns where the program's socket
// will be, or nothing when HOME is not a test home.
inline QString useTestHome() {
    const QString home = QDir::homePath();
    if (!home.contains(QLatin1String("test-home")))
        return {};
    const QString runtime = home + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brindlecap", "Brindlecap")
        .setValue("didShowWelcome", true);
    return runtime + QStringLiteral("/brindlecap.socket");
}

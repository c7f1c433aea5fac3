#pragma once

#include <QDir>
#include <QFile>
#include <QString>

// A private runtime folder in the test's home, so the real program's single-instance socket is
// the test's own; returns it.
inline QString useOwnRuntimeFolder() {
    const QString runtime = QDir::homePath() + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    return runtime;
}

#include "platform/Autostart.h"

#include "platform/NewFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace Autostart {
namespace {

// The program itself, which at login finds no running copy and stays. Told to start only, so
// that a copy already running is left alone instead of starting an area capture.
QString startCommand() {
    const QString beside =
        QCoreApplication::applicationDirPath() + QStringLiteral("/brindlecap-app");
    return QStringLiteral("env BRINDLE_START_ONLY=1 ") +
           execLine(QFileInfo(beside).isExecutable() ? beside : QStringLiteral("brindlecap-app"));
}

} // namespace

QString filePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/brindlecap.desktop");
}

bool isEnabled() {
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && line.left(equals).trimmed() == "Hidden" &&
            line.mid(equals + 1).trimmed() == "true")
            return false;
    }
    return true;
}

QString execLine(const QString& program) {
    // Inside double quotes `"`, backquote, `$` and backslash take a backslash; the value as a
    // whole then doubles every backslash, and a field code's `%` is doubled.
    QString quoted;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("%%"));
    return u'"' + quoted + u'"';
}

Status setEnabled(bool enabled) {
    const QString path = filePath();
    if (!enabled) {
        QFile file(path);
        if (file.exists() && !file.remove())
            return Failure{QCoreApplication::translate("Autostart", "No se pudo borrar «%1»: %2")
                               .arg(QDir::toNativeSeparators(path), file.errorString())};
        return {};
    }
    if (!QDir().mkpath(QFileInfo(path).path()))
        return NewFile::failure(
            path, QCoreApplication::translate("Autostart", "no se pudo crear su carpeta"));
    const QByteArray entry = "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Brindlecap\n"
                             "Icon=brindlecap\n"
                             "Exec=" +
                             startCommand().toUtf8() +
                             "\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(entry) != entry.size() || !file.commit())
        return NewFile::failure(path, file.errorString());
    return {};
}

} // namespace Autostart

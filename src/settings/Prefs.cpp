#include "settings/Prefs.h"

#include "platform/Paths.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QStandardPaths>
#include <QVariant>

#include <cmath>

namespace {

// Every key Prefs reads; the store keeps nothing else of the file.
QStringList allKeys() {
    using namespace Prefs::Keys;
    QStringList keys{autoCopy,    autoSaveArea,   autoSaveFullScreen,
                     keepHistory, showLoupe,      markerOpacity,
                     saveFolder,  didShowWelcome, didRequestScreenCapture};
    for (Tool tool : Tool::allCases())
        keys << Prefs::Keys::size(tool);
    for (CaptureAction action : CaptureAction::allCases())
        keys << Prefs::Keys::hotkey(action);
    return keys;
}

// Where QSettings keeps the program's settings (~/.config/Brindlecap/Brindlecap.conf), fixed on
// first use as QSettings fixes it.
SettingsFile& store() {
    static SettingsFile file(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/Brindlecap/Brindlecap.conf"),
        allKeys());
    return file;
}

// Values read back from the INI file are strings; values written earlier in this process keep
// their type. Both count only when they are exactly of the type asked for.
std::optional<bool> readBool(const QString& key) {
    const QVariant value = store().value(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QString: {
        const QString text = value.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> readDouble(const QString& key) {
    const QVariant value = store().value(key);
    double number = 0;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        number = value.toDouble();
        break;
    case QMetaType::QString: {
        bool ok = false;
        number = value.toString().toDouble(&ok);
        if (!ok)
            return std::nullopt;
        break;
    }
    default:
        return std::nullopt;
    }
    if (!std::isfinite(number))
        return std::nullopt;
    return number;
}

void write(const QString& key, const QVariant& value) {
    store().setValue(key, value);
}

} // namespace

namespace Prefs {

QString Keys::size(Tool tool) {
    return QStringLiteral("size.") + tool.name();
}

QString Keys::hotkey(CaptureAction action) {
    return QStringLiteral("hotkey.") + action.rawValue();
}

bool autoCopy() {
    return readBool(Keys::autoCopy).value_or(true);
}
bool autoSaveArea() {
    return readBool(Keys::autoSaveArea).value_or(true);
}
bool autoSaveFullScreen() {
    return readBool(Keys::autoSaveFullScreen).value_or(true);
}
bool keepHistory() {
    return readBool(Keys::keepHistory).value_or(true);
}
bool showLoupe() {
    return readBool(Keys::showLoupe).value_or(true);
}
bool didShowWelcome() {
    return readBool(Keys::didShowWelcome).value_or(false);
}
bool didRequestScreenCapture() {
    return readBool(Keys::didRequestScreenCapture).value_or(false);
}

void setBool(const QString& key, bool value) {
    write(key, value);
}

double markerOpacity() {
    const std::optional<double> stored = readDouble(Keys::markerOpacity);
    if (!stored)
        return Tool::defaultOpacity;
    return qBound(Tool::minOpacity, *stored, Tool::maxOpacity);
}

void setMarkerOpacity(double opacity) {
    if (!std::isfinite(opacity))
        return;
    write(Keys::markerOpacity, qBound(Tool::minOpacity, opacity, Tool::maxOpacity));
}

QString saveFolder() {
    const QVariant stored = store().value(Keys::saveFolder);
    // A relative path would be taken from wherever the program was started, never a folder the
    // user chose; a file cannot take captures.
    const QString path = stored.typeId() == QMetaType::QString ? stored.toString() : QString();
    const QFileInfo folder(path);
    if (QDir::isAbsolutePath(path) && (folder.isDir() || !folder.exists()))
        return QDir::cleanPath(path);
    return Paths::picturesFolder() + QStringLiteral("/Brindlecap");
}

void setSaveFolder(const QString& path) {
    if (path.isEmpty())
        store().remove(Keys::saveFolder);
    else
        write(Keys::saveFolder, path);
}

QString newFileName() {
    return newFileName(QDateTime::currentDateTime());
}

QString newFileName(const QDateTime& time) {
    // Fixed ASCII digits whatever the locale, so names stay portable and sort by time.
    return QStringLiteral("Brindlecap ") +
           QLocale::c().toString(time.toLocalTime(), QStringLiteral("yyyy-MM-dd HH.mm.ss")) +
           QStringLiteral(".png");
}

double size(Tool tool) {
    if (!tool.hasSizeBar())
        return 3;
    const std::optional<double> stored = readDouble(Keys::size(tool));
    if (!stored)
        return tool.defaultSize();
    return qBound(tool.minSize(), *stored, tool.maxSize());
}

void setSize(double size, Tool tool) {
    if (!tool.hasSizeBar() || !std::isfinite(size))
        return;
    write(Keys::size(tool), qBound(tool.minSize(), size, tool.maxSize()));
}

std::optional<KeyCombo> combo(CaptureAction action) {
    const QVariant stored = store().value(Keys::hotkey(action));
    if (stored.typeId() != QMetaType::QByteArray)
        return defaultCombo(action);
    return KeyCombo::fromJson(stored.toByteArray());
}

void setCombo(const std::optional<KeyCombo>& combo, CaptureAction action) {
    // Stored as bytes, never as a string: a string would read as "nothing stored" and bring the
    // default back.
    write(Keys::hotkey(action), combo ? combo->toJson() : QByteArray(""));
}

KeyCombo defaultCombo(CaptureAction action) {
    constexpr quint32 shiftCommand = KeyCombo::shift | KeyCombo::command;
    const auto make = [&](quint32 keyCode, QChar digit) {
        return KeyCombo{keyCode, shiftCommand, KeyCombo::modifierText(shiftCommand) + digit};
    };
    switch (action) {
    case CaptureAction::area:
        return make(25, u'9');
    case CaptureAction::fullScreen:
        return make(28, u'8');
    case CaptureAction::recents:
        return make(29, u'0');
    }
    return make(25, u'9');
}

} // namespace Prefs

#include "settings/SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/stat.h>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("SettingsFile", text);
}

bool isLineOf(const QByteArray& trimmed, const QByteArray& key) {
    if (trimmed.startsWith(';') || trimmed.startsWith('#'))
        return false;
    const qsizetype equals = trimmed.indexOf('=');
    return equals > 0 && trimmed.left(equals).trimmed() == key;
}

} // namespace

SettingsFile::SettingsFile(QString path, QStringList keys)
    : m_path(std::move(path)), m_keys(std::move(keys)) {}

SettingsFile::Stamp SettingsFile::stampOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino, info.st_size,
            qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

// Under m_mutex.
void SettingsFile::refresh() {
    const Stamp now = stampOf(m_path);
    if (m_stamp == now)
        return;
    m_stamp = now;
    m_values.clear();
    m_problem.clear();
    if (now.size < 0)
        return;
    if (now.size > maxSize) {
        m_problem = tr("%1 ocupa más de 1 MiB y no se lee como archivo de ajustes").arg(m_path);
        return;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        m_problem = tr("%1 no se puede leer").arg(m_path);
    else if (!parses(file.readAll()))
        m_problem = tr("%1 no se puede leer como archivo de ajustes").arg(m_path);
    const QSettings settings(m_path, QSettings::IniFormat);
    for (const QString& key : m_keys) {
        const QVariant value = settings.value(key);
        if (value.isValid())
            m_values.insert(key, value);
    }
}

QVariant SettingsFile::value(const QString& key) {
    Q_ASSERT(m_keys.contains(key));
    const QMutexLocker locker(&m_mutex);
    refresh();
    return m_values.value(key);
}

bool SettingsFile::setValue(const QString& key, const QVariant& value) {
    return write(key, value);
}

bool SettingsFile::remove(const QString& key) {
    return write(key, std::nullopt);
}

bool SettingsFile::write(const QString& key, const std::optional<QVariant>& value) {
    Q_ASSERT(m_keys.contains(key));
    const QMutexLocker locker(&m_mutex);
    QDir().mkpath(QFileInfo(m_path).path());
    // The lock QSettings takes around its own writes of the file.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.lock();
    refresh();

    QByteArray before;
    if (m_problem.isEmpty() && m_stamp->size >= 0) {
        QFile file(m_path);
        if (file.open(QIODevice::ReadOnly))
            before = file.readAll();
        else
            m_problem = tr("%1 no se puede leer").arg(m_path);
    }
    if (!m_problem.isEmpty()) {
        const QString message =
            tr("brindlecap: %1; se deja como está y «%2» no se guarda.\n").arg(m_problem, key);
        std::fputs(message.toLocal8Bit().constData(), stderr);
        return false;
    }

    const QByteArray line = value ? lineFor(key, *value) : QByteArray();
    if (value && line.isEmpty())
        return false;
    const QByteArray after = withLine(before, key.toUtf8(), line);
    if (after != before) {
        QSaveFile file(m_path);
        // commit() renames even when its own final flush failed: flush first, or a full disk
        // would leave a truncated file in place of the user's.
        if (!file.open(QIODevice::WriteOnly) || file.write(after) != after.size() ||
            !file.flush()) {
            file.cancelWriting();
            return false;
        }
        if (!file.commit())
            return false;
    }
    // What was written is known: the next read need not parse the file again.
    m_stamp = stampOf(m_path);
    if (value)
        m_values.insert(key, *value);
    else
        m_values.remove(key);
    return true;
}

bool SettingsFile::parses(const QByteArray& file) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(file);
    if (utf8.hasError() || file.contains('\0'))
        return false;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
            trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) ? !trimmed.endsWith(QLatin1Char(']'))
                                                 : trimmed.indexOf(QLatin1Char('=')) < 1)
            return false;
    }
    return true;
}

QByteArray SettingsFile::withLine(const QByteArray& file, const QByteArray& key,
                                  const QByteArray& line) {
    QByteArray result;
    result.reserve(file.size() + line.size() + 12);
    bool general = true; // lines before any section header belong to the general section
    bool placed = line.isEmpty();
    qsizetype generalEnd = -1; // after the last non-blank line under the first [General]
    for (qsizetype start = 0; start < file.size();) {
        const qsizetype newline = file.indexOf('\n', start);
        const qsizetype end = newline < 0 ? file.size() : newline + 1;
        const QByteArray raw = file.mid(start, end - start);
        start = end;
        const QByteArray trimmed = raw.trimmed();
        if (trimmed.startsWith('[')) {
            const bool firstGeneral = trimmed == "[General]" && generalEnd < 0;
            general = trimmed == "[General]";
            result += raw;
            if (firstGeneral)
                generalEnd = result.size();
            continue;
        }
        if (general && isLineOf(trimmed, key)) {
            // Later lines of the same key would read instead of the new one: they go.
            if (!placed)
                result += line + raw.mid(raw.indexOf(trimmed) + trimmed.size());
            placed = true;
            if (generalEnd >= 0)
                generalEnd = result.size();
            continue;
        }
        result += raw;
        if (general && generalEnd >= 0 && !trimmed.isEmpty())
            generalEnd = result.size();
    }
    if (placed)
        return result;
    if (generalEnd < 0)
        return "[General]\n" + line + "\n" + (result.isEmpty() ? "" : "\n") + result;
    const bool ended = generalEnd == 0 || result.at(generalEnd - 1) == '\n';
    result.insert(generalEnd, (ended ? "" : "\n") + line + "\n");
    return result;
}

QByteArray SettingsFile::lineFor(const QString& key, const QVariant& value) {
    // QSettings' escaping is private: let it write the value alone and take its line.
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("one.conf"));
    {
        QSettings one(path, QSettings::IniFormat);
        one.setValue(key, value);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray prefix = key.toUtf8() + '=';
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line;
    return {};
}

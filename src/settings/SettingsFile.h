#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <sys/types.h>

// The INI file behind Prefs, in QSettings' own format. Reads come from one parse of the file,
// made again only when the file changes, so a read costs one stat() whatever the file holds.
// Writes replace only the line of their key, so comments and values this program cannot read
// stay as the user left them; a file that does not parse is never written. Safe from any thread.
class SettingsFile {
public:
    // `keys` are the only keys ever read: nothing else of the file is kept in memory.
    SettingsFile(QString path, QStringList keys);

    QString path() const { return m_path; }
    // What QSettings reads under the key, or an invalid value when it is absent. A value written
    // by this process keeps the type it was written with.
    QVariant value(const QString& key);
    // Both return false when the file was left as it was, with the reason on standard error.
    bool setValue(const QString& key, const QVariant& value);
    bool remove(const QString& key);

    // A larger file is not one this program wrote: it is neither parsed nor written.
    static constexpr qint64 maxSize = 1024 * 1024;

    // Whether every line is blank, a comment, a section header or "key=value", in UTF-8: only
    // such a file is edited line by line. QSettings reads past other lines and would drop them.
    static bool parses(const QByteArray& file);
    // `file` with the line of `key` in its general section replaced by `line`, added to that
    // section when absent, or removed when `line` is empty. Every other byte stays.
    static QByteArray withLine(const QByteArray& file, const QByteArray& key,
                               const QByteArray& line);
    // "key=value" exactly as QSettings writes it.
    static QByteArray lineFor(const QString& key, const QVariant& value);

private:
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1; // -1: no file
        qint64 modifiedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const QString& path);
    void refresh();
    bool write(const QString& key, const std::optional<QVariant>& value);

    const QString m_path;
    const QStringList m_keys;
    QMutex m_mutex;
    std::optional<Stamp> m_stamp;
    QHash<QString, QVariant> m_values;
    QString m_problem; // why the file is not written; empty when it may be
};

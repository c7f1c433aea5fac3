#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class QWidget;

// Private copies of the most recent captures: the PNG files in one folder are the whole history,
// named by the time of their addition so that the name order is the time order.
namespace History {

inline constexpr int capacity = 20;

// ~/.local/share/Brindlecap/Recientes; not created here.
QString folder();
// True for the names this store gives: "yyyyMMdd-HHmmss-zzz.png", or with "_NNN" before ".png"
// for a later addition within the same millisecond.
bool isEntryName(const QString& name);
// Paths of the entries (regular files, not links, with an entry name), newest first; empty when
// the folder is missing or unreadable. Anything else in the folder is never listed nor pruned.
QStringList items();
// Files the bytes as a new entry and keeps the 20 newest; returns the entry's path, empty when
// nothing was filed. Safe off the main thread; failures are silent and never leave a partial
// entry.
QString add(const QByteArray& png);
// The same, named after the given local time. With the decoded picture the drawer's thumbnail is
// kept at once, instead of decoding the entry on its first showing.
QString add(const QByteArray& png, const QDateTime& time, const QImage& picture = {});
// Deletes every entry; returns how many were listed, deleted or not.
int clear();
// Deletes one entry with its kept thumbnail and text; true when the entry is gone.
bool remove(const QString& entry);
// Asks first; false when there was nothing to clear or the user declined.
bool confirmAndClear(QWidget* parent = nullptr);
// The entry fitted into `box` pixels, with the full pixel size read from the file's header, from
// a small copy kept in a hidden folder beside the entries: made from the entry on first use,
// deleted with it. Nothing for a missing, empty or undecodable file. Safe off the main thread.
std::optional<std::pair<QImage, QSize>> keptThumbnail(const QString& path, QSize box);
// Where the copy of an entry's thumbnail is kept.
QString keptThumbnailPath(const QString& path);
// Where the text recognised in an entry is kept (TextIndex); deleted with the entry.
QString keptTextPath(const QString& path);

} // namespace History

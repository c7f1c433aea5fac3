#pragma once

#include "platform/Result.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

// The text recognised in each history entry, kept beside it in a hidden folder of the history,
// private like the entries, and pruned with them by History. Safe off the main thread.
namespace TextIndex {

// Where an entry's text is kept.
QString textPath(const QString& entry);
// The entry's lines; nothing when no readable text is kept for it (missing, corrupt, or from
// another format), so it is to be recognised again. An entry without text has no lines.
std::optional<QStringList> text(const QString& entry);
// Keeps the lines for the entry, whole or not at all, readable by the owner only. Nothing is
// kept when the entry is gone by then.
bool keep(const QString& entry, const QStringList& lines);
// Recognises the picture's text with the shared engine and keeps it. scale: device pixels per
// point of the capture. A failure (no language models) keeps nothing, so it is tried again.
Status index(const QString& entry, const QImage& picture, double scale);
// The same from the entry's file, with the scale its PNG records.
Status index(const QString& entry);
// Entries of the history without readable text, newest first.
QStringList missing();
// Entries whose kept text matches the query, newest first; entries without text never match.
QStringList search(const QString& query);

} // namespace TextIndex

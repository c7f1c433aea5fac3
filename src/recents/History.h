#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

class QWidget;

// Private copies of the most recent captures: the PNG files in one folder are the whole history,
// named by the time of their addition so that the name order is the time order.
namespace History {

inline constexpr int capacity = 20;

// ~/.local/share/Brindlecap/Recientes; not created here.
QString folder();
// Paths of the entries (files whose name ends in exactly ".png"), newest first; empty when the
// folder is missing or unreadable.
QStringList items();
// Files the bytes as a new entry and keeps the 20 newest. Safe off the main thread; failures
// are silent and never leave a partial entry.
void add(const QByteArray& png);
// The same, named after the given local time.
void add(const QByteArray& png, const QDateTime& time);
// Deletes every entry; returns how many were listed, deleted or not.
int clear();
// Asks first; false when there was nothing to clear or the user declined.
bool confirmAndClear(QWidget* parent = nullptr);

} // namespace History

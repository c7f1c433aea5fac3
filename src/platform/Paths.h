#pragma once

#include <QString>

// Per-user folders of the XDG session.
namespace Paths {

// The user's Pictures folder, or the home folder when the session names none.
QString picturesFolder();
// The per-user data folder (~/.local/share), or the temporary folder when the session names none.
QString dataFolder();

} // namespace Paths

#pragma once

#include <QString>

// The desktop's file manager.
namespace FileManager {

// Shows the file selected in its folder through org.freedesktop.FileManager1, or, where no file
// manager answers that, opens the folder. Returns at once; main thread only.
void reveal(const QString& path);

} // namespace FileManager

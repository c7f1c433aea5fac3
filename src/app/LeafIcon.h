#pragma once

#include <QIcon>
#include <QPixmap>

// The leaf in the accent green: the tray icon and the picture of the About and welcome windows.
// Green rather than the toolbars' white, so it stays visible on light and dark panels alike.
namespace LeafIcon {

// sizeInPoints square, drawn at the device resolution.
QPixmap pixmap(double sizeInPoints, double devicePixelRatio);
// The usual tray and window sizes, so each host picks a sharp one.
QIcon icon();

} // namespace LeafIcon

#pragma once

#include <QColor>
#include <QList>

// Colours shared by the editor, pinned captures, the drawer, the recorder and the settings.
namespace Config {

// The annotation colours in palette order: red, leaf green, yellow, blue, near-black, white.
const QList<QColor>& palette();
// The accent colour.
QColor leafGreen();

} // namespace Config

#pragma once

#include <QColor>
#include <QList>
#include <QPalette>

// Colours shared by the editor, pinned captures, the drawer, the recorder and the settings.
namespace Config {

// The annotation colours in palette order: red, leaf green, yellow, blue, near-black, white.
const QList<QColor>& palette();
// The accent colour.
QColor leafGreen();
// Thin lines between and around controls: the text colour, faint, so dark themes get light lines.
QColor separatorColor(const QPalette& palette);
// Hints and placeholders beside the ordinary text.
QColor secondaryLabelColor(const QPalette& palette);

} // namespace Config

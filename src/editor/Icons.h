#pragma once

#include <QPixmap>
#include <QString>

// The toolbar and tray symbols: SVG files embedded under :/icons, named like the symbols they
// stand for ("pencil", "arrow.uturn.backward", "leaf").
namespace Icons {

// The symbol rendered white on transparent at sizeInPoints × sizeInPoints, drawn straight at the
// device resolution so it stays sharp on 2× displays. A null pixmap for an unknown name.
QPixmap pixmap(const QString& name, double sizeInPoints, double devicePixelRatio);

} // namespace Icons

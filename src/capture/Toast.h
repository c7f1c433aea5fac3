#pragma once

#include <QString>

class QScreen;

// The transient confirmation pill near the bottom of a screen; one at a time.
namespace Toast {

// Shows the message on the screen (the primary one when null); a toast already shown goes away
// at once. Main thread only.
void show(const QString& message, QScreen* screen = nullptr);

} // namespace Toast

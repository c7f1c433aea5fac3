#pragma once

#include "annotation/Rendered.h"

class QWidget;

namespace SaveDialog {

// The modal save dialog for a capture: PNG only, opened in the save folder (created if needed)
// with a new file name proposed. Writes the PNG where the user chose and shows an error dialog
// when that fails. Returns once the dialog is closed and the file handled. Never touches the
// clipboard or the history. Main thread only.
void save(const Rendered& rendered, QWidget* parent = nullptr);

} // namespace SaveDialog

#pragma once

#include <QString>

#include <optional>

// sway's own IPC socket ($SWAYSOCK). A Wayland client learns where the pointer is only while it is
// over one of its windows; sway focuses the output the pointer moves onto and says which.
namespace SwayIpc {

// The focused output's name; nothing outside sway or when it does not answer.
std::optional<QString> focusedOutput();

} // namespace SwayIpc

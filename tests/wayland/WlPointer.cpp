// wl-pointer: a virtual pointer for wlroots compositors that lives until its standard input
// closes (no packaged tool keeps one; without a pointer device sway ignores its own cursor
// commands). Reads one command a line and answers "ok" once the compositor has handled it, or
// "error: ..." for a command it cannot carry out:
//   move X Y                 absolute position in layout coordinates (logical pixels)
//   press | release | click  [left|right|middle], left by default
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include <wayland-client.h>

namespace {

// Linux input event codes of the buttons.
constexpr uint32_t buttonLeft = 0x110, buttonRight = 0x111, buttonMiddle = 0x112;

// One output's place in the layout, in logical pixels (wl_output's own position is always 0,0
// under wlroots, so the place comes from xdg-output).
struct Output {
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    int x = 0, y = 0, width = 0, height = 0;
};

struct State {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
    zxdg_output_manager_v1* xdgOutputs = nullptr;
    std::vector<std::unique_ptr<Output>> outputs;
};

void logicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    auto* output = static_cast<Output*>(data);
    output->x = x;
    output->y = y;
}

void logicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    auto* output = static_cast<Output*>(data);
    output->width = width;
    output->height = height;
}

void ignoreDone(void*, zxdg_output_v1*) {}
void ignoreText(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener xdgOutputListener = {logicalPosition, logicalSize, ignoreDone,
                                                   ignoreText, ignoreText};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
            uint32_t version) {
    auto* state = static_cast<State*>(data);
    const std::string id = interface;
    if (id == wl_seat_interface.name && !state->seat) {
        state->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (id == zwlr_virtual_pointer_manager_v1_interface.name) {
        state->manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    } else if (id == zxdg_output_manager_v1_interface.name && version >= 2) {
        state->xdgOutputs = static_cast<zxdg_output_manager_v1*>(
            wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, 2));
    } else if (id == wl_output_interface.name) {
        state->outputs.push_back(std::make_unique<Output>());
        state->outputs.back()->output =
            static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
    }
}

void globalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {global, globalRemove};

uint32_t now() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool parseButton(std::istringstream& in, uint32_t& button) {
    std::string name;
    in >> name;
    if (name.empty() || name == "left")
        button = buttonLeft;
    else if (name == "right")
        button = buttonRight;
    else if (name == "middle")
        button = buttonMiddle;
    else
        return false;
    return true;
}

} // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::cerr << "wl-pointer: no Wayland display (WAYLAND_DISPLAY, XDG_RUNTIME_DIR)\n";
        return 1;
    }
    State state;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &state);
    wl_display_roundtrip(display);
    if (!state.manager || !state.xdgOutputs) {
        std::cerr << "wl-pointer: the compositor offers no zwlr_virtual_pointer_manager_v1 or "
                     "zxdg_output_manager_v1\n";
        return 1;
    }
    for (const auto& o : state.outputs) {
        o->xdgOutput = zxdg_output_manager_v1_get_xdg_output(state.xdgOutputs, o->output);
        zxdg_output_v1_add_listener(o->xdgOutput, &xdgOutputListener, o.get());
    }
    wl_display_roundtrip(display);
    // Absolute motion is relative to the box around every output, in logical pixels.
    int left = 0, top = 0, right = 0, bottom = 0;
    for (const auto& o : state.outputs) {
        left = std::min(left, o->x);
        top = std::min(top, o->y);
        right = std::max(right, o->x + o->width);
        bottom = std::max(bottom, o->y + o->height);
    }
    if (right <= left || bottom <= top) {
        std::cerr << "wl-pointer: the compositor reports no outputs\n";
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(state.manager, state.seat);
    wl_display_roundtrip(display);

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command;
        in >> command;
        uint32_t button = buttonLeft;
        if (command == "move") {
            int x = 0, y = 0;
            if (!(in >> x >> y) || x < left || x >= right || y < top || y >= bottom) {
                std::cout << "error: move needs X Y inside " << left << "," << top << " "
                          << right - left << "x" << bottom - top << ": " << line << std::endl;
                continue;
            }
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), x - left, y - top, right - left,
                                                    bottom - top);
        } else if ((command == "press" || command == "release" || command == "click") &&
                   parseButton(in, button)) {
            if (command != "release")
                zwlr_virtual_pointer_v1_button(pointer, now(), button,
                                               WL_POINTER_BUTTON_STATE_PRESSED);
            if (command == "click")
                zwlr_virtual_pointer_v1_frame(pointer);
            if (command != "press")
                zwlr_virtual_pointer_v1_button(pointer, now(), button,
                                               WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            std::cout << "error: unknown command: " << line << std::endl;
            continue;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0) {
            std::cerr << "wl-pointer: lost the compositor\n";
            return 1;
        }
        std::cout << "ok" << std::endl;
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    for (const auto& o : state.outputs) {
        zxdg_output_v1_destroy(o->xdgOutput);
        wl_output_destroy(o->output);
    }
    zxdg_output_manager_v1_destroy(state.xdgOutputs);
    zwlr_virtual_pointer_manager_v1_destroy(state.manager);
    if (state.seat)
        wl_seat_destroy(state.seat);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}

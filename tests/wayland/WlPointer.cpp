// wl-pointer WIDTH HEIGHT: a virtual pointer for wlroots compositors that lives until its standard
// input closes (no packaged tool keeps one). WIDTH x HEIGHT is the layout's size in logical
// pixels, from 0,0. Reads one command a line and answers "ok" once the compositor has handled it:
//   move X Y         absolute position in layout coordinates
//   press | release  the left button
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <wayland-client.h>

namespace {

constexpr uint32_t buttonLeft = 0x110; // BTN_LEFT

// The pointer goes to the compositor's default seat.
void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        *static_cast<zwlr_virtual_pointer_manager_v1**>(data) =
            static_cast<zwlr_virtual_pointer_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void globalRemove(void*, wl_registry*, uint32_t) {}

uint32_t now() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

int main(int argc, char** argv) {
    const int width = argc == 3 ? std::atoi(argv[1]) : 0;
    const int height = argc == 3 ? std::atoi(argv[2]) : 0;
    wl_display* display = width > 0 && height > 0 ? wl_display_connect(nullptr) : nullptr;
    if (!display) {
        std::cerr << "usage: wl-pointer WIDTH HEIGHT, inside a Wayland session\n";
        return 1;
    }
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
    static const wl_registry_listener listener = {global, globalRemove};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &manager);
    wl_display_roundtrip(display);
    if (!manager) {
        std::cerr << "wl-pointer: the compositor offers no zwlr_virtual_pointer_manager_v1\n";
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command;
        int x = -1, y = -1;
        in >> command >> x >> y;
        if (command == "move" && x >= 0 && x < width && y >= 0 && y < height) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), x, y, width, height);
        } else if (command == "press" || command == "release") {
            zwlr_virtual_pointer_v1_button(pointer, now(), buttonLeft,
                                           command == "press" ? WL_POINTER_BUTTON_STATE_PRESSED
                                                              : WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            std::cout << "error: " << line << std::endl;
            continue;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0)
            return 1;
        std::cout << "ok" << std::endl;
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(manager);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}

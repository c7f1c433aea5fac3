// Another X client for the hot-key tests: grabs one key combination on the root window (with its
// NumLock and CapsLock variants, as a desktop's shortcut daemon would), prints "grabbed" or
// "refused", and holds the grab until its standard input closes.
//
//   x11_key_grabber <x11-keycode> <x11-modifier-mask> [plain]
//
// "plain" grabs the combination without the lock variants.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s keycode modifiers [plain]\n", argv[0]);
        return 2;
    }
    const auto keycode = xcb_keycode_t(std::atoi(argv[1]));
    const auto modifiers = uint16_t(std::atoi(argv[2]));
    const bool plain = argc > 3 && std::strcmp(argv[3], "plain") == 0;

    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "no X server\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

    std::vector<uint16_t> variants{modifiers};
    if (!plain) {
        variants = {modifiers, uint16_t(modifiers | XCB_MOD_MASK_2),
                    uint16_t(modifiers | XCB_MOD_MASK_LOCK),
                    uint16_t(modifiers | XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK)};
    }
    bool refused = false;
    for (const uint16_t variant : variants) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            connection, 0, root, variant, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            refused = true;
            std::free(error);
        }
    }
    std::printf(refused ? "refused\n" : "grabbed\n");
    std::fflush(stdout);

    char buffer[64];
    while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
    }
    xcb_disconnect(connection);
    return 0;
}

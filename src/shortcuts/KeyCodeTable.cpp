#include "shortcuts/KeyCodeTable.h"

#include "shortcuts/KeyCombo.h"

#include <QHash>

#include <utility>

namespace {

// { macOS virtual key code, X11 keycode }. The Mac keypad's Clear key sits where PC keyboards
// have NumLock; it is left out, because NumLock toggles a lock state that grabs must ignore.
constexpr std::pair<quint32, quint32> pairs[] = {
    // Letters.
    {0, 38},  // A
    {1, 39},  // S
    {2, 40},  // D
    {3, 41},  // F
    {4, 43},  // H
    {5, 42},  // G
    {6, 52},  // Z
    {7, 53},  // X
    {8, 54},  // C
    {9, 55},  // V
    {11, 56}, // B
    {12, 24}, // Q
    {13, 25}, // W
    {14, 26}, // E
    {15, 27}, // R
    {16, 29}, // Y
    {17, 28}, // T
    {31, 32}, // O
    {32, 30}, // U
    {34, 31}, // I
    {35, 33}, // P
    {37, 46}, // L
    {38, 44}, // J
    {40, 45}, // K
    {45, 57}, // N
    {46, 58}, // M
    // Digits of the main block.
    {18, 10}, // 1
    {19, 11}, // 2
    {20, 12}, // 3
    {21, 13}, // 4
    {23, 14}, // 5
    {22, 15}, // 6
    {26, 16}, // 7
    {28, 17}, // 8
    {25, 18}, // 9
    {29, 19}, // 0
    // Punctuation.
    {27, 20},  // minus
    {24, 21},  // equal
    {33, 34},  // left bracket
    {30, 35},  // right bracket
    {41, 47},  // semicolon
    {39, 48},  // quote
    {50, 49},  // grave, left of 1
    {42, 51},  // backslash
    {43, 59},  // comma
    {47, 60},  // period
    {44, 61},  // slash
    {10, 94},  // ISO key between left Shift and Z
    {93, 132}, // JIS yen
    {94, 97},  // JIS underscore (ro)
    // Whitespace, editing and navigation.
    {49, 65},   // space
    {36, 36},   // return
    {48, 23},   // tab
    {53, 9},    // escape
    {51, 22},   // delete backwards (BackSpace)
    {117, 119}, // delete forwards
    {114, 118}, // help, Insert on PC keyboards
    {115, 110}, // home
    {119, 115}, // end
    {116, 112}, // page up
    {121, 117}, // page down
    {123, 113}, // left
    {124, 114}, // right
    {125, 116}, // down
    {126, 111}, // up
    // Function keys.
    {122, 67},  // F1
    {120, 68},  // F2
    {99, 69},   // F3
    {118, 70},  // F4
    {96, 71},   // F5
    {97, 72},   // F6
    {98, 73},   // F7
    {100, 74},  // F8
    {101, 75},  // F9
    {109, 76},  // F10
    {103, 95},  // F11
    {111, 96},  // F12
    {105, 191}, // F13
    {107, 192}, // F14
    {113, 193}, // F15
    {106, 194}, // F16
    {64, 195},  // F17
    {79, 196},  // F18
    {80, 197},  // F19
    {90, 198},  // F20
    // Keypad.
    {82, 90},  // 0
    {83, 87},  // 1
    {84, 88},  // 2
    {85, 89},  // 3
    {86, 83},  // 4
    {87, 84},  // 5
    {88, 85},  // 6
    {89, 79},  // 7
    {91, 80},  // 8
    {92, 81},  // 9
    {65, 91},  // decimal point
    {67, 63},  // multiply
    {69, 86},  // plus
    {78, 82},  // minus
    {75, 106}, // divide
    {76, 104}, // enter
    {81, 125}, // equals
    {95, 129}, // JIS keypad comma
};

struct Tables {
    QHash<quint32, quint32> toX11;
    QHash<quint32, quint32> toMac;
};

const Tables& tables() {
    static const Tables t = [] {
        Tables built;
        for (const auto& [mac, x11] : pairs) {
            built.toX11.insert(mac, x11);
            built.toMac.insert(x11, mac);
        }
        return built;
    }();
    return t;
}

std::optional<quint32> lookUp(const QHash<quint32, quint32>& table, quint32 code) {
    const auto it = table.constFind(code);
    if (it == table.constEnd())
        return std::nullopt;
    return *it;
}

} // namespace

namespace KeyCodeTable {

std::optional<quint32> x11FromMac(quint32 macKeyCode) {
    return lookUp(tables().toX11, macKeyCode);
}

std::optional<quint32> macFromX11(quint32 x11KeyCode) {
    return lookUp(tables().toMac, x11KeyCode);
}

quint16 x11Modifiers(quint32 macModifiers) {
    quint16 mask = 0;
    if (macModifiers & KeyCombo::command)
        mask |= controlMask;
    if (macModifiers & KeyCombo::shift)
        mask |= shiftMask;
    if (macModifiers & KeyCombo::option)
        mask |= mod1Mask;
    if (macModifiers & KeyCombo::control)
        mask |= mod4Mask;
    return mask;
}

quint32 macModifiersFromX11(quint16 x11State) {
    quint32 bits = 0;
    if (x11State & controlMask)
        bits |= KeyCombo::command;
    if (x11State & shiftMask)
        bits |= KeyCombo::shift;
    if (x11State & mod1Mask)
        bits |= KeyCombo::option;
    if (x11State & mod4Mask)
        bits |= KeyCombo::control;
    return bits;
}

quint32 macModifiers(Qt::KeyboardModifiers modifiers) {
    quint32 bits = 0;
    if (modifiers & Qt::ControlModifier)
        bits |= KeyCombo::command;
    if (modifiers & Qt::ShiftModifier)
        bits |= KeyCombo::shift;
    if (modifiers & Qt::AltModifier)
        bits |= KeyCombo::option;
    if (modifiers & Qt::MetaModifier)
        bits |= KeyCombo::control;
    return bits;
}

} // namespace KeyCodeTable

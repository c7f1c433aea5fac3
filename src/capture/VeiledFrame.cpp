#include "capture/VeiledFrame.h"

#include <algorithm>

namespace VeiledFrame {

void veil(uint8_t* bytes, qsizetype count, int alpha) {
    const unsigned keep = 255u - unsigned(std::clamp(alpha, 0, 255));
    // Qt's rounded division by 255; a byte loop the compiler vectorises.
    for (qsizetype i = 0; i < count; ++i) {
        const unsigned t = bytes[i] * keep;
        bytes[i] = uint8_t((t + (t >> 8) + 128u) >> 8);
    }
}

} // namespace VeiledFrame

#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// A fast PNG writer for captures: libdeflate over simply filtered rows, 8 bits per channel, RGB
// for opaque images and RGBA otherwise, with a pHYs chunk recording 72 dpi times `scale`.
namespace PngEncoder {

// Auto tries None and Up on a sample of rows and keeps the smaller: None wins on text and flat
// user interfaces, Up on photographs (measured on 3840 x 2160 screens, see bench_capture).
enum class Filter { Auto, None, Sub, Up, Paeth };

struct Options {
    Filter filter = Filter::Auto;
    // libdeflate level 1..12; 0 picks by filter: 2 for None (9 % smaller than 1 at the same
    // speed), 1 otherwise (level 2 costs 45 % more time on photographs for 6 % less size).
    int level = 0;
};

// nullopt for a null image or when compression fails.
std::optional<QByteArray> encode(const QImage& image, double scale, Options options = {});

} // namespace PngEncoder

#pragma once

#include <QImage>
#include <QPointer>
#include <QScreen>

// One display frozen: the screen and its image in device pixels (carrying the screen's ratio).
struct Shot {
    QPointer<QScreen> screen;
    QImage image;
};

#pragma once

#include "annotation/Tool.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>

#include <memory>
#include <optional>

class QPainter;

// One drawn object on a capture. Shared by reference between the document's list, its current and
// selected annotation and the undo snapshots (which hold clones). Geometry is in canvas points,
// origin at the top left, y downwards.
class Annotation {
public:
    Annotation(Tool tool, QColor color, QPointF start);

    Tool tool() const { return m_tool; }
    QColor color() const { return m_color; }

    // pen, marker: the sampled stroke; line, arrow, rect, pixelate: press point then end point;
    // text: the top-left corner of the text box; number: the badge centre.
    QList<QPointF> points;
    QString text;
    double textHeight = 0;
    double opacity = Tool::defaultOpacity;
    double lineWidth = 3;
    qint64 number = 0;
    // The pixelated copy of the frozen screen under rect(), in device pixels (pixelate only).
    std::optional<QImage> pixelated;

    std::shared_ptr<Annotation> clone() const;

    QRectF rect() const;
    QRectF bounds() const;
    bool isNegligible() const;
    void translate(QPointF by);
    bool hitTest(QPointF p) const;
    // Paints into the painter's current coordinate system, one unit per canvas point.
    // Does nothing without an active painter.
    void draw(QPainter* painter) const;

    // System font, 18 points, semibold: text annotations and the text-entry field.
    static const QFont& textFont();

private:
    void strokePath(QPainter* painter, double width, const QColor& color) const;
    void drawArrow(QPainter* painter) const;
    void drawNumber(QPainter* painter) const;

    Tool m_tool;
    QColor m_color;
};

using AnnotationRef = std::shared_ptr<Annotation>;

#include "annotation/Tool.h"

#include <QtGlobal>

#include <cmath>

const std::array<Tool, 8>& Tool::allCases() {
    static const std::array<Tool, 8> cases = {pen, line, arrow, rect, marker, text, number, pixelate};
    return cases;
}

QString Tool::name() const {
    switch (m_case) {
    case pen: return QStringLiteral("pen");
    case line: return QStringLiteral("line");
    case arrow: return QStringLiteral("arrow");
    case rect: return QStringLiteral("rect");
    case marker: return QStringLiteral("marker");
    case text: return QStringLiteral("text");
    case number: return QStringLiteral("number");
    case pixelate: return QStringLiteral("pixelate");
    }
    return {};
}

QString Tool::symbol() const {
    switch (m_case) {
    case pen: return QStringLiteral("pencil");
    case line: return QStringLiteral("line.diagonal");
    case arrow: return QStringLiteral("arrow.up.right");
    case rect: return QStringLiteral("rectangle");
    case marker: return QStringLiteral("highlighter");
    case text: return QStringLiteral("textformat");
    case number: return QStringLiteral("1.circle");
    case pixelate: return QStringLiteral("checkerboard.rectangle");
    }
    return {};
}

QString Tool::tooltip() const {
    switch (m_case) {
    case pen: return tr("Lápiz");
    case line: return tr("Línea (Shift para ángulos rectos)");
    case arrow: return tr("Flecha (Shift para ángulos rectos)");
    case rect: return tr("Rectángulo");
    case marker: return tr("Marcador (la opacidad está en el panel de color)");
    case text: return tr("Texto");
    case number: return tr("Números de paso ① ② ③ (cada clic pone el siguiente)");
    case pixelate: return tr("Pixelar (ocultar datos sensibles)");
    }
    return {};
}

QString Tool::sizeLabel() const {
    switch (m_case) {
    case pen: return tr("Grosor del lápiz");
    case line: return tr("Grosor de la línea");
    case arrow: return tr("Grosor de la flecha");
    case rect: return tr("Grosor del rectángulo");
    case marker: return tr("Grosor del marcador");
    case number: return tr("Tamaño del número");
    case text:
    case pixelate: return QString();
    }
    return {};
}

double Tool::minSize() const {
    switch (m_case) {
    case marker: return 4;
    case number: return 16;
    case text:
    case pixelate: return 3;
    default: return 1;
    }
}

double Tool::maxSize() const {
    switch (m_case) {
    case marker: return 40;
    case number: return 48;
    case text:
    case pixelate: return 3;
    default: return 20;
    }
}

double Tool::defaultSize() const {
    switch (m_case) {
    case marker: return 16;
    case number: return 26;
    default: return 3;
    }
}

double Tool::clampSize(double size) const {
    if (!hasSizeBar())
        return 3;
    if (!std::isfinite(size))
        return defaultSize();
    return qBound(minSize(), size, maxSize());
}

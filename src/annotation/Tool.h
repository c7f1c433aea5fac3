#pragma once

#include <QCoreApplication>
#include <QString>

#include <array>

// The eight annotation tools, in toolbar order. A value type that behaves like the enumeration
// it wraps (switch over it, compare it) and carries each tool's texts and size constants.
class Tool {
    Q_DECLARE_TR_FUNCTIONS(Tool)

public:
    enum Case { pen, line, arrow, rect, marker, text, number, pixelate };

    constexpr Tool(Case c = pen) : m_case(c) {}
    constexpr operator Case() const { return m_case; }

    static const std::array<Tool, 8>& allCases();

    // The case's name as printed: the suffix of its size preference key ("size.pen").
    QString name() const;
    // Icon resource name of the toolbar button.
    QString symbol() const;
    QString tooltip() const;
    // Tooltip of the size bar and first part of the size-change message; empty without a bar.
    QString sizeLabel() const;

    bool hasSizeBar() const { return m_case != text && m_case != pixelate; }
    double minSize() const;
    double maxSize() const;
    double sizeStep() const { return (m_case == marker || m_case == number) ? 2 : 1; }
    double defaultSize() const;
    // The size after clamping into the range; tools without a size bar always have 3.
    double clampSize(double size) const;

    bool usesColor() const { return m_case != pixelate; }
    bool usesOpacity() const { return m_case == marker; }

    // The marker's opacity: its range, its default and the step of its slider.
    static constexpr double minOpacity = 0.1;
    static constexpr double maxOpacity = 1.0;
    static constexpr double defaultOpacity = 0.4;
    static constexpr double opacityStep = 0.05;

private:
    Case m_case;
};

inline size_t qHash(Tool tool, size_t seed = 0) {
    return qHash(int(Tool::Case(tool)), seed);
}

#pragma once

#include <QAbstractButton>
#include <QColor>

#include <functional>
#include <optional>

// One 30 × 30 point button of a toolbar or popup: a white symbol, or a colour swatch. A click
// never takes the keyboard focus from the canvas or its text field.
class BarButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int side = 30;
    static constexpr double cornerRadius = 6;
    // Side of the square the 24-unit symbol is drawn in; the glyphs fill about 16 points of it,
    // the size of a 14-point system symbol.
    static constexpr double symbolSize = 24;

    // A plain button without symbol or tooltip.
    explicit BarButton(QWidget* parent = nullptr);
    // A symbol button, fully set up.
    BarButton(const QString& symbol, const QString& tooltip, std::function<void()> onClick,
              QWidget* parent = nullptr);

    std::function<void()> onClick;

    bool isOn() const { return m_isOn; }
    void setOn(bool on);

    void commonSetup(const QString& tooltip);
    void fire();

    // Shows a colour disc instead of a symbol.
    void setSwatch(const QColor& color, double diameter);
    QString symbol() const { return m_symbol; }

    QSize sizeHint() const override { return {side, side}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_isOn = false;
    QString m_symbol;
    std::optional<QColor> m_swatch;
    double m_swatchDiameter = 0;
};

#pragma once

#include <QColor>
#include <QWidget>

class QScreen;

// The frameless, always-on-top panel of toasts and countdowns: never takes focus, lets every
// click through, and paints a rounded translucent background.
class TransientPanel : public QWidget {
    Q_OBJECT

public:
    explicit TransientPanel(QColor background);

    void setCornerRadius(qreal radius) { m_cornerRadius = radius; }

    // Places the panel at a logical rectangle of the screen and shows it without activating.
    void showAt(QScreen* screen, const QRect& rect);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_background;
    qreal m_cornerRadius = 0;
};

// The screen whose area holds the pointer, else the primary screen (null without screens).
QScreen* screenUnderPointer();

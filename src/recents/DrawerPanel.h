#pragma once

#include <QWidget>

// The drawer's window: a frameless dark translucent strip with rounded corners above every other
// window, on all desktops, outside the taskbar. Escape while it has the keyboard emits
// escapePressed.
class DrawerPanel : public QWidget {
    Q_OBJECT

public:
    DrawerPanel();

Q_SIGNALS:
    void escapePressed();
    // The first frame has been painted.
    void shown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool m_painted = false;
};

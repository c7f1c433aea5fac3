// Another X client for the drag test: a window that takes dropped files, as file managers and
// mail programs do, and prints "dropped <url>" for each. Prints "ready x y w h" (its area in
// global coordinates) once shown.
#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>

#include <cstdio>

class DropTarget : public QWidget {
protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        event->setAccepted(event->mimeData()->hasUrls());
    }
    void dropEvent(QDropEvent* event) override {
        for (const QUrl& url : event->mimeData()->urls())
            std::printf("dropped %s\n", qPrintable(url.toString()));
        event->accept();
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each line reaches the test as it is printed
    DropTarget window;
    window.setAcceptDrops(true);
    window.setGeometry(200, 200, 500, 300);
    window.show();
    QTimer::singleShot(500, [&] {
        const QPoint origin = window.mapToGlobal(QPoint(0, 0));
        std::printf("ready %d %d %d %d\n", origin.x(), origin.y(), window.width(), window.height());
    });
    return app.exec();
}

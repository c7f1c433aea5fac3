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
        if (event->mimeData()->hasUrls())
            event->acceptProposedAction();
    }
    void dropEvent(QDropEvent* event) override {
        for (const QUrl& url : event->mimeData()->urls())
            std::printf("dropped %s\n", qPrintable(url.toString()));
        std::fflush(stdout);
        event->acceptProposedAction();
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    DropTarget window;
    window.setAcceptDrops(true);
    window.setWindowTitle(QStringLiteral("drop target"));
    window.setGeometry(200, 200, 500, 300);
    window.show();
    QTimer::singleShot(500, [&] {
        const QPoint origin = window.mapToGlobal(QPoint(0, 0));
        std::printf("ready %d %d %d %d\n", origin.x(), origin.y(), window.width(), window.height());
        std::fflush(stdout);
    });
    return app.exec();
}

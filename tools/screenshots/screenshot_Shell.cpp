// Photographs the tray menu with its delayed-capture submenu, the tray icon, About, the welcome
// and the settings window on a real X server, for review by eye; run through
// scripts/screenshots.sh, which starts the server, a tray host and a private HOME.
#include "app/AboutDialog.h"
#include "app/AppDelegate.h"
#include "settings/SettingsWindowController.h"
#include "shortcuts/ShortcutRecorder.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

QDir out;
int failures = 0;

// The screen's pixels under a rectangle in global logical coordinates, with the frame the
// window manager drew around it.
void photograph(const QRect& area, const QString& name) {
    QScreen* screen = QGuiApplication::screenAt(area.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect local = area.translated(-screen->geometry().topLeft());
    const QPixmap shot = screen->grabWindow(0, local.x(), local.y(), local.width(), local.height());
    const QString path = out.filePath(name + QStringLiteral(".png"));
    if (shot.isNull() || !shot.save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

void photograph(const QWidget& window, const QString& name, int margin = 8) {
    photograph(window.frameGeometry().adjusted(-margin, -margin, margin, margin), name);
}

// Lets the window manager map and decorate what was just shown.
void settle() {
    QTest::qWait(400);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshot_Shell OUTPUT_FOLDER\n");
        return 2;
    }
    out = QDir(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));

    // Windows open on the screen under the pointer: the left one, at scale 1.
    QCursor::setPos(400, 400);
    AppDelegate& delegate = AppDelegate::shared();
    QTimer::singleShot(0, [&] {
        // The welcome is modal; photograph it from inside its loop, then dismiss it.
        QTimer::singleShot(600, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                box->move(300, 200);
        });
        QTimer::singleShot(1200, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                photograph(*box, QStringLiteral("shell-welcome"));
                box->accept();
            }
        });
        delegate.launch();
        settle();

        // The tray icon sits in trayer's strip at the top left of the left monitor.
        photograph(QRect(0, 0, 200, 40), QStringLiteral("shell-tray"));

        QMenu* menu = delegate.statusMenu();
        menu->popup(QPoint(40, 40));
        settle();
        QAction* delayed = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->menu())
                delayed = action;
        }
        menu->setActiveAction(delayed);
        delayed->menu()->popup(menu->actionGeometry(delayed).topRight() + menu->pos());
        settle();
        const QRect both = menu->geometry().united(delayed->menu()->geometry());
        photograph(both.adjusted(-8, -8, 8, 8), QStringLiteral("shell-menu"));
        delayed->menu()->hide();
        menu->hide();

        // Opened on the 2x screen and moved to the 1x one: it must arrive at its own size.
        QCursor::setPos(2400, 400);
        delegate.showAbout();
        settle();
        delegate.aboutDialog()->move(300, 200);
        settle();
        photograph(*delegate.aboutDialog(), QStringLiteral("shell-about"));
        delegate.aboutDialog()->close();

        // Centred on the screen under the pointer: first the 2x one, then the 1x one, where the
        // area recorder is photographed while it records.
        delegate.showSettings();
        settle();
        photograph(*delegate.settingsWindow(), QStringLiteral("shell-settings-2x"));
        QCursor::setPos(400, 400);
        delegate.showSettings();
        settle();
        photograph(*delegate.settingsWindow(), QStringLiteral("shell-settings"));
        QTest::mouseClick(delegate.settingsWindow()->recorder(CaptureAction::area), Qt::LeftButton);
        settle();
        photograph(*delegate.settingsWindow(), QStringLiteral("shell-settings-recording"));
        delegate.settingsWindow()->close();

        QCoreApplication::exit(failures == 0 ? 0 : 1);
    });
    return QApplication::exec();
}

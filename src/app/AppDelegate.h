#pragma once

#include "app/AppCommand.h"
#include "platform/Result.h"
#include "settings/CaptureAction.h"
#include "shortcuts/KeyCombo.h"

#include <QHash>
#include <QObject>

#include <memory>
#include <optional>

class AboutDialog;
class QAction;
class QMenu;
class QMessageBox;
class QSystemTrayIcon;
class SettingsWindowController;

// The application shell: the tray icon and its menu, the capture commands of the menu and of a
// second `brindlecap`, About and the first-run welcome. Lives as long as the application.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    // Made on first use, owned by the application object.
    static AppDelegate& shared();
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // Start-up, in this order: the tray icon and its menu, the global shortcuts, the welcome.
    // Returns once the welcome (if any) has been dismissed.
    void launch();

    void buildStatusItem();
    // Shows each capture entry's current shortcut; runs every time the menu is about to open.
    void menuWillOpen();
    void showWelcomeIfFirstRun();

    // What the running program does for a command from a second `brindlecap`.
    void handleCommand(AppCommand command);

    // perform() of the action 0.3 s from now, so the menu is gone from the screen by then.
    void capture(CaptureAction action);
    void openFolderFromMenu();
    void showSettings();
    void showAbout();

    // Creates the save folder if needed and opens it in the file manager; a failure shows a toast
    // naming the folder the desktop could not open.
    static Status openCapturesFolder();

    // The shortcut text a capture entry shows for a shortcut: modifiers and the last character
    // of its display text, or empty for none, for an empty display, and for function and named
    // keys (their names are no single character).
    static QString keyEquivalent(const std::optional<KeyCombo>& combo);

    QSystemTrayIcon* statusItem() const { return m_statusItem; }
    QMenu* statusMenu() const { return m_menu.get(); }
    AboutDialog* aboutDialog() const { return m_about.get(); }
    SettingsWindowController* settingsWindow() const { return m_settings.get(); }

    // Separates an entry's title from the shortcut shown in the menu's right-hand column.
    static constexpr QChar shortcutSeparator = u'\t';

private:
    QMenu* buildDelayedMenu();

    // Top-level widgets have no parent to delete them.
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<AboutDialog> m_about;
    std::unique_ptr<SettingsWindowController> m_settings;
    std::unique_ptr<QMessageBox> m_welcome;
    QSystemTrayIcon* m_statusItem = nullptr;
    QHash<CaptureAction, QAction*> m_captureItems;
};

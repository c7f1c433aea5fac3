#include "app/AppDelegate.h"

#include "app/AboutDialog.h"
#include "app/CaptureActions.h"
#include "app/LeafIcon.h"
#include "app/TrayHost.h"
#include "capture/Toast.h"
#include "settings/Prefs.h"
#include "settings/SettingsWindowController.h"
#include "shortcuts/DesktopShortcuts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>

#include <array>

namespace {

// Long enough for the menu to be off the screen before anything is grabbed.
constexpr int menuDelayMs = 300;

struct DelayedRow {
    CaptureAction action;
    int seconds;
};
constexpr std::array<DelayedRow, 4> delayedRows = {{
    {CaptureAction::area, 3},
    {CaptureAction::area, 5},
    {CaptureAction::fullScreen, 3},
    {CaptureAction::fullScreen, 5},
}};

} // namespace

AppDelegate& AppDelegate::shared() {
    static QPointer<AppDelegate> instance;
    if (!instance) {
        QCoreApplication* app = QCoreApplication::instance();
        instance = new AppDelegate(app);
        // Gone when the event loop ends: the application deletes its widgets before its
        // children, and a tray icon outliving its embedded widget crashes on the way out.
        connect(app, &QCoreApplication::aboutToQuit, instance, &QObject::deleteLater);
    }
    return *instance;
}

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::launch() {
    buildStatusItem();
    CaptureActions::registerShortcuts();
    showWelcomeIfFirstRun();
}

void AppDelegate::buildStatusItem() {
    m_menu = std::make_unique<QMenu>();
    for (const CaptureAction action : CaptureAction::allCases()) {
        QAction* item = m_menu->addAction(action.title());
        connect(item, &QAction::triggered, this, [this, action] { capture(action); });
        m_captureItems.insert(action, item);
    }
    m_menu->addSeparator();
    m_menu->addMenu(buildDelayedMenu());
    connect(m_menu->addAction(tr("Abrir carpeta de capturas")), &QAction::triggered, this,
            &AppDelegate::openFolderFromMenu);
    QAction* settings = m_menu->addAction(tr("Configuración…"));
    // Takes effect while the menu is open; the global shortcuts need no such help.
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, &AppDelegate::showSettings);
    m_menu->addSeparator();
    connect(m_menu->addAction(tr("Acerca de Brindlecap")), &QAction::triggered, this,
            &AppDelegate::showAbout);
    m_menu->addSeparator();
    connect(m_menu->addAction(tr("Salir")), &QAction::triggered, qApp, &QCoreApplication::quit);
    connect(m_menu.get(), &QMenu::aboutToShow, this, &AppDelegate::menuWillOpen);

    m_statusItem = new QSystemTrayIcon(LeafIcon::icon(), this);
    m_statusItem->setToolTip(QStringLiteral("Brindlecap"));
    m_statusItem->setContextMenu(m_menu.get());
    // Where no tray host runs the icon waits unseen; Qt shows it once a host appears.
    m_statusItem->show();
    // Some hosts send a plain click to the icon instead of opening its menu.
    connect(m_statusItem, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    m_menu->popup(QCursor::pos());
            });
}

QMenu* AppDelegate::buildDelayedMenu() {
    auto* submenu = new QMenu(tr("Capturar con retraso"), m_menu.get());
    for (const DelayedRow& row : delayedRows) {
        const QString label =
            row.action == CaptureAction::area ? tr("Área") : tr("Pantalla completa");
        QAction* item = submenu->addAction(tr("%1 en %2 segundos").arg(label).arg(row.seconds));
        connect(item, &QAction::triggered, this,
                [row] { CaptureActions::performAfterCountdown(row.seconds, row.action); });
    }
    return submenu;
}

QString AppDelegate::keyEquivalent(const std::optional<KeyCombo>& combo) {
    if (!combo || combo->display.isEmpty() || KeyCombo::functionKeys().contains(combo->keyCode) ||
        KeyCombo::namedKeys().contains(combo->keyCode))
        return {};
    // A character beyond the basic plane is two code units.
    const int length = combo->display.back().isLowSurrogate() && combo->display.size() > 1 ? 2 : 1;
    return KeyCombo::modifierText(combo->modifiers) + combo->display.right(length).toUpper();
}

void AppDelegate::menuWillOpen() {
    for (auto it = m_captureItems.cbegin(); it != m_captureItems.cend(); ++it) {
        const QString equivalent = keyEquivalent(Prefs::combo(it.key()));
        it.value()->setText(equivalent.isEmpty()
                                ? it.key().title()
                                : it.key().title() + shortcutSeparator + equivalent);
    }
}

void AppDelegate::capture(CaptureAction action) {
    QTimer::singleShot(menuDelayMs, this, [action] { CaptureActions::perform(action); });
}

void AppDelegate::openFolderFromMenu() {
    openCapturesFolder();
}

Status AppDelegate::openCapturesFolder() {
    const QString folder = Prefs::saveFolder();
    // A folder that cannot be made shows as the desktop being unable to open it.
    if (QDir().mkpath(folder) && QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return {};
    const Failure failure{
        tr("No se pudo abrir la carpeta «%1»").arg(QDir::toNativeSeparators(folder))};
    Toast::show(failure.message);
    return failure;
}

void AppDelegate::showSettings() {
    if (!m_settings) {
        m_settings = std::make_unique<SettingsWindowController>();
        m_settings->setWindowIcon(LeafIcon::icon());
        connect(m_settings.get(), &SettingsWindowController::openFolderRequested, this,
                [] { openCapturesFolder(); });
    }
    m_settings->setDesktopShortcutAdvice(desktopShortcutAdvice());
    m_settings->show();
}

void AppDelegate::showAbout() {
    if (!m_about)
        m_about = std::make_unique<AboutDialog>();
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void AppDelegate::showWelcomeIfFirstRun() {
    if (Prefs::didShowWelcome())
        return;
    // Stored first: quitting while the message is open must not bring it back next time.
    Prefs::setBool(QString::fromLatin1(Prefs::Keys::didShowWelcome), true);

    // The permission paragraph differs by session: X11 needs none, Wayland asks through the
    // desktop's portal.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    // Not modal: a capture started while it is open must be above it and get the keyboard, which
    // Qt would keep for a modal box.
    m_welcome = std::make_unique<QMessageBox>();
    QMessageBox& box = *m_welcome;
    box.setWindowModality(Qt::NonModal);
    box.setWindowTitle(QStringLiteral("Brindlecap"));
    box.setWindowIcon(LeafIcon::icon());
    box.setIconPixmap(LeafIcon::pixmap(64, qApp->devicePixelRatio()));
    const bool trayHost = TrayHost::available();
    box.setText(TrayHost::welcomeHeadline(trayHost));
    QStringList paragraphs{
        tr("Presiona Shift+Ctrl+9 para capturar un área o Shift+Ctrl+8 para la pantalla completa; "
           "la captura queda lista para pegar. Puedes cambiar los atajos en Configuración…."),
        wayland ? tr("En Wayland, Brindlecap captura la pantalla a través del compositor o del "
                     "portal de capturas de tu escritorio, que puede pedirte permiso la primera "
                     "vez.")
                : tr("Brindlecap no necesita ningún permiso para capturar la pantalla: puedes "
                     "empezar ya.")};
    paragraphs << TrayHost::welcomeParagraph(trayHost) << desktopShortcutAdvice();
    paragraphs.removeAll(QString());
    box.setInformativeText(paragraphs.join(QStringLiteral("\n\n")));
    box.setStandardButtons(QMessageBox::Ok);
    box.show();
    box.raise();
    box.activateWindow();
}

void AppDelegate::handleCommand(AppCommand command) {
    switch (command) {
    // Started again with nothing to do: an area capture, as from the menu.
    case AppCommand::reopen:
        capture(CaptureAction::area);
        return;
    // Desktop key bindings run these, so they act at once, as the global shortcuts do.
    case AppCommand::area:
        CaptureActions::perform(CaptureAction::area);
        return;
    case AppCommand::fullScreen:
        CaptureActions::perform(CaptureAction::fullScreen);
        return;
    case AppCommand::recents:
        CaptureActions::perform(CaptureAction::recents);
        return;
    case AppCommand::settings:
        showSettings();
        return;
    case AppCommand::quit:
        QCoreApplication::quit();
        return;
    }
}

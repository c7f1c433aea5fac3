#include "capture/CaptureController.h"

#include "annotation/Geometry.h"
#include "capture/ActiveWindow.h"
#include "capture/Output.h"
#include "capture/OverlayWindow.h"
#include "capture/SaveDialog.h"
#include "capture/Toast.h"
#include "capture/Trace.h"
#include "capture/WindowFinder.h"
#include "pinned/PinnedCapture.h"
#include "platform/Clipboard.h"
#include "platform/SwayIpc.h"
#include "settings/Prefs.h"
#include "shortcuts/HotKey.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScreen>

namespace {

// The macOS virtual key code of Escape.
constexpr quint32 escapeKeyCode = 53;

QScreen* screenUnderPointer() {
    // Qt on Wayland knows the pointer only over its own windows, and a capture from a shortcut
    // has none: the compositor says where it is where it can.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        if (const std::optional<QString> focused = SwayIpc::focusedOutput()) {
            for (QScreen* screen : QGuiApplication::screens()) {
                if (screen->name() == *focused)
                    return screen;
            }
        }
    }
    const QPoint pointer = QCursor::pos();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (Geometry::contains(QRectF(screen->geometry()), QPointF(pointer)))
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

// A screen by its index in Qt's list (the primary first) or by its name.
QScreen* screenNamed(const QString& which) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    bool isIndex = false;
    const int index = which.toInt(&isIndex);
    if (isIndex)
        return index >= 0 && index < screens.size() ? screens[index] : nullptr;
    for (QScreen* screen : screens) {
        if (screen->name() == which)
            return screen;
    }
    return nullptr;
}

QString screenList() {
    QStringList names;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size(); ++i)
        names.append(QStringLiteral("%1 %2").arg(i).arg(screens[i]->name()));
    return names.join(QStringLiteral(", "));
}

CaptureController::CallerResult failure(const QString& error) {
    return {CaptureController::CallerResult::failed, {}, error};
}

std::optional<QString> targetFile(bool autoSave) {
    if (!autoSave)
        return std::nullopt;
    return QDir(Prefs::saveFolder()).filePath(Prefs::newFileName());
}

// What the toast after a copy says in each case.
struct CopyToasts {
    QString saved;
    QString copied;
    QString notSaved;
};

// Copies and files the capture, saving it to `target` when there is one; the toast names a file
// that could not be written and why.
void deliverWithToast(const Rendered& rendered, const std::optional<QString>& target,
                      QScreen* screen, const CopyToasts& toasts) {
    const bool hasTarget = target.has_value();
    QPointer<QScreen> where(screen);
    Output::deliver(rendered, true, target, true,
                    [hasTarget, where, toasts](const Status& written) {
                        if (!written)
                            Toast::show(toasts.notSaved + u'\n' + written.message(), where);
                        else
                            Toast::show(hasTarget ? toasts.saved : toasts.copied, where);
                    });
}

// The message of a grab that failed or matched no display.
QString failureOf(const GrabResult& result) {
    return result ? CaptureController::tr("No se encontró ninguna pantalla que capturar.")
                  : result.message();
}

} // namespace

void CaptureController::LaterDeleter::operator()(OverlayWindow* window) const {
    // A canvas ends the capture from inside its own event handler, so the window it lives in
    // may only go once that handler has returned.
    window->deleteLater();
}

CaptureController& CaptureController::shared() {
    static CaptureController* instance = new CaptureController(nullptr, qApp);
    return *instance;
}

CaptureController::CaptureController(std::unique_ptr<ScreenGrabber> grabber, QObject* parent)
    : QObject(parent), m_grabber(std::move(grabber)) {}

CaptureController::~CaptureController() = default;

void CaptureController::prepareBackends() {
    grabber();
    windowFinder();
    activeWindow();
    OverlayWindow::prepare();
}

ScreenGrabber& CaptureController::grabber() {
    if (!m_grabber)
        m_grabber = makeScreenGrabber();
    return *m_grabber;
}

WindowFinder& CaptureController::windowFinder() {
    if (!m_windowFinder)
        m_windowFinder = makeWindowFinder();
    return *m_windowFinder;
}

ActiveWindow& CaptureController::activeWindow() {
    if (!m_activeWindow)
        m_activeWindow = makeActiveWindow();
    return *m_activeWindow;
}

QList<OverlayWindow*> CaptureController::windows() const {
    QList<OverlayWindow*> list;
    for (const OverlayPtr& window : m_windows)
        list.append(window.get());
    return list;
}

QList<QRectF> CaptureController::windowRectsFor(const QRect& frame, const QList<QRectF>& rects) {
    const QRectF display(frame);
    const QRectF local(QPointF(0, 0), display.size());
    QList<QRectF> result;
    for (const QRectF& rect : rects) {
        if (!rect.intersects(display))
            continue;
        result.append(rect.translated(-display.topLeft()).intersected(local));
    }
    return result;
}

QString CaptureController::textToast(const QString& text) {
    const qsizetype lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size();
    if (lines == 1)
        return tr("Texto copiado (1 línea)");
    return tr("Texto copiado (%1 líneas)").arg(lines);
}

CaptureController::CallerResult CaptureController::busyFailure() {
    return failure(tr("Ya hay una captura en curso"));
}

CaptureController::CallerResult CaptureController::grabFailure(const QString& reason) {
    return failure(tr("No se pudo capturar la pantalla: %1").arg(reason));
}

void CaptureController::begin(std::optional<ForCaller> caller) {
    if (m_busy) {
        if (caller)
            caller->done(busyFailure());
        return;
    }
    m_busy = true;
    m_caller = std::move(caller);
    Trace::start();
    m_previousApp = activeWindow().current();
    // Taken before any overlay exists, or the overlays would be the only windows found.
    const QList<QRectF> rects = windowFinder().frontToBackRects();
    Trace::mark("window finder");

    QPointer<CaptureController> self(this);
    grabber().capture(QGuiApplication::screens(), [self, rects](GrabResult result) {
        if (!self)
            return;
        Trace::mark("grab delivered");
        if (!result || result->isEmpty()) {
            self->m_busy = false;
            self->m_previousApp.reset();
            if (const std::optional<ForCaller> caller = self->takeCaller())
                caller->done(grabFailure(failureOf(result)));
            else
                self->handleCaptureFailure(failureOf(result));
            return;
        }
        self->present(*result, rects);
    });
}

void CaptureController::present(const QList<Shot>& shots, const QList<QRectF>& windowRects) {
    QPointer<CaptureController> self(this);
    for (const Shot& shot : shots) {
        if (!shot.screen)
            continue;
        auto window = OverlayPtr(new OverlayWindow(shot));
        CanvasView* canvas = window->canvas();
        canvas->setWindowRects(windowRectsFor(window->frame(), windowRects));
        canvas->setWindowPicking(windowFinder().listsWindows());

        QPointer<CanvasView> weakCanvas(canvas);
        canvas->onBeginSelection = [self, weakCanvas] {
            if (!self)
                return;
            // One selection across all displays.
            for (const OverlayPtr& other : self->m_windows) {
                if (other->canvas() != weakCanvas)
                    other->canvas()->clearSelection();
            }
        };
        canvas->onFinish = [self](const CanvasView::Outcome& outcome) {
            if (self)
                self->finish(outcome);
        };
        canvas->onAutoCopy = [self](const Rendered& rendered) {
            if (!self)
                return;
            if (self->m_caller) {
                if (self->m_caller->copy)
                    Output::deliver(rendered, true, std::nullopt, false);
                return;
            }
            self->m_lastAutoCopied = rendered;
            Output::deliver(rendered, true, std::nullopt, false);
        };
        window->onFirstPaint = [self] {
            Trace::mark("overlay on the display");
            if (self && --self->m_unpainted == 0 && self->onOverlaysShown)
                self->onOverlaysShown();
        };
        m_windows.push_back(std::move(window));
    }
    Trace::mark("overlays made");
    m_unpainted = int(m_windows.size());
    for (const OverlayPtr& window : m_windows)
        window->showFrozen();
    Trace::mark("overlays shown");

    if (m_windows.empty()) {
        // Shots whose display went away in the meantime: nothing to show, so nothing runs.
        endCapture();
        return;
    }
    QScreen* pointerScreen = screenUnderPointer();
    OverlayWindow* key = m_windows.front().get();
    for (const OverlayPtr& window : m_windows) {
        if (window->screen() == pointerScreen) {
            key = window.get();
            break;
        }
    }
    key->makeKey();
    CanvasView::warmUpOCR();

    m_escapeKey = HotKey::create(escapeKeyCode, 0, [self] {
        if (!self)
            return;
        for (const OverlayPtr& window : self->m_windows) {
            if (window->canvas()->cancelTyping())
                return;
        }
        self->finish(CanvasView::Outcome::makeCancel());
    });
}

void CaptureController::finish(const CanvasView::Outcome& outcome) {
    if (!m_busy)
        return;
    QScreen* screen = nullptr;
    for (const OverlayPtr& window : m_windows) {
        if (window->isActiveWindow() || window->canvas()->hasFocus()) {
            screen = window->screen();
            break;
        }
    }

    m_escapeKey.reset();
    for (const OverlayPtr& window : m_windows) {
        window->releaseKeys();
        window->hide();
    }
    m_windows.clear();
    m_unpainted = 0;

    // Recognised text still goes where the user asked; the script then gets no image.
    if (m_caller && outcome.kind != CanvasView::Outcome::text) {
        finishForCaller(outcome);
        endCapture();
        return;
    }
    switch (outcome.kind) {
    case CanvasView::Outcome::copy:
        deliverCopy(outcome.rendered, screen);
        break;
    case CanvasView::Outcome::save:
        Output::deliver(outcome.rendered, false, std::nullopt, true);
        // Still busy while the dialog is open: no capture may start behind it.
        save(outcome.rendered);
        break;
    case CanvasView::Outcome::text:
        Clipboard::set([&] {
            auto text = std::make_unique<QMimeData>();
            text->setText(outcome.recognizedText);
            return text;
        }());
        Toast::show(textToast(outcome.recognizedText), screen);
        break;
    case CanvasView::Outcome::pin:
        Output::deliver(outcome.rendered, true, std::nullopt, true);
        PinnedCapture::pin(outcome.rendered, outcome.pinRect);
        break;
    case CanvasView::Outcome::cancel:
        if (m_lastAutoCopied)
            Output::deliver(*m_lastAutoCopied, false, std::nullopt, true);
        break;
    }
    endCapture();
}

void CaptureController::deliverCopy(const Rendered& rendered, QScreen* screen) {
    deliverWithToast(rendered, targetFile(Prefs::autoSaveArea()), screen,
                     {tr("Copiado y guardado"), tr("Copiado al portapapeles"),
                      tr("Copiado, pero no se pudo guardar en la carpeta")});
}

void CaptureController::finishForCaller(const CanvasView::Outcome& outcome) {
    const ForCaller caller = *takeCaller();
    switch (outcome.kind) {
    case CanvasView::Outcome::copy:
    case CanvasView::Outcome::pin:
        handTo(caller, outcome.rendered);
        break;
    case CanvasView::Outcome::save:
        handTo(caller, outcome.rendered);
        save(outcome.rendered);
        break;
    case CanvasView::Outcome::cancel:
        caller.done({CallerResult::cancelled, {}, {}});
        break;
    case CanvasView::Outcome::text:
        break;
    }
}

std::optional<CaptureController::ForCaller> CaptureController::takeCaller() {
    std::optional<ForCaller> caller;
    caller.swap(m_caller);
    return caller;
}

void CaptureController::handTo(const ForCaller& caller, const Rendered& rendered) {
    if (caller.copy)
        Output::deliver(rendered, true, std::nullopt, false);
    Output::encode(rendered, [done = caller.done](std::optional<QByteArray> png) {
        if (png)
            done({CallerResult::image, *png, {}});
        else
            done(failure(tr("No se pudo codificar la captura como PNG")));
    });
}

void CaptureController::endCapture() {
    if (const std::optional<ForCaller> caller = takeCaller())
        caller->done(failure(tr("La captura terminó sin imagen")));
    m_lastAutoCopied.reset();
    m_busy = false;
    if (m_previousApp) {
        activeWindow().activate(*m_previousApp);
        m_previousApp.reset();
    }
}

void CaptureController::captureFullScreen(std::optional<ForCaller> caller) {
    if (m_busy) {
        if (caller)
            caller->done(busyFailure());
        return;
    }
    const bool named = caller && !caller->screen.isEmpty();
    QScreen* screen = named ? screenNamed(caller->screen) : screenUnderPointer();
    if (!screen) {
        if (caller)
            caller->done(failure(tr("No hay ninguna pantalla «%1»; las que hay: %2")
                                     .arg(caller->screen, screenList())));
        return;
    }
    m_busy = true;

    QPointer<CaptureController> self(this);
    QPointer<QScreen> where(screen);
    grabber().capture({screen}, [self, where, caller](GrabResult result) {
        if (!self)
            return;
        self->m_busy = false;
        if (!result || result->isEmpty() || !where) {
            if (caller)
                caller->done(grabFailure(failureOf(result)));
            else
                self->handleCaptureFailure(failureOf(result));
            return;
        }
        const Rendered rendered{result->first().image, QSizeF(where->geometry().size())};
        if (caller) {
            handTo(*caller, rendered);
            return;
        }
        deliverWithToast(rendered, targetFile(Prefs::autoSaveFullScreen()), where,
                         {tr("Pantalla completa copiada y guardada"),
                          tr("Pantalla completa copiada"),
                          tr("Copiada, pero no se pudo guardar en la carpeta")});
    });
}

void CaptureController::handleCaptureFailure(const QString& error) {
    const bool earlierRequest = Prefs::didRequestScreenCapture();
    Prefs::setBool(QLatin1String(Prefs::Keys::didRequestScreenCapture), true);
    if (grabber().requestAccess()) {
        // Access was never the problem: the user is owed the reason.
        showFailureAlert(error);
        return;
    }
    // The first refusal already showed the desktop's own prompt.
    if (earlierRequest)
        showPermissionAlert(error.isEmpty() ? std::nullopt : std::optional<QString>(error));
}

void CaptureController::showFailureAlert(const QString& message) {
    QMessageBox alert;
    alert.setIcon(QMessageBox::Warning);
    alert.setText(tr("No se pudo capturar la pantalla"));
    alert.setInformativeText(message);
    alert.setStandardButtons(QMessageBox::Ok);
    alert.setWindowFlag(Qt::WindowStaysOnTopHint);
    alert.exec();
}

void CaptureController::showPermissionAlert(const std::optional<QString>& detail) {
    QMessageBox alert;
    alert.setIcon(QMessageBox::Warning);
    alert.setText(tr("Brindlecap necesita permiso para capturar la pantalla"));
    QString informative = tr("Permite las capturas de pantalla a Brindlecap en la configuración de "
                             "privacidad de tu escritorio y después vuelve a abrir Brindlecap.");
    if (detail)
        informative += QStringLiteral("\n\n(%1)").arg(*detail);
    alert.setInformativeText(informative);
    QPushButton* open = alert.addButton(tr("Abrir configuración"), QMessageBox::AcceptRole);
    alert.addButton(tr("Cancelar"), QMessageBox::RejectRole);
    alert.setDefaultButton(open);
    alert.setWindowFlag(Qt::WindowStaysOnTopHint);
    alert.exec();
    if (alert.clickedButton() != open)
        return;
    // No desktop-neutral address exists for the privacy settings: try the usual settings apps.
    const QList<QStringList> settingsApps = {
        {QStringLiteral("gnome-control-center"), QStringLiteral("privacy")},
        {QStringLiteral("systemsettings")}};
    for (const QStringList& app : settingsApps) {
        if (QProcess::startDetached(app.first(), app.mid(1)))
            return;
    }
}

void CaptureController::save(const Rendered& rendered) {
    SaveDialog::save(rendered);
}

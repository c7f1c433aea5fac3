#include "recents/RecentDrawer.h"

#include "annotation/Flattening.h"
#include "annotation/Rendered.h"
#include "capture/ActiveWindow.h"
#include "capture/Output.h"
#include "capture/Toast.h"
#include "capture/TransientPanel.h"
#include "platform/Clipboard.h"
#include "platform/OutsideClicks.h"
#include "recents/CaptureTile.h"
#include "recents/DrawerLayout.h"
#include "recents/DrawerPanel.h"
#include "recents/History.h"
#include "recents/TextIndex.h"
#include "recents/TextIndexer.h"
#include "recents/TextMatch.h"
#include "settings/Prefs.h"
#include "shortcuts/HotKey.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWindow>

#include <cmath>

namespace {

constexpr int openMs = 220;
constexpr int closeMs = 160;
// The macOS virtual key code of Escape, as hot keys store it.
constexpr quint32 escapeKeyCode = 53;

QLabel* label(const QString& text, int pixelSize, QFont::Weight weight, double alpha,
              QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont font = l->font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    l->setFont(font);
    l->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, %1); background: transparent;")
                         .arg(int(std::lround(alpha * 255))));
    l->adjustSize();
    return l;
}

QLabel* titleLabel(QWidget* parent) {
    return label(QCoreApplication::translate("RecentDrawer", "🍃  Capturas recientes"), 13,
                 QFont::DemiBold, 1, parent);
}

QPushButton* clearButton(const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    QFont font = button->font();
    font.setPixelSize(11);
    button->setFont(font);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(tip);
    button->setStyleSheet(QStringLiteral(
        "QPushButton { color: white; background: rgba(255, 255, 255, 0.12); border: none;"
        " border-radius: 5px; padding: 2px 9px; }"
        "QPushButton:hover { background: rgba(255, 255, 255, 0.22); }"
        "QPushButton:pressed { background: rgba(255, 255, 255, 0.3); }"));
    button->adjustSize();
    return button;
}

QLineEdit* makeSearchField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    QFont font = field->font();
    font.setPixelSize(12);
    field->setFont(font);
    field->setPlaceholderText(QCoreApplication::translate("RecentDrawer", "Buscar texto"));
    field->setClearButtonEnabled(true);
    field->setStyleSheet(QStringLiteral(
        "QLineEdit { color: white; background: rgba(255, 255, 255, 0.1); border: 1px solid "
        "rgba(255, 255, 255, 0.18); border-radius: 6px; padding: 1px 6px; }"
        "QLineEdit:focus { border-color: rgba(255, 255, 255, 0.4); }"));
    field->resize(200, 22);
    return field;
}

// The strip scrolls sideways; a plain mouse wheel turns vertically, so both directions move it.
class SidewaysWheel : public QObject {
public:
    explicit SidewaysWheel(QScrollArea* area) : QObject(area), m_area(area) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Wheel)
            return false;
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const QPoint pixels = wheel->pixelDelta();
        const QPoint angle = wheel->angleDelta();
        int delta = !pixels.isNull() ? pixels.x() + pixels.y() : (angle.x() + angle.y()) / 2;
        QScrollBar* bar = m_area->horizontalScrollBar();
        bar->setValue(bar->value() - delta);
        return true;
    }

private:
    QScrollArea* m_area;
};

// What a copy puts on the clipboard: the file's PNG and its decoded picture, read off the main
// thread. The TIFF is made only if another program asks for it.
struct ClipboardImage {
    QByteArray png;
    Rendered rendered;
};

std::optional<ClipboardImage> readForClipboard(const QString& url) {
    QFile file(url);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    ClipboardImage out;
    out.png = file.readAll();
    const QImage image = QImage::fromData(out.png, "PNG");
    // Bytes that are no image would paste as nothing: reported as unreadable instead.
    if (image.isNull())
        return std::nullopt;
    // The PNG records its backing scale as its density; the TIFF declares the same.
    const int dpm = image.dotsPerMeterX();
    const double scale = dpm > 0 ? std::max(1.0, double(dpm) / Flattening::dotsPerMeter(1)) : 1.0;
    out.rendered = Rendered{image, QSizeF(image.size()) / scale};
    return out;
}

} // namespace

RecentDrawer& RecentDrawer::shared() {
    static QPointer<RecentDrawer> instance;
    if (!instance)
        instance = new RecentDrawer;
    return *instance;
}

RecentDrawer::RecentDrawer()
    : QObject(QCoreApplication::instance()), m_activeWindow(makeActiveWindow()) {
    m_loader.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    connect(&TextIndexer::shared(), &TextIndexer::indexed, this, &RecentDrawer::takeText);
    // Quitting with the drawer open: the click monitor and the Escape grab let go of the X
    // connection while it exists; at this object's destruction it is gone.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
        m_monitor.reset();
        m_escapeKey.reset();
    });
}

RecentDrawer::~RecentDrawer() {
    if (m_closed)
        *m_closed = true;
    m_loader.waitForDone();
    // Past the application's own destruction widgets can no longer be deleted.
    if (!QCoreApplication::closingDown())
        delete m_panel;
}

DrawerPanel* RecentDrawer::panel() const {
    return m_panel;
}

QLineEdit* RecentDrawer::searchField() const {
    return m_search;
}

// Finding a font with the leaf (a colour emoji font) took 45 ms of the first opening here, and
// its glyph is a picture to decode.
void RecentDrawer::prepare() {
    const std::unique_ptr<QLabel> title(titleLabel(nullptr));
    QImage scratch(title->size(), QImage::Format_ARGB32_Premultiplied);
    title->render(&scratch);
}

void RecentDrawer::escape() {
    if (m_search && !m_search->text().isEmpty())
        m_search->clear();
    else
        hide();
}

void RecentDrawer::toggle() {
    if (m_panel)
        hide();
    else
        show();
}

void RecentDrawer::show() {
    hide();
    if (QScreen* screen = screenUnderPointer())
        build(screen);
}

void RecentDrawer::build(QScreen* screen) {
    const QStringList entries = History::items();
    const int n = int(entries.size());
    const QRect visible = screen->availableGeometry();
    const int width = DrawerLayout::panelWidth(n, visible.width());
    const QRect final = DrawerLayout::finalFrame(visible, width);

    auto* panel = new DrawerPanel;
    panel->resize(final.size());
    connect(panel, &DrawerPanel::escapePressed, this, &RecentDrawer::escape);
    connect(panel, &DrawerPanel::shown, this, &RecentDrawer::shown);

    QLabel* title = titleLabel(panel);
    QLabel* hint = label(tr("Clic: copiar  ·  Arrastrar: soltar en otra app  ·  Clic derecho: más"
                            "  ·  Esc: cerrar"),
                         11, QFont::Normal, 0.55, panel);
    QPushButton* clear =
        n > 0 ? clearButton(tr("Vaciar"), tr("Borrar definitivamente todas las capturas recientes"),
                            panel)
              : nullptr;
    QLineEdit* search = n > 0 ? makeSearchField(panel) : nullptr;
    const DrawerLayout::Header header = DrawerLayout::header(
        width, title->size(), hint->size(), clear ? std::optional(clear->size()) : std::nullopt,
        search ? std::optional(search->size()) : std::nullopt);
    title->setGeometry(header.title);
    if (clear) {
        clear->setGeometry(*header.clearButton);
        connect(clear, &QPushButton::clicked, this, &RecentDrawer::clearAll);
    }
    if (header.hint)
        hint->setGeometry(*header.hint);
    else
        delete hint;
    if (search && header.search) {
        search->setGeometry(*header.search);
        connect(search, &QLineEdit::textChanged, this, &RecentDrawer::filter);
        m_search = search;
    } else {
        delete search;
    }

    if (n > 0) {
        auto* strip = new QScrollArea(panel);
        strip->setGeometry(DrawerLayout::stripFrame(width));
        strip->setFrameShape(QFrame::NoFrame);
        strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        strip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        strip->setStyleSheet(QStringLiteral("background: transparent;"));
        strip->viewport()->installEventFilter(new SidewaysWheel(strip));
        auto* document = new QWidget;
        document->resize(DrawerLayout::contentWidth(n), DrawerLayout::tileSize.height());
        QList<CaptureTile*> tiles;
        QPointer<QScreen> target = screen;
        for (int i = 0; i < n; ++i) {
            const QRect frame(QPoint(i * DrawerLayout::tileStep, 0), DrawerLayout::tileSize);
            auto* tile = new CaptureTile(frame, entries[i], document);
            const QString url = entries[i];
            connect(tile, &CaptureTile::copyRequested, this,
                    [this, url, target] { copy(url, target); });
            // Queued: the tile that asks for the rebuild goes with the old panel.
            connect(tile, &CaptureTile::changed, this, &RecentDrawer::show, Qt::QueuedConnection);
            connect(tile, &CaptureTile::dropped, this, &RecentDrawer::hide);
            tiles << tile;
        }
        strip->setWidget(document);
        m_strip = strip;
        m_tiles = {tiles.begin(), tiles.end()};
        m_noMatch = label({}, 13, QFont::Normal, 0.6, panel);
        m_noMatch->hide();
        loadThumbnails(tiles, screen->devicePixelRatio());
    } else {
        const QString text =
            Prefs::keepHistory()
                ? tr("Aún no hay capturas. Haz una y aparecerá aquí.")
                : tr("El historial está apagado. Puedes activarlo en Configuración.");
        QLabel* message = label(text, 13, QFont::Normal, 0.6, panel);
        message->setObjectName(QStringLiteral("emptyMessage"));
        message->setGeometry(DrawerLayout::emptyMessageFrame(width, message->size()));
    }

    m_panel = panel;
    const QRect start = final.translated(0, DrawerLayout::slide);
    panel->setGeometry(start);
    // Made before showing so the window lands on the screen asked for, not the primary one.
    panel->winId();
    if (QWindow* window = panel->windowHandle())
        window->setScreen(screen);
    panel->setGeometry(start);
    panel->show();
    panel->raise();

    auto* slide = new QPropertyAnimation(panel, "pos", panel);
    slide->setDuration(openMs);
    slide->setEasingCurve(QEasingCurve::OutCubic);
    slide->setEndValue(final.topLeft());
    slide->start(QAbstractAnimation::DeleteWhenStopped);

    QPointer<RecentDrawer> self = this;
    m_monitor = std::make_unique<OutsideClicks>([self] {
        if (!self || !self->m_panel)
            return;
        QWidget* under = QApplication::topLevelAt(QCursor::pos());
        if (under != self->m_panel && !qobject_cast<QMenu*>(under)) {
            // The click gives the keyboard to what was clicked.
            self->m_previousWindow.reset();
            self->hide();
        }
    });
    // Wayland tells no program of clicks in others; there a click elsewhere shows as the panel
    // losing the keyboard it had (a context menu of its own takes none).
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        connect(qApp, &QGuiApplication::focusWindowChanged, panel,
                [self, panel, hadKeys = false](QWindow* now) mutable {
                    if (now == panel->windowHandle())
                        hadKeys = true;
                    else if (hadKeys && (!now || now->type() != Qt::Popup) && self &&
                             self->m_panel == panel)
                        self->hide();
                });
    }
    m_escapeKey = HotKey::create(escapeKeyCode, 0, [self] {
        if (self)
            self->escape();
    });
    // Typing goes to the search field. A window that bypasses the window manager gives no focus
    // back when it closes, so the drawer hands it back itself; without a search field the
    // keyboard stays with the user's window while the Escape hot key works.
    if (m_search) {
        m_previousWindow = m_activeWindow->current();
        panel->activateWindow();
        m_search->setFocus(Qt::ActiveWindowFocusReason);
    } else if (!m_escapeKey) {
        panel->activateWindow();
    }
}

void RecentDrawer::filter() {
    if (!m_search || !m_strip)
        return;
    const QStringList terms = TextMatch::terms(m_search->text());
    int shown = 0;
    for (const QPointer<CaptureTile>& tile : std::as_const(m_tiles)) {
        if (!tile)
            continue;
        const bool matches = tile->filter(terms);
        tile->setVisible(matches);
        if (matches)
            tile->move(shown++ * DrawerLayout::tileStep, 0);
    }
    m_strip->widget()->resize(DrawerLayout::contentWidth(shown), DrawerLayout::tileSize.height());
    m_strip->horizontalScrollBar()->setValue(0);
    const bool none = shown == 0 && !terms.isEmpty();
    if (none) {
        m_noMatch->setText(tr("Ninguna captura contiene «%1»").arg(m_search->text().simplified()));
        m_noMatch->adjustSize();
        m_noMatch->setGeometry(
            DrawerLayout::emptyMessageFrame(m_panel->width(), m_noMatch->size()));
    }
    m_noMatch->setVisible(none);
}

void RecentDrawer::takeText(const QString& entry) {
    for (const QPointer<CaptureTile>& tile : std::as_const(m_tiles)) {
        if (tile && tile->url() == entry) {
            tile->setText(TextIndex::text(entry).value_or(QStringList()));
            filter();
        }
    }
}

void RecentDrawer::loadThumbnails(const QList<CaptureTile*>& tiles, qreal ratio) {
    m_closed = std::make_shared<std::atomic_bool>(false);
    const QSize box(int(std::ceil(DrawerLayout::tileImageArea.width() * ratio)),
                    int(std::ceil(DrawerLayout::tileImageArea.height() * ratio)));
    auto remaining = std::make_shared<int>(int(tiles.size()));
    for (CaptureTile* tile : tiles) {
        QPointer<CaptureTile> target = tile;
        // Results come back through the drawer, which outlives every tile, and find their tile
        // on the main thread if it still exists.
        m_loader.start([this, target, url = tile->url(), box, ratio, remaining, closed = m_closed] {
            auto thumb = *closed ? std::nullopt : History::keptThumbnail(url, box);
            auto text = *closed ? std::nullopt : TextIndex::text(url);
            QMetaObject::invokeMethod(this, [this, target, thumb, text, ratio, remaining] {
                if (!target)
                    return;
                if (text) {
                    target->setText(*text);
                    filter();
                } else {
                    // Not recognised yet, or its kept text was lost: read again, then matched.
                    TextIndexer::shared().catchUp();
                }
                if (thumb) {
                    QImage image = thumb->first;
                    image.setDevicePixelRatio(ratio);
                    target->setThumbnail(image, thumb->second);
                } else {
                    target->setThumbnail({}, {});
                }
                if (--*remaining == 0)
                    Q_EMIT thumbnailsLoaded();
            });
        });
    }
}

void RecentDrawer::hide() {
    if (!m_panel)
        return;
    DrawerPanel* panel = m_panel;
    m_panel.clear();
    m_search.clear();
    m_strip.clear();
    m_tiles.clear();
    if (const std::optional<uint32_t> previous = std::exchange(m_previousWindow, std::nullopt))
        m_activeWindow->activate(*previous);
    m_escapeKey.reset();
    m_monitor.reset();
    if (m_closed)
        *m_closed = true;

    auto* close = new QParallelAnimationGroup(panel);
    auto* sink = new QPropertyAnimation(panel, "pos");
    sink->setDuration(closeMs);
    sink->setEndValue(panel->pos() + QPoint(0, panel->height() + 30));
    auto* fade = new QPropertyAnimation(panel, "windowOpacity");
    fade->setDuration(closeMs);
    fade->setEndValue(0.0);
    close->addAnimation(sink);
    close->addAnimation(fade);
    // Only this panel goes: a drawer opened meanwhile is another one.
    connect(close, &QAbstractAnimation::finished, panel, &QObject::deleteLater);
    close->start();
}

void RecentDrawer::copy(const QString& url, QScreen* screen) {
    hide();
    QPointer<QScreen> target = screen;
    m_loader.start([this, url, target] {
        std::optional<ClipboardImage> copied = readForClipboard(url);
        QMetaObject::invokeMethod(this, [target, copied = std::move(copied)] {
            if (!copied) {
                Toast::show(tr("No se pudo leer la captura"), target);
                return;
            }
            Clipboard::set(Output::clipboardData(copied->png, copied->rendered));
            Toast::show(tr("Copiado al portapapeles"), target);
        });
    });
}

void RecentDrawer::clearAll() {
    QPointer<QScreen> screen = m_panel ? m_panel->screen() : nullptr;
    hide();
    if (History::confirmAndClear())
        Toast::show(tr("Capturas recientes vaciadas"), screen);
}

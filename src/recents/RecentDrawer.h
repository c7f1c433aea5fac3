#pragma once

#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <atomic>
#include <memory>

class CaptureTile;
class DrawerPanel;
class HotKey;
class OutsideClicks;
class QScreen;

// The strip of recent captures that slides up from the bottom of the screen under the pointer:
// one tile per history entry, newest first. Closes on Escape, on a click elsewhere, after a copy
// and after a drop. Made on first use, lives as long as the process; main thread only.
class RecentDrawer : public QObject {
    Q_OBJECT

public:
    static RecentDrawer& shared();
    ~RecentDrawer() override;

    // Loads what the first opening would otherwise wait for; for an idle moment after launch.
    void prepare();
    // Closes any open drawer and opens a new one on the screen under the pointer.
    void show();
    // Slides the drawer away; nothing when it is closed.
    void hide();
    // What the recents action does: hide() when open, else show().
    void toggle();

    // Puts the entry on the clipboard as PNG and TIFF, closes the drawer and confirms on the
    // screen; an unreadable or undecodable entry is reported there instead.
    void copy(const QString& url, QScreen* screen);
    // "Vaciar": closes the drawer, asks, and confirms on the drawer's screen.
    void clearAll();

    // The open drawer; null while closed.
    DrawerPanel* panel() const;

Q_SIGNALS:
    // The panel's first frame is painted.
    void shown();
    // Every tile of the open drawer has its thumbnail, or knows its entry is unreadable.
    void thumbnailsLoaded();

private:
    RecentDrawer();
    void build(QScreen* screen);
    void loadThumbnails(const QList<CaptureTile*>& tiles, qreal ratio);

    QPointer<DrawerPanel> m_panel;
    std::unique_ptr<OutsideClicks> m_monitor;
    std::unique_ptr<HotKey> m_escapeKey;
    // Thumbnails decode here, apart from the pool that encodes deliveries.
    QThreadPool m_loader;
    // Set when the drawer that asked for the thumbnails closes, so decoding stops early.
    std::shared_ptr<std::atomic_bool> m_closed;
};

#pragma once

#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

class ActiveWindow;
class CaptureTile;
class DrawerPanel;
class HotKey;
class OutsideClicks;
class QLabel;
class QLineEdit;
class QScreen;
class QScrollArea;

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
    // Escape: empties the search field first, then closes the drawer.
    void escape();

    // Puts the entry on the clipboard as PNG and TIFF, closes the drawer and confirms on the
    // screen; an unreadable or undecodable entry is reported there instead.
    void copy(const QString& url, QScreen* screen);
    // "Vaciar": closes the drawer, asks, and confirms on the drawer's screen.
    void clearAll();

    // The open drawer; null while closed.
    DrawerPanel* panel() const;
    // The open drawer's search field; null while closed or without entries.
    QLineEdit* searchField() const;

Q_SIGNALS:
    // The panel's first frame is painted.
    void shown();
    // Every tile of the open drawer has its thumbnail, or knows its entry is unreadable.
    void thumbnailsLoaded();

private:
    RecentDrawer();
    void build(QScreen* screen);
    void loadThumbnails(const QList<CaptureTile*>& tiles, qreal ratio);
    // Shows the tiles whose text matches the search field, side by side from the left.
    void filter();
    void takeText(const QString& entry);

    QPointer<DrawerPanel> m_panel;
    QPointer<QLineEdit> m_search;
    QPointer<QScrollArea> m_strip;
    QPointer<QLabel> m_noMatch;
    QList<QPointer<CaptureTile>> m_tiles;
    // The window that had the keyboard before the drawer took it for the search field.
    std::unique_ptr<ActiveWindow> m_activeWindow;
    std::optional<uint32_t> m_previousWindow;
    std::unique_ptr<OutsideClicks> m_monitor;
    std::unique_ptr<HotKey> m_escapeKey;
    // Thumbnails decode here, apart from the pool that encodes deliveries.
    QThreadPool m_loader;
    // Set when the drawer that asked for the thumbnails closes, so decoding stops early.
    std::shared_ptr<std::atomic_bool> m_closed;
};

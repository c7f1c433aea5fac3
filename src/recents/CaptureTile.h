#pragma once

#include "recents/TextMatch.h"

#include <QImage>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QWidget>

#include <optional>

class QPainter;

// One history entry in the recents drawer: its thumbnail and caption. A click asks for a copy,
// a press that moves further drags the file to other programs, and the context menu
// copies, reveals, saves or removes it.
class CaptureTile : public QWidget {
    Q_OBJECT

public:
    CaptureTile(const QRect& frame, const QString& url, QWidget* parent);

    // The thumbnail arrives later, decoded off the main thread; a null image marks the entry
    // unreadable.
    void setThumbnail(const QImage& image, QSize pixelSize);

    // The text recognised in the entry, which the search matches against.
    void setText(const QStringList& lines);
    // Whether the entry's text has every term; while there are terms, the caption shows where.
    // No terms match every tile and bring the date back.
    bool filter(const QStringList& terms);

    const QString& url() const { return m_url; }

    void copyItem();
    void reveal();
    void saveToFolder();
    void remove();

Q_SIGNALS:
    void copyRequested();
    // The entry's file was removed from the history.
    void changed();
    // A drag ended on a target that took the file.
    void dropped();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void startDrag();
    void paintExcerpt(QPainter& p, const QRect& line) const;

    QString m_url;
    QImage m_thumbnail;
    QString m_date;
    QString m_caption;
    QStringList m_lines;
    QString m_foldedText;
    TextMatch::Excerpt m_excerpt;
    bool m_hovering = false;
    std::optional<QPointF> m_mouseDownPoint;
    bool m_dragging = false;
};

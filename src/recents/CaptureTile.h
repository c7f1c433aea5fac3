#pragma once

#include <QDateTime>
#include <QImage>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QWidget>

#include <optional>

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

    const QString& url() const { return m_url; }
    const QImage& thumbnail() const { return m_thumbnail; }
    const QString& caption() const { return m_caption; }
    bool hovering() const { return m_hovering; }

    // "Hoy, 8:19", "Ayer, 23:05", otherwise the short date and time of the locale; each word
    // capitalised.
    static QString dateText(const QDateTime& when, const QDateTime& now, const QLocale& locale);

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

    QString m_url;
    QImage m_thumbnail;
    QString m_date;
    QString m_caption;
    bool m_hovering = false;
    std::optional<QPointF> m_mouseDownPoint;
    bool m_dragging = false;
};

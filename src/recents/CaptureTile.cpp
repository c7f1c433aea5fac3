#include "recents/CaptureTile.h"

#include "capture/CaptureFile.h"
#include "capture/Toast.h"
#include "platform/FileManager.h"
#include "recents/DrawerLayout.h"
#include "recents/History.h"
#include "settings/Config.h"
#include "settings/Prefs.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

namespace {

QString capitalisedWords(const QString& text) {
    QString out = text;
    bool wordStart = true;
    for (QChar& c : out) {
        if (wordStart && c.isLetter())
            c = c.toUpper();
        wordStart = !c.isLetterOrNumber();
    }
    return out;
}

// "Hoy, 8:19", "Ayer, 23:05", otherwise the short date and time of the locale; each word
// capitalised.
QString dateText(const QDateTime& when, const QDateTime& now, const QLocale& locale) {
    const qint64 daysAgo = when.date().daysTo(now.date());
    const QString time = locale.toString(when.time(), QLocale::ShortFormat);
    QString day;
    if (daysAgo == 0)
        day = CaptureTile::tr("hoy");
    else if (daysAgo == 1)
        day = CaptureTile::tr("ayer");
    else
        day = locale.toString(when.date(), QLocale::ShortFormat);
    return capitalisedWords(day + QStringLiteral(", ") + time);
}

} // namespace

CaptureTile::CaptureTile(const QRect& frame, const QString& url, QWidget* parent)
    : QWidget(parent), m_url(url) {
    setGeometry(frame);
    const QDateTime modified = QFileInfo(url).lastModified();
    const QDateTime now = QDateTime::currentDateTime();
    m_date = dateText(modified.isValid() ? modified : now, now, QLocale());
    m_caption = m_date;
    setToolTip(tr("Clic para copiar · arrastra para soltarla en otra app"));
}

void CaptureTile::setThumbnail(const QImage& image, QSize pixelSize) {
    m_thumbnail = image;
    m_caption = m_date;
    if (!image.isNull())
        m_caption += QStringLiteral("  ·  %1×%2").arg(pixelSize.width()).arg(pixelSize.height());
    update();
}

void CaptureTile::setText(const QStringList& lines) {
    m_lines = lines;
    m_foldedText = TextMatch::fold(lines.join(u'\n')).text;
}

bool CaptureTile::filter(const QStringList& terms) {
    // About as many characters as the caption's width holds.
    constexpr int excerptLength = 34;
    const bool matches = TextMatch::matches(terms, m_foldedText);
    m_excerpt = matches && !terms.isEmpty() ? TextMatch::excerpt(terms, m_lines, excerptLength)
                                            : TextMatch::Excerpt{};
    update();
    return matches;
}

// The excerpt centred on the caption's line, its matching words bold in the accent green.
void CaptureTile::paintExcerpt(QPainter& p, const QRect& line) const {
    QFont bold = p.font();
    bold.setBold(true);
    const QColor plain = QColor::fromRgbF(1, 1, 1, 0.85);
    struct Piece {
        QString text;
        bool marked;
    };
    QList<Piece> pieces;
    int at = 0;
    for (const TextMatch::Span& span : m_excerpt.spans) {
        if (span.start > at)
            pieces << Piece{m_excerpt.text.mid(at, span.start - at), false};
        pieces << Piece{m_excerpt.text.mid(span.start, span.length), true};
        at = span.start + span.length;
    }
    if (at < m_excerpt.text.size())
        pieces << Piece{m_excerpt.text.mid(at), false};
    const QFontMetrics normalMetrics(p.font()), boldMetrics(bold);
    int total = 0;
    for (const Piece& piece : pieces)
        total += (piece.marked ? boldMetrics : normalMetrics).horizontalAdvance(piece.text);
    const QFont normal = p.font();
    int x = line.x() + std::max(0, (line.width() - total) / 2);
    for (const Piece& piece : pieces) {
        p.setFont(piece.marked ? bold : normal);
        p.setPen(piece.marked ? Config::leafGreen() : plain);
        const int advance = p.fontMetrics().horizontalAdvance(piece.text);
        p.drawText(QRect(x, line.y(), advance + 1, line.height()), Qt::AlignVCenter, piece.text);
        x += advance;
    }
}

void CaptureTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    const QRectF background = QRectF(rect()).adjusted(1, 1, -1, -1);
    const double grey = m_hovering ? 0.28 : 0.16;
    p.setBrush(QColor::fromRgbF(grey, grey, grey, 0.9));
    p.setPen(m_hovering ? QPen(Config::leafGreen(), 2) : QPen(Qt::NoPen));
    p.drawRoundedRect(background, 10, 10);

    const qreal ratio = devicePixelRatioF();
    const QRectF image = DrawerLayout::imageFrame(QSizeF(m_thumbnail.size()) / ratio);
    if (!image.isEmpty()) {
        QPainterPath clip;
        clip.addRoundedRect(image, 4, 4);
        p.save();
        p.setClipPath(clip);
        p.drawImage(image, m_thumbnail);
        p.restore();
    }

    // 10.5 logical pixels: pixel sizes are whole, so through the point size at this dpi.
    QFont font = p.font();
    font.setPointSizeF(10.5 * 72 / logicalDpiY());
    p.setFont(font);
    p.setPen(QColor::fromRgbF(1, 1, 1, 0.7));
    const int height = p.fontMetrics().height();
    const QRect line(4, DrawerLayout::captionBottom - height, width() - 8, height);
    if (m_excerpt.text.isEmpty())
        p.drawText(line, Qt::AlignCenter, m_caption);
    else
        paintExcerpt(p, line);
}

void CaptureTile::enterEvent(QEnterEvent*) {
    m_hovering = true;
    update();
}

void CaptureTile::leaveEvent(QEvent*) {
    m_hovering = false;
    update();
}

void CaptureTile::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_mouseDownPoint = event->scenePosition();
    m_dragging = false;
}

void CaptureTile::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging || !m_mouseDownPoint)
        return;
    if (DrawerLayout::startsDrag(event->scenePosition() - *m_mouseDownPoint))
        startDrag();
}

void CaptureTile::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const bool click = !m_dragging && m_mouseDownPoint;
    m_mouseDownPoint.reset();
    if (click)
        Q_EMIT copyRequested();
}

void CaptureTile::startDrag() {
    m_dragging = true;
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(m_url)});
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    if (!m_thumbnail.isNull()) {
        const QSize bounds = (size() - QSize(16, 16)) * devicePixelRatioF();
        QPixmap picture = QPixmap::fromImage(
            m_thumbnail.scaled(bounds, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        picture.setDevicePixelRatio(devicePixelRatioF());
        drag->setPixmap(picture);
        drag->setHotSpot(QPoint(picture.deviceIndependentSize().width() / 2,
                                picture.deviceIndependentSize().height() / 2));
    }
    // No window of ours accepts drops, so a drop back into the program is refused.
    const Qt::DropAction result = drag->exec(Qt::CopyAction);
    m_dragging = false;
    m_mouseDownPoint.reset();
    if (result != Qt::IgnoreAction)
        Q_EMIT dropped();
}

void CaptureTile::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    connect(menu.addAction(tr("Copiar")), &QAction::triggered, this, &CaptureTile::copyItem);
    connect(menu.addAction(tr("Mostrar en la carpeta")), &QAction::triggered, this,
            &CaptureTile::reveal);
    connect(menu.addAction(tr("Guardar en la carpeta de capturas")), &QAction::triggered, this,
            &CaptureTile::saveToFolder);
    connect(menu.addAction(tr("Quitar de recientes")), &QAction::triggered, this,
            &CaptureTile::remove);
    menu.exec(event->globalPos());
}

void CaptureTile::copyItem() {
    Q_EMIT copyRequested();
}

void CaptureTile::reveal() {
    FileManager::reveal(m_url);
}

void CaptureTile::saveToFolder() {
    const QString folder = Prefs::saveFolder();
    QDir().mkpath(folder);
    const QString target = QDir(folder).filePath(Prefs::newFileName());
    QFile entry(m_url);
    const Result<QString> written =
        entry.open(QIODevice::ReadOnly)
            ? CaptureFile::writeNew(target, entry.readAll())
            : Result<QString>(Failure{tr("No se pudo leer la captura")});
    if (!written)
        Toast::show(written.message());
    // Shown even when the copy failed, so the user sees where it should be.
    FileManager::reveal(written.valueOr(target));
}

void CaptureTile::remove() {
    History::remove(m_url);
    Q_EMIT changed();
}

#include "annotation/Geometry.h"
#include "editor/CanvasView.h"
#include "editor/Toolbars.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

std::function<std::optional<QString>(const QImage&)> CanvasView::textRecognizer;

void CanvasView::recognizeText() {
    commitText();
    m_bars->hidePopups();
    const QRect area = m_document.flattening().pixelRect(
        Geometry::roundedOutwardF(m_selection).intersected(bounds()));
    if (area.isEmpty())
        return;
    const QImage crop = image().copy(area);
    if (crop.isNull())
        return;
    if (!textRecognizer) {
        showHUD(tr("Reconocimiento de texto no disponible"), false, 1.4);
        return;
    }
    showHUD(tr("Leyendo texto…"), true, 0);
    // The screen pixels only: annotations over the area take no part. The watcher dies with
    // the canvas, so a result that arrives after the capture ended goes nowhere.
    auto* watcher = new QFutureWatcher<std::optional<QString>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        finishRecognition(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(textRecognizer, crop));
}

void CanvasView::finishRecognition(const std::optional<QString>& text) {
    if (!text || text->trimmed().isEmpty()) {
        showHUD(tr("No se encontró texto en la selección"), false, 1.4);
        return;
    }
    if (onFinish)
        onFinish(Outcome::makeText(*text));
}

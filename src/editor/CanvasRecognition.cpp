#include "annotation/Geometry.h"
#include "editor/CanvasView.h"
#include "editor/Toolbars.h"
#include "platform/TextReader.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

void CanvasView::warmUpOCR() {
    static bool didWarmUpOCR = false;
    if (didWarmUpOCR)
        return;
    didWarmUpOCR = true;
    // Failures show when the user asks for text; the warm-up itself stays silent.
    QThreadPool::globalInstance()->start([] { (void)TextReader::shared().warmUp(); }, -1);
}

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
    showHUD(tr("Leyendo texto…"), true, 0);
    // The screen pixels only: annotations over the area take no part. The watcher dies with
    // the canvas, so a result that arrives after the capture ended goes nowhere.
    auto* watcher = new QFutureWatcher<Result<QStringList>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        finishRecognition(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([crop, scale = m_document.flattening().scaleX()] {
        return TextReader::shared().read(crop, scale);
    }));
}

void CanvasView::finishRecognition(const Result<QStringList>& lines) {
    if (!lines) {
        showHUD(tr("No se pudo leer el texto: %1").arg(lines.message()), false, 1.4);
        return;
    }
    if (lines->isEmpty()) {
        showHUD(tr("No se encontró texto en la selección"), false, 1.4);
        return;
    }
    if (onFinish)
        onFinish(Outcome::makeText(lines->join(u'\n')));
}

#include "capture/Output.h"

#include "capture/CaptureFile.h"
#include "capture/PngEncoder.h"
#include "recents/History.h"
#include "settings/Prefs.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QGuiApplication>
#include <QMimeData>
#include <QtConcurrent>

namespace {

qint64 currentGeneration = 0;

struct Encoded {
    std::optional<QByteArray> png;
    std::optional<QByteArray> tiff;
    Status written;
};

Encoded encodeAndStore(const Rendered& rendered, bool copy, const std::optional<QString>& saveTo,
                       bool history) {
    // The TIFF encodes on a second pool thread meanwhile; if none is free, waiting for it runs
    // it here, so deliveries never starve each other.
    QFuture<std::optional<QByteArray>> tiff;
    if (copy)
        tiff = QtConcurrent::run([rendered] { return rendered.tiffData(); });

    Encoded out;
    out.png = Output::pngData(rendered);
    if (saveTo && out.png) {
        QDir().mkpath(QFileInfo(*saveTo).absolutePath());
        const Result<QString> file = CaptureFile::writeNew(*saveTo, *out.png);
        if (!file)
            out.written = Failure{file.message()};
    } else if (saveTo) {
        out.written = Failure{QCoreApplication::translate("Output", "La captura está vacía.")};
    }
    if (history && out.png && Prefs::keepHistory())
        History::add(*out.png, QDateTime::currentDateTime(), rendered.image);
    if (copy)
        out.tiff = tiff.result();
    return out;
}

void putOnClipboard(const Rendered& rendered, const Encoded& encoded) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!encoded.png && !encoded.tiff) {
        clipboard->clear();
        return;
    }
    auto* mime = new QMimeData;
    if (encoded.png)
        mime->setData(QStringLiteral("image/png"), *encoded.png);
    if (encoded.tiff)
        mime->setData(QStringLiteral("image/tiff"), *encoded.tiff);
    // Other Qt programs read clipboard()->image() only from this.
    mime->setImageData(rendered.image);
    clipboard->setMimeData(mime);
}

} // namespace

std::optional<QByteArray> Output::pngData(const Rendered& rendered) {
    if (rendered.image.isNull() || rendered.pointSize.isEmpty())
        return std::nullopt;
    return PngEncoder::encode(rendered.image, rendered.scale());
}

void Output::deliver(const Rendered& rendered, bool copy, const std::optional<QString>& saveTo,
                     bool history, Completion completion) {
    if (copy)
        ++currentGeneration;
    const qint64 mine = currentGeneration;

    QtConcurrent::run([rendered, copy, saveTo, history] {
        return encodeAndStore(rendered, copy, saveTo, history);
    }).then(qApp, [rendered, copy, mine, completion = std::move(completion)](Encoded encoded) {
        if (copy && mine == currentGeneration)
            putOnClipboard(rendered, encoded);
        if (completion)
            completion(encoded.written);
    });
}

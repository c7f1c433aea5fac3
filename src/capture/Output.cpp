#include "capture/Output.h"

#include "capture/CaptureFile.h"
#include "capture/PngEncoder.h"
#include "platform/Clipboard.h"
#include "recents/History.h"
#include "recents/TextIndexer.h"
#include "settings/Prefs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QGuiApplication>
#include <QMimeData>
#include <QtConcurrent>

#include <future>
#include <mutex>

namespace {

const QString pngType = QStringLiteral("image/png");
const QString tiffType = QStringLiteral("image/tiff");
// What QMimeData::setImageData files the image under; other Qt programs read that.
const QString qtImageType = QStringLiteral("application/x-qt-image");
constexpr double dotsPerMetreAt1x = 72 / 0.0254;

qint64 currentGeneration = 0;

// The last capture encoded and its PNG, shared with later deliveries of the same pixels.
struct LastEncoding {
    QImage image;
    double scale = 0;
    std::shared_future<std::optional<QByteArray>> png;
};
std::mutex lastEncodingMutex;
LastEncoding lastEncoding;

// The PNG goes out as it is; the TIFF and the image are made on the first request for them, on
// the main thread where the clipboard asks.
class CaptureMimeData : public QMimeData {
public:
    CaptureMimeData(QByteArray png, Rendered rendered)
        : m_png(std::move(png)), m_rendered(std::move(rendered)) {}
    // Once another program owns the clipboard, the capture is not worth keeping for a re-copy.
    ~CaptureMimeData() override {
        const std::lock_guard lock(lastEncodingMutex);
        if (!m_rendered.image.isNull() &&
            lastEncoding.image.cacheKey() == m_rendered.image.cacheKey())
            lastEncoding = {};
    }

    QStringList formats() const override { return {pngType, tiffType, qtImageType}; }
    bool hasFormat(const QString& type) const override { return formats().contains(type); }

protected:
    QVariant retrieveData(const QString& type, QMetaType as) const override {
        if (type == pngType)
            return m_png;
        if (type == tiffType) {
            if (!m_tiff)
                m_tiff = rendered().tiffData().value_or(QByteArray());
            return *m_tiff;
        }
        if (type != qtImageType)
            return {};
        // Asked as bytes, Qt would send the image as a PNG made with zlib's default level.
        if (as.id() == QMetaType::QByteArray)
            return m_png;
        return rendered().image;
    }

private:
    const Rendered& rendered() const {
        if (m_rendered.image.isNull()) {
            const QImage image = QImage::fromData(m_png, "png");
            const double scale =
                image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() / dotsPerMetreAt1x : 1.0;
            m_rendered = {image, QSizeF(image.size()) / scale};
        }
        return m_rendered;
    }

    QByteArray m_png;
    mutable Rendered m_rendered;
    mutable std::optional<QByteArray> m_tiff;
};

void putOnClipboard(const Rendered& rendered, const std::optional<QByteArray>& png) {
    Clipboard::set(png ? Output::clipboardData(*png, rendered) : nullptr);
}

// Offers the PNG on the clipboard as soon as it exists, then does the disk work.
Status encodeAndStore(const Rendered& rendered, std::optional<qint64> copyGeneration,
                      const std::optional<QString>& saveTo, bool history) {
    const std::optional<QByteArray> png = Output::pngData(rendered);
    if (copyGeneration) {
        QMetaObject::invokeMethod(qApp, [rendered, png, mine = *copyGeneration] {
            if (mine == currentGeneration)
                putOnClipboard(rendered, png);
        });
    }
    Status written;
    if (saveTo && png) {
        QDir().mkpath(QFileInfo(*saveTo).absolutePath());
        const Result<QString> file = CaptureFile::writeNew(*saveTo, *png);
        if (!file)
            written = Failure{file.message()};
    } else if (saveTo) {
        written = Failure{QCoreApplication::translate("Output", "La captura está vacía.")};
    }
    if (history && png && Prefs::keepHistory()) {
        const QString entry = History::add(*png, QDateTime::currentDateTime(), rendered.image);
        TextIndexer::shared().schedule(entry, rendered.image, rendered.scale());
    }
    return written;
}

} // namespace

qint64 Output::generation() {
    return currentGeneration;
}

std::optional<QByteArray> Output::pngData(const Rendered& rendered) {
    if (rendered.image.isNull() || rendered.pointSize.isEmpty())
        return std::nullopt;
    const double scale = rendered.scale();
    LastEncoding last;
    {
        const std::lock_guard lock(lastEncodingMutex);
        last = lastEncoding;
    }
    // Compared outside the lock: at 4K that takes milliseconds.
    if (last.png.valid() && last.scale == scale && last.image == rendered.image)
        return last.png.get();

    std::promise<std::optional<QByteArray>> promise;
    {
        const std::lock_guard lock(lastEncodingMutex);
        lastEncoding = {rendered.image, scale, promise.get_future().share()};
    }
    std::optional<QByteArray> png = PngEncoder::encode(rendered.image, scale);
    promise.set_value(png);
    return png;
}

std::unique_ptr<QMimeData> Output::clipboardData(const QByteArray& png, const Rendered& rendered) {
    return std::make_unique<CaptureMimeData>(png, rendered);
}

void Output::encode(const Rendered& rendered, std::function<void(std::optional<QByteArray>)> done) {
    QtConcurrent::run([rendered] {
        return pngData(rendered);
    }).then(qApp, [done = std::move(done)](std::optional<QByteArray> png) {
        done(std::move(png));
    });
}

void Output::deliver(const Rendered& rendered, bool copy, const std::optional<QString>& saveTo,
                     bool history, Completion completion) {
    if (copy)
        ++currentGeneration;
    const std::optional<qint64> copyGeneration =
        copy ? std::optional(currentGeneration) : std::nullopt;

    QtConcurrent::run([rendered, copyGeneration, saveTo, history] {
        return encodeAndStore(rendered, copyGeneration, saveTo, history);
    }).then(qApp, [completion = std::move(completion)](const Status& written) {
        if (completion)
            completion(written);
    });
}

#include "platform/TextReader.h"

#include <QCoreApplication>

#include <tesseract/baseapi.h>

#include <algorithm>
#include <cmath>
#include <omp.h>

namespace {

const QStringList languages{u"spa"_qs, u"eng"_qs};

// Screen text: a uniform block of lines, read in the order they stand.
constexpr auto segmentation = tesseract::PSM_SINGLE_BLOCK;

} // namespace

TextReader::TextReader(QString dataFolder) : m_dataFolder(std::move(dataFolder)) {}

TextReader::~TextReader() {
    if (m_engine)
        m_engine->End();
}

TextReader& TextReader::shared() {
    static TextReader reader;
    // Tesseract's model cache is a static made after this one, so it would go first: let the
    // models go while the application ends instead.
    static const bool unloadsAtExit = [] {
        qAddPostRoutine([] { reader.unload(); });
        return true;
    }();
    (void)unloadsAtExit;
    return reader;
}

void TextReader::unload() {
    std::lock_guard lock(m_mutex);
    if (m_engine)
        m_engine->End();
    m_engine.reset();
    m_loaded = false;
}

int TextReader::enlargement(double scale) {
    return scale < 1.5 ? 2 : 1;
}

int TextReader::density(double scale, int enlargement) {
    return int(std::lround(96.0 * scale * enlargement));
}

QString TextReader::missingModelsMessage(const QStringList& missing) {
    QStringList packages;
    for (const QString& language : missing)
        packages << u"tesseract-ocr-"_qs + language;
    return QCoreApplication::translate("TextReader", "faltan los modelos de idioma; instale %1")
        .arg(packages.join(u", "_qs));
}

Status TextReader::warmUp() {
    std::lock_guard lock(m_mutex);
    return loadLocked();
}

Status TextReader::loadLocked() {
    if (m_loaded)
        return {};
    auto engine = std::make_unique<tesseract::TessBaseAPI>();
    const QByteArray folder = m_dataFolder.toLocal8Bit();
    const QByteArray wanted = languages.join(u'+').toLatin1();
    const int status = engine->Init(folder.isEmpty() ? nullptr : folder.constData(),
                                    wanted.constData(), tesseract::OEM_LSTM_ONLY);
    // Tesseract loads what it can and skips the rest: ask which ones it has.
    std::vector<std::string> loaded;
    if (status == 0)
        engine->GetLoadedLanguagesAsVector(&loaded);
    QStringList missing;
    for (const QString& language : languages)
        if (std::find(loaded.begin(), loaded.end(), language.toStdString()) == loaded.end())
            missing << language;
    if (!missing.isEmpty())
        return Failure{missingModelsMessage(missing)};
    engine->SetPageSegMode(segmentation);
    m_engine = std::move(engine);
    m_loaded = true;
    return {};
}

Result<QStringList> TextReader::read(const QImage& crop, double scale) {
    if (crop.isNull())
        return QStringList();
    const int times = enlargement(scale);
    QImage gray = crop.convertToFormat(QImage::Format_Grayscale8);
    if (times > 1)
        gray = gray.scaled(gray.size() * times, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    std::lock_guard lock(m_mutex);
    if (Status loaded = loadLocked(); !loaded)
        return Failure{loaded.message()};
    // OpenMP's threads made each reading several times slower on two cores.
    omp_set_max_active_levels(0);
    m_engine->SetImage(gray.constBits(), gray.width(), gray.height(), 1, int(gray.bytesPerLine()));
    m_engine->SetSourceResolution(density(scale, times));
    QStringList lines;
    if (m_engine->Recognize(nullptr) != 0) {
        m_engine->Clear();
        return Failure{QCoreApplication::translate("TextReader", "el motor de texto falló")};
    }
    std::unique_ptr<tesseract::ResultIterator> it(m_engine->GetIterator());
    if (it) {
        do {
            const std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            const QString line = text ? QString::fromUtf8(text.get()).trimmed() : QString();
            if (!line.isEmpty())
                lines << line;
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    it.reset();
    // Frees the image and its results; the models stay loaded.
    m_engine->Clear();
    return lines;
}

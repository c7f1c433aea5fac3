#pragma once

#include "platform/Result.h"

#include <QImage>
#include <QStringList>

#include <memory>
#include <mutex>

namespace tesseract {
class TessBaseAPI;
}

// Reads the text of screen crops with Tesseract (Spanish and English, LSTM). The engine is
// loaded once and kept warm; callers on several threads take turns with it.
class TextReader {
public:
    // dataFolder: where the language models live; empty for Tesseract's own choice
    // (TESSDATA_PREFIX, else the system folder).
    explicit TextReader(QString dataFolder = {});
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // The one engine the program uses.
    static TextReader& shared();

    // Lets the models go; the next reading loads them again.
    void unload();
    // Loads the language models unless loaded; the failure names the Debian packages missing.
    Status warmUp();
    // The crop's text lines in the engine's order, blank lines left out. scale: device pixels
    // per point of the screen the crop comes from.
    Result<QStringList> read(const QImage& crop, double scale);

    // How many times to enlarge a crop before reading: text drawn at one device pixel per
    // point is too small for the models, so it reads better at twice the size.
    static int enlargement(double scale);
    // The pixel density to tell the engine for a crop of that scale, enlarged that many times.
    static int density(double scale, int enlargement);
    // The failure for language models that did not load, naming their Debian packages.
    static QString missingModelsMessage(const QStringList& missing);

private:
    Status loadLocked();

    QString m_dataFolder;
    std::mutex m_mutex;
    std::unique_ptr<tesseract::TessBaseAPI> m_engine;
    bool m_loaded = false;
};

#include "recents/TextIndex.h"

#include "annotation/Flattening.h"
#include "platform/TextReader.h"
#include "recents/History.h"
#include "recents/TextMatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace {

// Raised when the kept form changes, so older texts are recognised again.
constexpr int format = 1;

} // namespace

namespace TextIndex {

QString textPath(const QString& entry) {
    return History::keptTextPath(entry);
}

std::optional<QStringList> text(const QString& entry) {
    QFile file(textPath(entry));
    // Texts are a few kilobytes; anything far larger is not one of ours.
    constexpr qint64 largest = 4 << 20;
    if (!file.open(QIODevice::ReadOnly) || file.size() > largest)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    const QJsonObject object = document.object();
    if (error.error != QJsonParseError::NoError || object.value(u"format").toInt() != format ||
        !object.value(u"lines").isArray())
        return std::nullopt;
    QStringList lines;
    for (const QJsonValue& line : object.value(u"lines").toArray()) {
        if (!line.isString())
            return std::nullopt;
        lines << line.toString();
    }
    return lines;
}

bool keep(const QString& entry, const QStringList& lines) {
    const QString path = textPath(entry);
    const QString folder = QFileInfo(path).path();
    if (!QFileInfo(folder).isDir() &&
        !QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        return false;
    const QJsonObject object{{u"format"_qs, format},
                             {u"lines"_qs, QJsonArray::fromStringList(lines)}};
    file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
    // The entry may have been removed while its text was read.
    if (!QFileInfo::exists(entry)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

Status index(const QString& entry, const QImage& picture, double scale) {
    // Read at the capture's own size, told the density the engine would give it enlarged: the
    // engine enlarges crops of scale 1, which made a 4K capture take 3.5 s instead of 1.1 s here.
    // Small text is found less reliably than by the editor's text button, which reads a crop.
    const double readScale = scale * TextReader::enlargement(scale);
    const Result<QStringList> lines = TextReader::shared().read(picture, readScale);
    if (!lines)
        return Failure{lines.message()};
    keep(entry, *lines);
    return {};
}

Status index(const QString& entry) {
    QImageReader reader(entry);
    reader.setAutoTransform(false);
    const QImage picture = reader.read();
    // An undecodable entry has no text to find: kept as such, not tried again and again.
    if (picture.isNull()) {
        keep(entry, {});
        return {};
    }
    // The PNG records the capture's backing scale as its density.
    const int dpm = picture.dotsPerMeterX();
    const double scale = dpm > 0 ? std::max(1.0, double(dpm) / Flattening::dotsPerMeter(1)) : 1.0;
    return index(entry, picture, scale);
}

QStringList missing() {
    QStringList entries = History::items();
    entries.removeIf([](const QString& entry) { return text(entry).has_value(); });
    return entries;
}

QStringList search(const QString& query) {
    const QStringList terms = TextMatch::terms(query);
    QStringList found;
    for (const QString& entry : History::items()) {
        const std::optional<QStringList> lines = text(entry);
        if (lines && !terms.isEmpty() &&
            TextMatch::matches(terms, TextMatch::fold(lines->join(u'\n')).text))
            found << entry;
    }
    return found;
}

} // namespace TextIndex

#include "platform/SwayIpc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>

#include <cstring>

namespace {

constexpr char magic[] = "i3-ipc";
constexpr qsizetype magicSize = sizeof magic - 1;
constexpr qsizetype headerSize = magicSize + 8;
constexpr uint32_t getOutputs = 3;
constexpr int answerTimeoutMs = 500;

// One request and its answer's payload, in the i3 IPC framing sway speaks: the magic, then the
// payload's length and the message type as native 32-bit integers.
std::optional<QByteArray> ask(uint32_t type) {
    const QString path = qEnvironmentVariable("SWAYSOCK");
    if (path.isEmpty())
        return std::nullopt;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(answerTimeoutMs))
        return std::nullopt;
    QByteArray request(magic, magicSize);
    const uint32_t header[2] = {0, type};
    request.append(reinterpret_cast<const char*>(header), sizeof header);
    socket.write(request);
    QByteArray answer;
    // The length follows the 6-byte magic, unaligned: copied out, not read in place.
    const auto length = [&answer] {
        uint32_t value = 0;
        std::memcpy(&value, answer.constData() + magicSize, sizeof value);
        return qsizetype(value);
    };
    while (answer.size() < headerSize || answer.size() < headerSize + length()) {
        if (!socket.waitForReadyRead(answerTimeoutMs))
            return std::nullopt;
        answer += socket.readAll();
    }
    return answer.mid(headerSize);
}

} // namespace

std::optional<QString> SwayIpc::focusedOutput() {
    const std::optional<QByteArray> outputs = ask(getOutputs);
    if (!outputs)
        return std::nullopt;
    for (const QJsonValue output : QJsonDocument::fromJson(*outputs).array()) {
        if (output[QLatin1String("focused")].toBool())
            return output[QLatin1String("name")].toString();
    }
    return std::nullopt;
}

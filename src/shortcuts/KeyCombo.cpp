#include "shortcuts/KeyCombo.h"

#include "shortcuts/KeyCodeTable.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <limits>

namespace {

const QString keyCodeMember = QStringLiteral("keyCode");
const QString modifiersMember = QStringLiteral("modifiers");
const QString displayMember = QStringLiteral("display");

std::optional<quint32> wholeUnsigned(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < 0 ||
        number > double(std::numeric_limits<quint32>::max()) || std::trunc(number) != number)
        return std::nullopt;
    return quint32(number);
}

} // namespace

const QHash<quint32, QString>& KeyCombo::functionKeys() {
    static const QHash<quint32, QString> table = {
        {122, QStringLiteral("F1")},  {120, QStringLiteral("F2")},  {99, QStringLiteral("F3")},
        {118, QStringLiteral("F4")},  {96, QStringLiteral("F5")},   {97, QStringLiteral("F6")},
        {98, QStringLiteral("F7")},   {100, QStringLiteral("F8")},  {101, QStringLiteral("F9")},
        {109, QStringLiteral("F10")}, {103, QStringLiteral("F11")}, {111, QStringLiteral("F12")},
        {105, QStringLiteral("F13")}, {107, QStringLiteral("F14")}, {113, QStringLiteral("F15")},
        {106, QStringLiteral("F16")}, {64, QStringLiteral("F17")},  {79, QStringLiteral("F18")},
        {80, QStringLiteral("F19")},  {90, QStringLiteral("F20")},
    };
    return table;
}

const QHash<quint32, QString>& KeyCombo::namedKeys() {
    static const QHash<quint32, QString> table = {
        {49, tr("Espacio")},
        {36, QStringLiteral("↩")},
        {48, QStringLiteral("⇥")},
        {123, QStringLiteral("←")},
        {124, QStringLiteral("→")},
        {126, QStringLiteral("↑")},
        {125, QStringLiteral("↓")},
        {115, QStringLiteral("↖")},
        {119, QStringLiteral("↘")},
        {116, QStringLiteral("⇞")},
        {121, QStringLiteral("⇟")},
        {117, QStringLiteral("⌦")},
        {114, QStringLiteral("Insert")},
    };
    return table;
}

bool KeyCombo::isValid(quint32 keyCode, quint32 modifiers) {
    if (modifiers & (control | option | command))
        return true;
    return functionKeys().contains(keyCode);
}

QString KeyCombo::modifierText(quint32 modifiers) {
    QString text;
    if (modifiers & control)
        text += QStringLiteral("Super+");
    if (modifiers & option)
        text += QStringLiteral("Alt+");
    if (modifiers & shift)
        text += QStringLiteral("Shift+");
    if (modifiers & command)
        text += QStringLiteral("Ctrl+");
    return text;
}

QString KeyCombo::keyName(quint32 keyCode, const QString& unmodifiedText) {
    if (const auto it = functionKeys().constFind(keyCode); it != functionKeys().constEnd())
        return *it;
    if (const auto it = namedKeys().constFind(keyCode); it != namedKeys().constEnd())
        return *it;
    if (unmodifiedText.isEmpty())
        return QStringLiteral("?");
    return unmodifiedText.toUpper();
}

QString KeyCombo::displayText(quint32 keyCode, quint32 modifiers, const QString& unmodifiedText) {
    return modifierText(modifiers) + keyName(keyCode, unmodifiedText);
}

std::optional<KeyCombo> KeyCombo::fromKeyPress(quint32 keyCode, quint32 modifiers,
                                               const QString& unmodifiedText) {
    const quint32 bits = modifiers & (control | option | shift | command);
    if (!isValid(keyCode, bits))
        return std::nullopt;
    if (keyName(keyCode, unmodifiedText).trimmed().isEmpty())
        return std::nullopt;
    return KeyCombo{keyCode, bits, displayText(keyCode, bits, unmodifiedText)};
}

std::optional<KeyCombo> KeyCombo::event(quint32 nativeScanCode, Qt::KeyboardModifiers modifiers,
                                        const QString& unmodifiedText) {
    const std::optional<quint32> keyCode = KeyCodeTable::macFromX11(nativeScanCode);
    if (!keyCode)
        return std::nullopt;
    return fromKeyPress(*keyCode, KeyCodeTable::macModifiers(modifiers), unmodifiedText);
}

QByteArray KeyCombo::toJson() const {
    const QJsonObject object{
        {keyCodeMember, qint64(keyCode)},
        {modifiersMember, qint64(modifiers)},
        {displayMember, display},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<KeyCombo> KeyCombo::fromJson(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const std::optional<quint32> keyCode = wholeUnsigned(object.value(keyCodeMember));
    const std::optional<quint32> modifiers = wholeUnsigned(object.value(modifiersMember));
    const QJsonValue display = object.value(displayMember);
    if (!keyCode || !modifiers || !display.isString())
        return std::nullopt;
    return KeyCombo{*keyCode, *modifiers, display.toString()};
}

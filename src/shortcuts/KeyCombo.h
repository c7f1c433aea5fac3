#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QString>

#include <optional>

// One keyboard shortcut: a key (macOS virtual key code, see KeyCodeTable), modifier bits and the
// text shown for them. Persisted as JSON, so the numbers keep the macOS encoding.
struct KeyCombo {
    Q_DECLARE_TR_FUNCTIONS(KeyCombo)

public:
    // Modifier bits, paired with Linux keys the way Qt pairs them across systems.
    static constexpr quint32 command = 256;  // Ctrl
    static constexpr quint32 shift = 512;    // Shift
    static constexpr quint32 option = 2048;  // Alt
    static constexpr quint32 control = 4096; // Super

    quint32 keyCode = 0;
    quint32 modifiers = 0;
    QString display;

    // Key code to name of F1 to F20 (20 entries).
    static const QHash<quint32, QString>& functionKeys();
    // Key code to name of keys whose character is invisible or ambiguous (13 entries).
    static const QHash<quint32, QString>& namedKeys();

    // Without Ctrl, Alt or Super only a function key makes a shortcut; Shift never suffices.
    static bool isValid(quint32 keyCode, quint32 modifiers);
    // "Super+Alt+Shift+Ctrl+", always in that order, each part only if its bit is set.
    static QString modifierText(quint32 modifiers);
    // The function-key name, else the named-key name, else the unmodified text in upper case,
    // else "?".
    static QString keyName(quint32 keyCode, const QString& unmodifiedText);
    // The modifier text followed by the key name, as shown for a shortcut.
    static QString displayText(quint32 keyCode, quint32 modifiers, const QString& unmodifiedText);

    // A combo from a press given in stored codes, or nothing when it is not a valid shortcut.
    static std::optional<KeyCombo> fromKeyPress(quint32 keyCode, quint32 modifiers,
                                                const QString& unmodifiedText);
    // The same from what a QKeyEvent offers: nativeScanCode() (the X11 keycode), modifiers()
    // and the text the key produces with no modifiers applied.
    static std::optional<KeyCombo> event(quint32 nativeScanCode, Qt::KeyboardModifiers modifiers,
                                         const QString& unmodifiedText);

    // {"keyCode": integer, "modifiers": integer, "display": string}.
    QByteArray toJson() const;
    // Needs all three members with their types; numbers must be whole and fit 32 bits unsigned.
    static std::optional<KeyCombo> fromJson(const QByteArray& json);

    // All three fields, the display text included.
    bool operator==(const KeyCombo&) const = default;
};

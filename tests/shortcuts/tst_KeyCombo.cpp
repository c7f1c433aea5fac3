// Shortcuts as the recorder builds them, the text the user sees for them and their stored form.
#include "shortcuts/KeyCombo.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>

using Combo = std::optional<KeyCombo>;
Q_DECLARE_METATYPE(Combo)

char* toString(const Combo& combo) {
    if (!combo)
        return qstrdup("no combo");
    return qstrdup(QStringLiteral("{%1, %2, \"%3\"}")
                       .arg(combo->keyCode)
                       .arg(combo->modifiers)
                       .arg(combo->display)
                       .toUtf8()
                       .constData());
}

namespace {
constexpr quint32 ctrl = KeyCombo::command;
constexpr quint32 shift = KeyCombo::shift;
constexpr quint32 alt = KeyCombo::option;
constexpr quint32 super = KeyCombo::control;
} // namespace

class tst_KeyCombo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fromKeyPress_data();
    void fromKeyPress();
    void event_data();
    void event();
    void keyTablesHaveEveryKey();
    void equalityIncludesDisplay();
    void jsonRoundTrip();
    void jsonHasExactlyThreeMembers();
    void fromJsonRejects_data();
    void fromJsonRejects();
    void fromJsonIgnoresMemberOrder();
    void randomisedInputNeverDecodesToSomethingElse();
};

void tst_KeyCombo::fromKeyPress_data() {
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Combo>("expected");

    QTest::newRow("Ctrl, Shift and 9 give the area default")
        << 25u << (ctrl | shift) << "9" << Combo(KeyCombo{25, 768, "Shift+Ctrl+9"});
    QTest::newRow("Super, Alt and left arrow use the named key")
        << 123u << (super | alt) << "" << Combo(KeyCombo{123, 6144, "Super+Alt+←"});
    QTest::newRow("F13 alone is valid") << 105u << 0u << "" << Combo(KeyCombo{105, 0, "F13"});
    QTest::newRow("Ctrl and space read Espacio")
        << 49u << ctrl << " " << Combo(KeyCombo{49, 256, "Ctrl+Espacio"});
    QTest::newRow("Ctrl and A show the letter in upper case")
        << 0u << ctrl << "a" << Combo(KeyCombo{0, 256, "Ctrl+A"});
    QTest::newRow("Shift and F5 is valid")
        << 96u << shift << "" << Combo(KeyCombo{96, 512, "Shift+F5"});
    QTest::newRow("all four modifiers in fixed order")
        << 28u << (shift | ctrl | super | alt) << "8"
        << Combo(KeyCombo{28, 6912, "Super+Alt+Shift+Ctrl+8"});
    QTest::newRow("Insert has its name")
        << 114u << alt << "" << Combo(KeyCombo{114, 2048, "Alt+Insert"});
    QTest::newRow("a key without text is named ?")
        << 10u << ctrl << "" << Combo(KeyCombo{10, 256, "Ctrl+?"});
    QTest::newRow("caps lock bit is dropped")
        << 25u << (ctrl | shift | 1024u) << "9" << Combo(KeyCombo{25, 768, "Shift+Ctrl+9"});
    QTest::newRow("Shift and a letter is refused") << 0u << shift << "a" << Combo();
    QTest::newRow("9 alone is refused") << 25u << 0u << "9" << Combo();
    QTest::newRow("Shift and 9 is refused") << 25u << shift << "(" << Combo();
    QTest::newRow("Shift and Escape is refused") << 53u << shift << "\x1b" << Combo();
    QTest::newRow("unnamed key producing a space is refused") << 50u << ctrl << " " << Combo();
    QTest::newRow("unnamed key producing a line break is refused") << 50u << ctrl << "\n"
                                                                   << Combo();
}

void tst_KeyCombo::fromKeyPress() {
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    QFETCH(QString, text);
    QFETCH(Combo, expected);

    const Combo combo = KeyCombo::fromKeyPress(keyCode, modifiers, text);

    QCOMPARE(combo.has_value(), expected.has_value());
    if (expected) {
        QCOMPARE(combo->keyCode, expected->keyCode);
        QCOMPARE(combo->modifiers, expected->modifiers);
        QCOMPARE(combo->display, expected->display);
    }
}

void tst_KeyCombo::event_data() {
    QTest::addColumn<quint32>("scanCode");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Combo>("expected");

    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    QTest::newRow("X11 keycode 18 is the 9 key")
        << 18u << ctrlShift << "9" << Combo(KeyCombo{25, 768, "Shift+Ctrl+9"});
    QTest::newRow("X11 keycode 14 is the 5 key")
        << 14u << ctrlShift << "5" << Combo(KeyCombo{23, 768, "Shift+Ctrl+5"});
    QTest::newRow("Meta is Super, the control bit")
        << 113u << (Qt::MetaModifier | Qt::AltModifier) << ""
        << Combo(KeyCombo{123, 6144, "Super+Alt+←"});
    QTest::newRow("X11 F13 alone")
        << 191u << Qt::KeyboardModifiers() << "" << Combo(KeyCombo{105, 0, "F13"});
    QTest::newRow("keypad flag is ignored") << 90u << (Qt::ControlModifier | Qt::KeypadModifier)
                                            << "0" << Combo(KeyCombo{82, 256, "Ctrl+0"});
    QTest::newRow("key outside the table is refused")
        << 107u << Qt::KeyboardModifiers(Qt::ControlModifier) << "" << Combo();
    QTest::newRow("a modifier key itself is refused")
        << 37u << Qt::KeyboardModifiers(Qt::ControlModifier) << "" << Combo();
}

void tst_KeyCombo::event() {
    QFETCH(quint32, scanCode);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, text);
    QFETCH(Combo, expected);

    const Combo combo = KeyCombo::event(scanCode, modifiers, text);

    QCOMPARE(combo, expected);
}

void tst_KeyCombo::keyTablesHaveEveryKey() {
    const auto& functionKeys = KeyCombo::functionKeys();
    const auto& namedKeys = KeyCombo::namedKeys();

    QCOMPARE(functionKeys.size(), 20);
    for (int n = 1; n <= 20; ++n)
        QVERIFY2(functionKeys.values().contains(QStringLiteral("F%1").arg(n)),
                 QByteArray::number(n).constData());
    QCOMPARE(namedKeys.size(), 13);
    QVERIFY(!namedKeys.contains(53));
    QVERIFY(!namedKeys.contains(51));
}

void tst_KeyCombo::equalityIncludesDisplay() {
    const KeyCombo a{25, 768, "Shift+Ctrl+9"};
    const KeyCombo b{25, 768, "⇧⌘9"};

    QVERIFY(a == KeyCombo(a));
    QVERIFY(!(a == b));
}

void tst_KeyCombo::jsonRoundTrip() {
    const KeyCombo combo{123, 6144, "Super+Alt+←"};

    const Combo decoded = KeyCombo::fromJson(combo.toJson());

    QCOMPARE(decoded, Combo(combo));
}

void tst_KeyCombo::jsonHasExactlyThreeMembers() {
    const QJsonObject object =
        QJsonDocument::fromJson(KeyCombo{25, 768, "Shift+Ctrl+9"}.toJson()).object();

    QCOMPARE(object.keys(), (QStringList{"display", "keyCode", "modifiers"}));
    QCOMPARE(object.value("keyCode").toInt(), 25);
    QCOMPARE(object.value("modifiers").toInt(), 768);
    QCOMPARE(object.value("display").toString(), QStringLiteral("Shift+Ctrl+9"));
}

void tst_KeyCombo::fromJsonRejects_data() {
    QTest::addColumn<QByteArray>("json");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not JSON") << QByteArray("not json");
    QTest::newRow("an array") << QByteArray(R"([25, 768, "x"])");
    QTest::newRow("a bare number") << QByteArray("25");
    QTest::newRow("display missing") << QByteArray(R"({"keyCode":25,"modifiers":768})");
    QTest::newRow("keyCode missing") << QByteArray(R"({"modifiers":768,"display":"x"})");
    QTest::newRow("modifiers missing") << QByteArray(R"({"keyCode":25,"display":"x"})");
    QTest::newRow("keyCode as text")
        << QByteArray(R"({"keyCode":"25","modifiers":768,"display":"x"})");
    QTest::newRow("display as number")
        << QByteArray(R"({"keyCode":25,"modifiers":768,"display":9})");
    QTest::newRow("display null") << QByteArray(R"({"keyCode":25,"modifiers":768,"display":null})");
    QTest::newRow("fractional keyCode")
        << QByteArray(R"({"keyCode":25.5,"modifiers":768,"display":"x"})");
    QTest::newRow("negative modifiers")
        << QByteArray(R"({"keyCode":25,"modifiers":-1,"display":"x"})");
    QTest::newRow("keyCode beyond 32 bits")
        << QByteArray(R"({"keyCode":4294967296,"modifiers":768,"display":"x"})");
    QTest::newRow("boolean modifiers")
        << QByteArray(R"({"keyCode":25,"modifiers":true,"display":"x"})");
    QTest::newRow("cut short") << QByteArray(R"({"keyCode":25,"modifiers":768,"display":"x")");
    QTest::newRow("trailing garbage")
        << QByteArray(R"({"keyCode":25,"modifiers":768,"display":"x"}x)");
}

void tst_KeyCombo::fromJsonRejects() {
    QFETCH(QByteArray, json);

    QCOMPARE(KeyCombo::fromJson(json), Combo());
}

void tst_KeyCombo::fromJsonIgnoresMemberOrder() {
    const QByteArray json = R"({"display":"F13","modifiers":0,"keyCode":105,"extra":1})";

    QCOMPARE(KeyCombo::fromJson(json), Combo(KeyCombo{105, 0, "F13"}));
}

// Mutated and random inputs must either be refused or decode to exactly what a strict reading
// of the JSON says, and what decodes must survive a round trip unchanged.
void tst_KeyCombo::randomisedInputNeverDecodesToSomethingElse() {
    QRandomGenerator random(20261205);
    const QByteArray seeds[] = {
        KeyCombo{25, 768, "Shift+Ctrl+9"}.toJson(),
        KeyCombo{123, 6144, "Super+Alt+←"}.toJson(),
        R"({"display":"F13","modifiers":0,"keyCode":105})",
    };
    const char alphabet[] = "{}[]\":,.-+0123456789eEtruefalsnl \\u\x01\xff";

    for (int round = 0; round < 200000; ++round) {
        QByteArray input = seeds[random.bounded(3)];
        const int edits = 1 + random.bounded(4);
        for (int e = 0; e < edits && !input.isEmpty(); ++e) {
            const int at = random.bounded(input.size());
            const char c = alphabet[random.bounded(int(sizeof alphabet) - 1)];
            switch (random.bounded(4)) {
            case 0:
                input[at] = c;
                break;
            case 1:
                input.insert(at, c);
                break;
            case 2:
                input.remove(at, 1);
                break;
            case 3:
                input.truncate(at);
                break;
            }
        }

        const Combo combo = KeyCombo::fromJson(input);

        if (!combo)
            continue;
        const QJsonObject object = QJsonDocument::fromJson(input).object();
        QVERIFY2(object.value("display").isString(), input.constData());
        QCOMPARE(double(combo->keyCode), object.value("keyCode").toDouble());
        QCOMPARE(double(combo->modifiers), object.value("modifiers").toDouble());
        QCOMPARE(combo->display, object.value("display").toString());
        QCOMPARE(KeyCombo::fromJson(combo->toJson()), combo);
    }
}

QTEST_APPLESS_MAIN(tst_KeyCombo)
#include "tst_KeyCombo.moc"

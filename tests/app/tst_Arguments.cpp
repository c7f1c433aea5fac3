#include "app/Arguments.h"

#include <QTest>

using Arguments::Kind;
using Arguments::Problem;

// The command line both the launcher and the program read.
class tst_Arguments : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("screen");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<QString>("culprit");
        const auto accepted = [](const char* name, QStringList arguments, Kind kind,
                                 const QString& output = {}, const QString& screen = {},
                                 bool copy = false) {
            QTest::newRow(name) << arguments << kind << output << screen << copy << Problem::none
                                << QString();
        };
        const auto refused = [](const char* name, QStringList arguments, Problem problem,
                                const QString& culprit) {
            QTest::newRow(name) << arguments << Kind::usageError << QString() << QString() << false
                                << problem << culprit;
        };

        accepted("nothing launches", {}, Kind::launch);
        accepted("a plain command", {"recents"}, Kind::command);
        accepted("full to a file, with the screen and the clipboard",
                 {"full", "--output", "a b.png", "--screen", "RIGHT", "--copy"}, Kind::command,
                 "a b.png", "RIGHT", true);
        accepted("values after equals signs, in any order",
                 {"full", "--screen=1", "--output=x.png"}, Kind::command, "x.png", "1");
        accepted("a dash is standard output", {"area", "--output", "-"}, Kind::command, "-");
        refused("version takes nothing after it", {"--version", "full"}, Problem::extraArgument,
                "full");
        refused("output at the end has no value", {"full", "--output"}, Problem::missingValue,
                "--output");
        refused("an option is no value for output", {"full", "--output", "--copy"},
                Problem::missingValue, "--output");
        refused("an empty value is none", {"full", "--output="}, Problem::missingValue, "--output");
        refused("output twice", {"full", "--output", "a", "--output=b"}, Problem::repeatedOption,
                "--output");
        refused("a screen name with a blank cannot travel",
                {"full", "--output", "a", "--screen", "HDMI 1"}, Problem::invalidValue, "HDMI 1");
        refused("area has no screen to choose", {"area", "--output", "a", "--screen", "1"},
                Problem::optionNotForCommand, "--screen");
        refused("recents writes no file", {"recents", "--output", "a"},
                Problem::optionNotForCommand, "--output");
        refused("copy alone is what full does anyway", {"full", "--copy"},
                Problem::optionNeedsOutput, "--copy");
        refused("a misspelt option", {"full", "--out", "a"}, Problem::unknownOption, "--out");
        refused("an unknown command", {"capture"}, Problem::unknownCommand, "capture");
    }

    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(Kind, kind);
        QFETCH(QString, output);
        QFETCH(QString, screen);
        QFETCH(bool, copy);
        QFETCH(Problem, problem);
        QFETCH(QString, culprit);
        std::vector<std::string> owned;
        for (const QString& argument : arguments)
            owned.push_back(argument.toStdString());

        const Arguments::Parsed parsed = Arguments::parse({owned.begin(), owned.end()});

        QCOMPARE(parsed.kind, kind);
        QCOMPARE(parsed.problem, problem);
        QCOMPARE(QString::fromStdString(parsed.culprit), culprit);
        if (kind == Kind::usageError)
            return;
        QCOMPARE(QString::fromStdString(parsed.output.value_or("")), output);
        QCOMPARE(QString::fromStdString(parsed.screen.value_or("")), screen);
        QCOMPARE(parsed.copy, copy);
    }
};

QTEST_APPLESS_MAIN(tst_Arguments)
#include "tst_Arguments.moc"

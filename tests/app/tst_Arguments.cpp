#include "app/Arguments.h"

#include <QTest>

using Arguments::Kind;
using Arguments::Problem;

// The command line both the launcher and the program read.
class tst_Arguments : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
};

void tst_Arguments::parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<bool>("copy");
    QTest::addColumn<Problem>("problem");
    QTest::addColumn<QString>("culprit");
    const QString none;

    QTest::newRow("nothing launches")
        << QStringList{} << Kind::launch << none << none << false << Problem::none << none;
    QTest::newRow("a plain command") << QStringList{"recents"} << Kind::command << none << none
                                     << false << Problem::none << none;
    QTest::newRow("full to a file, with the screen and the clipboard")
        << QStringList{"full", "--output", "a b.png", "--screen", "RIGHT", "--copy"}
        << Kind::command << "a b.png"
        << "RIGHT" << true << Problem::none << none;
    QTest::newRow("values after equals signs, in any order")
        << QStringList{"full", "--screen=1", "--output=x.png"} << Kind::command << "x.png"
        << "1" << false << Problem::none << none;
    QTest::newRow("a dash is standard output")
        << QStringList{"area", "--output", "-"} << Kind::command << "-" << none << false
        << Problem::none << none;
    QTest::newRow("version takes nothing after it")
        << QStringList{"--version", "full"} << Kind::usageError << none << none << false
        << Problem::extraArgument << "full";
    QTest::newRow("output at the end has no value")
        << QStringList{"full", "--output"} << Kind::usageError << none << none << false
        << Problem::missingValue << "--output";
    QTest::newRow("an option is no value for output")
        << QStringList{"full", "--output", "--copy"} << Kind::usageError << none << none << false
        << Problem::missingValue << "--output";
    QTest::newRow("an empty value is none")
        << QStringList{"full", "--output="} << Kind::usageError << none << none << false
        << Problem::missingValue << "--output";
    QTest::newRow("output twice") << QStringList{"full", "--output", "a", "--output=b"}
                                  << Kind::usageError << none << none << false
                                  << Problem::repeatedOption << "--output";
    QTest::newRow("a screen name with a blank cannot travel")
        << QStringList{"full", "--output", "a", "--screen", "HDMI 1"} << Kind::usageError << none
        << none << false << Problem::invalidValue << "HDMI 1";
    QTest::newRow("area has no screen to choose")
        << QStringList{"area", "--output", "a", "--screen", "1"} << Kind::usageError << none << none
        << false << Problem::optionNotForCommand << "--screen";
    QTest::newRow("recents writes no file")
        << QStringList{"recents", "--output", "a"} << Kind::usageError << none << none << false
        << Problem::optionNotForCommand << "--output";
    QTest::newRow("copy alone is what full does anyway")
        << QStringList{"full", "--copy"} << Kind::usageError << none << none << false
        << Problem::optionNeedsOutput << "--copy";
    QTest::newRow("a misspelt option")
        << QStringList{"full", "--out", "a"} << Kind::usageError << none << none << false
        << Problem::unknownOption << "--out";
    QTest::newRow("an option in place of the command")
        << QStringList{"--output", "a"} << Kind::usageError << none << none << false
        << Problem::unknownOption << "--output";
    QTest::newRow("an unknown command") << QStringList{"capture"} << Kind::usageError << none
                                        << none << false << Problem::unknownCommand << "capture";
    QTest::newRow("a file name without --output")
        << QStringList{"full", "shot.png"} << Kind::usageError << none << none << false
        << Problem::extraArgument << "shot.png";
}

void tst_Arguments::parse() {
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

QTEST_APPLESS_MAIN(tst_Arguments)
#include "tst_Arguments.moc"

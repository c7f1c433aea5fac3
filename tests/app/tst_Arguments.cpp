#include "app/Arguments.h"

#include <QTest>

using Arguments::Kind;
using Arguments::Problem;

namespace {

// The values read, as "output=... screen=... copy search=...", or the culprit of a refusal.
QString found(const Arguments::Parsed& parsed) {
    if (parsed.kind == Kind::usageError)
        return QString::fromStdString(parsed.culprit);
    QStringList values;
    for (const auto& [name, value] :
         {std::pair{"output", parsed.output}, {"screen", parsed.screen}, {"search", parsed.search}})
        if (value)
            values << name + (u'=' + QString::fromStdString(*value));
    if (parsed.copy)
        values << u"copy"_qs;
    return values.join(u' ');
}

} // namespace

// The command line both the launcher and the program read.
class tst_Arguments : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<QString>("found");
        const auto accepted = [](const char* name, QStringList arguments, const char* found,
                                 Kind kind = Kind::command) {
            QTest::newRow(name) << arguments << kind << Problem::none << QString::fromUtf8(found);
        };
        const auto refused = [](const char* name, QStringList arguments, Problem problem,
                                const QString& culprit) {
            QTest::newRow(name) << arguments << Kind::usageError << problem << culprit;
        };

        accepted("nothing launches", {}, "", Kind::launch);
        accepted("a plain command", {"recents"}, "");
        accepted("full to a file, with the screen and the clipboard",
                 {"full", "--output", "a b.png", "--screen", "RIGHT", "--copy"},
                 "output=a b.png screen=RIGHT copy");
        accepted("values after equals signs, in any order",
                 {"full", "--screen=1", "--output=x.png"}, "output=x.png screen=1");
        accepted("a dash is standard output", {"area", "--output", "-"}, "output=-");
        accepted("recents searches for words, blanks and all",
                 {"recents", "--search", "conexión rechazada"}, "search=conexión rechazada");
        refused("version takes nothing after it", {"--version", "full"}, Problem::extraArgument,
                "full");
        refused("output at the end has no value", {"full", "--output"}, Problem::missingValue,
                "--output");
        refused("an option is no value for output", {"full", "--output", "--copy"},
                Problem::missingValue, "--output");
        refused("an empty value is none", {"recents", "--search="}, Problem::missingValue,
                "--search");
        refused("output twice", {"full", "--output", "a", "--output=b"}, Problem::repeatedOption,
                "--output");
        refused("a screen name with a blank cannot travel",
                {"full", "--output", "a", "--screen", "HDMI 1"}, Problem::invalidValue, "HDMI 1");
        refused("area has no screen to choose", {"area", "--output", "a", "--screen", "1"},
                Problem::optionNotForCommand, "--screen");
        refused("recents writes no file", {"recents", "--output", "a"},
                Problem::optionNotForCommand, "--output");
        refused("a capture has nothing to search", {"full", "--search", "x"},
                Problem::optionNotForCommand, "--search");
        refused("copy alone is what full does anyway", {"full", "--copy"},
                Problem::optionNeedsOutput, "--copy");
        refused("a misspelt option", {"full", "--out", "a"}, Problem::unknownOption, "--out");
        refused("an unknown command", {"capture"}, Problem::unknownCommand, "capture");
    }

    void parse() {
        QFETCH(QStringList, arguments);
        std::vector<QByteArray> encoded;
        for (const QString& argument : arguments)
            encoded.push_back(argument.toUtf8());

        const Arguments::Parsed parsed =
            Arguments::parse(std::vector<std::string_view>(encoded.begin(), encoded.end()));

        QTEST(parsed.kind, "kind");
        QTEST(parsed.problem, "problem");
        QTEST(found(parsed), "found");
    }
};

QTEST_APPLESS_MAIN(tst_Arguments)
#include "tst_Arguments.moc"

// `brindlecap recents --search TEXT`: where the option is taken and where it is refused.
#include "app/Arguments.h"

#include <QTest>

using Arguments::Kind;
using Arguments::Problem;

class tst_SearchArguments : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("search");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<QString>("culprit");

        QTest::newRow("recents takes the words to find, blanks and all")
            << QStringList{"recents", "--search", "connection refused"} << "connection refused"
            << Problem::none << "";
        QTest::newRow("the value may follow an equals sign")
            << QStringList{"recents", "--search=Acción"} << "Acción" << Problem::none << "";
        QTest::newRow("a capture command has nothing to search")
            << QStringList{"full", "--search", "x"} << "" << Problem::optionNotForCommand
            << "--search";
        QTest::newRow("an empty text is missing")
            << QStringList{"recents", "--search="} << "" << Problem::missingValue << "--search";
        QTest::newRow("twice is refused")
            << QStringList{"recents", "--search", "a", "--search", "b"} << ""
            << Problem::repeatedOption << "--search";
    }
    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, search);
        QFETCH(Problem, problem);
        QFETCH(QString, culprit);
        std::vector<QByteArray> encoded;
        for (const QString& argument : arguments)
            encoded.push_back(argument.toUtf8());

        const Arguments::Parsed parsed =
            Arguments::parse(std::vector<std::string_view>(encoded.begin(), encoded.end()));

        QCOMPARE(parsed.problem, problem);
        QCOMPARE(parsed.kind, problem == Problem::none ? Kind::command : Kind::usageError);
        if (problem == Problem::none)
            QCOMPARE(QString::fromStdString(parsed.search.value_or("")), search);
        QCOMPARE(QString::fromStdString(parsed.culprit), culprit);
    }
};

QTEST_APPLESS_MAIN(tst_SearchArguments)
#include "tst_SearchArguments.moc"

// The rule that finds captures by their text: every word of the query, ignoring case and
// accents, and where in a line the words are marked.
#include "recents/TextMatch.h"

#include <QTest>

using TextMatch::Span;
using Spans = QList<Span>;

Q_DECLARE_METATYPE(TextMatch::Span)

class tst_TextMatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void matches_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("matches");
        const auto row = [](const char* name, const char* query, bool matches,
                            const QStringList& lines = {u"Error: connection refused"_qs,
                                                        u"Acción no permitida"_qs}) {
            QTest::newRow(name) << QString::fromUtf8(query) << lines << matches;
        };

        row("case is ignored", "CONNECTION", true);
        row("an accent-free query finds the accented word", "accion", true);
        row("an accented query finds the accent-free word", "Érror", true);
        row("text that came decomposed matches too", "accion", true, {u"Accio\u0301n"_qs});
        row("every word must appear, in any order and line", "permitida  refused", true);
        row("one missing word fails the match", "refused timeout", false);
        row("part of a word is found", "conn", true);
        row("a capture without text never matches", "a", false, {});
        row("a query of blanks matches every capture", "  \t ", true, {});
    }
    void matches() {
        QFETCH(QString, query);
        QFETCH(QStringList, lines);

        QTEST(TextMatch::matches(query, lines), "matches");
    }

    void spans_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("line");
        QTest::addColumn<Spans>("spans");
        const auto row = [](const char* name, const char* query, const char* line, Spans spans) {
            QTest::newRow(name) << QString::fromUtf8(query) << QString::fromUtf8(line) << spans;
        };

        row("a term marks its place in the original", "accion", "La Acción", {{3, 6}});
        row("a decomposed accent is marked with its letter", "accion", "Accio\u0301n", {{0, 7}});
        row("every occurrence is marked", "to", "toto to", {{0, 4}, {5, 2}});
        row("overlapping terms merge into one mark", "conn nection", "connection", {{0, 10}});
        row("nothing to mark", "zzz", "connection", {});
    }
    void spans() {
        QFETCH(QString, query);
        QFETCH(QString, line);

        QTEST(TextMatch::spans(TextMatch::terms(query), line), "spans");
    }

    // Excerpts of at most 20 characters around the term "refused".
    void excerpt_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Spans>("spans");
        const auto row = [](const char* name, const QStringList& lines, const char* text,
                            Spans spans) {
            QTest::newRow(name) << lines << QString::fromUtf8(text) << spans;
        };

        row("the first line with a term, whole when it fits", {"nothing", "a refused call"},
            "a refused call", {{2, 7}});
        row("a long line is cut after", {"refused by the server at the far end"},
            "refused by the serv…", {{0, 7}});
        row("a long line is cut on both sides around the first term",
            {"the server at the far end said refused and left"}, "…nd said refused an…", {{9, 7}});
        row("near the end it is cut before only", {"at the far end of it all, refused"},
            "…of it all, refused", {{12, 7}});
        row("no line with a term gives nothing", {"accepted"}, "", {});
    }
    void excerpt() {
        QFETCH(QStringList, lines);

        const TextMatch::Excerpt cut =
            TextMatch::excerpt(TextMatch::terms(u"refused"_qs), lines, 20);

        QTEST(cut.text, "text");
        QTEST(cut.spans, "spans");
    }
};

QTEST_APPLESS_MAIN(tst_TextMatch)
#include "tst_TextMatch.moc"

// The rule that finds captures by their text: every word of the query, ignoring case and
// accents, and where in a line the words are marked.
#include "recents/TextMatch.h"

#include <QTest>

using TextMatch::Span;

Q_DECLARE_METATYPE(TextMatch::Span)

class tst_TextMatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void matches_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("matches");

        const QStringList error{u"Error: connection refused"_qs, u"Acción no permitida"_qs};
        QTest::newRow("case is ignored") << u"CONNECTION"_qs << error << true;
        QTest::newRow("an accent-free query finds the accented word")
            << u"accion"_qs << error << true;
        QTest::newRow("an accented query finds the accent-free word")
            << u"Érror"_qs << error << true;
        QTest::newRow("text that came decomposed matches too")
            << u"accion"_qs << QStringList{u"Accio\u0301n"_qs} << true;
        QTest::newRow("every word must appear, in any order and line")
            << u"permitida  refused"_qs << error << true;
        QTest::newRow("one missing word fails the match")
            << u"refused timeout"_qs << error << false;
        QTest::newRow("part of a word is found") << u"conn"_qs << error << true;
        QTest::newRow("a capture without text never matches") << u"a"_qs << QStringList() << false;
        QTest::newRow("a query of blanks matches every capture")
            << u"  \t "_qs << QStringList() << true;
    }
    void matches() {
        QFETCH(QString, query);
        QFETCH(QStringList, lines);

        QTEST(TextMatch::matches(query, lines), "matches");
    }

    void spans_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<Span>>("spans");

        QTest::newRow("a term marks its place in the original")
            << u"accion"_qs << u"La Acción"_qs << QList<Span>{{3, 6}};
        QTest::newRow("a decomposed accent is marked with its letter")
            << u"accion"_qs << u"Accio\u0301n"_qs << QList<Span>{{0, 7}};
        QTest::newRow("every occurrence is marked")
            << u"to"_qs << u"toto to"_qs << QList<Span>{{0, 4}, {5, 2}};
        QTest::newRow("overlapping terms merge into one mark")
            << u"conn nection"_qs << u"connection"_qs << QList<Span>{{0, 10}};
        QTest::newRow("nothing to mark") << u"zzz"_qs << u"connection"_qs << QList<Span>{};
    }
    void spans() {
        QFETCH(QString, query);
        QFETCH(QString, line);

        QTEST(TextMatch::spans(TextMatch::terms(query), line), "spans");
    }

    void excerpt_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<Span>>("spans");

        QTest::newRow("the first line with a term, whole when it fits")
            << QStringList{u"nothing"_qs, u"a refused call"_qs} << u"a refused call"_qs
            << QList<Span>{{2, 7}};
        QTest::newRow("a long line is cut after")
            << QStringList{u"refused by the server at the far end"_qs} << u"refused by the serv…"_qs
            << QList<Span>{{0, 7}};
        QTest::newRow("a long line is cut on both sides around the first term")
            << QStringList{u"the server at the far end said refused and left"_qs}
            << u"…nd said refused an…"_qs << QList<Span>{{9, 7}};
        QTest::newRow("near the end it is cut before only")
            << QStringList{u"at the far end of it all, refused"_qs} << u"…of it all, refused"_qs
            << QList<Span>{{12, 7}};
        QTest::newRow("no line with a term gives nothing")
            << QStringList{u"accepted"_qs} << QString() << QList<Span>{};
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

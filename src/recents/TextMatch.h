#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The rule that finds captures by their text: every word of the query must appear somewhere in
// the text, ignoring case and accents ("accion" finds "Acción"). Pure, so the drawer, the
// command line and the tests agree on it.
namespace TextMatch {

// Text folded for comparison, with the index in the original of each folded character.
struct Folded {
    QString text;
    QList<int> origin;
};

// Lower case without accents or other marks: "Acción" is "accion".
Folded fold(const QString& text);
// The query's folded words; empty when the query has none.
QStringList terms(const QString& query);
// Whether every term appears in the folded text. No terms match everything.
bool matches(const QStringList& terms, const QString& foldedText);
bool matches(const QString& query, const QStringList& lines);

struct Span {
    int start = 0;
    int length = 0;
    friend bool operator==(const Span&, const Span&) = default;
};
// Where the terms occur in `line`, in its own indices, in order, overlaps merged.
QList<Span> spans(const QStringList& terms, const QString& line);

// A piece of the first line where a term occurs, at most `maxLength` characters with "…" where
// it was cut, so that the first occurrence shows; empty when no line has a term.
struct Excerpt {
    QString text;
    QList<Span> spans;
};
Excerpt excerpt(const QStringList& terms, const QStringList& lines, int maxLength);

} // namespace TextMatch

#include "recents/TextMatch.h"

#include <algorithm>

namespace {

// The first character of the canonical decomposition: "ó" is "o". Compatibility forms stay as
// they are, or "ﬁ" would read as "f".
QChar base(QChar c) {
    while (c.decompositionTag() == QChar::Canonical) {
        const QString parts = c.decomposition();
        if (parts.isEmpty() || parts.at(0) == c)
            break;
        c = parts.at(0);
    }
    return c;
}

} // namespace

namespace TextMatch {

Folded fold(const QString& text) {
    Folded folded;
    folded.text.reserve(text.size());
    folded.origin.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = base(text.at(i));
        // Marks left over from text that came already decomposed.
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        folded.text += c.toCaseFolded();
        folded.origin << i;
    }
    return folded;
}

QStringList terms(const QString& query) {
    return fold(query).text.simplified().split(u' ', Qt::SkipEmptyParts);
}

bool matches(const QStringList& terms, const QString& foldedText) {
    return std::all_of(terms.begin(), terms.end(),
                       [&](const QString& term) { return foldedText.contains(term); });
}

bool matches(const QString& query, const QStringList& lines) {
    return matches(terms(query), fold(lines.join(u'\n')).text);
}

QList<Span> spans(const QStringList& terms, const QString& line) {
    const Folded folded = fold(line);
    QList<Span> found;
    for (const QString& term : terms) {
        for (qsizetype at = folded.text.indexOf(term); at >= 0;
             at = folded.text.indexOf(term, at + 1)) {
            const int start = folded.origin[at];
            const qsizetype last = at + term.size() - 1;
            // Through the marks that followed the last folded character.
            const int end =
                last + 1 < folded.origin.size() ? folded.origin[last + 1] : int(line.size());
            found << Span{start, end - start};
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    QList<Span> merged;
    for (const Span& span : found) {
        if (!merged.isEmpty() && span.start <= merged.last().start + merged.last().length) {
            Span& previous = merged.last();
            previous.length = std::max(previous.start + previous.length, span.start + span.length) -
                              previous.start;
        } else {
            merged << span;
        }
    }
    return merged;
}

Excerpt excerpt(const QStringList& terms, const QStringList& lines, int maxLength) {
    for (const QString& line : lines) {
        const QList<Span> found = spans(terms, line);
        if (found.isEmpty())
            continue;
        if (line.size() <= maxLength)
            return {line, found};
        // Starts a few characters before the first occurrence, so its word reads whole.
        constexpr int lead = 8;
        const int room = maxLength - 2;
        int start = std::max(0, found.first().start - lead);
        start = std::min(start, int(line.size()) - room);
        Excerpt cut;
        const bool cutBefore = start > 0;
        const int length = std::min(int(line.size()) - start, cutBefore ? room : maxLength - 1);
        const bool cutAfter = start + length < line.size();
        const int shift = cutBefore ? 1 : 0;
        cut.text = (cutBefore ? QStringLiteral("…") : QString()) + line.mid(start, length) +
                   (cutAfter ? QStringLiteral("…") : QString());
        for (const Span& span : found) {
            const int from = std::max(span.start, start);
            const int to = std::min(span.start + span.length, start + length);
            if (from < to)
                cut.spans << Span{from - start + shift, to - from};
        }
        return cut;
    }
    return {};
}

} // namespace TextMatch

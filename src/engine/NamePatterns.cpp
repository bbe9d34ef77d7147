#include "engine/NamePatterns.h"

namespace {

bool HasWildcard(const QString& pattern)
{
    return pattern.contains(QLatin1Char('*')) || pattern.contains(QLatin1Char('?'));
}

} // namespace

TNamePatterns::TNamePatterns(const QStringList& patterns)
{
    for (const QString& pattern : patterns) {
        if (pattern.startsWith(QLatin1Char('/'))) {
            QString path = pattern.mid(1);
            while (path.endsWith(QLatin1Char('/')))
                path.chop(1);
            Paths.append(path);
        } else if (HasWildcard(pattern)) {
            Wildcards.append(pattern);
        } else if (!pattern.isEmpty()) {
            Fragments.append(pattern);
        }
    }
}

bool TNamePatterns::Matches(QStringView name, QStringView folder) const
{
    for (const QString& fragment : Fragments) {
        if (name.contains(fragment, Qt::CaseSensitive))
            return true;
    }
    for (const QString& wildcard : Wildcards) {
        if (WildcardMatch(wildcard, name))
            return true;
    }
    return !Paths.isEmpty() && MatchesPath(name, folder);
}

// The file's own path, or the path of one of the folders above it.
bool TNamePatterns::MatchesPath(QStringView name, QStringView folder) const
{
    const QString file =
        folder.isEmpty() ? name.toString() : folder.toString() + QLatin1Char('/') + name;
    for (const QString& path : Paths) {
        if (path.isEmpty() || WildcardMatch(path, file))
            return true;
        for (qsizetype at = file.indexOf(QLatin1Char('/')); at >= 0;
             at = file.indexOf(QLatin1Char('/'), at + 1)) {
            if (WildcardMatch(path, QStringView(file).left(at)))
                return true;
        }
    }
    return false;
}

bool TNamePatterns::WildcardMatch(QStringView pattern, QStringView text)
{
    const QChar star = QLatin1Char('*');
    const QChar one = QLatin1Char('?');
    const QChar separator = QLatin1Char('/');
    qsizetype p = 0;
    qsizetype t = 0;
    // The last star seen, and where in the text its run ends for now. Going back
    // to the last star alone is enough: no star can take a separator, so an
    // earlier star could only take what the last one can take as well.
    qsizetype lastStar = -1;
    qsizetype starEnd = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == star) {
            lastStar = p++;
            starEnd = t;
        } else if (p < pattern.size() &&
                   (pattern[p] == one ? text[t] != separator : pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (lastStar >= 0 && text[starEnd] != separator) {
            p = lastStar + 1;
            t = ++starEnd;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == star)
        ++p;
    return p == pattern.size();
}

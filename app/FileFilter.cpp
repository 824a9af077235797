// The file-type filters of the file dialogs.
#include "FileFilter.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace FileFilter {

namespace {

// "txt" for "*.txt"; empty for "*", "*.*" and patterns with wildcards in
// the extension.
QString patternExtension(const QString &pattern)
{
    if (!pattern.startsWith(QLatin1String("*.")))
        return {};
    const QString ext = pattern.mid(2);
    if (ext.isEmpty() || ext.contains(u'*') || ext.contains(u'?') || ext.contains(u'.'))
        return {};
    return ext;
}

// The extension of a name's file part, empty when it has none.
QString nameExtension(const QString &name)
{
    return QFileInfo(name).suffix();
}

} // namespace

std::vector<Entry> parse(const QString &filter)
{
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    const QStringList parts = filter.split(u'|');
    std::vector<Entry> out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out.push_back({parts[i], parts[i + 1].split(separators, Qt::SkipEmptyParts)});
    return out;
}

QString extension(const QString &filter, int entry)
{
    const std::vector<Entry> entries = parse(filter);
    if (entry < 0 || entry >= static_cast<int>(entries.size()))
        return {};
    for (const QString &pattern : entries[static_cast<size_t>(entry)].patterns)
        if (const QString ext = patternExtension(pattern); !ext.isEmpty())
            return ext;
    return {};
}

int entryFor(const QString &filter, const QString &name)
{
    const QString ext = nameExtension(name);
    if (ext.isEmpty())
        return -1;
    const std::vector<Entry> entries = parse(filter);
    for (size_t i = 0; i < entries.size(); ++i)
        for (const QString &pattern : entries[i].patterns)
            if (patternExtension(pattern).compare(ext, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
    return -1;
}

QString proposal(const QString &filter, const QString &name)
{
    if (name.isEmpty() || entryFor(filter, name) >= 0)
        return name;
    const QString wanted = extension(filter, 0);
    if (wanted.isEmpty())
        return name;
    const QString ext = nameExtension(name);
    const QString stem = ext.isEmpty() ? name : name.left(name.size() - ext.size() - 1);
    return stem + u'.' + wanted;
}

QString withExtension(const QString &name, const QString &filter, int entry)
{
    if (name.isEmpty() || !nameExtension(name).isEmpty())
        return name;
    QString ext = extension(filter, entry);
    if (ext.isEmpty())
        ext = extension(filter, 0);
    if (ext.isEmpty())
        return name;
    QString stem = name;
    if (stem.endsWith(u'.')) // "gem." is "gem" with a dot typed too many
        stem.chop(1);
    return stem + u'.' + ext;
}

} // namespace FileFilter

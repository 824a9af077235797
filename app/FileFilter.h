// The file-type filters of the file dialogs: their entries, the extension a
// name gets under one, and the name a save dialog proposes.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// A filter is one text of alternating descriptions and patterns separated
// by '|' ("Text files|*.txt|All files|*.*"); an entry's patterns are
// separated by ';' or blanks. "*" and "*.*" match any name and name no
// extension.
namespace FileFilter {

struct Entry {
    QString description;
    QStringList patterns;
};
std::vector<Entry> parse(const QString &filter);

// The extension (without the dot) of the entry's first pattern that names
// one ("*.txt" gives "txt"); empty for an entry of wildcards or an index
// outside the filter.
QString extension(const QString &filter, int entry);

// The first entry with a pattern naming the extension of name (letter case
// aside); -1 when none does.
int entryFor(const QString &filter, const QString &name);

// The name a save dialog offers: name itself when an entry of the filter
// names its extension; otherwise name with its extension replaced by the
// first entry's (added when it has none), so that a dialog never offers a
// name that its filter does not take. Empty stays empty.
QString proposal(const QString &filter, const QString &name);

// A name chosen without an extension gets the extension of the entry
// chosen (the first entry's where that one names none); a name with an
// extension stays as it is.
QString withExtension(const QString &name, const QString &filter, int entry);

} // namespace FileFilter

// The field splitter of the observation files and the chart labels.
#pragma once

#include <QString>

// The N-th field (from 1) of Line split at every whole occurrence of
// Delimiter. Adjacent delimiters enclose an empty field, a line ending with
// the delimiter has an empty last field, and a field number past the last
// field gives empty text.
QString ExtractField(const QString &Line, const QString &Delimiter, int N);

// The command line of the program's tools: arguments taken as the exact
// bytes given, and whole-number options checked against their range.
#pragma once

#include <QString>
#include <QStringList>

namespace CommandArgs {

// The arguments argv[1] ... argv[argc - 1] as texts. An argument whose bytes
// are not UTF-8 cannot become a text that names the same bytes again (Qt
// would pass U+FFFD's bytes to the system, another file's name), so it is
// refused with VexlorError naming it and the option it follows, and no file
// is read or written under it.
QStringList decode(int argc, const char *const *argv);

// The value of a whole-number option within min to max; VexlorError
// "--a takes a whole number from 0 to 32767" for anything else, including
// values past the range of int.
int wholeNumber(const QString &option, const QString &text, int min, int max);

} // namespace CommandArgs

#pragma once
// The application's one rule for counts and sizes: the locale's decimal format as Qt knows it (its grouping
// and decimal mark, from Qt's own locale data, so it holds whether or not the C library has the locale
// installed). Core's formatters read numbers through the global C++ locale; installing the rule makes that
// locale's numeric punctuation Qt's, so every screen, sentence and notification groups digits alike.

#include <QLocale>
#include <locale>

namespace keldra {

// `base` with the grouping and decimal mark of `numbers`. A mark outside ASCII (a narrow no-break space) is
// written as a plain space.
std::locale withNumberFormatOf(const std::locale& base, const QLocale& numbers);

// Makes `numbers` the rule for the whole process; returns the global locale it replaced.
std::locale installNumberFormat(const QLocale& numbers);

} // namespace keldra

// Splitting a command line into arguments by the platform's rules, which
// programs started with CreateProcessA expect:
// - arguments are separated by blanks and tabs outside double quotes;
// - a double quote starts or ends a quoted part; inside one, two double
//   quotes in a row stand for one literal double quote;
// - 2n backslashes before a double quote stand for n backslashes and the
//   quote keeps its meaning; 2n+1 backslashes before one stand for n
//   backslashes and a literal double quote; other backslashes are literal;
// - the first argument, the program name, ends at the first blank or tab
//   (or, when it begins with a quote, at the next quote) and takes
//   backslashes literally.
#pragma once

#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// What a design file asks for that the plug-in cannot take as it stands: a
// number that is no number, or one out of the range a panel can have. The
// plug-in still reads the file by its own rules (a value that is no number
// is its default); this only names the values for the person who wrote it.
#pragma once

#include <string>
#include <vector>

namespace kivo {

// One line per value, "SpeanaL Left=abc is not a number: 0 is used"; none
// for a good design, or for a file that cannot be read.
std::vector<std::string> DesignProblems(const std::string& designPath);

// The problems as one notice naming the skin; empty when there are none.
std::string DesignNotice(const std::string& designPath);

}  // namespace kivo

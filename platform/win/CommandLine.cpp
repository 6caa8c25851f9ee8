#include "platform/win/CommandLine.h"

#include <cstddef>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::size_t SkipBlanks(std::string_view text, std::size_t position) {
  while (position < text.size() && IsBlank(text[position])) ++position;
  return position;
}

std::size_t ReadProgramName(std::string_view text, std::string& name) {
  std::size_t position = 0;
  if (!text.empty() && text[0] == '"') {
    const std::size_t close = text.find('"', 1);
    const std::size_t end = close == std::string_view::npos ? text.size() : close;
    name.assign(text.substr(1, end - 1));
    return close == std::string_view::npos ? end : end + 1;
  }
  while (position < text.size() && !IsBlank(text[position])) ++position;
  name.assign(text.substr(0, position));
  return position;
}

// Reads one argument from `position` (not a blank); returns where it ended.
std::size_t ReadArgument(std::string_view text, std::size_t position, std::string& argument) {
  bool quoted = false;
  while (position < text.size() && (quoted || !IsBlank(text[position]))) {
    const char c = text[position];
    if (c == '\\') {
      std::size_t backslashes = 0;
      while (position < text.size() && text[position] == '\\') {
        ++backslashes;
        ++position;
      }
      const bool beforeQuote = position < text.size() && text[position] == '"';
      if (!beforeQuote) {
        argument.append(backslashes, '\\');
        continue;
      }
      argument.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        argument += '"';
        ++position;
      }
      continue;
    }
    if (c == '"') {
      if (quoted && position + 1 < text.size() && text[position + 1] == '"') {
        argument += '"';
        position += 2;
        continue;
      }
      quoted = !quoted;
      ++position;
      continue;
    }
    argument += c;
    ++position;
  }
  return position;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  if (commandLine.empty()) return arguments;
  std::string programName;
  std::size_t position = ReadProgramName(commandLine, programName);
  arguments.push_back(std::move(programName));
  for (position = SkipBlanks(commandLine, position); position < commandLine.size();
       position = SkipBlanks(commandLine, position)) {
    std::string argument;
    position = ReadArgument(commandLine, position, argument);
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

#include "player/manual/OptionFacts.h"

namespace kivo {

std::vector<const CLI::App*> SubcommandsOf(const CLI::App& command) {
  return command.get_subcommands([](const CLI::App*) { return true; });
}

std::vector<const CLI::Option*> NamedOptionsOf(const CLI::App& command) {
  return command.get_options([](const CLI::Option* option) { return !option->get_positional(); });
}

std::vector<const CLI::Option*> PositionalsOf(const CLI::App& command) {
  return command.get_options([](const CLI::Option* option) { return option->get_positional(); });
}

std::vector<std::string> NamesOf(const CLI::Option& option) {
  std::vector<std::string> names;
  for (const std::string& name : option.get_snames()) names.push_back("-" + name);
  for (const std::string& name : option.get_lnames()) names.push_back("--" + name);
  return names;
}

bool TakesValue(const CLI::Option& option) { return option.get_items_expected_min() > 0; }

std::vector<std::string> ChoicesOf(const CLI::Option& option) {
  const std::string type = option.get_type_name();
  const std::size_t open = type.find('{');
  const std::size_t close = type.find('}', open);
  if (open == std::string::npos || close == std::string::npos) return {};
  std::vector<std::string> choices;
  std::string list = type.substr(open + 1, close - open - 1);
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    if (comma > start) choices.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
  return choices;
}

bool TakesPath(const CLI::Option& option) {
  return ValueKindOf(option) == "TEXT" && ChoicesOf(option).empty();
}

std::string ValueKindOf(const CLI::Option& option) {
  const std::string type = option.get_type_name();
  return type.substr(0, type.find_first_of(": "));
}

}  // namespace kivo

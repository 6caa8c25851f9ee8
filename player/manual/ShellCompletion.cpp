#include "player/manual/ShellCompletion.h"

#include <functional>
#include <sstream>

#include "player/manual/OptionFacts.h"

namespace kivo {

namespace {

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

// Inside single quotes, for either shell.
std::string SingleQuoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

void EachCommand(const CLI::App& command, const std::string& path,
                 const std::function<void(const CLI::App&, const std::string&)>& visit) {
  visit(command, path);
  for (const CLI::App* sub : SubcommandsOf(command))
    EachCommand(*sub, path + " " + sub->get_name(), visit);
}

bool TakesPaths(const CLI::App& command) {
  for (const CLI::Option* positional : PositionalsOf(command))
    if (TakesPath(*positional)) return true;
  return false;
}

// The tables the bash function looks words up in, keyed by the command
// path ("kivo remote") or the path and an option ("kivo play --view").
struct TBashTables {
  std::ostringstream Commands, Options, Valued, Choices, Paths, Inputs;

  void Add(const CLI::App& command, const std::string& path) {
    std::vector<std::string> names;
    for (const CLI::App* sub : SubcommandsOf(command)) names.push_back(sub->get_name());
    if (!names.empty()) Commands << "    [" << SingleQuoted(path) << "]=" << SingleQuoted(Joined(names)) << "\n";
    std::vector<std::string> options;
    for (const CLI::Option* option : NamedOptionsOf(command)) {
      for (const std::string& name : NamesOf(*option)) {
        options.push_back(name);
        if (!TakesValue(*option)) continue;
        const std::string key = SingleQuoted(path + " " + name);
        Valued << "    [" << key << "]=1\n";
        if (const std::vector<std::string> choices = ChoicesOf(*option); !choices.empty())
          Choices << "    [" << key << "]=" << SingleQuoted(Joined(choices)) << "\n";
        else if (TakesPath(*option))
          Paths << "    [" << key << "]=1\n";
      }
    }
    Options << "    [" << SingleQuoted(path) << "]=" << SingleQuoted(Joined(options)) << "\n";
    if (TakesPaths(command)) Inputs << "    [" << SingleQuoted(path) << "]=1\n";
  }
};

// Brackets and backslashes end or escape a description in an _arguments
// argument; only its first line is shown.
std::string ZshDescription(const std::string& text) {
  std::string out;
  for (const char c : text.substr(0, text.find('\n'))) {
    if (c == '[' || c == ']' || c == '\\' || c == ':') out += '\\';
    out += c;
  }
  return out;
}

std::string ZshFunctionName(const std::string& path) {
  std::string name = "_" + path;
  for (char& c : name)
    if (c == ' ' || c == '-') c = '_';
  return name;
}

std::string ZshOptionArgument(const CLI::Option& option, const std::string& name) {
  const std::string description = "[" + ZshDescription(option.get_description()) + "]";
  if (!TakesValue(option)) return SingleQuoted(name + description);
  std::string action = ": ";
  if (const std::vector<std::string> choices = ChoicesOf(option); !choices.empty())
    action = ":(" + Joined(choices) + ")";
  else if (TakesPath(option))
    action = ":_files";
  return SingleQuoted(name + "=" + description + ":" + ValueKindOf(option) + action);
}

void WriteZshFunction(std::ostream& out, const CLI::App& command, const std::string& path) {
  std::vector<std::string> arguments;
  for (const CLI::Option* option : NamedOptionsOf(command))
    for (const std::string& name : NamesOf(*option)) arguments.push_back(ZshOptionArgument(*option, name));
  const std::vector<const CLI::App*> subs = SubcommandsOf(command);
  out << ZshFunctionName(path) << "() {\n";
  if (subs.empty()) {
    for (const CLI::Option* positional : PositionalsOf(command)) {
      const std::string many = positional->get_expected_max() > 1 ? "*" : "";
      const std::string action = TakesPath(*positional) ? "_files" : " ";
      arguments.push_back(SingleQuoted(many + ":" + positional->get_name(true) + ":" + action));
    }
    out << "  _arguments -s";
    for (const std::string& argument : arguments) out << " \\\n    " << argument;
    out << "\n}\n\n";
    return;
  }
  out << "  local curcontext=$curcontext state line\n  typeset -A opt_args\n  _arguments -C";
  for (const std::string& argument : arguments) out << " \\\n    " << argument;
  out << " \\\n    '1: :->command' '*:: :->argument'\n"
      << "  case $state in\n    command)\n      local -a commands=(";
  for (const CLI::App* sub : subs)
    out << "\n        " << SingleQuoted(sub->get_name() + ":" + sub->get_description().substr(0, sub->get_description().find('\n')));
  out << ")\n      _describe -t commands command commands ;;\n"
      << "    argument)\n      case $words[1] in\n";
  for (const CLI::App* sub : subs)
    out << "        (" << sub->get_name() << ") " << ZshFunctionName(path + " " + sub->get_name())
        << " ;;\n";
  out << "      esac ;;\n  esac\n}\n\n";
}

}  // namespace

std::string BashCompletion(const CLI::App& program) {
  const std::string name = program.get_name();
  TBashTables tables;
  EachCommand(program, name, [&](const CLI::App& command, const std::string& path) {
    tables.Add(command, path);
  });
  std::ostringstream out;
  out << "# bash completion for " << name << ", made from its own option tables\n"
      << "_" << name << "() {\n"
      << "  local -A commands=(\n" << tables.Commands.str() << "  )\n"
      << "  local -A options=(\n" << tables.Options.str() << "  )\n"
      << "  local -A valued=(\n" << tables.Valued.str() << "  )\n"
      << "  local -A choices=(\n" << tables.Choices.str() << "  )\n"
      << "  local -A paths=(\n" << tables.Paths.str() << "  )\n"
      << "  local -A inputs=(\n" << tables.Inputs.str() << "  )\n"
      << "  local cur=${COMP_WORDS[COMP_CWORD]} path=" << name << " pending= word i\n"
      << R"(  # The command the words so far name, and an option still waiting for its value.
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ -n $pending ]]; then pending=; continue; fi
    if [[ -n ${valued["$path $word"]+set} ]]; then pending="$path $word"; continue; fi
    if [[ " ${commands[$path]-} " == *" $word "* ]]; then path+=" $word"; fi
  done
  COMPREPLY=()
  if [[ -n $pending ]]; then
    if [[ -n ${choices[$pending]+set} ]]; then
      mapfile -t COMPREPLY < <(compgen -W "${choices[$pending]}" -- "$cur")
    elif [[ -n ${paths[$pending]+set} ]]; then
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
    return 0
  fi
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "${options[$path]}" -- "$cur")
    return 0
  fi
  mapfile -t COMPREPLY < <(compgen -W "${commands[$path]-}" -- "$cur")
  if [[ -n ${inputs[$path]+set} ]]; then
    compopt -o filenames 2>/dev/null
    local -a files
    mapfile -t files < <(compgen -f -- "$cur")
    COMPREPLY+=("${files[@]}")
  fi
  return 0
}
)" << "complete -F _" << name << " " << name << "\n";
  return out.str();
}

std::string ZshCompletion(const CLI::App& program) {
  const std::string name = program.get_name();
  std::ostringstream out;
  out << "#compdef " << name << "\n# zsh completion for " << name
      << ", made from its own option tables\n\n";
  EachCommand(program, name, [&](const CLI::App& command, const std::string& path) {
    WriteZshFunction(out, command, path);
  });
  out << ZshFunctionName(name) << " \"$@\"\n";
  return out.str();
}

}  // namespace kivo

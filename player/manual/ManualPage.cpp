#include "player/manual/ManualPage.h"

#include <algorithm>
#include <sstream>

#include "player/manual/OptionFacts.h"

namespace kivo {

namespace {

// Backslashes and hyphens as roff reads them literally, and no line that
// roff would take for a request.
std::string Roff(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (const char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
    lineStart = c == '\n';
  }
  return out;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string CommandPath(const CLI::App& command) {
  const CLI::App* parent = command.get_parent();
  return parent == nullptr ? command.get_name() : CommandPath(*parent) + " " + command.get_name();
}

std::string OptionTerm(const CLI::Option& option) {
  std::string term;
  for (const std::string& name : NamesOf(option))
    term += (term.empty() ? "" : ", ") + std::string("\\fB") + Roff(name) + "\\fR";
  std::string value = ValueKindOf(option);
  if (const std::vector<std::string> choices = ChoicesOf(option); !choices.empty()) {
    value.clear();
    for (const std::string& choice : choices) value += (value.empty() ? "" : "|") + choice;
  }
  if (TakesValue(option))
    term += " \\fI" + Roff(value) + "\\fR";
  else if (option.get_items_expected_max() > 0)
    term += " [\\fI" + Roff(value) + "\\fR]";
  return term;
}

std::string Synopsis(const CLI::App& command) {
  std::string line = "\\fB" + Roff(CommandPath(command)) + "\\fR";
  if (!NamedOptionsOf(command).empty()) line += " [\\fIoptions\\fR]";
  for (const CLI::Option* positional : PositionalsOf(command)) {
    const std::string name = "\\fI" + Roff(positional->get_name(true)) + "\\fR" +
                             (positional->get_expected_max() > 1 ? "..." : "");
    line += positional->get_required() ? " " + name : " [" + name + "]";
  }
  if (!SubcommandsOf(command).empty()) line += " \\fIcommand\\fR";
  return line;
}

void WriteOptions(std::ostream& out, const CLI::App& command) {
  for (const CLI::Option* positional : PositionalsOf(command))
    out << ".TP\n\\fI" << Roff(positional->get_name(true)) << "\\fR\n"
        << Roff(positional->get_description()) << "\n";
  for (const CLI::Option* option : NamedOptionsOf(command)) {
    out << ".TP\n" << OptionTerm(*option) << "\n" << Roff(option->get_description());
    if (!option->get_default_str().empty())
      out << " (default: " << Roff(option->get_default_str()) << ")";
    out << "\n";
  }
}

void WriteCommand(std::ostream& out, const CLI::App& command, const char* heading) {
  out << heading << " \"" << Roff(Upper(CommandPath(command))) << "\"\n"
      << Synopsis(command) << "\n.PP\n"
      << Roff(command.get_description()) << "\n";
  WriteOptions(out, command);
  if (const std::string footer = command.get_footer(); !footer.empty())
    out << ".PP\n.nf\n" << Roff(footer) << "\n.fi\n";
  for (const CLI::App* sub : SubcommandsOf(command)) WriteCommand(out, *sub, ".SS");
}

}  // namespace

std::string ManualPage(const CLI::App& program, const TManualPageHead& head) {
  std::ostringstream out;
  out << ".TH " << Upper(head.Name) << " 1 \"\" \"" << Roff(head.Name + " " + head.Version)
      << "\" \"User Commands\"\n"
      << ".SH NAME\n" << Roff(head.Name) << " \\- " << Roff(head.Summary) << "\n"
      << ".SH SYNOPSIS\n";
  for (const CLI::App* command : SubcommandsOf(program)) out << Synopsis(*command) << "\n.br\n";
  out << "\\fB" << Roff(head.Name) << "\\fR \\fB\\-\\-version\\fR\n"
      << ".SH DESCRIPTION\n" << Roff(program.get_description()) << "\n";
  WriteOptions(out, program);
  for (const CLI::App* command : SubcommandsOf(program)) WriteCommand(out, *command, ".SH");
  out << head.Tail;
  return out.str();
}

}  // namespace kivo

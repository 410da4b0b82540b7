#include "cli/HelpFormatter.h"

#include <sstream>

namespace nulvane::cli {

std::string HelpFormatter::Wrap(const std::string& text, std::size_t width, std::size_t indent) {
  std::string out;
  std::size_t column = indent;
  std::istringstream paragraphs(text);
  bool firstParagraph = true;
  for (std::string paragraph; std::getline(paragraphs, paragraph);) {
    if (!firstParagraph) {
      out += "\n" + std::string(indent, ' ');
      column = indent;
    }
    firstParagraph = false;
    std::istringstream words(paragraph);
    bool lineStart = true;
    for (std::string word; words >> word;) {
      if (!lineStart && column + 1 + word.size() > width) {
        out += "\n" + std::string(indent, ' ');
        column = indent;
        lineStart = true;
      }
      if (!lineStart) {
        out += ' ';
        ++column;
      }
      out += word;
      column += word.size();
      lineStart = false;
    }
  }
  return out;
}

std::string HelpFormatter::Entry(const std::string& name, const std::string& description) {
  std::string line = "  " + name;
  if (description.empty()) return line + "\n";
  if (line.size() + 2 > kNameColumn) {
    line += "\n";
    line += std::string(kNameColumn, ' ');
  } else {
    line += std::string(kNameColumn - line.size(), ' ');
  }
  return line + Wrap(description, kWidth, kNameColumn) + "\n";
}

std::string HelpFormatter::make_option(const CLI::Option* option, bool positional) const {
  std::string name;
  if (positional) {
    name = option->get_name();
    if (option->get_items_expected_max() > 1) name += "...";
  } else {
    for (const std::string& shortName : option->get_snames())
      name += (name.empty() ? "-" : ", -") + shortName;
    for (const std::string& longName : option->get_lnames())
      name += (name.empty() ? "--" : ", --") + longName;
    if (option->get_type_size() != 0 && !option->get_type_name().empty())
      name += " " + option->get_type_name();
  }
  return Entry(name, option->get_description());
}

std::string HelpFormatter::make_subcommand(const CLI::App* command) const {
  return Entry(command->get_name(), command->get_description());
}

std::string HelpFormatter::make_description(const CLI::App* app) const {
  const std::string description = app->get_description();
  return description.empty() ? std::string() : Wrap(description, kWidth, 0) + "\n\n";
}

std::string HelpFormatter::make_footer(const CLI::App* app) const {
  const std::string footer = app->get_footer();
  return footer.empty() ? std::string() : Wrap(footer, kWidth, 0) + "\n";
}

}  // namespace nulvane::cli

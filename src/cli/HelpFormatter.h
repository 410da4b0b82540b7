#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace nulvane::cli {

// --help as a terminal of 80 columns shows it: every line fits, long descriptions wrap under their own
// column, and an option is named with all its forms ("-r, -R, --subfolders") and the value it takes.
class HelpFormatter final : public CLI::Formatter {
 public:
  static constexpr std::size_t kWidth = 80;
  static constexpr std::size_t kNameColumn = 26;

  HelpFormatter() {
    label("Subcommands", "Commands");
    label("SUBCOMMAND", "COMMAND");
    label("Positionals", "Arguments");
  }

  std::string make_option(const CLI::Option* option, bool positional) const override;
  std::string make_subcommand(const CLI::App* command) const override;
  std::string make_description(const CLI::App* app) const override;
  std::string make_footer(const CLI::App* app) const override;

  // `text` broken into lines of at most `width` columns at blanks (a word longer than that stands alone),
  // for a first line that starts at column `indent` and further lines indented by as much; a line break in
  // the text is kept.
  static std::string Wrap(const std::string& text, std::size_t width, std::size_t indent);
  // "  name   description", the description wrapped in its column (on a line of its own under a long name).
  static std::string Entry(const std::string& name, const std::string& description);
};

}  // namespace nulvane::cli

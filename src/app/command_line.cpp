#include "app/command_line.h"

#ifndef KORVO_VERSION
#define KORVO_VERSION "unknown"
#endif

namespace korvo {
namespace {

CommandLine usage_error(std::string what) {
  CommandLine c;
  c.kind = CommandKind::kUsageError;
  c.error = std::move(what);
  return c;
}

bool is_option(std::string_view word) { return word.size() > 1 && word.front() == '-'; }

// "init" DIR and one of --dbf FILE, --binary FILE, in any order; the option
// may also be written --dbf=FILE.
CommandLine parse_init(std::span<const std::string_view> args) {
  CommandLine c;
  c.kind = CommandKind::kInit;
  bool directory_given = false;
  bool source_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view word = args[i];
    if (word == "--help" || word == "-h") {
      CommandLine help;
      help.kind = CommandKind::kInitHelp;
      return help;
    }
    if (is_option(word)) {
      std::string_view name = word;
      std::string_view value;
      bool value_given = false;
      if (const std::size_t eq = word.find('='); eq != std::string_view::npos) {
        name = word.substr(0, eq);
        value = word.substr(eq + 1);
        value_given = true;
      }
      if (name != "--dbf" && name != "--binary") {
        return usage_error("init: unknown option \"" + std::string(word) + "\"");
      }
      if (!value_given) {
        if (i + 1 >= args.size()) return usage_error("init: " + std::string(name) + " needs a file name");
        value = args[++i];
      }
      if (value.empty()) return usage_error("init: " + std::string(name) + " needs a file name");
      if (source_given) return usage_error("init: give one network, with --dbf or --binary");
      source_given = true;
      c.source = name == "--dbf" ? InitSource::kDbf : InitSource::kBinary;
      c.network_file = std::string(value);
      continue;
    }
    if (directory_given) {
      return usage_error("init: one directory only; \"" + std::string(word) + "\" is one too many");
    }
    if (word.empty()) return usage_error("init: the directory name is empty");
    directory_given = true;
    c.directory = std::string(word);
  }
  if (!directory_given) return usage_error("init: the scenario directory is missing");
  if (!source_given) return usage_error("init: the network is missing: --dbf FILE or --binary FILE");
  return c;
}

}  // namespace

CommandLine parse_command_line(std::span<const std::string_view> args) {
  if (args.empty()) return CommandLine{};
  const std::string_view first = args.front();
  const auto rest = args.subspan(1);
  if (first == "--help" || first == "-h") {
    if (!rest.empty()) return usage_error("--help takes no arguments");
    CommandLine c;
    c.kind = CommandKind::kHelp;
    return c;
  }
  if (first == "--version") {
    if (!rest.empty()) return usage_error("--version takes no arguments");
    CommandLine c;
    c.kind = CommandKind::kVersion;
    return c;
  }
  if (first == "init") return parse_init(rest);
  if (first == "compare") {
    CommandLine c;
    c.kind = CommandKind::kCompare;
    for (std::string_view word : rest) c.rest.emplace_back(word);
    return c;
  }
  if (is_option(first)) return usage_error("unknown option \"" + std::string(first) + "\"");
  if (first.empty()) return usage_error("the directory name is empty");
  if (!rest.empty()) {
    return usage_error("a run takes one directory; \"" + std::string(rest.front()) + "\" is one too many");
  }
  CommandLine c;
  c.kind = CommandKind::kRunIn;
  c.directory = std::string(first);
  return c;
}

CommandLine parse_command_line(int argc, const char* const* argv) {
  std::vector<std::string_view> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return parse_command_line(std::span<const std::string_view>(args));
}

std::string short_usage_text() {
  return "Usage: korvo [DIR]\n"
         "       korvo init DIR --dbf FILE | --binary FILE\n"
         "       korvo compare BASE ALT [ALT ...] [--out DIR]\n"
         "       korvo --help | --version\n";
}

std::string init_usage_text() {
  return "Usage: korvo init DIR --dbf FILE\n"
         "       korvo init DIR --binary FILE\n"
         "\n"
         "Writes a starter scenario into DIR (made when missing; it may be the\n"
         "directory that holds FILE): PROFILE.MAS (a validation run), KVRATES.SYN\n"
         "(the bundled rates: illustrative values, replace them with your agency's),\n"
         "KVLABELS.SYN (classes for the facility-type and area-type codes found),\n"
         "and, for a dBASE table whose field names or units differ from KORVO's,\n"
         "DATABASE.CTL; for a binary network HRLDXY.xxx, VELMAR.CTL when xxx is\n"
         "not XXX. A file that exists is kept, never overwritten.\n"
         "\n"
         "It prints what it found and what to check, then the command of the run.\n"
         "\n"
         "  --dbf FILE      the dBASE link table (one record per direction of a link)\n"
         "  --binary FILE   the binary loaded network, named HRLDXY.xxx, in DIR\n"
         "\n"
         "Exit status: 0 the files are in place; 2 a usage error, or FILE or DIR\n"
         "cannot be read or written; 3 an internal error.\n";
}

std::string usage_text() {
  return "Usage:\n"
         "  korvo                          run in the working directory\n"
         "  korvo DIR                      run in DIR, as if started there\n"
         "  korvo init DIR --dbf FILE      write a starter scenario for a dBASE link table\n"
         "  korvo init DIR --binary FILE   ... for a binary loaded network HRLDXY.xxx\n"
         "  korvo compare BASE ALT...      compare finished runs (korvo compare --help)\n"
         "  korvo --help                   this text\n"
         "  korvo --version                the program's version\n"
         "(A scenario directory named init or compare is given as ./init.)\n"
         "\n"
         "KORVO evaluates a loaded highway network. A validation run compares the\n"
         "assigned volumes with ground counts; an analysis run compares them with\n"
         "capacity and prices the result. A run takes no questions (unless an\n"
         "auxiliary dBASE file is missing), finds every file by its fixed name in its\n"
         "directory and writes its report there.\n"
         "\n"
         "The files of a run:\n"
         "  PROFILE.MAS    always: the settings (keyword from column 2, value on the next line)\n"
         "  KVRATES.SYN    always: the 75 lines of rates\n"
         "  a dBASE link file, named by KORVODBF in the profile; or else\n"
         "  HRLDXY.xxx     the binary loaded network (xxx from VELMAR.CTL, else XXX)\n"
         "  DATABASE.CTL   optional: other field names and scale factors of the dBASE file\n"
         "  KVLABELS.SYN   classes and labels of the facility and area types; needed\n"
         "                 whenever the codes have two digits\n"
         "  KVSCREEN.SYN   optional: screenline names\n"
         "  TITLE          optional: the second title line of every page\n"
         "  VELMAR.CTL     optional: the scenario's file code (binary networks)\n"
         "  VOLNAUX.xxx    optional: construction and location codes (binary networks)\n"
         "It writes KORVO.OUT (the report), KVSKIP.LNK (links whose codes have no\n"
         "class) and, with ASCII in the profile, HRLDXY.ASC, HRLDXY2.ASC, SCRNLINE.ASC.\n"
         "\n"
         "The scenario code printed on every page is the three characters before\n"
         "the first \".\" of the dBASE file's name (LOADED05A.DBF gives 05A), or the\n"
         "code in VELMAR.CTL.\n"
         "\n"
         "Exit status:\n"
         "  0  the run ended with \"KORVO -- Normal Completion\"\n"
         "  1  the run ended with another completion line (an abnormal completion\n"
         "     or stop; the lines before it say why)\n"
         "  2  a file could not be read or written (one line names the file, the\n"
         "     place and what was expected), or the command line is wrong\n"
         "  3  an internal error of the program\n";
}

std::string version_text() { return std::string("korvo ") + KORVO_VERSION + "\n"; }

}  // namespace korvo

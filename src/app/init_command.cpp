#include "app/init_command.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/code_classes.h"
#include "app/driver.h"
#include "app/field_matching.h"
#include "app/run_context.h"
#include "common/byte_stream.h"
#include "common/errors.h"
#include "common/text_file.h"
#include "input/binary_network.h"
#include "input/control_file.h"
#include "input/database_control.h"
#include "input/dbf_survey.h"
#include "input/profile.h"
#include "reports/bundled_rates.h"
#include "reports/starter_files.h"

namespace korvo {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kProfileNameColumns = 80;

// A stop of init itself: the line goes to stderr, the exit status is 2.
class InitStop : public std::runtime_error {
 public:
  explicit InitStop(const std::string& line) : std::runtime_error(line) {}
};

std::string grouped(std::uint64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string plural(std::uint64_t n, std::string_view one, std::string_view many) {
  return grouped(n) + " " + std::string(n == 1 ? one : many);
}

std::string decimal(double v, int places) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", places, v);
  return buf;
}

// A path as a shell takes it: quoted when it holds anything but the usual
// characters of a file name.
std::string shell_word(const std::string& text) {
  const bool plain = !text.empty() && text.find_first_not_of(
                                          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                          "0123456789._-/+,:@") == std::string::npos;
  if (plain) return text;
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// The files of the starter scenario, in the order they are written.
struct FileOutcome {
  std::string name;
  bool written = false;  // false: kept, it existed
  std::string what;      // what it holds, for the printout
};

// Creates the file only when no file of that name exists (never truncates
// one); false when it exists. Throws InitStop when it cannot be written.
bool write_new_file(const fs::path& path, std::string_view text) {
  std::FILE* f = std::fopen(path.c_str(), "wbx");
  if (f == nullptr) {
    if (errno == EEXIST) return false;
    throw InitStop(" " + path.string() + ": cannot be created: " + std::strerror(errno));
  }
  const bool wrote = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const bool closed = std::fclose(f) == 0;
  if (!wrote || !closed) throw InitStop(" " + path.string() + ": cannot be written: " + std::strerror(errno));
  return true;
}

void put_file(const fs::path& dir, const std::string& name, std::string_view text, std::string what,
              std::vector<FileOutcome>& files) {
  files.push_back(FileOutcome{name, write_new_file(dir / name, text), std::move(what)});
}

bool kept(const std::vector<FileOutcome>& files, std::string_view name) {
  for (const FileOutcome& f : files) {
    if (f.name == name) return !f.written;
  }
  return false;
}

bool written(const std::vector<FileOutcome>& files, std::string_view name) {
  for (const FileOutcome& f : files) {
    if (f.name == name) return f.written;
  }
  return false;
}

void make_directory(const fs::path& dir) {
  std::error_code ec;
  if (fs::exists(dir, ec)) {
    if (!fs::is_directory(dir, ec)) throw InitStop(" " + dir.string() + ": exists and is not a directory");
    return;
  }
  fs::create_directories(dir, ec);
  if (ec) throw InitStop(" " + dir.string() + ": cannot be made: " + ec.message());
}

bool same_directory(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec);
  return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

fs::path directory_of(const fs::path& file) {
  const fs::path parent = file.parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

// ---------------------------------------------------------------------------
// The printout.

class Printout {
 public:
  explicit Printout(std::ostream& out) : out_(out) {}
  void line(std::string_view text = {}) { out_ << text << '\n'; }
  void check(std::string text) { checks_.push_back(std::move(text)); }
  bool has_checks() const { return !checks_.empty(); }

  void files(const std::vector<FileOutcome>& files) {
    line();
    line("Files:");
    for (const FileOutcome& f : files) {
      std::string text = std::string(f.written ? "  wrote " : "  kept  ") + f.name;
      text.resize(std::max<std::size_t>(text.size(), 23), ' ');
      line(text + (f.written ? f.what : "it exists: kept as it is, not overwritten"));
    }
  }

  void checks_and_next(const std::string& directory) {
    line();
    if (checks_.empty()) {
      line("Nothing to check before the first run.");
    } else {
      line("Check before the first run:");
      for (const std::string& c : checks_) line("  - " + c);
    }
    line();
    line("Next: run the scenario and read its report:");
    line("  korvo " + shell_word(directory));
    line("  then " + shell_word((fs::path(directory) / "KORVO.OUT").string()) +
         " (links whose codes have no class are listed in KVSKIP.LNK)");
  }

 private:
  std::ostream& out_;
  std::vector<std::string> checks_;
};

std::string codes_line(const CodeSurvey& codes) {
  std::string text;
  for (int code = CodeSurvey::kLowest; code <= CodeSurvey::kHighest; ++code) {
    if (!codes.found.test(static_cast<std::size_t>(code))) continue;
    if (!text.empty()) text += ", ";
    text += std::to_string(code) + " (" + grouped(codes.links[static_cast<std::size_t>(code)]) + ")";
  }
  return text.empty() ? "none" : text;
}

void print_codes(Printout& p, const CodeSurvey& ft, const CodeSurvey& at, std::string_view unit) {
  p.line();
  p.line("Codes found (" + std::string(unit) + " of each in brackets):");
  p.line("  facility types: " + codes_line(ft));
  p.line("  area types:     " + codes_line(at));
}

std::string code_list(const std::vector<int>& codes) {
  std::string text;
  for (int c : codes) {
    if (!text.empty()) text += ", ";
    text += std::to_string(c);
  }
  return text;
}

void print_connectors(Printout& p, const ClassPlan& classes) {
  if (classes.ft_connectors.empty()) return;
  const bool one = classes.ft_connectors.size() == 1;
  p.line(std::string(one ? "  facility type " : "  facility types ") + code_list(classes.ft_connectors) +
         (one ? " is a centroid connector" : " are centroid connectors") + " (50-59): never evaluated.");
}

// The checks that follow from the classes a new labels file gives.
void check_codes(Printout& p, const ClassPlan& plan, const CodeSurvey& ft, const CodeSurvey& at, bool labels_kept,
                 std::string_view unit) {
  if (!plan.ft_unplaced.empty()) {
    std::uint64_t n = 0;
    for (int c : plan.ft_unplaced) n += ft.links[static_cast<std::size_t>(c)];
    p.check(std::string(plan.ft_unplaced.size() == 1 ? "facility type " : "facility types ") +
            code_list(plan.ft_unplaced) + " (" + plural(n, std::string(unit), std::string(unit) + "s") +
            "): codes 70-79 have no default class, so KVLABELS.SYN gives them class 0 (not evaluated, listed "
            "in KVSKIP.LNK). If they should count, give them a class in columns 12-17.");
  }
  std::vector<int> generic;
  for (int code = 6; code <= CodeSurvey::kHighest; ++code) {
    const bool named = (code >= 1 && code <= 5) || (code >= 10 && code <= 59);
    if (!named && at.found.test(static_cast<std::size_t>(code))) generic.push_back(code);
  }
  if (!generic.empty()) {
    p.check("area types " + code_list(generic) +
            ": no default name; KVLABELS.SYN labels them \"Area Type Class n\". Name them in columns 19-26 "
            "(short) and 28-67 (long).");
  }
  for (const auto& [codes, kind] : {std::pair{&ft, "facility type"}, std::pair{&at, "area type"}}) {
    if (codes->outside() == 0) continue;
    p.check(plural(codes->outside(), std::string(unit), std::string(unit) + "s") + " with a " + kind +
            " outside 1-99 (from " + std::to_string(codes->lowest_outside) + " to " +
            std::to_string(codes->highest_outside) +
            "): no class in any run; a validation run lists them in KVSKIP.LNK.");
  }
  if (labels_kept) {
    p.check("KVLABELS.SYN was kept: make sure it gives a class to every code above that should count.");
  }
}

// ---------------------------------------------------------------------------
// dBASE link tables.

std::string field_type_text(const DbfField& f) {
  std::string text(1, f.type);
  text += " " + std::to_string(f.length);
  if (f.decimals > 0) text += "." + std::to_string(f.decimals);
  return text;
}

std::string match_text(const FieldChoice& c) {
  switch (c.match) {
    case FieldMatch::kExact: return "its own name";
    case FieldMatch::kOtherCase: return "its name in other case";
    case FieldMatch::kSynonym: return "a common other name";
    case FieldMatch::kStandIn: return "stand-in: the table has no such field and no result depends on it";
    case FieldMatch::kMissing: return "NOT MAPPED";
  }
  return "";
}

// The profile names the file by its name alone when it is in DIR, else by
// its full path (the name's columns hold 80 characters).
std::string dbf_profile_name(const fs::path& file, const fs::path& dir) {
  if (same_directory(directory_of(file), dir)) return file.filename().string();
  std::error_code ec;
  const std::string full = fs::weakly_canonical(fs::absolute(file, ec), ec).string();
  if (full.size() > kProfileNameColumns) {
    throw InitStop(" " + file.string() + ": its full path has " + std::to_string(full.size()) +
                   " characters, more than the 80 columns of the profile's KORVODBF line; put the file into " +
                   dir.string() + " and run korvo init again");
  }
  return full;
}

std::vector<ControlEntry> control_entries(const DbfSurvey& survey, const FieldChoices& choices) {
  std::vector<ControlEntry> entries;
  std::vector<ControlEntry> stand_ins;  // last: they repeat a field that another line already names
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    const FieldChoice& c = choices[static_cast<std::size_t>(slot)];
    ControlEntry e;
    e.keyword = keyword_name(slot);
    if (c.field == 0) {
      e.comment = std::string(keyword_name(slot)) + ": NOT MAPPED, no field found; add one to the table, or write " +
                  "its name in a LINK ALIAS line";
      entries.push_back(std::move(e));
      continue;
    }
    const std::string name = survey.fields[c.field].display_name();
    e.comment = std::string(keyword_name(slot)) + ": field " + name + ", " + match_text(c);
    if (!c.note.empty()) e.comment += "; " + c.note;
    if (!c.doubt.empty()) e.comment += "; CHECK: " + c.doubt;
    if (c.match != FieldMatch::kExact || c.scale != 0) {
      e.field = name;
      e.scale = c.scale;
    }
    (c.match == FieldMatch::kStandIn ? stand_ins : entries).push_back(std::move(e));
  }
  for (ControlEntry& e : stand_ins) entries.push_back(std::move(e));
  return entries;
}

// The keywords that find no field with a DATABASE.CTL the planner already has.
std::vector<std::string_view> unresolved_with_control(const fs::path& dir, const DbfFieldTable& table) {
  LinkFieldMap map;
  TextReader control = TextReader::open_file(dir / kDatabaseControlFile, kDatabaseControlFile);
  read_database_control(control, map);
  std::vector<std::string_view> missing;
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    if (find_dbf_field(table, map.name[static_cast<std::size_t>(slot)]) == 0) missing.push_back(keyword_name(slot));
  }
  return missing;
}

// What a kept PROFILE.MAS says: its dBASE file name, or empty for a binary
// network. Throws FileError when the profile cannot be read.
std::string kept_profile_network(const fs::path& dir) {
  TextReader profile = TextReader::open_file(dir / kProfileFile, kProfileFile);
  RunSettings settings;
  read_profile_pass1(profile, settings, nullptr);
  return settings.dbf_input_given ? std::string(settings.dbf_file_name.trimmed()) : std::string();
}

void check_fields(Printout& p, const DbfSurvey& survey, const FieldChoices& choices) {
  std::string missing;
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    if (choices[static_cast<std::size_t>(slot)].field != 0) continue;
    missing += (missing.empty() ? "" : ", ") + std::string(keyword_name(slot));
  }
  if (!missing.empty()) {
    p.check("not mapped: " + missing +
            ". A run needs all 20 keyword fields and evaluates nothing while one is missing. If the table holds "
            "it under another name, write a LINK ALIAS line for it in DATABASE.CTL; if not, add the field (0 "
            "where it means \"none\": SCREENLINE, LOCATION, CONSTRUCT, COST, TWFLAG).");
  }
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    const FieldChoice& c = choices[static_cast<std::size_t>(slot)];
    if (c.field == 0) continue;
    const DbfFieldStats& s = survey.stats[static_cast<std::size_t>(c.field)];
    const std::string name = survey.fields[c.field].display_name();
    if (s.not_numbers > 0 && c.match != FieldMatch::kStandIn) {
      p.check(std::string(keyword_name(slot)) + " (field " + name +
              "): " + plural(s.not_numbers, "record holds", "records hold") +
              " text that is no number, the first record " + grouped(s.first_bad_record) + " (\"" +
              std::string(s.first_bad_text.trimmed()) + "\"); the run stops with an error at that record.");
    }
    if (!c.doubt.empty()) p.check(std::string(keyword_name(slot)) + " (field " + name + "): " + c.doubt + ".");
  }
  auto stats = [&](LinkKeyword slot) -> const DbfFieldStats* {
    const int k = choices[slot].field;
    return k == 0 || choices[slot].match == FieldMatch::kStandIn ? nullptr : &survey.stats[static_cast<std::size_t>(k)];
  };
  if (const DbfFieldStats* count = stats(LinkKeyword::kCount);
      count != nullptr && count->nonzero == 0 && survey.records > 0) {
    p.check(
        "no record has a count: a validation run has nothing to compare the volumes with. For an analysis "
        "run (volumes against capacity) set VALIDATE to N in PROFILE.MAS.");
  }
  if (const DbfFieldStats* volume = stats(LinkKeyword::kModelvol);
      volume != nullptr && volume->nonzero == 0 && survey.records > 0) {
    p.check("every volume (MODELVOL) is 0: is this the loaded network, after the assignment?");
  }
  if (survey.deleted > 0) {
    p.check(plural(survey.deleted, "record is", "records are") +
            " marked deleted; a run reads them as links all the same.");
  }
  if (survey.partial_record) p.check("the file ends inside a record; a run reads the whole records only.");
}

// The average free-flow speed over all records, from the sums of the chosen
// distance and time fields as a run would scale them; 0 when it cannot be
// worked out.
double average_speed(const DbfSurvey& survey, const FieldChoices& choices) {
  const FieldChoice& d = choices[LinkKeyword::kDistance];
  const FieldChoice& t = choices[LinkKeyword::kTime];
  if (d.field == 0 || t.field == 0) return 0;
  const double miles = survey.stats[static_cast<std::size_t>(d.field)].sum * (d.scale != 0 ? d.scale : 1) / 100;
  const double minutes = survey.stats[static_cast<std::size_t>(t.field)].sum * (t.scale != 0 ? t.scale : 1) / 100;
  return minutes > 0 && miles > 0 ? miles / minutes * 60 : 0;
}

void check_scenario_code(Printout& p, const std::string& profile_name, const std::string& file_name) {
  const FixedText<3> code = scenario_code_from_dbf_name(FixedText<80>(profile_name));
  const FixedText<3> own = scenario_code_from_dbf_name(FixedText<80>(file_name));
  p.line();
  p.line("Scenario code: " + std::string(code.view()) + ", the three characters before the first \".\" of \"" +
         profile_name + "\"; the report prints it on every page.");
  std::string advice =
      "For another code, rename the file so that the three characters before its first \".\" are the code "
      "(NETWORK26A.DBF gives 26A), and write the new name on the line after KORVODBF in PROFILE.MAS.";
  if (!(code == own)) {
    p.check("the path in PROFILE.MAS holds a \".\" before the file's own name, so the report's scenario code is \"" +
            std::string(code.view()) + "\", not \"" + std::string(own.view()) +
            "\". Move the file into the scenario's directory and name it alone.");
  } else if (code.view() == "YYA" && file_name.find('.') != std::string::npos && file_name.find('.') < 3) {
    p.check("fewer than three characters stand before the first \".\" of \"" + file_name +
            "\": the scenario code is YYA. " + advice);
  } else {
    p.check("the scenario code is " + std::string(code.view()) + ". " + advice);
  }
  // The profile's second pass takes any line whose columns 2-4 read GLS or
  // GLT for a keyword, the file name's line too.
  if (profile_name.size() >= 4 && (profile_name.substr(1, 3) == "GLS" || profile_name.substr(1, 3) == "GLT")) {
    p.check("characters 2-4 of the file name read \"" + profile_name.substr(1, 3) +
            "\", which a run takes for that keyword of the profile: rename the file.");
  }
}

int init_dbf(const InitRequest& r, std::ostream& out) {
  const fs::path& file = r.network_file;
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) throw InitStop(" " + file.string() + ": not found, or not a file");
  const std::string profile_name = dbf_profile_name(file, r.directory);
  const std::string display = file.filename().string();

  auto survey = std::make_unique<DbfSurvey>();
  ByteStream stream = ByteStream::open_file(file, display);
  read_survey_header(stream, *survey);
  FieldChoices choices = match_link_fields(survey->fields);
  SurveyPlan plan;
  for (int k = 1; k <= survey->fields.count; ++k) {
    const char type = survey->fields[k].type;
    if (type == 'N' || type == 'F') plan.measured.set(static_cast<std::size_t>(k));
  }
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    plan.measured.set(static_cast<std::size_t>(choices[static_cast<std::size_t>(slot)].field));
  }
  plan.measured.reset(0);
  plan.ft_field = choices[LinkKeyword::kFtype].field;
  plan.at_field = choices[LinkKeyword::kAtype].field;
  survey_dbf_records(stream, plan, *survey);
  stream.close();
  choose_scales(*survey, choices);
  make_directory(r.directory);

  Printout p(out);
  p.line("korvo init: a starter scenario in " + r.directory.string() + " for " + display);
  p.line();
  std::string records = display + ": " + plural(survey->records, "record", "records");
  if (survey->header.record_count != survey->records) {
    records += " (its header says " + grouped(survey->header.record_count) + ")";
  }
  p.line(records + ", " + plural(static_cast<std::uint64_t>(survey->fields.count), "field", "fields") + ".");

  p.line();
  p.line("Fields (keyword, the field of " + display + " it reads, the field's type, how it was found):");
  std::array<bool, kDbfFieldLimit + 1> used{};
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    const FieldChoice& c = choices[static_cast<std::size_t>(slot)];
    std::string text = "  " + std::string(keyword_name(slot));
    text.resize(14, ' ');
    if (c.field == 0) {
      text += "-";
      text.resize(26, ' ');
      text += "NOT MAPPED: no field found";
    } else {
      used[static_cast<std::size_t>(c.field)] = true;
      const DbfField& f = survey->fields[c.field];
      text += f.display_name();
      text.resize(std::max<std::size_t>(text.size() + 1, 26), ' ');
      text += field_type_text(f);
      text.resize(std::max<std::size_t>(text.size() + 1, 34), ' ');
      text += match_text(c);
    }
    p.line(text);
    if (!c.note.empty()) p.line(std::string(16, ' ') + c.note);
  }
  std::string unused;
  for (int k = 1; k <= survey->fields.count; ++k) {
    if (!used[static_cast<std::size_t>(k)]) unused += (unused.empty() ? "" : ", ") + survey->fields[k].display_name();
  }
  if (!unused.empty()) p.line("Fields a run does not read: " + unused);
  const double speed = average_speed(*survey, choices);
  if (speed > 0) {
    p.line("Average free-flow speed of all records, from DISTANCE and TIME as read: " + decimal(speed, 1) + " mph");
  }

  print_codes(p, survey->ft, survey->at, "records");
  const ClassPlan classes = plan_classes(survey->ft, survey->at);
  print_connectors(p, classes);

  // The files.
  std::vector<FileOutcome> files;
  put_file(r.directory, kProfileFile, starter_profile_text(StarterProfile{false, profile_name}),
           "a validation run of " + profile_name + ", every setting with its default", files);
  put_file(r.directory, kRatesFile, bundled_rates_text(),
           "the bundled rates: illustrative values from no published source; put in your agency's", files);
  if (!classes.lines.empty()) {
    put_file(r.directory, kLabelsFile, starter_labels_text(classes.lines),
             "classes and labels for the " + plural(classes.lines.size(), "code", "codes") + " found", files);
  }
  const bool control_needed = needs_database_control(choices);
  if (control_needed) {
    const std::vector<ControlEntry> entries = control_entries(*survey, choices);
    std::size_t aliases = 0;
    for (const ControlEntry& e : entries) aliases += e.field.empty() ? 0 : 1;
    put_file(r.directory, kDatabaseControlFile, starter_database_control_text(display, entries),
             "the field names and factors above, " + plural(aliases, "LINK ALIAS line", "LINK ALIAS lines"), files);
  }
  p.files(files);
  if (!control_needed) p.line("  (no DATABASE.CTL: every keyword has its field under its own name, no factor)");

  // What to check.
  check_scenario_code(p, profile_name, display);
  check_fields(p, *survey, choices);
  if (speed > 0 && (speed < 3 || speed > 100)) {
    p.check("an average free-flow speed of " + decimal(speed, 1) +
            " mph is unlikely: check the units of DISTANCE (hundredths of a mile) and TIME (hundredths of a "
            "minute) and their factors in DATABASE.CTL.");
  }
  check_codes(p, classes, survey->ft, survey->at, kept(files, kLabelsFile), "record");
  if (classes.lines.empty()) p.check("no facility-type or area-type code found: no KVLABELS.SYN written.");
  if (kept(files, kProfileFile)) {
    try {
      const std::string named = kept_profile_network(r.directory);
      if (named != profile_name) {
        p.check("the PROFILE.MAS kept names " +
                (named.empty() ? std::string("no dBASE link file") : "\"" + named + "\"") + ", not \"" + profile_name +
                "\".");
      }
    } catch (const FileStop& error) {
      p.check("the PROFILE.MAS kept cannot be read:" + std::string(error.what()));
    }
  }
  if (!written(files, kDatabaseControlFile) && fs::exists(r.directory / kDatabaseControlFile)) {
    try {
      const auto missing = unresolved_with_control(r.directory, survey->fields);
      std::string list;
      for (std::string_view k : missing) list += (list.empty() ? "" : ", ") + std::string(k);
      p.check(missing.empty()
                  ? std::string("the DATABASE.CTL that was in the directory applies to the run; with it "
                                "every keyword finds a field.")
                  : "with the DATABASE.CTL that was in the directory, these keywords find no field: " + list + ".");
    } catch (const FileStop& error) {
      p.check("the DATABASE.CTL kept cannot be read:" + std::string(error.what()));
    }
  }
  p.checks_and_next(r.directory.string());
  return 0;
}

// ---------------------------------------------------------------------------
// Binary loaded networks.

struct BinarySurvey {
  std::uint64_t links = 0;
  std::uint64_t two_way = 0;
  std::uint64_t counted = 0;
  CodeSurvey ft;
  CodeSurvey at;
  std::string title;
};

BinarySurvey survey_binary(const fs::path& dir, const fs::path& file) {
  std::ostringstream console_out;
  std::istringstream console_in;
  auto ctx = RunContext::create(WorkDir(dir), Console(console_out, console_in));
  const std::string name = file.filename().string();
  ctx->binary.stream = ByteStream::open_file(file, name);
  ctx->binary.records = FortranRecordReader(&ctx->binary.stream);
  read_binary_header(ctx->binary);
  set_binary_slot_counts(ctx->binary.header, ctx->link);
  BinarySurvey s;
  for (int first : {105, 185, 265}) {
    const std::string_view line = trim_right(ctx->binary.header.chars(first, first + 79));
    if (!line.empty()) s.title += (s.title.empty() ? "" : " / ") + std::string(line);
  }
  while (read_binary_link(ctx->binary, ctx->link) == LinkStatus::kLink) {
    ++s.links;
    if (ctx->link.two_way) ++s.two_way;
    if (ctx->link.count > 0) ++s.counted;
    s.ft.add(ctx->link.facility_type);
    s.at.add(ctx->link.area_type);
  }
  return s;
}

int init_binary(const InitRequest& r, std::ostream& out) {
  const fs::path& file = r.network_file;
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) throw InitStop(" " + file.string() + ": not found, or not a file");
  const std::string name = file.filename().string();
  if (name.size() != 10 || name.substr(0, 7) != "HRLDXY.") {
    throw InitStop(" " + file.string() +
                   ": a run reads the binary network by the name HRLDXY.xxx (xxx: the scenario's three-character "
                   "code, upper case as written); rename the file and run korvo init again");
  }
  if (!fs::is_directory(r.directory, ec) || !same_directory(directory_of(file), r.directory)) {
    throw InitStop(" " + file.string() + ": a run reads the binary network in its own directory; give " +
                   directory_of(file).string() + " as the scenario's directory, or copy the file into " +
                   r.directory.string() + " first");
  }
  const std::string code = name.substr(7, 3);
  const BinarySurvey survey = survey_binary(r.directory, file);

  Printout p(out);
  p.line("korvo init: a starter scenario in " + r.directory.string() + " for " + name);
  p.line();
  p.line(name + ": " + plural(survey.links, "link", "links") + " (" + grouped(survey.two_way) + " two-way, " +
         grouped(survey.counted) + " with a count).");
  if (!survey.title.empty()) p.line("Title: " + survey.title);
  print_codes(p, survey.ft, survey.at, "links");
  const ClassPlan classes = plan_classes(survey.ft, survey.at);
  print_connectors(p, classes);

  std::vector<FileOutcome> files;
  put_file(r.directory, kProfileFile, starter_profile_text(StarterProfile{true, name}),
           "a validation run of the binary network, every setting with its default", files);
  put_file(r.directory, kRatesFile, bundled_rates_text(),
           "the bundled rates: illustrative values from no published source; put in your agency's", files);
  if (!classes.lines.empty()) {
    put_file(r.directory, kLabelsFile, starter_labels_text(classes.lines),
             "classes and labels for the " + plural(classes.lines.size(), "code", "codes") + " found", files);
  }
  if (code != "XXX") {
    put_file(r.directory, kControlFile, starter_control_file_text(name, code),
             "the scenario's file code " + code + " (a run reads HRLDXY." + code + ")", files);
  }
  p.files(files);

  p.line();
  p.line("Scenario code: " + code + ", the extension of " + name + "; the report prints it on every page.");
  if (kept(files, kControlFile)) {
    try {
      TextReader control = TextReader::open_file(r.directory / kControlFile, kControlFile);
      FixedText<3> found;
      if (!read_file_code(control, false, found) || found.view() != code) {
        p.check("the VELMAR.CTL kept does not name the code " + code +
                " after a FILEO line: a run would look for another HRLDXY file.");
      }
    } catch (const FileStop& error) {
      p.check("the VELMAR.CTL kept cannot be read:" + std::string(error.what()));
    }
  } else if (code == "XXX" && fs::exists(r.directory / kControlFile)) {
    p.check("VELMAR.CTL is in the directory: its FILEO code, not XXX, decides which HRLDXY file a run reads.");
  }
  if (!fs::exists(r.directory / ("VOLNAUX." + code))) {
    p.check("no VOLNAUX." + code +
            ": a run reports every construction code and location as 0 (\"NO AUXILIARY FILE AVAILABLE\").");
  }
  if (survey.counted == 0 && survey.links > 0) {
    p.check(
        "no link has a count: a validation run has nothing to compare the volumes with. For an analysis run "
        "set VALIDATE to N in PROFILE.MAS.");
  }
  check_codes(p, classes, survey.ft, survey.at, kept(files, kLabelsFile), "link");
  if (kept(files, kProfileFile)) {
    try {
      if (!kept_profile_network(r.directory).empty()) {
        p.check("the PROFILE.MAS kept names a dBASE link file (KORVODBF): a run reads that file, not " + name + ".");
      }
    } catch (const FileStop& error) {
      p.check("the PROFILE.MAS kept cannot be read:" + std::string(error.what()));
    }
  }
  p.checks_and_next(r.directory.string());
  return 0;
}

}  // namespace

int run_init(const InitRequest& request, std::ostream& out, std::ostream& err) {
  try {
    return request.source == InitSource::kDbf ? init_dbf(request, out) : init_binary(request, out);
  } catch (const InitStop& stop) {
    out.flush();
    err << "korvo init:" << stop.what() << '\n';
    return 2;
  } catch (const FileStop& error) {
    out.flush();
    err << "korvo init:" << error.what() << '\n';
    return 2;
  } catch (const std::exception& error) {
    out.flush();
    err << "korvo init: internal error: " << error.what() << '\n';
    return 3;
  }
}

}  // namespace korvo

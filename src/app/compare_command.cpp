#include "app/compare_command.h"

#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <system_error>

#include "common/console.h"
#include "common/errors.h"
#include "common/text_file.h"
#include "common/text_pool.h"
#include "evaluation/comparison.h"
#include "input/kvstats_reader.h"
#include "input/kvtables_reader.h"
#include "input/run_titles.h"
#include "reports/compare_csv.h"
#include "reports/compare_html.h"

namespace korvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTablesFile = "KVTABLES.CSV";
constexpr std::string_view kStatsFile = "KVSTATS.CSV";
constexpr std::string_view kReportFile = "KORVO.OUT";
constexpr std::string_view kCsvOutput = "COMPARE.CSV";
constexpr std::string_view kHtmlOutput = "COMPARE.HTML";

// Wrong arguments: the usage follows the line.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Arguments {
  std::vector<std::string> runs;
  std::string out;
  bool help = false;
};

Arguments parse_arguments(const std::vector<std::string>& args) {
  Arguments a;
  bool out_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      a.help = true;
    } else if (arg == "--out" || arg.rfind("--out=", 0) == 0) {
      if (out_given) throw UsageError("--out is given twice");
      out_given = true;
      if (arg == "--out") {
        if (i + 1 == args.size()) throw UsageError("--out needs a directory");
        a.out = args[++i];
      } else {
        a.out = arg.substr(6);
      }
      if (a.out.empty()) throw UsageError("--out needs a directory");
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else {
      a.runs.push_back(arg);
    }
  }
  if (!a.help && a.runs.size() < 2) throw UsageError("give the base run and at least one alternative");
  return a;
}

// The name of a run: its directory's name ("runs/build-2045/" gives
// "build-2045"; "." gives the working directory's name).
std::string directory_name(const std::string& arg) {
  fs::path p = fs::path(arg).lexically_normal();
  if (!p.has_filename()) p = p.parent_path();
  std::string name = p.filename().string();
  if (name.empty() || name == "." || name == "..") {
    std::error_code ec;
    fs::path absolute = fs::absolute(p, ec).lexically_normal();
    if (!absolute.has_filename()) absolute = absolute.parent_path();
    name = absolute.filename().string();
  }
  return name.empty() ? arg : name;
}

// Names for the runs, unique: two directories of the same name are named by
// their paths as given, and a directory given twice gets " (2)", " (3)".
std::vector<std::string> run_names(const std::vector<std::string>& args) {
  std::vector<std::string> names, places;
  for (const auto& arg : args) {
    names.push_back(directory_name(arg));
    std::error_code ec;
    const fs::path place = fs::weakly_canonical(fs::path(arg), ec);
    places.push_back(ec ? fs::path(arg).lexically_normal().string() : place.string());
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    bool clash = false;
    for (std::size_t j = 0; j < names.size(); ++j) {
      clash = clash || (directory_name(args[j]) == directory_name(args[i]) && places[j] != places[i]);
    }
    if (clash) {
      std::string path = fs::path(args[i]).lexically_normal().string();
      while (path.size() > 1 && path.back() == '/') path.pop_back();
      names[i] = path;
    }
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    int copies = 1;
    for (std::size_t j = 0; j < i; ++j) copies += places[j] == places[i] ? 1 : 0;
    if (copies > 1) names[i] += " (" + std::to_string(copies) + ")";
  }
  return names;
}

std::string file_in(const std::string& dir, std::string_view name) { return (fs::path(dir) / name).string(); }

void require_directory(const std::string& dir) {
  std::error_code ec;
  const fs::file_status status = fs::status(dir, ec);
  if (!fs::exists(status)) throw FileError(dir, FilePlace{}, "", "no such directory");
  if (!fs::is_directory(status)) throw FileError(dir, FilePlace{}, "", "is not a directory");
}

ByteStream open_csv(const std::string& dir, std::string_view name) {
  const std::string path = file_in(dir, name);
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    throw FileError(
        path, FilePlace{}, "",
        "not found: the run in " + dir + " wrote no CSV files; run it again with \"CSVOUT\" on (yes is the default)");
  }
  return ByteStream::open_file(path, path);
}

void read_titles(RunData& run, const std::string& dir) {
  const std::string path = file_in(dir, kReportFile);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return;
  TextReader report = TextReader::open_file(path, path);
  run.titles = read_run_titles(report);
  run.has_report = true;
}

// An output written under a temporary name and renamed at the end; removed
// when the comparison stops before.
class PendingFile {
 public:
  PendingFile(const fs::path& dir, std::string_view name, const std::string& display)
      : final_(dir / name), temporary_(dir / ("." + std::string(name) + "." + std::to_string(::getpid()) + ".tmp")) {
    writer_.create(temporary_, display);
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    if (!done_) {
      try {
        writer_.close();
      } catch (const FileStop&) {
        // The error being reported is the first one.
      }
      std::error_code ec;
      fs::remove(temporary_, ec);
    }
  }
  TextWriter& writer() { return writer_; }
  void close() { writer_.close(); }
  void commit() {
    std::error_code ec;
    fs::rename(temporary_, final_, ec);
    if (ec) throw WriteError(writer_.name(), std::nullopt, "cannot be put in place: " + ec.message());
    done_ = true;
  }

 private:
  fs::path final_, temporary_;
  TextWriter writer_;
  bool done_ = false;
};

int compare(const Arguments& a, std::ostream& console) {
  TextPool pool;
  std::vector<RunData> runs;
  const std::vector<std::string> names = run_names(a.runs);
  for (std::size_t i = 0; i < a.runs.size(); ++i) {
    require_directory(a.runs[i]);
    RunData run;
    run.name = names[i];
    run.tables = KvTablesReader::read(open_csv(a.runs[i], kTablesFile), pool);
    runs.push_back(std::move(run));
  }
  for (std::size_t i = 1; i < runs.size(); ++i) {
    if (runs[i].tables.type != runs[0].tables.type) {
      throw FileError(file_in(a.runs[i], kTablesFile), FilePlace{}, "RUN",
                      "the base " + a.runs[0] + " is " + (runs[0].tables.type == RunType::kAnalysis ? "an" : "a") +
                          " " + std::string(run_type_name(runs[0].tables.type)) + " run and " + a.runs[i] + " " +
                          (runs[i].tables.type == RunType::kAnalysis ? "an" : "a") + " " +
                          std::string(run_type_name(runs[i].tables.type)) + " run: compare runs of one type");
    }
  }
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (runs[i].tables.type == RunType::kValidation)
      runs[i].stats = KvStatsReader::read(open_csv(a.runs[i], kStatsFile));
    read_titles(runs[i], a.runs[i]);
  }

  const Comparison comparison = compare_runs(runs, pool);
  const std::string page = compare_page(comparison);

  const fs::path out = a.out.empty() ? fs::path(".") : fs::path(a.out);
  const auto display = [&](std::string_view name) { return a.out.empty() ? std::string(name) : file_in(a.out, name); };
  std::error_code ec;
  fs::create_directories(out, ec);
  if (ec) throw WriteError(a.out, std::nullopt, "cannot be created: " + ec.message());
  PendingFile csv(out, kCsvOutput, display(kCsvOutput));
  PendingFile html(out, kHtmlOutput, display(kHtmlOutput));
  const std::size_t rows = write_compare_csv(comparison, csv.writer());
  csv.close();
  std::string_view body = page;
  if (!body.empty() && body.back() == '\n') body.remove_suffix(1);
  html.writer().write_record(body);
  html.close();
  csv.commit();
  html.commit();

  console << " " << console_safe(display(kCsvOutput)) << ": " << rows << " rows\n";
  console << " " << console_safe(display(kHtmlOutput)) << ": " << page.size() << " bytes\n";
  console << "KORVO compare -- Normal Completion\n";
  return 0;
}

}  // namespace

std::string compare_usage() {
  return " usage: korvo compare BASE ALT [ALT ...] [--out DIR]\n"
         "   BASE, ALT   directories of finished runs of one type, each with its KVTABLES.CSV\n"
         "               (and KVSTATS.CSV for validation runs) and KORVO.OUT\n"
         "   --out DIR   where COMPARE.CSV and COMPARE.HTML go (default: the working directory)\n";
}

int run_compare_command(const std::vector<std::string>& args, std::ostream& console) {
  try {
    const Arguments a = parse_arguments(args);
    if (a.help) {
      console << compare_usage();
      return 0;
    }
    return compare(a, console);
  } catch (const UsageError& error) {
    console << " korvo compare: " << console_safe(error.what()) << "\n" << compare_usage();
    return 2;
  } catch (const FileStop& error) {
    console << console_safe(error.console_line()) << "\n";
    return 2;
  } catch (const std::exception& error) {
    console << console_safe(std::string(" KORVO internal error: ") + error.what()) << "\n";
    return 3;
  }
}

}  // namespace korvo

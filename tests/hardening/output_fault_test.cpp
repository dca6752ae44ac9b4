// Output files that cannot be created or written: every one of them ends
// the run with one console line naming the file and exit status 2, never
// with a report cut short in silence.
//
// A write that fails is made with a file size limit (RLIMIT_FSIZE, with
// SIGXFSZ ignored, so that write() fails with EFBIG) in a child process, so
// that the limit never touches the test program itself. The limit is chosen
// from the sizes the same run writes without it: the file under test is the
// first to reach it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/driver.h"
#include "hardening/scenarios.h"
#include "support/temp_dir.h"

namespace korvo::hardening {
namespace {

using korvo::testing::run_korvo;
using korvo::testing::RunResult;
using korvo::testing::TempDir;

void write_files(const TempDir& dir, const Files& files) {
  for (const auto& [name, bytes] : files) dir.write(name, bytes);
}

// Runs the program in dir in a child process whose files may not grow
// beyond limit bytes.
RunResult run_with_file_size_limit(const TempDir& dir, std::uint64_t limit) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(fds[0]);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit rl{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &rl);
    const RunResult result = run_korvo(dir);
    std::string_view rest = result.console;
    while (!rest.empty()) {
      const ssize_t n = ::write(fds[1], rest.data(), rest.size());
      if (n <= 0) break;
      rest.remove_prefix(static_cast<std::size_t>(n));
    }
    ::_exit(result.status);
  }
  ::close(fds[1]);
  RunResult result;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.console.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  return result;
}

std::string last_line(const std::string& console) {
  if (console.empty()) return {};
  const std::size_t start = console.find_last_of('\n', console.size() - 2);
  return console.substr(start == std::string::npos ? 0 : start + 1);
}

const std::vector<std::string> kOutputFiles = {"KORVO.OUT", "HRLDXY.ASC", "HRLDXY2.ASC", "SCRNLINE.ASC", "KVSKIP.LNK"};
// Written after every other file: they cannot stop a run before the file
// under test does, unless one of them is that file.
const std::vector<std::string> kCsvFiles = {"KVTABLES.CSV", "KVSTATS.CSV", "KVLINKS.CSV"};

Files with_profile_lines(Files files, const std::string& lines) {
  files["PROFILE.MAS"] += lines;
  return files;
}

// The dBASE scenario with n one-way links of facility type ftype, each on
// a screenline of its own (1 to 99 in turn) when screenlines is set.
Files many_links(int n, int ftype, bool screenlines, const std::string& profile) {
  std::vector<DbfLink> links;
  for (int i = 0; i < n; ++i) {
    const int screenline = screenlines ? i % 99 + 1 : 0;
    links.push_back({100 + i, 101 + i, 150, 1, ftype, 2, 120, 4000, 3500, screenline, 0, 0, 130, 3800, 0, 0});
  }
  Files files = dbf_scenario();
  files["PROFILE.MAS"] = profile;
  files[std::string(kLinkDbf)] = link_table(links).bytes();
  std::string names;
  for (int s = 1; s <= 99; ++s)
    names += (s < 10 ? " " : "") + std::to_string(s) + " SCREENLINE NUMBER " + std::to_string(s) + "\n";
  files["KVSCREEN.SYN"] = names;
  return files;
}

TEST(OutputFaults, AReportThatCannotBeCreatedStopsTheRun) {
  // The working directory itself is missing.
  TempDir parent;
  std::ostringstream out;
  std::istringstream in;
  auto ctx = RunContext::create(WorkDir(parent.path() / "missing"), Console(out, in), korvo::testing::fixed_clock);
  EXPECT_EQ(run_program(*ctx), 2);
  EXPECT_EQ(out.str(), " KORVO.OUT: cannot be created: No such file or directory\n");
}

TEST(OutputFaults, EveryOutputFileThatCannotBeReplacedStopsTheRun) {
  // A directory that holds a file stands where the output file goes: the
  // old file cannot be deleted, so the new one cannot be made. Whatever the
  // run wrote before stays in KORVO.OUT.
  struct Case {
    std::string file;
    Files files;
    std::string report_has;  // empty: the report is not there to hold anything
  };
  const std::string profile = " VALIDATE\nY\n KORVODBF\nLINKS05A.DBF\n ASCII\nY\n TWOWAY\nY\n";
  const std::vector<Case> cases = {
      {"KORVO.OUT", dbf_scenario(), ""},
      {"HRLDXY.ASC", dbf_scenario(), ""},
      {"KVSKIP.LNK", dbf_scenario(), " Version > dBASEIII"},
      {"SCRNLINE.ASC", dbf_scenario(), " KORVO MODULE (Q7730518.DRIVER.SETUP.FORT(KORVO))"},
      {"HRLDXY2.ASC", dbf_scenario(), "TOTAL NUMBER OF LINKS"},
      // An earlier run's KVTABLES.CSV, KVSTATS.CSV and KORVO.HTML go when the
      // profile has been read, before any link; KVLINKS.CSV comes after the
      // report, which is complete.
      {"KVTABLES.CSV", dbf_scenario(), ""},
      {"KVSTATS.CSV", dbf_scenario(), ""},
      {"KORVO.HTML", dbf_scenario(), ""},
      {"KVLINKS.CSV", with_profile_lines(dbf_scenario(), " LINKCSV\nY\n"), "TOTAL CONGESTED SPEED (MPH)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TempDir dir;
    write_files(dir, c.files);
    std::filesystem::create_directories(dir.file(c.file) / "kept");
    const RunResult result = run_korvo(dir);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(last_line(result.console), " " + c.file + ": cannot be deleted: Directory not empty\n") << result.console;
    if (!c.report_has.empty()) {
      const std::string report = dir.read("KORVO.OUT");
      EXPECT_NE(report.find(c.report_has), std::string::npos);
      EXPECT_EQ(report.back(), '\n');
    }
  }
}

TEST(OutputFaults, AWriteThatFailsStopsTheRunAndNamesTheFile) {
  struct Case {
    std::string file;  // the file the limit must stop
    Files files;
  };
  const std::string ascii = " VALIDATE\nY\n KORVODBF\nLINKS05A.DBF\n ASCII\nY\n";
  const std::vector<Case> cases = {
      {"KORVO.OUT", dbf_scenario()},
      {"HRLDXY.ASC", many_links(3000, 1, false, ascii)},
      {"KVSKIP.LNK", many_links(3000, 12, false, " VALIDATE\nY\n KORVODBF\nLINKS05A.DBF\n")},
      {"HRLDXY2.ASC", many_links(3000, 1, false, ascii + " TWOWAY\nY\n")},
      {"SCRNLINE.ASC", many_links(40, 1, true, ascii)},
      {"KVTABLES.CSV", many_links(40, 1, false, " VALIDATE\nY\n KORVODBF\nLINKS05A.DBF\n")},
      {"KVLINKS.CSV", many_links(3000, 1, false, " VALIDATE\nY\n KORVODBF\nLINKS05A.DBF\n CSVOUT\nN\n LINKCSV\nY\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    // Without a limit: the sizes the run writes.
    TempDir sizes;
    write_files(sizes, c.files);
    ASSERT_EQ(run_korvo(sizes).status, 0);
    std::uint64_t target = 0;
    std::uint64_t others = 0;
    std::uint64_t report = 0;
    std::vector<std::string> files = kOutputFiles;
    // The report is complete on disk before a CSV file is written.
    const bool csv = std::find(kCsvFiles.begin(), kCsvFiles.end(), c.file) != kCsvFiles.end();
    if (csv) {
      files.insert(files.end(), kCsvFiles.begin(), kCsvFiles.end());
    }
    for (const std::string& file : files) {
      if (!sizes.exists(file)) continue;
      const std::uint64_t size = std::filesystem::file_size(sizes.file(file));
      if (file == c.file) {
        target = size;
      } else if (file == "KORVO.OUT" && !csv) {
        report = size;
      } else {
        others = std::max(others, size);
      }
    }
    ASSERT_GT(target, 0u);
    // Every other file stays below the limit. KORVO.OUT may pass it: its
    // writer keeps 64 KiB before it writes, and closes it last, so a report
    // below 64 KiB reaches the disk after the file under test has failed.
    const std::uint64_t limit = c.file == "KORVO.OUT" ? 4096 : (std::max(others, std::uint64_t{1}) + target) / 2;
    ASSERT_LT(others, limit);
    ASSERT_LT(limit, target);
    if (c.file != "KORVO.OUT") {
      ASSERT_LT(report, 65536u);
    }

    TempDir dir;
    write_files(dir, c.files);
    const RunResult result = run_with_file_size_limit(dir, limit);
    EXPECT_EQ(result.status, 2) << result.console;
    EXPECT_EQ(last_line(result.console),
              " " + c.file + ", byte offset " + std::to_string(limit) + ": write failed: File too large\n")
        << result.console;
    // The file holds what fitted, and the run said so.
    EXPECT_EQ(std::filesystem::file_size(dir.file(c.file)), limit);
  }
}

TEST(OutputFaults, AFullDiskStopsTheRun) {
  // A file system of 64 KiB holds the inputs but not the report. Mounting
  // one needs the right to mount; elsewhere the file size limit above
  // stands in for it.
  TempDir dir;
  const std::filesystem::path small = dir.file("small");
  std::filesystem::create_directory(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "no permission to mount a small file system";
  }
  struct Unmount {
    std::filesystem::path path;
    ~Unmount() { ::umount(path.c_str()); }
  } unmount{small};
  for (const auto& [name, bytes] : many_links(400, 1, false, " VALIDATE\nY\n KORVODBF\nLINKS05A.DBF\n")) {
    std::ofstream(small / name, std::ios::binary) << bytes;
  }
  std::ostringstream out;
  std::istringstream in;
  auto ctx = RunContext::create(WorkDir(small), Console(out, in), korvo::testing::fixed_clock);
  EXPECT_EQ(run_program(*ctx), 2);
  const std::string line = last_line(out.str());
  EXPECT_EQ(line.rfind(" KORVO.OUT, byte offset ", 0), 0u) << out.str();
  EXPECT_NE(line.find(": write failed: No space left on device\n"), std::string::npos) << out.str();
}

TEST(OutputFaults, APageThatCannotBeWrittenStopsTheRunAfterTheReport) {
  // The page is written last: a limit above the size of every other file
  // the run writes and below the page's stops the page alone. 3000 counted
  // links make the page (their scatter) larger than the report; the CSV
  // files are off.
  const Files inputs = many_links(3000, 1, false, " VALIDATE\nY\n KORVODBF\nLINKS05A.DBF\n CSVOUT\nN\n");
  TempDir sizes;
  write_files(sizes, inputs);
  ASSERT_EQ(run_korvo(sizes).status, 0);
  std::uint64_t page = 0;
  std::uint64_t others = 0;
  for (const auto& entry : std::filesystem::directory_iterator(sizes.path())) {
    const std::string name = entry.path().filename().string();
    if (inputs.count(name)) continue;
    const std::uint64_t size = entry.file_size();
    if (name == "KORVO.HTML") {
      page = size;
    } else {
      others = std::max(others, size);
    }
  }
  const std::uint64_t limit = (others + page) / 2;
  ASSERT_LT(others, limit);
  ASSERT_LT(limit, page);

  TempDir dir;
  write_files(dir, inputs);
  const RunResult result = run_with_file_size_limit(dir, limit);
  EXPECT_EQ(result.status, 2) << result.console;
  EXPECT_EQ(last_line(result.console),
            " KORVO.HTML, byte offset " + std::to_string(limit) + ": write failed: File too large\n")
      << result.console;
  // The report is complete: it ends with its system totals, as without the limit.
  EXPECT_EQ(dir.read("KORVO.OUT"), sizes.read("KORVO.OUT"));
}

}  // namespace
}  // namespace korvo::hardening

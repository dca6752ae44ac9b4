#include "support/fortran_oracle.h"

#include <bit>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

namespace korvo::testing {

std::string oracle_int(std::int64_t v) { return "I:" + std::to_string(v); }
std::string oracle_real(float v) { return "R:" + std::to_string(std::bit_cast<std::int32_t>(v)); }
std::string oracle_text(const std::string& v) { return "A:" + v; }

bool gfortran_available() { return std::system("gfortran --version >/dev/null 2>&1") == 0; }

namespace {

std::string fortran_string(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "''";
    else
      out += c;
  }
  return out + "'";
}

std::string fortran_value(const std::string& v) {
  const std::string body = v.substr(2);
  if (v[0] == 'I') return "int(" + body + "_8, 8)";
  if (v[0] == 'R') return "transfer(int(" + body + "_8, 4), 1.0)";
  return fortran_string(body);
}

}  // namespace

std::optional<std::vector<std::string>> run_fortran_oracle(const std::vector<OracleCase>& cases) {
  if (!gfortran_available()) return std::nullopt;
  TempDir dir;
  std::ostringstream program;
  program << "program oracle\n  implicit none\n";
  for (const auto& c : cases) {
    program << "  write(*,'(A)') '@@'\n";
    std::string layout = c.layout;
    program << "  write(*," << fortran_string(layout) << ")";
    for (std::size_t i = 0; i < c.values.size(); ++i) {
      program << (i == 0 ? " " : ", ") << "&\n    " << fortran_value(c.values[i]);
    }
    program << "\n";
  }
  program << "  write(*,'(A)') '@@'\nend program oracle\n";
  dir.write("oracle.f90", program.str());
  const std::string d = dir.path().string();
  const std::string command =
      "cd '" + d +
      "' && gfortran -ffree-line-length-none -o oracle oracle.f90 2>compile.log && ./oracle > out.txt 2>run.log";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  const std::string out = dir.read("out.txt");
  std::vector<std::string> results;
  std::istringstream lines(out);
  std::string line;
  std::string current;
  bool started = false;
  while (std::getline(lines, line)) {
    if (line == "@@") {
      if (started) results.push_back(current);
      current.clear();
      started = true;
      continue;
    }
    current += line + "\n";
  }
  if (results.size() != cases.size()) return std::nullopt;
  return results;
}

}  // namespace korvo::testing

#include "input/rates.h"

#include <span>
#include <string>

#include "common/errors.h"
#include "common/fixed_read.h"

namespace korvo {
namespace {

constexpr int kFieldWidth = 6;
constexpr int kFieldStride = 7;  // 6 columns of value, 1 ignored

// Reads the rates file line by line, keeping the names its errors need.
class RatesReader {
 public:
  explicit RatesReader(TextReader& in) : in_(in) {}

  // Reads the next line into values (one value per field, from column 1).
  void read_line(std::span<float> values, std::string_view table, int row) {
    std::string_view line;
    if (!in_.next(line)) {
      const std::int64_t missing = in_.line_number() + 1;
      throw FileError(file(), FilePlace::at_line(missing), std::string(table),
                      "expected " + std::to_string(kRatesFileLines) + " lines of rates, the file ends after line " +
                          std::to_string(missing - 1));
    }
    for (std::size_t k = 0; k < values.size(); ++k) {
      const int first = static_cast<int>(k) * kFieldStride + 1;
      const int last = first + kFieldWidth - 1;
      const std::string_view text = columns(line, first, last);
      if (parse_real_field(text, 0, values[k]) == ParseStatus::kOk) continue;
      std::string field(table);
      if (row > 0) field += ", row " + std::to_string(row);
      field += ", value " + std::to_string(k + 1);
      const std::string name = file();
      const FieldPlace place{name, FilePlace::at_line(in_.line_number()).with_columns(first, last), field};
      throw conversion_error(text, place, "a number");
    }
  }

  // N is the number of rows + 1 (row 0 is unused).
  template <std::size_t N>
  void read_grid(std::array<std::array<float, kRateFtClasses + 1>, N>& grid, std::string_view table) {
    for (int row = 1; row < static_cast<int>(N); ++row) {
      read_line(std::span<float>(grid[static_cast<std::size_t>(row)]).subspan(1, kRateFtClasses), table, row);
    }
  }

 private:
  std::string file() const { return in_.name().empty() ? std::string("KVRATES.SYN") : in_.name(); }
  TextReader& in_;
};

}  // namespace

void read_rate_tables(TextReader& rates, RateTables& tables) {
  tables = RateTables{};
  RatesReader in(rates);
  in.read_line(std::span<float>(tables.accident).subspan(1, kRateFtClasses), "accident rates", 0);
  in.read_line(std::span<float>(tables.injury).subspan(1, kRateFtClasses), "injury rates", 0);
  in.read_line(std::span<float>(tables.fatality).subspan(1, kRateFtClasses), "fatality rates", 0);
  in.read_line(std::span<float>(tables.unit_cost).subspan(1, 3), "unit costs", 0);
  in.read_grid(tables.carbon_monoxide, "carbon monoxide rates");
  in.read_grid(tables.hydrocarbons, "hydrocarbon rates");
  in.read_grid(tables.nitrogen_oxides, "oxides of nitrogen rates");
  in.read_grid(tables.fuel, "fuel rates");
  in.read_grid(tables.construction_cost, "construction costs");
  in.read_grid(tables.user_cost, "user costs");
  in.read_grid(tables.maintenance_cost, "maintenance costs");
}

}  // namespace korvo

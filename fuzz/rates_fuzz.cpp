// "KVRATES.SYN": the 75 lines of rates, then the rate pages printed from
// what was read.

#include <cmath>
#include <cstdint>
#include <memory>

#include "common/errors.h"
#include "fuzz_support.h"
#include "input/rates.h"
#include "reports/rate_pages.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto tables = std::make_unique<RateTables>();
  *tables = RateTables{};
  TextReader rates = TextReader::from_memory({reinterpret_cast<const char*>(data), size}, "KVRATES.SYN");
  try {
    read_rate_tables(rates, *tables);
  } catch (const FileError&) {
    return 0;
  }
  fuzz::NullSink pages;
  write_rate_pages(pages, *tables);
  return 0;
}

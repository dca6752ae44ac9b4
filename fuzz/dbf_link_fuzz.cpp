// The dBASE link file: header and descriptors, field preparation and the
// record stream into the link record, from memory.

#include <cstdint>
#include <memory>

#include "common/errors.h"
#include "fuzz_support.h"
#include "input/dbf_reader.h"
#include "reports/dbf_listing.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto source = std::make_unique<DbfLinkSource>();
  static auto link = std::make_unique<LinkRecord>();
  fuzz::NullSink report;
  DbfHeaderListing listing(report);
  *source = DbfLinkSource{};
  *link = LinkRecord{};
  // Real fields are scaled as a DATABASE.CTL would ask: distance in miles
  // with two decimals becomes hundredths.
  source->map.scale[LinkKeyword::kDistance] = 100.0;
  source->map.scale[LinkKeyword::kCongTime] = 100.0;
  source->stream = ByteStream::from_memory({reinterpret_cast<const char*>(data), size}, "LINKS05A.DBF");
  try {
    read_link_file_header(*source, &listing);
    prepare_link_fields(*source, &listing);
    if (source->missing_field_count > 0) return 0;
    // Every record takes at least one byte, so the input bounds the links.
    std::size_t links = 0;
    for (;;) {
      if (read_next_dbf_link(*source, *link) == LinkStatus::kEndOfLinks) break;
      fuzz::check(++links <= size, "more links than bytes in the file");
    }
  } catch (const FileError&) {
  } catch (const RunStop&) {
  }
  return 0;
}

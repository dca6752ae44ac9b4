// The dBASE link file: header and descriptors, field preparation and the
// record stream into the link record, from memory. Each input is read four
// times: with the record plan as prepared, with the plan's registers turned
// off, with the plan cleared (field by field), and through the read-ahead
// thread in blocks of three records. All must give the same links and stop
// at the same record with the same error.

#include <cstdint>
#include <memory>
#include <string>

#include "common/errors.h"
#include "fuzz_support.h"
#include "input/dbf_read_ahead.h"
#include "input/dbf_reader.h"
#include "reports/dbf_listing.h"

using namespace korvo;

namespace {

// A running digest of every link value read, and how the reading ended.
struct Outcome {
  std::uint64_t digest = 0;
  std::size_t links = 0;
  std::string error;
};

void mix(std::uint64_t& digest, std::int64_t value) {
  digest = (digest ^ static_cast<std::uint64_t>(value)) * 0x100000001B3ULL;
}

enum class Reading { kPlan, kPlanWithoutRegisters, kFieldByField, kReadAhead };

Outcome read_links(const std::uint8_t* data, std::size_t size, Reading reading) {
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
  Outcome out;
  try {
    read_link_file_header(*source, &listing);
    prepare_link_fields(*source, &listing);
    if (source->missing_field_count > 0) return out;
    if (reading == Reading::kPlanWithoutRegisters || reading == Reading::kFieldByField) {
      source->record_plan.wide = false;
    }
    if (reading == Reading::kFieldByField) source->record_plan.usable = false;
    std::unique_ptr<DbfReadAhead> ahead;
    if (reading == Reading::kReadAhead) ahead = std::make_unique<DbfReadAhead>(*source, 3);
    for (;;) {
      const LinkStatus status = ahead ? ahead->next(*link) : read_next_dbf_link(*source, *link);
      if (status == LinkStatus::kEndOfLinks) break;
      // Every record takes at least one byte, so the input bounds the links.
      fuzz::check(++out.links <= size, "more links than bytes in the file");
      const LinkRecord& l = *link;
      for (const std::int64_t v :
           {std::int64_t{l.anode},        std::int64_t{l.bnode},     std::int64_t{l.distance},
            std::int64_t{l.direction},    std::int64_t{l.area_type}, std::int64_t{l.facility_type},
            std::int64_t{l.lanes},        std::int64_t{l.time},      std::int64_t{l.time2},
            std::int64_t{l.capacity},     std::int64_t{l.count},     std::int64_t{l.screenline},
            std::int64_t{l.zone},         std::int64_t{l.use},       std::int64_t{l.location},
            std::int64_t{l.landuse},      std::int64_t{l.construct}, std::int64_t{l.period_times[1]},
            std::int64_t{l.volume(1, 1)}, std::int64_t{l.cost},      std::int64_t{l.two_way}}) {
        mix(out.digest, v);
      }
    }
  } catch (const FileError& e) {
    out.error = e.what();
  } catch (const RunStop&) {
    out.error = "run stop";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Outcome planned = read_links(data, size, Reading::kPlan);
  const Outcome narrow = read_links(data, size, Reading::kPlanWithoutRegisters);
  const Outcome plain = read_links(data, size, Reading::kFieldByField);
  const Outcome ahead = read_links(data, size, Reading::kReadAhead);
  fuzz::check(ahead.links == planned.links && ahead.digest == planned.digest && ahead.error == planned.error,
              "the read-ahead thread and the reader give different links or stop differently");
  fuzz::check(narrow.links == planned.links && narrow.digest == planned.digest && narrow.error == planned.error,
              "the record plan with and without its registers gives different links or stops differently");
  fuzz::check(planned.links == plain.links, "the record plan and the field-by-field path read different links");
  fuzz::check(planned.digest == plain.digest, "the record plan and the field-by-field path give different values");
  fuzz::check(planned.error == plain.error, "the record plan and the field-by-field path stop differently");
  return 0;
}

#include "reports/side_files.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>

#include "common/errors.h"
#include "common/layout.h"
#include "reports/data_fields.h"

namespace korvo {
namespace {

// The ASCII loaded-network record: 11 fixed values, then the count and up to
// kMaxVolumeSlots slot volumes; every value is written, however many.
constexpr std::size_t kAsciiWideFields = 2 + 1 + kMaxVolumeSlots;  // 7-column fields
constexpr std::size_t kAsciiMaxValues = 9 + kAsciiWideFields;
constexpr auto kAsciiRecord = "(2I6,4I3,3I5,53I7)"_layout;

// The columns of the record's i-th value (0-based), from kAsciiRecord. The
// record is built field by field (IntegerRecord) rather than through the
// layout's walk, which cost about a twelfth of a run's instructions with
// ASCII on; so the layout must be plain Iw descriptors, kAsciiMaxValues
// columns in all. A layout that is not stops the build here (a throw is not
// a constant expression).
constexpr auto kAsciiColumns = [] {
  std::array<int, kAsciiMaxValues> columns{};
  std::size_t i = 0;
  for (const EditItem& item : kAsciiRecord.parsed.items) {
    if (item.op != EditOp::kInteger || item.decimals != -1) throw std::logic_error("HRLDXY.ASC: not a plain Iw");
    for (std::int32_t r = 0; r < item.repeat; ++r) columns.at(i++) = item.width;
  }
  if (i != kAsciiMaxValues) throw std::logic_error("HRLDXY.ASC: the layout has too few columns");
  return columns;
}();

std::string ascii_field_name(std::size_t i, bool use_counts) {
  static constexpr const char* kFixed[] = {"ANODE",    "BNODE", "FT",        "AT",     "LANES",   "LOCATION",
                                           "DISTANCE", "TIME",  "CONG_TIME", "VOLUME", "CAPACITY"};
  if (i < std::size(kFixed)) return kFixed[i];
  if (use_counts && i == std::size(kFixed)) return "COUNT";
  return "SLOT " + std::to_string(i - std::size(kFixed) + (use_counts ? 0 : 1)) + " VOLUME";
}

void recreate(const WorkDir& work, TextWriter& file, const char* name) {
  if (work.exists(name)) work.remove(name);
  file.create(work.path(name), name);
}

}  // namespace

void SideFiles::create_ascii_network() {
  if (ascii_.is_open()) ascii_.close();
  recreate(work_, ascii_, kAsciiNetworkFile);
}

void SideFiles::write_ascii_record(const LinkRecord& link, const LinkValues& v, const EvaluationState& state,
                                   bool use_counts) {
  std::array<std::int64_t, kAsciiMaxValues> values;
  std::size_t n = 0;
  values[n++] = link.anode;
  values[n++] = link.bnode;
  values[n++] = v.ft_code;
  values[n++] = link.area_type;
  values[n++] = v.lanes_value;
  values[n++] = link.location;
  values[n++] = link.distance;
  values[n++] = link.time;
  values[n++] = link.period_times[static_cast<std::size_t>(link.time_slot_count)];
  values[n++] = round_half_up(v.vol);
  values[n++] = round_half_up(v.cap);
  if (use_counts) values[n++] = link.count;
  if (link.volume_slot_count != 1) {
    const int slots = std::clamp<int>(link.volume_slot_count, 0, kMaxVolumeSlots);
    for (int s = 1; s <= slots; ++s) values[n++] = state.slot_volume_rounded[static_cast<std::size_t>(s)];
  }
  // A value that does not fit stops the run before its record is written.
  ascii_record_.clear();
  for (std::size_t i = 0; i < n; ++i) {
    const int columns = kAsciiColumns[i];
    if (!fits_columns(values[i], columns)) {
      data_field_overflow(
          kAsciiNetworkFile, link_record_name(link.anode, link.bnode), ascii_field_name(i, use_counts), columns,
          std::to_string(values[i]),
          i < 2 ? "turn \"ASCII\" off in PROFILE.MAS, or renumber the nodes below " + first_too_wide(columns)
                : std::string("turn \"ASCII\" off in PROFILE.MAS, or correct the link's value"));
    }
    ascii_record_.put(values[i], columns);
  }
  ascii_.write_record(ascii_record_.view());
}

void SideFiles::flush_ascii_network() {
  if (ascii_.is_open() && ascii_.name() == kAsciiNetworkFile) ascii_.flush();
}

void SideFiles::start_screenline_file() {
  ascii_.close();
  recreate(work_, ascii_, kScreenlineFile);
}

void SideFiles::remove_old_skip_list() {
  if (work_.exists(kSkipFile)) work_.remove(kSkipFile);
}

void SideFiles::list_skipped_link(const LinkRecord& link, int ft_code) {
  static constexpr auto kLine = "(2I7,2I4)"_layout;
  if (!skip_.is_open()) {
    skip_.create(work_.path(kSkipFile), kSkipFile);
    skip_.write_record(" LIST IS SKIPPED LINKS:");
    skip_.write_record("");
    skip_.write_record("  ANODE  BNODE  FT  AT");
    skip_.write_record("");
  }
  const DataField fields[] = {
      {"ANODE", 7, link.anode}, {"BNODE", 7, link.bnode}, {"FT", 4, ft_code}, {"AT", 4, link.area_type}};
  check_data_fields(kSkipFile, link_record_name(link.anode, link.bnode), fields, [](const DataField& f) {
    return f.columns == 7 ? "renumber the nodes below " + first_too_wide(7)
                          : "correct the link's " + std::string(f.name) + " code in the link file";
  });
  skip_.write(kLine, link.anode, link.bnode, ft_code, link.area_type);
}

void SideFiles::close() {
  skip_.close();
  ascii_.close();
}

void SideFiles::close_quietly() {
  for (TextWriter* file : {&skip_, &ascii_}) {
    try {
      file->close();
    } catch (const FileStop&) {
      // The error being reported is the first one.
    }
  }
}

}  // namespace korvo

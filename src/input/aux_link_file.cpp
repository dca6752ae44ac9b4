#include "input/aux_link_file.h"

#include <limits>
#include <string>
#include <utility>

#include "common/errors.h"
#include "common/fixed_read.h"
#include "input/profile.h"

namespace korvo {
namespace {

constexpr int kSequenceBits = 10;  // to-node x 1024 + sequence

// A located field of the auxiliary file; field 0 is absent.
struct AuxFieldRef {
  int field = 0;
  int offset = 0;  // 0-based within the record
  int width = 0;
};

class AuxRecordReader {
 public:
  AuxRecordReader(const ByteStream& stream, const DbfFieldTable& table) : stream_(stream), table_(table) {}

  void next_record() { ++record_; }
  std::uint64_t record() const { return record_; }

  // The field as a decimal integer of its width, whatever its dBASE type;
  // an all-blank field is 0.
  std::int32_t integer(const AuxFieldRef& ref, const char* record) const {
    const std::string_view text = field_text(ref, record);
    std::int64_t value = 0;
    const ParseStatus status = parse_integer_field(text, value);
    if (status == ParseStatus::kNotANumber) fail_conversion(ref, text, "an integer");
    if (status != ParseStatus::kOk || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
      fail_conversion(ref, text, "an integer within -2147483648 to 2147483647");
    }
    return static_cast<std::int32_t>(value);
  }

  // A node number below kAuxNodeLimit, so that node x 1024 + sequence stays a
  // positive 32-bit number.
  std::int32_t node(const AuxFieldRef& ref, const char* record) const {
    const std::int32_t value = integer(ref, record);
    if (value < 0 || value >= kAuxNodeLimit) {
      fail_limit(ref, "node number " + std::to_string(value) + " is outside 0 to " + std::to_string(kAuxNodeLimit - 1) +
                          ", the limit of the auxiliary link table");
    }
    return value;
  }

  std::int32_t sequence(const AuxFieldRef& ref, const char* record) const {
    const std::int32_t value = integer(ref, record);
    if (value < -kAuxSequenceLimit || value > kAuxSequenceLimit) {
      fail_limit(ref, "sequence number " + std::to_string(value) + " is beyond the limit of " +
                          std::to_string(kAuxSequenceLimit));
    }
    return value < 0 ? -value : value;
  }

  char first_char(const AuxFieldRef& ref, const char* record) const { return ref.width > 0 ? record[ref.offset] : ' '; }

  [[noreturn]] void entries_full() const {
    throw FileError(stream_.name(), where(), "",
                    "more than " + std::to_string(kAuxLinkLimit) + " entries, the limit of the auxiliary link table");
  }

 private:
  static std::string_view field_text(const AuxFieldRef& ref, const char* record) {
    return {record + ref.offset, static_cast<std::size_t>(ref.width)};
  }

  FilePlace where() const { return FilePlace::at_record(static_cast<std::int64_t>(record_)); }
  std::string what(const AuxFieldRef& ref) const {
    const DbfField& field = table_[ref.field];
    return "field " + field.display_name() + ", bytes " + std::to_string(field.start) + "-" + std::to_string(field.end);
  }

  [[noreturn]] void fail_conversion(const AuxFieldRef& ref, std::string_view text, std::string_view expected) const {
    const std::string f = what(ref);
    throw conversion_error(text, FieldPlace{stream_.name(), where(), f}, expected);
  }

  [[noreturn]] void fail_limit(const AuxFieldRef& ref, const std::string& problem) const {
    throw FileError(stream_.name(), where(), what(ref), problem);
  }

  const ByteStream& stream_;
  const DbfFieldTable& table_;
  std::uint64_t record_ = 0;
};

// Locates the named fields in role order; a name to be located that is not
// in the file stops the run.
EnumArray<AuxField, AuxFieldRef, kAuxFieldCount> locate_fields(const std::string& file, const DbfFieldTable& table,
                                                               const AuxFieldNames& names) {
  EnumArray<AuxField, AuxFieldRef, kAuxFieldCount> refs{};
  bool screenline_absent = false;
  for (int number = 0; number < kAuxFieldCount; ++number) {
    const auto role = static_cast<AuxField>(number);
    const FixedText<11>& name = names[role];
    switch (role) {
      case AuxField::kConstruct:
      case AuxField::kZone:
      case AuxField::kOneWay:
        if (!names_a_field(name)) continue;
        break;
      case AuxField::kScreenline:
        screenline_absent = !names_a_field(name);
        if (screenline_absent) continue;
        break;
      case AuxField::kLocation:
        if (screenline_absent) continue;
        break;
      default: break;
    }
    const int k = find_dbf_field(table, name);
    if (k == 0) throw AuxFieldNotFound(name);
    const DbfField& field = table[k];
    // The one-way marker is read by its first character alone.
    if (role != AuxField::kOneWay && field.length > kAuxFieldWidthLimit) {
      throw FileError(file, FilePlace::at_byte_offset(static_cast<std::uint64_t>(kDbfDescriptorSize * k)),
                      "field " + field.display_name(),
                      "a width of " + std::to_string(field.length) + " bytes is more than the limit of " +
                          std::to_string(kAuxFieldWidthLimit));
    }
    refs[role] = AuxFieldRef{k, field.start - 1, field.length};
  }
  return refs;
}

bool entry_less(const AuxLinkEntry& a, const AuxLinkEntry& b) {
  return a.anode < b.anode || (a.anode == b.anode && a.bnode < b.bnode);
}

void fold_value(std::int32_t& kept, std::int32_t other) {
  if (kept == 0) kept = other;
}

}  // namespace

void read_aux_links(ByteStream& stream, const AuxFieldNames& field_names, AuxLinkTable& table, DbfListing* listing) {
  // The auxiliary file has a field table of its own; the link file's stays
  // as it is.
  DbfFieldTable fields;
  DbfHeader header;
  table.count = 0;
  read_dbf_header(stream, header, fields, listing);
  place_dbf_fields(stream.name(), header, fields);
  const auto refs = locate_fields(stream.name(), fields, field_names);
  const auto& anode = refs[AuxField::kAnode];
  const auto& bnode = refs[AuxField::kBnode];
  const auto& sequence = refs[AuxField::kSequence];
  const auto& one_way = refs[AuxField::kOneWay];

  AuxRecordReader reader(stream, fields);
  const auto record_length = static_cast<std::size_t>(header.record_length);
  auto optional_value = [&](AuxField role, const char* record) {
    const AuxFieldRef& ref = refs[role];
    return ref.field != 0 ? reader.integer(ref, record) : 0;
  };
  while (const char* record = stream.take(record_length)) {
    reader.next_record();
    const std::int32_t a = reader.node(anode, record);
    if (a == 0) continue;
    const std::int32_t b = reader.node(bnode, record);
    const std::int32_t s = reader.sequence(sequence, record);
    const std::int32_t construct = optional_value(AuxField::kConstruct, record);
    const std::int32_t screenline = optional_value(AuxField::kScreenline, record);
    const std::int32_t location = optional_value(AuxField::kLocation, record);
    const std::int32_t zone = optional_value(AuxField::kZone, record);
    const char marker = one_way.field != 0 ? reader.first_char(one_way, record) : ' ';

    if (table.count == kAuxLinkLimit) reader.entries_full();
    table[++table.count] = AuxLinkEntry{a, (b << kSequenceBits) + s, construct, screenline, location, zone};
    if (marker == 'R' || marker == 'F') continue;
    if (table.count == kAuxLinkLimit) reader.entries_full();
    table[++table.count] = AuxLinkEntry{b, (a << kSequenceBits) + s, construct, screenline, location, zone};
  }
}

void sort_aux_links(AuxLinkTable& table) {
  // Kept exactly as this gap sequence and exchange order: entries of equal
  // key (same pair and sequence) come out in the order the merge then
  // depends on.
  const std::int32_t n = table.count;
  for (std::int32_t gap = n / 2; gap > 0; gap /= 2) {
    for (std::int32_t i = 1; i <= n - gap; ++i) {
      for (std::int32_t j = i; j > 0 && entry_less(table[j + gap], table[j]); j -= gap) {
        std::swap(table[j], table[j + gap]);
      }
    }
  }
}

void merge_aux_links(AuxLinkTable& table) {
  const std::int32_t n = table.count;
  for (std::int32_t i = 1; i <= n; ++i) table[i].bnode >>= kSequenceBits;
  if (n == 0) return;
  AuxLinkEntry current = table[1];
  std::int32_t out = 0;
  for (std::int32_t i = 2; i <= n; ++i) {
    const AuxLinkEntry& e = table[i];
    if (e.anode == current.anode && e.bnode == current.bnode) {
      fold_value(current.construct, e.construct);
      fold_value(current.screenline, e.screenline);
      fold_value(current.location, e.location);
      fold_value(current.zone, e.zone);
    } else {
      table[++out] = current;
      current = e;
    }
  }
  table[++out] = current;
  table.count = out;
}

void load_aux_links(ByteStream& stream, const AuxFieldNames& field_names, AuxLinkTable& table, DbfListing* listing) {
  read_aux_links(stream, field_names, table, listing);
  sort_aux_links(table);
  merge_aux_links(table);
}

}  // namespace korvo

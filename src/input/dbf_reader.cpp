#include "input/dbf_reader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "common/errors.h"
#include "common/fixed_read.h"

namespace korvo {
namespace {

// A standard header of kDbfBufferSize bytes holds 127 descriptors, so the
// buffer limit, checked first, keeps the field table from overflowing.
static_assert((kDbfBufferSize - 2) / kDbfDescriptorSize <= kDbfFieldLimit);

// Header bytes of the two lengths, and the descriptor bytes that are read:
// name 0-10, type 11, length 16, decimals 17.
constexpr int kHeaderLengthOffset = 8;
constexpr int kRecordLengthOffset = 10;
constexpr int kDescriptorTypeByte = 11;
constexpr int kDescriptorLengthByte = 16;
constexpr int kDescriptorDecimalsByte = 17;

std::uint32_t le16(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}
std::uint32_t le32(const unsigned char* p) { return le16(p) | (le16(p + 2) << 16); }

FilePlace offset_place(std::uint64_t offset) { return FilePlace::at_byte_offset(offset); }

void check_header_limits(const std::string& file, const DbfHeader& header) {
  if (header.header_length < kDbfHeaderSize) {
    throw FileError(file, offset_place(kHeaderLengthOffset), "header length",
                    std::to_string(header.header_length) + " bytes is less than the " + std::to_string(kDbfHeaderSize) +
                        " bytes of the header's fixed part");
  }
  if (header.header_length > kDbfBufferSize) {
    throw FileError(file, offset_place(kHeaderLengthOffset), "header length",
                    std::to_string(header.header_length) + " bytes is more than the limit of " +
                        std::to_string(kDbfBufferSize) + " bytes");
  }
  if (header.record_length == 0) {
    throw FileError(file, offset_place(kRecordLengthOffset), "record length",
                    "0 bytes; a record holds at least its deletion flag");
  }
  if (header.record_length > kDbfBufferSize) {
    throw FileError(file, offset_place(kRecordLengthOffset), "record length",
                    std::to_string(header.record_length) + " bytes is more than the limit of " +
                        std::to_string(kDbfBufferSize) + " bytes");
  }
}

[[noreturn]] void conversion_failed(const DbfLinkSource& source, const DbfField& field, std::string_view text,
                                    std::string_view expected) {
  const std::string what =
      "field " + field.display_name() + ", bytes " + std::to_string(field.start) + "-" + std::to_string(field.end);
  const FilePlace where = FilePlace::at_record(static_cast<std::int64_t>(source.records_read));
  throw conversion_error(text, FieldPlace{source.stream.name(), where, what}, expected);
}

bool is_true_letter(char c) { return c == 'T' || c == 't' || c == 'Y' || c == 'y'; }

// The value of one keyword field of the current record.
std::int32_t convert_slot(const DbfLinkSource& source, const DbfSlotPlan& plan, const char* record) {
  const std::string_view text(record + plan.offset, static_cast<std::size_t>(plan.width));
  if (plan.logical) {
    const std::size_t first = text.find_first_not_of(' ');
    return first != std::string_view::npos && is_true_letter(text[first]) ? 1 : 0;
  }
  constexpr double kLow = std::numeric_limits<std::int32_t>::min();
  constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
  if (plan.conversion == DbfConversion::kReal) {
    double x = 0;
    if (parse_real_field(text, plan.decimals, x) != ParseStatus::kOk) {
      conversion_failed(source, source.fields[plan.field], text, "a number");
    }
    const double value = std::trunc(x * plan.scale + 0.5);
    if (!(value >= kLow && value <= kHigh)) {
      conversion_failed(source, source.fields[plan.field], text,
                        "a number whose scaled value lies within -2147483648 to 2147483647");
    }
    return static_cast<std::int32_t>(value);
  }
  std::int64_t value = 0;
  const ParseStatus status = parse_integer_field(text, value);
  if (status == ParseStatus::kNotANumber) conversion_failed(source, source.fields[plan.field], text, "an integer");
  if (status != ParseStatus::kOk || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    conversion_failed(source, source.fields[plan.field], text, "an integer within -2147483648 to 2147483647");
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

bool scaled_value(double x, double scale, std::int32_t& out) {
  // The value is trunc(x * scale + 0.5) when that lies within 32 bits. The
  // conversion to an integer truncates by itself, and trunc(v) lies within
  // -2^31 .. 2^31 - 1 exactly when v lies strictly between -2^31 - 1 and
  // 2^31 (a NaN lies nowhere).
  const double v = x * scale + 0.5;
  if (!(v > -2147483649.0 && v < 2147483648.0)) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

bool fast_scaled_field(const char* field_end, const DbfSlotPlan& plan, std::int32_t& out) {
  std::uint64_t digits = 0;
  int fraction_digits = 0;
  if (!fast_real_digits(field_end, plan.width, plan.decimals, digits, fraction_digits)) return false;
  if (fraction_digits <= plan.scale_power) {
    // The double path forms digits x 10^(k - fraction) + 0.5, a whole number
    // and a half below 2^31, and truncates it; its two roundings (the
    // division, the product) move it by less than 2^-20, so the truncation
    // is this whole number.
    const std::uint64_t v = digits * kWholePowersOfTen[plan.scale_power - fraction_digits];
    if (v <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
      out = static_cast<std::int32_t>(v);
      return true;
    }
  }
  return scaled_value(static_cast<double>(digits) / kPowersOfTen[fraction_digits], plan.scale, out);
}

namespace {

// A 16-bit field keeps the low 16 bits: 40000 arrives as -25536.
std::int16_t low16(std::int32_t v) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(v)); }

void store_slot(LinkRecord& link, LinkKeyword slot, std::int32_t v) {
  switch (slot) {
    case LinkKeyword::kAnode: link.anode = v; break;
    case LinkKeyword::kBnode: link.bnode = v; break;
    case LinkKeyword::kDistance: link.distance = low16(v); break;
    case LinkKeyword::kDir: link.direction = low16(v); break;
    case LinkKeyword::kAtype: link.area_type = low16(v); break;
    case LinkKeyword::kFtype: link.facility_type = low16(v); break;
    case LinkKeyword::kLanes: link.lanes = low16(v); break;
    case LinkKeyword::kTime:
      link.time = low16(v);
      link.time2 = link.time;
      break;
    case LinkKeyword::kCapacity: link.capacity = v; break;
    case LinkKeyword::kCount: link.count = v; break;
    case LinkKeyword::kScreenline: link.screenline = low16(v); break;
    case LinkKeyword::kZone: link.zone = v; break;
    case LinkKeyword::kUse: link.use = v; break;
    case LinkKeyword::kLocation: link.location = v; break;
    case LinkKeyword::kLanduse: link.landuse = v; break;
    case LinkKeyword::kConstruct: link.construct = low16(v); break;
    case LinkKeyword::kCongTime: link.period_times[1] = low16(v); break;
    case LinkKeyword::kModelvol: link.volume(1, 1) = v; break;
    case LinkKeyword::kCost: link.cost = low16(v); break;
    case LinkKeyword::kTwflag: link.two_way = v == 1; break;
    default: break;
  }
}

// Every keyword present: the same stores as store_slot, without the switch.
void store_all_slots(LinkRecord& link, const DbfRecordValues& v) {
  link.anode = v[LinkKeyword::kAnode];
  link.bnode = v[LinkKeyword::kBnode];
  link.distance = low16(v[LinkKeyword::kDistance]);
  link.direction = low16(v[LinkKeyword::kDir]);
  link.area_type = low16(v[LinkKeyword::kAtype]);
  link.facility_type = low16(v[LinkKeyword::kFtype]);
  link.lanes = low16(v[LinkKeyword::kLanes]);
  link.time = low16(v[LinkKeyword::kTime]);
  link.time2 = link.time;
  link.capacity = v[LinkKeyword::kCapacity];
  link.count = v[LinkKeyword::kCount];
  link.screenline = low16(v[LinkKeyword::kScreenline]);
  link.zone = v[LinkKeyword::kZone];
  link.use = v[LinkKeyword::kUse];
  link.location = v[LinkKeyword::kLocation];
  link.landuse = v[LinkKeyword::kLanduse];
  link.construct = low16(v[LinkKeyword::kConstruct]);
  link.period_times[1] = low16(v[LinkKeyword::kCongTime]);
  link.volume(1, 1) = v[LinkKeyword::kModelvol];
  link.cost = low16(v[LinkKeyword::kCost]);
  link.two_way = v[LinkKeyword::kTwflag] == 1;
}

using SlotValues = DbfRecordValues;

void set_bits(std::array<std::uint64_t, kByteClassWords>& marks, int from, int to) {
  for (int i = from; i < to; ++i) marks[static_cast<std::size_t>(i / 64)] |= std::uint64_t{1} << (i % 64);
}

DbfRecordPlan make_record_plan(const DbfLinkSource& source) {
  DbfRecordPlan rp;
  if constexpr (std::endian::native != std::endian::little) return rp;
  for (std::size_t s = 1; s <= kLinkKeywordCount; ++s) {
    const DbfSlotPlan& plan = source.plan[s];
    if (plan.field == 0) continue;  // a missing keyword reads nothing
    const int end = plan.offset + plan.width;
    if (plan.fast == DbfSlotPlan::Fast::kNone || end > static_cast<int>(kByteClassLimit)) return DbfRecordPlan{};
    rp.scan_bytes = std::max(rp.scan_bytes, static_cast<std::size_t>(end));
    if (plan.fast == DbfSlotPlan::Fast::kInteger) {
      set_bits(rp.integer_bytes, plan.offset, end);
      set_bits(rp.integer_inner_bytes, plan.offset + 1, end);
      rp.integer_fields[static_cast<std::size_t>(rp.integer_count++)] = {
          static_cast<std::uint8_t>(s), static_cast<std::uint16_t>(end), swar::field_mask(plan.width)};
    } else if (plan.decimals >= 1 && plan.decimals < plan.width && plan.scale_power >= plan.decimals) {
      const int point = plan.offset + plan.width - plan.decimals - 1;
      set_bits(rp.pointed_whole_bytes, plan.offset, point);
      set_bits(rp.pointed_whole_inner_bytes, plan.offset + 1, point);
      set_bits(rp.pointed_fraction_bytes, point + 1, end);
      const int whole_width = point - plan.offset;
      rp.pointed[static_cast<std::size_t>(rp.pointed_count++)] = {static_cast<std::uint8_t>(s),
                                                                  static_cast<std::uint16_t>(point),
                                                                  whole_width == 0 ? 0 : swar::field_mask(whole_width),
                                                                  static_cast<std::uint16_t>(end),
                                                                  swar::field_mask(plan.decimals),
                                                                  kWholePowersOfTen[plan.scale_power],
                                                                  kWholePowersOfTen[plan.scale_power - plan.decimals]};
    } else {
      rp.real_slots[static_cast<std::size_t>(rp.real_count++)] = static_cast<std::uint8_t>(s);
    }
  }
  rp.usable = true;
  static_assert(kLinkKeywordCount <= wide::kFields);
  if (wide::available() && rp.scan_bytes <= wide::kBytes) {
    rp.wide = true;
    rp.wide_conversion = wide::widest_conversion();
    for (int k = 0; k < rp.integer_count; ++k) {
      const DbfRecordPlan::IntegerField& field = rp.integer_fields[static_cast<std::size_t>(k)];
      rp.gather.set_field(field.slot - 1u, field.end, source.plan[field.slot].width);
    }
    for (int k = 0; k < std::min(rp.pointed_count, DbfRecordPlan::kWidePointed); ++k) {
      const DbfRecordPlan::PointedReal& real = rp.pointed[static_cast<std::size_t>(k)];
      const DbfSlotPlan& plan = source.plan[real.slot];
      const std::size_t lane = DbfRecordPlan::wide_pointed_field(k);
      rp.gather.set_field(lane, real.point, real.point - plan.offset);
      rp.gather.set_field(lane + 1, real.end, plan.decimals);
    }
  }
  return rp;
}

// The record plan's integer fields, known to hold blanks before digits. At
// most 8 digits: every value fits. Two fields at a time, then the last one
// of an odd count.
void convert_integer_fields(const DbfRecordPlan& rp, const char* record, SlotValues& values) {
  // The count is read once: a store into values could otherwise be taken
  // for a store into it.
  const int integer_count = rp.integer_count;
  int k = 0;
  for (; k + 1 < integer_count; k += 2) {
    const DbfRecordPlan::IntegerField& a = rp.integer_fields[static_cast<std::size_t>(k)];
    const DbfRecordPlan::IntegerField& b = rp.integer_fields[static_cast<std::size_t>(k + 1)];
    std::uint64_t va = 0, vb = 0;
    swar::two_digits_values(record + a.end, a.keep, record + b.end, b.keep, va, vb);
    values[a.slot] = static_cast<std::int32_t>(va);
    values[b.slot] = static_cast<std::int32_t>(vb);
  }
  if (k < integer_count) {
    const DbfRecordPlan::IntegerField& field = rp.integer_fields[static_cast<std::size_t>(k)];
    values[field.slot] = static_cast<std::int32_t>(swar::digits_value(record + field.end, field.keep));
  }
}

// The record plan's path; false when the record must go field by field
// (values may then hold some of its fields already).
bool convert_record_at_once(const DbfLinkSource& source, const char* record, SlotValues& values) {
  const DbfRecordPlan& rp = source.record_plan;
  ByteClasses marks;
  std::array<std::int32_t, wide::kFields> wide_values;
  if (rp.wide) {
    rp.wide_conversion(record, rp.scan_bytes, rp.gather, marks, wide_values);
  } else {
    classify_bytes(record, rp.scan_bytes, marks);
  }
  // An integer field holds blanks and digits only, and no blank follows a
  // byte of the same field that is not blank.
  // The whole parts of the pointed real fields follow the same rule, and
  // their fractions are digits; those fields take the eight-byte
  // conversion when they do not.
  std::uint64_t carry = 0;  // the last byte of the word before is not blank
  std::uint64_t pointed_misfit = 0;
  // The words that mark the bytes scanned; the masks are empty beyond them.
  const std::size_t words = (rp.scan_bytes + 63) / 64;
  for (std::size_t w = 0; w < words; ++w) {
    const std::uint64_t blank = marks.blank[w];
    const std::uint64_t digit = marks.digit[w];
    const std::uint64_t after_non_blank = (~blank << 1) | carry;
    carry = ~blank >> 63;
    if ((rp.integer_bytes[w] & ~(blank | digit)) != 0 || (rp.integer_inner_bytes[w] & blank & after_non_blank) != 0) {
      return false;
    }
    pointed_misfit |= (rp.pointed_whole_bytes[w] & ~(blank | digit)) |
                      (rp.pointed_whole_inner_bytes[w] & blank & after_non_blank) |
                      (rp.pointed_fraction_bytes[w] & ~digit);
  }
  // The count is read once: a store into values could otherwise be taken
  // for a store into it.
  const int real_count = rp.real_count;
  if (rp.wide) {
    // Every slot: those without an integer field read 0 here, and the real
    // fields below write theirs.
    std::memcpy(&values[1], wide_values.data(), kLinkKeywordCount * sizeof(std::int32_t));
  } else {
    convert_integer_fields(rp, record, values);
  }
  for (int k = 0; k < real_count; ++k) {
    const std::size_t s = rp.real_slots[static_cast<std::size_t>(k)];
    const DbfSlotPlan& plan = source.plan[s];
    if (!fast_scaled_field(record + plan.offset + plan.width, plan, values[s])) return false;
  }
  const int pointed_count = rp.pointed_count;
  for (int k = 0; k < pointed_count; ++k) {
    const DbfRecordPlan::PointedReal& real = rp.pointed[static_cast<std::size_t>(k)];
    if (pointed_misfit == 0 && record[real.point] == '.') {
      std::uint64_t whole = 0, fraction = 0;
      if (rp.wide && k < DbfRecordPlan::kWidePointed) {
        const std::size_t lane = DbfRecordPlan::wide_pointed_field(k);
        whole = static_cast<std::uint32_t>(wide_values[lane]);
        fraction = static_cast<std::uint32_t>(wide_values[lane + 1]);
      } else {
        swar::two_digits_values(record + real.point, real.whole_keep, record + real.end, real.fraction_keep, whole,
                                fraction);
      }
      // At most 8 digits: the sum cannot wrap.
      const std::uint64_t v = whole * real.whole_factor + fraction * real.fraction_factor;
      if (v <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        values[real.slot] = static_cast<std::int32_t>(v);
        continue;
      }
    }
    const DbfSlotPlan& plan = source.plan[real.slot];
    if (!fast_scaled_field(record + real.end, plan, values[real.slot])) return false;
  }
  return true;
}

// Field by field: the eight-byte conversions where they apply, convert_slot
// for the rest and for every field they decline.
void convert_fields(const DbfLinkSource& source, const char* record, SlotValues& values) {
  for (std::size_t s = 1; s <= kLinkKeywordCount; ++s) {
    const DbfSlotPlan& plan = source.plan[s];
    const char* end = record + plan.offset + plan.width;
    if (plan.fast == DbfSlotPlan::Fast::kInteger) {
      std::int64_t v;
      if (fast_integer_field(end, plan.width, v)) {
        values[s] = static_cast<std::int32_t>(v);  // at most 8 digits
        continue;
      }
    } else if (plan.fast == DbfSlotPlan::Fast::kReal) {
      double x;
      if (fast_real_field(end, plan.width, plan.decimals, x) && scaled_value(x, plan.scale, values[s])) continue;
    }
    if (plan.field != 0) values[s] = convert_slot(source, plan, record);
  }
}

}  // namespace

std::string DbfField::display_name() const {
  std::string out(stored_name());
  const std::size_t nul = out.find('\0');
  if (nul != std::string::npos) out.resize(nul);
  return std::string(trim_right(out));
}

std::string_view dbf_version_label(std::uint8_t version) {
  switch (version & 7) {
    case 2: return "dBASEII ";
    case 3: return "dBASEIII";
    case 4: return "dBASEIV ";
    default: return "UNKNOWN ";
  }
}

void read_dbf_header(ByteStream& stream, DbfHeader& header, DbfFieldTable& table, DbfListing* listing) {
  const std::string& file = stream.name();
  // The whole header, and zeros behind it: a last descriptor that the header
  // length cuts short reads its missing bytes as NUL.
  std::array<unsigned char, kDbfBufferSize + kDbfDescriptorSize> bytes{};

  const char* fixed = stream.take(kDbfHeaderSize);
  if (fixed == nullptr) {
    throw FileError(file, offset_place(stream.offset()), "header",
                    "the file ends inside the 32 bytes of the header's fixed part");
  }
  std::memcpy(bytes.data(), fixed, kDbfHeaderSize);
  header = DbfHeader{};
  header.version = bytes[0];
  header.year = bytes[1];
  header.month = bytes[2];
  header.day = bytes[3];
  header.record_count = le32(&bytes[4]);
  header.header_length = static_cast<std::int32_t>(le16(&bytes[kHeaderLengthOffset]));
  header.record_length = static_cast<std::int32_t>(le16(&bytes[kRecordLengthOffset]));
  table.count = 0;
  if (listing != nullptr) listing->header(header);
  check_header_limits(file, header);

  const std::size_t rest = static_cast<std::size_t>(header.header_length - kDbfHeaderSize);
  const char* tail = stream.take(rest);
  if (tail == nullptr) {
    throw FileError(file, offset_place(stream.offset()), "header",
                    "the file ends inside its header of " + std::to_string(header.header_length) + " bytes");
  }
  std::memcpy(bytes.data() + kDbfHeaderSize, tail, rest);

  header.field_count = std::max(0, (header.header_length - 2) / kDbfDescriptorSize);
  table.count = header.field_count;
  for (int k = 1; k <= table.count; ++k) {
    const unsigned char* d = bytes.data() + static_cast<std::size_t>(kDbfDescriptorSize * k);
    DbfField& field = table[k];
    field = DbfField{};
    std::memcpy(field.name.data(), d, kDbfNameSize);
    field.type = static_cast<char>(d[kDescriptorTypeByte]);
    field.length = d[kDescriptorLengthByte];
    field.decimals = (field.type == 'N' || field.type == 'F') ? d[kDescriptorDecimalsByte] : 0;
    if (listing != nullptr) listing->field(k, field);
  }
}

void place_dbf_fields(const std::string& file, const DbfHeader& header, DbfFieldTable& table) {
  int end = 1;  // byte 1 is the deletion flag
  for (int k = 1; k <= table.count; ++k) {
    DbfField& field = table[k];
    field.start = end + 1;
    field.end = end + field.length;
    end = field.end;
    if (field.end > header.record_length) {
      throw FileError(file,
                      offset_place(static_cast<std::uint64_t>(kDbfDescriptorSize) * static_cast<std::uint64_t>(k)),
                      "field " + field.display_name(),
                      "bytes " + std::to_string(field.start) + "-" + std::to_string(field.end) +
                          " run past the record length of " + std::to_string(header.record_length));
    }
  }
}

int find_dbf_field(const DbfFieldTable& table, const FixedText<11>& name) {
  std::array<char, kDbfNameSize> wanted{};
  for (std::size_t i = 0; i < wanted.size(); ++i) wanted[i] = name[i] == ' ' ? '\0' : name[i];
  for (int k = 1; k <= table.count; ++k) {
    if (table[k].name == wanted) return k;
  }
  return 0;
}

void build_field_format(DbfField& field) {
  // Width and decimals go into four columns each and the blanks are then
  // squeezed out: a 10-byte field with 2 decimals gives "(F10.2)".
  static constexpr auto kIntegerFormat = "('(I',I4,')')"_layout;
  static constexpr auto kRealFormat = "('(F',I4,'.',I4,')')"_layout;
  std::string text;
  if (field.type == 'N' && field.decimals == 0) {
    text = render(kIntegerFormat, field.length);
  } else if (field.type == 'N' || field.type == 'F') {
    text = render(kRealFormat, field.length, field.decimals);
  } else {
    text = "(A)";
  }
  std::erase_if(text, [](char c) { return c == ' ' || c == '\n'; });
  field.format.assign(text);

  field.conversion = DbfConversion::kInvalid;
  field.format_width = 0;
  field.format_decimals = 0;
  try {
    const Layout layout = Layout::parse(text);
    for (const EditItem& item : layout.items()) {
      if (item.op == EditOp::kInteger) {
        field.conversion = DbfConversion::kInteger;
      } else if (item.op == EditOp::kFixed) {
        field.conversion = DbfConversion::kReal;
        field.format_decimals = item.decimals;
      } else if (item.op == EditOp::kText) {
        field.conversion = DbfConversion::kText;
      } else {
        continue;
      }
      field.format_width = item.width;
      break;
    }
  } catch (const LayoutError&) {
    // "(I0)" or "(F0.2)": a numeric field without a byte; reading it fails.
  }
}

void read_link_file_header(DbfLinkSource& source, DbfListing* listing) {
  read_dbf_header(source.stream, source.header, source.fields, listing);
}

void prepare_link_fields(DbfLinkSource& source, DbfListing* listing) {
  const std::string& file = source.stream.name();
  place_dbf_fields(file, source.header, source.fields);
  for (int k = 1; k <= source.fields.count; ++k) build_field_format(source.fields[k]);

  source.present = DbfKeywordsPresent{};
  source.present.all = true;
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    const auto s = static_cast<std::size_t>(slot);
    const int k = find_dbf_field(source.fields, source.map.name[s]);
    source.map.index[s] = k;
    source.plan[s] = DbfSlotPlan{};
    if (k == 0) {
      if (listing != nullptr) listing->keyword_missing(source.map.name[s]);
      ++source.missing_field_count;
      source.present.all = false;
      continue;
    }
    const DbfField& field = source.fields[k];
    if (field.conversion == DbfConversion::kInvalid) {
      throw FileError(file, offset_place(static_cast<std::uint64_t>(kDbfDescriptorSize * k)),
                      "field " + field.display_name() + ", layout " + std::string(field.format.trimmed()),
                      "a numeric field of length 0 cannot hold a value");
    }
    source.present.slot[s] = true;
    DbfSlotPlan& plan = source.plan[s];
    plan.field = k;
    plan.offset = field.start - 1;
    plan.width = field.format_width > 0 ? field.format_width : field.length;
    plan.conversion = field.conversion;
    plan.logical = field.conversion == DbfConversion::kText && field.type == 'L';
    plan.decimals = field.format_decimals;
    plan.scale = source.map.scale[s];
    for (int k = 0; k <= 9; ++k) {
      if (plan.scale == kPowersOfTen[k]) plan.scale_power = k;
    }
    if (plan.width >= 1 && plan.width <= 8 && !plan.logical) {
      if (plan.conversion == DbfConversion::kReal) plan.fast = DbfSlotPlan::Fast::kReal;
      if (plan.conversion == DbfConversion::kInteger || plan.conversion == DbfConversion::kText) {
        plan.fast = DbfSlotPlan::Fast::kInteger;
      }
    }
  }
  source.record_plan = make_record_plan(source);
}

LinkStatus convert_next_dbf_record(DbfLinkSource& source, DbfRecordValues& values) {
  if (source.header.record_length <= 0) throw std::logic_error("dBASE link file read before its header");
  const auto length = static_cast<std::size_t>(source.header.record_length);
  const char* taken = source.stream.take(length);
  if (taken == nullptr) {
    // A trailing partial record and the end-of-file byte 26 end the links.
    return LinkStatus::kEndOfLinks;
  }
  // The eight-byte conversions load the 8 bytes that end a field: a file
  // stream owns room before every record; memory handed in by a caller is
  // copied behind room of our own.
  const char* record = taken;
  if (!source.stream.front_room()) {
    std::memcpy(source.record_copy.data() + 8, taken, length);
    record = source.record_copy.data() + 8;
  }
  ++source.records_read;
  // Both conversions write the slot of every keyword the file has; the
  // others are set to 0 (when every keyword has its field, none is left).
  if (!source.present.all) values = DbfRecordValues{};
  if (source.record_plan.usable && convert_record_at_once(source, record, values)) {
    ++source.records_at_once;
  } else {
    convert_fields(source, record, values);
  }
  return LinkStatus::kLink;
}

void store_dbf_values(const DbfKeywordsPresent& present, const DbfRecordValues& values, LinkRecord& link) {
  if (present.all) {
    store_all_slots(link, values);
    return;
  }
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    const auto s = static_cast<std::size_t>(slot);
    if (present.slot[s]) store_slot(link, static_cast<LinkKeyword>(slot), values[s]);
  }
}

LinkStatus read_next_dbf_link(DbfLinkSource& source, LinkRecord& link) {
  // All values first, so that a field that cannot be converted leaves the
  // link as it was.
  DbfRecordValues values;
  if (convert_next_dbf_record(source, values) == LinkStatus::kEndOfLinks) return LinkStatus::kEndOfLinks;
  store_dbf_values(source.present, values, link);
  return LinkStatus::kLink;
}

}  // namespace korvo

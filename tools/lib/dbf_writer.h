#pragma once
// dBASE III tables for tests and tools, built in memory or streamed to a file.
//
//   DbfTable table({{"ANODE", 'N', 7}, {"DISTANCE", 'N', 7, 2}, {"NAME", 'C', 10}});
//   table.add({101, 12.34, "MAIN ST"});
//   table.add_raw({"    102", "12.3.4", "BAD"});   // field texts as stored
//   std::string bytes = table.bytes();
//
// Everything a reader must survive can be asked for: any version byte and
// date, an announced record count that differs from the real one, a header or
// record length that disagrees with the descriptors, a missing end-of-file
// byte, a trailing partial record (append_bytes) or a file cut short.

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvo::fixtures {

struct DbfFieldDef {
  std::string name;  // up to 11 bytes; stored NUL-padded
  char type = 'N';   // N, F, C, L or any other byte
  int length = 10;   // 0..255
  int decimals = 0;  // stored for every type, as some writers do
};

// One value of a record: a number (written right-justified with the field's
// decimals), a text (left-justified; right-justified in N and F fields), a
// logical (T or F) or blank.
class DbfValue {
 public:
  enum class Kind { kBlank, kInteger, kReal, kText, kLogical };

  DbfValue() = default;
  DbfValue(int v) : kind_(Kind::kInteger), integer_(v) {}               // NOLINT
  DbfValue(long v) : kind_(Kind::kInteger), integer_(v) {}              // NOLINT
  DbfValue(long long v) : kind_(Kind::kInteger), integer_(v) {}         // NOLINT
  DbfValue(double v) : kind_(Kind::kReal), real_(v) {}                  // NOLINT
  DbfValue(const char* v) : kind_(Kind::kText), text_(v) {}             // NOLINT
  DbfValue(std::string v) : kind_(Kind::kText), text_(std::move(v)) {}  // NOLINT
  DbfValue(std::string_view v) : kind_(Kind::kText), text_(v) {}        // NOLINT
  DbfValue(bool v) : kind_(Kind::kLogical), integer_(v ? 1 : 0) {}      // NOLINT
  static DbfValue blank() { return {}; }

  Kind kind() const { return kind_; }
  long long integer() const { return integer_; }
  double real() const { return real_; }
  const std::string& text() const { return text_; }

 private:
  Kind kind_ = Kind::kBlank;
  long long integer_ = 0;
  double real_ = 0;
  std::string text_;
};

struct DbfOptions {
  std::uint8_t version = 3;  // dBASE III without memo
  std::uint8_t year = 126;   // years since 1900: 2026
  std::uint8_t month = 7;
  std::uint8_t day = 4;
  // The record count written into the header; by default the real count.
  std::optional<std::uint32_t> announced_records = std::nullopt;
  // Header and record lengths written into the header; by default the
  // standard values (32 + 32 per field + 1, and 1 + the field lengths). A
  // header length above the standard one pads the header with NUL bytes; a
  // smaller one cuts the descriptors short.
  std::optional<std::uint16_t> header_length = std::nullopt;
  std::optional<std::uint16_t> record_length = std::nullopt;
  bool end_of_file_byte = true;  // byte 26 after the last record
};

// The 20 link keyword fields with widths that hold any ordinary network, in
// keyword order: ANODE N(7), BNODE N(7), DISTANCE N(6), DIR N(2), ATYPE N(3),
// FTYPE N(3), LANES N(3), TIME N(6), CAPACITY N(7), COUNT N(7),
// SCREENLINE N(3), ZONE N(5), USE N(3), LOCATION N(5), LANDUSE N(3),
// CONSTRUCT N(3), CONG_TIME N(6), MODELVOL N(8), COST N(5), TWFLAG N(1).
// DISTANCE is in hundredths of a mile and the times in hundredths of a
// minute, so no scale factor is needed.
std::vector<DbfFieldDef> link_table_fields();

// The bytes of one field value as it is stored; throws std::invalid_argument
// when the value does not fit the field (ask for raw texts to store
// asterisks or other broken values).
std::string format_dbf_value(const DbfFieldDef& field, const DbfValue& value);

// The header (with its descriptors and terminator) of a table.
std::string dbf_header(const std::vector<DbfFieldDef>& fields, const DbfOptions& options, std::uint32_t record_count);

// One record: the deletion flag (blank, or "*" when deleted) and the fields.
// A record length option pads the record with blanks or cuts it.
std::string dbf_record(const std::vector<DbfFieldDef>& fields, const DbfOptions& options,
                       const std::vector<DbfValue>& values, bool deleted = false);
// Field texts as stored, each padded with blanks or cut to its field.
std::string dbf_raw_record(const std::vector<DbfFieldDef>& fields, const DbfOptions& options,
                           const std::vector<std::string>& texts, bool deleted = false);

// A whole table in memory.
class DbfTable {
 public:
  explicit DbfTable(std::vector<DbfFieldDef> fields, DbfOptions options = {});

  DbfTable& add(const std::vector<DbfValue>& values, bool deleted = false);
  DbfTable& add_raw(const std::vector<std::string>& texts, bool deleted = false);
  // Bytes behind the last record, before the end-of-file byte: a partial
  // record, say.
  DbfTable& append_bytes(std::string_view bytes);

  DbfOptions& options() { return options_; }
  const std::vector<DbfFieldDef>& fields() const { return fields_; }
  std::uint32_t record_count() const { return count_; }

  std::string bytes() const;
  void write_file(const std::filesystem::path& path) const;

 private:
  std::vector<DbfFieldDef> fields_;
  DbfOptions options_;
  std::string records_;
  std::string trailer_;
  std::uint32_t count_ = 0;
};

// One record built in place, field after field in the order of the
// descriptors, without a DbfValue or a string per field: for tables of
// millions of records.
//
//   DbfRecordBuilder r({{"A", 'N', 7}, {"LENGTH", 'N', 6, 2}, {"ONEWAY", 'C', 1}});
//   r.start().integer(101).scaled(1234).text("F");   // "    101 12.34F"
//
// Each value is stored as format_dbf_value stores it, and a value that does
// not fit its field throws std::invalid_argument.
class DbfRecordBuilder {
 public:
  explicit DbfRecordBuilder(const std::vector<DbfFieldDef>& fields);

  // Blanks the record and goes back to its first field.
  DbfRecordBuilder& start(bool deleted = false);
  // The next field: a whole number (3 in N(7,2) is "   3.00").
  DbfRecordBuilder& integer(std::int64_t value) { return number(value, 0); }
  // The next field: a number in units of the field's last decimal, so 1234
  // in N(6,2) is " 12.34" and 5 is "  0.05"; in a field without decimals
  // the same as integer().
  DbfRecordBuilder& scaled(std::int64_t value) { return number(value, next_slot().decimals); }
  // The next field: a text, left-justified (right-justified in N and F fields).
  DbfRecordBuilder& text(std::string_view value);

  // The deletion flag and every field; throws std::logic_error until every
  // field has its value.
  std::string_view bytes() const;

 private:
  // Where a field's value goes in the record, and how.
  struct Slot {
    std::size_t offset = 0;
    std::size_t width = 0;
    int decimals = 0;      // 0 for a field that is not numeric
    int whole_digits = 0;  // room for the sign and the digits before the point
    bool numeric = false;
  };

  const Slot& next_slot() const {
    if (next_ >= slots_.size()) more_values_than_fields();
    return slots_[next_];
  }
  [[noreturn]] static void more_values_than_fields();
  // A number with implied_decimals of its digits after the point. Inline:
  // a table of millions of records calls it for every field.
  DbfRecordBuilder& number(std::int64_t value, int implied_decimals);
  // Left-justified in a field that is not numeric; throws for a number that
  // does not fit its numeric field.
  DbfRecordBuilder& number_otherwise(std::int64_t value, int implied_decimals);
  void place(const char* first, std::size_t size, bool right);

  std::vector<DbfFieldDef> fields_;
  std::vector<Slot> slots_;
  std::string record_;
  std::size_t next_ = 0;  // the field the next value goes to
};

// A numeric field takes the digits straight into the record, right-justified,
// once the whole part is known to fit: with w digits of room (less one for a
// minus sign) a value of i implied decimals fits when it is below 10^(w + i).
inline DbfRecordBuilder& DbfRecordBuilder::number(std::int64_t value, int implied_decimals) {
  static constexpr auto kPowersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};  // 10^0 .. 10^19
    std::uint64_t p = 1;
    for (std::uint64_t& power : powers) {
      power = p;
      p *= 10;
    }
    return powers;
  }();
  const Slot& slot = next_slot();
  const bool negative = value < 0;
  std::uint64_t u = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  const int whole = slot.whole_digits - (negative ? 1 : 0);
  const int room = whole + implied_decimals;
  if (!slot.numeric || whole < 1 || (room < 20 && u >= kPowersOfTen[static_cast<std::size_t>(room)])) {
    return number_otherwise(value, implied_decimals);
  }
  char* p = record_.data() + slot.offset + slot.width;
  for (int k = implied_decimals; k < slot.decimals; ++k) *--p = '0';
  for (int k = 0; k < implied_decimals; ++k) {
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
  }
  if (slot.decimals > 0) *--p = '.';
  do {
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u != 0);
  if (negative) *--p = '-';
  ++next_;
  return *this;
}

// A table written to a file one record at a time, for files too big to
// build in memory. close() writes the end-of-file byte and, unless the
// options announce a count, puts the real record count into the header.
class DbfFileWriter {
 public:
  DbfFileWriter(const std::filesystem::path& path, std::vector<DbfFieldDef> fields, DbfOptions options = {});
  ~DbfFileWriter();
  DbfFileWriter(const DbfFileWriter&) = delete;
  DbfFileWriter& operator=(const DbfFileWriter&) = delete;

  void add(const std::vector<DbfValue>& values, bool deleted = false);
  void add_raw(const std::vector<std::string>& texts, bool deleted = false);
  // A record built for this table's fields (sized to the options' record
  // length, if they give one).
  void add(const DbfRecordBuilder& record);
  const std::vector<DbfFieldDef>& fields() const { return fields_; }
  std::uint32_t record_count() const { return count_; }
  void close();

 private:
  void put(std::string_view bytes);

  std::filesystem::path path_;
  std::vector<DbfFieldDef> fields_;
  DbfOptions options_;
  std::size_t record_length_ = 0;  // of the records the fields make
  std::unique_ptr<char[]> buffer_;
  std::FILE* file_ = nullptr;
  std::uint32_t count_ = 0;
};

}  // namespace korvo::fixtures

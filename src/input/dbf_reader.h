#pragma once
// The dBASE link file: header, field descriptors, keyword resolution and
// record streaming into the link record.
//
// A dBASE III table is a 32-byte header, one 32-byte descriptor per field, a
// terminator byte, then fixed-length records of text fields; byte 1 of every
// record is the deletion flag. The header and every record pass through one
// buffer of kDbfBufferSize bytes, which caps the header and record lengths.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/byte_classes.h"
#include "common/byte_stream.h"
#include "common/enum_array.h"
#include "common/fixed_text.h"
#include "common/wide_fields.h"
#include "input/database_control.h"
#include "input/link_record.h"

namespace korvo {

// On-disk layout.
inline constexpr int kDbfHeaderSize = 32;      // fixed part of the header
inline constexpr int kDbfDescriptorSize = 32;  // one field descriptor
inline constexpr int kDbfNameSize = 11;        // field name, NUL-padded
inline constexpr int kDbfBufferSize = 4085;    // the record buffer
inline constexpr int kDbfFieldLimit = 200;     // entries of the field table

// The fixed part of the header. Multi-byte numbers are little-endian.
struct DbfHeader {
  std::uint8_t version = 0;  // byte 0: printed, not checked
  std::uint8_t year = 0;     // bytes 1-3: date of the last update
  std::uint8_t month = 0;
  std::uint8_t day = 0;
  std::uint32_t record_count = 0;  // bytes 4-7: printed; reading goes on to end of file
  std::int32_t header_length = 0;  // bytes 8-9
  std::int32_t record_length = 0;  // bytes 10-11
  std::int32_t field_count = 0;    // (header_length - 2) / 32
};

// How a field's text becomes a value, taken from its conversion layout.
enum class DbfConversion : std::uint8_t {
  kInteger,  // (Iw): N with 0 decimals
  kReal,     // (Fw.d): N with decimals, every F; scaled and rounded
  kText,     // (A): other types; C and the rest read as integers, L as 1 or 0
  kInvalid,  // a layout that cannot read anything, such as (I0)
};

struct DbfField {
  std::array<char, kDbfNameSize> name{};  // as stored, NUL padding included
  char type = '\0';
  int length = 0;        // 0..255
  int decimals = 0;      // N and F only; 0 for every other type
  int start = 0;         // first byte within the record (the deletion flag is byte 1)
  int end = 0;           // last byte within the record
  FixedText<10> format;  // "(I5)", "(F10.2)", "(A)"
  // The layout's data descriptor: its kind, width (0 for "(A)": the whole
  // field) and decimals.
  DbfConversion conversion = DbfConversion::kInvalid;
  int format_width = 0;
  int format_decimals = 0;

  std::string_view stored_name() const { return {name.data(), name.size()}; }
  // The name without its NUL padding, for messages.
  std::string display_name() const;
};

struct DbfFieldTable {
  int count = 0;
  std::array<DbfField, kDbfFieldLimit + 1> fields{};  // entries 1..count

  DbfField& operator[](int k) { return fields[static_cast<std::size_t>(k)]; }
  const DbfField& operator[](int k) const { return fields[static_cast<std::size_t>(k)]; }
};

// The 20 keyword values of one record as converted (slots 1..20), before
// they are stored into the link record.
using DbfRecordValues = EnumArray<LinkKeyword, std::int32_t, kLinkKeywordCount + 1>;

// Which keywords have a field in the file, the part of the plan that
// storing a record's values needs.
struct DbfKeywordsPresent {
  bool all = false;                                // every keyword has its field
  std::array<bool, kLinkKeywordCount + 1> slot{};  // slots 1..20
};

// How one keyword slot is read from each record, fixed at prepare time.
struct DbfSlotPlan {
  int field = 0;   // entry of the field table; 0 when the keyword is missing
  int offset = 0;  // 0-based offset of the field within the record
  int width = 0;
  DbfConversion conversion = DbfConversion::kInvalid;
  bool logical = false;  // an L field: T, t, Y or y read as 1
  int decimals = 0;
  double scale = 1.0;
  int scale_power = -1;  // k when the scale is 10^k (k = 0..9), else -1
  // Fields of at most 8 bytes first try the eight-byte conversions.
  enum class Fast : std::uint8_t { kNone, kInteger, kReal } fast = Fast::kNone;
};

// How a whole record is converted at once, fixed at prepare time. It covers
// a file whose keyword fields are all numbers of 1 to 8 bytes (the usual
// link table) within the first kByteClassLimit bytes of the record: the
// record's blanks and digits are marked in one pass, every integer field is
// checked against the marks with a few word operations and converted without
// a check of its own, and the real fields take the eight-byte conversion.
// A record that holds anything else (a sign, an inner blank, a letter, a
// real field the eight-byte conversion declines) goes field by field, as a
// file the plan does not cover does; both give the same link.
struct DbfRecordPlan {
  bool usable = false;
  std::size_t scan_bytes = 0;  // bytes from the record's start that hold the fields
  // The bytes of the integer fields, and those of them that are not the
  // first byte of their field.
  std::array<std::uint64_t, kByteClassWords> integer_bytes{};
  std::array<std::uint64_t, kByteClassWords> integer_inner_bytes{};
  // The integer fields: slot, the offset one past the field's end, and the
  // mask that keeps the field's bytes of the 8 bytes ending there.
  struct IntegerField {
    std::uint8_t slot = 0;
    std::uint16_t end = 0;
    std::uint64_t keep = 0;
  };
  int integer_count = 0;
  std::array<IntegerField, kLinkKeywordCount> integer_fields{};
  // The slots of the real fields that take the eight-byte conversion.
  int real_count = 0;
  std::array<std::uint8_t, kLinkKeywordCount> real_slots{};
  // The real fields that are read as two integer fields when the record has
  // their point where their decimals put it (LENGTH N6.2 as "  1.14") and
  // the scale is 10^k with k at least the decimals d: the whole part before
  // the point and the d digits after it convert as a pair, and the value is
  // whole x 10^k + fraction x 10^(k - d), what the eight-byte conversion
  // gives for them. A record that has them written otherwise sends them to
  // the eight-byte conversion.
  struct PointedReal {
    std::uint8_t slot = 0;
    std::uint16_t point = 0;       // offset of the point byte
    std::uint64_t whole_keep = 0;  // of the 8 bytes that end at the point
    std::uint16_t end = 0;         // one past the field's last byte
    std::uint64_t fraction_keep = 0;
    std::uint64_t whole_factor = 1;     // 10^k
    std::uint64_t fraction_factor = 1;  // 10^(k - d)
  };
  int pointed_count = 0;
  std::array<PointedReal, kLinkKeywordCount> pointed{};
  // Their whole parts (blanks, then digits, as an integer field), the whole
  // parts' bytes after the first, and their fractions (digits only).
  std::array<std::uint64_t, kByteClassWords> pointed_whole_bytes{};
  std::array<std::uint64_t, kByteClassWords> pointed_whole_inner_bytes{};
  std::array<std::uint64_t, kByteClassWords> pointed_fraction_bytes{};
  // The marks, the integer fields' values and the pointed real fields' two
  // parts taken in 64-byte registers (common/wide_fields.h), where the
  // processor has them and the fields lie within the record's first
  // wide::kBytes bytes. Field k of the gather is slot k + 1 (a slot without
  // an integer field reads 0 there); then come the whole part and the
  // fraction of the first kWidePointed pointed reals, the others take the
  // eight-byte conversion. A test clears wide to take all of them as
  // elsewhere. wide_conversion is wide::mark_and_convert's choice of
  // registers, made once for the file rather than once a record.
  static constexpr int kWidePointed = (wide::kFields - kLinkKeywordCount) / 2;
  // The gather's field of pointed real k's whole part; its fraction's is
  // the next one.
  static constexpr std::size_t wide_pointed_field(int k) { return kLinkKeywordCount + 2 * static_cast<std::size_t>(k); }
  bool wide = false;
  wide::Conversion wide_conversion = nullptr;
  wide::FieldGather gather;
};

// Receives the header listing's contents in the order the reader decodes
// them: the fixed part of the header (before its limits are checked), each
// field descriptor, and each link keyword that has no field. A listing of the
// report implements it; a stop in the middle of the header leaves what was
// listed so far.
class DbfListing {
 public:
  virtual void header(const DbfHeader& header) = 0;
  virtual void field(int number, const DbfField& field) = 0;
  virtual void keyword_missing(const FixedText<11>& name) = 0;

 protected:
  ~DbfListing() = default;
};

// The dBASE link file's state for the run. The program driver opens the
// stream, reads the header, prepares the fields and then reads one record
// per link. It lies on cache lines of its own: a read-ahead thread
// (input/dbf_read_ahead.h) updates its stream and counters with every
// record while the loop writes what may lie around it.
struct alignas(64) DbfLinkSource {
  ByteStream stream;  // opened by the program driver, positioned at byte 0
  LinkFieldMap map;
  int missing_field_count = 0;  // never reset during a run
  DbfHeader header;
  DbfFieldTable fields;
  std::array<DbfSlotPlan, kLinkKeywordCount + 1> plan{};  // slots 1..20
  std::uint64_t records_read = 0;
  std::uint64_t records_at_once = 0;  // of them, those the record plan converted
  DbfKeywordsPresent present;
  // Set by prepare_link_fields; a test clears usable to read field by field.
  DbfRecordPlan record_plan;
  // The current record, behind 8 bytes of room so that a field of up to 8
  // bytes can be loaded as one 64-bit word ending at the field's end.
  std::array<char, 8 + kDbfBufferSize> record_copy{};
};

// Reads the header and the field descriptors from a stream at byte 0 and
// leaves the stream at the first record. When listing is not null, hands it
// the header and each descriptor as they are decoded. Throws FileError when
// the header cannot be used (too short or too long, a record length of 0 or
// beyond the buffer, the file ending inside the header).
void read_dbf_header(ByteStream& stream, DbfHeader& header, DbfFieldTable& table, DbfListing* listing);

// Fills start and end of every field. Throws FileError for a field that
// runs past the record length.
void place_dbf_fields(const std::string& file, const DbfHeader& header, DbfFieldTable& table);

// The field whose stored name equals name with its blanks taken as NUL bytes
// (the first such field), or 0.
int find_dbf_field(const DbfFieldTable& table, const FixedText<11>& name);

// Builds a field's conversion layout text and reads its kind, width and
// decimals back through the layout parser.
void build_field_format(DbfField& field);

// The version label of the header listing: "dBASEIII" for a version byte
// whose low three bits are 3, and so on.
std::string_view dbf_version_label(std::uint8_t version);

// Reads the header and field descriptors of the link file; when listing is
// not null, hands them to it.
void read_link_file_header(DbfLinkSource& source, DbfListing* listing);

// Fills the record positions and conversion layouts of every field, then
// resolves the 20 keywords, handing each one without a field to listing.
void prepare_link_fields(DbfLinkSource& source, DbfListing* listing);

// A real field's value x times its scale, rounded half up as
// trunc(x * scale + 0.5) rounds, into out; false (out unchanged) when that
// lies outside 32 bits.
bool scaled_value(double x, double scale, std::int32_t& out);

// A real field of 1..8 bytes ending at field_end, times the slot's scale:
// fast_real_field, then scaled_value, with their result (false where either
// declines). A field with at most k decimals under a scale of 10^k (miles
// with two decimals as hundredths, say) is a whole number after scaling and
// is formed in integers.
bool fast_scaled_field(const char* field_end, const DbfSlotPlan& plan, std::int32_t& out);

// Reads the next record into link, or returns kEndOfLinks. Throws
// FileError for a field text that cannot be converted; the link is then
// left as it was. It is the two steps below in one.
LinkStatus read_next_dbf_link(DbfLinkSource& source, LinkRecord& link);

// Converts the next record's keyword fields into values, or returns
// kEndOfLinks. Throws FileError for a field text that cannot be converted.
// Touches the source's stream, counters and record copy only, so that it
// may run on another thread than store_dbf_values.
LinkStatus convert_next_dbf_record(DbfLinkSource& source, DbfRecordValues& values);

// Stores the values of one converted record into link: the keywords that
// have a field; the others keep what the link holds.
void store_dbf_values(const DbfKeywordsPresent& present, const DbfRecordValues& values, LinkRecord& link);

}  // namespace korvo

#include "dbf_writer.h"

#include <cstring>
#include <stdexcept>

namespace korvo::fixtures {
namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kDescriptorSize = 32;
constexpr char kTerminator = 0x0D;
constexpr char kEndOfFile = 0x1A;

void put_le16(std::string& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void put_le32(std::string& out, std::size_t at, std::uint32_t v) {
  put_le16(out, at, v & 0xFFFF);
  put_le16(out, at + 2, v >> 16);
}

bool is_numeric(char type) { return type == 'N' || type == 'F'; }

std::size_t standard_record_length(const std::vector<DbfFieldDef>& fields) {
  std::size_t n = 1;
  for (const auto& f : fields) n += static_cast<std::size_t>(f.length);
  return n;
}

[[noreturn]] void throw_does_not_fit(const DbfFieldDef& field, std::string_view text) {
  throw std::invalid_argument("dBASE fixture: \"" + std::string(text) + "\" does not fit field " + field.name +
                              " of length " + std::to_string(field.length));
}

std::string fit(const DbfFieldDef& field, const std::string& text, bool right) {
  const std::size_t w = static_cast<std::size_t>(field.length);
  if (text.size() > w) throw_does_not_fit(field, text);
  const std::string pad(w - text.size(), ' ');
  return right ? pad + text : text + pad;
}

std::string number_text(double v, int decimals) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// Pads with blanks or cuts a record to the record length the options ask for.
std::string sized_record(const DbfOptions& options, std::string record) {
  if (options.record_length) record.resize(*options.record_length, ' ');
  return record;
}

}  // namespace

std::vector<DbfFieldDef> link_table_fields() {
  return {{"ANODE", 'N', 7},     {"BNODE", 'N', 7},    {"DISTANCE", 'N', 6},   {"DIR", 'N', 2},
          {"ATYPE", 'N', 3},     {"FTYPE", 'N', 3},    {"LANES", 'N', 3},      {"TIME", 'N', 6},
          {"CAPACITY", 'N', 7},  {"COUNT", 'N', 7},    {"SCREENLINE", 'N', 3}, {"ZONE", 'N', 5},
          {"USE", 'N', 3},       {"LOCATION", 'N', 5}, {"LANDUSE", 'N', 3},    {"CONSTRUCT", 'N', 3},
          {"CONG_TIME", 'N', 6}, {"MODELVOL", 'N', 8}, {"COST", 'N', 5},       {"TWFLAG", 'N', 1}};
}

std::string format_dbf_value(const DbfFieldDef& field, const DbfValue& value) {
  const bool numeric = is_numeric(field.type);
  switch (value.kind()) {
    case DbfValue::Kind::kBlank: return std::string(static_cast<std::size_t>(field.length), ' ');
    case DbfValue::Kind::kInteger:
      if (numeric && field.decimals > 0) {
        return fit(field, number_text(static_cast<double>(value.integer()), field.decimals), true);
      }
      return fit(field, std::to_string(value.integer()), numeric);
    case DbfValue::Kind::kReal:
      if (!numeric) throw std::invalid_argument("dBASE fixture: a real value for field " + field.name);
      return fit(field, number_text(value.real(), field.decimals), true);
    case DbfValue::Kind::kText: return fit(field, value.text(), numeric);
    case DbfValue::Kind::kLogical: return fit(field, value.integer() ? "T" : "F", false);
  }
  return {};
}

std::string dbf_header(const std::vector<DbfFieldDef>& fields, const DbfOptions& options, std::uint32_t record_count) {
  const std::size_t standard_length = kHeaderSize + kDescriptorSize * fields.size() + 1;
  std::string out(standard_length, '\0');
  out[0] = static_cast<char>(options.version);
  out[1] = static_cast<char>(options.year);
  out[2] = static_cast<char>(options.month);
  out[3] = static_cast<char>(options.day);
  put_le32(out, 4, options.announced_records.value_or(record_count));
  const std::size_t header_length = options.header_length.value_or(static_cast<std::uint16_t>(standard_length));
  put_le16(out, 8, static_cast<std::uint32_t>(header_length));
  put_le16(out, 10,
           static_cast<std::uint32_t>(
               options.record_length.value_or(static_cast<std::uint16_t>(standard_record_length(fields)))));
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const DbfFieldDef& f = fields[k];
    if (f.name.size() > 11) throw std::invalid_argument("dBASE fixture: field name longer than 11: " + f.name);
    if (f.length < 0 || f.length > 255 || f.decimals < 0 || f.decimals > 255) {
      throw std::invalid_argument("dBASE fixture: field length or decimals outside 0-255: " + f.name);
    }
    const std::size_t at = kHeaderSize + kDescriptorSize * k;
    out.replace(at, f.name.size(), f.name);
    out[at + 11] = f.type;
    out[at + 16] = static_cast<char>(f.length);
    out[at + 17] = static_cast<char>(f.decimals);
  }
  out[standard_length - 1] = kTerminator;
  out.resize(header_length, '\0');
  return out;
}

std::string dbf_record(const std::vector<DbfFieldDef>& fields, const DbfOptions& options,
                       const std::vector<DbfValue>& values, bool deleted) {
  if (values.size() != fields.size()) throw std::invalid_argument("dBASE fixture: one value per field expected");
  std::string record(1, deleted ? '*' : ' ');
  for (std::size_t k = 0; k < fields.size(); ++k) record += format_dbf_value(fields[k], values[k]);
  return sized_record(options, std::move(record));
}

std::string dbf_raw_record(const std::vector<DbfFieldDef>& fields, const DbfOptions& options,
                           const std::vector<std::string>& texts, bool deleted) {
  if (texts.size() != fields.size()) throw std::invalid_argument("dBASE fixture: one text per field expected");
  std::string record(1, deleted ? '*' : ' ');
  for (std::size_t k = 0; k < fields.size(); ++k) {
    std::string text = texts[k];
    text.resize(static_cast<std::size_t>(fields[k].length), ' ');
    record += text;
  }
  return sized_record(options, std::move(record));
}

DbfTable::DbfTable(std::vector<DbfFieldDef> fields, DbfOptions options)
    : fields_(std::move(fields)), options_(options) {}

DbfTable& DbfTable::add(const std::vector<DbfValue>& values, bool deleted) {
  records_ += dbf_record(fields_, options_, values, deleted);
  ++count_;
  return *this;
}

DbfTable& DbfTable::add_raw(const std::vector<std::string>& texts, bool deleted) {
  records_ += dbf_raw_record(fields_, options_, texts, deleted);
  ++count_;
  return *this;
}

DbfTable& DbfTable::append_bytes(std::string_view bytes) {
  trailer_ += bytes;
  return *this;
}

std::string DbfTable::bytes() const {
  std::string out = dbf_header(fields_, options_, count_);
  out += records_;
  out += trailer_;
  if (options_.end_of_file_byte) out += kEndOfFile;
  return out;
}

void DbfTable::write_file(const std::filesystem::path& path) const {
  const std::string b = bytes();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("dBASE fixture: cannot create " + path.string());
  const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("dBASE fixture: cannot write " + path.string());
}

DbfRecordBuilder::DbfRecordBuilder(const std::vector<DbfFieldDef>& fields) : fields_(fields) {
  std::size_t at = 1;  // after the deletion flag
  for (const DbfFieldDef& f : fields_) {
    Slot slot;
    slot.offset = at;
    slot.width = static_cast<std::size_t>(f.length);
    slot.numeric = is_numeric(f.type);
    slot.decimals = slot.numeric ? f.decimals : 0;
    slot.whole_digits = f.length - (slot.decimals > 0 ? slot.decimals + 1 : 0);
    slots_.push_back(slot);
    at += slot.width;
  }
  record_.assign(at, ' ');
}

DbfRecordBuilder& DbfRecordBuilder::start(bool deleted) {
  std::memset(record_.data(), ' ', record_.size());
  if (deleted) record_[0] = '*';
  next_ = 0;
  return *this;
}

void DbfRecordBuilder::more_values_than_fields() { throw std::logic_error("dBASE fixture: more values than fields"); }

DbfRecordBuilder& DbfRecordBuilder::text(std::string_view value) {
  place(value.data(), value.size(), next_slot().numeric);
  return *this;
}

DbfRecordBuilder& DbfRecordBuilder::number_otherwise(std::int64_t value, int implied_decimals) {
  const Slot& slot = next_slot();
  const int decimals = slot.decimals;
  // The text from the right: the decimals the value does not carry as
  // zeros, the ones it carries, the point, the whole part, the sign.
  char digits[300];  // up to 255 decimals, the point, the 20 digits of any value and a sign
  char* const end = digits + sizeof digits;
  char* p = end;
  const bool negative = value < 0;
  std::uint64_t u = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  for (int k = implied_decimals; k < decimals; ++k) *--p = '0';
  for (int k = 0; k < implied_decimals; ++k) {
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
  }
  if (decimals > 0) *--p = '.';
  do {
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u != 0);
  if (negative) *--p = '-';
  place(p, static_cast<std::size_t>(end - p), slot.numeric);
  return *this;
}

void DbfRecordBuilder::place(const char* first, std::size_t size, bool right) {
  const Slot& slot = next_slot();
  if (size > slot.width) throw_does_not_fit(fields_[next_], std::string_view(first, size));
  if (size > 0) std::memcpy(&record_[slot.offset + (right ? slot.width - size : 0)], first, size);
  ++next_;
}

std::string_view DbfRecordBuilder::bytes() const {
  if (next_ != fields_.size()) throw std::logic_error("dBASE fixture: a record without a value for every field");
  return record_;
}

DbfFileWriter::DbfFileWriter(const std::filesystem::path& path, std::vector<DbfFieldDef> fields, DbfOptions options)
    : path_(path), fields_(std::move(fields)), options_(options), record_length_(standard_record_length(fields_)) {
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) throw std::runtime_error("dBASE fixture: cannot create " + path.string());
  // Large writes: a table of ten million records is close to a gigabyte.
  constexpr std::size_t kBufferSize = std::size_t{1} << 20;
  buffer_ = std::make_unique<char[]>(kBufferSize);
  std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
  put(dbf_header(fields_, options_, 0));
}

DbfFileWriter::~DbfFileWriter() {
  try {
    close();
  } catch (...) {
    // A destructor must not throw; close() explicitly to see the error.
  }
}

void DbfFileWriter::put(std::string_view bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    throw std::runtime_error("dBASE fixture: cannot write " + path_.string());
  }
}

void DbfFileWriter::add(const std::vector<DbfValue>& values, bool deleted) {
  put(dbf_record(fields_, options_, values, deleted));
  ++count_;
}

void DbfFileWriter::add_raw(const std::vector<std::string>& texts, bool deleted) {
  put(dbf_raw_record(fields_, options_, texts, deleted));
  ++count_;
}

void DbfFileWriter::add(const DbfRecordBuilder& record) {
  const std::string_view bytes = record.bytes();
  if (bytes.size() != record_length_) {
    throw std::invalid_argument("dBASE fixture: a record of " + std::to_string(bytes.size()) +
                                " bytes for a table of records of " + std::to_string(record_length_));
  }
  if (options_.record_length && *options_.record_length != record_length_) {
    put(sized_record(options_, std::string(bytes)));
  } else {
    put(bytes);
  }
  ++count_;
}

void DbfFileWriter::close() {
  if (file_ == nullptr) return;
  std::FILE* f = file_;
  file_ = nullptr;
  bool ok = true;
  if (options_.end_of_file_byte) ok = std::fputc(kEndOfFile, f) != EOF;
  if (!options_.announced_records) {
    std::string count(4, '\0');
    put_le32(count, 0, count_);
    ok = ok && std::fseek(f, 4, SEEK_SET) == 0 && std::fwrite(count.data(), 1, 4, f) == 4;
  }
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("dBASE fixture: cannot write " + path_.string());
}

}  // namespace korvo::fixtures

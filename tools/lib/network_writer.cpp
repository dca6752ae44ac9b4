#include "network_writer.h"

#include <charconv>
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <stdexcept>

namespace korvo::fixtures {
namespace {

std::uint32_t checked_bits(std::uint32_t value, int bits, const char* field) {
  if (bits < 32 && value >= (std::uint32_t{1} << bits)) {
    throw std::invalid_argument(std::string("link field ") + field + " = " + std::to_string(value) + " does not fit " +
                                std::to_string(bits) + " bits");
  }
  return value;
}

// Words of the description: decimal or 0x hexadecimal, signed or up to
// 32 bits unsigned, kept as their 32-bit pattern.
bool parse_number(std::string_view text, std::int64_t& out) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size() || value > 0xFFFFFFFFull) return false;
  out = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
  return true;
}

class DescriptionLine {
 public:
  DescriptionLine(std::string_view text, int number) : rest_(text), number_(number) {}

  [[noreturn]] void fail(const std::string& problem) const {
    throw std::runtime_error("description line " + std::to_string(number_) + ": " + problem);
  }
  // The next blank-separated token; empty at the end of the line.
  std::string_view token() {
    const std::size_t start = rest_.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
      rest_ = {};
      return {};
    }
    rest_.remove_prefix(start);
    const std::size_t end = rest_.find_first_of(" \t");
    const std::string_view t = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end);
    return t;
  }
  // What follows the one blank behind the last token.
  std::string_view remainder() const { return rest_.empty() ? rest_ : rest_.substr(1); }
  std::int64_t number(std::string_view t, std::int64_t low, std::int64_t high) const {
    std::int64_t v = 0;
    if (!parse_number(t, v)) fail("expected a number, found \"" + std::string(t) + "\"");
    if (v < low || v > high) {
      fail("value " + std::string(t) + " is outside " + std::to_string(low) + " to " + std::to_string(high));
    }
    return v;
  }
  std::int64_t next_number(std::int64_t low, std::int64_t high) {
    const std::string_view t = token();
    if (t.empty()) fail("a number is missing");
    return number(t, low, high);
  }
  std::int32_t word(std::string_view t) const {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(number(t, INT32_MIN, UINT32_MAX)));
  }
  std::vector<std::int32_t> remaining_words() {
    std::vector<std::int32_t> words;
    for (std::string_view t = token(); !t.empty(); t = token()) words.push_back(word(t));
    return words;
  }
  std::vector<std::int32_t> word_list(std::string_view list) const {
    std::vector<std::int32_t> words;
    while (!list.empty()) {
      const std::size_t comma = list.find(',');
      words.push_back(word(list.substr(0, comma)));
      list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
    }
    return words;
  }

 private:
  std::string_view rest_;
  int number_;
};

// Reads a description line by line, skipping blanks and comments.
template <typename Handle>
void for_each_line(std::istream& in, Handle handle) {
  std::string text;
  int number = 0;
  while (std::getline(in, text)) {
    ++number;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const std::size_t hash = text.find('#');
    // A "#" inside header text is text, so only lines that start with one
    // (after blanks) are comments.
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || first == hash) continue;
    DescriptionLine line(text, number);
    handle(line);
  }
}

void set_link_key(DescriptionLine& line, LinkEntry& link, std::string_view key, std::string_view value) {
  struct Field {
    std::string_view key;
    std::uint32_t LinkEntry::*member;
  };
  static constexpr Field kFields[] = {
      {"dir", &LinkEntry::direction}, {"cap", &LinkEntry::capacity},     {"time", &LinkEntry::time},
      {"count", &LinkEntry::count},   {"time2", &LinkEntry::time2},      {"ft", &LinkEntry::facility_type},
      {"sl", &LinkEntry::screenline}, {"lanes", &LinkEntry::lanes},      {"dist", &LinkEntry::distance},
      {"at", &LinkEntry::area_type},  {"group", &LinkEntry::link_group}, {"cost", &LinkEntry::cost},
  };
  if (key == "times") {
    link.period_times = line.word_list(value);
    return;
  }
  if (key == "vol") {
    link.volumes = line.word_list(value);
    return;
  }
  if (key == "twoway") {
    link.two_way = line.number(value, 0, 1) != 0;
    return;
  }
  for (const Field& f : kFields) {
    if (f.key != key) continue;
    link.*(f.member) = static_cast<std::uint32_t>(line.number(value, 0, UINT32_MAX));
    return;
  }
  line.fail("unknown link key \"" + std::string(key) + "\"");
}

}  // namespace

void append_i16le(std::string& out, std::int16_t value) {
  const auto v = static_cast<std::uint16_t>(value);
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void append_i32le(std::string& out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void FortranRecordWriter::write(std::string_view body) {
  std::string marker;
  append_i32le(marker, static_cast<std::int32_t>(body.size()));
  out_->write(marker.data(), 4);
  out_->write(body.data(), static_cast<std::streamsize>(body.size()));
  out_->write(marker.data(), 4);
  if (!*out_) throw std::runtime_error("cannot write the record");
}

void FortranRecordWriter::write_raw(std::string_view bytes) {
  out_->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!*out_) throw std::runtime_error("cannot write the bytes");
}

void NetworkHeader::set_text(int position, std::string_view characters) {
  if (position < 1 || position - 1 + static_cast<int>(characters.size()) > kHeaderTextSize) {
    throw std::invalid_argument("header text at " + std::to_string(position) + " does not fit 880 characters");
  }
  text.replace(static_cast<std::size_t>(position - 1), characters.size(), characters);
}

void NetworkHeader::set_word(int n, std::int16_t value) {
  if (n < 1 || n > kHeaderWordCount)
    throw std::invalid_argument("header word " + std::to_string(n) + " is not 1 to 120");
  words[static_cast<std::size_t>(n)] = value;
}

std::string NetworkHeader::encode() const {
  std::string body = text;
  body.resize(kHeaderTextSize, ' ');
  for (int n = 1; n <= kHeaderWordCount; ++n) append_i16le(body, words[static_cast<std::size_t>(n)]);
  return body;
}

void encode_link_entry(const LinkEntry& link, const NetworkHeader& header, std::vector<std::int32_t>& words) {
  const int periods = header.periods();
  const int slots = header.slots();
  if (periods < 0 || slots < 0) throw std::invalid_argument("header words 33 and 34 must not be negative");
  if (link.period_times.size() > static_cast<std::size_t>(periods) ||
      link.volumes.size() > static_cast<std::size_t>(periods) * static_cast<std::size_t>(slots)) {
    throw std::invalid_argument("more period times or volumes than P and S give room for");
  }
  std::uint32_t nodes = 0;
  if (header.sixteen_bit_nodes()) {
    nodes = checked_bits(link.anode, 16, "anode") | (checked_bits(link.bnode, 16, "bnode") << 16);
  } else {
    if (link.direction < 1 || link.direction > 16) throw std::invalid_argument("direction must be 1 to 16");
    nodes = checked_bits(link.anode, 14, "anode") | (checked_bits(link.bnode, 14, "bnode") << 14) |
            ((link.direction - 1) << 28);
  }
  words.assign(static_cast<std::size_t>(header.stride()), 0);
  words[0] = static_cast<std::int32_t>(nodes);
  words[1] = static_cast<std::int32_t>((checked_bits(link.capacity, 20, "capacity") << 12) |
                                       checked_bits(link.time, 12, "time"));
  words[2] =
      static_cast<std::int32_t>((link.two_way ? 0x80000000u : 0u) | (checked_bits(link.count, 19, "count") << 12) |
                                checked_bits(link.time2, 12, "time2"));
  words[3] = static_cast<std::int32_t>((checked_bits(link.facility_type, 8, "facility_type") << 24) |
                                       (checked_bits(link.screenline, 8, "screenline") << 16) |
                                       (checked_bits(link.lanes, 4, "lanes") << 12) |
                                       checked_bits(link.distance, 12, "distance"));
  words[4] = static_cast<std::int32_t>((checked_bits(link.area_type, 8, "area_type") << 24) |
                                       (checked_bits(link.link_group, 12, "link_group") << 12) |
                                       checked_bits(link.cost, 12, "cost"));
  for (int p = 0; p < periods; ++p) {
    const std::size_t block = 5 + static_cast<std::size_t>(p) * static_cast<std::size_t>(slots + 1);
    if (static_cast<std::size_t>(p) < link.period_times.size())
      words[block] = link.period_times[static_cast<std::size_t>(p)];
    for (int s = 0; s < slots; ++s) {
      const std::size_t k = static_cast<std::size_t>(p) * static_cast<std::size_t>(slots) + static_cast<std::size_t>(s);
      if (k < link.volumes.size()) words[block + 1 + static_cast<std::size_t>(s)] = link.volumes[k];
    }
  }
}

std::int32_t record_tag(std::string_view four) {
  if (four.size() != 4) throw std::invalid_argument("a record tag has four characters");
  std::uint32_t tag = 0;
  for (char c : four) tag = (tag << 8) | static_cast<unsigned char>(c);
  return static_cast<std::int32_t>(tag);
}

LoadedNetworkWriter::LoadedNetworkWriter(std::ostream& out, const NetworkHeader& header, int entries_per_record)
    : records_(out), header_(header) {
  set_entries_per_record(entries_per_record);
  records_.write(header_.encode());
}

LoadedNetworkWriter::~LoadedNetworkWriter() {
  try {
    finish();
  } catch (const std::exception&) {
    // A writer destroyed during an exception has nothing better to report.
  }
}

void LoadedNetworkWriter::set_entries_per_record(int entries_per_record) {
  if (entries_per_record < 0) throw std::invalid_argument("entries per record must not be negative");
  end_link_record();
  entries_per_record_ = entries_per_record;
}

void LoadedNetworkWriter::add_link(const LinkEntry& link) {
  encode_link_entry(link, header_, entry_);
  add_entry_words(entry_);
}

void LoadedNetworkWriter::add_link_words(std::span<const std::int32_t> entry) { add_entry_words(entry); }

void LoadedNetworkWriter::add_entry_words(std::span<const std::int32_t> entry) {
  const bool full = entries_per_record_ > 0 ? pending_entries_ == entries_per_record_
                                            : pending_entries_ > 0 && pending_.size() + entry.size() >
                                                                          static_cast<std::size_t>(kRecordWordLimit);
  if (full) end_link_record();
  if (pending_.empty()) pending_.push_back(record_tag("LINK"));
  pending_.insert(pending_.end(), entry.begin(), entry.end());
  ++pending_entries_;
  ++links_;
}

void LoadedNetworkWriter::end_link_record() {
  if (pending_entries_ == 0) return;
  put_record(pending_);
  pending_.clear();
  pending_entries_ = 0;
}

void LoadedNetworkWriter::write_record(std::string_view tag, std::span<const std::int32_t> words) {
  end_link_record();
  entry_.assign(1, record_tag(tag));
  entry_.insert(entry_.end(), words.begin(), words.end());
  put_record(entry_);
}

void LoadedNetworkWriter::write_words(std::span<const std::int32_t> words) {
  end_link_record();
  put_record(words);
}

void LoadedNetworkWriter::finish() { end_link_record(); }

void LoadedNetworkWriter::put_record(std::span<const std::int32_t> words) {
  body_.clear();
  append_i32le(body_, static_cast<std::int32_t>(words.size()));
  for (std::int32_t w : words) append_i32le(body_, w);
  records_.write(body_);
}

std::uint32_t pack_aux_codes(std::uint32_t construct, std::uint32_t location) {
  if (construct > 0xFF || location > 0xFF) throw std::invalid_argument("construction and location codes are 8 bits");
  return (construct << 24) | (location << 8);
}

void AuxNetworkWriter::add(const AuxRecord& record) {
  for (std::int32_t node : {record.from_node, record.to_node}) {
    if (node < -32768 || node > 65535)
      throw std::invalid_argument("node " + std::to_string(node) + " does not fit 16 bits");
  }
  body_.clear();
  append_i16le(body_, static_cast<std::int16_t>(static_cast<std::uint16_t>(record.from_node)));
  append_i16le(body_, static_cast<std::int16_t>(static_cast<std::uint16_t>(record.to_node)));
  append_i16le(body_, record.unused);
  append_i32le(body_, static_cast<std::int32_t>(record.packed));
  records_.write(body_);
}

void write_network_description(std::istream& description, std::ostream& out) {
  NetworkHeader header;
  std::unique_ptr<LoadedNetworkWriter> writer;
  int entries_per_record = 0;
  LinkEntry link;
  auto started = [&]() -> LoadedNetworkWriter& {
    if (!writer) writer = std::make_unique<LoadedNetworkWriter>(out, header, entries_per_record);
    return *writer;
  };
  for_each_line(description, [&](DescriptionLine& line) {
    const std::string_view keyword = line.token();
    const bool header_line =
        keyword == "text" || keyword == "word" || keyword == "periods" || keyword == "slots" || keyword == "nodes";
    if (header_line && writer) line.fail("header lines must come before the first record");
    try {
      if (keyword == "text") {
        const auto position = static_cast<int>(line.next_number(1, kHeaderTextSize));
        header.set_text(position, line.remainder());
      } else if (keyword == "word") {
        const auto n = static_cast<int>(line.next_number(1, kHeaderWordCount));
        header.set_word(n, static_cast<std::int16_t>(static_cast<std::uint16_t>(line.next_number(-32768, 65535))));
      } else if (keyword == "periods") {
        header.set_word(33, static_cast<std::int16_t>(line.next_number(-32768, 32767)));
      } else if (keyword == "slots") {
        header.set_word(34, static_cast<std::int16_t>(line.next_number(-32768, 32767)));
      } else if (keyword == "nodes") {
        const std::int64_t bits = line.next_number(14, 16);
        if (bits != 14 && bits != 16) line.fail("nodes are 16 or 14 bits");
        header.set_word(59, bits == 16 ? 1 : 0);
      } else if (keyword == "perrecord") {
        entries_per_record = static_cast<int>(line.next_number(0, 1'000'000));
        if (writer) writer->set_entries_per_record(entries_per_record);
      } else if (keyword == "link") {
        link = LinkEntry{};
        link.anode = static_cast<std::uint32_t>(line.next_number(0, UINT32_MAX));
        link.bnode = static_cast<std::uint32_t>(line.next_number(0, UINT32_MAX));
        for (std::string_view t = line.token(); !t.empty(); t = line.token()) {
          const std::size_t eq = t.find('=');
          if (eq == std::string_view::npos) line.fail("expected KEY=VALUE, found \"" + std::string(t) + "\"");
          set_link_key(line, link, t.substr(0, eq), t.substr(eq + 1));
        }
        started().add_link(link);
      } else if (keyword == "entry") {
        started().add_link_words(line.remaining_words());
      } else if (keyword == "endrecord") {
        started().end_link_record();
      } else if (keyword == "node" || keyword == "turn") {
        started().write_record(keyword == "node" ? "NODE" : "TURN", line.remaining_words());
      } else if (keyword == "record") {
        const std::string_view tag = line.token();
        if (tag.size() != 4) line.fail("a record tag has four characters");
        started().write_record(tag, line.remaining_words());
      } else if (keyword == "words") {
        started().write_words(line.remaining_words());
      } else {
        line.fail("unknown keyword \"" + std::string(keyword) + "\"");
      }
    } catch (const std::invalid_argument& error) {
      line.fail(error.what());
    }
  });
  started().finish();
}

void write_aux_description(std::istream& description, std::ostream& out) {
  AuxNetworkWriter writer(out);
  for_each_line(description, [&](DescriptionLine& line) {
    const std::string_view keyword = line.token();
    if (keyword != "link") line.fail("unknown keyword \"" + std::string(keyword) + "\"");
    AuxRecord record;
    record.from_node = static_cast<std::int32_t>(line.next_number(-32768, 65535));
    record.to_node = static_cast<std::int32_t>(line.next_number(-32768, 65535));
    std::uint32_t construct = 0;
    std::uint32_t location = 0;
    bool packed_given = false;
    for (std::string_view t = line.token(); !t.empty(); t = line.token()) {
      const std::size_t eq = t.find('=');
      const std::string_view key = t.substr(0, eq);
      const std::string_view value = eq == std::string_view::npos ? std::string_view{} : t.substr(eq + 1);
      if (key == "cc") {
        construct = static_cast<std::uint32_t>(line.number(value, 0, 255));
      } else if (key == "loc") {
        location = static_cast<std::uint32_t>(line.number(value, 0, 255));
      } else if (key == "unused") {
        record.unused = static_cast<std::int16_t>(static_cast<std::uint16_t>(line.number(value, -32768, 65535)));
      } else if (key == "packed") {
        record.packed = static_cast<std::uint32_t>(line.word(value));
        packed_given = true;
      } else {
        line.fail("unknown auxiliary key \"" + std::string(t) + "\"");
      }
    }
    if (!packed_given) record.packed = pack_aux_codes(construct, location);
    writer.add(record);
  });
}

}  // namespace korvo::fixtures

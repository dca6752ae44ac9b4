#pragma once
// Writers of the suite's binary files, for the tests, the examples and the
// scenario generator:
//   - the binary loaded-network file: the header record (880 characters of
//     text and 120 16-bit words), then LINK, NODE and TURN records, each
//     N (32 bits) followed by N 32-bit words, the first word being the tag;
//   - the auxiliary network file: one record per link of from-node, to-node
//     and an unused value (16 bits each) and the packed codes (32 bits).
// Both in gfortran's sequential unformatted framing: every record between
// two 4-byte little-endian byte counts. The writers stream: they keep only
// the LINK record being filled, so millions of links cost no memory.
//
// The text descriptions read by write_network_description and
// write_aux_description (and by the korvo_netwrite program) are line based;
// "#" starts a comment, numbers are decimal or 0x hexadecimal.
//
// Network description. Header lines, before the first record line:
//   text POS CHARACTERS   header text from character POS (1-880): the rest of
//                         the line after the blank behind POS
//   word N VALUE          header word N (1-120); 65535 and -1 are the same bits
//   periods P             word 33;   slots S   word 34
//   nodes 16 | nodes 14   word 59 odd (16-bit nodes) or even (14-bit nodes)
// Record lines:
//   link A B [KEY=VALUE ...]   one link entry; keys dir cap time twoway count
//                              time2 ft sl lanes dist at group cost, and
//                              times=T1,T2,... (P period times) and
//                              vol=V,V,... (P x S volumes, period by period:
//                              V(1,1..S), V(2,1..S), ...); missing values are 0
//   entry W1 W2 ...            one link entry given as its words
//   endrecord                  ends the LINK record being filled
//   perrecord K                LINK records of K entries from here on (0: as
//                              many as fit in 490 words)
//   node W... | turn W...      a NODE or TURN record of these words after the tag
//   record TAG W...            a record with any four-character tag
//   words W...                 a record of exactly these words (N counts them)
//
// Auxiliary description, one line per record:
//   link FROM TO [cc=C] [loc=L] [unused=U] [packed=W]
// packed gives the whole code word; otherwise it is built from cc and loc.

#include <array>
#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvo::fixtures {

void append_i16le(std::string& out, std::int16_t value);
void append_i32le(std::string& out, std::int32_t value);

// Writes records in gfortran's sequential unformatted framing.
class FortranRecordWriter {
 public:
  explicit FortranRecordWriter(std::ostream& out) : out_(&out) {}
  void write(std::string_view body);
  // Bytes as they are, without markers: for files with broken framing.
  void write_raw(std::string_view bytes);

 private:
  std::ostream* out_;
};

inline constexpr int kHeaderTextSize = 880;
inline constexpr int kHeaderWordCount = 120;
inline constexpr int kRecordWordLimit = 490;  // the reader's buffer: words after N

struct NetworkHeader {
  std::string text = std::string(kHeaderTextSize, ' ');
  std::array<std::int16_t, kHeaderWordCount + 1> words{};  // words 1..120

  // Places characters at 1-based position; throws std::invalid_argument
  // when they do not fit the 880 characters.
  void set_text(int position, std::string_view characters);
  // Throws std::invalid_argument for n outside 1..120.
  void set_word(int n, std::int16_t value);
  std::int16_t word(int n) const { return words.at(static_cast<std::size_t>(n)); }

  int periods() const { return words[33]; }
  int slots() const { return words[34]; }
  bool sixteen_bit_nodes() const { return (words[59] & 1) != 0; }
  // (S + 1) x P + 5 words per link entry.
  int stride() const { return (slots() + 1) * periods() + 5; }
  // The header record's 1120 bytes.
  std::string encode() const;
};

// One link entry by its fields. Each field must fit its bits (nodes 16 or
// 14 bits, direction 1-16, capacity 20 bits, count 19 bits, times, distance,
// group and cost 12 bits, types and screenline 8 bits, lanes 4 bits).
struct LinkEntry {
  std::uint32_t anode = 0;
  std::uint32_t bnode = 0;
  std::uint32_t direction = 1;  // written with 14-bit nodes only
  std::uint32_t capacity = 0;
  std::uint32_t time = 0;
  bool two_way = false;
  std::uint32_t count = 0;
  std::uint32_t time2 = 0;
  std::uint32_t facility_type = 0;
  std::uint32_t screenline = 0;
  std::uint32_t lanes = 0;
  std::uint32_t distance = 0;
  std::uint32_t area_type = 0;
  std::uint32_t link_group = 0;
  std::uint32_t cost = 0;
  std::vector<std::int32_t> period_times;  // up to P values; only the low 16 bits are read
  std::vector<std::int32_t> volumes;       // up to P x S values, period by period
};

// The stride words of one entry for this header's P, S and node layout;
// throws std::invalid_argument when a field does not fit its bits.
void encode_link_entry(const LinkEntry& link, const NetworkHeader& header, std::vector<std::int32_t>& words);

// The tag word whose bytes, most significant first, spell the four characters.
std::int32_t record_tag(std::string_view four);

class LoadedNetworkWriter {
 public:
  // Writes the header record at once. entries_per_record 0 fills each LINK
  // record with as many entries as fit in 490 words (at least one); a
  // positive value puts exactly that many in each, whatever the size.
  LoadedNetworkWriter(std::ostream& out, const NetworkHeader& header, int entries_per_record = 0);
  ~LoadedNetworkWriter();
  LoadedNetworkWriter(const LoadedNetworkWriter&) = delete;
  LoadedNetworkWriter& operator=(const LoadedNetworkWriter&) = delete;

  void add_link(const LinkEntry& link);
  // One entry given as its words; any number of words.
  void add_link_words(std::span<const std::int32_t> entry);
  // Writes the LINK record being filled, if it holds an entry.
  void end_link_record();
  void set_entries_per_record(int entries_per_record);
  // A record of the tag and these words (N = 1 + words), after ending the
  // LINK record being filled.
  void write_record(std::string_view tag, std::span<const std::int32_t> words);
  // A record of exactly these words (N = their number).
  void write_words(std::span<const std::int32_t> words);
  // Ends the LINK record being filled; the stream is left to the caller.
  void finish();

  const NetworkHeader& header() const { return header_; }
  std::int64_t links_written() const { return links_; }

 private:
  void add_entry_words(std::span<const std::int32_t> entry);
  void put_record(std::span<const std::int32_t> words);

  FortranRecordWriter records_;
  NetworkHeader header_;
  int entries_per_record_ = 0;
  std::vector<std::int32_t> pending_;  // tag and entries of the LINK record being filled
  int pending_entries_ = 0;
  std::vector<std::int32_t> entry_;
  std::string body_;
  std::int64_t links_ = 0;
};

// Construction code in bits 24-31, location code in bits 8-15.
std::uint32_t pack_aux_codes(std::uint32_t construct, std::uint32_t location);

struct AuxRecord {
  std::int32_t from_node = 0;  // -32768..65535, written as 16 bits
  std::int32_t to_node = 0;
  std::int16_t unused = 0;
  std::uint32_t packed = 0;
};

class AuxNetworkWriter {
 public:
  explicit AuxNetworkWriter(std::ostream& out) : records_(out) {}
  // Throws std::invalid_argument for a node that does not fit 16 bits.
  void add(const AuxRecord& record);

 private:
  FortranRecordWriter records_;
  std::string body_;
};

// Write the files of a text description (see above); throw
// std::runtime_error naming the description's line.
void write_network_description(std::istream& description, std::ostream& out);
void write_aux_description(std::istream& description, std::ostream& out);

}  // namespace korvo::fixtures

#pragma once
// A survey of a dBASE link table before any run: its fields (names, types,
// lengths, decimals), the range of the numbers in the fields asked for, the
// facility-type and area-type codes found, and the records that a run would
// stop at. It reads the table the way the link reader does (a type N field
// with decimals, or an F field, as a real number; every other type as a
// whole number), in one pass through the stream's buffer, with fixed tables
// only: nothing is allocated per record, so ten million records cost the
// memory of ten.
//
//   auto survey = std::make_unique<DbfSurvey>();
//   read_survey_header(stream, *survey);
//   SurveyPlan plan;                       // which fields to measure
//   plan.measured.set(k); plan.ft_field = k_ft; plan.at_field = k_at;
//   survey_dbf_records(stream, plan, *survey);

#include <array>
#include <bitset>
#include <cstdint>

#include "common/byte_stream.h"
#include "common/fixed_text.h"
#include "input/dbf_reader.h"

namespace korvo {

// The codes one field holds, as the link record sees them (the low 16 bits
// of the value, as a signed number: the record keeps codes in 16 bits).
struct CodeSurvey {
  static constexpr int kLowest = 1;
  static constexpr int kHighest = 99;

  std::bitset<kHighest + 1> found;                  // codes 1..99 that occur
  std::array<std::uint64_t, kHighest + 1> links{};  // records per code 1..99
  std::uint64_t below = 0;                          // records with a code of 0 or less
  std::uint64_t above = 0;                          // records with a code above 99
  std::int32_t lowest_outside = 0;                  // the smallest and largest code outside 1..99
  std::int32_t highest_outside = 0;

  void add(std::int32_t code) {
    if (code >= kLowest && code <= kHighest) {
      found.set(static_cast<std::size_t>(code));
      ++links[static_cast<std::size_t>(code)];
      return;
    }
    if (below + above == 0) {
      lowest_outside = code;
      highest_outside = code;
    } else {
      lowest_outside = code < lowest_outside ? code : lowest_outside;
      highest_outside = code > highest_outside ? code : highest_outside;
    }
    (code < kLowest ? below : above) += 1;
  }
  std::uint64_t outside() const { return below + above; }
};

// What one measured field holds.
struct DbfFieldStats {
  std::uint64_t numbers = 0;      // records whose text converted
  std::uint64_t not_numbers = 0;  // records whose text a run cannot convert
  std::uint64_t first_bad_record = 0;
  FixedText<20> first_bad_text;  // its text, cut to 20 characters
  std::uint64_t fractions = 0;   // values with a fraction that is not 0
  std::uint64_t nonzero = 0;     // values that are not 0
  double min = 0;
  double max = 0;
  double sum = 0;
};

// Which fields a survey measures (entries of the field table) and which
// hold the facility type and the area type (0: none).
struct SurveyPlan {
  std::bitset<kDbfFieldLimit + 1> measured;
  int ft_field = 0;
  int at_field = 0;
};

struct DbfSurvey {
  DbfHeader header;
  DbfFieldTable fields;  // placed, each with its conversion
  std::array<DbfFieldStats, kDbfFieldLimit + 1> stats{};
  std::uint64_t records = 0;    // whole records read up to the end of the file
  std::uint64_t deleted = 0;    // records with the deletion flag "*" (a run reads them all the same)
  bool partial_record = false;  // the file ends inside a record (an end-of-file byte 26 does not count)
  CodeSurvey ft;
  CodeSurvey at;
};

// Reads the header and field descriptors from a stream at byte 0, places the
// fields and builds their conversions; leaves the stream at the first
// record. Throws FileError for a header a run could not use either.
void read_survey_header(ByteStream& stream, DbfSurvey& survey);

// Reads every record after the header: the measured fields' statistics, the
// codes of the facility-type and area-type fields, the record counts.
// A text that cannot be converted is counted, never thrown. The stream must
// be where read_survey_header left it.
void survey_dbf_records(ByteStream& stream, const SurveyPlan& plan, DbfSurvey& survey);

}  // namespace korvo

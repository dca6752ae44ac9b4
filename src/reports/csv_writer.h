#pragma once
// RFC 4180 records for the machine-readable outputs, one record per call of
// end_row, each ending in LF like every text file KORVO writes:
//
//   CsvWriter csv(file);                 // file: a TextWriter (or any RecordSink)
//   csv.text("SL 7 VOLUME");             // SL 7 VOLUME
//   csv.text("North, \"old\" bridge");   // "North, ""old"" bridge"
//   csv.number(0.1f);                    // 0.1
//   csv.number(1.0 / 3);                 // 0.3333333333333333
//   csv.empty();                         // (nothing: no value)
//   csv.end_row();                       // SL 7 VOLUME,"North, ""old"" bridge",0.1,0.3333333333333333,
//
// Text goes through quoting, always: a field is quoted when it holds a comma,
// a quote, CR or LF, or starts or ends with a blank; a quote inside is
// doubled. Bytes are copied as they are (UTF-8 stays UTF-8).
//
// Numbers are the shortest text that reads back to the same value (a float
// as a float, so 0.1f is "0.1", not "0.10000000149011612"), never locale-
// dependent, in plain decimal notation from 1e-6 up to 1e21 (a VMT total
// reads 1000000, not 1e+06, which std::to_chars would pick as the shorter)
// and in exponent notation outside it. NaN and infinity, which no statistic should produce, are
// written as an empty field rather than as text a reader cannot take.
//
// Writes go to the sink record by record; a TextWriter stops the run with
// WriteError naming the file and the byte offset when one fails.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/layout.h"

namespace korvo {

class CsvWriter {
 public:
  explicit CsvWriter(RecordSink& out) : out_(out) {}

  void text(std::string_view value);
  void number(double value);
  void number(float value);
  void number(std::int64_t value);
  void empty();
  // Writes the fields given since the last row as one record.
  void end_row();

  // For rows that begin with the same fields: take_fields() returns the
  // fields given since the last row, as end_row would write them, and starts
  // the row again; fields() then gives them to each row, as they were given.
  std::string take_fields();
  void fields(std::string_view taken);

  // The number texts alone, for tests and other writers.
  static std::string format(double value);
  static std::string format(float value);

 private:
  void separate();

  RecordSink& out_;
  std::string row_;  // reused: no allocation per row once it has grown
  bool row_started_ = false;
};

// True when text must be quoted in a CSV field.
bool csv_needs_quotes(std::string_view text);

}  // namespace korvo

#pragma once
// CSV text that the reader must refuse, with the message it must give (the
// file is named "T.CSV"). The reader's tests run them; the fuzz seeds start
// from them.

#include <string>
#include <vector>

namespace korvo::csv_cases {

struct BadCsv {
  const char* name;
  std::string bytes;
  std::string message;
};

inline std::vector<BadCsv> bad_csv() {
  const std::string wide(4097, 'x');
  std::string many;
  for (int i = 0; i < 65; ++i) many += i == 0 ? "f" : ",f";
  return {
      {"quote_inside_an_unquoted_field", "a,b\"c\n",
       " T.CSV, line 1, column 4: a quote inside a field that does not begin with one (quote the whole field and "
       "double the quote)"},
      {"text_after_the_closing_quote", "x\n\"ab\"c,d\n",
       " T.CSV, line 2, column 5: expected a comma or the end of the line after the closing quote, found \"c\""},
      {"blank_after_the_closing_quote", "\"ab\" ,d\n",
       " T.CSV, line 1, column 5: expected a comma or the end of the line after the closing quote, found \" \""},
      {"quoted_field_not_closed", "a,b\nc,\"open\nmore\n",
       " T.CSV, line 2, column 3: the quoted field that begins here is not closed before the end of the file"},
      {"lone_carriage_return", "a\rb\n",
       " T.CSV, line 1, column 2: a CR that is not followed by LF (a line ends in LF or CRLF)"},
      {"carriage_return_at_the_end", "a,b\r",
       " T.CSV, line 1, column 4: a CR that is not followed by LF (a line ends in LF or CRLF)"},
      {"nul_byte", std::string("ab\0c\n", 5), " T.CSV, line 1, column 3: a NUL byte (not a text file)"},
      {"nul_byte_quoted", std::string("\"a\0\"\n", 5), " T.CSV, line 1, column 3: a NUL byte (not a text file)"},
      {"too_many_fields", many + "\n", " T.CSV, line 1, column 129: more than 64 fields in a record"},
      {"field_too_long", "a,\"" + wide + "\"\n", " T.CSV, line 1, column 3: a field of more than 4096 bytes"},
      {"fault_after_a_field_over_two_lines", "\"a\nb\",c\nd\"e\n",
       " T.CSV, line 3, column 2: a quote inside a field that does not begin with one (quote the whole field and "
       "double "
       "the quote)"},
      {"binary_garbage", std::string("\x89PNG\r\n\x1a\n\0\0", 10),
       " T.CSV, line 3, column 1: a NUL byte (not a text file)"},
  };
}

}  // namespace korvo::csv_cases

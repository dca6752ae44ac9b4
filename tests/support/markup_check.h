#pragma once
// Checks a page as well-formed markup with python3's parsers: the XML
// parser (every element closed, attributes quoted, only XML's entities,
// valid UTF-8) and the HTML parser (start and end tags pair up, void
// elements aside).

#include <optional>
#include <string>

namespace korvo::testing {

// "" when the page is well-formed, else the parsers' complaint; nullopt
// when python3 is not installed (callers skip the test).
std::optional<std::string> markup_errors(const std::string& page);

}  // namespace korvo::testing

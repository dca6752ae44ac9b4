#pragma once
// The console: progress and error lines out, the one prompt's answers in.
// Tests hand it string streams; the program hands it std::cout and std::cin.

#include <iosfwd>
#include <string>
#include <string_view>

namespace korvo {

class Console {
 public:
  Console(std::ostream& out, std::istream& in) : out_(&out), in_(&in) {}

  // Writes one line.
  void line(std::string_view text);
  // Writes a prompt without ending the line.
  void prompt(std::string_view text);
  // Reads one line (without its line end); false when the input has ended.
  bool read_line(std::string& text);

 private:
  std::ostream* out_;
  std::istream* in_;
};

// An error line names files, fields and keywords as the input spelled them,
// and damaged input can hold any byte there. The console gets one line that
// a terminal shows as it is: a control character is written as \xNN
// ("HRLDXY.\x11", never a line break or an escape sequence).
std::string console_safe(std::string_view text);

}  // namespace korvo

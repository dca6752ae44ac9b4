#include "common/console.h"

#include <istream>
#include <ostream>

namespace korvo {

void Console::line(std::string_view text) {
  out_->write(text.data(), static_cast<std::streamsize>(text.size()));
  out_->put('\n');
  out_->flush();
}

void Console::prompt(std::string_view text) {
  out_->write(text.data(), static_cast<std::streamsize>(text.size()));
  out_->flush();
}

bool Console::read_line(std::string& text) {
  if (!std::getline(*in_, text)) return false;
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return true;
}

std::string console_safe(std::string_view text) {
  static constexpr std::string_view kHex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace korvo

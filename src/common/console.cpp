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

}  // namespace korvo

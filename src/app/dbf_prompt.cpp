#include "app/dbf_prompt.h"

#include <string>

#include "common/errors.h"

namespace korvo {
namespace {

// The question stands on the console without a line end; the error line
// that follows must begin a line of its own.
[[noreturn]] void console_ended(Console& console, const FixedText<80>& name) {
  console.line("");
  throw ConsoleInputEnded(trim_right(name.view()));
}

}  // namespace

ByteStream open_with_prompt(const WorkDir& work, Console& console, const FixedText<80>& given) {
  FixedText<80> name = given;
  std::string answer;
  for (;;) {
    for (std::size_t i = 0; i < FixedText<80>::kSize; ++i) {
      if (name[i] == '\0') name[i] = ' ';
    }
    const std::string file(trim_right(name.view()));
    if (!file.empty() && work.exists(file)) return ByteStream::open_file(work.path(file), file);
    console.prompt(" Input file does not exist -- Respecify? (Y/N)>");
    if (!console.read_line(answer)) console_ended(console, name);
    if (!answer.empty() && (answer[0] == 'N' || answer[0] == 'n')) throw RunStop(kShwdbfAbnormalCompletion);
    console.prompt(" Enter the \"DBF\" file name>");
    if (!console.read_line(answer)) console_ended(console, name);
    name.assign(answer);  // the first 80 characters
  }
}

}  // namespace korvo

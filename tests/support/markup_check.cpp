#include "support/markup_check.h"

#include <cstdio>
#include <cstdlib>

#include "support/temp_dir.h"

namespace korvo::testing {
namespace {

constexpr const char* kChecker = R"py(
import sys
import xml.etree.ElementTree as ET
from html.parser import HTMLParser

data = open(sys.argv[1], encoding="utf-8", errors="strict").read()
try:
    ET.fromstring(data)
except ET.ParseError as e:
    print("XML: %s" % e)
    sys.exit(0)

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "track", "wbr"}

class Pairs(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.errors = [], []
    def handle_starttag(self, tag, attrs):
        if tag not in VOID:
            self.stack.append((tag, self.getpos()))
    def handle_startendtag(self, tag, attrs):
        pass
    def handle_endtag(self, tag):
        if not self.stack or self.stack[-1][0] != tag:
            self.errors.append("end tag %s at %s does not close %s" % (tag, self.getpos(), self.stack[-1] if self.stack else "anything"))
        else:
            self.stack.pop()

p = Pairs()
p.feed(data)
p.close()
if p.stack:
    p.errors.append("not closed: %s" % p.stack)
print("HTML: " + "; ".join(p.errors) if p.errors else "ok")
)py";

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return "(cannot run python3)";
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace

std::optional<std::string> markup_errors(const std::string& page) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) return std::nullopt;
  TempDir dir;
  dir.write("page.html", page);
  dir.write("check.py", kChecker);
  const std::string out =
      run("python3 '" + dir.file("check.py").string() + "' '" + dir.file("page.html").string() + "' 2>&1");
  return out == "ok" ? std::string() : out;
}

}  // namespace korvo::testing

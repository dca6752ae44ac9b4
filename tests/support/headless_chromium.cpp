#include "support/headless_chromium.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "support/temp_dir.h"

namespace korvo::testing {
namespace {

// The flags keep Chromium off the network (this machine refuses outside
// connections, and a page of KORVO's loads nothing) and out of the user's
// profile: every run gets a new, empty user data directory.
constexpr const char* kFlags =
    " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking"
    " --disable-component-update --disable-sync --hide-scrollbars";

// Chromium may hang on a broken machine; a render never takes this long.
constexpr int kTimeoutSeconds = 180;

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

bool on_path(const std::string& program) {
  return std::system(("command -v " + quoted(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command with its output in a file; the exit status and the output.
std::pair<int, std::string> run_logged(const std::string& command) {
  TempDir scratch;
  const std::string log = scratch.file("log.txt").string();
  const int raw = std::system((command + " >" + quoted(log) + " 2>&1").c_str());
  const int status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return {status, read_file(log)};
}

RenderResult render(const std::string& chromium, const std::filesystem::path& page, const std::string& output_flag,
                    const std::filesystem::path& output, const std::string& extra) {
  TempDir profile;
  std::error_code ec;
  std::filesystem::remove(output, ec);
  const std::string url = "file://" + std::filesystem::absolute(page).string();
  const std::string command = "timeout " + std::to_string(kTimeoutSeconds) + " " + quoted(chromium) + kFlags +
                              " --user-data-dir=" + quoted(profile.path().string()) + extra + " " + output_flag + "=" +
                              quoted(output.string()) + " " + quoted(url);
  auto [status, log] = run_logged(command);
  RenderResult result;
  result.ok = status == 0 && std::filesystem::exists(output) && std::filesystem::file_size(output) > 0;
  result.log = "$ " + command + "\n(exit status " + std::to_string(status) + ")\n" + log;
  return result;
}

constexpr const char* kPngChecker = R"py(
import sys, zlib, struct
from collections import Counter
data = open(sys.argv[1], "rb").read()
if data[:8] != b"\x89PNG\r\n\x1a\n":
    print("error not a PNG"); sys.exit(0)
pos, idat, head = 8, [], None
while pos < len(data):
    n, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + n]
    if kind == b"IHDR": head = struct.unpack(">IIBBBBB", body)
    elif kind == b"IDAT": idat.append(body)
    pos += 12 + n
w, h, depth, colour, _, _, interlace = head
channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(colour)
if depth != 8 or interlace != 0 or channels is None:
    print("error PNG kind not handled: depth %d colour %d interlace %d" % (depth, colour, interlace)); sys.exit(0)
raw = zlib.decompress(b"".join(idat))
stride = w * channels
prev = bytearray(stride)
counts = Counter()
for y in range(h):
    f = raw[y * (stride + 1)]
    line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    if f == 1:
        for i in range(channels, stride): line[i] = (line[i] + line[i - channels]) & 255
    elif f == 2:
        for i in range(stride): line[i] = (line[i] + prev[i]) & 255
    elif f == 3:
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            line[i] = (line[i] + ((left + prev[i]) >> 1)) & 255
    elif f == 4:
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]; c = prev[i - channels] if i >= channels else 0
            p = a + b - c; pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
            line[i] = (line[i] + pred) & 255
    b = bytes(line)
    counts.update(b[i:i + channels] for i in range(0, stride, channels))
    prev = line
common = counts.most_common(1)[0][1] if counts else 0
print("ok %d %d %d %.6f" % (w, h, len(counts), 1.0 - common / float(w * h) if w * h else 0.0))
)py";

constexpr const char* kPdfChecker = R"py(
import sys, re, zlib
data = open(sys.argv[1], "rb").read()
if not data.startswith(b"%PDF-"):
    print("error not a PDF"); sys.exit(0)
page = re.compile(rb"/Type\s*/Page(?![A-Za-z])")
n = len(page.findall(data))
for m in re.finditer(rb"stream\r?\n", data):
    end = data.find(b"endstream", m.end())
    if end < 0: continue
    try: n += len(page.findall(zlib.decompress(data[m.end():end])))
    except Exception: pass
print("ok %d" % n)
)py";

std::optional<std::string> run_checker(const char* script, const std::filesystem::path& file) {
  if (!on_path("python3")) return std::nullopt;
  TempDir scratch;
  scratch.write("check.py", script);
  auto [status, out] = run_logged("python3 " + quoted(scratch.file("check.py").string()) + " " + quoted(file.string()));
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  if (status != 0 || out.rfind("ok ", 0) != 0) {
    throw std::runtime_error(file.string() + ": " + (out.empty() ? "the checker failed" : out));
  }
  return out.substr(3);
}

}  // namespace

std::optional<std::string> chromium_path() {
  if (const char* given = std::getenv("KORVO_CHROMIUM"); given && *given) {
    return on_path(given) ? std::optional<std::string>(given) : std::nullopt;
  }
  for (const char* name : {"chromium", "chromium-browser"}) {
    if (on_path(name)) return std::string(name);
  }
  return std::nullopt;
}

RenderResult render_png(const std::string& chromium, const std::filesystem::path& page,
                        const std::filesystem::path& png, int width, int height) {
  return render(chromium, page, "--screenshot", png,
                " --window-size=" + std::to_string(width) + "," + std::to_string(height));
}

RenderResult render_pdf(const std::string& chromium, const std::filesystem::path& page,
                        const std::filesystem::path& pdf) {
  return render(chromium, page, "--print-to-pdf", pdf, " --no-pdf-header-footer --print-to-pdf-no-header");
}

std::optional<PngSummary> inspect_png(const std::filesystem::path& png) {
  const std::optional<std::string> out = run_checker(kPngChecker, png);
  if (!out) return std::nullopt;
  PngSummary s;
  long long colours = 0;
  if (std::sscanf(out->c_str(), "%d %d %lld %lf", &s.width, &s.height, &colours, &s.non_background_share) != 4) {
    throw std::runtime_error(png.string() + ": unexpected checker output " + *out);
  }
  s.distinct_colours = colours;
  return s;
}

std::optional<int> pdf_page_count(const std::filesystem::path& pdf) {
  const std::optional<std::string> out = run_checker(kPdfChecker, pdf);
  if (!out) return std::nullopt;
  return std::stoi(*out);
}

}  // namespace korvo::testing

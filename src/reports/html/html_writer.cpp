#include "reports/html/html_writer.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvo::html {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool continuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// The length of the well-formed UTF-8 sequence at the start of text (2 to
// 4), or 0 when there is none. Code points that XML does not allow in a
// document (U+FFFE, U+FFFF) and the C1 controls count as not well-formed.
std::size_t utf8_sequence(std::string_view text) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char c = at(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
    if (c == 0xC2) low = 0xA0;  // U+0080..U+009F: C1 controls
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;   // no overlong forms
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (at(1) < low || at(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (!continuation(at(i))) return 0;
  }
  if (length == 3 && c == 0xEF && at(1) == 0xBF && (at(2) == 0xBE || at(2) == 0xBF)) return 0;
  return length;
}

// The shortest decimal digits of |value| (no leading zeros) and the number
// of them before the decimal point: 1234.5 gives "12345" and 4, 0.0012
// gives "12" and -2.
void shortest_digits(double value, std::string& digits, int& point) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific);
  const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const std::size_t e = text.find('e');
  digits.clear();
  for (std::size_t i = 0; i < e; ++i) {
    if (text[i] != '.') digits += text[i];
  }
  int exponent = 0;
  std::string_view exp_text = text.substr(e + 1);
  if (!exp_text.empty() && exp_text.front() == '+') exp_text.remove_prefix(1);
  std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exponent);
  point = exponent + 1;
}

// The end of the run of printable ASCII from i on that needs no entity: the
// first byte below 0x20 or from 0x7F up, or one of & < > " ', or the end.
// Sixteen bytes at a time where the machine can: a chart's path data is
// hundreds of thousands of such bytes.
std::size_t plain_run_end(std::string_view text, std::size_t i) {
#if defined(__SSE2__)
  // As signed bytes, those from 0x80 up are below 0x20 too.
  const __m128i space = _mm_set1_epi8(0x20);
  const __m128i del = _mm_set1_epi8(0x7F);
  const __m128i amp = _mm_set1_epi8('&');
  const __m128i lt = _mm_set1_epi8('<');
  const __m128i gt = _mm_set1_epi8('>');
  const __m128i quot = _mm_set1_epi8('"');
  const __m128i apos = _mm_set1_epi8('\'');
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i odd = _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(b, space), _mm_cmpeq_epi8(b, del)),
                                     _mm_or_si128(_mm_cmpeq_epi8(b, amp), _mm_cmpeq_epi8(b, lt)));
    const __m128i marked = _mm_or_si128(
        odd, _mm_or_si128(_mm_cmpeq_epi8(b, gt), _mm_or_si128(_mm_cmpeq_epi8(b, quot), _mm_cmpeq_epi8(b, apos))));
    const int mask = _mm_movemask_epi8(marked);
    if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < text.size(); ++i) {
    const auto p = static_cast<unsigned char>(text[i]);
    if (p < 0x20 || p >= 0x7F || p == '&' || p == '<' || p == '>' || p == '"' || p == '\'') break;
  }
  return i;
}

}  // namespace

void append_escaped(std::string& out, std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    // A run of printable ASCII that needs no entity is copied at once (a
    // chart's path data is thousands of such bytes).
    const std::size_t plain = plain_run_end(text, i);
    if (plain > i) {
      out.append(text.substr(i, plain - i));
      i = plain;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\t': out += '\t'; break;
        default:
          if (c < 0x20 || c == 0x7F) {
            out += kReplacement;
          } else {
            out += static_cast<char>(c);
          }
      }
      ++i;
      continue;
    }
    const std::size_t length = utf8_sequence(text.substr(i));
    if (length == 0) {
      out += kReplacement;
      ++i;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
}

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_escaped(out, text);
  return out;
}

int auto_decimals(double value) {
  const double a = std::fabs(value);
  if (a >= 1000) return 0;
  if (a >= 100) return 1;
  if (a >= 1) return 2;
  return 3;
}

std::string format_number(double value, NumberStyle style) {
  if (!std::isfinite(value)) return "n/a";
  const int decimals = style.decimals < 0 ? auto_decimals(value) : style.decimals;
  std::string digits;
  int point = 0;
  if (value == 0) {
    digits = "0";
    point = 1;
  } else {
    shortest_digits(value, digits, point);
  }
  // Keep point + decimals digits, rounding half away from zero on the next.
  const int keep = point + decimals;
  if (keep < 0) {
    digits = "0";
    point = 1;
  } else {
    const auto k = static_cast<std::size_t>(keep);
    const bool round_up = k < digits.size() && digits[k] >= '5';
    if (k < digits.size()) digits.resize(k);
    if (round_up) {
      std::size_t i = digits.size();
      while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
      if (i == 0) {
        digits.insert(digits.begin(), '1');
        ++point;
      } else {
        ++digits[i - 1];
      }
    }
  }
  // Integer part and fraction from the digits.
  std::string integer, fraction;
  for (int pos = 0; pos < point; ++pos) {
    integer += pos < static_cast<int>(digits.size()) && pos >= 0 ? digits[static_cast<std::size_t>(pos)] : '0';
  }
  if (integer.empty()) integer = "0";
  for (int pos = point; pos < point + decimals; ++pos) {
    fraction += pos >= 0 && pos < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(pos)] : '0';
  }
  // Strip leading zeros of the integer part (a carry may have left none).
  const std::size_t first = integer.find_first_not_of('0');
  integer = first == std::string::npos ? "0" : integer.substr(first);
  const bool zero = integer == "0" && fraction.find_first_not_of('0') == std::string::npos;

  std::string out;
  if (!zero && value < 0) {
    out += '-';
  } else if (!zero && style.plus_sign) {
    out += '+';
  }
  if (style.grouping) {
    const std::size_t n = integer.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (i > 0 && (n - i) % 3 == 0) out += ',';
      out += integer[i];
    }
  } else {
    out += integer;
  }
  if (decimals > 0) {
    out += '.';
    out += fraction;
  }
  return out;
}

// ---------------------------------------------------------------- HtmlWriter

void HtmlWriter::start_tag(std::string_view tag, const Attribute* first, std::size_t count) {
  out_ += '<';
  out_ += tag;
  for (std::size_t i = 0; i < count; ++i) {
    out_ += ' ';
    out_ += first[i].name;
    out_ += "=\"";
    append_escaped(out_, first[i].value);
    out_ += '"';
  }
}

void HtmlWriter::open(std::string_view tag, std::initializer_list<Attribute> attributes) {
  start_tag(tag, attributes.begin(), attributes.size());
  out_ += '>';
  open_.emplace_back(tag);
}

void HtmlWriter::open(std::string_view tag, const std::vector<Attribute>& attributes) {
  start_tag(tag, attributes.data(), attributes.size());
  out_ += '>';
  open_.emplace_back(tag);
}

void HtmlWriter::close() {
  if (open_.empty()) throw std::logic_error("HtmlWriter::close without an open element");
  out_ += "</";
  out_ += open_.back();
  out_ += '>';
  open_.pop_back();
}

void HtmlWriter::close_to(std::size_t depth) {
  while (open_.size() > depth) close();
}

void HtmlWriter::empty(std::string_view tag, std::initializer_list<Attribute> attributes) {
  start_tag(tag, attributes.begin(), attributes.size());
  out_ += " />";
}

void HtmlWriter::empty(std::string_view tag, const std::vector<Attribute>& attributes) {
  start_tag(tag, attributes.data(), attributes.size());
  out_ += " />";
}

void HtmlWriter::element(std::string_view tag, std::string_view text, std::initializer_list<Attribute> attributes) {
  open(tag, attributes);
  append_escaped(out_, text);
  close();
}

void HtmlWriter::text(std::string_view text) { append_escaped(out_, text); }

void HtmlWriter::raw(std::string_view markup) { out_ += markup; }

std::string HtmlWriter::finish() {
  close_to(0);
  return std::move(out_);
}

// ---------------------------------------------------------------- page

std::string_view page_css() {
  // No "<" or "&" in here: the style element is read as text by an XML
  // parser too.
  static constexpr std::string_view kCss = R"css(
:root{--ink:#1f2328;--muted:#57606a;--rule:#d0d7de;--good:#1a7f37;--fair:#8a5a00;--bad:#c4232d;--neutral:#57606a}
*{box-sizing:border-box}
html{-webkit-text-size-adjust:100%;text-size-adjust:100%}
body{margin:0;color:var(--ink);background:#fff;font:15px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"Helvetica Neue",Arial,sans-serif}
main{max-width:1120px;margin:0 auto;padding:16px 20px 40px}
h1{font-size:1.55em;margin:.2em 0 .4em}
h2{font-size:1.3em;margin:0 0 .5em;padding-bottom:.2em;border-bottom:2px solid var(--ink)}
h3{font-size:1.08em;margin:1.4em 0 .4em}
p{margin:.4em 0 .8em}
.lead{font-size:1.05em}
.note{color:var(--muted);font-size:.88em}
section.sheet{margin:0 0 2.4em}
.scroll{overflow-x:auto;max-width:100%;margin:.4em 0 1em}
table{border-collapse:collapse;font-size:.9em}
caption{text-align:left;font-weight:600;padding:.2em 0 .4em;caption-side:top}
th,td{padding:3px 8px;border-bottom:1px solid var(--rule);text-align:left;vertical-align:top}
thead th{border-bottom:2px solid var(--ink);vertical-align:bottom}
thead tr.groups th{border-bottom:1px solid var(--rule);text-align:center}
th.num,td.num{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
tbody th{font-weight:normal}
tfoot th,tfoot td{font-weight:600;border-top:2px solid var(--ink);border-bottom:none}
td.changed{background:#fff4d6;outline:1px dashed var(--fair)}
.badge{display:inline-block;margin-left:.4em;padding:0 .5em;border-radius:.8em;font-size:.82em;font-weight:600;line-height:1.55;color:#fff;white-space:nowrap}
.badge.good{background:var(--good)}
.badge.fair{background:var(--fair)}
.badge.bad{background:var(--bad)}
.badge.neutral{background:var(--neutral)}
.changed-mark{display:inline-block;margin-left:.4em;font-size:.82em;font-weight:600;color:var(--fair);white-space:nowrap}
figure{margin:.8em 0 1.6em}
figcaption{font-weight:600;margin-bottom:.3em}
figure svg{display:block;max-width:100%;height:auto}
svg text{font-family:inherit}
dl.runs{display:grid;grid-template-columns:max-content 1fr;gap:.2em 1em;margin:.4em 0 1em}
dl.runs dt{font-weight:600}
dl.runs dd{margin:0}
.cards{display:grid;grid-template-columns:repeat(auto-fit,minmax(230px,1fr));gap:12px;margin:.6em 0 1.2em}
.card{border:1px solid var(--rule);border-left:6px solid var(--neutral);border-radius:6px;padding:10px 12px}
.card.good{border-left-color:var(--good)}
.card.fair{border-left-color:var(--fair)}
.card.bad{border-left-color:var(--bad)}
.card h3{margin:0 0 .3em;font-size:.95em}
.card .figure{font-size:1.7em;font-weight:700;font-variant-numeric:tabular-nums}
.card .badge{margin-left:.5em;vertical-align:middle}
.card p{margin:.3em 0 0}
ul.checks{padding-left:1.2em;margin:.4em 0 1em}
ul.checks li{margin:.2em 0}
@media (max-width:600px){
body{font-size:14px}
main{padding:10px 10px 30px}
h1{font-size:1.3em}
th,td{padding:2px 5px}
dl.runs{grid-template-columns:1fr}
dl.runs dd{margin:0 0 .5em}
figure{overflow-x:auto}
figure svg{min-width:540px}
}
@page{margin:14mm 12mm}
@media print{
body{font-size:9.5pt}
main{max-width:none;padding:0}
section.sheet{break-before:page;page-break-before:always;margin:0}
section.sheet.first{break-before:auto;page-break-before:auto}
figure,tr,.badge,.card{break-inside:avoid;page-break-inside:avoid}
h2,h3,caption,figcaption{break-after:avoid;page-break-after:avoid}
.scroll{overflow:visible}
.badge,td.changed,.card{-webkit-print-color-adjust:exact;print-color-adjust:exact}
}
)css";
  return kCss;
}

void begin_page(HtmlWriter& w, std::string_view title) {
  w.raw("<!DOCTYPE html>\n");
  w.open("html", {{"lang", "en"}});
  w.newline();
  w.open("head");
  w.newline();
  w.empty("meta", {{"charset", "utf-8"}});
  w.newline();
  w.empty("meta", {{"name", "viewport"}, {"content", "width=device-width, initial-scale=1"}});
  w.newline();
  w.element("title", title);
  w.newline();
  w.open("style");
  w.raw(page_css());
  w.close();
  w.newline();
  w.close();  // head
  w.newline();
  w.open("body");
  w.newline();
  w.open("main");
  w.newline();
  w.element("h1", title);
  w.newline();
}

std::string end_page(HtmlWriter& w) {
  w.close_to(0);
  w.newline();
  return w.finish();
}

void begin_section(HtmlWriter& w, std::string_view id, std::string_view heading) {
  // The first section of a page starts on the first sheet, with the title.
  const bool first = w.str().find("<section") == std::string::npos;
  w.open("section", {{"class", first ? "sheet first" : "sheet"}, {"id", id}});
  w.newline();
  w.element("h2", heading);
  w.newline();
}

void end_section(HtmlWriter& w) {
  w.close();
  w.newline();
}

// ---------------------------------------------------------------- verdicts

namespace {

std::string_view tone_class(Tone tone) {
  switch (tone) {
    case Tone::kGood: return "badge good";
    case Tone::kFair: return "badge fair";
    case Tone::kBad: return "badge bad";
    case Tone::kNeutral: return "badge neutral";
  }
  return "badge neutral";
}

}  // namespace

void write_badge(HtmlWriter& w, std::string_view word, Tone tone) {
  w.element("span", word, {{"class", tone_class(tone)}});
}

void write_card(HtmlWriter& w, const Card& card) {
  // "badge good" -> "card good": the card's edge repeats the badge's colour.
  std::string cls = "card";
  if (!card.badge.word.empty()) cls += std::string(tone_class(card.badge.tone).substr(5));
  w.open("div", {{"class", cls}});
  w.element("h3", card.heading);
  w.open("div");
  w.element("span", card.figure, {{"class", "figure"}});
  if (!card.badge.word.empty()) write_badge(w, card.badge.word, card.badge.tone);
  w.close();
  if (!card.note.empty()) w.element("p", card.note, {{"class", "note"}});
  w.close();
  w.newline();
}

// ---------------------------------------------------------------- tables

namespace {

void write_cell(HtmlWriter& w, const Cell& cell, bool in_header_row) {
  std::string cls;
  if (cell.align == Align::kRight) cls = "num";
  if (cell.changed) cls += cls.empty() ? "changed" : " changed";
  std::vector<Attribute> attributes;
  const bool th = cell.row_header || in_header_row;
  if (cell.row_header) attributes.push_back({"scope", "row"});
  if (!cls.empty()) attributes.push_back({"class", cls});
  w.open(th ? "th" : "td", attributes);
  w.text(cell.text);
  if (cell.badge) write_badge(w, cell.badge->word, cell.badge->tone);
  if (cell.changed) w.element("span", "changed", {{"class", "changed-mark"}});
  if (!cell.note.empty()) {
    w.text(" ");
    w.element("span", cell.note, {{"class", "note"}});
  }
  w.close();
}

}  // namespace

void write_table(HtmlWriter& w, const Table& table) {
  const std::size_t depth = w.depth();
  w.open("div", {{"class", "scroll"}});
  w.open("table");
  if (!table.caption.empty()) w.element("caption", table.caption);
  w.open("thead");
  if (!table.groups.empty()) {
    w.open("tr", {{"class", "groups"}});
    for (const HeaderGroup& g : table.groups) {
      const std::string span = std::to_string(g.span);
      if (g.span > 1) {
        w.open("th", {{"colspan", span}, {"scope", "colgroup"}});
      } else {
        w.open("th");
      }
      w.text(g.text);
      w.close();
    }
    w.close();
  }
  w.open("tr");
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const bool right = i < table.column_align.size() && table.column_align[i] == Align::kRight;
    if (right) {
      w.open("th", {{"scope", "col"}, {"class", "num"}});
    } else {
      w.open("th", {{"scope", "col"}});
    }
    w.text(table.columns[i]);
    w.close();
  }
  w.close();  // tr
  w.close();  // thead
  w.newline();
  if (table.rows.empty() && table.totals.empty()) {
    w.open("tbody");
    w.open("tr");
    const std::string span = std::to_string(std::max<std::size_t>(table.columns.size(), 1));
    w.open("td", {{"colspan", span}, {"class", "note"}});
    w.text(table.empty_text);
    w.close();
    w.close();
    w.close();
  } else {
    w.open("tbody");
    for (const auto& row : table.rows) {
      w.open("tr");
      for (const Cell& cell : row) write_cell(w, cell, false);
      w.close();
      w.newline();
    }
    w.close();
    if (!table.totals.empty()) {
      w.open("tfoot");
      for (const auto& row : table.totals) {
        w.open("tr");
        for (const Cell& cell : row) write_cell(w, cell, false);
        w.close();
        w.newline();
      }
      w.close();
    }
  }
  w.close_to(depth);
  w.newline();
}

}  // namespace korvo::html

#pragma once
// The HTML kit, part 1: markup, text and numbers. KORVO's pages (the run's
// own page and the comparison of runs) are built with it; part 2, the SVG
// charts, is in reports/html/svg_chart.h.
//
// What every page made with the kit is:
// - one self-contained file: inline CSS, inline SVG, no script, nothing
//   loaded from elsewhere (no fonts, no images, no links to style sheets);
// - well-formed markup: every element is closed (void elements as "<br />"),
//   attribute values are quoted, the only entities are numeric ones and the
//   five of XML, so an XML parser reads the page as well as a browser does;
// - deterministic: the same calls give the same bytes (no clock, no
//   addresses, no hash order; numbers through std::to_chars);
// - readable at 375 px (tables scroll sideways inside their own box, charts
//   scale down), and printable on A4 or Letter: each section starts a new
//   sheet, a chart or a table row is not split across sheets;
// - colour is never the only carrier of a verdict: a badge always holds its
//   word ("preferable", "worse", ...), and the colour only repeats it.
//
// Use:
//   HtmlWriter w;
//   begin_page(w, "Comparison of 3 runs");      // <!DOCTYPE html> ... <main>
//   begin_section(w, "headline", "Headline changes");
//   w.element("p", "Text from a planner's file is escaped: <Main & 1st>");
//   write_table(w, table);                      // see Table below
//   write_bar_chart(w, chart);                  // svg_chart.h
//   end_section(w);
//   std::string html = end_page(w);             // closes everything
//
// Text handed to the kit is data: it is escaped (& < > " ' as entities),
// control bytes other than TAB and bytes that are not UTF-8 show as U+FFFD.
// Only raw() takes markup as it is; it is meant for markup the kit made.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvo::html {

// ---------------------------------------------------------------- text

// Appends text escaped for element content and attribute values:
//   & < > " '  ->  &amp; &lt; &gt; &quot; &#39;
//   TAB is kept; other bytes below 32, DEL, and any byte sequence that is
//   not well-formed UTF-8 (a stray continuation byte, an overlong form, a
//   surrogate, a sequence cut short) become U+FFFD, one per bad byte.
// "Zürich" in UTF-8 stays as it is; "Z\xFCrich" (Latin-1) gives "Z\uFFFDrich".
void append_escaped(std::string& out, std::string_view text);
std::string escape(std::string_view text);

// ---------------------------------------------------------------- numbers

// Every number a page shows goes through format_number, so that tables,
// badges and chart labels agree:
//   decimals >= 0: that many decimals, rounded half away from zero on the
//                  decimal digits to_chars gives (1234.5 with 0 -> "1,235")
//   kAutoDecimals: by magnitude: |v| >= 1000: 0, >= 100: 1, >= 1: 2,
//                  below 1: 3 (12345.6 -> "12,346", 0.04567 -> "0.046")
//   grouping:      thousands separated by "," (1234567 -> "1,234,567")
//   plus_sign:     "+" before a positive value (for changes: "+12.5")
// A value that rounds to zero prints without sign ("0.00", never "-0.00").
// NaN and infinities print as "n/a" (a page never shows "inf").
inline constexpr int kAutoDecimals = -1;
struct NumberStyle {
  int decimals = kAutoDecimals;
  bool grouping = true;
  bool plus_sign = false;
};
std::string format_number(double value, NumberStyle style = {});
// The decimals kAutoDecimals picks for a value.
int auto_decimals(double value);

// ---------------------------------------------------------------- markup

// A name and a value, both views: the texts must outlive the call they are
// handed to. Braced lists in the call keep temporaries alive for it
// (w.empty("rect", {{"x", px(x)}})); a std::vector<Attribute> built
// beforehand must not view temporaries.
struct Attribute {
  std::string_view name;
  std::string_view value;  // escaped when written
};

// A string of markup with a stack of open elements. open() and close() must
// pair up; close() closes the innermost open element, finish() closes all.
// Element and attribute names are the caller's literals (never data).
class HtmlWriter {
 public:
  // <tag a="v" ...>
  void open(std::string_view tag, std::initializer_list<Attribute> attributes = {});
  void open(std::string_view tag, const std::vector<Attribute>& attributes);
  void close();
  // Closes open elements until `depth` of them are left.
  void close_to(std::size_t depth);
  std::size_t depth() const { return open_.size(); }
  // <tag a="v" />: a void HTML element or an empty SVG element.
  void empty(std::string_view tag, std::initializer_list<Attribute> attributes = {});
  void empty(std::string_view tag, const std::vector<Attribute>& attributes);
  // <tag ...>text</tag>
  void element(std::string_view tag, std::string_view text, std::initializer_list<Attribute> attributes = {});
  // Escaped text.
  void text(std::string_view text);
  // Markup as it is (the kit's own: a doctype, a style sheet).
  void raw(std::string_view markup);
  void newline() { out_ += '\n'; }
  // Room for n bytes of markup, for a page whose size is known roughly.
  void reserve(std::size_t n) { out_.reserve(n); }

  // A number unique within this writer, for element ids ("clip-3"): the n-th
  // call gives n, so the same page gives the same ids.
  int next_id() { return ++ids_; }

  // Closes every open element and returns the markup.
  std::string finish();
  const std::string& str() const { return out_; }

 private:
  void start_tag(std::string_view tag, const Attribute* first, std::size_t count);

  std::string out_;
  std::vector<std::string> open_;
  int ids_ = 0;
};

// ---------------------------------------------------------------- page

// The page's style sheet (screen, phone width and print), as written into
// the page's <style> element. Its classes: "sheet" (a section; "first" on
// the first), "lead" (an opening paragraph), "note" (small grey text),
// "scroll" (a table's box), "num" (a right-aligned number), "groups" (a
// table's group heading row), "badge good|fair|bad|neutral", "changed" and
// "changed-mark" (a cell whose verdict changed), and "runs" (a <dl> of
// names and values, for a page's header).
std::string_view page_css();

// <!DOCTYPE html>, <html lang="en">, <head> with the charset, the viewport,
// the title and the style sheet, then <body><main> and an <h1> of the title.
void begin_page(HtmlWriter& w, std::string_view title);
// Closes everything and returns the page.
std::string end_page(HtmlWriter& w);

// <section class="sheet" id="id"><h2>heading</h2>: in print, each section
// starts a new sheet. id is a literal of the caller (letters, digits, "-").
void begin_section(HtmlWriter& w, std::string_view id, std::string_view heading);
void end_section(HtmlWriter& w);

// ---------------------------------------------------------------- verdicts

// The colour of a verdict; the word is always written beside it.
enum class Tone { kGood, kFair, kBad, kNeutral };

// <span class="badge good">preferable</span>
void write_badge(HtmlWriter& w, std::string_view word, Tone tone);

// ---------------------------------------------------------------- tables

enum class Align { kLeft, kRight };

struct Badge {
  std::string word;
  Tone tone = Tone::kNeutral;
};

struct Cell {
  std::string text;            // escaped when written
  Align align = Align::kLeft;  // numbers: kRight (tabular figures)
  std::optional<Badge> badge;  // written after the text
  std::string note;            // small text after the badge ("was outside")
  bool changed = false;        // marks the cell (a verdict that changed)
  bool row_header = false;     // <th scope="row"> instead of <td>

  static Cell number(double value, NumberStyle style = {}) {
    Cell c;
    c.text = format_number(value, style);
    c.align = Align::kRight;
    return c;
  }
  static Cell label(std::string text) {
    Cell c;
    c.text = std::move(text);
    c.row_header = true;
    return c;
  }
  static Cell empty_number() {
    Cell c;
    c.align = Align::kRight;
    return c;
  }
};

// A verdict card: a heading, the figure in large type with its verdict's
// badge (the word, never the colour alone), and a line of small text (the
// targets). Cards go in a <div class="cards"> grid, which the caller opens:
//   w.open("div", {{"class", "cards"}});
//   write_card(w, {"Areawide %RMSE", "31.2 %", {"acceptable", Tone::kFair}, "targets: ..."});
//   w.close();
struct Card {
  std::string heading;
  std::string figure;
  Badge badge;  // an empty word: no badge
  std::string note;
};
void write_card(HtmlWriter& w, const Card& card);

// A heading over `span` columns in an extra header row above the column
// headings ("ALT-2" over its value, change and percent columns).
struct HeaderGroup {
  std::string text;
  int span = 1;
};

// A table: caption, optional group headings, column headings, body rows and
// total rows. Total rows are written in <tfoot> (ruled above, bold), so a
// table with totals reads like the report's: classes, then "Total". The
// caller gives the totals (they are the run's Total class, not sums the kit
// makes: ratios and speeds do not add up).
struct Table {
  std::string caption;
  std::vector<HeaderGroup> groups;  // empty: one header row
  std::vector<std::string> columns;
  std::vector<Align> column_align;  // per column; missing: left
  std::vector<std::vector<Cell>> rows;
  std::vector<std::vector<Cell>> totals;
  std::string empty_text = "No rows.";  // shown when rows and totals are empty
};

// <div class="scroll"><table>...</table></div>
void write_table(HtmlWriter& w, const Table& table);

}  // namespace korvo::html

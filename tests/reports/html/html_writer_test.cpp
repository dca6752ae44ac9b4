#include "reports/html/html_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "support/markup_check.h"

namespace korvo::html {
namespace {

TEST(HtmlEscape, EscapesMarkupAndReplacesWhatIsNotText) {
  struct Case {
    const char* name;
    std::string text;
    std::string escaped;
  };
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  const Case cases[] = {
      {"markup", "<Main & 1st> \"A\" 'B'", "&lt;Main &amp; 1st&gt; &quot;A&quot; &#39;B&#39;"},
      {"tab kept", "a\tb", "a\tb"},
      {"line ends and controls", "a\nb\rc\x01\x7F", "a" + r + "b" + r + "c" + r + r},
      {"utf-8 kept", "Z\xC3\xBCrich \xE2\x80\x94 \xF0\x9F\x9A\x97", "Z\xC3\xBCrich \xE2\x80\x94 \xF0\x9F\x9A\x97"},
      {"latin-1 byte", "Z\xFCrich", "Z" + r + "rich"},
      {"stray continuation",
       "a\x80"
       "b",
       "a" + r + "b"},
      {"overlong slash", "\xC0\xAF", r + r},
      {"surrogate", "\xED\xA0\x80", r + r + r},
      {"cut short at the end", "ab\xE2\x82", "ab" + r + r},
      {"not a character", "\xEF\xBF\xBE", r + r + r},
      {"c1 control", "\xC2\x85", r + r},
      {"above U+10FFFF", "\xF4\x90\x80\x80", r + r + r + r},
      {"no-break space kept", "\xC2\xA0", "\xC2\xA0"},
  };
  for (const Case& c : cases) EXPECT_EQ(escape(c.text), c.escaped) << c.name;
}

// Runs of plain text are found sixteen bytes at a time, then byte by byte: a
// byte that must be escaped or replaced is caught wherever it falls, in texts
// of every length around those steps, and only that byte changes.
TEST(HtmlEscape, CatchesEachByteWhereverItFalls) {
  for (std::size_t length = 1; length <= 40; ++length) {
    // Printable ASCII that needs no entity, the tab among it.
    constexpr std::string_view kPlainBytes = "Main St 12.5-7_=+()[]{}!?#$%*/:;@^`|~\tabcxyz";
    std::string plain(length, ' ');
    for (std::size_t k = 0; k < length; ++k) plain[k] = kPlainBytes[k % kPlainBytes.size()];
    ASSERT_EQ(escape(plain), plain) << "length " << length;
    for (std::size_t at = 0; at < length; ++at) {
      for (const char c : {'&', '<', '>', '"', '\'', '\n', '\x1F', '\x7F', '\x80', '\xFF'}) {
        std::string text = plain;
        text[at] = c;
        const std::string expected = plain.substr(0, at) + escape(std::string(1, c)) + plain.substr(at + 1);
        ASSERT_EQ(escape(text), expected)
            << "length " << length << ", byte " << static_cast<int>(static_cast<unsigned char>(c)) << " at " << at;
      }
    }
  }
}

TEST(FormatNumber, RoundsGroupsAndSigns) {
  struct Case {
    double value;
    NumberStyle style;
    const char* text;
  };
  const Case cases[] = {
      {1234.5, {0, true, false}, "1,235"},
      {-1234.5, {0, true, false}, "-1,235"},
      {2.675, {2, true, false}, "2.68"},  // the digits of the value's shortest text, not its binary value
      {999.95, {1, true, false}, "1,000.0"},
      {0.0049, {2, true, false}, "0.00"},
      {-0.004, {2, true, false}, "0.00"},
      {-0.0, {1, true, true}, "0.0"},
      {1234567.891, {2, true, false}, "1,234,567.89"},
      {1234567.891, {2, false, false}, "1234567.89"},
      {12.5, {1, true, true}, "+12.5"},
      {-12.5, {1, true, true}, "-12.5"},
      {1e20, {0, true, false}, "100,000,000,000,000,000,000"},
      {1e-7, {3, true, false}, "0.000"},
      {0.0005, {3, true, false}, "0.001"},
      {9.9999, {2, true, false}, "10.00"},
      {12345.6, {}, "12,346"},
      {123.456, {}, "123.5"},
      {5.5, {}, "5.50"},
      {0.04567, {}, "0.046"},
      {0, {}, "0.000"},
      {std::numeric_limits<double>::quiet_NaN(), {}, "n/a"},
      {-std::numeric_limits<double>::infinity(), {}, "n/a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(format_number(c.value, c.style), c.text) << c.value << " with " << c.style.decimals << " decimals";
  }
}

TEST(HtmlWriter, ClosesWhatItOpensInOrder) {
  HtmlWriter w;
  w.open("div", {{"class", "a\"b"}});
  w.open("p");
  w.text("x<y");
  w.empty("br");
  EXPECT_EQ(w.depth(), 2u);
  w.close();
  w.element("span", "z", {{"title", "it's"}});
  EXPECT_EQ(w.finish(), "<div class=\"a&quot;b\"><p>x&lt;y<br /></p><span title=\"it&#39;s\">z</span></div>");
  HtmlWriter empty;
  EXPECT_THROW(empty.close(), std::logic_error);
  EXPECT_EQ(empty.next_id(), 1);
  EXPECT_EQ(empty.next_id(), 2);
}

TEST(HtmlTable, WritesTotalsBadgesAndChangedCells) {
  Table t;
  t.caption = "Delay";
  t.groups = {{"", 1}, {"ALT-1", 2}};
  t.columns = {"Class", "Value", "Change"};
  t.column_align = {Align::kLeft, Align::kRight, Align::kRight};
  Cell change = Cell::number(-3.5, {1, true, true});
  change.badge = Badge{"better", Tone::kGood};
  Cell verdict = Cell::number(1.02, {2, true, false});
  verdict.badge = Badge{"outside", Tone::kBad};
  verdict.changed = true;
  verdict.note = "(base: acceptable)";
  t.rows.push_back({Cell::label("Div & Art"), Cell::number(12), change});
  t.totals.push_back({Cell::label("Total"), Cell::number(1234.5, {0, true, false}), verdict});
  HtmlWriter w;
  write_table(w, t);
  EXPECT_EQ(w.finish(),
            "<div class=\"scroll\"><table><caption>Delay</caption><thead><tr class=\"groups\"><th></th>"
            "<th colspan=\"2\" scope=\"colgroup\">ALT-1</th></tr><tr><th scope=\"col\">Class</th>"
            "<th scope=\"col\" class=\"num\">Value</th><th scope=\"col\" class=\"num\">Change</th></tr></thead>\n"
            "<tbody><tr><th scope=\"row\">Div &amp; Art</th><td class=\"num\">12.00</td><td class=\"num\">-3.5"
            "<span class=\"badge good\">better</span></td></tr>\n</tbody>"
            "<tfoot><tr><th scope=\"row\">Total</th><td class=\"num\">1,235</td><td class=\"num changed\">1.02"
            "<span class=\"badge bad\">outside</span><span class=\"changed-mark\">changed</span> "
            "<span class=\"note\">(base: acceptable)</span></td></tr>\n</tfoot></table></div>\n");
}

TEST(HtmlTable, SaysSoWhenEmpty) {
  Table t;
  t.columns = {"A", "B"};
  t.empty_text = "No screenline has a count.";
  HtmlWriter w;
  write_table(w, t);
  EXPECT_NE(w.finish().find("<td colspan=\"2\" class=\"note\">No screenline has a count.</td>"), std::string::npos);
}

TEST(HtmlPage, IsSelfContainedWellFormedAndTheSameEachTime) {
  const auto build = [] {
    HtmlWriter w;
    begin_page(w, "Runs <A> & B");
    begin_section(w, "one", "First");
    write_badge(w, "preferable", Tone::kGood);
    end_section(w);
    begin_section(w, "two", "Second");
    w.element("p", "Bytes of a planner's file: \x01\xFF");
    end_section(w);
    return end_page(w);
  };
  const std::string page = build();
  EXPECT_EQ(page, build());
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html lang=\"en\">", 0), 0u);
  EXPECT_NE(page.find("<title>Runs &lt;A&gt; &amp; B</title>"), std::string::npos);
  EXPECT_NE(page.find("<section class=\"sheet first\" id=\"one\">"), std::string::npos);
  EXPECT_NE(page.find("<section class=\"sheet\" id=\"two\">"), std::string::npos);
  EXPECT_NE(page.find("@media print"), std::string::npos);
  EXPECT_NE(page.find("@media (max-width:600px)"), std::string::npos);
  for (const char* outside : {"<script", "<link", "@import", "url(", "http:", "https:", "src="}) {
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  }
  EXPECT_EQ(page.find('&', page.find("<style>")) > page.find("</style>"), true) << "no entity in the style sheet";
  const auto errors = korvo::testing::markup_errors(page);
  if (!errors) GTEST_SKIP() << "python3 is not installed";
  EXPECT_EQ(*errors, "");
}

}  // namespace
}  // namespace korvo::html

#include "reports/stats_csv.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/text_file.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

StatsRow row(StatsSection section, std::string key, std::string label) {
  StatsRow r;
  r.section = section;
  r.key = std::move(key);
  r.label = std::move(label);
  return r;
}

std::vector<StatsRow> sample_rows() {
  std::vector<StatsRow> rows;
  StatsRow a = row(StatsSection::kAreawide, "rmse", "All counted links");
  a.links = Figure::whole(4);
  a.count_sum = Figure::real(1000);
  a.volume_sum = Figure::real(1120);
  a.ratio = Figure::real(1.12);
  a.rmse_pct = Figure::real(27.904599381941804);
  a.vmt_count = Figure::real(650);
  a.vmt_volume = Figure::real(640);
  a.vmt_ratio = Figure::real(640.0 / 650.0);
  a.r2 = Figure::real(0.9450526315789474);
  a.target_acceptable = Figure::real(45);
  a.target_preferable = Figure::real(35);
  a.result = Verdict::kPreferable;
  rows.push_back(a);
  StatsRow g = row(StatsSection::kCountGroup, "60000+", "Counts 60000 and above");
  g.links = Figure::whole(0);
  g.target_acceptable = Figure::real(19);
  g.target_preferable = Figure::real(10);
  rows.push_back(g);
  StatsRow s = row(StatsSection::kScreenline, "3", "North, \"old\" bridge");
  s.links = Figure::whole(2);
  s.count_sum = Figure::single(12345.6f);
  s.volume_sum = Figure::single(0.1f);
  s.ratio = Figure::real(1.0 / 3.0);
  s.target_acceptable = Figure::real(35.99531059679889);
  s.result = Verdict::kOutside;
  rows.push_back(s);
  StatsRow c = row(StatsSection::kCheck, "no_count", "evaluated links without a count (COUNT 0 or less)");
  c.links = Figure::whole(17);
  rows.push_back(c);
  return rows;
}

TEST(StatsCsv, HeaderAndRowsAsWritten) {
  StringSink sink;
  const auto rows = sample_rows();
  write_stats_csv(sink, rows);
  ASSERT_EQ(sink.records.size(), 5u);
  EXPECT_EQ(sink.records[0],
            "section,key,label,links,count_sum,volume_sum,ratio,rmse_pct,vmt_count,vmt_volume,vmt_ratio,r2,"
            "target_acceptable,target_preferable,result");
  EXPECT_EQ(sink.records[1],
            "areawide,rmse,All counted links,4,1000,1120,1.12,27.904599381941804,650,640,0.9846153846153847,"
            "0.9450526315789474,45,35,preferable");
  EXPECT_EQ(sink.records[2], "count_group,60000+,Counts 60000 and above,0,,,,,,,,,19,10,");
  // Single-precision totals print as the floats they are.
  EXPECT_EQ(sink.records[3],
            "screenline,3,\"North, \"\"old\"\" bridge\",2,12345.6,0.1,0.3333333333333333,,,,,,"
            "35.99531059679889,,outside");
  EXPECT_EQ(sink.records[4], "check,no_count,evaluated links without a count (COUNT 0 or less),17,,,,,,,,,,,");
}

// Python's csv module reads the file back: every field as written (labels
// with commas, quotes, line ends and blanks, UTF-8), every number to the
// same double.
TEST(StatsCsv, AnIndependentParserReadsTheFileBack) {
  if (std::system("python3 -c 'import csv' >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not available";
  std::vector<StatsRow> rows = sample_rows();
  const std::vector<std::string> labels = {"Rail \"north\", east",
                                           "two\nlines",
                                           "cr\r\nlf",
                                           " leading blank",
                                           "trailing blank ",
                                           "Stra\xC3\x9F"
                                           "e",
                                           "",
                                           ",",
                                           "\"\""};
  for (std::size_t k = 0; k < labels.size(); ++k) {
    StatsRow r = row(StatsSection::kFtClass, std::to_string(k + 1), labels[k]);
    r.links = Figure::whole(static_cast<std::int64_t>(k));
    r.ratio = Figure::real(1.0 / static_cast<double>(k + 3));
    r.rmse_pct = Figure::real(1e-9 * static_cast<double>(k + 1));
    r.vmt_count = Figure::real(1e22 * static_cast<double>(k + 1));
    r.count_sum = Figure::single(0.1f * static_cast<float>(k + 1));
    rows.push_back(r);
  }
  testing::TempDir dir;
  {
    TextWriter file;
    file.create(dir.file(kStatsCsvFile), kStatsCsvFile);
    write_stats_csv(file, rows);
    file.close();
  }
  // Each field as hex bytes; a number also as the hex of its double (little
  // endian), so that the comparison is exact.
  const std::string script =
      "import csv, struct, sys\n"
      "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
      "    for row in csv.reader(f):\n"
      "        out = []\n"
      "        for x in row:\n"
      "            try:\n"
      "                num = struct.pack('<d', float(x)).hex()\n"
      "            except ValueError:\n"
      "                num = '-'\n"
      "            out.append(x.encode('utf-8').hex() + ':' + num)\n"
      "        print(' '.join(out))\n";
  dir.write("read_back.py", script);
  const std::string command = "python3 " + dir.file("read_back.py").string() + " " + dir.file(kStatsCsvFile).string();
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  ASSERT_TRUE(pipe);
  std::string output;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe.get())) output.append(buf, n);

  auto hex = [](std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string h;
    for (unsigned char c : bytes) {
      h += digits[c >> 4];
      h += digits[c & 15];
    }
    return h;
  };
  auto number_hex = [&](double x) {
    const auto bits = std::bit_cast<std::uint64_t>(x);
    std::string le;
    for (int i = 0; i < 8; ++i) le += static_cast<char>((bits >> (8 * i)) & 0xFF);
    return hex(le);
  };

  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), rows.size() + 1);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const StatsRow& r = rows[k];
    std::vector<std::string> fields;
    std::istringstream cells(lines[k + 1]);
    for (std::string cell; cells >> cell;) fields.push_back(cell);
    ASSERT_EQ(fields.size(), 15u) << lines[k + 1];
    // Text fields come back byte for byte.
    EXPECT_EQ(fields[0].substr(0, fields[0].find(':')), hex(stats_section_name(r.section)));
    EXPECT_EQ(fields[2].substr(0, fields[2].find(':')), hex(r.label)) << "label " << k;
    EXPECT_EQ(fields[14].substr(0, fields[14].find(':')), hex(verdict_name(r.result)));
    // Numbers come back to the same double; empty figures as empty fields.
    const Figure* figures[] = {&r.links,    &r.count_sum,         &r.volume_sum,       &r.ratio,
                               &r.rmse_pct, &r.vmt_count,         &r.vmt_volume,       &r.vmt_ratio,
                               &r.r2,       &r.target_acceptable, &r.target_preferable};
    for (std::size_t i = 0; i < std::size(figures); ++i) {
      const Figure& f = *figures[i];
      const std::string& cell = fields[3 + i];
      if (!f.has_value()) {
        EXPECT_EQ(cell, ":-") << "row " << k << ", column " << 3 + i;
        continue;
      }
      const double expected = f.kind == Figure::Kind::kWhole ? static_cast<double>(f.whole_value) : f.value;
      // A float field reads back as the double nearest its shortest text:
      // compare as float.
      const std::string got = cell.substr(cell.find(':') + 1);
      if (f.kind == Figure::Kind::kFloat) {
        double back = 0;
        const auto bits = std::stoull(got.substr(14, 2) + got.substr(12, 2) + got.substr(10, 2) + got.substr(8, 2) +
                                          got.substr(6, 2) + got.substr(4, 2) + got.substr(2, 2) + got.substr(0, 2),
                                      nullptr, 16);
        back = std::bit_cast<double>(static_cast<std::uint64_t>(bits));
        EXPECT_EQ(static_cast<float>(back), static_cast<float>(expected)) << "row " << k << ", column " << 3 + i;
      } else {
        EXPECT_EQ(got, number_hex(expected)) << "row " << k << ", column " << 3 + i;
      }
    }
  }
}

}  // namespace
}  // namespace korvo

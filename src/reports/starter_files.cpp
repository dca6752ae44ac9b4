#include "reports/starter_files.h"

#include <cstdio>
#include <stdexcept>

namespace korvo {
namespace {

// A comment line of the profile: "*", a blank, the text. Column 2 is blank,
// so no keyword can match the line.
void comment(std::string& out, std::string_view text) {
  if (text.find('\n') != std::string_view::npos) throw std::logic_error("starter profile: a comment holds a line end");
  out += text.empty() ? "*" : "* ";
  out += text;
  out += '\n';
}

// A keyword line (the keyword from column 2) and its value line.
void setting(std::string& out, std::string_view keyword, std::string_view value) {
  out += ' ';
  out += keyword;
  out += '\n';
  out += value;
  out += '\n';
}

std::string right(int v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
  return s;
}

std::string padded(std::string_view text, std::size_t width) {
  std::string s(text.substr(0, width));
  s.resize(width, ' ');
  return s;
}

}  // namespace

std::string starter_profile_text(const StarterProfile& p) {
  std::string s;
  comment(s, "PROFILE.MAS for " + p.network_file + ", written by korvo init.");
  comment(s, "");
  comment(s, "A setting is a keyword line, the keyword from column 2, and its value");
  comment(s, "on the next line. Lines without a keyword, like this one, are ignored;");
  comment(s, "keep them above a keyword, never between a keyword and its value.");
  comment(s, "Yes/no values: Y (or y) is yes, anything else is no.");
  comment(s, "");
  comment(s, "VALIDATE   Y: a validation run (volumes against ground counts);");
  comment(s, "           N: an analysis run (volumes against capacity, priced with");
  comment(s, "           the rates of KVRATES.SYN).");
  setting(s, "VALIDATE", "Y");
  if (!p.binary) {
    comment(s, "KORVODBF   the dBASE link file (columns 1-80). The report's scenario");
    comment(s, "           code is the three characters before the first \".\" of");
    comment(s, "           this name.");
    setting(s, "KORVODBF", p.network_file);
  }
  comment(s, "ASCII      Y: the links as text in HRLDXY.ASC, the screenline totals");
  comment(s, "           in SCRNLINE.ASC.");
  setting(s, "ASCII", "N");
  comment(s, "COUNTS     Y: each link's count in HRLDXY.ASC too.");
  setting(s, "COUNTS", "N");
  comment(s, "TWOWAY     Y (with ASCII): also HRLDXY2.ASC, both directions of a street");
  comment(s, "           on one line.");
  setting(s, "TWOWAY", "N");
  comment(s, "GENCOST    Y: the link's input time is its congested time");
  comment(s, "           (generalised-cost networks).");
  setting(s, "GENCOST", "N");
  if (p.binary) {
    comment(s, "VOLNAUXDBF an auxiliary dBASE file of construction codes, screenlines,");
    comment(s, "           locations and zones by node pair, in place of VOLNAUX;");
    comment(s, "           NONE: no file. With a file, DBFANODE, DBFBNODE and DBFSEQ");
    comment(s, "           name its from-node, to-node and sequence fields, and");
    comment(s, "           DBFCC, DBFSL, DBFGL, DBFZON and DBFONEWAY its construction,");
    comment(s, "           screenline, location, zone and one-way fields (NONE: none).");
    setting(s, "VOLNAUXDBF", "NONE");
    for (std::string_view key : {"DBFANODE", "DBFBNODE", "DBFSEQ", "DBFCC", "DBFSL", "DBFGL", "DBFZON", "DBFONEWAY"}) {
      setting(s, key, "NONE");
    }
  }
  comment(s, "GLS        evaluate only the links of this location code;");
  comment(s, "           0 (or less): all links.");
  setting(s, "GLS", "0");
  comment(s, "GLT        the third title line of every page (columns 1-80).");
  setting(s, "GLT", "");
  comment(s, "CSVOUT     Y: the report's tables in KVTABLES.CSV and the validation");
  comment(s, "           statistics in KVSTATS.CSV.");
  setting(s, "CSVOUT", "Y");
  comment(s, "LINKCSV    Y: one row per link in KVLINKS.CSV.");
  setting(s, "LINKCSV", "N");
  comment(s, "HTMLOUT    Y: the run on one page, KORVO.HTML.");
  setting(s, "HTMLOUT", "Y");
  comment(s, "");
  comment(s, "Not set here:");
  comment(s, "KORVOL     how many volume slots of a binary network add up to a");
  comment(s, "           link's volume; without it, all the network's slots.");
  if (!p.binary) {
    comment(s, "VOLNAUXDBF and the DBF... field keywords: an auxiliary dBASE file,");
    comment(s, "           which changes results only on a binary network. Its name");
    comment(s, "           would also be the link file's: VOLNAUXDBF and KORVODBF");
    comment(s, "           share one file name, and the later of the two sets it.");
  }
  return s;
}

std::string starter_labels_text(std::span<const LabelLine> lines) {
  std::string s;
  for (const LabelLine& l : lines) {
    // Columns 1-6 "LABEL ", 7-8 kind, 9-11 code, 12-14 validation class,
    // 15-17 analysis class, 19-26 short label, 28-67 long label.
    std::string record = "LABEL " + std::string(l.kind.view()) + right(l.code, 3) + right(l.validation_class, 3) +
                         right(l.analysis_class, 3) + " " + std::string(l.short_label.view()) + " " +
                         std::string(l.long_label.view());
    if (record.size() != 67) throw std::logic_error("starter labels: a class number does not fit its columns");
    record.resize(80, ' ');
    s += record + "\n";
  }
  return s;
}

std::string starter_database_control_text(std::string_view network_file, std::span<const ControlEntry> entries) {
  std::string s;
  s += "DATABASE.CTL for " + std::string(network_file) + ", written by korvo init\n";
  s += "Three heading lines, then LINK ALIAS lines: keyword in columns 15-25, field 27-37, factor 38-45\n";
  s += "           NO KEYWORD     FIELD         SCALE\n";
  int number = 0;
  for (const ControlEntry& e : entries) {
    if (e.comment.find('\n') != std::string::npos) {
      throw std::logic_error("starter control file: a line end in a comment");
    }
    s += "* " + e.comment + "\n";
    if (e.field.empty()) continue;
    ++number;
    char no[16];
    std::snprintf(no, sizeof no, "%02d", number % 100);
    // Columns 1-10 LINK ALIAS, 12-13 the number, 15-25 keyword, 27-37 field,
    // 38-45 the factor (always with its point: without one, F8.3 reads three
    // implied decimals).
    std::string line = "LINK ALIAS " + std::string(no) + " " + padded(e.keyword, 11) + " " + padded(e.field, 11);
    if (e.scale != 0) {
      char factor[32];
      std::snprintf(factor, sizeof factor, "%8.3f", e.scale);
      if (std::string_view(factor).size() != 8) throw std::logic_error("starter control file: a factor does not fit");
      line += factor;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    s += line + "\n";
  }
  return s;
}

std::string starter_control_file_text(std::string_view network_file, std::string_view code) {
  return "VELMAR.CTL for " + std::string(network_file) + ", written by korvo init\n FILEI\n" + std::string(code) +
         "\n FILEO\n" + std::string(code) + "\n";
}

}  // namespace korvo

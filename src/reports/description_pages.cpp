#include "reports/description_pages.h"

#include <array>
#include <string>

#include "reports/banner.h"

namespace korvo {
namespace {

constexpr int kTitleRows = 8;

// KORVO in block letters: strokes three characters wide, three blanks
// between letters; every row is 69 characters and starts in column 12.
constexpr std::array<std::string_view, kTitleRows> kLetterK = {"***     ***", "***   ***  ", "*** ***    ",
                                                               "******     ", "******     ", "*** ***    ",
                                                               "***   ***  ", "***     ***"};
constexpr std::array<std::string_view, kTitleRows> kLetterO = {"  *******  ", " ***   *** ", "***     ***",
                                                               "***     ***", "***     ***", "***     ***",
                                                               " ***   *** ", "  *******  "};
constexpr std::array<std::string_view, kTitleRows> kLetterR = {"*********  ", "***    *** ", "***     ***",
                                                               "***    *** ", "*********  ", "*** ***    ",
                                                               "***   ***  ", "***     ***"};
constexpr std::array<std::string_view, kTitleRows> kLetterV = {"***       ***", "***       ***", " ***     *** ",
                                                               " ***     *** ", "  ***   ***  ", "  ***   ***  ",
                                                               "   *** ***   ", "    *****    "};

void write_title_page(RecordSink& out) {
  static constexpr auto kFormFeed = "(A,12/)"_layout;
  static constexpr auto kRow = "(T12,A,3X,A,3X,A,3X,A,3X,A)"_layout;
  write_record(out, kFormFeed, "\f");
  for (std::size_t r = 0; r < kTitleRows; ++r) {
    write_record(out, kRow, kLetterK[r], kLetterO[r], kLetterR[r], kLetterV[r], kLetterO[r]);
  }
}

constexpr std::string_view kProgramText[] = {
    "A GENERAL PURPOSE HIGHWAY EVALUATION PROGRAM DESIGNED", "TO PROVIDE THE TRANSPORTATION PLANNER WITH A TOOL TO",
    "EVALUATE A HIGHWAY ASSIGNMENT.  THE PROGRAM OPERATES",  "IN TWO MODES.  ONE MODE ALLOWS THE USER TO PRINT A",
    "VARIETY OF REPORTS DESIGNED TO ASSIST IN THE",          "TASK OF MODEL VALIDATION.  THIS MODE IS REFERRED",
    "TO INTERNALLY AS VALIDATION AND IS SET BY THE",         "USER WITH A STATEMENT - \"VALIDATE=T\"",
    "THE OTHER MODE IS AS AN ASSIGNMENT ANALYSIS TOOL.",     "THIS MODE IS GENERALLY USED FOR ASSIGNMENTS TO FUTURE",
    "YEAR NETWORKS.  THIS MODE IS SET BY THE USER WITH A",   "STATEMENT \"ANALYSIS=T\".",
};

constexpr std::string_view kFacilityTypes[] = {
    "FACILITY TYPE 1 - FREEWAYS",
    "FACILITY TYPE 2 - EXPRESSWAYS AND DIVIDED ARTERIALS",
    "FACILITY TYPE 3 - UNDIVIDED ARTERIALS",
    "FACILITY TYPE 4 - COLLECTORS",
    "FACILITY TYPE 5 - LOCALS (CENTROID CONNECTORS) - NOT INCLUDED",
    "FACILITY TYPE 6 - ONE WAYS",
    // Type 7 is not used.
    "FACILITY TYPE 8 - HOV LINKS",
    "FACILITY TYPE 9 - TOLL RAMPS",
};

constexpr std::string_view kAreaTypes[] = {
    "AREA TYPE 1 - CBD", "AREA TYPE 2 - FRINGE", "AREA TYPE 3 - RESIDENTIAL",
    "AREA TYPE 4 - OBD", "AREA TYPE 5 - RURAL",
};

constexpr std::string_view kConstructionCodes[] = {
    "1  -  ADD 2 LANES, FT REMAINS SAME (ONE WAY - ADD 1 LANE)",
    "2  -  ADD 4 LANES, FT REMAINS SAME (ONE WAY - ADD 2 LANES)",
    "3  -  ADD 6 LANES, FT REMAINS SAME (ONE WAY - ADD 3 LANES)",
    "4  -  ADD 2 LANES, UPGRADE FT BY 1",
    "5  -  ADD 2 LANES, UPGRADE FT BY 2",
    "6  -  ADD 4 LANES, UPGRADE FT BY 1",
    "7  -  NEW CONSTRUCTION - 2 LANES (ONE WAY - 1 LANE)",
    "8  -  NEW CONSTRUCTION - 4 LANES (ONE WAY - 2 LANES)",
    "9  -  NEW CONSTRUCTION - 6 LANES (ONE WAY - 3 LANES)",
    "0  -  NO NEW CONSTRUCTION",
};

// Column 2 and column 7 texts of the description and assumptions pages.
void heading(RecordSink& out, std::string_view text) {
  static constexpr auto kHeading = "(T2,A)"_layout;
  write_record(out, kHeading, text);
}
void body(RecordSink& out, std::string_view text) {
  static constexpr auto kBody = "(T7,A)"_layout;
  write_record(out, kBody, text);
}
void empty_line(RecordSink& out) { out.write_record({}); }

void write_description_page(RecordSink& out, const RunStamp& stamp, std::string_view run_type_name) {
  static constexpr auto kStamp = "(T7,A8,' (DDMMMYY)  ',A8,' (HH.MM.SS) ')"_layout;
  write_banner(out, "DESCRIPTION");
  heading(out, "KORVO MODULE (Q7730518.DRIVER.SETUP.FORT(KORVO))");
  empty_line(out);
  for (std::string_view text : kProgramText) body(out, text);
  empty_line(out);

  heading(out, "INPUT DATA FOR THIS RUN:");
  empty_line(out);
  // Fixed texts: the same whatever the link source.
  body(out, "USES HRLDXY FILE AS DATA SOURCE");
  body(out, "RATES=1979 UROAD AND CUTS RATES");
  empty_line(out);
  heading(out, "OUTPUT DATA SETS FOR THIS RUN:");
  empty_line(out);
  body(out, "PRINTOUT ONLY");
  empty_line(out);
  heading(out, "DATE AND TIME OF THIS RUN:");
  empty_line(out);
  write_record(out, kStamp, stamp.date, stamp.time);
  empty_line(out);
  heading(out, "TYPE OF RUN:");
  empty_line(out);
  body(out, run_type_name);
}

void write_assumptions_page(RecordSink& out) {
  write_assumptions_banner(out);
  heading(out, "FACILITY AND AREA TYPES AS DEFINED IN THE VOLN MODULE:");
  empty_line(out);
  for (std::string_view text : kFacilityTypes) body(out, text);
  empty_line(out);
  for (std::string_view text : kAreaTypes) body(out, text);
  empty_line(out);
  heading(out, "LANE VALUES REPORTED ARE TRUE LANE VALUES.");
}

}  // namespace

void write_description_pages(RecordSink& report, const RunStamp& stamp, std::string_view run_type_name) {
  write_title_page(report);
  write_description_page(report, stamp, run_type_name);
  write_assumptions_page(report);
}

void write_assumptions_banner(RecordSink& report) { write_banner(report, "ASSUMPTIONS"); }

void write_construction_code_definitions(RecordSink& report) {
  static constexpr auto kIntro =
      "(/T6,'KORVO USES CONSTRUCTION CODES TO CALCULATE NEW AND IMPROVED'/"
      "T6,'LANE MILES AND CONSTRUCTION COSTS. THE CODE DEFINITIONS ARE:'//T11,'CODE')"_layout;
  static constexpr auto kCode = "(T12,A)"_layout;
  write_record(report, kIntro);
  for (std::string_view text : kConstructionCodes) write_record(report, kCode, text);
  for (int k = 0; k < 3; ++k) empty_line(report);
}

void write_no_aux_file_notice(RecordSink& report) {
  static constexpr auto kNoFile =
      "(A,' NO AUXILIARY FILE AVAILABLE -- ALL CONSTRUCTION CODES REPORTED AS \"0\" (10)')"_layout;
  write_record(report, kNoFile, "\f");
}

}  // namespace korvo

// The class tables: what one labels record does to the maps, the labels and
// the class counts, in each run type.

#include "evaluation/class_tables.h"

#include <gtest/gtest.h>

#include <string>

namespace korvo {
namespace {

LabelsRecord record(const std::string& kind, int code, int validation_class, int analysis_class,
                    const std::string& short_label = "", const std::string& long_label = "") {
  LabelsRecord r;
  r.kind.assign(kind);
  r.code = code;
  r.validation_class = validation_class;
  r.analysis_class = analysis_class;
  r.short_label.assign(short_label);
  r.long_label.assign(long_label);
  return r;
}

class ClassTablesTest : public ::testing::Test {
 protected:
  ClassTablesTest() { start_labels_classes(c); }
  LabelsOutcome apply(const LabelsRecord& r, bool analysis) { return apply_labels_record(c, counts, r, analysis); }

  ClassTables c;
  LabelsCounts counts;
};

TEST_F(ClassTablesTest, StartingTheLabelsLeavesEveryCodeUnselectedInValidation) {
  for (int code : {1, 9, 10, 57, 99}) {
    EXPECT_EQ(c.ft_class(code), 0) << code;
    EXPECT_EQ(c.at_class(code), 0) << code;
    EXPECT_EQ(c.ft_analysis_map[static_cast<std::size_t>(code)], code <= 9 ? code : code / 10) << code;
  }
}

TEST_F(ClassTablesTest, ValidationRecordsSetTheValidationMapsAndLongLabels) {
  EXPECT_EQ(apply(record("FT", 21, 12, 2, "DIV ART", "Divided arterials, all kinds"), false), LabelsOutcome::kApplied);
  EXPECT_EQ(apply(record("AT", 3, 2, 3, "SUBURB", "Suburban"), false), LabelsOutcome::kApplied);
  EXPECT_EQ(apply(record("FT", 22, -4, 2), false), LabelsOutcome::kApplied);  // a negative class selects nothing
  EXPECT_EQ(c.ft_class(21), 12);
  EXPECT_EQ(c.ft_class(22), 0);
  EXPECT_EQ(c.at_class(3), 2);
  EXPECT_EQ(c.ft_class_label[12].view(), "Divided arterial");  // the long label's first 16 characters
  EXPECT_EQ(c.at_class_label[2].trimmed(), "Suburban");
  EXPECT_EQ(c.ft_analysis_map[21], 2);  // untouched
  finish_labels_classes(c, counts);
  EXPECT_EQ(c.nft, 13);
  EXPECT_EQ(c.nat, 3);
  EXPECT_EQ(c.ft_label(13), ClassTables::kTotal16);
  EXPECT_EQ(c.at_short(3), "   Total");
}

TEST_F(ClassTablesTest, AnalysisRecordsSetTheAnalysisMapsWithinTheirLimits) {
  EXPECT_EQ(apply(record("FT", 21, 12, 9, "DIV ART", "Divided arterials"), true), LabelsOutcome::kApplied);
  EXPECT_EQ(apply(record("FT", 22, 12, 10, "TOO BIG", "Ten"), true), LabelsOutcome::kFtClassTooHigh);
  EXPECT_EQ(apply(record("AT", 3, 1, 11, "EDGE", "Eleven"), true), LabelsOutcome::kApplied);
  EXPECT_EQ(apply(record("AT", 4, 1, 12, "OVER", "Twelve"), true), LabelsOutcome::kAtClassTooHigh);
  EXPECT_EQ(c.ft_analysis_map[21], 9);
  EXPECT_EQ(c.ft_analysis_map[22], 2);  // a rejected record leaves its code's class
  EXPECT_EQ(c.at_analysis_map[3], 11);
  EXPECT_EQ(c.ft_class_label[9].trimmed(), "DIV ART");  // the short label names the class
  EXPECT_EQ(c.at_short_label[11].view(), "EDGE    ");
  EXPECT_EQ(c.ft_class(21), 0);  // the validation maps stay empty
  use_analysis_maps(c);
  EXPECT_EQ(c.ft_class(21), 9);
  finish_labels_classes(c, counts);
  EXPECT_EQ(c.nft, 10);
  EXPECT_EQ(c.nat, 12);
}

TEST_F(ClassTablesTest, OnlyFtAndAtAreKinds) {
  for (const char* kind : {"", "ft", "XX", "F "}) {
    EXPECT_EQ(apply(record(kind, 1, 1, 1), false), LabelsOutcome::kNeitherFtNorAt) << kind;
  }
}

TEST_F(ClassTablesTest, CodesOutsideOneToNinetyNineSetNothing) {
  for (int code : {0, 100, -3}) {
    EXPECT_EQ(apply(record("FT", code, 7, 7), false), LabelsOutcome::kApplied);
    EXPECT_EQ(apply(record("AT", code, 7, 7), true), LabelsOutcome::kApplied);
  }
  EXPECT_EQ(counts.nft, 0);
  EXPECT_EQ(counts.nat, 0);
  finish_labels_classes(c, counts);
  EXPECT_EQ(c.nft, 1);
  EXPECT_EQ(c.nat, 1);
}

// Validation classes have three columns: up to 999, and the Total class.
TEST_F(ClassTablesTest, ClassCountsStopAtTheAccumulatorLayoutsLimit) {
  apply(record("FT", 5, 999, 1), false);
  apply(record("AT", 5, 999, 1), false);
  finish_labels_classes(c, counts);
  EXPECT_EQ(c.nft, 1000);
  EXPECT_EQ(c.nat, 1000);
  EXPECT_EQ(c.ft_label(999), std::string(16, ' '));  // no stored label beyond 99
}

}  // namespace
}  // namespace korvo

// Which field each keyword reads, and the factors a survey gives the
// distance and the times.
#include "app/field_matching.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "dbf_writer.h"

namespace korvo {
namespace {

using fixtures::DbfFieldDef;
using fixtures::DbfTable;

std::unique_ptr<DbfSurvey> surveyed(const DbfTable& table, std::string& bytes) {
  auto survey = std::make_unique<DbfSurvey>();
  bytes = table.bytes();
  ByteStream stream = ByteStream::from_memory(bytes, "LINKS.DBF");
  read_survey_header(stream, *survey);
  SurveyPlan plan;
  for (int k = 1; k <= survey->fields.count; ++k) plan.measured.set(static_cast<std::size_t>(k));
  survey_dbf_records(stream, plan, *survey);
  return survey;
}

std::string chosen_name(const DbfSurvey& s, const FieldChoices& c, LinkKeyword slot) {
  const int k = c[slot].field;
  return k == 0 ? "-" : s.fields[k].display_name();
}

TEST(FieldMatching, NoOtherNameIsAKeywordsOwnName) {
  // A LINK ALIAS line renames a slot; a later line that addressed a keyword
  // by a name an earlier line gave would rename the wrong slot.
  std::set<std::string_view> keywords(kLinkKeywordNames.begin(), kLinkKeywordNames.end());
  std::set<std::string_view> seen;
  for (const FieldSynonyms& s : kFieldSynonyms) {
    for (std::string_view name : s.names) {
      EXPECT_EQ(keywords.count(name), 0u) << name;
      EXPECT_TRUE(seen.insert(name).second) << name << " serves two keywords";
      EXPECT_EQ(upper_ascii(name), name);
      EXPECT_LE(name.size(), 10u) << name;
    }
  }
}

TEST(FieldMatching, OwnNameFirstThenOtherCaseThenTheFirstCommonName) {
  // Fields: exact ANODE, "bnode" in lower case, LENGTH and DIST both
  // distance names (LENGTH listed first), T0 for the free-flow time, a field
  // named TIME (the keyword's own: it wins over FFTIME), VOLUME, AADT, and
  // no DIR, ZONE, USE, LANDUSE, COST.
  DbfTable t({{"ANODE", 'N', 7},
              {"bnode", 'N', 7},
              {"DIST", 'N', 6, 2},
              {"LENGTH", 'N', 6, 2},
              {"FFTIME", 'N', 6, 2},
              {"TIME", 'N', 6},
              {"at", 'N', 2},
              {"FacType", 'N', 2},
              {"LANES", 'N', 2},
              {"CAP", 'N', 6},
              {"AADT", 'N', 7},
              {"SL", 'N', 2},
              {"LOC", 'N', 3},
              {"CC", 'N', 2},
              {"CTIME", 'N', 6, 2},
              {"VOLUME", 'N', 7},
              {"TWOWAY", 'N', 1},
              {"NAME", 'C', 20}});
  t.add({1, 2, 0.5, 0.5, 1.0, 100, 1, 11, 2, 1800, 0, 0, 0, 0, 1.2, 900, 1, "x"});
  std::string bytes;
  const auto s = surveyed(t, bytes);
  const FieldChoices c = match_link_fields(s->fields);
  struct Case {
    LinkKeyword slot;
    const char* field;
    FieldMatch match;
  };
  const Case cases[] = {
      {LinkKeyword::kAnode, "ANODE", FieldMatch::kExact},       {LinkKeyword::kBnode, "bnode", FieldMatch::kOtherCase},
      {LinkKeyword::kDistance, "LENGTH", FieldMatch::kSynonym}, {LinkKeyword::kTime, "TIME", FieldMatch::kExact},
      {LinkKeyword::kAtype, "at", FieldMatch::kSynonym},        {LinkKeyword::kFtype, "FacType", FieldMatch::kSynonym},
      {LinkKeyword::kCapacity, "CAP", FieldMatch::kSynonym},    {LinkKeyword::kCount, "AADT", FieldMatch::kSynonym},
      {LinkKeyword::kScreenline, "SL", FieldMatch::kSynonym},   {LinkKeyword::kLocation, "LOC", FieldMatch::kSynonym},
      {LinkKeyword::kConstruct, "CC", FieldMatch::kSynonym},    {LinkKeyword::kCongTime, "CTIME", FieldMatch::kSynonym},
      {LinkKeyword::kModelvol, "VOLUME", FieldMatch::kSynonym}, {LinkKeyword::kTwflag, "TWOWAY", FieldMatch::kSynonym},
      {LinkKeyword::kDir, "ANODE", FieldMatch::kStandIn},       {LinkKeyword::kZone, "ANODE", FieldMatch::kStandIn},
      {LinkKeyword::kUse, "ANODE", FieldMatch::kStandIn},       {LinkKeyword::kLanduse, "ANODE", FieldMatch::kStandIn},
      {LinkKeyword::kCost, "-", FieldMatch::kMissing},
  };
  for (const Case& e : cases) {
    EXPECT_EQ(chosen_name(*s, c, e.slot), e.field) << keyword_name(e.slot);
    EXPECT_EQ(c[e.slot].match, e.match) << keyword_name(e.slot);
  }
  EXPECT_TRUE(needs_database_control(c));
}

TEST(FieldMatching, FactorsForMilesAndMinutesWithDecimalsAndDoubtsForOddUnits) {
  struct Case {
    const char* what;
    DbfFieldDef distance;
    std::vector<double> miles;
    double scale;
    bool doubt;
  };
  const Case cases[] = {
      {"miles with two decimals", {"DISTANCE", 'N', 7, 2}, {0.25, 1.5, 3.0}, 100, false},
      {"hundredths as whole numbers", {"DISTANCE", 'N', 6}, {25, 150, 300}, 0, false},
      {"whole miles", {"DISTANCE", 'N', 6}, {1, 2, 1}, 0, true},
      {"kilometres or feet with decimals", {"DISTANCE", 'N', 9, 2}, {0.5, 250.0, 3.0}, 100, true},
      {"an F field with decimals", {"DISTANCE", 'F', 8, 2}, {0.5, 1.25}, 100, false},
  };
  for (const Case& e : cases) {
    DbfTable t({e.distance, {"TIME", 'N', 6, 2}});
    for (double m : e.miles) t.add({m, 1.5});
    std::string bytes;
    const auto s = surveyed(t, bytes);
    FieldChoices c = match_link_fields(s->fields);
    choose_scales(*s, c);
    EXPECT_EQ(c[LinkKeyword::kDistance].scale, e.scale) << e.what;
    EXPECT_EQ(!c[LinkKeyword::kDistance].doubt.empty(), e.doubt) << e.what << ": " << c[LinkKeyword::kDistance].doubt;
    EXPECT_EQ(c[LinkKeyword::kTime].scale, 100) << e.what;
    EXPECT_EQ(c[LinkKeyword::kDistance].match, FieldMatch::kExact);
    EXPECT_TRUE(needs_database_control(c)) << e.what;  // the time's factor at least
  }
}

TEST(FieldMatching, ATableInKorvosOwnTermsNeedsNoControlFile) {
  DbfTable t(fixtures::link_table_fields());
  std::string bytes;
  const auto s = surveyed(t, bytes);
  FieldChoices c = match_link_fields(s->fields);
  choose_scales(*s, c);
  for (int slot = 1; slot <= kLinkKeywordCount; ++slot) {
    EXPECT_EQ(c[static_cast<std::size_t>(slot)].match, FieldMatch::kExact) << keyword_name(slot);
  }
  EXPECT_FALSE(needs_database_control(c));
}

}  // namespace
}  // namespace korvo

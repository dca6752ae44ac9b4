#include "scenario_texts.h"

#include <gtest/gtest.h>

#include <string>

#include "common/text_file.h"
#include "input/rates.h"

namespace korvo::fixtures {
namespace {

TEST(ScenarioTexts, RatesFileReadsAsPlannedRates) {
  RateTables t;
  const std::string text = scenario_rates_file();
  TextReader rates = TextReader::from_memory(text, "KVRATES.SYN");
  read_rate_tables(rates, t);
  struct Case {
    const char* what;
    float value;
    float expected;
  };
  const Case cases[] = {
      {"accident rate, freeways", t.accident[1], 1.10f},
      {"accident rate, locals", t.accident[5], 5.50f},
      {"fatality rate, arterials", t.fatality[2], 0.022f},
      {"cost per fatality", t.unit_cost[3], 950000.0f},
      {"CO below 20 mph, freeways", t.carbon_monoxide[1][1], 62.0f},
      {"NOx at 60 mph and over, locals", t.nitrogen_oxides[10][5], 4.62f},
      {"fuel below 20 mph, freeways", t.fuel[1][1], 0.095f},
      {"fuel at 65 mph and over, freeways", t.fuel[11][1], 0.063f},
      {"adding two freeway lanes", t.construction_cost[1][1], 2000.0f},
      {"new six-lane freeway", t.construction_cost[9][1], 9600.0f},
      {"no construction", t.construction_cost[10][1], 0.0f},
      {"user cost 60-65 mph, freeways", t.user_cost[10][1], 0.35f},
      {"maintenance of nine freeway lanes", t.maintenance_cost[9][1], 81000.0f},
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(c.value, c.expected) << c.what;
  // Emission rates fall with speed up to the fifties, as the tables of the
  // period do.
  for (int s = 2; s <= 8; ++s) EXPECT_LT(t.carbon_monoxide[s][1], t.carbon_monoxide[s - 1][1]) << "speed class " << s;
}

TEST(ScenarioTexts, ProfileNamesTheNetworkAndTheSwitches) {
  ScenarioOptions o{.links = 500, .run_type = ScenarioRunType::kAnalysis, .seed = 2};
  EXPECT_EQ(scenario_profile(o, "NET45A.DBF"),
            " ANALYSIS\nY\n ASCII\nY\n TWOWAY\nY\n COUNTS\nY\n KORVODBF\nNET45A.DBF\n"
            " GLT\nGENERATED SCENARIO 45A: 500 LINKS, SEED 2\n");
  o.links = 200'001;  // beyond the two-way table: no ASCII files by default
  o.source = ScenarioSource::kBinary;
  o.run_type = ScenarioRunType::kValidation;
  EXPECT_EQ(scenario_profile(o, "HRLDXY.26A"), " VALIDATE\nY\n GLT\nGENERATED SCENARIO 26A: 200001 LINKS, SEED 2\n");
}

}  // namespace
}  // namespace korvo::fixtures

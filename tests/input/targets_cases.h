#pragma once
// KVTARGET.SYN files for the reader's tests and the fuzz seeds: sound files,
// and broken ones with the console line each must give.

#include <string>
#include <vector>

namespace korvo::testing {

struct TargetsFile {
  std::string name;
  std::string text;
};

struct BadTargetsCase {
  std::string name;
  std::string text;
  std::string error;  // the FileError's console line
};

// n lines of kind "FT" (classes 1..n) or "RMSE" (groups of 100 counts).
inline std::string many_target_lines(const std::string& kind, int n) {
  std::string text;
  for (int k = 1; k <= n; ++k) {
    text += kind == "FT" ? "FT " + std::to_string(k) + " 7 6\n"
                         : "RMSE " + std::to_string(100 * k) + " " + std::to_string(100 * k + 99) + " 45 35\n";
  }
  return text;
}

inline std::vector<TargetsFile> sound_targets_files() {
  return {
      {"empty", ""},
      {"comments_only", "# no targets: the defaults hold\n\n   # indented\n"},
      {"every_kind",
       "# count groups\n"
       "RMSE 0 9999 60 45\n"
       "RMSE 10000 - 30 20\n"
       "AREA RMSE 40 30\n"
       "AREA VMT 4 2.5\n"
       "FT 1 7 6   # freeways\n"
       "FT 120 15 10\n"
       "AT 3 25 15\n"
       "GEH 0.1 85\n"},
      {"lower_case_tabs_crlf", "rmse\t0\t-\t45\t35\r\narea vmt 5 2\r\nft 2 .5 0.25\r\ngeh 1 100\r\n"},
      {"groups_in_descending_order", "RMSE 20000 - 20 10\nRMSE 5000 19999 40 30\nRMSE 0 4999 100 45\n"},
      {"sixty_four_ft_lines", many_target_lines("FT", 64)},
  };
}

inline std::vector<BadTargetsCase> bad_targets_cases() {
  const std::string f = " KVTARGET.SYN, ";
  return {
      {"unknown_keyword", "VMT 5 2\n", f + "line 1 (keyword): expected RMSE, AREA, FT, AT or GEH, found \"VMT\""},
      {"area_kind_unknown", "AREA VOL 5 2\n", f + "line 1 (AREA kind): expected RMSE or VMT, found \"VOL\""},
      {"area_kind_missing", "AREA\n", f + "line 1 (AREA kind): expected RMSE or VMT, found the end of the line"},
      {"rmse_hi_not_a_number", "# groups\n\nRMSE 0 4999 100 45\nRMSE 5000 5k 45 35\n",
       f + "line 4 (RMSE hi): expected a whole number or \"-\", found \"5k\""},
      {"rmse_hi_missing", "RMSE 0\n",
       f + "line 1 (RMSE hi): expected a whole number or \"-\", found the end of the line"},
      {"rmse_lo_decimal", "RMSE 1.5 9 45 35\n", f + "line 1 (RMSE lo): expected a whole number, found \"1.5\""},
      {"rmse_lo_negative", "RMSE -5 9 45 35\n", f + "line 1 (RMSE lo): expected a whole number, found \"-5\""},
      {"rmse_lo_too_long", "RMSE 1234567890 - 19 10\n",
       f + "line 1 (RMSE lo): expected a whole number of at most 9 digits, found \"1234567890\""},
      {"rmse_hi_below_lo", "RMSE 5000 4999 45 35\n",
       f + "line 1 (RMSE hi): expected at least lo (5000), found \"4999\""},
      {"rmse_groups_overlap", "RMSE 0 4999 100 45\nRMSE 4000 9999 45 35\n",
       f + "line 2 (RMSE lo): expected a group clear of 0-4999 (line 1), found 4000-9999"},
      {"rmse_two_open_groups", "RMSE 60000 - 19 10\nRMSE 70000 - 19 10\n",
       f + "line 2 (RMSE lo): expected a group clear of 60000+ (line 1), found 70000+"},
      {"rmse_group_after_the_open_one", "RMSE 60000 - 19 10\nRMSE 70000 79999 19 10\n",
       f + "line 2 (RMSE lo): expected a group clear of 60000+ (line 1), found 70000-79999"},
      {"rmse_extra_field", "RMSE 0 - 45 35 x\n",
       f + "line 1 (RMSE): expected the end of the line after 5 fields, found \"x\""},
      {"rmse_65_lines", many_target_lines("RMSE", 65),
       f + "line 65 (RMSE): expected at most 64 lines of this kind, found line 65 of them"},
      {"area_rmse_acc_text", "AREA RMSE x 35\n",
       f + "line 1 (AREA RMSE acc): expected a number of 0 or more, found \"x\""},
      {"area_vmt_pref_negative", "AREA VMT 5 -2\n",
       f + "line 1 (AREA VMT pref): expected a number of 0 or more, found \"-2\""},
      {"area_vmt_twice", "AREA VMT 5 2\nAREA VMT 6 3\n",
       f + "line 2 (AREA VMT): expected one line of this kind (the first is line 1), found a second"},
      {"ft_acc_exponent", "FT 1 1e1 5\n", f + "line 1 (FT acc): expected a number of 0 or more, found \"1e1\""},
      {"ft_acc_two_points", "FT 1 1.2.3 1\n", f + "line 1 (FT acc): expected a number of 0 or more, found \"1.2.3\""},
      {"ft_pref_above_acc", "FT 2 10 15\n",
       f + "line 1 (FT pref): expected at most the acceptable target (10), found \"15\""},
      {"ft_class_0", "FT 0 7 6\n", f + "line 1 (FT class): expected a class 1 to 999, found \"0\""},
      {"ft_class_text", "FT fwy 7 6\n", f + "line 1 (FT class): expected a class 1 to 999, found \"fwy\""},
      {"ft_class_control_byte", "FT \x01 7 6\n", f + "line 1 (FT class): expected a class 1 to 999, found \"\\x01\""},
      {"ft_class_twice", "FT 1 7 6\nft 1 5 3\n",
       f + "line 2 (FT class): expected each class once (the first is line 1), found \"1\""},
      {"ft_extra_field", "FT 1 7 6 5\n", f + "line 1 (FT): expected the end of the line after 4 fields, found \"5\""},
      {"ft_65_lines", many_target_lines("FT", 65),
       f + "line 65 (FT): expected at most 64 lines of this kind, found line 65 of them"},
      {"at_class_1000", "AT 1000 25 15\n", f + "line 1 (AT class): expected a class 1 to 999, found \"1000\""},
      {"at_pref_missing", "AT 3 25\n",
       f + "line 1 (AT pref): expected a number of 0 or more, found the end of the line"},
      {"geh_hour_factor_0", "GEH 0 85\n", f + "line 1 (GEH hourfactor): expected a number above 0, found \"0\""},
      {"geh_share_above_100", "GEH 0.1 120\n",
       f + "line 1 (GEH share): expected a number from 0 to 100, found \"120\""},
      {"geh_share_missing", "GEH 0.1\n",
       f + "line 1 (GEH share): expected a number from 0 to 100, found the end of the line"},
      {"geh_twice", "GEH 0.1 85\n# again\nGEH 0.1 90\n",
       f + "line 3 (GEH): expected one line of this kind (the first is line 1), found a second"},
      {"geh_extra_field", "GEH 0.1 85 x\n",
       f + "line 1 (GEH): expected the end of the line after 3 fields, found \"x\""},
  };
}

}  // namespace korvo::testing

#include "evaluation/labels.h"

#include "run/run_context.h"

namespace korvo {

void set_default_classes(RunContext& ctx) {
  ClassTables& c = ctx.classes;
  c.nft = 10;
  c.nat = 6;
  for (int code = 1; code <= kMaxCode; ++code) {
    const auto i = static_cast<std::size_t>(code);
    const auto analysis = static_cast<std::int16_t>(code <= 9 ? code : code / 10);
    c.ft_class_map[i] = static_cast<std::int16_t>(code);
    c.at_class_map[i] = static_cast<std::int16_t>(code);
    c.ft_analysis_map[i] = analysis;
    c.at_analysis_map[i] = analysis;
    const char digits[2] = {code < 10 ? ' ' : static_cast<char>('0' + code / 10), static_cast<char>('0' + code % 10)};
    c.ft_class_label[i].assign(std::string_view(digits, 2));
    c.at_class_label[i].assign(std::string_view(digits, 2));
  }
  static constexpr std::string_view kFt[] = {"Freeway",          "Divided Arterial", "Undivid.Arterial",
                                             "Collector Street", "Local Streets",    "Oneway Streets",
                                             "Not Used",         "HOV Facilities",   "TOLL Facilities"};
  static constexpr std::string_view kAt[] = {"Central Business District", "CBD Fringe", "Residential",
                                             "Outlying Business District", "Rural Areas"};
  static constexpr std::string_view kShort[] = {"     CBD", "  Fringe", "   Resid", " Out CBD", "   Rural", "   Total"};
  for (std::size_t k = 0; k < 9; ++k) c.ft_class_label[k + 1].assign(kFt[k]);
  for (std::size_t k = 0; k < 5; ++k) c.at_class_label[k + 1].assign(kAt[k]);
  for (std::size_t k = 0; k < 6; ++k) c.at_short_label[k + 1].assign(kShort[k]);
  c.ft_class_label[static_cast<std::size_t>(c.nft)].assign("Total");
  c.at_class_label[static_cast<std::size_t>(c.nat)].assign("Total");
}

void prepare_labels_and_selection(RunContext& ctx) {
  // Screenline names and the labels file arrive with the labels reader.
  set_default_classes(ctx);
}

}  // namespace korvo

#include "reports/report_events.h"

#include "evaluation/accumulators.h"

namespace korvo {

void ReportEvents::screenline_list_full(int limit) {
  static constexpr auto kSlFatal =
      "(T2,'******** FATAL ******** THERE ARE MORE THAN',I4,"
      "' LINKS IN THIS SCREENLINE (THAT IS A LIMIT PLACED BY THE PROGRAM).')"_layout;
  static constexpr auto kSl99Fatal =
      "(T2,'******** FATAL ******** THERE ARE MORE THAN',I5,"
      "' LINKS IN THIS SCREENLINE (THAT IS A LIMIT PLACED BY THE PROGRAM).')"_layout;
  if (limit == kScreenlineListLimit) {
    write_record(report_, kSlFatal, limit);
  } else {
    write_record(report_, kSl99Fatal, limit);
  }
}

void ReportEvents::no_volume_list_full(int limit) {
  static constexpr auto kFatal =
      "(T2,'******** FATAL ******** THERE ARE MORE THAN',I5,"
      "' LINKS WITH NO ASSIGNED VOLUME (THAT IS A LIMIT PLACED BY THE PROGRAM).')"_layout;
  write_record(report_, kFatal, limit);
}

void ReportEvents::screenline_not_the_same(std::int32_t anode, std::int32_t bnode, int screenline) {
  static constexpr auto kNotSame =
      "(' ***INFO*** LINK',I6,' -',I6,' IS TWOWAY -- SCREEN LINE',I3,' IS NOT THE SAME FOR LINK',I6,' -',I6)"_layout;
  write_record(report_, kNotSame, anode, bnode, screenline, bnode, anode);
}

void ReportEvents::link_skipped(const LinkRecord& link, int ft_code) { side_files_.list_skipped_link(link, ft_code); }

void ReportEvents::construction_code_inconsistent() {
  console_.line(" ***INFO*** CONSTRUCTION CODE INCONSISTENCY -- COST TABLE ZEROED");
}

void ReportEvents::aux_link_not_found(std::int32_t anode, std::int32_t bnode) {
  static constexpr auto kNotFound = "(' ***INFO*** DBF LINK',I7,' -',I7,' NOT FOUND ON THE HRLDXY FILE')"_layout;
  write_record(report_, kNotFound, anode, bnode);
}

void ReportEvents::aux_network_mismatch(std::int32_t anode, std::int32_t bnode, std::int32_t from, std::int32_t to) {
  static constexpr auto kMismatch = "(' *** ERROR *** ZEFA HIGHWAY NETWORK AUXILIARY FILE MISMATCH')"_layout;
  static constexpr auto kLooking = "(14X,'LOOKING FOR LINK',I6,' -',I6,' AND FOUND LINK',I6,' -',I6)"_layout;
  write_record(report_, kMismatch);
  write_record(report_, kLooking, anode, bnode, from, to);
}

}  // namespace korvo

#pragma once
// A link as the tests that feed the evaluation build it in code; the one
// copy into a link record is fixtures::copy_link_attributes.

#include "link_attributes.h"

namespace korvo::testing {

// A link as a dBASE link file codes it, with the values most tests want:
// 1 mile of facility type 1 and area type 1, 2 lanes, 1.2 minutes free-flow
// and 1.5 congested, capacity 1000, volume 500, no count.
struct CodedLink {
  int anode = 10;
  int bnode = 20;
  int distance = 100;
  int facility_type = 1;
  int area_type = 1;
  int lanes = 2;
  int time = 120;
  int congested_time = 150;
  int capacity = 1000;
  int count = 0;
  int volume = 500;
  int screenline = 0;
  bool two_way = false;
  int location = 0;
  int construct = 0;
  int cost = 0;
};

}  // namespace korvo::testing

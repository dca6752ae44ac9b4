#pragma once
// The rate pages of an analysis run: the accident, injury and fatality
// rates, the emission tables, the fuel table, the construction code
// definitions and the construction cost table. They carry their own form
// feeds and are not counted by the page-break check.

#include "common/layout.h"
#include "input/rates.h"

namespace korvo {

void write_rate_pages(RecordSink& report, const RateTables& tables);

}  // namespace korvo

#include "reports/links_csv.h"

#include "evaluation/link_measures.h"

namespace korvo {
namespace {

constexpr std::string_view kLosLetters = " ABCDEF";

}  // namespace

void LinksCsvWriter::open(const WorkDir& dir, bool analysis) {
  failure_.reset();
  analysis_ = analysis;
  open_ = true;
  try {
    if (dir.exists(kLinksCsvFile)) dir.remove(kLinksCsvFile);
    file_.create(dir.path(kLinksCsvFile), kLinksCsvFile);
    file_.write_record(kLinksCsvHeader);
  } catch (const WriteError& error) {
    failure_ = error;
  }
}

void LinksCsvWriter::add(const StatsLink& link, const LinkCsvExtras& extras) {
  if (!open_ || failure_) return;
  const auto whole = [this](std::int64_t value) { csv_.number(value); };
  const auto class_field = [&](int cls) {
    if (cls > 0) {
      whole(cls);
    } else {
      csv_.empty();
    }
  };
  const bool evaluated = link.status == LinkOutcome::kEvaluated;
  whole(link.anode);
  whole(link.bnode);
  whole(link.ft_code);
  whole(link.at_code);
  class_field(link.ft_class);
  class_field(link.at_class);
  whole(extras.lanes);
  class_field(extras.lane_class);
  whole(link.screenline);
  whole(extras.location);
  csv_.number(link.miles);
  csv_.number(extras.volume);
  whole(static_cast<std::int64_t>(link.count));
  whole(static_cast<std::int64_t>(link.capacity));
  const double divisor = analysis_ ? link.capacity : link.count;
  if (divisor > 0) {
    csv_.number(link.volume / divisor);
  } else {
    csv_.empty();
  }
  if (evaluated && link.miles != 0 && link.minutes != 0) {
    csv_.number(link.miles * 60.0 / link.minutes);
  } else {
    csv_.empty();
  }
  if (evaluated) {
    const int los = level_of_service(extras.volume, static_cast<float>(link.capacity));
    csv_.text(kLosLetters.substr(static_cast<std::size_t>(los), 1));
  } else {
    csv_.empty();
  }
  csv_.text(link_outcome_name(link.status));
  try {
    csv_.end_row();
  } catch (const WriteError& error) {
    failure_ = error;
  }
}

void LinksCsvWriter::finish() {
  if (!open_) return;
  open_ = false;
  try {
    if (file_.is_open()) file_.close();
  } catch (const WriteError& error) {
    if (!failure_) failure_ = error;
  }
  if (failure_) {
    const WriteError error = *failure_;
    failure_.reset();
    throw error;
  }
}

}  // namespace korvo

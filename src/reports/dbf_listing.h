#pragma once
// The dBASE header listing of the report: the fixed part of the header, one
// line per field descriptor, and a line for each link keyword that has no
// field. The readers hand over what they decode as they decode it, so that a
// file that stops in the middle of its header leaves its listing so far.

#include "common/layout.h"
#include "input/dbf_reader.h"

namespace korvo {

class DbfHeaderListing final : public DbfListing {
 public:
  explicit DbfHeaderListing(RecordSink& out) : out_(out) {}

  void header(const DbfHeader& header) override;
  void field(int number, const DbfField& field) override;
  void keyword_missing(const FixedText<11>& name) override;

 private:
  RecordSink& out_;
};

}  // namespace korvo

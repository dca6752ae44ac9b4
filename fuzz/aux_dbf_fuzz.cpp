// The auxiliary dBASE file: header, field lookup by the profile's names,
// records into the auxiliary link table, the sort and the merge.
//
// The first input byte chooses which optional names the profile gives (bit
// 0 construction, 1 screenline, 2 location, 3 zone, 4 one-way); the rest is
// the file.

#include <cstdint>
#include <memory>

#include "common/errors.h"
#include "fuzz_support.h"
#include "input/aux_link_file.h"
#include "input/profile.h"
#include "reports/dbf_listing.h"

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto table = std::make_unique<AuxLinkTable>();
  if (size == 0) return 0;
  const std::uint8_t names = data[0];
  AuxFieldNames fields;
  fields[AuxField::kAnode].assign("ANODE");
  fields[AuxField::kBnode].assign("BNODE");
  fields[AuxField::kSequence].assign("SEQ");
  for (AuxField optional :
       {AuxField::kConstruct, AuxField::kScreenline, AuxField::kLocation, AuxField::kZone, AuxField::kOneWay}) {
    fields[optional].assign("NONE");
  }
  if (names & 1) fields[AuxField::kConstruct].assign("CC");
  if (names & 2) fields[AuxField::kScreenline].assign("SL");
  if (names & 4) fields[AuxField::kLocation].assign("GL");
  if (names & 8) fields[AuxField::kZone].assign("ZONE");
  if (names & 16) fields[AuxField::kOneWay].assign("ONEWAY");

  fuzz::NullSink sink;
  DbfHeaderListing listing(sink);
  ByteStream stream = ByteStream::from_memory({reinterpret_cast<const char*>(data + 1), size - 1}, "AUXLINKS.DBF");
  table->count = 0;
  try {
    read_aux_links(stream, fields, *table, &listing);
  } catch (const FileError&) {
    return 0;
  } catch (const AuxFieldNotFound&) {
    return 0;
  }
  fuzz::check(table->count >= 0 && table->count <= kAuxLinkLimit, "entry count outside the table");
  sort_aux_links(*table);
  for (std::int32_t i = 2; i <= table->count; ++i) {
    const AuxLinkEntry& a = (*table)[i - 1];
    const AuxLinkEntry& b = (*table)[i];
    fuzz::check(a.anode < b.anode || (a.anode == b.anode && a.bnode <= b.bnode), "sort left entries out of order");
  }
  merge_aux_links(*table);
  // One entry per node pair, in ascending order.
  for (std::int32_t i = 2; i <= table->count; ++i) {
    const AuxLinkEntry& a = (*table)[i - 1];
    const AuxLinkEntry& b = (*table)[i];
    fuzz::check(a.anode < b.anode || (a.anode == b.anode && a.bnode < b.bnode), "merge left a pair twice");
  }
  return 0;
}

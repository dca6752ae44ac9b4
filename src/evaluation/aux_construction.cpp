#include "evaluation/aux_construction.h"

#include <algorithm>
#include <string>

#include "common/errors.h"
#include "run/control_file.h"
#include "run/run_context.h"

namespace korvo {
namespace {

// A field name counts as absent when it starts with "NONE" or "none".
bool names_a_field(const FixedText<11>& name) {
  const std::string_view head = name.view().substr(0, 4);
  return head != "NONE" && head != "none";
}

bool uses_aux_network_file(const RunSettings& settings) { return !settings.aux_dbf_given && !settings.dbf_input_given; }

// Loads table entry `cursor`, or the end pair once the cursor is past the
// last entry.
void load_cursor_entry(RunContext& ctx) {
  AuxMergeState& merge = ctx.aux_merge;
  const std::int32_t count = std::min(ctx.aux.count, kAuxLinkLimit);
  if (merge.cursor >= 1 && merge.cursor <= count) {
    merge.current = ctx.aux.entries[static_cast<std::size_t>(merge.cursor)];
  } else {
    merge.current = AuxLinkEntry{};
    merge.current.anode = kAuxEndNode;
    merge.current.bnode = kAuxEndNode;
  }
}

void advance_cursor(RunContext& ctx) {
  if (ctx.aux_merge.cursor <= ctx.aux.count) ++ctx.aux_merge.cursor;
  load_cursor_entry(ctx);
}

bool pair_below(std::int32_t a1, std::int32_t b1, std::int32_t a2, std::int32_t b2) {
  return a1 < a2 || (a1 == a2 && b1 < b2);
}

// The link stream and the table are both in ascending node-pair order; table
// entries passed over belong to no link and are reported once each.
void merge_from_table(RunContext& ctx) {
  static const Layout kNotFound = Layout::parse("(' ***INFO*** DBF LINK',I7,' -',I7,' NOT FOUND ON THE HRLDXY FILE')");
  AuxMergeState& merge = ctx.aux_merge;
  LinkRecord& link = ctx.link;
  while (pair_below(merge.current.anode, merge.current.bnode, link.anode, link.bnode)) {
    ctx.report.write(kNotFound, {merge.current.anode, merge.current.bnode});
    advance_cursor(ctx);
  }
  if (merge.current.anode == link.anode && merge.current.bnode == link.bnode) {
    link.construct = static_cast<std::int16_t>(merge.current.construct);
    if (merge.screenline_named) link.screenline = static_cast<std::int16_t>(merge.current.screenline);
    link.location = merge.current.location;
    advance_cursor(ctx);
  } else {
    link.construct = 0;
    link.screenline = 0;
    link.location = 0;
  }
}

// The auxiliary network file holds one record per link, in the order of the
// binary network's links.
void merge_from_file(RunContext& ctx) {
  static const Layout kMismatch = Layout::parse("(' *** ERROR *** ZEFA HIGHWAY NETWORK AUXILIARY FILE MISMATCH')");
  static const Layout kLooking = Layout::parse("(14X,'LOOKING FOR LINK',I6,' -',I6,' AND FOUND LINK',I6,' -',I6)");
  AuxMergeState& merge = ctx.aux_merge;
  LinkRecord& link = ctx.link;
  std::string_view record;
  const auto status = merge.aux_records.next(record, ByteStream::kBufferSize);
  // At the end of the file the record wanted is the one after the last.
  const std::int64_t number =
      merge.aux_records.record_number() + (status == FortranRecordReader::Status::kEndOfFile ? 1 : 0);
  // Built only for an error: this runs once per link.
  const auto place = [&] {
    return "record " + std::to_string(number) + " at byte offset " + std::to_string(merge.aux_records.record_offset());
  };
  if (status == FortranRecordReader::Status::kEndOfFile) {
    throw InputError(input_error_line(merge.aux_stream.name(), place(), "",
                                      "expected the record of link " + std::to_string(link.anode) + "-" +
                                          std::to_string(link.bnode) + ", found the end of the file"));
  }
  if (record.size() < kAuxRecordBytes) {
    throw InputError(input_error_line(merge.aux_stream.name(), place(), "record length",
                                      "expected at least " + std::to_string(kAuxRecordBytes) +
                                          " bytes (from-node, to-node, unused, codes), found " +
                                          std::to_string(record.size())));
  }
  std::int32_t from = load_i16le(record.data());
  std::int32_t to = load_i16le(record.data() + 2);
  const std::uint32_t packed = load_u32le(record.data() + 6);
  if (merge.unsigned_nodes) {
    from = load_u16le(record.data());
    to = load_u16le(record.data() + 2);
  }
  if (from != link.anode || to != link.bnode) {
    ctx.report.write(kMismatch, {});
    ctx.report.write(kLooking, {link.anode, link.bnode, from, to});
    throw RunStop(kAbnormalStop);
  }
  link.location = packed_location_code(packed);
  link.construct = packed_construction_code(packed);
}

}  // namespace

void prepare_aux_source(RunContext& ctx) {
  if (ctx.settings.aux_dbf_given) {
    load_aux_links(ctx);
    return;
  }
  FixedText<32> name("VOLNAUX.XXX");
  if (ctx.work.exists(kControlFile)) {
    TextReader control = TextReader::open_file(ctx.work.path(kControlFile), kControlFile);
    FixedText<3> code;
    // A control file without an output key leaves the placeholder extension.
    if (read_file_code(control, false, code)) apply_file_code(name, code);
  }
  ctx.aux_merge.aux_file_name = name;
}

void open_aux_construction_file(RunContext& ctx) {
  static const Layout kNoFile =
      Layout::parse("(A,' NO AUXILIARY FILE AVAILABLE -- ALL CONSTRUCTION CODES REPORTED AS \"0\" (10)')");
  if (!uses_aux_network_file(ctx.settings)) return;
  AuxMergeState& merge = ctx.aux_merge;
  const std::string file(trim_right(merge.aux_file_name.view()));
  if (!ctx.work.exists(file)) {
    ctx.report.write(kNoFile, {"\f"});
    return;
  }
  merge.aux_stream = ByteStream::open_file(ctx.work.path(file), file);
  merge.aux_records = FortranRecordReader(&merge.aux_stream);
  merge.aux_file_open = true;
  merge.unsigned_nodes = ctx.binary.header.highest_node() >= kUnsignedNodeThreshold;
}

void start_aux_merge(RunContext& ctx) {
  ctx.aux_merge.screenline_named = names_a_field(ctx.settings.aux_field_names[kAuxScreenline]);
  ctx.aux_merge.cursor = 1;
  load_cursor_entry(ctx);
}

void merge_aux_attributes(RunContext& ctx) {
  if (ctx.settings.dbf_input_given) return;  // the dBASE record carries its own codes
  if (ctx.settings.aux_dbf_given) {
    merge_from_table(ctx);
  } else if (ctx.aux_merge.aux_file_open) {
    merge_from_file(ctx);
  } else {
    ctx.link.construct = 0;
    ctx.link.location = 0;
  }
}

}  // namespace korvo

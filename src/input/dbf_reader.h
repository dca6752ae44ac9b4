#pragma once
// The dBASE link file: header, field descriptors, keyword resolution and
// record streaming into the link record.

#include "common/byte_stream.h"
#include "common/console.h"
#include "common/fixed_text.h"
#include "common/layout.h"
#include "common/work_dir.h"
#include "input/database_control.h"
#include "input/link_record.h"

namespace korvo {

// The dBASE link file's state for the run. The program driver opens the
// stream; the evaluation driver reads the header, prepares the fields and
// then reads one record per link.
struct DbfLinkSource {
  ByteStream stream;  // opened by the program driver, positioned at byte 0
  LinkFieldMap map;
  int missing_field_count = 0;
};

// Reads the header and field descriptors of the link file; when listing is
// not null, writes the header listing to it.
void read_link_file_header(DbfLinkSource& source, RecordSink* listing);

// Fills the record positions and conversion layouts of every field, then
// resolves the 20 keywords, writing one report line per missing keyword.
void prepare_link_fields(DbfLinkSource& source, RecordSink& report);

// Reads the next record into link, or sets link.end_of_links.
void read_next_dbf_link(DbfLinkSource& source, LinkRecord& link);

// Opens a dBASE file by its 80-character name, asking at the console for
// another name while the file does not exist.
ByteStream open_with_prompt(const WorkDir& work, Console& console, const FixedText<80>& name);

}  // namespace korvo

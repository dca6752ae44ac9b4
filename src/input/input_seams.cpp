// Seams for the link input readers, replaced as each reader lands.
#include <stdexcept>

#include "input/aux_link_file.h"
#include "input/database_control.h"
#include "input/dbf_reader.h"

namespace korvo {

void read_database_control(TextReader&, LinkFieldMap&) { throw std::logic_error("DATABASE.CTL reader not built yet"); }
void read_link_file_header(DbfLinkSource&, RecordSink*) { throw std::logic_error("dBASE reader not built yet"); }
void prepare_link_fields(DbfLinkSource&, RecordSink&) { throw std::logic_error("dBASE reader not built yet"); }
void read_next_dbf_link(DbfLinkSource&, LinkRecord&) { throw std::logic_error("dBASE reader not built yet"); }
ByteStream open_with_prompt(const WorkDir&, Console&, const FixedText<80>&) {
  throw std::logic_error("dBASE prompt not built yet");
}
void load_aux_links(RunContext&) { throw std::logic_error("auxiliary link file reader not built yet"); }

}  // namespace korvo

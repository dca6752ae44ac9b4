#pragma once
// "HRLDXY2.ASC": the ASCII loaded network with both directions of a street on
// one line: a pair of opposite links once, from the link whose A-node is
// below its B-node, and a link without an opposite direction alone.

#include "common/layout.h"
#include "common/text_file.h"
#include "input/ascii_network.h"

namespace korvo {

// Reads an ASCII loaded network (read_two_way_links) and writes its two-way
// records; the second pass takes columns 13-39 of each record from the file
// again.
void convert_to_two_way(TextReader& ascii, RecordSink& out, int slots, bool counts_column);

}  // namespace korvo

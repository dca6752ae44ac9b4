#pragma once
// Labels and type selection: screenline names, the labels file, the class
// maps, NFT and NAT.

namespace korvo {

struct RunContext;

// Reads "KVSCREEN.SYN" and "KVLABELS.SYN" (both optional), fills ctx.classes
// and lists the labels file and the selections in the report.
void prepare_labels_and_selection(RunContext& ctx);

// The classes and labels of a run without a labels file: NFT 10, NAT 6.
void set_default_classes(RunContext& ctx);

}  // namespace korvo

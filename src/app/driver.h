#pragma once
// The program driver: a run from start to end. Start-up (the report, the
// profile, the link source, the labels, the titles, the memory check), the
// evaluation's preparation, the link loop, the reports, the two-way file and
// shut-down; and the one place where errors become console lines and exit
// statuses.

#include <cstdint>
#include <string>

#include "app/run_context.h"

namespace korvo {

// Runs the program in ctx's working directory and returns the process exit
// status: 0 after "KORVO -- Normal Completion", 1 after any abnormal
// completion line, 2 after a stop of the file layer (FileStop: a file error,
// a write error, the console input ended; no completion line), 3 after an
// internal error.
int run_program(RunContext& ctx);

// The line before the missing binary network's: the profile named no dBASE
// link file either.
inline constexpr const char* kNoDbfNamedLine = "PROFILE.MAS names no KORVODBF file; keywords start in column 2";

// The warning of a run that evaluated no link, with the count of each cause.
std::string no_link_evaluated_line(const LinkCounts& counts);

// The accumulator cells a run needs: 430 x NFT x NAT.
std::int64_t accumulator_cells(std::int32_t nft, std::int32_t nat);

// Writes the memory requirement line and stops the run with its two console
// lines when the accumulator table does not fit the work area; otherwise
// lays EVALSUMS out in it.
void check_memory(RunContext& ctx);

// The scenario code of a dBASE link file name: the three characters before
// its first "." in positions 1-77 (LOADED05A.DBF gives 05A); "YYA" when there
// is none or fewer than three characters stand before it.
FixedText<3> scenario_code_from_dbf_name(const FixedText<80>& name);

// The steps of a run, for tests that look at the state between them.
//
// The labels step: screenline names, the labels file (echoed to the report
// with its selection lists) or the default classes.
void prepare_labels_and_selection(RunContext& ctx);
// The evaluation's preparation: zeroed accumulators, the link source's
// header (dBASE: with DATABASE.CTL and the header listing), the rates, the
// auxiliary source, the volume weights, the run type, the description and
// rate pages. False when the dBASE link file lacks a keyword field: nothing
// is evaluated then.
bool prepare_evaluation(RunContext& ctx);
// The auxiliary source of the evaluation: with an auxiliary dBASE file its
// link table (the header listed in the report), otherwise the name of the
// auxiliary network file "VOLNAUX.xxx".
void prepare_aux_source(RunContext& ctx);
// Binary path without an auxiliary dBASE file: opens the auxiliary network
// file, or writes the report's notice that there is none.
void open_aux_network_file(RunContext& ctx);
// The construction and location codes of the link in ctx.link (binary path):
// from the table, from the auxiliary network file's next record, or 0.
void merge_aux_codes(RunContext& ctx);
// Everything the loop does with the link in ctx.link.
void process_link(RunContext& ctx);
// Reads and processes every link of the source.
void run_link_loop(RunContext& ctx);
// After the last link: "SCRNLINE.ASC" takes the ASCII writer, skipped links
// are reported on the console and the tables are completed.
void finish_evaluation(RunContext& ctx);
// Before the first link: the targets (KVTARGET.SYN in a validation run that
// writes statistics; the defaults without it) and empty statistics.
void prepare_statistics(RunContext& ctx);
// After the reports: the rows of KVSTATS.CSV (validation runs).
void finish_statistics(RunContext& ctx);
// Makes "HRLDXY2.ASC" from "HRLDXY.ASC" at the end of the run.
void make_two_way_file(RunContext& ctx);

}  // namespace korvo

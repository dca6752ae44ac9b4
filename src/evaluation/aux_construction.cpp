// Seams for the auxiliary construction source, replaced when it lands.
#include "evaluation/aux_construction.h"

#include <stdexcept>

namespace korvo {

void prepare_aux_source(RunContext&) { throw std::logic_error("auxiliary source not built yet"); }
void open_aux_construction_file(RunContext&) { throw std::logic_error("auxiliary source not built yet"); }
void start_aux_merge(RunContext&) { throw std::logic_error("auxiliary source not built yet"); }
void merge_aux_attributes(RunContext&) { throw std::logic_error("auxiliary source not built yet"); }

}  // namespace korvo

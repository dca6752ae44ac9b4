// Seams for the link input readers, replaced as each reader lands.
#include <stdexcept>

#include "input/aux_link_file.h"

namespace korvo {

void load_aux_links(RunContext&) { throw std::logic_error("auxiliary link file reader not built yet"); }

}  // namespace korvo

#include "evaluation/evaluation_driver.h"

#include "run/run_context.h"

namespace korvo {

void evaluate_network(RunContext&) {
  // The link loop arrives with the evaluation driver.
}

}  // namespace korvo

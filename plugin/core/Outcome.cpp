#include "orvanel/core/Outcome.h"

CommandOutcome& RunningOutcome() {
  static CommandOutcome outcome;
  return outcome;
}

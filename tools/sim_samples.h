#pragma once

#include "sim_scenarios.h"

#include <vector>

namespace zentosim {

// The scenarios whose result replies change from sample to sample, for an
// observation that repeats the measurement cycle: the n-th ":FRD?" the
// simulator answers is sample n (the first is sample 1). Each is a Class A
// product of about 1 kW whose harmonics vary by up to 2 % from sample to
// sample; the summaries say what each holds against the Class A limits.
std::vector<Scenario> sampledScenarios();

} // namespace zentosim

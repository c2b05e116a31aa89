#pragma once

#include "sim_scenarios.h"

#include <string_view>
#include <vector>

namespace zentosim {

// Every scenario, "pass" first (the default); the sampled ones (see
// sim_samples.h) last.
const std::vector<Scenario>& scenarios();
const Scenario* findScenario(std::string_view name);

} // namespace zentosim

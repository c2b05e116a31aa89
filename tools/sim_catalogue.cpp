#include "sim_catalogue.h"

#include "sim_samples.h"

namespace zentosim {

const std::vector<Scenario>& scenarios()
{
    static const std::vector<Scenario> table = [] {
        std::vector<Scenario> all = fixedScenarios();
        for (Scenario& sampled : sampledScenarios())
            all.push_back(std::move(sampled));
        return all;
    }();
    return table;
}

const Scenario* findScenario(std::string_view name)
{
    for (const Scenario& scenario : scenarios()) {
        if (scenario.name == name)
            return &scenario;
    }
    return nullptr;
}

} // namespace zentosim

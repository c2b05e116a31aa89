#include "edition.h"

#include <array>

namespace {

constexpr std::array<EditionRules, 2> kEditions{{
    // IEC 1000-3-2: every product of its class is limited; Class D by the
    // typed power.
    {Edition::Iec1995, std::nullopt, std::nullopt, std::nullopt, std::nullopt, false, true},
    // IEC 61000-3-2:2018+A1:2020: 7 (no limits for other equipment of 75 W or
    // less, lighting of 5 W or less, professional equipment above 1 kW),
    // 7.3 (lighting of 25 W or less), 6.3.2 (the Class D power basis).
    {Edition::Iec2018, 75.0, 5.0, 1000.0, 25.0, true, false},
}};

} // namespace

QString editionName(Edition edition)
{
    return edition == Edition::Iec2018 ? QStringLiteral("2018") : QStringLiteral("1995");
}

std::optional<Edition> editionFromName(const QString& name)
{
    for (const EditionRules& rules : kEditions)
        if (name.trimmed() == editionName(rules.edition))
            return rules.edition;
    return std::nullopt;
}

QString editionTitle(Edition edition)
{
    return edition == Edition::Iec2018 ? QStringLiteral("IEC 61000-3-2:2018+A1:2020")
                                       : QStringLiteral("IEC 1000-3-2 (1995)");
}

const EditionRules& editionRules(Edition edition)
{
    return kEditions[edition == Edition::Iec2018 ? 1 : 0];
}

QString classCThirdNotJudgedNote()
{
    return QStringLiteral("3rd harmonic not judged: A1:2020 changed the Class C limit of the 3rd "
                          "harmonic, and no public source the tool was built from gives the new "
                          "figure");
}

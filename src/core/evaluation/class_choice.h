#pragma once

#include "class_d_power.h"
#include "edition.h"
#include "judgement.h"

// The class a reply or an observation is judged under, whole: the product
// class, its Class D power, the guard band, the edition of the standard and
// the equipment's category. Judging, judging again, the observation's tally
// and every record take it as one value.
struct ClassChoice
{
    ProductClass productClass = ProductClass::None;
    // The Class D power, in W; empty for the other classes.
    ClassDPower power = {};
    // The guard band, %: every limit reduced by it for the verdict
    // (guard_band.h). The window's own test has none.
    double guardBandPct = 0;
    Edition edition = kDefaultEdition;
    // Professional equipment (not sold to the general public): under an
    // edition that says so, Class A above 1 kW has no limits.
    bool professional = false;

    // The power as the class takes it: Class D's, none for the other classes.
    ClassDPower classDPower() const
    {
        return productClass == ProductClass::D ? power : ClassDPower();
    }
};

#pragma once

#include "class_d_power.h"
#include "judgement.h"

// The class a reply or an observation is judged under: the product class,
// its Class D power and the guard band.
struct ClassChoice
{
    ProductClass productClass = ProductClass::None;
    // The Class D power, in W; empty for the other classes.
    ClassDPower power;
    // The guard band, %: every limit reduced by it for the verdict
    // (guard_band.h). The window's own test has none.
    double guardBandPct = 0;

    // The power as the class takes it: Class D's, none for the other classes.
    ClassDPower classDPower() const
    {
        return productClass == ProductClass::D ? power : ClassDPower();
    }
};

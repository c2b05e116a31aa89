#pragma once

// The harmonics a measurement carries: orders 2 to 40, one cell each. Cell
// i (0 to 38) belongs to harmonic order i + 2, in the reply, the judgement,
// the window's current and limit cells, the records and the reports.
inline constexpr int kHarmonicCells = 39;
inline constexpr int harmonicOrder(int cell)
{
    return cell + 2;
}

#pragma once

#include <array>

// Every line the system sends to the Zento analyzer. Each goes out followed
// by CR LF; the system never sends any other text.
namespace zento {

// First line of the configuration; also sent at EXIT while the port is open.
inline constexpr const char* kDvc = ":DVC";
// Sent at log off, just before the port closes.
inline constexpr const char* kReset = "*RST";
// Starts one measurement; no reply.
inline constexpr const char* kTrigger = "*TRG";
// The analyzer answers with the status byte as a decimal number on one line;
// it reads 1 once the triggered measurement can be read.
inline constexpr const char* kStatusQuery = "*STB?";
// The analyzer answers with one result reply line: 47 or more comma-separated
// numbers.
inline constexpr const char* kReadResults = ":FRD?";

struct ConfigurationLine
{
    const char* text;
    // The Delay that follows the line, or nullptr for none.
    const char* delayAfter;
};

// The configuration sequence log on sends, in order. Nothing is read back.
inline constexpr std::array<ConfigurationLine, 12> kConfiguration{{
    {kDvc, "1"},
    {":HMX:ALL 40", nullptr},
    {":AVG:FIX 4", nullptr},
    {":CFG 41,1", nullptr},
    {":CFG 34,1", nullptr},
    {":CFG 26,1", "0.05"},
    {":DSE 4", nullptr},
    {":SEL:CLR", nullptr},
    {":SEL:CH1", nullptr},
    {":SEL:VLT;:SEL:AMP;:SEL:WAT", nullptr},
    {":SEL:PWF;:SEL:FRQ", "0.05"},
    {":SEL:AHM;:SEL:SER", nullptr},
}};

} // namespace zento

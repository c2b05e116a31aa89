// waveform-gen: writes a recording of known content.
//   waveform-gen OUT.wav|OUT.csv|OUT.cfg [key=value ...] [-f DESCRIPTION]
// The keys are those of parseDescription (waveform_synth.h); a description
// file holds the same words.
#include "waveform_synth.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: waveform-gen OUT.wav|OUT.csv|OUT.cfg [key=value ...] [-f FILE]\n"
                     "keys: volts hz hz_end seconds rate amps=A[@deg] iN=A[@deg] vN=V[@deg]\n"
                     "      switch=N:low:high:period noise vnoise seed vscale ascale binary=1 "
                     "bits=16|24\n");
        return 64;
    }
    std::string text;
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "-f" && i + 1 < argc) {
            std::ifstream file(argv[++i]);
            if (!file) {
                std::fprintf(stderr, "waveform-gen: cannot read %s\n", argv[i]);
                return 66;
            }
            std::stringstream all;
            all << file.rdbuf();
            text += all.str() + "\n";
        } else {
            text += word + "\n";
        }
    }
    WaveformDescription description;
    if (auto error = parseDescription(text, description)) {
        std::fprintf(stderr, "waveform-gen: %s\n", error->c_str());
        return 64;
    }
    if (auto error = writeWaveform(description, argv[1])) {
        std::fprintf(stderr, "waveform-gen: %s\n", error->c_str());
        return 73;
    }
    std::printf("%s: full scale %.6g V, %.6g A\n", argv[1], voltsFullScale(description),
                ampsFullScale(description));
    return 0;
}

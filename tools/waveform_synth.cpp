#include "waveform_synth.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace {

constexpr double kPi = 3.14159265358979323846;

bool parseComponent(const std::string& value, double& rms, double& degrees)
{
    const auto at = value.find('@');
    try {
        rms = std::stod(value.substr(0, at));
        degrees = at == std::string::npos ? 0 : std::stod(value.substr(at + 1));
    } catch (...) {
        return false;
    }
    return true;
}

std::string extension(const std::string& path)
{
    const auto dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    return ext;
}

} // namespace

std::optional<std::string> parseDescription(const std::string& text, WaveformDescription& d)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            const auto eq = word.find('=');
            if (eq == std::string::npos)
                return "\"" + word + "\" is not key=value";
            const std::string key = word.substr(0, eq), value = word.substr(eq + 1);
            try {
                if (key == "volts")
                    d.volts = std::stod(value);
                else if (key == "hz")
                    d.hz = std::stod(value);
                else if (key == "hz_end")
                    d.hzEnd = std::stod(value);
                else if (key == "seconds")
                    d.seconds = std::stod(value);
                else if (key == "rate")
                    d.rate = std::stod(value);
                else if (key == "amps") {
                    if (!parseComponent(value, d.amps, d.ampsDegrees))
                        return "bad amps \"" + value + "\"";
                } else if ((key[0] == 'i' || key[0] == 'v') && key.size() > 1 &&
                           std::isdigit(static_cast<unsigned char>(key[1]))) {
                    SynthComponent c;
                    c.order = std::stoi(key.substr(1));
                    if (c.order < 2 || c.order > 50 || !parseComponent(value, c.rms, c.degrees))
                        return "bad harmonic \"" + word + "\"";
                    (key[0] == 'i' ? d.currents : d.voltages).push_back(c);
                } else if (key == "switch") {
                    SynthSwitching s;
                    if (std::sscanf(value.c_str(), "%d:%lf:%lf:%lf", &s.order, &s.low, &s.high,
                                    &s.periodSeconds) != 4)
                        return "switch is order:low:high:period, not \"" + value + "\"";
                    d.switching = s;
                } else if (key == "noise")
                    d.noiseAmps = std::stod(value);
                else if (key == "vnoise")
                    d.noiseVolts = std::stod(value);
                else if (key == "seed")
                    d.seed = unsigned(std::stoul(value));
                else if (key == "vscale")
                    d.voltsFullScale = std::stod(value);
                else if (key == "ascale")
                    d.ampsFullScale = std::stod(value);
                else if (key == "binary")
                    d.comtradeBinary = value == "1";
                else if (key == "bits")
                    d.wavBits = std::stoi(value);
                else
                    return "unknown key \"" + key + "\"";
            } catch (...) {
                return "bad value in \"" + word + "\"";
            }
        }
    }
    if (d.rate <= 0 || d.seconds <= 0 || d.hz <= 0)
        return "rate, seconds and hz must be positive";
    return std::nullopt;
}

double voltsFullScale(const WaveformDescription& d)
{
    if (d.voltsFullScale > 0)
        return d.voltsFullScale;
    double peak = d.volts + 4 * d.noiseVolts;
    for (const auto& c : d.voltages)
        peak += c.rms;
    return 1.25 * std::sqrt(2.0) * peak;
}

double ampsFullScale(const WaveformDescription& d)
{
    if (d.ampsFullScale > 0)
        return d.ampsFullScale;
    double peak = d.amps + 4 * d.noiseAmps + std::max(d.switching.low, d.switching.high);
    for (const auto& c : d.currents)
        peak += c.rms;
    return 1.25 * std::sqrt(2.0) * peak;
}

void synthSample(const WaveformDescription& d, long long n, double& volts, double& amps,
                 double noiseV, double noiseA)
{
    const double t = double(n) / d.rate;
    const double drift = d.hzEnd > 0 ? (d.hzEnd - d.hz) / d.seconds : 0;
    const double phase = 2 * kPi * (d.hz * t + drift * t * t / 2);
    const double root2 = std::sqrt(2.0);
    volts = root2 * d.volts * std::sin(phase);
    for (const auto& c : d.voltages)
        volts += root2 * c.rms * std::sin(c.order * phase + c.degrees * kPi / 180);
    amps = root2 * d.amps * std::sin(phase + d.ampsDegrees * kPi / 180);
    for (const auto& c : d.currents)
        amps += root2 * c.rms * std::sin(c.order * phase + c.degrees * kPi / 180);
    if (d.switching.order > 0) {
        const bool high = (long long)(std::floor(t / d.switching.periodSeconds)) % 2 == 1;
        amps += root2 * (high ? d.switching.high : d.switching.low) *
                std::sin(d.switching.order * phase);
    }
    volts += noiseV;
    amps += noiseA;
}

std::optional<std::string> writeWaveform(const WaveformDescription& d, const std::string& path)
{
    const std::string ext = extension(path);
    const long long total = (long long)std::llround(d.seconds * d.rate);
    const double vScale = voltsFullScale(d), aScale = ampsFullScale(d);
    std::mt19937 random(d.seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    // Each sample as a fraction of full scale, clipped to +-1.
    auto next = [&](long long n, double& v, double& a) {
        synthSample(d, n, v, a, d.noiseVolts > 0 ? d.noiseVolts * gauss(random) : 0,
                    d.noiseAmps > 0 ? d.noiseAmps * gauss(random) : 0);
        v = std::clamp(v / vScale, -1.0, 1.0);
        a = std::clamp(a / aScale, -1.0, 1.0);
    };

    if (ext == "wav") {
        SF_INFO info{};
        info.samplerate = int(std::lround(d.rate));
        info.channels = 2;
        info.format = SF_FORMAT_WAV | (d.wavBits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24);
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!file)
            return std::string("cannot write ") + path + ": " + sf_strerror(nullptr);
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        std::vector<double> block;
        for (long long n = 0; n < total;) {
            const long long count = std::min<long long>(65536, total - n);
            block.resize(std::size_t(count) * 2);
            for (long long k = 0; k < count; ++k, ++n)
                next(n, block[2 * k], block[2 * k + 1]);
            sf_writef_double(file, block.data(), count);
        }
        sf_close(file);
        return std::nullopt;
    }
    if (ext == "csv") {
        std::FILE* file = std::fopen(path.c_str(), "w");
        if (!file)
            return "cannot write " + path;
        std::fprintf(file, "Time (s),Voltage (V),Current (A)\n");
        for (long long n = 0; n < total; ++n) {
            double v, a;
            next(n, v, a);
            std::fprintf(file, "%.10e,%.6f,%.7f\n", double(n) / d.rate, v * vScale, a * aScale);
        }
        std::fclose(file);
        return std::nullopt;
    }
    if (ext == "cfg") {
        const std::string dat =
            path.substr(0, path.size() - 3) + (path.back() == 'G' ? "DAT" : "dat");
        std::FILE* cfg = std::fopen(path.c_str(), "w");
        if (!cfg)
            return "cannot write " + path;
        const double aV = vScale / 32767, aA = aScale / 32767;
        std::fprintf(cfg,
                     "waveform-gen,iec1000,1999\n2,2A,0D\n"
                     "1,Voltage,,,V,%.12g,0,0,-32767,32767,1,1,P\n"
                     "2,Current,,,A,%.12g,0,0,-32767,32767,1,1,P\n"
                     "%g\n1\n%g,%lld\n01/01/2026,00:00:00.000000\n01/01/2026,00:00:00.000000\n"
                     "%s\n1\n",
                     aV, aA, d.hz, d.rate, total, d.comtradeBinary ? "BINARY" : "ASCII");
        std::fclose(cfg);
        std::FILE* file = std::fopen(dat.c_str(), d.comtradeBinary ? "wb" : "w");
        if (!file)
            return "cannot write " + dat;
        for (long long n = 0; n < total; ++n) {
            double v, a;
            next(n, v, a);
            const long rawV = std::lround(v * 32767), rawA = std::lround(a * 32767);
            const unsigned long stamp = (unsigned long)std::llround(double(n) * 1e6 / d.rate);
            if (d.comtradeBinary) {
                unsigned char record[12];
                auto put = [&record](int at, unsigned long value, int bytes) {
                    for (int b = 0; b < bytes; ++b)
                        record[at + b] = (unsigned char)((value >> (8 * b)) & 0xff);
                };
                put(0, (unsigned long)(n + 1), 4);
                put(4, stamp, 4);
                put(8, (unsigned long)(rawV & 0xffff), 2);
                put(10, (unsigned long)(rawA & 0xffff), 2);
                std::fwrite(record, 1, sizeof record, file);
            } else {
                std::fprintf(file, "%lld,%lu,%ld,%ld\n", n + 1, stamp, rawV, rawA);
            }
        }
        std::fclose(file);
        return std::nullopt;
    }
    return "the file name must end in .wav, .csv or .cfg";
}

#include "recording_analysis.h"

#include "supply_check.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <map>

double Smoothing::add(double value, double windowSeconds)
{
    if (!m_started) {
        m_started = true;
        m_value = value;
        return m_value;
    }
    const double alpha = 1.0 - std::exp(-windowSeconds / 1.5);
    m_value += alpha * (value - m_value);
    return m_value;
}

namespace {

constexpr std::size_t kBlock = 1 << 16;
constexpr double kLowestHz = 45.0;
constexpr double kHighestHz = 65.0;

// The samples the analysis still needs, read from the reader as it goes: the
// window being analysed and the look-ahead for its zero crossings.
class SampleBuffer
{
public:
    explicit SampleBuffer(WaveformReader& reader) : m_reader(reader) {}

    // Reads until sample index last is held or the recording has ended.
    void reach(qint64 last)
    {
        while (!m_ended && end() <= last) {
            const std::size_t held = m_data.size();
            m_data.resize(held + kBlock);
            const std::size_t got = m_reader.read(m_data.data() + held, kBlock);
            m_data.resize(held + got);
            m_ended = got == 0;
        }
    }
    // Forgets the samples before index first.
    void dropBefore(qint64 first)
    {
        const qint64 drop = first - m_first;
        if (drop > qint64(2 * kBlock)) {
            m_data.erase(m_data.begin(), m_data.begin() + drop);
            m_first = first;
        }
    }
    qint64 end() const { return m_first + qint64(m_data.size()); }
    qint64 first() const { return m_first; }
    bool ended() const { return m_ended; }
    // count samples from index first, or nullptr when some are not held.
    const SamplePair* span(qint64 first, int count) const
    {
        return first >= m_first && first + count <= end() ? &m_data[std::size_t(first - m_first)]
                                                          : nullptr;
    }
    const SamplePair& at(qint64 index) const
    {
        return m_data[std::size_t(std::clamp(index, m_first, end() - 1) - m_first)];
    }

private:
    WaveformReader& m_reader;
    std::vector<SamplePair> m_data;
    qint64 m_first = 0;
    bool m_ended = false;
};

// Rising zero crossings of the voltage, with hysteresis against noise: a
// crossing counts once the voltage has been below -hysteresis since the last.
class CrossingFinder
{
public:
    CrossingFinder(SampleBuffer& buffer, double hysteresis)
        : m_buffer(buffer), m_hysteresis(hysteresis)
    {}

    // The next count crossings at or after sample position from, or fewer
    // when the recording ends or none comes before sample index limit.
    std::vector<double> find(double from, int count, qint64 limit, bool armed)
    {
        std::vector<double> found;
        qint64 j = qint64(std::floor(from));
        for (; int(found.size()) < count && j < limit; ++j) {
            m_buffer.reach(j + 1);
            if (j + 1 >= m_buffer.end())
                break;
            const double a = m_buffer.at(j).volts;
            const double b = m_buffer.at(j + 1).volts;
            if (a < -m_hysteresis)
                armed = true;
            if (armed && a <= 0 && b > 0) {
                const double at = double(j) + (-a) / (b - a);
                if (at >= from) {
                    found.push_back(at);
                    armed = false;
                }
            }
        }
        return found;
    }

private:
    SampleBuffer& m_buffer;
    double m_hysteresis;
};

// Band-limited interpolation: a Kaiser-windowed sinc of 16 taps, tabled at
// 2048 phases. Flat within 0.03 % up to a quarter of the sample rate (the
// 40th harmonic at 8 kHz).
class Interpolator
{
public:
    static constexpr int kTaps = 16;
    static constexpr int kPhases = 2048;

    Interpolator() : m_table(std::size_t(kPhases + 1) * kTaps)
    {
        const double beta = 6.0;
        auto bessel0 = [](double z) {
            double sum = 1, term = 1;
            for (int m = 1; m < 30; ++m) {
                term *= (z / (2 * m)) * (z / (2 * m));
                sum += term;
            }
            return sum;
        };
        for (int p = 0; p <= kPhases; ++p) {
            const double t = double(p) / kPhases;
            for (int k = 0; k < kTaps; ++k) {
                const double d = t - double(k - kTaps / 2 + 1);
                const double sinc = d == 0 ? 1 : std::sin(M_PI * d) / (M_PI * d);
                const double r = d / (kTaps / 2);
                const double window =
                    bessel0(beta * std::sqrt(std::max(0.0, 1 - r * r))) / bessel0(beta);
                m_table[std::size_t(p) * kTaps + k] = sinc * window;
            }
        }
    }

    // Both channels at the fractional sample position x.
    void at(const SampleBuffer& buffer, double x, double& volts, double& amps) const
    {
        const double base = std::floor(x);
        const qint64 i = qint64(base);
        const double* w = &m_table[std::size_t((x - base) * kPhases + 0.5) * kTaps];
        double v = 0, a = 0;
        const qint64 first = i - kTaps / 2 + 1;
        if (const SamplePair* s = buffer.span(first, kTaps)) {
            for (int k = 0; k < kTaps; ++k) {
                v += w[k] * s[k].volts;
                a += w[k] * s[k].amps;
            }
        } else {
            for (int k = 0; k < kTaps; ++k) {
                const SamplePair& edge = buffer.at(first + k);
                v += w[k] * edge.volts;
                a += w[k] * edge.amps;
            }
        }
        volts = v;
        amps = a;
    }

private:
    std::vector<double> m_table;
};

// One FFTW real transform size with its arrays.
struct Transform
{
    explicit Transform(int n)
        : size(n), volts(fftw_alloc_real(n)), amps(fftw_alloc_real(n)),
          voltsSpectrum(fftw_alloc_complex(n / 2 + 1)), ampsSpectrum(fftw_alloc_complex(n / 2 + 1)),
          plan(fftw_plan_dft_r2c_1d(n, volts, voltsSpectrum, FFTW_ESTIMATE))
    {}
    ~Transform()
    {
        fftw_destroy_plan(plan);
        fftw_free(volts);
        fftw_free(amps);
        fftw_free(voltsSpectrum);
        fftw_free(ampsSpectrum);
    }
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;

    int size;
    double* volts;
    double* amps;
    fftw_complex* voltsSpectrum;
    fftw_complex* ampsSpectrum;
    fftw_plan plan;
};

// The harmonic group of order n (IEC 61000-4-7): the rms of the spectral
// lines from halfway to the order below to halfway to the order above, the
// two lines at those borders counted half. periods lines lie between orders.
double harmonicGroup(const fftw_complex* spectrum, int size, int periods, int order)
{
    const int centre = periods * order;
    const int half = periods / 2;
    double sum = 0;
    for (int k = centre - half; k <= centre + half; ++k) {
        const double re = spectrum[k][0], im = spectrum[k][1];
        const double squared = 2.0 * (re * re + im * im) / (double(size) * size);
        sum += (k == centre - half || k == centre + half) ? squared / 2 : squared;
    }
    return std::sqrt(sum);
}

int nextPowerOfTwo(double n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

// The smoothing state of every value of a window.
struct Smoothers
{
    Smoothing volts, amps, watts, fundamentalAmps, fundamentalVolts, voltsCrest, ampsCrest;
    std::array<Smoothing, kRecordedHarmonics> harmonicAmps, harmonicVolts;
};

} // namespace

AnalysisOutcome analyzeRecording(WaveformReader& reader, const AnalysisOptions& options)
{
    const double rate = reader.sampleRate();
    RecordingAnalysis result;
    result.sampleRate = rate;
    result.voltageChannel = reader.voltageChannel();
    result.currentChannel = reader.currentChannel();

    SampleBuffer buffer(reader);
    auto readerFailure = [&]() -> std::optional<RecordingError> { return reader.failure(); };

    // The hysteresis and the number of periods a window holds, from the first
    // 0.3 s of the voltage.
    const qint64 lead = qint64(std::ceil(0.3 * rate));
    buffer.reach(lead);
    if (auto failed = readerFailure())
        return *failed;
    double squares = 0;
    const qint64 leadEnd = std::min(lead, buffer.end());
    for (qint64 j = 0; j < leadEnd; ++j)
        squares += buffer.at(j).volts * buffer.at(j).volts;
    const double leadRms = leadEnd > 0 ? std::sqrt(squares / double(leadEnd)) : 0;
    CrossingFinder crossings(buffer, 0.2 * leadRms);
    const bool startsLow = buffer.end() > 0 && buffer.at(0).volts <= 0;
    const std::vector<double> leadCrossings = crossings.find(0, 1000, leadEnd, startsLow);
    const double tooShortSeconds = 10.0 / kLowestHz;
    if (leadCrossings.size() < 2) {
        if (buffer.ended() && double(buffer.end()) / rate < tooShortSeconds)
            return RecordingError{RecordingFault::TooShort,
                                  QStringLiteral("the recording (%1 s) is shorter than one DFT "
                                                 "window of 10 periods")
                                      .arg(double(buffer.end()) / rate, 0, 'f', 3)};
        return RecordingError{RecordingFault::FrequencyOutOfRange,
                              QStringLiteral("no periods of the voltage found in the first 0.3 s: "
                                             "the fundamental is not between 45 and 65 Hz")};
    }
    const double firstHz =
        double(leadCrossings.size() - 1) * rate / (leadCrossings.back() - leadCrossings.front());
    if (firstHz < kLowestHz || firstHz > kHighestHz)
        return RecordingError{
            RecordingFault::FrequencyOutOfRange,
            QStringLiteral("at 0.0000 s: fundamental %1 Hz is outside 45 to 65 Hz")
                .arg(firstHz, 0, 'f', 2)};
    const int periods = firstHz >= 55 ? 12 : 10;
    result.periodsPerWindow = periods;

    const qint64 announced = reader.announcedPairs();
    if (options.keepWindows && announced > 0)
        result.windows.reserve(std::size_t(double(announced) / rate / (periods / firstHz)) + 2);

    const Interpolator interpolator;
    std::map<int, std::unique_ptr<Transform>> transforms;
    Smoothers smooth;
    SupplyTracker supply;
    std::array<double, kRecordedHarmonics> sumMilliamps{};
    double start = leadCrossings.front();
    double periodSamples = rate / firstHz;

    for (;;) {
        const qint64 limit = qint64(start + (periods + 1) * rate / kLowestHz) + 2;
        // start lies on a crossing already found, so the search is armed.
        const std::vector<double> edges = crossings.find(start, periods + 1, limit, true);
        if (auto failed = readerFailure())
            return *failed;
        if (int(edges.size()) < periods + 1) {
            if (buffer.ended() && buffer.end() < limit)
                break; // the recording ends inside this window
            return RecordingError{RecordingFault::FrequencyOutOfRange,
                                  QStringLiteral("at %1 s: fewer than %2 periods of the voltage "
                                                 "in %3 s: the fundamental is below 45 Hz")
                                      .arg(start / rate, 0, 'f', 4)
                                      .arg(periods)
                                      .arg((periods + 1) / kLowestHz, 0, 'f', 3)};
        }
        const double length = edges.back() - edges.front();
        const double hz = periods * rate / length;
        if (hz < kLowestHz || hz > kHighestHz)
            return RecordingError{
                RecordingFault::FrequencyOutOfRange,
                QStringLiteral("at %1 s: fundamental %2 Hz is outside 45 to 65 Hz")
                    .arg(start / rate, 0, 'f', 4)
                    .arg(hz, 0, 'f', 2)};
        buffer.reach(qint64(edges.back()) + Interpolator::kTaps);
        if (auto failed = readerFailure())
            return *failed;

        const int size = nextPowerOfTwo(length);
        auto& slot = transforms[size];
        if (!slot)
            slot = std::make_unique<Transform>(size);
        Transform& t = *slot;
        double vSquares = 0, aSquares = 0, power = 0, vPeak = 0, aPeak = 0;
        for (int j = 0; j < size; ++j) {
            double v, a;
            interpolator.at(buffer, start + j * length / size, v, a);
            t.volts[j] = v;
            t.amps[j] = a;
            vSquares += v * v;
            aSquares += a * a;
            power += v * a;
            vPeak = std::max(vPeak, std::fabs(v));
            aPeak = std::max(aPeak, std::fabs(a));
        }
        fftw_execute_dft_r2c(t.plan, t.volts, t.voltsSpectrum);
        fftw_execute_dft_r2c(t.plan, t.amps, t.ampsSpectrum);

        const double seconds = length / rate;
        const double vRms = std::sqrt(vSquares / size);
        const double aRms = std::sqrt(aSquares / size);
        SmoothedWindow w;
        w.time = start / rate;
        w.hz = float(hz);
        w.volts = float(smooth.volts.add(vRms, seconds));
        w.amps = float(smooth.amps.add(aRms, seconds));
        w.watts = float(smooth.watts.add(power / size, seconds));
        w.powerFactor = w.volts * w.amps > 0 ? w.watts / (w.volts * w.amps) : 0;
        w.fundamentalAmps = float(
            smooth.fundamentalAmps.add(harmonicGroup(t.ampsSpectrum, size, periods, 1), seconds));
        const double u1 =
            smooth.fundamentalVolts.add(harmonicGroup(t.voltsSpectrum, size, periods, 1), seconds);
        const double vCrest = smooth.voltsCrest.add(vRms > 0 ? vPeak / vRms : 0, seconds);
        const double aCrest = smooth.ampsCrest.add(aRms > 0 ? aPeak / aRms : 0, seconds);
        std::array<double, kRecordedHarmonics> voltsPercent{};
        double distortion = 0;
        for (int cell = 0; cell < kRecordedHarmonics; ++cell) {
            const int order = cell + 2;
            const double amps = smooth.harmonicAmps[cell].add(
                harmonicGroup(t.ampsSpectrum, size, periods, order), seconds);
            const double volts = smooth.harmonicVolts[cell].add(
                harmonicGroup(t.voltsSpectrum, size, periods, order), seconds);
            w.harmonicsMilliamps[cell] = float(amps * 1000);
            result.maximumMilliamps[cell] = std::max(result.maximumMilliamps[cell], amps * 1000);
            sumMilliamps[cell] += amps * 1000;
            distortion += amps * amps;
            voltsPercent[cell] = u1 > 0 ? 100 * volts / u1 : 0;
        }
        const double thd =
            w.fundamentalAmps > 0 ? 100 * std::sqrt(distortion) / w.fundamentalAmps : 0;
        result.maximumThdPercent = std::max(result.maximumThdPercent, thd);
        result.maximumCrestFactor = std::max(result.maximumCrestFactor, aCrest);
        result.maximumWatts =
            result.windowCount == 0 ? w.watts : std::max(result.maximumWatts, double(w.watts));
        result.maximumFundamentalAmps =
            std::max(result.maximumFundamentalAmps, double(w.fundamentalAmps));
        supply.add(w.volts, hz, vCrest, voltsPercent);
        ++result.windowCount;
        if (options.onWindow)
            options.onWindow(w);
        if (options.keepWindows)
            result.windows.push_back(w);

        start = edges.back();
        periodSamples = length / periods;
        buffer.dropBefore(qint64(start - periodSamples) - Interpolator::kTaps);
    }
    if (auto failed = readerFailure())
        return *failed;
    if (result.windowCount == 0)
        return RecordingError{RecordingFault::TooShort,
                              QStringLiteral("the recording (%1 s) is shorter than one DFT window "
                                             "of %2 periods")
                                  .arg(double(buffer.end()) / rate, 0, 'f', 3)
                                  .arg(periods)};
    for (int cell = 0; cell < kRecordedHarmonics; ++cell)
        result.averageMilliamps[cell] = sumMilliamps[cell] / double(result.windowCount);
    result.incomplete = reader.truncated();
    result.supply = supply.result();
    return result;
}

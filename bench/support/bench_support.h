// What the benchmarks share: running a program and measuring it, a scratch folder, the test
// signals and their WAV files, the SNR against a clean signal, the printed speed and ratio
// lines, and a reporter that keeps each benchmark's time for the summary.
//
// Only what several benchmarks do the same way lives here; each benchmark keeps its own
// signals, peers and output lines.

#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumisett::bench {

using Samples = std::vector<std::int16_t>; // interleaved stereo, left first

inline constexpr int kRate = 44100;

// ---- programs ------------------------------------------------------------------------------

struct ProcessUse {
    bool ok = false;        // it ran and exited with 0
    double wallSeconds = 0; // from starting it to its end
    double cpuSeconds = 0;  // user and system time of the program (and its children)
};

// Runs a program (looked up on PATH unless the name holds a slash) to its end, with its
// output discarded, and measures it. `ok` is false when it cannot be started or fails.
ProcessUse RunProgram(const std::vector<std::string>& command);

// A fresh folder under the system's temporary folder, removed with all it holds when this
// goes. Two runs of a benchmark at once each get their own.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; } // ends in '/'
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// ---- signals and files ---------------------------------------------------------------------

// Chords of harmonic tones with soft attacks and decays, a different voicing per channel:
// sparse in frequency and changing in time, as music is. Every partial is above 170 Hz; peaks
// near -6 dBFS. Interleaved stereo at kRate.
std::vector<double> ChordMusic(int seconds);

// Rounded to the nearest sample value, clipped to the 16-bit range.
Samples ToSamples(const std::vector<double>& values);

bool WriteStereoWav(const std::string& path, const Samples& samples);

// A program's output read back: nothing when the file is missing, broken or not stereo.
std::optional<Samples> ReadStereoWav(const std::string& path);

// ---- measures ------------------------------------------------------------------------------

// The signal-to-error ratio in dB of `out` against `clean` over clean's samples [from, to),
// with `out` read `lag` samples later. The span is cut to what both hold, so a short output
// is judged on what it has. Infinite when the two agree exactly, NaN when no sample is left.
double SnrDb(const Samples& clean, const Samples& out, std::size_t from, std::size_t to, std::size_t lag = 0);

// ---- printing ------------------------------------------------------------------------------

// The render-speed table: a heading, then a row a program, "<name> 123.4x real time (0.486 s)"
// (audio seconds per processor second, and the processor time), or "n/a" when the program
// failed. Names are padded to `nameWidth`.
struct SpeedTable {
    double audioSeconds = 0;
    int nameWidth = 0;

    void PrintHeading() const;
    void PrintRow(const char* name, const ProcessUse& run) const;
};

void PrintRatio(double ours, double peer);      // "  ratio ours / peer: 1.23"
void PrintPeerMissing(const char* program);     // "  peer not measured (is ffmpeg installed?)"

// ---- Google Benchmark ----------------------------------------------------------------------

// Gives a benchmark's measured program run to the library: its wall time as the iteration's
// (for UseManualTime) and an error when it did not run to its end.
void ReportProgramRun(benchmark::State& state, const ProcessUse& use);

// The console reporter, keeping each benchmark's real time per iteration (in the unit the
// benchmark was registered with) for a summary after the runs. A benchmark is looked up by
// its name and argument, "Encode" or "Forward/2048", without suffixes such as "real_time";
// one that failed is not kept and reads as 0.
class TimesReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    double RealTime(const std::string& name) const;

private:
    std::map<std::string, double> realTimes_;
};

} // namespace lumisett::bench

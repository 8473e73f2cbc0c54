// Makes the five wave files of the game: korvel4-wavgen OUTDIR
//
// Every sound is synthesised from fixed numbers and a fixed noise sequence, so running the
// tool again gives the same files byte for byte. Output: 16-bit PCM mono at 22050 Hz.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int RATE = 22050;
constexpr double PI = std::numbers::pi;
constexpr double TWO_PI = 2 * std::numbers::pi;

using Samples = std::vector<double>;

int Frames(double seconds) {
  return static_cast<int>(std::lround(seconds * RATE));
}

// xorshift32: the same sequence on every platform, unlike the standard distributions.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed != 0 ? seed : 0x9E3779B9u) {}
  double Next() {  // uniform in [-1, 1)
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
  }

 private:
  std::uint32_t state_;
};

// Equal temperament from the MIDI note number (69 = A4 = 440 Hz).
double Pitch(int note) {
  return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Raised-cosine fade of the last `seconds`, so that every file ends exactly on zero.
void FadeOut(Samples& s, double seconds) {
  const int n = std::min<int>(Frames(seconds), static_cast<int>(s.size()));
  for (int i = 0; i < n; ++i) {
    const double x = static_cast<double>(i + 1) / n;  // reaches 1 at the last sample
    s[s.size() - n + i] *= 0.5 * (1 + std::cos(PI * x));
  }
}

void Normalise(Samples& s, double peak) {
  double top = 0;
  for (double v : s) top = std::max(top, std::abs(v));
  if (top > 0)
    for (double& v : s) v *= peak / top;
}

// Damped sine starting at zero phase, added at `start`.
void AddMode(Samples& s, int start, double freq, double amp, double decay, double phase = 0) {
  for (int i = start; i < static_cast<int>(s.size()); ++i) {
    const double t = static_cast<double>(i - start) / RATE;
    const double env = std::exp(-t / decay);
    if (env < 1e-5) break;
    s[i] += amp * env * std::sin(TWO_PI * freq * t + phase);
  }
}

// One-pole low-pass, cutoff in Hz.
void LowPass(Samples& s, double cutoff) {
  const double a = std::exp(-TWO_PI * cutoff / RATE);
  double y = 0;
  for (double& v : s) v = y = (1 - a) * v + a * y;
}

// --- the wooden click of a piece set down -------------------------------------------------
// A hard, short impact: a millisecond of broadband crack, the ringing of the piece and the
// board top (several kilohertz, dying within a few hundredths of a second) and the duller
// body of the thick board underneath.
Samples PiecePlaced() {
  Samples s(Frames(0.15), 0.0);
  Noise noise(0x5eed0001u);
  const int crack = Frames(0.0015);
  for (int i = 0; i < crack; ++i) {
    const double w = std::sin(PI * (i + 0.5) / crack);
    s[i] += 0.9 * w * noise.Next();
  }
  struct Mode {
    double freq, amp, decay;
  };
  const Mode modes[] = {
      {185, 0.30, 0.040},  {420, 0.35, 0.022},  {1180, 0.80, 0.016}, {1730, 0.45, 0.011},
      {2450, 0.60, 0.009}, {3390, 0.40, 0.006}, {4630, 0.25, 0.004}, {6100, 0.12, 0.003},
  };
  for (const Mode& m : modes) AddMode(s, 0, m.freq, m.amp, m.decay);
  // A short, quieter bounce: the piece settles on its second edge a few milliseconds later.
  const int bounce = Frames(0.007);
  for (const Mode& m : modes) AddMode(s, bounce, m.freq * 1.01, m.amp * 0.22, m.decay * 0.7);
  FadeOut(s, 0.04);
  Normalise(s, 0.80);
  return s;
}

// --- the refusal --------------------------------------------------------------------------
// Two low, buzzy, falling pulses: nobody takes them for a placed piece or a chime.
Samples Forbidden() {
  Samples s(Frames(0.30), 0.0);
  struct Pulse {
    double start, length, freq;
  };
  const Pulse pulses[] = {{0.0, 0.125, 233.08}, {0.155, 0.145, 174.61}};
  for (const Pulse& p : pulses) {
    const int begin = Frames(p.start);
    const int n = Frames(p.length);
    const int attack = Frames(0.006);
    const int release = Frames(0.030);
    for (int i = 0; i < n && begin + i < static_cast<int>(s.size()); ++i) {
      const double t = static_cast<double>(i) / RATE;
      double env = 1;
      if (i < attack) env = static_cast<double>(i) / attack;
      if (i >= n - release) env = std::min(env, static_cast<double>(n - 1 - i) / release);
      double v = 0;
      // Band-limited square (odd harmonics up to about 3 kHz) with a slightly sharp twin
      // for a rough, nasal edge.
      for (int h = 1; h * p.freq < 3000; h += 2) {
        v += std::sin(TWO_PI * h * p.freq * t) / h;
        v += 0.6 * std::sin(TWO_PI * h * p.freq * 1.018 * t) / h;
      }
      s[begin + i] += env * v;
    }
  }
  LowPass(s, 2200);
  FadeOut(s, 0.005);
  Normalise(s, 0.40);
  return s;
}

// --- the soft chime -----------------------------------------------------------------------
// A small bell struck twice, a fifth apart: a glassy fundamental, a faint octave and an
// inharmonic shimmer, softly attacked.
Samples Chime() {
  Samples s(Frames(0.5), 0.0);
  struct Strike {
    double start, freq, amp;
  };
  const Strike strikes[] = {{0.0, Pitch(81), 1.0}, {0.085, Pitch(88), 0.8}};  // A5, E6
  for (const Strike& k : strikes) {
    Samples bell(s.size() - Frames(k.start), 0.0);
    AddMode(bell, 0, k.freq, k.amp, 0.16);
    AddMode(bell, 0, k.freq * 2.0, k.amp * 0.12, 0.08);
    AddMode(bell, 0, k.freq * 2.76, k.amp * 0.06, 0.05);
    AddMode(bell, 0, k.freq * 1.002, k.amp * 0.3, 0.12);  // a slow shimmer
    const int attack = Frames(0.004);
    for (int i = 0; i < attack; ++i) bell[i] *= static_cast<double>(i) / attack;
    for (std::size_t i = 0; i < bell.size(); ++i) s[Frames(k.start) + i] += bell[i];
  }
  FadeOut(s, 0.08);
  Normalise(s, 0.50);
  return s;
}

// --- the temple gong ----------------------------------------------------------------------
// A big bronze bell struck with a wooden beam: a dull thud, a deep hum and a cluster of
// inharmonic partials, each split in two close modes so that the tone slowly throbs.
Samples Gong() {
  Samples s(Frames(2.0), 0.0);
  const double base = 131.0;
  struct Partial {
    double ratio, amp, decay, split;
  };
  const Partial partials[] = {
      {0.50, 0.55, 3.0, 0.7}, {1.00, 1.00, 2.2, 1.1},  {1.47, 0.45, 1.6, 1.6},
      {2.03, 0.55, 1.2, 2.1}, {2.61, 0.30, 0.8, 2.6},  {3.24, 0.26, 0.6, 3.0},
      {4.08, 0.16, 0.4, 3.5}, {5.15, 0.10, 0.25, 4.0}, {6.34, 0.06, 0.15, 4.5},
  };
  double phase = 0.3;
  for (const Partial& p : partials) {
    const double f = base * p.ratio;
    AddMode(s, 0, f, p.amp, p.decay, phase);
    AddMode(s, 0, f + p.split, p.amp * 0.7, p.decay * 1.1, phase + 1.1);
    phase += 0.9;
  }
  // Partials that start at arbitrary phases would jump at the first sample.
  const int attack = Frames(0.003);
  for (int i = 0; i < attack; ++i) s[i] *= static_cast<double>(i) / attack;
  // The beam: a short burst of dark noise.
  Samples thud(Frames(0.06), 0.0);
  Noise noise(0x5eed0004u);
  for (int i = 0; i < static_cast<int>(thud.size()); ++i) {
    thud[i] = noise.Next() * std::exp(-static_cast<double>(i) / RATE / 0.012);
  }
  LowPass(thud, 400);
  LowPass(thud, 400);
  for (int i = 0; i < static_cast<int>(thud.size()); ++i) s[i] += 3.0 * thud[i];
  FadeOut(s, 0.6);
  Normalise(s, 0.80);
  return s;
}

// --- the background music -----------------------------------------------------------------
// Koto-like plucked strings (Karplus-Strong) in the miyako-bushi scale on D
// (D, E-flat, G, A, B-flat), eight bars of four slow beats. The piece is rendered onto a
// circle: whatever rings past the end of the last bar is added to the start, and the
// reverberation runs over the circle as well, so the file loops without a seam.

// One plucked string, rendered into `out` (circular) from `start`.
struct Pluck {
  double start;     // seconds
  int note;         // MIDI note
  double velocity;  // 0..1
  double sustain;   // seconds for the fundamental to fall by 60 dB
};

void RenderPluck(Samples& loop, const Pluck& p, std::uint32_t seed) {
  const double f = Pitch(p.note);
  // Loop delay = N + 1/2 (two-point average) + the all-pass's fractional delay d.
  const double period = RATE / f;
  int n = static_cast<int>(std::floor(period - 0.5 - 0.1));
  double d = period - 0.5 - n;  // in [0.1, 1.1)
  const double c = (1 - d) / (1 + d);
  const double gain = std::pow(0.001, 1.0 / (p.sustain * f));

  // Excitation: a plectrum near the bridge (comb at 1/7 of the string) on noise that is
  // darker when plucked softly.
  Samples burst(n, 0.0);
  Noise noise(seed);
  for (double& v : burst) v = noise.Next();
  const double bright = 1500 + 4500 * p.velocity;
  const double a = std::exp(-TWO_PI * bright / RATE);
  double y = 0;
  for (double& v : burst) v = y = (1 - a) * v + a * y;
  const int pick = std::max(1, n / 7);
  Samples excitation(n, 0.0);
  for (int i = 0; i < n; ++i) excitation[i] = burst[i] - (i >= pick ? burst[i - pick] : 0.0);
  double mean = 0;
  for (double v : excitation) mean += v;
  mean /= n;
  for (double& v : excitation) v -= mean;

  std::vector<double> line(excitation);
  const int length = Frames(p.sustain * 1.6);
  const int begin = Frames(p.start);
  const int size = static_cast<int>(loop.size());
  double previous = 0;         // last value read from the delay line (for the average)
  double apIn = 0, apOut = 0;  // all-pass state
  int at = 0;
  for (int i = 0; i < length; ++i) {
    const double current = line[at];
    const double averaged = 0.5 * (current + previous);
    previous = current;
    const double tuned = c * averaged + apIn - c * apOut;
    apIn = averaged;
    apOut = tuned;
    line[at] = gain * tuned;
    at = (at + 1) % n;
    loop[(begin + i) % size] += p.velocity * current;
  }
}

// A small room: four parallel combs into two all-passes (Schroeder), run over the circle.
Samples Reverberate(const Samples& dry, double wet) {
  const int size = static_cast<int>(dry.size());
  const int combDelays[] = {Frames(0.0297), Frames(0.0371), Frames(0.0411), Frames(0.0437)};
  const double combGain = 0.80;
  const int apDelays[] = {Frames(0.005), Frames(0.0017)};
  const double apGain = 0.7;
  std::vector<Samples> combs;
  for (int d : combDelays) combs.emplace_back(d, 0.0);
  std::vector<Samples> aps;
  for (int d : apDelays) aps.emplace_back(d, 0.0);
  std::vector<int> combAt(4, 0), apAt(2, 0);
  std::vector<double> damps(4, 0.0);

  Samples out(size, 0.0);
  // Three turns of the circle: the first two fill the reverberation's memory, the third is
  // kept.
  for (int turn = 0; turn < 3; ++turn) {
    for (int i = 0; i < size; ++i) {
      const double x = dry[i];
      double sum = 0;
      for (int k = 0; k < 4; ++k) {
        double& cell = combs[k][combAt[k]];
        const double delayed = cell;
        damps[k] = 0.6 * delayed + 0.4 * damps[k];  // softer highs in the tail
        cell = x + combGain * damps[k];
        combAt[k] = (combAt[k] + 1) % static_cast<int>(combs[k].size());
        sum += delayed;
      }
      double v = sum * 0.25;
      for (int k = 0; k < 2; ++k) {
        double& cell = aps[k][apAt[k]];
        const double delayed = cell;
        const double y = -apGain * v + delayed;
        cell = v + apGain * y;
        apAt[k] = (apAt[k] + 1) % static_cast<int>(aps[k].size());
        v = y;
      }
      if (turn == 2) out[i] = x + wet * v;
    }
  }
  return out;
}

// High-pass at a few hertz, run over the circle like the reverberation, so that no slow
// offset survives into the loop.
void RemoveOffset(Samples& s) {
  const double r = std::exp(-TWO_PI * 8.0 / RATE);
  double px = 0, py = 0;
  Samples out(s.size());
  for (int turn = 0; turn < 3; ++turn) {
    for (std::size_t i = 0; i < s.size(); ++i) {
      const double y = s[i] - px + r * py;
      px = s[i];
      py = y;
      if (turn == 2) out[i] = y;
    }
  }
  s = out;
}

Samples Music() {
  constexpr double BEAT = 1.0;  // 60 beats a minute
  constexpr int BARS = 8;
  Samples loop(Frames(BARS * 4 * BEAT), 0.0);

  // Notes of the scale (MIDI): D4 62, Eb4 63, G4 67, A4 69, Bb4 70, D5 74, Eb5 75, G5 79,
  // A5 81. The tune: beats are quarter notes.
  struct Note {
    int note;
    double beats;
  };
  const std::vector<std::vector<Note>> bars = {
      {{74, 1}, {75, 0.5}, {74, 0.5}, {70, 1}, {69, 1}},
      {{67, 1}, {69, 0.5}, {70, 0.5}, {69, 2}},
      {{67, 1}, {69, 1}, {70, 0.5}, {69, 0.5}, {67, 1}},
      {{63, 1}, {62, 3}},
      {{69, 0.5}, {70, 0.5}, {74, 1}, {75, 1}, {79, 1}},
      {{81, 1.5}, {79, 0.5}, {75, 1}, {74, 1}},
      {{70, 1}, {69, 0.5}, {67, 0.5}, {69, 1}, {70, 0.5}, {69, 0.5}},
      {{67, 1}, {63, 1}, {62, 2}},
  };
  // The low strings under each bar: root on the first beat, fifth or octave on the third.
  const int roots[BARS][2] = {{50, 57}, {43, 50}, {43, 50}, {50, 57},
                              {45, 50}, {50, 57}, {43, 50}, {50, 0}};

  std::vector<Pluck> plucks;
  // Small fixed pushes and drags, so the player breathes instead of ticking.
  const double nudges[] = {0.000, 0.012, -0.006, 0.008, -0.010, 0.004, 0.010, -0.004};
  int count = 0;
  for (int bar = 0; bar < BARS; ++bar) {
    double beat = 0;
    for (const Note& n : bars[bar]) {
      const double start = (bar * 4 + beat) * BEAT + nudges[count % 8];
      const bool strong = std::fmod(beat, 2.0) == 0;
      const double velocity = strong ? 0.85 : 0.65;
      const double sustain = std::clamp(1.2 + n.beats * 0.9, 1.5, 3.6);
      plucks.push_back({std::max(0.0, start), n.note, velocity, sustain});
      beat += n.beats;
      ++count;
    }
    plucks.push_back({bar * 4 * BEAT + 0.02, roots[bar][0], 0.55, 3.2});
    if (roots[bar][1] != 0) plucks.push_back({(bar * 4 + 2) * BEAT, roots[bar][1], 0.42, 2.6});
  }
  // The opening glissando of the koto, quietly, on the last beat before the loop comes
  // round: it leads back into the first bar every time.
  const int sweep[] = {62, 67, 69, 70, 74};
  for (int i = 0; i < 5; ++i) {
    plucks.push_back({(BARS * 4 - 0.6) * BEAT + i * 0.07, sweep[i], 0.30 + 0.05 * i, 1.6});
  }

  std::uint32_t seed = 0x5eed0100u;
  for (const Pluck& p : plucks) RenderPluck(loop, p, seed++);
  loop = Reverberate(loop, 0.35);
  RemoveOffset(loop);
  // The noisy first instants of each pluck stand far above the ringing strings; rounding
  // them off lets the tune sit at a useful level under the effects.
  Normalise(loop, 1.0);
  for (double& v : loop) v = std::tanh(2.0 * v) / 2.0;
  Normalise(loop, 0.42);
  // The file begins just before the glissando, the quietest place of the circle: the
  // first play opens with the sweep into the first bar.
  const int seam = Frames((BARS * 4 - 0.7) * BEAT);
  std::rotate(loop.begin(), loop.begin() + seam, loop.end());
  return loop;
}

// --- output -------------------------------------------------------------------------------

void Put16(std::ofstream& out, std::uint16_t v) {
  const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  out.write(b, 2);
}
void Put32(std::ofstream& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

bool WriteWave(const std::filesystem::path& path, const Samples& s) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  const std::uint32_t dataBytes = static_cast<std::uint32_t>(s.size() * 2);
  out.write("RIFF", 4);
  Put32(out, 36 + dataBytes);
  out.write("WAVE", 4);
  out.write("fmt ", 4);
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, RATE);
  Put32(out, RATE * 2);
  Put16(out, 2);
  Put16(out, 16);
  out.write("data", 4);
  Put32(out, dataBytes);
  for (double v : s) {
    const long q = std::lround(std::clamp(v, -1.0, 1.0) * 32767.0);
    Put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(q)));
  }
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: korvel4-wavgen OUTDIR\n";
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) {
    std::cerr << "korvel4-wavgen: cannot create " << dir << ": " << error.message() << "\n";
    return 1;
  }
  struct Output {
    const char* name;
    Samples (*make)();
  };
  const Output outputs[] = {
      {"駒打音.wav", PiecePlaced}, {"禁止.wav", Forbidden}, {"その他.wav", Chime},
      {"終局.wav", Gong},          {"BGM.wav", Music},
  };
  for (const Output& o : outputs) {
    const Samples s = o.make();
    const std::filesystem::path path =
        dir / std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(o.name)));
    if (!WriteWave(path, s)) {
      std::cerr << "korvel4-wavgen: cannot write " << path << "\n";
      return 1;
    }
    std::cout << o.name << ": " << s.size() << " samples, " << static_cast<double>(s.size()) / RATE
              << " s\n";
  }
  return 0;
}

// Makes the short sound played when the program has emptied the bin: a soft whoosh with paper
// crackling through it and a light landing thump, about one second, 22,050 Hz, 16-bit mono PCM.
// To remake it, from the source folder, with the build folder configured (cmake -S . -B build):
//
// clang-format off
//   cmake --build build --target make_sound && build/assets/generator/make_sound "assets/Reciclaje de Windows XP.wav"
// clang-format on
//
// The noise comes from a fixed-seed generator, so the same source always gives the same file.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kSeconds = 1.1;
constexpr double kPi = 3.14159265358979323846;

// xorshift32: small, and the same on every compiler (std:: distributions are not).
class Noise {
 public:
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_ / 2147483648.0 - 1.0;
  }
  double Unit() { return (Next() + 1.0) / 2.0; }

 private:
  std::uint32_t state_ = 0x9e3779b9u;
};

// Chamberlin state-variable filter; band-pass and high-pass outputs.
struct Filter {
  double low = 0, band = 0;
  double Band(double in, double freq, double q) {
    const double f = 2 * std::sin(kPi * std::min(freq, kRate / 6.0) / kRate);
    low += f * band;
    const double high = in - low - band / q;
    band += f * high;
    return band;
  }
  double High(double in, double freq) {
    const double f = 2 * std::sin(kPi * freq / kRate);
    low += f * band;
    const double high = in - low - band * 1.2;
    band += f * high;
    return high;
  }
};

double Smooth(double t, double start, double end) {
  const double x = std::clamp((t - start) / (end - start), 0.0, 1.0);
  return x * x * (3 - 2 * x);
}

std::vector<double> Compose() {
  const int n = static_cast<int>(kSeconds * kRate);
  std::vector<double> out(n, 0.0);
  Noise noise;

  // The whoosh: noise through a band that rises and falls, like a sheet swept through the air.
  Filter air;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double sweep = 350 + 1900 * std::sin(kPi * std::min(t / 0.75, 1.0));
    const double env = Smooth(t, 0.0, 0.28) * (1 - Smooth(t, 0.45, 0.95));
    out[i] += 0.55 * env * air.Band(noise.Next(), sweep, 1.6);
  }

  // The crackles: short bursts of bright noise, thickest in the middle, each dying away fast.
  Filter paper;
  std::vector<double> crackle(n, 0.0);
  int next = static_cast<int>(0.08 * kRate);
  while (next < n) {
    const double t = static_cast<double>(next) / kRate;
    const double density = Smooth(t, 0.05, 0.3) * (1 - Smooth(t, 0.6, 0.85));
    const int length = static_cast<int>((0.003 + 0.012 * noise.Unit()) * kRate);
    const double level = (0.25 + 0.75 * noise.Unit()) * density;
    for (int k = 0; k < length && next + k < n; ++k)
      crackle[next + k] += level * std::exp(-5.0 * k / length) * noise.Next();
    next += static_cast<int>((0.006 + 0.035 * noise.Unit() / (0.2 + density)) * kRate);
  }
  // High-passed so it reads as paper, then rounded off above 5 kHz so it never hisses.
  const double soften = 1 - std::exp(-2 * kPi * 5000.0 / kRate);
  double soft = 0;
  for (int i = 0; i < n; ++i) {
    soft += soften * (paper.High(crackle[i], 1500) - soft);
    out[i] += 0.5 * soft;
  }

  // The landing: a soft, low thump as the paper settles.
  const int land = static_cast<int>(0.78 * kRate);
  for (int i = land; i < n; ++i) {
    const double t = static_cast<double>(i - land) / kRate;
    const double pitch = 95 + 60 * std::exp(-t * 30);
    out[i] += 0.35 * std::exp(-t * 22) * std::sin(2 * kPi * pitch * t) * Smooth(t, 0, 0.004);
  }

  // Gentle limiting, peak at -4.4 dB, and short fades so neither end clicks.
  double peak = 1e-9;
  for (double& v : out) {
    v = std::tanh(1.4 * v);
    peak = std::max(peak, std::abs(v));
  }
  const double gain = 0.6 / peak;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kRate;
    out[i] *= gain * Smooth(t, 0, 0.01) * (1 - Smooth(t, kSeconds - 0.06, kSeconds));
  }
  return out;
}

void Put(std::vector<char>& b, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
    return 2;
  }
  const std::vector<double> samples = Compose();
  const std::uint32_t data = static_cast<std::uint32_t>(samples.size() * 2);
  std::vector<char> b;
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  Put(b, 36 + data, 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put(b, 16, 4);
  Put(b, 1, 2);  // PCM
  Put(b, 1, 2);  // mono
  Put(b, kRate, 4);
  Put(b, kRate * 2, 4);
  Put(b, 2, 2);
  Put(b, 16, 2);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  Put(b, data, 4);
  for (double v : samples) {
    const long s = std::lround(std::clamp(v, -1.0, 1.0) * 32767);
    Put(b, static_cast<std::uint32_t>(static_cast<std::int16_t>(s)) & 0xffffu, 2);
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(b.data(), static_cast<std::streamsize>(b.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

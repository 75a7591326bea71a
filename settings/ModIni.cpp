#include "settings/ModIni.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/ProfileFile.h"

namespace settings {

std::string IniRead(const std::string& section, const std::string& key, const std::string& file) {
  return platform::GetPrivateProfileString(section, key, "", 255, file);
}

void IniWrite(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file) {
  platform::WritePrivateProfileString(section, key, value, file);
}

bool IsOn(const std::string& text) { return text == "Verdadero" || text == "True"; }

std::string OnOffWord(bool on) { return on ? "Verdadero" : "Falso"; }

std::int32_t ReadNumber(const std::string& text) {
  const auto digit = [&](std::size_t i) {
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
  };
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  const std::size_t start = i;
  while (digit(i)) ++i;
  bool any = i > start;
  if (i < text.size() && text[i] == '.' && (any || digit(i + 1))) {
    ++i;
    while (digit(i)) ++i;
    any = true;
  }
  if (!any) return 0;
  double value = 0;
  const auto parsed = std::from_chars(text.data() + start, text.data() + i, value);
  if (parsed.ec != std::errc()) return 0;
  double whole = std::floor(value);
  const double rest = value - whole;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
  if (negative) whole = -whole;
  // A hand-edited number too large for a position means what no number means.
  if (whole < std::numeric_limits<std::int32_t>::min() ||
      whole > std::numeric_limits<std::int32_t>::max())
    return 0;
  return static_cast<std::int32_t>(whole);
}

std::string NumberText(double value) {
  if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) return "0";
  const float single = static_cast<float>(value);
  if (single == 0) return "0";  // never "-0"
  char text[64];
  const auto done = std::to_chars(text, text + sizeof text, single, std::chars_format::fixed);
  return std::string(text, done.ptr);
}

}  // namespace settings

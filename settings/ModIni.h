#pragma once
// Settings access: every read and write goes straight to the file, nothing is
// cached, so a value one window writes is what the next read anywhere sees.
#include <cstdint>
#include <string>

namespace settings {

// The value of key in section of file, "" when anything is missing; values
// longer than 254 characters come back cut, as through a 255-character buffer.
std::string IniRead(const std::string& section, const std::string& key, const std::string& file);

// Creates the file, section and key as needed; a failed write goes unreported.
void IniWrite(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file);

// On/off options: only these two exact words are on; anything else is off.
bool IsOn(const std::string& text);
// The word stored for an option ("Verdadero" / "Falso"); persisted, never translate.
std::string OnOffWord(bool on);

// The leading number of text ("." the only decimal separator), rounded half
// to even; 0 for no number or one outside the 32-bit range.
std::int32_t ReadNumber(const std::string& text);
// The text stored for a position: the value as a single-precision number,
// whole values without decimals ("4830"), "." before any decimals.
std::string NumberText(double value);

}  // namespace settings

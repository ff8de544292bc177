// What the sample writers put into the manifest that export/tests/check_eml.py compares every
// message file with.
#pragma once

#include <cstdint>
#include <ctime>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "common/DateText.h"

namespace mailshift::manifest {

// A recipient or sender as the parser must find it.
struct Expected {
  std::string name;
  std::string address;  // empty for a Notes name, written as a group
};

inline nlohmann::json ToJson(const std::vector<Expected>& recipients) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& r : recipients) list.push_back({{"name", r.name}, {"address", r.address}});
  return list;
}

// The date a message must carry: the instant and this machine's UTC offset at it.
inline nlohmann::json DateJson(std::int64_t when) {
  const auto t = static_cast<std::time_t>(when);
  std::tm local{};
  localtime_r(&t, &local);
  return {{"epoch", when}, {"offset_minutes", static_cast<std::int32_t>(local.tm_gmtoff / 60)}};
}

// The date of a message written without a date: today, midnight local time.
inline std::int64_t LocalMidnightToday() { return StartOfLocalDay(Now()).secondsSinceEpoch; }

inline std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

inline std::string Base64(const std::string& bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size())
      group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
  }
  return out;
}

}  // namespace mailshift::manifest

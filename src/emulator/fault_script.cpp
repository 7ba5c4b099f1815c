#include "emulator/fault_script.h"

#include <charconv>
#include <sstream>

namespace kelvo::emulator {
namespace {

// What follows the words of a line: a frame number, an amount, both, or an
// optional amount.
enum class Shape { kFrame, kFrameAmount, kAmount, kOptionalAmount };

struct Grammar {
  std::string_view first;
  std::string_view second;  // the word after "frame <n>", or after the first word
  FaultKind kind;
  Shape shape;
};

constexpr Grammar kGrammar[] = {
    {"frame", "drop", FaultKind::kDrop, Shape::kFrame},
    {"frame", "short", FaultKind::kShort, Shape::kFrame},
    {"frame", "stall", FaultKind::kStall, Shape::kFrameAmount},
    {"frame", "unplug", FaultKind::kUnplug, Shape::kFrameAmount},
    {"open", "fail", FaultKind::kOpenFail, Shape::kAmount},
    {"srom", "fail", FaultKind::kSromFail, Shape::kOptionalAmount},
};

// Keeps a script from asking for waits of days or counts beyond reason.
constexpr std::uint32_t kLargestNumber = 100'000'000;

std::optional<std::uint32_t> PositiveNumber(std::string_view word) {
  std::uint32_t value = 0;
  auto [end, failure] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (failure != std::errc() || end != word.data() + word.size()) return std::nullopt;
  if (value == 0 || value > kLargestNumber) return std::nullopt;
  return value;
}

// A message about one word of the line, the word in quotes.
std::string Said(std::string_view what, std::string_view word) {
  std::ostringstream message;
  message << what << " \"" << word << "\"";
  return message.str();
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    std::size_t start = line.find_first_not_of(" \t\r", at);
    if (start == std::string_view::npos) break;
    std::size_t end = line.find_first_of(" \t\r", start);
    if (end == std::string_view::npos) end = line.size();
    words.push_back(line.substr(start, end - start));
    at = end;
  }
  return words;
}

std::optional<Fault> ParseLine(const std::vector<std::string_view>& words, std::string* why) {
  for (const Grammar& rule : kGrammar) {
    if (words[0] != rule.first) continue;
    bool framed = rule.shape == Shape::kFrame || rule.shape == Shape::kFrameAmount;
    std::size_t keyword = framed ? 2 : 1;
    if (words.size() <= keyword || words[keyword] != rule.second) continue;
    Fault fault{rule.kind};
    if (framed) {
      auto frame = PositiveNumber(words[1]);
      if (!frame) {
        *why = "frame number must be a whole number from 1";
        return std::nullopt;
      }
      fault.frame = *frame;
    }
    std::size_t expected = keyword + 1;
    bool wantsAmount = rule.shape == Shape::kFrameAmount || rule.shape == Shape::kAmount;
    if (rule.shape == Shape::kOptionalAmount && words.size() == expected) {
      fault.amount = 1;
      return fault;
    }
    if (wantsAmount || rule.shape == Shape::kOptionalAmount) {
      if (words.size() != expected + 1) {
        *why = Said("expected one number after", rule.second);
        return std::nullopt;
      }
      auto amount = PositiveNumber(words[expected]);
      if (!amount) {
        *why = Said("not a whole number from 1:", words[expected]);
        return std::nullopt;
      }
      fault.amount = *amount;
      return fault;
    }
    if (words.size() != expected) {
      *why = Said("unexpected words after", rule.second);
      return std::nullopt;
    }
    return fault;
  }
  *why = "unknown fault";
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<Fault>> ParseFaultScript(std::string_view script, std::string* error) {
  std::vector<Fault> faults;
  std::size_t lineNumber = 0;
  std::size_t at = 0;
  while (at <= script.size()) {
    std::size_t end = script.find('\n', at);
    if (end == std::string_view::npos) end = script.size();
    std::string_view line = script.substr(at, end - at);
    at = end + 1;
    ++lineNumber;
    if (std::size_t hash = line.find('#'); hash != std::string_view::npos)
      line = line.substr(0, hash);
    std::vector<std::string_view> words = Words(line);
    if (words.empty()) continue;
    std::string why;
    std::optional<Fault> fault = ParseLine(words, &why);
    if (!fault) {
      if (error != nullptr) {
        std::ostringstream message;
        message << "line " << lineNumber << ": " << why << ": \"" << line << "\"";
        *error = message.str();
      }
      return std::nullopt;
    }
    faults.push_back(*fault);
  }
  return faults;
}

}  // namespace kelvo::emulator

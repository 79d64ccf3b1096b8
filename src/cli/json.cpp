#include "cli/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "synth/number_text.h"

namespace korvane::cli {

std::string JsonQuote(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

void JsonObject::Key(std::string_view key) {
  if (!body_.empty()) body_ += ",";
  body_ += JsonQuote(key) + ":";
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view text) {
  Key(key);
  body_ += JsonQuote(text);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, int64_t number) {
  Key(key);
  body_ += std::to_string(number);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, double number) {
  Key(key);
  if (!std::isfinite(number)) {
    body_ += "null";
    return *this;
  }
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, number);
  body_.append(buf, res.ptr);
  return *this;
}

JsonObject& JsonObject::AddFixed(std::string_view key, double number, int precision) {
  Key(key);
  body_ += std::isfinite(number) ? FormatFixed(number, precision) : "null";
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, bool value) {
  Key(key);
  body_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::AddRaw(std::string_view key, std::string_view json) {
  Key(key);
  body_ += json;
  return *this;
}

}  // namespace korvane::cli

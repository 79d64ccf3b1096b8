// A small writer of JSON objects with keys in the order they are added.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane::cli {

std::string JsonQuote(std::string_view text);

class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view text);
  JsonObject& Add(std::string_view key, const char* text) { return Add(key, std::string_view(text)); }
  JsonObject& Add(std::string_view key, int64_t number);
  JsonObject& Add(std::string_view key, int number) { return Add(key, static_cast<int64_t>(number)); }
  // JSON has no infinity and no NaN: a number that is not finite is written as null.
  JsonObject& Add(std::string_view key, double number);                      // shortest exact form, locale-free
  JsonObject& AddFixed(std::string_view key, double number, int precision);  // "%.<precision>f", locale-free
  JsonObject& Add(std::string_view key, bool value);
  JsonObject& AddRaw(std::string_view key, std::string_view json);  // an already written value
  std::string str() const { return "{" + body_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string body_;
};

}  // namespace korvane::cli

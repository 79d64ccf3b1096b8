#include "config/profile_file.h"

#include <climits>
#include <stdexcept>

#include "base/text_encoding.h"
#include "synth/number_text.h"

namespace korvane::config {

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
  size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool NamesMatch(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

struct ParsedLine {
  enum Kind { Other, Section, Key } kind = Other;
  std::string name;
  std::string value;
};

ParsedLine ParseLine(std::string_view bytes) {
  std::string text = text::DecodeLine(bytes);
  std::string_view rest = Trim(text);
  ParsedLine parsed;
  if (rest.empty() || rest.front() == ';' || rest.front() == '#') return parsed;
  if (rest.front() == '[') {
    size_t close = rest.find(']');
    if (close == std::string_view::npos) return parsed;
    parsed.kind = ParsedLine::Section;
    parsed.name = Trim(rest.substr(1, close - 1));
    return parsed;
  }
  size_t equals = rest.find('=');
  if (equals == std::string_view::npos) return parsed;
  parsed.kind = ParsedLine::Key;
  parsed.name = Trim(rest.substr(0, equals));
  std::string_view value = Trim(rest.substr(equals + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  parsed.value = value;
  return parsed;
}

void CheckName(std::string_view name) {
  bool bad = name.empty() || IsBlank(name.front()) || IsBlank(name.back()) ||
             name.find_first_of("=[]\r\n") != std::string_view::npos || name.front() == ';' || name.front() == '#';
  if (bad) throw std::invalid_argument("not a usable profile name: \"" + std::string(name) + "\"");
}

std::string FormatValue(std::string_view value) {
  std::string folded;
  folded.reserve(value.size());
  for (char c : value) {
    if (c == '\r') continue;
    folded.push_back(c == '\n' ? ' ' : c);
  }
  bool needsQuotes = !folded.empty() && (IsBlank(folded.front()) || IsBlank(folded.back()) ||
                                         (folded.size() >= 2 && folded.front() == '"' && folded.back() == '"'));
  return needsQuotes ? "\"" + folded + "\"" : folded;
}

}  // namespace

ProfileFile ProfileFile::Parse(std::string_view bytes) {
  ProfileFile profile;
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    profile.byteOrderMark_ = kUtf8Bom;
    bytes.remove_prefix(kUtf8Bom.size());
  }
  size_t firstBreak = bytes.find('\n');
  if (firstBreak != std::string_view::npos && firstBreak > 0 && bytes[firstBreak - 1] == '\r') {
    profile.newline_ = "\r\n";
  }
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t lf = bytes.find('\n', pos);
    Line line;
    if (lf == std::string_view::npos) {
      line.bytes = bytes.substr(pos);
      pos = bytes.size();
    } else {
      size_t end = (lf > pos && bytes[lf - 1] == '\r') ? lf - 1 : lf;
      line.bytes = bytes.substr(pos, end - pos);
      line.ending = bytes.substr(end, lf + 1 - end);
      pos = lf + 1;
    }
    if (!text::IsValidUtf8(line.bytes)) profile.latin1_ = true;
    profile.lines_.push_back(std::move(line));
  }
  return profile;
}

std::string ProfileFile::Serialize() const {
  std::string out = byteOrderMark_;
  for (const Line& line : lines_) {
    out += line.bytes;
    out += line.ending;
  }
  return out;
}

std::optional<ProfileFile::Span> ProfileFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    ParsedLine parsed = ParseLine(lines_[i].bytes);
    if (parsed.kind != ParsedLine::Section || !NamesMatch(parsed.name, section)) continue;
    size_t end = i + 1;
    while (end < lines_.size() && ParseLine(lines_[end].bytes).kind != ParsedLine::Section) ++end;
    return Span{i, end};
  }
  return std::nullopt;
}

std::optional<size_t> ProfileFile::FindKey(const Span& span, std::string_view key) const {
  for (size_t i = span.header + 1; i < span.end; ++i) {
    ParsedLine parsed = ParseLine(lines_[i].bytes);
    if (parsed.kind == ParsedLine::Key && NamesMatch(parsed.name, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const {
  auto span = FindSection(section);
  if (!span) return std::nullopt;
  auto index = FindKey(*span, key);
  if (!index) return std::nullopt;
  return ParseLine(lines_[*index].bytes).value;
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback,
                                    size_t bufferChars) const {
  size_t keep = bufferChars == 0 ? 0 : bufferChars - 1;
  auto value = Find(section, key);
  return text::TruncateChars(value ? *value : fallback, keep);
}

int ProfileFile::ReadInt(std::string_view section, std::string_view key, int fallback) const {
  auto value = Find(section, key);
  if (!value || value->empty()) return fallback;
  // A value without digits reads as 0, as the profile functions read it.
  return ReadLeadingInt(*value).value_or(0);
}

std::string ProfileFile::EncodeLine(const std::string& text) const {
  std::string latin1;
  // A Latin-1 line that happens to be valid UTF-8 would be read back as UTF-8; such a line,
  // and any text beyond Latin-1, is written as UTF-8 instead.
  if (latin1_ && text::Utf8ToLatin1(text, &latin1) && (latin1 == text || !text::IsValidUtf8(latin1))) return latin1;
  return text;
}

void ProfileFile::InsertLine(size_t index, const std::string& text) {
  if (index > 0 && lines_[index - 1].ending.empty()) lines_[index - 1].ending = newline_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), Line{EncodeLine(text), newline_});
}

void ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  CheckName(section);
  CheckName(key);
  std::string formatted = FormatValue(value);
  auto span = FindSection(section);
  if (!span) {
    InsertLine(lines_.size(), "[" + std::string(section) + "]");
    InsertLine(lines_.size(), std::string(key) + "=" + formatted);
    return;
  }
  if (auto index = FindKey(*span, key)) {
    // The key keeps the spelling the file gives it.
    lines_[*index].bytes = EncodeLine(ParseLine(lines_[*index].bytes).name + "=" + formatted);
    return;
  }
  size_t after = span->header;
  for (size_t i = span->header + 1; i < span->end; ++i) {
    if (ParseLine(lines_[i].bytes).kind == ParsedLine::Key) after = i;
  }
  InsertLine(after + 1, std::string(key) + "=" + formatted);
}

ReadStatus LoadProfileFile(const std::string& path, ProfileFile* profile, std::string* error) {
  std::string bytes;
  ReadStatus status = ReadSmallFile(path, &bytes, error);
  if (status == ReadStatus::Failed) return status;
  *profile = ProfileFile::Parse(status == ReadStatus::Ok ? std::string_view(bytes) : std::string_view());
  return status;
}

bool SaveProfileFile(const std::string& path, const ProfileFile& profile, std::string* error, FileWriter* writer) {
  return WriteFileAtomically(path, profile.Serialize(), error, writer);
}

}  // namespace korvane::config

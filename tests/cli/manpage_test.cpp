// korvane-cli(1) and the bash completion against what "korvane-cli --help" and "COMMAND --help"
// print: a command or option that the help shows and they leave out is a fault.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace {

using korvane::test::CliPath;
using korvane::test::RunCli;
using korvane::test::RunProgram;

struct HelpCommand {
  std::string name;
  std::string usage;  // after "usage: "
  std::vector<std::string> options;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Squeezed(const std::string& text) {
  std::string out;
  for (char c : text) {
    bool space = c == ' ' || c == '\t' || c == '\n';
    if (space && (out.empty() || out.back() == ' ')) continue;
    out += space ? ' ' : c;
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The commands of the overview ("  NAME  summary" under "commands:") with the options and the
// usage line of each one's own help.
std::vector<HelpCommand> CommandsFromHelp() {
  std::vector<HelpCommand> commands;
  korvane::test::CliResult overview = RunCli({"--help"});
  EXPECT_EQ(overview.exitCode, 0);
  bool listing = false;
  for (const std::string& line : Lines(overview.out)) {
    if (line == "commands:") {
      listing = true;
    } else if (listing && line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] != ' ') {
      commands.push_back({line.substr(2, line.find(' ', 2) - 2), "", {}});
    }
  }
  for (HelpCommand& c : commands) {
    korvane::test::CliResult help = RunCli({c.name, "--help"});
    EXPECT_EQ(help.exitCode, 0) << c.name;
    for (const std::string& line : Lines(help.out)) {
      if (line.rfind("usage: ", 0) == 0) c.usage = line.substr(7);
      if (line.rfind("  --", 0) == 0) c.options.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
  }
  return commands;
}

class GeneratedDocsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(access(CliPath().c_str(), X_OK), 0) << "no korvane-cli at " << CliPath();
    dir_ = std::filesystem::temp_directory_path() / ("korvane-docs-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    commands_ = CommandsFromHelp();
    ASSERT_GE(commands_.size(), 10u) << "the overview lists too few commands; is its layout still parsed right?";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) {
    std::string path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // What the completion function offers for the words of a command line; the last word is
  // the one being completed.
  std::set<std::string> Complete(const std::string& script, const std::vector<std::string>& words) {
    std::vector<std::string> args = {
        "-c",
        "source \"$0\" || exit 3; COMP_WORDS=(\"$@\"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
        "_korvane_cli; printf '%s\\n' \"${COMPREPLY[@]}\"",
        script};
    args.insert(args.end(), words.begin(), words.end());
    korvane::test::CliResult r = RunProgram("bash", args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::set<std::string> offered;
    for (const std::string& line : Lines(r.out)) {
      if (!line.empty()) offered.insert(line);
    }
    return offered;
  }

  std::filesystem::path dir_;
  std::vector<HelpCommand> commands_;
};

bool HasWord(const std::string& text, const std::string& word) {
  return std::regex_search(text,
                           std::regex("(^|\\s)" + std::regex_replace(word, std::regex("[+.|]"), "\\$&") + "(\\s|$)"));
}

TEST_F(GeneratedDocsTest, ManualPageShowsEveryCommandWithItsUsageAndOptions) {
  korvane::test::CliResult roff = RunCli({"--manpage"});
  ASSERT_EQ(roff.exitCode, 0);
  std::string page = Write("korvane-cli.1", roff.out);
  // As man shows it: plain text, wide enough that no usage line is broken.
  korvane::test::CliResult shown =
      RunProgram("groff", {"-ww", "-man", "-Tascii", "-P-cbou", "-rLL=300n", "-rHY=0", page});
  ASSERT_EQ(shown.exitCode, 0) << "is groff installed? scripts/bootstrap installs man-db";
  EXPECT_EQ(shown.err, "") << "roff warnings";

  // Each command's part runs from its heading ("   NAME") to the next heading.
  std::map<std::string, std::string> parts;
  std::string current;
  for (const std::string& line : Lines(shown.out)) {
    if (line == "OPTIONS" || line == "EXIT STATUS") current.clear();
    if (line.size() > 3 && line.rfind("   ", 0) == 0 && line[3] != ' ' && line.find(' ', 3) == std::string::npos) {
      current = line.substr(3);
      continue;
    }
    if (!current.empty()) parts[current] += line + "\n";
  }
  for (const HelpCommand& c : commands_) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(parts.count(c.name)) << "no section for the command";
    EXPECT_NE(Squeezed(parts[c.name]).find(c.usage), std::string::npos) << "usage not shown: " << c.usage;
    for (const std::string& option : c.options) EXPECT_TRUE(HasWord(parts[c.name], option)) << option;
  }
  EXPECT_EQ(parts.size(), commands_.size()) << "a section for a command the overview does not list";
  for (const char* global : {"--help", "--version", "--verbose"}) EXPECT_TRUE(HasWord(shown.out, global)) << global;
}

TEST_F(GeneratedDocsTest, CompletionOffersCommandsOptionsValuesPortsAndFiles) {
  korvane::test::CliResult generated = RunCli({"--bash-completion"});
  ASSERT_EQ(generated.exitCode, 0);
  std::string script = Write("korvane-cli.bash", generated.out);
  const std::string cli = CliPath();

  std::set<std::string> offered = Complete(script, {cli, ""});
  for (const HelpCommand& c : commands_) EXPECT_TRUE(offered.count(c.name)) << c.name;
  for (const HelpCommand& c : commands_) {
    SCOPED_TRACE(c.name);
    std::set<std::string> options = Complete(script, {cli, c.name, "--"});
    EXPECT_EQ(options, std::set<std::string>(c.options.begin(), c.options.end()));
  }

  Write("synth.img", "");
  const std::string prefix = (dir_ / "sy").string();
  struct Case {
    std::vector<std::string> words;  // after korvane-cli
    std::set<std::string> wanted;
  };
  const Case cases[] = {
      {{"read", "--port", "De"}, {"Demo"}},
      {{"tune", "--port", "=", "De"}, {"Demo"}},  // --port=De, split by bash at '='
      {{"solve", "--chip", ""}, {"adf4350", "adf4351", "max2871"}},
      {{"read", "--chip", ""}, {"auto", "adf4350", "adf4351", "max2871"}},
      {{"solve", "--power", ""}, {"off", "-4", "-1", "+2", "+5"}},
      {{"solve", "--slot", ""}, {"0", "1", "2", "3", "4"}},
      {{"solve", "--band", ""}, {"0", "1"}},
      {{"solve", "--ref", ""}, {}},  // a number: nothing to offer, not the option names
      {{"flash", "--port", "Demo", prefix}, {(dir_ / "synth.img").string()}},
      {{"read", "--ini", prefix}, {(dir_ / "synth.img").string()}},
      {{"solve", "14"}, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words = {cli};
    words.insert(words.end(), c.words.begin(), c.words.end());
    std::string line;
    for (const std::string& w : c.words) line += w + " ";
    SCOPED_TRACE(line);
    EXPECT_EQ(Complete(script, words), c.wanted);
  }
}

}  // namespace

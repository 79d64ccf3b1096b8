#include "support/ser2net_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace korvane::test {

namespace {

constexpr int kStartAttempts = 5;
constexpr auto kStartTimeout = std::chrono::seconds(5);
constexpr auto kStopTimeout = std::chrono::seconds(2);

std::string Ser2NetPath() {
  if (const char* path = std::getenv("KORVANE_SER2NET")) return path;
  for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"}) {
    if (access(path, X_OK) == 0) return path;
  }
  throw std::runtime_error("ser2net is not installed (scripts/bootstrap installs it)");
}

// A port nobody listens on right now. Another program may take it before ser2net does;
// the caller then tries again with another.
int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  if (fd >= 0) close(fd);
  if (port == 0) throw std::runtime_error("no free loopback port");
  return port;
}

}  // namespace

Ser2NetServer::Ser2NetServer(Ser2NetOptions options) : options_(std::move(options)) {
  char pattern[] = "/tmp/korvane-ser2net-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("ser2net: no temporary directory");
  dir_ = pattern;
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    if (Start(FreeLoopbackPort())) return;
  }
  const std::string log = Log();
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
  throw std::runtime_error("ser2net did not start: " + log);
}

Ser2NetServer::~Ser2NetServer() {
  Stop(SIGTERM);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string Ser2NetServer::Url() const {
  return std::string(options_.mode == Ser2NetMode::Rfc2217 ? "rfc2217" : "tcp") +
         "://127.0.0.1:" + std::to_string(port_);
}

void Ser2NetServer::Kill() { Stop(SIGKILL); }

std::string Ser2NetServer::Log() const {
  std::ifstream in(dir_ / "ser2net.log");
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool Ser2NetServer::Start(int port) {
  port_ = port;
  const std::string accepter = options_.mode == Ser2NetMode::Rfc2217 ? "telnet(rfc2217),tcp" : "tcp";
  const std::filesystem::path config = dir_ / "ser2net.yaml";
  {
    std::ofstream out(config);
    out << "connection: &board\n"
        << "  accepter: " << accepter << ",127.0.0.1," << port << "\n"
        << "  connector: serialdev," << options_.device << "," << options_.line << ",local\n";
    if (!options_.options.empty()) {
      out << "  options:\n";
      std::istringstream lines(options_.options);
      for (std::string line; std::getline(lines, line);) out << "    " << line << "\n";
    }
  }

  const std::string program = Ser2NetPath();
  const std::string log = (dir_ / "ser2net.log").string();
  const std::string pidFile = (dir_ / "ser2net.pid").string();
  const std::string configPath = config.string();
  // -n: stay in the foreground; -d: debug output to the log; -u: no UUCP lock files, which
  // a killed ser2net would leave behind.
  std::vector<std::string> args = {program, "-n", "-d", "-u", "-P", pidFile, "-c", configPath};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + program);
  }

  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (Listening()) return true;
    // A port taken meanwhile: ser2net says so and keeps running without listening.
    if (Log().find("Unable to startup network port") != std::string::npos) break;
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  Stop(SIGKILL);
  return false;
}

// True when ser2net itself (not another program) listens on our port: the listening
// socket's inode is among its descriptors.
bool Ser2NetServer::Listening() const {
  char local[32];
  std::snprintf(local, sizeof local, "0100007F:%04X", port_);
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // header
  std::string inode;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, address, remote, state, queues, timer, retransmits, uid, timeout;
    fields >> slot >> address >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
    if (address == local && state == "0A") break;
    inode.clear();
  }
  if (inode.empty()) return false;
  const std::string target = "socket:[" + inode + "]";
  std::error_code error;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", error)) {
    std::error_code ignored;
    if (std::filesystem::read_symlink(fd.path(), ignored).string() == target) return true;
  }
  return false;
}

void Ser2NetServer::Stop(int signal) {
  if (pid_ <= 0) return;
  kill(pid_, signal);
  const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
  while (waitpid(pid_, nullptr, WNOHANG) != pid_) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  pid_ = -1;
}

}  // namespace korvane::test

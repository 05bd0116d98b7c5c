// A one-file HTTP server for the real-window run: listens on 127.0.0.1 at a fixed
// port, appends every request it receives (request line, headers and any body) to a
// log file, and answers each with 404 so that the program falls back to its
// built-in news page. Exits with status 1 when the port cannot be had.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Reads one request: up to the blank line after the headers, then as many body bytes
// as Content-Length names. A client that stops early gives what came.
std::string ReadRequest(int fd) {
  std::string data;
  char buffer[4096];
  size_t need = std::string::npos;
  for (;;) {
    if (need != std::string::npos && data.size() >= need)
      break;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0)
      break;
    data.append(buffer, static_cast<size_t>(n));
    if (need == std::string::npos) {
      const size_t end = data.find("\r\n\r\n");
      if (end == std::string::npos)
        continue;
      size_t length = 0;
      std::string lower = data.substr(0, end);
      for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const size_t at = lower.find("\r\ncontent-length:");
      if (at != std::string::npos)
        length = std::strtoul(lower.c_str() + at + 17, nullptr, 10);
      need = end + 4 + length;
    }
  }
  return data;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PORT LOGFILE\n", argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int server = socket(AF_INET, SOCK_STREAM, 0);
  // A previous run's connections may linger in TIME_WAIT; that is no reason to fail.
  // Another listener on the port still is.
  const int yes = 1;
  if (server >= 0)
    setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (server < 0 || bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(server, 16) != 0) {
    std::fprintf(stderr, "recorder: cannot listen on 127.0.0.1:%d (%s); is the port taken?\n", port,
                 std::strerror(errno));
    return 1;
  }
  std::FILE* log = std::fopen(argv[2], "ab");
  if (log == nullptr) {
    std::fprintf(stderr, "recorder: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("listening\n");
  std::fflush(stdout);
  for (;;) {
    const int client = accept(server, nullptr, nullptr);
    if (client < 0)
      continue;
    const std::string request = ReadRequest(client);
    std::fprintf(log, "=== request %zu bytes\n", request.size());
    std::fwrite(request.data(), 1, request.size(), log);
    std::fprintf(log, "\n=== end\n");
    std::fflush(log);
    static const char kAnswer[] =
        "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 0\r\n"
        "Connection: close\r\n\r\n";
    (void)!write(client, kAnswer, sizeof kAnswer - 1);
    close(client);
  }
}

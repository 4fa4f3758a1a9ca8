// Numbered text units over plain descriptors.
//
// Output units keep their own buffer and write it with write(2), so that a
// failed write is seen (and remembered) by the unit itself; unit 6 goes
// through the C library's stdout, flushed per record, so that its records
// keep their order with everything else the process prints. Input units
// read their whole file when opened; records are found by their newlines.
#include "rt/fortio.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <unistd.h>
#include <vector>

namespace rt {
namespace {

constexpr std::size_t kFlushAt = 64 * 1024;

struct Unit {
    int fd = -1;
    bool reading = false;
    bool failed = false;  // a write or flush was lost; sticks until close
    int error = 0;        // the system's reason for the first loss
    std::string path;
    std::string out;                  // output not yet written
    std::string in;                   // the whole input file
    std::size_t pos = 0;              // start of the next record
    std::vector<std::size_t> starts;  // starts of the records read, for backspace
    bool at_end = false;              // the last read met the end of the file
};

struct Held {
    std::vector<std::string> lines;
};

std::map<int, Unit>& units() {
    static std::map<int, Unit> u;
    return u;
}
std::map<int, Held>& held() {
    static std::map<int, Held> h;
    return h;
}
bool stdout_failed = false;
// Why each unit whose last close lost data lost it.
std::map<int, std::string>& close_failures() {
    static std::map<int, std::string> f;
    return f;
}

std::string failure_of(const Unit& u) {
    return u.path + ": " + std::strerror(u.error ? u.error : EIO);
}

bool write_all(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t k = ::write(fd, p, n);
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

bool flush(Unit& u) {
    if (u.out.empty()) return !u.failed;
    if (!u.failed && !write_all(u.fd, u.out.data(), u.out.size())) {
        u.failed = true;
        u.error = errno;
    }
    u.out.clear();
    return !u.failed;
}

std::string reason(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool open_unit(int unit, const std::string& path, std::string* why) {
    if (unit == 6) {
        if (why) *why = "unit 6 is the standard output";
        return false;
    }
    close_unit(unit);
    close_failures().erase(unit);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (why) *why = reason("cannot open", path);
        return false;
    }
    Unit& u = units()[unit];
    u = Unit{};
    u.fd = fd;
    u.path = path;
    auto h = held().find(unit);
    if (h != held().end()) {
        for (const std::string& line : h->second.lines) {
            u.out += line;
            u.out += '\n';
        }
        held().erase(h);
        if (u.out.size() >= kFlushAt) flush(u);
    }
    return true;
}

bool open_unit_read(int unit, const std::string& path, std::string* why) {
    if (unit == 6) {
        if (why) *why = "unit 6 is the standard output";
        return false;
    }
    close_unit(unit);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (why) *why = reason("cannot open", path);
        return false;
    }
    std::string data;
    char buf[65536];
    for (;;) {
        ssize_t k = ::read(fd, buf, sizeof buf);
        if (k < 0) {
            if (errno == EINTR) continue;
            if (why) *why = reason("cannot read", path);
            ::close(fd);
            return false;
        }
        if (k == 0) break;
        data.append(buf, static_cast<std::size_t>(k));
    }
    Unit& u = units()[unit];
    u = Unit{};
    u.fd = fd;
    u.reading = true;
    u.in = std::move(data);
    return true;
}

bool is_open(int unit) {
    if (unit == 6) return true;
    return units().count(unit) != 0;
}

int unit_descriptor(int unit) {
    if (unit == 6) return 1;
    auto it = units().find(unit);
    return it == units().end() ? -1 : it->second.fd;
}

bool write_line(int unit, std::string_view line) {
    if (unit == 6) {
        if (stdout_failed) return false;
        if ((!line.empty() && std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) ||
            std::fputc('\n', stdout) == EOF || std::fflush(stdout) != 0) {
            stdout_failed = true;
            std::clearerr(stdout);
        }
        return !stdout_failed;
    }
    auto it = units().find(unit);
    if (it == units().end()) {
        auto h = held().find(unit);
        if (h == held().end()) return false;
        h->second.lines.emplace_back(line);
        return true;
    }
    Unit& u = it->second;
    if (u.reading || u.failed) return false;
    u.out.append(line.data(), line.size());
    u.out += '\n';
    if (u.out.size() >= kFlushAt) return flush(u);
    return true;
}

bool close_unit(int unit) {
    if (unit == 6) {
        bool ok = !stdout_failed && std::fflush(stdout) == 0;
        stdout_failed = false;
        std::clearerr(stdout);
        return ok;
    }
    auto it = units().find(unit);
    if (it == units().end()) return true;
    Unit& u = it->second;
    bool ok = true;
    if (!u.reading) ok = flush(u);
    if (::close(u.fd) != 0 && !u.reading) {
        if (ok) u.error = errno;
        ok = false;
    }
    if (!ok) close_failures()[unit] = failure_of(u);
    units().erase(it);
    return ok;
}

std::string unit_failure(int unit) {
    auto it = units().find(unit);
    if (it != units().end()) return it->second.failed ? failure_of(it->second) : std::string();
    auto f = close_failures().find(unit);
    return f == close_failures().end() ? std::string() : f->second;
}

void reset_units() {
    std::vector<int> open;
    for (auto& [n, u] : units()) open.push_back(n);
    for (int n : open) close_unit(n);
    held().clear();
    close_failures().clear();
    stdout_failed = false;
}

void hold_unit(int unit) {
    if (unit == 6 || is_open(unit)) return;
    held()[unit];
}

bool read_line(int unit, std::string& line) {
    auto it = units().find(unit);
    if (it == units().end() || !it->second.reading) return false;
    Unit& u = it->second;
    if (u.pos >= u.in.size()) {
        u.at_end = true;
        return false;
    }
    std::size_t nl = u.in.find('\n', u.pos);
    std::size_t end = nl == std::string::npos ? u.in.size() : nl;
    std::size_t len = end - u.pos;
    if (len > 0 && u.in[end - 1] == '\r') --len;  // records written on Windows
    line.assign(u.in, u.pos, len);
    u.starts.push_back(u.pos);
    u.pos = nl == std::string::npos ? u.in.size() : nl + 1;
    u.at_end = false;
    return true;
}

bool backspace(int unit) {
    auto it = units().find(unit);
    if (it == units().end() || !it->second.reading) return false;
    Unit& u = it->second;
    if (u.at_end) {
        u.at_end = false;
        return true;
    }
    if (u.starts.empty()) return true;  // at the first record: nothing to do
    u.pos = u.starts.back();
    u.starts.pop_back();
    return true;
}

}  // namespace rt

// SPDX-License-Identifier: GPL-3.0-or-later
// The receive path of any serial terminal, measured from outside and the same way for each, so
// that figures taken in one run compare like with like. A pseudo-terminal stands in for the board:
// the terminal under test opens its far side by path, and lines go into the near side as fast as
// the terminal reads them or paced like a real line. Reported: the terminal's CPU time and share
// of a core (with the processes that draw for it, if named), when it had read everything and when
// its CPU time stopped growing (it may still draw what it read), and its peak memory.
//
//   rxmeter [--mb N] [--line N | --numbers N] [--rate BYTES/S] [--wait S] [--name NAME] [--display NAME]
//           [--measure NAME] -- COMMAND...
//     --numbers: lines of N numbers apart by commas, as a board printing measurements sends them.
//     {dev} in COMMAND stands for the device's path. The command may leave the terminal running
//     in the background (tmux -d): whichever process opens the device is measured.
//     --display: the name, or a part of it, of the processes that draw for the terminal (Xvfb,
//     "tmux: server"); only those started after this tool's parent count, not another user's.
//     --measure: the name of the process to measure instead of the one that opens the device, for
//     a terminal that reaches the device through a server (ser2net); one started for the run.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Failure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

struct Options
{
    double megabytes = 8;
    int lineLength = 78;
    int numbers = 0; // a line of so many numbers instead of lineLength characters
    double rate = 0; // bytes a second; 0: as fast as the terminal reads
    double openWait = 15;
    std::string name = "terminal";
    std::string display;
    std::string measure;
    std::vector<std::string> command;
};

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double number(const std::string &option, const char *text)
{
    double value = 0;
    const char *end = text + std::strlen(text);
    const auto [last, error] = std::from_chars(text, end, value);
    if (error != std::errc() || last != end || value < 0)
        throw Failure(option + " needs a number of 0 or more, not \"" + text + "\"");
    return value;
}

Options parse(int argc, char *argv[])
{
    Options options;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; i += 2) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            throw Failure(option + " needs a value");
        if (option == "--mb")
            options.megabytes = number(option, argv[i + 1]);
        else if (option == "--line")
            options.lineLength = int(number(option, argv[i + 1]));
        else if (option == "--numbers")
            options.numbers = int(number(option, argv[i + 1]));
        else if (option == "--rate")
            options.rate = number(option, argv[i + 1]);
        else if (option == "--wait")
            options.openWait = number(option, argv[i + 1]);
        else if (option == "--name")
            options.name = argv[i + 1];
        else if (option == "--display")
            options.display = argv[i + 1];
        else if (option == "--measure")
            options.measure = argv[i + 1];
        else
            throw Failure("unknown option " + option);
    }
    options.command.assign(argv + std::min(i + 1, argc), argv + argc);
    if (options.command.empty())
        throw Failure("no command after --");
    if (options.numbers > 16)
        throw Failure("--numbers takes 16 at most");
    if (options.lineLength < 2)
        throw Failure("--line needs 2 characters at least (the line ends with CR LF)");
    return options;
}

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

int checked(int result, const std::string &what)
{
    if (result < 0)
        throw Failure(what + ": " + std::strerror(errno));
    return result;
}

// The board's side (written) and the terminal's side (opened by path; kept open here too, to
// see how much the terminal has not read yet).
struct PseudoTerminal
{
    Descriptor board{checked(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC), "posix_openpt")};
    std::string path;
    std::optional<Descriptor> terminalSide;

    PseudoTerminal()
    {
        checked(::grantpt(board.get()), "grantpt");
        checked(::unlockpt(board.get()), "unlockpt");
        path = ::ptsname(board.get());
        terminalSide.emplace(checked(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC), path));
        termios raw{};
        checked(::tcgetattr(terminalSide->get(), &raw), "tcgetattr");
        ::cfmakeraw(&raw);
        checked(::tcsetattr(terminalSide->get(), TCSANOW, &raw), "tcsetattr");
    }

    int unread() const
    {
        int count = 0;
        checked(::ioctl(terminalSide->get(), FIONREAD, &count), "FIONREAD");
        return count;
    }
};

// What /proc says of one process.
struct ProcessStat
{
    char state = 'Z';        // Z: a zombie, gone but not yet waited for
    long long cpuTicks = 0;  // user and system
    long long startTick = 0; // since boot
};

std::optional<ProcessStat> statOf(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto name = text.rfind(')'); // the name may hold spaces and parentheses
    if (name == std::string::npos)
        return std::nullopt;
    std::istringstream fields(text.substr(name + 1));
    std::vector<std::string> field{std::istream_iterator<std::string>(fields), {}};
    // Fields from the third (state) on: utime is the 14th, stime the 15th, starttime the 22nd.
    if (field.size() < 20)
        return std::nullopt;
    return ProcessStat{field[0].front(), std::stoll(field[11]) + std::stoll(field[12]), std::stoll(field[19])};
}

double cpuSeconds(long long ticks)
{
    return double(ticks) / double(::sysconf(_SC_CLK_TCK));
}

// A folder's entries; none once it is gone, as a process's folders go when it ends.
std::vector<std::filesystem::path> entries(const std::filesystem::path &folder)
{
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        found.push_back(it->path());
    return found;
}

std::vector<pid_t> processes()
{
    std::vector<pid_t> found;
    for (const auto &entry : entries("/proc")) {
        const std::string name = entry.filename();
        if (!name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); }))
            found.push_back(pid_t(std::stol(name)));
    }
    return found;
}

// The process, other than this one, that holds the device open.
std::optional<pid_t> holderOf(const std::string &device)
{
    for (pid_t pid : processes()) {
        if (pid == ::getpid())
            continue;
        for (const auto &fd : entries("/proc/" + std::to_string(pid) + "/fd")) {
            std::error_code unreadable;
            if (std::filesystem::read_symlink(fd, unreadable) == device)
                return pid;
        }
    }
    return std::nullopt;
}

std::string nameOf(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(file, name);
    return name;
}

// The process of that name started after this tool's parent (for the run, not another user's).
std::optional<pid_t> namedProcess(const std::string &name)
{
    const auto parent = statOf(::getppid());
    for (pid_t pid : processes())
        if (const auto stat = statOf(pid); stat && parent && stat->startTick >= parent->startTick && nameOf(pid) == name)
            return pid;
    return std::nullopt;
}

class DisplayProcesses
{
public:
    explicit DisplayProcesses(std::string name)
        : m_name(std::move(name))
    {
        if (const auto parent = statOf(::getppid()))
            m_since = parent->startTick;
    }
    bool active() const { return !m_name.empty(); }

    long long cpuTicks() const
    {
        long long total = 0;
        for (pid_t pid : active() ? processes() : std::vector<pid_t>{}) {
            const auto stat = statOf(pid);
            if (stat && stat->startTick >= m_since && nameOf(pid).find(m_name) != std::string::npos)
                total += stat->cpuTicks;
        }
        return total;
    }

private:
    std::string m_name;
    long long m_since = 0;
};

long long peakKiB(pid_t pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(file, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6));
    return 0;
}

bool alive(pid_t pid)
{
    const auto stat = statOf(pid);
    return stat && stat->state != 'Z' && stat->state != 'X';
}

pid_t start(const Options &options, const std::string &device)
{
    std::vector<std::string> words;
    for (std::string word : options.command) {
        for (auto at = word.find("{dev}"); at != std::string::npos; at = word.find("{dev}", at + device.size()))
            word.replace(at, 5, device);
        words.push_back(word);
    }
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&quiet, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    pid_t pid = 0;
    const int error = ::posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (error != 0)
        throw Failure(words.front() + ": " + std::strerror(error));
    return pid;
}

void stop(pid_t command, pid_t terminal)
{
    ::kill(terminal, SIGTERM);
    ::kill(command, SIGTERM);
    const auto deadline = Clock::now() + 5s;
    while (::waitpid(command, nullptr, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(command, SIGKILL);
            ::waitpid(command, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(20ms);
    }
}

// The stream a board would send: lines of printable characters ending in CR LF, or lines of
// numbers (a sine, a square wave, a ramp, ... in turn), in blocks.
std::string block(const Options &options)
{
    static const std::string alphabet =
        "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!#$%&()*+,-./:;<=>?@[]^_{}~";
    std::string text;
    while (int(text.size()) < options.lineLength - 2)
        text += alphabet.substr(0, std::size_t(options.lineLength - 2) - text.size());
    auto line = [&options, &text](int n) {
        if (options.numbers == 0)
            return text + "\r\n";
        std::string numbers;
        for (int k = 0; k < options.numbers; ++k) {
            const int phase = (n + 50 * k) % 400;
            const int value = k % 3 == 0   ? int(std::lround(1000 * std::sin(phase * 2 * M_PI / 400)))
                              : k % 3 == 1 ? (phase < 200 ? 800 : -800)
                                           : phase * 5 - 1000;
            numbers += (k ? "," : "") + std::to_string(value);
        }
        return numbers + "\r\n";
    };
    // Whole lines within 64 KiB, the pty's buffer: a write of more would leave a few bytes over
    // each time, and the terminal would meet small reads it takes for a slow stream.
    std::string lines;
    for (int n = 0;; ++n) {
        const std::string next = line(n);
        if (lines.size() + next.size() > 65536)
            return lines;
        lines += next;
    }
}

// While it lives, a blocking write returns every second (EINTR, or what it wrote so far), so that
// the writer can see whether the terminal still reads. Blocking writes hand the bytes over as soon
// as the terminal makes room, as a line does; polling for room wakes later.
class WriteWatch
{
public:
    WriteWatch()
    {
        struct sigaction wake
        {};
        wake.sa_handler = [](int) {};
        ::sigaction(SIGALRM, &wake, &m_before); // no SA_RESTART
        const itimerval everySecond{{1, 0}, {1, 0}};
        ::setitimer(ITIMER_REAL, &everySecond, nullptr);
    }
    WriteWatch(const WriteWatch &) = delete;
    WriteWatch &operator=(const WriteWatch &) = delete;
    ~WriteWatch()
    {
        const itimerval off{};
        ::setitimer(ITIMER_REAL, &off, nullptr);
        ::sigaction(SIGALRM, &m_before, nullptr);
    }

private:
    struct sigaction m_before
    {};
};

// Writes the stream; a terminal that reads nothing for a minute, or has gone, ends the run.
void send(const PseudoTerminal &pty, const Options &options, pid_t terminal, long long total, Clock::time_point begin)
{
    const std::string lines = block(options);
    const long long chunk = options.rate > 0 ? std::max(1LL, (long long)(options.rate / 100)) : (long long)lines.size();
    const WriteWatch watch;
    long long sent = 0;
    auto progress = Clock::now();
    while (sent < total) {
        const std::size_t at = std::size_t(sent % (long long)lines.size());
        const std::size_t size = std::size_t(std::min({chunk, total - sent, (long long)(lines.size() - at)}));
        const ssize_t written = ::write(pty.board.get(), lines.data() + at, size);
        if (written < 0 && errno != EINTR)
            throw Failure(std::string("writing to the terminal's device: ") + std::strerror(errno));
        if (written > 0) {
            sent += written;
            progress = Clock::now();
        }
        if (!alive(terminal) || Clock::now() - progress > 60s)
            throw Failure(options.name + " stopped reading after " + std::to_string(sent) + " bytes");
        if (options.rate > 0)
            std::this_thread::sleep_until(begin
                                          + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(double(sent) / options.rate)));
    }
}

// Until the terminal has read all (seen twice, as the pty may still be handing bytes over).
void drain(const PseudoTerminal &pty, const Options &options, pid_t terminal)
{
    int emptyPolls = 0;
    int unread = pty.unread();
    auto progress = Clock::now();
    while (emptyPolls < 2) {
        std::this_thread::sleep_for(10ms);
        const int now = pty.unread();
        if (now < unread)
            progress = Clock::now();
        unread = now;
        emptyPolls = unread == 0 ? emptyPolls + 1 : 0;
        if (!alive(terminal) || Clock::now() - progress > 60s)
            throw Failure(options.name + " left " + std::to_string(unread) + " bytes unread");
    }
}

// Reading is not showing: wait until the terminal's CPU time has not grown for half a second, and
// count its work up to the last growth.
Clock::time_point settle(pid_t terminal, Clock::time_point read)
{
    auto lastGrowth = read;
    auto ticks = statOf(terminal).value_or(ProcessStat{}).cpuTicks;
    while (Clock::now() - lastGrowth < 500ms && Clock::now() - read < 600s) {
        std::this_thread::sleep_for(20ms);
        const auto now = statOf(terminal).value_or(ProcessStat{}).cpuTicks;
        if (now != ticks) {
            ticks = now;
            lastGrowth = Clock::now();
        }
    }
    return lastGrowth;
}

int run(const Options &options)
{
    PseudoTerminal pty;
    const pid_t command = start(options, pty.path);
    std::optional<pid_t> terminal;
    for (auto deadline = Clock::now() + std::chrono::duration<double>(options.openWait);
         !(terminal = holderOf(pty.path)) && Clock::now() < deadline;)
        std::this_thread::sleep_for(50ms);
    if (terminal && !options.measure.empty() && !(terminal = namedProcess(options.measure))) {
        stop(command, command);
        std::fprintf(stderr, "%s: no process %s\n", options.name.c_str(), options.measure.c_str());
        return 2;
    }
    if (!terminal) {
        stop(command, command);
        std::fprintf(stderr, "%s: never opened %s\n", options.name.c_str(), pty.path.c_str());
        return 2;
    }
    std::this_thread::sleep_for(1s); // past the terminal's own start-up

    const DisplayProcesses display(options.display);
    const long long total = (long long)(options.megabytes * 1024 * 1024);
    const long long cpu0 = statOf(*terminal).value_or(ProcessStat{}).cpuTicks;
    const long long display0 = display.cpuTicks();
    const auto begin = Clock::now();
    try {
        send(pty, options, *terminal, total, begin);
        drain(pty, options, *terminal);
    } catch (const Failure &) {
        stop(command, *terminal);
        throw;
    }
    const auto read = Clock::now();
    const auto settled = std::max(read, settle(*terminal, read));
    const double cpu = cpuSeconds(statOf(*terminal).value_or(ProcessStat{}).cpuTicks - cpu0);
    const double drawing = cpuSeconds(display.cpuTicks() - display0);
    const double peak = double(peakKiB(*terminal)) / 1024;
    stop(command, *terminal);

    const double readTime = seconds(read - begin), settleTime = seconds(settled - begin);
    const double megabytes = double(total) / 1e6;
    char withDisplay[64] = "";
    if (options.rate > 0) {
        if (display.active())
            std::snprintf(withDisplay, sizeof withDisplay, ", %.1f %% with its display",
                          100 * (cpu + drawing) / settleTime);
        std::printf("%s: %.2f MB paced at %.0f B/s in %.1f s: %.1f %% of a core (%.2f s CPU)%s; drawn %.2f s after "
                    "the last read; peak %.0f MiB\n",
                    options.name.c_str(), megabytes, options.rate, readTime, 100 * cpu / settleTime, cpu, withDisplay,
                    settleTime - readTime, peak);
    } else {
        if (display.active())
            std::snprintf(withDisplay, sizeof withDisplay, ", %.2f s with its display", cpu + drawing);
        std::printf("%s: %.2f MB read in %.2f s (%.1f MB/s), settled after %.2f s (%.1f MB/s); %.2f s CPU%s; peak "
                    "%.0f MiB\n",
                    options.name.c_str(), megabytes, readTime, megabytes / readTime, settleTime, megabytes / settleTime,
                    cpu, withDisplay, peak);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    Options options;
    try {
        options = parse(argc, argv);
    } catch (const Failure &failure) {
        std::fprintf(stderr,
                     "rxmeter: %s\nusage: rxmeter [--mb N] [--line N | --numbers N] [--rate BYTES/S] [--wait S] "
                     "[--name NAME] [--display NAME] [--measure NAME] -- COMMAND... ({dev}: the device)\n",
                     failure.what());
        return 2;
    }
    try {
        return run(options);
    } catch (const Failure &failure) {
        std::fprintf(stderr, "rxmeter: %s\n", failure.what());
        return 1;
    }
}

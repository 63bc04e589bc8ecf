// The server runs as `pulseaudio -n -F <script>` in user mode (it warns when
// started as root and runs all the same), with XDG and PULSE paths in a
// temporary directory so that it shares nothing with a user's or the system's
// server. Anonymous authentication spares the clients a cookie.
#include "support/pulse_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/command.h"
#include "support/test_support.h"

namespace {

// SIGTERM, then SIGKILL when the process has not gone within `graceSeconds`.
void endProcess(pid_t& pid, double graceSeconds) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    if (!waitUntil([&] { return waitpid(pid, nullptr, WNOHANG) != 0; }, graceSeconds, 0.01)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

// In a forked child: the environment entries, stdout and stderr to files.
// The child ends with the test process, also when a timeout kills that: the
// server would otherwise never exit, as it is told not to when idle.
void prepareChild(const std::vector<std::string>& env, const std::string& out, const std::string& err) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    for (const std::string& entry : env) putenv(strdup(entry.c_str()));
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (outFd < 0 || errFd < 0) _exit(126);
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
}

}  // namespace

TestPulseServer::~TestPulseServer() { stop(); }

bool TestPulseServer::start() {
    char pattern[] = "/tmp/kv2007-pulse-XXXXXX";  // short: a socket path has at most 107 bytes
    if (!mkdtemp(pattern)) return false;
    dir = pattern;
    for (const char* sub : {"/runtime", "/config", "/state"}) mkdir((dir + sub).c_str(), 0700);
    writeFileBytes(dir + "/server.pa",
              std::string("load-module module-null-sink sink_name=") + SINK +
                  " rate=44100 channels=2\n"
                  "load-module module-native-protocol-unix auth-anonymous=1 socket=" +
                  dir + "/native\n");
    writeFileBytes(dir + "/client.conf", "autospawn = no\n");

    const std::vector<std::string> serverEnv = {
        "HOME=" + dir, "XDG_RUNTIME_DIR=" + dir + "/runtime", "XDG_CONFIG_HOME=" + dir + "/config",
        "PULSE_RUNTIME_PATH=" + dir + "/runtime", "PULSE_STATE_PATH=" + dir + "/state",
        // A bus that does not exist: no D-Bus daemon is looked for or launched.
        "DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir + "/no-bus"};
    const std::string script = dir + "/server.pa";
    serverPid = fork();
    if (serverPid == 0) {
        unsetenv("DISPLAY");  // nothing of X11 (bell, properties) for a null sink
        prepareChild(serverEnv, "/dev/null", dir + "/server.log");
        execlp("pulseaudio", "pulseaudio", "-n", "-F", script.c_str(), "--daemonize=no",
               "--system=false", "--exit-idle-time=-1", "--use-pid-file=false",
               "--realtime=false", "--high-priority=false", "--log-target=stderr",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    if (serverPid < 0) return false;
    bool gaveUp = false;
    const bool answers = waitUntil(
        [&] {
            gaveUp = waitpid(serverPid, nullptr, WNOHANG) != 0;
            return gaveUp || pactl("info").find("Server Name") != std::string::npos;
        },
        10.0, 0.05);
    if (gaveUp) serverPid = -1;  // its log says why
    return answers && !gaveUp;
}

void TestPulseServer::stop() {
    stopRecording();
    endProcess(serverPid, 5.0);
    if (!dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
        dir.clear();
    }
}

std::string TestPulseServer::failureLog() const { return dir.empty() ? "" : readFileBytes(dir + "/server.log"); }

std::vector<std::string> TestPulseServer::clientEnv() const {
    return {"PULSE_SERVER=unix:" + dir + "/native", "PULSE_CLIENTCONFIG=" + dir + "/client.conf",
            "PULSE_COOKIE=" + dir + "/cookie"};
}

std::string TestPulseServer::pactl(const std::string& args) const {
    std::string command = "env";
    for (const std::string& entry : clientEnv()) command += " '" + entry + "'";
    command += " pactl " + args + " 2>/dev/null";
    std::string out;
    return runCommand(command, out) == 0 ? out : "";
}

bool TestPulseServer::startRecording(const std::string& path) {
    if (dir.empty() || recorderPid > 0) return false;
    const std::string source = std::string("--device=") + SINK + ".monitor";
    const std::vector<std::string> env = clientEnv();
    recorderPid = fork();
    if (recorderPid == 0) {
        prepareChild(env, path, dir + "/recorder.log");
        // A short fragment: what the sink played reaches the file within
        // tens of milliseconds, so stopping the recorder loses nothing heard.
        execlp("parec", "parec", source.c_str(), "--format=s16le", "--rate=44100", "--channels=2",
               "--raw", "--latency-msec=20", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (recorderPid < 0) return false;
    // Recording has begun once the server lists the recorder's stream.
    return waitUntil([&] { return pactl("list short source-outputs").find('\t') != std::string::npos; }, 5.0);
}

void TestPulseServer::stopRecording() { endProcess(recorderPid, 2.0); }

std::vector<double> readStereoAsMono(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<double> mono;
    int16_t frame[2];
    while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) mono.push_back((frame[0] + frame[1]) / 2.0);
    return mono;
}

Match bestMatch(const std::vector<double>& piece, const std::vector<double>& reference,
                int64_t first, int64_t last) {
    const int64_t n = static_cast<int64_t>(piece.size());
    last = std::min<int64_t>(last, static_cast<int64_t>(reference.size()) - n + 1);
    if (n == 0 || first < 0 || last <= first) return {};
    const int64_t span = last - first + n - 1;  // reference samples any start can reach
    int64_t size = 2;
    while (size < span + n) size *= 2;  // no wrap-around reaches a start in range

    // Cross-correlation for every start: inverse FFT of conj(P) * R.
    std::vector<kiss_fft_scalar> p(size, 0), r(size, 0);
    for (int64_t i = 0; i < n; ++i) p[i] = static_cast<kiss_fft_scalar>(piece[i]);
    for (int64_t i = 0; i < span; ++i) r[i] = static_cast<kiss_fft_scalar>(reference[first + i]);
    std::vector<kiss_fft_cpx> pf(size / 2 + 1), rf(size / 2 + 1);
    kiss_fftr_cfg forward = kiss_fftr_alloc(static_cast<int>(size), 0, nullptr, nullptr);
    kiss_fftr_cfg inverse = kiss_fftr_alloc(static_cast<int>(size), 1, nullptr, nullptr);
    kiss_fftr(forward, p.data(), pf.data());
    kiss_fftr(forward, r.data(), rf.data());
    for (size_t k = 0; k < pf.size(); ++k) {
        const double re = double(pf[k].r) * rf[k].r + double(pf[k].i) * rf[k].i;
        const double im = double(pf[k].r) * rf[k].i - double(pf[k].i) * rf[k].r;
        pf[k].r = static_cast<kiss_fft_scalar>(re);
        pf[k].i = static_cast<kiss_fft_scalar>(im);
    }
    kiss_fftri(inverse, pf.data(), p.data());
    kiss_fftr_free(forward);
    kiss_fftr_free(inverse);

    // Normalised by both energies; the window energy slides by prefix sums.
    double pieceEnergy = 0;
    for (double v : piece) pieceEnergy += v * v;
    std::vector<double> prefix(span + 1, 0.0);
    for (int64_t i = 0; i < span; ++i) prefix[i + 1] = prefix[i] + reference[first + i] * reference[first + i];
    auto normalised = [&](int64_t start, double dot) {
        const double energy = prefix[start - first + n] - prefix[start - first];
        // A near-silent stretch would turn float rounding into any figure at all.
        return pieceEnergy > 0 && energy > pieceEnergy * 1e-6 ? dot / std::sqrt(pieceEnergy * energy) : 0.0;
    };
    Match best;
    for (int64_t start = first; start < last; ++start) {
        const double c = normalised(start, double(p[start - first]) / size);
        if (best.offset < 0 || c > best.correlation) best = {start, c};
    }
    // The single-precision FFT finds the place; the figure is recomputed exactly.
    double dot = 0;
    for (int64_t i = 0; i < n; ++i) dot += piece[i] * reference[best.offset + i];
    best.correlation = normalised(best.offset, dot);
    return best;
}

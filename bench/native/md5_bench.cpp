// FileMd5Hex against md5sum on one 256 MiB file, timed side by side in one run: the two take turns,
// and the medians of the runs are compared.
//   md5_bench [RUNS]   (default 5)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/update_rules.h"
#include "platform/file_io.h"

namespace {

// Plain POSIX reads; the program's own source is the Win32 one.
class PosixFileSource final : public mrvn::FileSource {
public:
    mrvn::FileHandle OpenRead(const std::wstring& path) override {
        const int fd = ::open(std::string(path.begin(), path.end()).c_str(), O_RDONLY);
        return fd < 0 ? 0 : static_cast<mrvn::FileHandle>(fd) + 1;  // 0 is "none", fd 0 is not
    }
    bool Read(mrvn::FileHandle file, void* buffer, uint32_t size, uint32_t& got) override {
        const ssize_t n = ::read(static_cast<int>(file - 1), buffer, size);
        got = n > 0 ? static_cast<uint32_t>(n) : 0;
        return n >= 0;
    }
    void Close(mrvn::FileHandle file) override {
        if (file) ::close(static_cast<int>(file - 1));
    }
};

bool MakeFile(const std::string& path, size_t bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::vector<unsigned char> block(1 << 20);
    uint32_t x = 0x2545F491;
    bool ok = true;
    for (size_t done = 0; ok && done < bytes; done += block.size()) {
        for (auto& b : block) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = static_cast<unsigned char>(x);
        }
        ok = std::fwrite(block.data(), 1, block.size(), f) == block.size();
    }
    return std::fclose(f) == 0 && ok;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Md5sum(const std::string& path) {
    std::string digest;
    if (FILE* p = ::popen(("md5sum " + path).c_str(), "r")) {
        char line[256] = {};
        if (std::fgets(line, sizeof line, p)) digest.assign(line, 32);
        ::pclose(p);
    }
    return digest;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const size_t kBytes = size_t{256} << 20;
    const std::string path = "/tmp/mrvn_md5_bench_" + std::to_string(::getpid()) + ".bin";
    if (!MakeFile(path, kBytes)) {
        std::fprintf(stderr, "md5_bench: cannot write %s\n", path.c_str());
        return 1;
    }
    // One untimed pass, so that every timed run reads from the page cache.
    Md5sum(path);

    PosixFileSource source;
    std::vector<double> oursSec, theirsSec;
    std::string ours, theirs;
    bool ok = true;
    for (int i = 0; i < runs; ++i) {
        std::wstring wide;
        auto t0 = std::chrono::steady_clock::now();
        ok = mrvn::FileMd5Hex(source, std::wstring(path.begin(), path.end()), wide) && ok;
        oursSec.push_back(Seconds(std::chrono::steady_clock::now() - t0));
        ours.assign(wide.begin(), wide.end());

        t0 = std::chrono::steady_clock::now();
        theirs = Md5sum(path);
        theirsSec.push_back(Seconds(std::chrono::steady_clock::now() - t0));
    }
    std::remove(path.c_str());

    const double a = Median(oursSec), b = Median(theirsSec);
    std::printf("file: 256 MiB in /tmp, %d runs of each, taking turns, medians\n", runs);
    std::printf("FileMd5Hex: %.3f s (%.0f MiB/s) %s\n", a, 256 / a, ours.c_str());
    std::printf("md5sum:     %.3f s (%.0f MiB/s) %s\n", b, 256 / b, theirs.c_str());
    std::printf("ratio FileMd5Hex / md5sum: %.2f\n", a / b);
    if (!ok || ours != theirs) {
        std::printf("digests DIFFER\n");
        return 1;
    }
    std::printf("digests agree\n");
    return 0;
}

// FileMd5Hex against md5sum on one 256 MiB file, timed side by side in one run.
#include <fcntl.h>
#include <unistd.h>

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

}  // namespace

int main() {
    const size_t kBytes = size_t{256} << 20;
    const std::string path = "/tmp/mrvn_md5_bench_" + std::to_string(::getpid()) + ".bin";
    if (!MakeFile(path, kBytes)) {
        std::fprintf(stderr, "md5_bench: cannot write %s\n", path.c_str());
        return 1;
    }
    // One untimed pass of each, so that both timed runs read from the page cache.
    std::system(("md5sum " + path + " >/dev/null").c_str());

    PosixFileSource source;
    std::wstring ours;
    auto t0 = std::chrono::steady_clock::now();
    const bool ok = mrvn::FileMd5Hex(source, std::wstring(path.begin(), path.end()), ours);
    const double oursSec = Seconds(std::chrono::steady_clock::now() - t0);

    std::string theirs;
    t0 = std::chrono::steady_clock::now();
    if (FILE* p = ::popen(("md5sum " + path).c_str(), "r")) {
        char line[256] = {};
        if (std::fgets(line, sizeof line, p)) theirs.assign(line, 32);
        ::pclose(p);
    }
    const double md5sumSec = Seconds(std::chrono::steady_clock::now() - t0);
    std::remove(path.c_str());

    const std::string oursNarrow(ours.begin(), ours.end());
    std::printf("file: 256 MiB in /tmp\n");
    std::printf("FileMd5Hex: %.3f s (%.0f MiB/s) %s\n", oursSec, 256 / oursSec, oursNarrow.c_str());
    std::printf("md5sum:     %.3f s (%.0f MiB/s) %s\n", md5sumSec, 256 / md5sumSec, theirs.c_str());
    std::printf("ratio FileMd5Hex / md5sum: %.2f\n", oursSec / md5sumSec);
    if (!ok || oursNarrow != theirs) {
        std::printf("digests DIFFER\n");
        return 1;
    }
    std::printf("digests agree\n");
    return 0;
}

// Runs the loopback test server until SIGTERM or SIGINT.
//   mrvn_test_server [--root DIR] [--port N] [--port-file FILE] [--journey SECONDS]
// --journey: the stand-in's login page logs the scripted accounts in by itself (tools/run).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

#include "util/test_server.h"

namespace {
volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }
}  // namespace

int main(int argc, char** argv) {
    std::string root, portFile;
    int port = 0, journey = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--root")) root = argv[i + 1];
        else if (!std::strcmp(argv[i], "--port")) port = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--port-file")) portFile = argv[i + 1];
        else if (!std::strcmp(argv[i], "--journey")) journey = std::atoi(argv[i + 1]);
    }
    mrvn::test::TestServer server(root);
    server.SetJourney(journey);
    if (!server.Start(static_cast<uint16_t>(port))) {
        std::fprintf(stderr, "mrvn_test_server: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    if (!portFile.empty()) {
        const std::string tmp = portFile + ".tmp";
        std::ofstream(tmp) << server.Port() << "\n";
        std::rename(tmp.c_str(), portFile.c_str());
    }
    std::printf("mrvn_test_server: listening on 127.0.0.1:%u\n", server.Port());
    std::fflush(stdout);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    while (!g_stop) ::usleep(100 * 1000);
    server.Stop();
    return 0;
}

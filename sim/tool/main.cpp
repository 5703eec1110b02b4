// tarnwick-sim: a simulated reader on a pseudo-terminal.
#include "sim/tool/cptyserver.h"
#include "sim/tool/csimoptions.h"

#include <csignal>
#include <cstdio>
#include <string>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

} // namespace

int main(int argc, char** argv) {
    CSimOptions options;
    std::string error;
    const std::string program = argc > 0 ? argv[0] : "tarnwick-sim";
    if (!options.Parse(argc, argv, &error)) {
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), error.c_str(),
                     CSimOptions::Usage(program).c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(CSimOptions::Usage(program).c_str(), stdout);
        return 0;
    }

    CReaderSimulator simulator;
    options.Apply(simulator);
    CPtyServer server(simulator, stderr, options.logFrames, options.logRecords);
    if (!server.Open(&error)) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGHUP, OnSignal);

    std::printf("%s\n", server.SlavePath().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "serving a simulated reader (version %u.%u, %zu tags) on %s\n",
                 options.versionMajor, options.versionMinor, options.tags,
                 server.SlavePath().c_str());
    return server.Run(&g_stop);
}

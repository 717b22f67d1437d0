// orvo_bench: measurements printed as figures, in named sections.
//
//   orvo_bench              every section
//   orvo_bench NAME...      the named sections, in the order given
//   orvo_bench --list       the section names
//
// Exit status 1 only when a measurement could not be taken; figures outside their goals are
// printed as such.

#include "BenchSections.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Section {
    const char* name;
    const char* about;
    int (*run)();
};

const Section kSections[] = {
    {"link", "serial link: idle CPU, register round trips, 19200-baud throughput",
     orvo::bench::RunLinkSection},
    {"table", "display table: build time per item for 10 k, 100 k and 1 M items",
     orvo::bench::RunTableSection},
    {"exports", "display table + CSV + MSHA files: time and memory per item for 100 k, 1 M and 10 M items",
     orvo::bench::RunExportsSection},
    {"download", "a stored sample at 19200 baud: fraction of the wire limit reached",
     orvo::bench::RunDownloadSection},
    {"graph", "live graph, 15 registers at 500 ms, 512 points: user-interface thread's share of a core",
     orvo::bench::RunGraphSection},
    {"monitors", "16 demo monitors in one application: user-interface latency and CPU, memory per monitor",
     orvo::bench::RunMonitorsSection},
};

const Section* Find(const char* name) {
    for (const Section& s : kSections)
        if (std::strcmp(s.name, name) == 0)
            return &s;
    return nullptr;
}

void List(std::FILE* out) {
    for (const Section& s : kSections)
        std::fprintf(out, "  %-10s %s\n", s.name, s.about);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<const Section*> chosen;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--list") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: orvo_bench [SECTION...]\nsections:\n");
            List(stdout);
            return 0;
        }
        const Section* s = Find(argv[i]);
        if (!s) {
            std::fprintf(stderr, "orvo_bench: no section '%s'; sections:\n", argv[i]);
            List(stderr);
            return 2;
        }
        chosen.push_back(s);
    }
    if (chosen.empty())
        for (const Section& s : kSections)
            chosen.push_back(&s);

    int failed = 0;
    for (const Section* s : chosen) {
        std::printf("== %s: %s\n", s->name, s->about);
        std::fflush(stdout);
        if (s->run() != 0) {
            std::fprintf(stderr, "orvo_bench: section '%s' failed\n", s->name);
            ++failed;
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return failed == 0 ? 0 : 1;
}

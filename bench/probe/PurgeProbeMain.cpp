// The purge benchmarks' yardstick as a program of its own, so that it is timed as a whole process as the
// command line is: no toolkit, no settings, nothing but the calls of PurgeProbe.h.
//
// Usage: PurgeProbe FOLDER [threads]   (default 16); prints the number of files purged.

#include <cstdio>
#include <cstdlib>

#include "PurgeProbe.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: PurgeProbe FOLDER [threads]\n");
    return 2;
  }
  const int threads = argc > 2 ? std::atoi(argv[2]) : 16;
  std::printf("%ld\n", nulvane::bench::PurgeProbe(threads).Run(argv[1]));
  return 0;
}

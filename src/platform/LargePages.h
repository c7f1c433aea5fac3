#pragma once

#include <QByteArray>

#include <optional>

// Screen-sized images are 33 MB at 4K. Touching such a fresh buffer in 4 KB pages costs thousands
// of page faults, which on virtual machines took longer than everything else a capture does;
// with transparent huge pages it is one fault per 2 MB. glibc's malloc advises huge pages for
// its large blocks when its `glibc.malloc.hugetlb` tunable is set, which it reads only at start.
namespace LargePages {

// The GLIBC_TUNABLES value to restart with, or nothing when a restart would not change anything:
// the kernel already gives huge pages to every block (or to none), or the user chose a value.
std::optional<QByteArray> tunablesFor(const QByteArray& kernelMode, const QByteArray& tunables);

// Keeps large blocks out of malloc's heap, so they are returned when freed, and restarts the
// program in place with huge pages advised when tunablesFor() says so. Returns only when no
// restart was needed or the restart failed; the program then runs as it is.
void adviseMalloc(char* argv[]);

} // namespace LargePages

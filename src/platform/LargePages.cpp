#include "platform/LargePages.h"

#include <QFile>

#include <cstdlib>
#include <malloc.h>
#include <unistd.h>

namespace LargePages {

std::optional<QByteArray> tunablesFor(const QByteArray& kernelMode, const QByteArray& tunables) {
    // The kernel marks its active mode with brackets: "always [madvise] never".
    if (!kernelMode.contains("[madvise]") || tunables.contains("glibc.malloc.hugetlb"))
        return std::nullopt;
    const QByteArray ours("glibc.malloc.hugetlb=1");
    return tunables.isEmpty() ? ours : tunables + ':' + ours;
}

void adviseMalloc(char* argv[]) {
    // glibc raises its mapping threshold to the largest block freed, up to 32 MiB, and a 4K
    // screen image is just under that: images then came from the heap, which gives memory back
    // only from its top, and after a few dozen captures 180 MB stayed resident. A fixed threshold
    // returns every large block when it is freed.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);

    QFile mode(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled"));
    if (!mode.open(QIODevice::ReadOnly))
        return;
    const std::optional<QByteArray> tunables =
        tunablesFor(mode.readAll(), qgetenv("GLIBC_TUNABLES"));
    if (!tunables)
        return;
    // The new value names the tunable, so the restarted program does not restart again.
    if (setenv("GLIBC_TUNABLES", tunables->constData(), 1) != 0)
        return;
    execv("/proc/self/exe", argv);
}

} // namespace LargePages

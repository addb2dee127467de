// Preloaded (LD_PRELOAD) into the programs the start-up bench starts: the first time a window's
// pixels go to the screen it writes one line to stderr, then every flush goes on to Qt. Unlike
// Qt's painting log, it costs both programs the same, however many widgets they paint.
// With ZANDREL_BENCH_EXIT_AT_FIRST_FLUSH=1 the program ends there instead, so that a counter
// such as `perf stat` sees the start-up alone.
// The widgets library reaches QBackingStore::flush in the GUI library through the dynamic
// linker, so a definition here comes first.
#include <QBackingStore>

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

void QBackingStore::flush(const QRegion& region, QWindow* window, const QPoint& offset)
{
    static std::atomic<bool> told{false};
    if (!told.exchange(true)) {
        static const char kLine[] = "zandrel-bench: first flush\n";
        (void)!::write(STDERR_FILENO, kLine, sizeof kLine - 1);
        if (const char* exitNow = std::getenv("ZANDREL_BENCH_EXIT_AT_FIRST_FLUSH");
            exitNow && *exitNow == '1')
            ::_exit(0);
    }
    using Flush = void (*)(QBackingStore*, const QRegion&, QWindow*, const QPoint&);
    static const auto qtFlush = reinterpret_cast<Flush>(
        ::dlsym(RTLD_NEXT, "_ZN13QBackingStore5flushERK7QRegionP7QWindowRK6QPoint"));
    if (qtFlush)
        qtFlush(this, region, window, offset);
}

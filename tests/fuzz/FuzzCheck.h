#pragma once
#include <cstdio>
#include <cstdlib>

// A property every input must keep; a broken one stops the run, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// scripts/fuzz.sh first runs each target on its seeds alone with ZANDREL_FUZZ_SEEDS set: a seed
// that ends before the target's checks of what it read back (its parts not what the seed meant
// them to be) tests nothing of them, and stops that run.
class OracleReach {
public:
    OracleReach() = default;
    OracleReach(const OracleReach&) = delete;
    OracleReach& operator=(const OracleReach&) = delete;
    ~OracleReach()
    {
        static const bool seedsOnly = std::getenv("ZANDREL_FUZZ_SEEDS") != nullptr;
        if (!reached_ && seedsOnly) {
            std::fprintf(stderr, "this seed does not reach the target's checks\n");
            std::abort();
        }
    }
    void reached() { reached_ = true; }

private:
    bool reached_ = false;
};

#pragma once
#include <nettle/sha2.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace zandrel {

// SHA-256, fed piece by piece, for the checksums of a backup's manifest. The hashing is
// nettle's, a plain C library that every Debian system carries already.
class Sha256 {
public:
    Sha256();
    void update(std::string_view bytes);
    // The digest as 64 lower-case hex digits; the object starts afresh afterwards.
    std::string hexDigest();

private:
    sha256_ctx context_;
};

std::string sha256Hex(std::string_view bytes);

} // namespace zandrel

// A Session over a SimPhone whose phone folder is a fresh temporary folder, with short time
// bounds so that a silent phone fails fast.
#pragma once

#include "Session.h"
#include "SimPhone.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace p2kusb {

class SimFixture : public ::testing::Test {
protected:
    static constexpr Timing kTiming{Millis(200), Millis(400), Millis(1), Millis(1200)};

    SimFixture();
    explicit SimFixture(const LibraryConfig& config);

    // A file in the phone's fs/, by phone path.
    void putFile(const std::string& phonePath, const std::string& bytes) const;
    std::string phoneFile(const std::string& phonePath) const;
    bool phoneHas(const std::string& phonePath) const;
    // File_Count, then File_List of that many records; the paths, in order.
    std::vector<std::string> listPaths();

    TempDir dir;
    std::shared_ptr<SimPhone> phone;
    SimPort port;
    Session session;
};

Bytes hexBytes(std::string_view hex);

} // namespace p2kusb

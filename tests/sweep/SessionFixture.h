#pragma once
#include "FakePhoneLink.h"
#include "FakePrompts.h"
#include "base/MessageTexts.h"
#include "sweep/SweepSession.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zandrel {

// A session over the recording fakes; prompts left untaken fail the test.
class SessionTest : public testing::Test {
protected:
    FakePhoneLink phone;
    FakePrompts prompts;
    MessageTexts texts;
    SweepSession session{phone, prompts, texts, {}, {}, {}};

    void fillSweep(const std::vector<std::string>& paths, const std::vector<std::size_t>& ticked)
    {
        session.sweep.clear();
        for (const auto& path : paths)
            session.sweep.append(path);
        for (std::size_t i : ticked)
            session.sweep.setTicked(i, true);
    }

    static std::vector<std::string> linesOf(const PathList& list)
    {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < list.size(); ++i)
            out.emplace_back(list[i]);
        return out;
    }

    static std::vector<std::string> pathsOf(const SweepList& list)
    {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < list.size(); ++i)
            out.emplace_back(list.path(i));
        return out;
    }
};

using Lines = std::vector<std::string>;

} // namespace zandrel

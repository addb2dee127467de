#pragma once
#include "FakePhoneLink.h"
#include "FakePrompts.h"
#include "TestLists.h"
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

    void fillSweep(const Lines& paths, const std::vector<std::size_t>& ticked)
    {
        zandrel::fillSweep(session.sweep, paths, ticked);
    }
};

} // namespace zandrel

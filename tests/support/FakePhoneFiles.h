#pragma once
#include "FakePhoneLink.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zandrel {

// Makes the fake keep its files as a phone does: a file written with File_Create, File_Write and
// File_Close can be fetched and is listed; a deleted one is neither. A call told to fail changes
// nothing. `first` runs before, inside each call, e.g. to make that very call fail (a failCall
// set to the call's number there fails it) or to pull the phone out.
inline void keepFilesLikeAPhone(FakePhoneLink& phone,
                                std::function<void(const std::string& call)> first = {})
{
    if (!phone.fetchable)
        phone.fetchable.emplace();
    struct Open {
        std::string path;
        std::size_t writesBefore = 0;
    };
    auto open = std::make_shared<std::optional<Open>>();
    phone.onCall = [&phone, open, first = std::move(first)](const std::string& call) {
        if (first)
            first(call);
        const std::size_t number = phone.calls.size();
        if ((phone.failCall && *phone.failCall == number) ||
            (phone.failFrom && number >= *phone.failFrom))
            return;
        auto& files = *phone.fetchable;
        if (call.starts_with("File_Create ")) {
            *open = Open{call.substr(12, call.rfind(' ') - 12), phone.writtenBuffers.size()};
        } else if (call == "File_Close" && *open) {
            const bool written = phone.writtenBuffers.size() > (*open)->writesBefore;
            const std::string last = written ? phone.writtenBuffers.back() : std::string(1, '\0');
            files[(*open)->path] = last.substr(0, last.size() - 1);
            open->reset();
        } else if (call.starts_with("File_Delete ")) {
            files.erase(call.substr(12));
        } else if (call == "File_Count" || call.starts_with("File_List")) {
            phone.files.clear();
            for (const auto& [path, bytes] : files)
                phone.files.push_back(path);
        }
    };
}

} // namespace zandrel

// The library's settings: the environment and $XDG_CONFIG_HOME/zandrel/p2kusb.conf
// (~/.config/zandrel/p2kusb.conf when XDG_CONFIG_HOME is unset). README.md documents the file.
#pragma once

#include "PhonePort.h"

#include <string>
#include <string_view>

namespace p2kusb {

LibraryConfig loadConfig();

// The config file's text: only a regular file is read, without waiting (a FIFO or a device in its
// place is passed over), and only its first maxBytes; empty when there is none.
std::string readConfigFile(const std::string& path, std::size_t maxBytes);

// Applies the lines of a config file to config; unknown and malformed lines are passed over.
void applyConfigText(std::string_view text, LibraryConfig& config);

// $XDG_<variable> if it is set and absolute, else $HOME/<fallback>; empty when neither is known.
std::string xdgFolder(const char* variable, const char* fallback);

} // namespace p2kusb

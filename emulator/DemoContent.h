#pragma once
#include <cstddef>
#include <string>
#include <system_error>

namespace p2kemu {

// Fills the phone folder's fs/ with a small believable phone: a file for every category button,
// Java games, the two tone databases, the Mma file and a few names in Windows-1251 Cyrillic.
// The tree is built beside fs/ under a temporary name of this process and renamed into place,
// never over an fs/ that appeared meanwhile, so a failure leaves no half phone. Callers hold the
// phone folder's lock. Returns the number of files written.
std::size_t createDemoContent(const std::string& phoneFolder, std::error_code& ec);

} // namespace p2kemu

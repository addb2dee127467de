// The host side of Seem_Write: the local file that holds the new record, and the backup of the
// record as it was, kept in $XDG_DATA_HOME/zandrel/seem-backup/ before anything is written.
#pragma once

#include "PhonePort.h"
#include "Results.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace p2kusb {

// The whole regular file behind fd, from its first byte, whatever its position; kBadArgument for
// a bad descriptor, something other than a regular file, or more than limit bytes.
[[nodiscard]] Outcome<Bytes> readLocalFile(int fd, std::size_t limit);

// Writes all of bytes to fd from its position, going on after interruptions; false on failure.
[[nodiscard]] bool writeAll(int fd, const Bytes& bytes);

// The folder the backups go to; empty when neither XDG_DATA_HOME nor HOME is known.
std::string seemBackupFolder();

// Writes bytes to a new file named by seem, record and the UTC time, e.g.
// 004c_0001-20261207-231500.seem, flushed to the disk with its folder entry. An existing backup is
// never replaced. The new file's path, or kHostError.
[[nodiscard]] Outcome<std::string> writeSeemBackup(std::uint16_t seem, std::uint16_t record,
                                                   const Bytes& bytes);

} // namespace p2kusb

// What a conversion that ended before its last step (a crash, a kill, a power loss) left
// beside its destination, found by the next one that writes it: the run is taken back or
// finished before anything else is written, as SQLite treats a journal it finds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

class FileSystem;

struct Leftovers {
    // A replacement stopped between its two steps on Windows, with no file under the name:
    // the old file went back under it from its backup.
    bool takenBack = false;
    // Files removed: new files that never took the name, and backups of an old file whose
    // replacement took the name.
    std::size_t removed = 0;
    // Backups of an old file kept beside the destination, as full paths: another file took
    // the name since (or the backup could not be moved back), so the old content is only
    // there.
    std::vector<std::u16string> kept;

    bool operator==(const Leftovers&) const = default;
};

// Clears what conversions that no longer run left beside the file that writing to `path`
// changes; never a file that a running conversion still writes. Nothing where the folder
// cannot be read.
[[nodiscard]] Leftovers clearLeftovers(std::u16string_view path);
[[nodiscard]] Leftovers clearLeftovers(FileSystem& files, std::u16string_view path);

}  // namespace brisel

// Fault injection into the Windows file layer, for its tests. Each file-changing call (an
// open for writing, a write, a reservation or a change of size, a flush to disk, the
// replacement, a close after writing) is one step. On Linux the tests inject their faults
// beneath the program instead, at its system calls.
#pragma once

namespace brisel {

enum class FileFault {
    error,       // the call fails as on a full disk
    shortWrite,  // a write writes half of what it was given and says so; other calls fail
};

// The `step`-th file-changing call from now on meets `fault`; 0 injects nothing.
void injectFileFault(int step, FileFault fault) noexcept;

// Whether the injected fault has been met since it was injected.
[[nodiscard]] bool fileFaultMet() noexcept;

// No new file can be made beside a destination, as in a folder where only the file itself
// may be written.
void refuseTemporaryFiles(bool refused) noexcept;

}  // namespace brisel

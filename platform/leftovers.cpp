// The files that a run which ended early left beside its destination, taken back or
// finished, once for every system, over the primitives of file_system.h.
#include "platform/leftovers.h"

#include "platform/file_system.h"

#include <optional>
#include <tuple>
#include <utility>

namespace brisel {
namespace {

// One of them, told by its name (see besideMark).
struct Leftover {
    std::u16string path;
    bool backup = false;
    std::uint64_t process = 0;      // the run's
    std::uint64_t replacement = 0;  // a backup's: the new file that was to take the name; 0: unknown
};

// A number of decimal digits at the start of `text`, taken off it.
std::optional<std::uint64_t> numberAt(std::u16string_view& text) {
    constexpr std::uint64_t largest = ~std::uint64_t{0};
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && text[digits] >= u'0' && text[digits] <= u'9'; ++digits) {
        const auto digit = static_cast<std::uint64_t>(text[digits] - u'0');
        if (value > (largest - digit) / 10)
            return std::nullopt;  // more than any process or file number
        value = value * 10 + digit;
    }
    text.remove_prefix(digits);
    return digits == 0 ? std::nullopt : std::optional(value);
}

bool taken(std::u16string_view& text, std::u16string_view start) {
    if (!text.starts_with(start))
        return false;
    text.remove_prefix(start.size());
    return true;
}

// "<name>.~brisel<process>-<count>" or "<name>.~brisel-backup<process>-<count>-<new file>".
std::optional<Leftover> parsed(std::u16string path) {
    std::u16string_view rest = path;
    const std::size_t mark = rest.rfind(besideMark);
    if (mark == std::u16string_view::npos)
        return std::nullopt;
    rest.remove_prefix(mark + besideMark.size());
    Leftover found;
    found.backup = taken(rest, backupMark);
    const auto process = numberAt(rest);
    if (!process || !taken(rest, u"-") || !numberAt(rest))
        return std::nullopt;
    found.process = *process;
    if (found.backup) {
        const auto replacement = taken(rest, u"-") ? numberAt(rest) : std::nullopt;
        found.replacement = replacement.value_or(0);
    }
    if (!rest.empty())
        return std::nullopt;
    found.path = std::move(path);
    return found;
}

bool failed(FileError error) {
    return error != FileError::none;
}

}  // namespace

Leftovers clearLeftovers(std::u16string_view path) {
    return clearLeftovers(systemFiles(), path);
}

Leftovers clearLeftovers(FileSystem& files, std::u16string_view given) {
    Leftovers done;
    std::u16string path;
    std::vector<std::u16string> names;
    if (failed(files.target(given, path)) || failed(files.leftoversBeside(path, names)))
        return done;
    // Only those of runs that no longer run. This process runs one conversion at a time:
    // what carries its own number is of one that ended, except a new file that it still
    // writes, which removeUnheld() leaves.
    std::vector<Leftover> backups, newFiles;
    for (std::u16string& name : names) {
        if (auto found = parsed(std::move(name)); found && !files.runs(found->process))
            (found->backup ? backups : newFiles).push_back(std::move(*found));
    }
    bool changed = false;
    // A backup holds the old content while Windows moves the new file in. Where the name
    // holds nothing, the run stopped between the two steps: the old file goes back (a move
    // that replaces nothing, so another run that does the same meanwhile cannot be undone).
    // Where the name holds the new file that the backup names, the run got that far: the
    // backup goes. Where it holds any other file, the old content is nowhere else: kept.
    for (const Leftover& backup : backups) {
        FileIdentity named;
        const FileError lookedUp = files.identityAt(path, named);
        if (lookedUp == FileError::notFound && !failed(files.move(backup.path, path))) {
            done.takenBack = changed = true;
        } else if (!failed(lookedUp) && backup.replacement != 0 && named.file == backup.replacement) {
            if (!failed(files.remove(backup.path))) {
                ++done.removed;
                changed = true;
            }
        } else if (lookedUp == FileError::notFound || !failed(lookedUp)) {
            done.kept.push_back(backup.path);
        }
    }
    // A new file never took the name: its run reported no success, so the name keeps what
    // it holds.
    for (const Leftover& made : newFiles) {
        if (!failed(files.removeUnheld(made.path))) {
            ++done.removed;
            changed = true;
        }
    }
    if (changed)
        std::ignore = files.flushFolder(path);
    return done;
}

}  // namespace brisel

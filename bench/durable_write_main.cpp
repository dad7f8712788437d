// What brisel's file-to-file run is measured against: its own output written durably by
// the plainest means. "copy SOURCE DESTINATION": cat into a new file beside DESTINATION,
// fdatasync, rename over it, fsync the folder. "append SOURCE DESTINATION": cat >> and
// fdatasync.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    if (argc != 4 || (std::string(argv[1]) != "copy" && std::string(argv[1]) != "append")) {
        std::fprintf(stderr, "usage: %s copy|append SOURCE DESTINATION\n", argv[0]);
        return 2;
    }
    const bool copy = std::string(argv[1]) == "copy";
    const std::string destination = argv[3];
    const std::string written = copy ? destination + ".new" : destination;
    const int in = ::open(argv[2], O_RDONLY);
    const int out = ::open(written.c_str(), copy ? O_WRONLY | O_CREAT | O_TRUNC : O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (in < 0 || out < 0)
        return 1;
    std::vector<char> buffer(128 * 1024);  // as cat reads
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0)
            return 1;
        if (got == 0)
            break;
        if (::write(out, buffer.data(), static_cast<std::size_t>(got)) != got)
            return 1;
    }
    if (::fdatasync(out) != 0 || ::close(out) != 0)
        return 1;
    if (copy) {
        if (std::rename(written.c_str(), destination.c_str()) != 0)
            return 1;
        const std::string folder = std::filesystem::path(destination).parent_path().string();
        const int directory = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
        if (directory < 0 || ::fsync(directory) != 0)
            return 1;
        ::close(directory);
    }
    return 0;
}

// Reading and writing the files a user names: inputs are read only when they
// are regular files, with their size counted on the bytes read; outputs
// replace their target whole (a temporary file beside it, synced and renamed
// over it), write through symbolic links, and never replace a directory, a
// device, a FIFO or a socket.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

struct ReadResult {
    enum class Status {
        Ok,
        EmptyPath,   // the path is ""
        CannotOpen,  // missing, no permission, ... (`error` holds errno)
        NotRegular,  // a directory, device, FIFO or socket (`kind` says which)
        TooLarge,    // more bytes than the limit
        ReadFailed,  // (`error` holds errno)
    };
    Status status = Status::Ok;
    int error = 0;
    std::string kind;

    bool ok() const { return status == Status::Ok; }
    // "the path is empty", "not a regular file (a directory)", "file too
    // large (more than N bytes)", "cannot open the file (reason)", ...
    std::string problem(std::size_t limit) const;
};

// Reads the whole of the regular file `path` into `bytes`, at most `limit`
// bytes. Never blocks on a FIFO and never reads a device.
ReadResult readRegularFile(const std::string& path, std::size_t limit, std::string& bytes);

// The system's words for errno `error`: "No such file or directory", ...
std::string errorReason(int error);

// What a file of this st_mode is, for messages: "a directory", "a FIFO", ...
std::string fileKind(unsigned mode);

// The temporary files of FileReplacement are named this prefix and six
// letters or digits, in the target's folder.
inline constexpr const char* kTemporaryPrefix = ".kuvora-";

// Replaces the file `path` names as one step. Begin() follows symbolic links
// to their final target, refuses a target that exists and is not a regular
// file, and creates an empty temporary file beside the target; the caller
// fills tempPath() (or uses write()); commit() syncs it and renames it over
// the target. A replacement that is not committed is removed.
class FileReplacement {
public:
    FileReplacement() = default;
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // On failure `error` holds a message that names `path`.
    bool begin(const std::string& path, std::string& error);
    const std::string& tempPath() const { return temp_; }
    const std::string& target() const { return target_; }
    bool write(std::string_view bytes, std::string& error);
    bool commit(std::string& error);
    void abandon();

private:
    std::string path_, target_, temp_;
    int fd_ = -1;
    unsigned mode_ = 0666;
    bool keepMode_ = false;
};

// The whole of `bytes` as the new content of `path`, through FileReplacement.
bool replaceFile(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace platform

#include "storage/recordfile.h"

#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// One spelling for opening and creating: off Windows names are case-sensitive,
// and "DATA//a" would never find the file that "data//a" created.
const char Path[] = "data//a";

enum class Found { Regular, Missing, Other };

// A FIFO at the path would block: a read from it waits for a writer that
// never comes. A device or a folder is no record file either.
Found lookAt()
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(Path, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return Found::Missing;
    return !error && std::filesystem::is_regular_file(status) ? Found::Regular : Found::Other;
}

// Opens the file for update, creating it when `create`. Checked again on the
// open descriptor, and opened without blocking, because something else may
// have been swapped in since lookAt(). Null when it is not a regular file or
// cannot be opened.
std::FILE *openRegular(bool create)
{
#ifdef _WIN32
    return std::fopen(Path, create ? "w+" : "r+");
#else
    const int fd = ::open(Path, O_RDWR | O_NONBLOCK | (create ? O_CREAT : 0), 0666);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE *stream = ::fdopen(fd, "r+");
    if (!stream)
        ::close(fd);
    return stream;
#endif
}

// Four empty slots, the stream left at the start; null when the folder
// "data" is missing or not writable.
std::FILE *createEmpty()
{
    std::FILE *created = openRegular(true);
    if (!created)
        return nullptr;
    const unsigned char zeros[RecordFile::FileSize] = {};
#ifndef _WIN32
    // Truncated only now that it is known to be a regular file.
    const bool emptied = ::ftruncate(::fileno(created), 0) == 0;
#else
    const bool emptied = true;
#endif
    if (!emptied || std::fwrite(zeros, sizeof zeros, 1, created) != 1 || std::fflush(created) != 0
        || std::fseek(created, 0, SEEK_SET) != 0) {
        std::fclose(created);
        return nullptr;
    }
    return created;
}

// The length of an open file, -1 when it cannot be told; the stream is left
// at the start.
long lengthOf(std::FILE *stream)
{
    if (std::fseek(stream, 0, SEEK_END) != 0)
        return -1;
    const long length = std::ftell(stream);
    return std::fseek(stream, 0, SEEK_SET) == 0 ? length : -1;
}

} // namespace

RecordFile::State RecordFile::open()
{
    close();
    switch (lookAt()) {
    case Found::Other:
        return State::Unusable; // nothing is touched
    case Found::Missing:
        return recreate() ? State::Open : State::Unusable;
    case Found::Regular:
        break;
    }
    stream_ = openRegular(false);
    if (!stream_)
        return State::Unusable;
    const long length = lengthOf(stream_);
    // Shorter files are accepted as they are: missing slots read as empty.
    if (length >= 0 && length <= FileSize)
        return State::Open;
    close();
    return length < 0 ? State::Unusable : State::TooLong;
}

bool RecordFile::recreate()
{
    close();
    stream_ = createEmpty();
    return stream_ != nullptr;
}

void RecordFile::close()
{
    if (stream_)
        std::fclose(stream_);
    stream_ = nullptr;
}

bool RecordFile::write(int slot, const unsigned char bytes[SlotSize])
{
    if (!stream_)
        return false;
    const bool whole = std::fseek(stream_, long(slot) * SlotSize, SEEK_SET) == 0
        && std::fwrite(bytes, 1, SlotSize, stream_) == std::size_t(SlotSize);
    // The bytes are buffered until the close; only a clean close means they
    // reached the file.
    const bool flushed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    return whole && flushed;
}

bool RecordFile::read(int slot, unsigned char bytes[SlotSize])
{
    if (!stream_)
        return false;
    const bool got = std::fseek(stream_, long(slot) * SlotSize, SEEK_SET) == 0
        && std::fread(bytes, 1, SlotSize, stream_) == std::size_t(SlotSize);
    close();
    return got;
}

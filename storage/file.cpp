#include "storage/file.h"

#include <QMessageBox>

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

const char WriteTitle[] = "Write file";
const char ReadTitle[] = "Read file";
const char CannotOpen[] = "Cannot open data//a!";
const char NoSlot[] = "No such slot in data//a!";

void tell(const char *title, const char *text)
{
    QMessageBox::information(nullptr, QString::fromLatin1(title), QString::fromLatin1(text));
}

enum class Found { Regular, Missing, Other };

// A FIFO at the path would block the window: a read from it waits for a
// writer that never comes. A device or a folder is no record file either.
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
    const unsigned char zeros[file::FileSize] = {};
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

file::file(QWidget *parent, const std::int32_t in[3])
    : QWidget(parent)
{
    for (int i = 0; i < 3; ++i) {
        values[i] = in[i];
        record[i] = static_cast<unsigned char>(in[i] & 0xFF);
    }

    const Found found = lookAt();
    if (found == Found::Other)
        return; // refused at the transfer; nothing is touched
    if (found == Found::Regular) {
        stream = openRegular(false);
        if (!stream)
            return;
        const long length = lengthOf(stream);
        // Shorter files are accepted as they are: missing slots read as empty.
        if (length >= 0 && length <= FileSize)
            return;
        std::fclose(stream);
        stream = nullptr;
        if (length < 0)
            return;
        tell(WriteTitle, "File Corrupted! Creating new...");
    }
    stream = createEmpty();
}

file::~file()
{
    if (stream)
        std::fclose(stream);
}

// Refuses, with the box titled `title`, a transfer that cannot take place:
// no usable file, or a slot the file does not have.
bool file::refuse(int index, const char *title)
{
    if (!stream) {
        tell(title, CannotOpen);
        return true;
    }
    if (index >= 0 && index < SlotCount)
        return false;
    std::fclose(stream);
    stream = nullptr;
    tell(title, NoSlot);
    return true;
}

void file::writeRecord(int index)
{
    if (refuse(index, WriteTitle))
        return;
    const bool whole = std::fseek(stream, long(index) * SlotSize, SEEK_SET) == 0
        && std::fwrite(record, 1, SlotSize, stream) == std::size_t(SlotSize);
    // The bytes are buffered until the close; only a clean close means they
    // reached the file.
    const bool flushed = std::fclose(stream) == 0;
    stream = nullptr;
    if (whole && flushed)
        tell(WriteTitle, "Write configuration complete!");
}

RecordValues file::readRecord(int index)
{
    if (!refuse(index, ReadTitle)) {
        unsigned char slot[SlotSize];
        const bool got = std::fseek(stream, long(index) * SlotSize, SEEK_SET) == 0
            && std::fread(slot, 1, SlotSize, stream) == std::size_t(SlotSize);
        std::fclose(stream);
        stream = nullptr;
        if (got && slot[0] == Marker) {
            // Only the low byte of each value is kept in the file.
            for (int i = 0; i < 3; ++i)
                values[i] = (values[i] & ~0xFF) | slot[i];
        } else {
            tell(ReadTitle, "No saved configuration!");
        }
    }
    RecordValues out;
    for (int i = 0; i < 3; ++i)
        out.v[i] = values[i];
    return out;
}

#include "storage/file.h"

#include <QMessageBox>

namespace {

// One spelling for opening and creating: off Windows names are case-sensitive,
// and "DATA//a" would never find the file that "data//a" created.
const char Path[] = "data//a";

const char WriteTitle[] = "Write file";
const char ReadTitle[] = "Read file";

void tell(const char *title, const char *text)
{
    QMessageBox::information(nullptr, QString::fromLatin1(title), QString::fromLatin1(text));
}

// A new file holds four empty slots; null when the folder "data" is missing
// or not writable.
std::FILE *createEmpty()
{
    std::FILE *created = std::fopen(Path, "w+");
    if (!created)
        return nullptr;
    const unsigned char zeros[file::FileSize] = {};
    std::fwrite(zeros, sizeof zeros, 1, created);
    std::fclose(created);
    return std::fopen(Path, "r+");
}

} // namespace

file::file(QWidget *parent, const std::int32_t in[3])
    : QWidget(parent)
{
    for (int i = 0; i < 3; ++i) {
        values[i] = in[i];
        record[i] = static_cast<unsigned char>(in[i] & 0xFF);
    }

    stream = std::fopen(Path, "r+");
    if (stream) {
        std::fseek(stream, 0, SEEK_END);
        const long length = std::ftell(stream);
        std::rewind(stream);
        // Shorter files are accepted as they are: missing slots read as empty.
        if (length <= FileSize)
            return;
        std::fclose(stream);
        stream = nullptr;
        tell(WriteTitle, "File Corrupted! Creating new...");
    }
    stream = createEmpty();
}

file::~file()
{
    if (stream)
        std::fclose(stream);
}

void file::writeRecord(int index)
{
    if (!stream) {
        tell(WriteTitle, "Cannot open data//a!");
        return;
    }
    std::fseek(stream, long(index) * SlotSize, SEEK_CUR);
    const bool whole = std::fwrite(record, 1, SlotSize, stream) == std::size_t(SlotSize);
    // The bytes are buffered until the close; only a clean close means they
    // reached the file.
    const bool flushed = std::fclose(stream) == 0;
    stream = nullptr;
    if (whole && flushed)
        tell(WriteTitle, "Write configuration complete!");
}

RecordValues file::readRecord(int index)
{
    if (!stream) {
        tell(ReadTitle, "Cannot open data//a!");
    } else {
        std::fseek(stream, long(index) * SlotSize, SEEK_CUR);
        unsigned char slot[SlotSize];
        const std::size_t got = std::fread(slot, 1, SlotSize, stream);
        std::fclose(stream);
        stream = nullptr;
        if (got == std::size_t(SlotSize) && slot[0] == Marker) {
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

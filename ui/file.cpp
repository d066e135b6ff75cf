#include "ui/file.h"

#include <QMessageBox>

namespace {

const char WriteTitle[] = "Write file";
const char ReadTitle[] = "Read file";
const char CannotOpen[] = "Cannot open data//a!";
const char NoSlot[] = "No such slot in data//a!";

void tell(const char *title, const char *text)
{
    QMessageBox::information(nullptr, QString::fromLatin1(title), QString::fromLatin1(text));
}

} // namespace

file::file(QWidget *parent, const std::int32_t in[3])
    : QWidget(parent)
{
    for (int i = 0; i < 3; ++i) {
        values[i] = in[i];
        record[i] = static_cast<unsigned char>(in[i] & 0xFF);
    }
    if (record_.open() == RecordFile::State::TooLong) {
        tell(WriteTitle, "File Corrupted! Creating new...");
        record_.recreate();
    }
}

// Refuses, with the box titled `title`, a transfer that cannot take place:
// no usable file, or a slot the file does not have.
bool file::refuse(int index, const char *title)
{
    if (!record_.isOpen()) {
        tell(title, CannotOpen);
        return true;
    }
    if (index >= 0 && index < SlotCount)
        return false;
    record_.close();
    tell(title, NoSlot);
    return true;
}

void file::writeRecord(int index)
{
    if (!refuse(index, WriteTitle) && record_.write(index, record))
        tell(WriteTitle, "Write configuration complete!");
}

RecordValues file::readRecord(int index)
{
    unsigned char slot[RecordFile::SlotSize];
    if (!refuse(index, ReadTitle)) {
        if (record_.read(index, slot) && slot[0] == RecordFile::Marker) {
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

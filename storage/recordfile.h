// The record file: four 3-byte slots in the 12-byte file "data//a" below the
// working directory. Only regular files are opened, and without blocking, so a
// FIFO or a device in its place is refused instead of hanging the caller.
// Plain C++: the window's `file` shows the messages.
#ifndef ZORVEL_STORAGE_RECORDFILE_H
#define ZORVEL_STORAGE_RECORDFILE_H

#include <cstdio>

class RecordFile
{
public:
    static constexpr int SlotCount = 4;
    static constexpr int SlotSize = 3;
    static constexpr long FileSize = SlotCount * SlotSize;
    static constexpr unsigned char Marker = 0x55;

    enum class State {
        Open,     // ready for one transfer
        TooLong,  // longer than twelve bytes: left as it is until recreate()
        Unusable, // not a regular file, or it cannot be opened or created
    };

    RecordFile() = default;
    ~RecordFile() { close(); }
    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    // Opens the file for update; a missing one is created as four empty slots.
    State open();
    // Replaces the file by four empty slots and opens it.
    bool recreate();
    bool isOpen() const { return stream_ != nullptr; }
    // One transfer of a slot's three bytes; the file is closed after it. Only
    // a clean close counts as written.
    bool write(int slot, const unsigned char bytes[SlotSize]);
    bool read(int slot, unsigned char bytes[SlotSize]);
    void close();

private:
    std::FILE *stream_ = nullptr;
};

#endif

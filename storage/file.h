// A three-value record kept in one of four 3-byte slots of the 12-byte file
// "data//a" below the working directory. One object per transfer: construct,
// then exactly one writeRecord or readRecord, then destroy.
#ifndef ZORVEL_STORAGE_FILE_H
#define ZORVEL_STORAGE_FILE_H

#include <QWidget>

#include <cstdint>
#include <cstdio>

struct RecordValues {
    std::int32_t v[3];
};

class file : public QWidget
{
public:
    file(QWidget *parent, const std::int32_t values[3]);
    ~file() override;

    void writeRecord(int index);
    RecordValues readRecord(int index);

    static constexpr int SlotCount = 4;
    static constexpr int SlotSize = 3;
    static constexpr long FileSize = SlotCount * SlotSize;
    static constexpr unsigned char Marker = 0x55;

private:
    bool refuse(int index, const char *title);

    std::int32_t values[3];
    std::FILE *stream = nullptr;
    unsigned char record[3];
};

#endif

// A three-value record kept in one of four 3-byte slots of the 12-byte file
// "data//a" below the working directory. One object per transfer: construct,
// then exactly one writeRecord or readRecord, then destroy. The file's format
// is storage's; this class shows the messages.
#ifndef ZORVEL_UI_FILE_H
#define ZORVEL_UI_FILE_H

#include <QWidget>

#include <cstdint>

#include "storage/recordfile.h"

struct RecordValues {
    std::int32_t v[3];
};

class file : public QWidget
{
public:
    file(QWidget *parent, const std::int32_t values[3]);

    void writeRecord(int index);
    RecordValues readRecord(int index);

    static constexpr int SlotCount = RecordFile::SlotCount;

private:
    bool refuse(int index, const char *title);

    std::int32_t values[3];
    RecordFile record_;
    unsigned char record[3];
};

#endif

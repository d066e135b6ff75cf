#include "protocol/linkengines.h"

namespace {
using E = LinkEngine;
using S = ByteSource;

//                      transmit bytes source          command                    hand   action idle   pause  next
const EngineRow handshakeTx{true, 1, S::Command, DetectorCommand::Handshake, true, false, true, false, E::HandshakeRx};
const EngineRow handshakeRx{false, 1, S::Command, 0, true, false, false, false, E::None};
const EngineRow readRequestTx{true, 1, S::Command, DetectorCommand::ReadParams, true, false, true, false, E::ParamRx};
const EngineRow paramRx{false, 6, S::Command, 0, false, true, false, true, E::None};
const EngineRow writeTx{true, 6, S::ParamBlock, DetectorCommand::WriteParams, true, true, true, false, E::CommitTx};
const EngineRow commitTx{true, 1, S::Command, DetectorCommand::Commit, true, false, true, false, E::None};
const EngineRow dateTx{true, 4, S::Date, DetectorCommand::SetDate, false, false, true, false, E::None};
const EngineRow dateRequestTx{true, 1, S::Command, DetectorCommand::GetDate, true, false, true, false, E::DateRx};
const EngineRow dateRx{false, 7, S::Command, 0, false, false, false, true, E::None};
const EngineRow consoleTx{true, 3, S::ConsoleBytes, 0, false, false, false, false, E::None};
const EngineRow none{false, 0, S::Command, 0, false, false, false, false, E::None};
} // namespace

const EngineRow &engineRow(LinkEngine engine)
{
    switch (engine) {
    case E::HandshakeTx: return handshakeTx;
    case E::HandshakeRx: return handshakeRx;
    case E::ReadRequestTx: return readRequestTx;
    case E::ParamRx: return paramRx;
    case E::WriteTx: return writeTx;
    case E::CommitTx: return commitTx;
    case E::DateTx: return dateTx;
    case E::DateRequestTx: return dateRequestTx;
    case E::DateRx: return dateRx;
    case E::ConsoleTx: return consoleTx;
    case E::None: break;
    }
    return none;
}

int frameTicks(LinkEngine engine)
{
    const EngineRow &row = engineRow(engine);
    constexpr int TicksPerBit = 2;
    if (row.transmit && row.idleBitAfterByte)
        return row.bytes * 9 * TicksPerBit - 1;
    return row.bytes * 8 * TicksPerBit;
}

namespace {
// A frame and those that follow it at once.
double chainMs(LinkEngine engine)
{
    double ms = 0;
    for (; engine != E::None; engine = engineRow(engine).next) {
        const EngineRow &row = engineRow(engine);
        ms += frameTicks(engine) * LinkTiming::TickMs;
        if (row.transmit)
            ms += LinkTiming::SettleMs;
        if (row.pauseAfterByte)
            ms += row.bytes * LinkTiming::BytePauseMs;
    }
    return ms;
}
} // namespace

double nominalMs(LinkTransaction transaction)
{
    switch (transaction) {
    case LinkTransaction::Handshake: return chainMs(E::HandshakeTx);
    case LinkTransaction::Read: return chainMs(E::ReadRequestTx);
    case LinkTransaction::Write: return chainMs(E::WriteTx) + LinkTiming::ReadBackPauseMs + chainMs(E::ReadRequestTx);
    case LinkTransaction::DateSet: return chainMs(E::DateTx);
    case LinkTransaction::DateGet: return chainMs(E::DateRequestTx);
    // The raw frame's reply is clocked in after the same 4 ms as a settle.
    case LinkTransaction::Console: return chainMs(E::ConsoleTx) + chainMs(E::ParamRx);
    }
    return 0;
}

std::uint8_t dateFrameByte(const QDate &date, int index)
{
    switch (index) {
    case 0: return DetectorCommand::SetDate;
    case 1: return std::uint8_t(date.year() % 100);
    case 2: return std::uint8_t(date.month());
    case 3: return std::uint8_t(date.day());
    }
    return 0;
}

QDate replyDate(const std::uint8_t reply[3])
{
    return QDate(2000 + reply[0], reply[1], reply[2]);
}

QString formatDateReply(const std::uint8_t reply[7])
{
    QString text;
    for (int i = 0; i < 5; ++i)
        text += QString::number(static_cast<signed char>(reply[i])) + QLatin1String("  ; ");
    return text;
}

QString hexByte(int byte)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(byte & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

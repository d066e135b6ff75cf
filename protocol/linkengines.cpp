#include "protocol/linkengines.h"

namespace {
using E = LinkEngine;
using S = ByteSource;
using End = FrameEnd;
using Then = FrameOutcome;
constexpr int Settle = LinkTiming::SettleMs;

// The bits: transmit, bytes, source, command, hand box, action, idle bit, pause after a byte.
// After them: how the frame ends, its settle, whether it closes the progress
// display and counts as a handshake, its outcome, and the next frame after its wait.
const EngineRow handshakeTx{true, 1, S::Command, DetectorCommand::Handshake, true, false, true, false,
                            End::ClockThenIdle, Settle, false, true, Then::None, E::HandshakeRx, 0};
const EngineRow handshakeRx{false, 1, S::Command, 0, true, false, false, false,
                            End::Idle, 0, false, false, Then::JudgeHandshake, E::None, 0};
const EngineRow readRequestTx{true, 1, S::Command, DetectorCommand::ReadParams, true, false, true, false,
                              End::IdleThenClock, Settle, false, false, Then::None, E::ParamRx, 0};
const EngineRow paramRx{false, 6, S::Command, 0, false, true, false, true,
                        End::Idle, 0, false, false, Then::ParamReply, E::None, 0};
const EngineRow writeTx{true, 6, S::ParamBlock, DetectorCommand::WriteParams, true, true, true, false,
                        End::IdleThenClock, Settle, false, false, Then::None, E::CommitTx, 0};
// Half a second for the detector to store the block before it is read back.
const EngineRow commitTx{true, 1, S::Command, DetectorCommand::Commit, true, false, true, false,
                         End::IdleThenClock, Settle, true, false, Then::ConfirmWrite, E::ReadRequestTx,
                         LinkTiming::ReadBackPauseMs};
const EngineRow dateTx{true, 4, S::Date, DetectorCommand::SetDate, false, false, true, false,
                       End::IdleThenClock, Settle, false, false, Then::DateSent, E::None, 0};
const EngineRow dateRequestTx{true, 1, S::Command, DetectorCommand::GetDate, true, false, true, false,
                              End::IdleThenClock, Settle, false, false, Then::None, E::DateRx, 0};
const EngineRow dateRx{false, 7, S::Command, 0, false, false, false, true,
                       End::Idle, 0, false, false, Then::DateReply, E::None, 0};
// The raw frame has no settle: its reply is read as the console's read is, after the turn-round.
const EngineRow consoleTx{true, 3, S::ConsoleBytes, 0, false, false, false, false,
                          End::ClockOnly, 0, false, false, Then::ConsoleRead, E::ParamRx, LinkTiming::TurnRoundMs};
const EngineRow none{false, 0, S::Command, 0, false, false, false, false,
                     End::Idle, 0, false, false, Then::None, E::None, 0};
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
// A frame and those that follow it, with the waits between them.
double chainMs(LinkEngine engine)
{
    double ms = 0;
    for (; engine != E::None; engine = engineRow(engine).next) {
        const EngineRow &row = engineRow(engine);
        ms += frameTicks(engine) * LinkTiming::TickMs + row.settleMs + row.pauseBeforeNextMs;
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
    case LinkTransaction::Write: return chainMs(E::WriteTx);
    case LinkTransaction::DateSet: return chainMs(E::DateTx);
    case LinkTransaction::DateGet: return chainMs(E::DateRequestTx);
    case LinkTransaction::Console: return chainMs(E::ConsoleTx);
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

#pragma once

// A serial driver played from a script, behind the Win32 port's calls: it holds what the far end
// sends, ends waits and reads through their real events as a driver does, and fails in one of the
// ways real drivers fail.

#include <deque>
#include <map>
#include <vector>

#include "serial/Win32Calls.h"

namespace rkt5::test {

class ScriptedDriver : public Win32Calls {
  public:
    enum class Fault {
        None,
        WaitNeverEnds,          // no character, mask change or cancel ends the wait
        ReadPendsForever,       // although the time-outs ask every read to return at once
        WaitFailsAccessDenied,  // the wait ends with ERROR_ACCESS_DENIED when characters come
        ClearCommErrorFails,
        WriteIgnoresCancel,     // the write never ends, cancelled or not
        WaitEndsAtOnceForever,  // WaitCommEvent succeeds at once, every time, with no event
        EmptyReadsPend,   // a read with nothing queued pends (wine's does), and the wait ends at
                          // once with no event, so the port is tempted to read an empty queue
        InUse,            // CreateFile fails with ERROR_ACCESS_DENIED: another program has it
        XonEqualsXoff,    // GetCommState gives both as 0; SetCommState refuses them equal
        RemovedMidWrite,  // the write fails with ERROR_DEVICE_REMOVED
        RefusesSettings,  // SetCommState fails
        LineErrors,       // ClearCommError reports a framing error and an overrun, once
    };

    explicit ScriptedDriver(Fault fault) : fault_(fault) {}

    // Characters from the far end.
    void arrive(const std::vector<std::uint8_t>& bytes) {
        incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
        if (wait_ != nullptr && fault_ != Fault::WaitNeverEnds) {
            endWait(fault_ == Fault::WaitFailsAccessDenied ? ERROR_ACCESS_DENIED : ERROR_SUCCESS,
                    EV_RXCHAR);
        }
    }
    int waitCalls() const { return waitCalls_; }
    const std::vector<std::uint8_t>& written() const { return written_; }

    HANDLE createFile(const wchar_t*) override {
        return fault_ != Fault::InUse ? kDevice : (fail(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE);
    }
    BOOL closeHandle(HANDLE) override { return TRUE; }
    BOOL purgeComm(HANDLE, DWORD) override { return TRUE; }
    BOOL setupComm(HANDLE, DWORD, DWORD) override { return TRUE; }
    BOOL setCommTimeouts(HANDLE, COMMTIMEOUTS*) override { return TRUE; }
    BOOL setCommMask(HANDLE, DWORD mask) override {
        // A change of mask ends a pending wait with no event.
        if (mask == 0 && wait_ != nullptr && fault_ != Fault::WaitNeverEnds) {
            endWait(ERROR_SUCCESS, 0);
        }
        return TRUE;
    }
    BOOL getCommState(HANDLE, DCB* dcb) override {
        *dcb = DCB{};
        dcb->DCBlength = sizeof(DCB);
        dcb->BaudRate = 9600;
        dcb->ByteSize = 8;
        dcb->XonChar = fault_ == Fault::XonEqualsXoff ? 0 : 0x11;
        dcb->XoffChar = fault_ == Fault::XonEqualsXoff ? 0 : 0x13;
        return TRUE;
    }
    BOOL setCommState(HANDLE, DCB* dcb) override {
        const bool refused = fault_ == Fault::RefusesSettings || dcb->XonChar == dcb->XoffChar;
        return !refused || fail(ERROR_INVALID_PARAMETER);
    }
    BOOL clearCommError(HANDLE, DWORD* errors, COMSTAT* status) override {
        if (fault_ == Fault::ClearCommErrorFails) {
            return fail(ERROR_BAD_COMMAND);
        }
        *errors = fault_ == Fault::LineErrors && !lineErrorsReported_ ? CE_FRAME | CE_OVERRUN : 0;
        lineErrorsReported_ = lineErrorsReported_ || *errors != 0;
        *status = COMSTAT{};
        status->cbInQue = static_cast<DWORD>(incoming_.size());
        return TRUE;
    }
    BOOL waitCommEvent(HANDLE, DWORD* events, OVERLAPPED* overlapped) override {
        ++waitCalls_;
        if (fault_ == Fault::WaitEndsAtOnceForever || fault_ == Fault::EmptyReadsPend) {
            *events = 0;
            return TRUE;
        }
        wait_ = overlapped;
        waitEvents_ = events;
        return pend(overlapped);
    }
    BOOL readFile(HANDLE, void* buffer, DWORD size, DWORD* read, OVERLAPPED* overlapped) override {
        if (fault_ == Fault::ReadPendsForever ||
            (fault_ == Fault::EmptyReadsPend && incoming_.empty())) {
            return pend(overlapped);
        }
        const DWORD count = std::min<DWORD>(size, static_cast<DWORD>(incoming_.size()));
        std::copy_n(incoming_.begin(), count, static_cast<std::uint8_t*>(buffer));
        incoming_.erase(incoming_.begin(), incoming_.begin() + count);
        *read = count;
        return TRUE;
    }
    BOOL writeFile(HANDLE, const void* bytes, DWORD size, DWORD* written,
                   OVERLAPPED* overlapped) override {
        if (fault_ == Fault::RemovedMidWrite) {
            return fail(ERROR_DEVICE_REMOVED);
        }
        if (fault_ == Fault::WriteIgnoresCancel) {
            return pend(overlapped);
        }
        const auto* first = static_cast<const std::uint8_t*>(bytes);
        written_.insert(written_.end(), first, first + size);
        *written = size;
        return TRUE;
    }
    BOOL getOverlappedResult(HANDLE, OVERLAPPED* overlapped, DWORD* moved) override {
        const auto found = ended_.find(overlapped);
        if (found == ended_.end()) {
            return fail(ERROR_IO_INCOMPLETE);
        }
        *moved = 0;
        return found->second == ERROR_SUCCESS || fail(found->second);
    }
    BOOL cancelIoEx(HANDLE, OVERLAPPED* overlapped) override {
        const bool ignored = (overlapped == wait_ && fault_ == Fault::WaitNeverEnds) ||
                             fault_ == Fault::WriteIgnoresCancel;
        if (!ignored && !ended_.contains(overlapped)) {
            end(overlapped, ERROR_OPERATION_ABORTED);
        }
        return TRUE;
    }

  private:
    static inline const HANDLE kDevice = reinterpret_cast<HANDLE>(0x5EED);

    static BOOL fail(DWORD error) {
        SetLastError(error);
        return FALSE;
    }
    BOOL pend(OVERLAPPED* overlapped) {
        ended_.erase(overlapped);
        ResetEvent(overlapped->hEvent);
        return fail(ERROR_IO_PENDING);
    }
    void end(OVERLAPPED* overlapped, DWORD error) {
        if (overlapped == wait_) {
            wait_ = nullptr;
        }
        ended_[overlapped] = error;
        SetEvent(overlapped->hEvent);
    }
    void endWait(DWORD error, DWORD events) {
        *waitEvents_ = events;
        end(wait_, error);
    }

    Fault fault_;
    std::deque<std::uint8_t> incoming_;
    OVERLAPPED* wait_ = nullptr;
    DWORD* waitEvents_ = nullptr;
    std::map<OVERLAPPED*, DWORD> ended_;  // operations that ended, with their error
    int waitCalls_ = 0;
    bool lineErrorsReported_ = false;
    std::vector<std::uint8_t> written_;
};

}  // namespace rkt5::test

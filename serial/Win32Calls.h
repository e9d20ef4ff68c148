#pragma once

#include <windows.h>

namespace rkt5 {

// The Win32 calls the serial port makes on its device, as one interface: the system's own in the
// programs, a scripted driver in tests, which can then play every way a real driver fails. A call
// that fails sets the thread's last error, as the system's do. The events of overlapped
// operations are real events either way, waited for with the system's own calls.
class Win32Calls {
  public:
    virtual ~Win32Calls() = default;

    // The system's calls.
    static Win32Calls& system();

    virtual HANDLE createFile(const wchar_t* path) = 0;  // read and write, overlapped
    virtual BOOL closeHandle(HANDLE device) = 0;
    virtual BOOL purgeComm(HANDLE device, DWORD flags) = 0;
    virtual BOOL setupComm(HANDLE device, DWORD inQueue, DWORD outQueue) = 0;
    virtual BOOL setCommTimeouts(HANDLE device, COMMTIMEOUTS* timeouts) = 0;
    virtual BOOL setCommMask(HANDLE device, DWORD mask) = 0;
    virtual BOOL getCommState(HANDLE device, DCB* dcb) = 0;
    virtual BOOL setCommState(HANDLE device, DCB* dcb) = 0;
    virtual BOOL clearCommError(HANDLE device, DWORD* errors, COMSTAT* status) = 0;
    virtual BOOL waitCommEvent(HANDLE device, DWORD* events, OVERLAPPED* overlapped) = 0;
    virtual BOOL readFile(HANDLE device, void* buffer, DWORD size, DWORD* read,
                          OVERLAPPED* overlapped) = 0;
    virtual BOOL writeFile(HANDLE device, const void* bytes, DWORD size, DWORD* written,
                           OVERLAPPED* overlapped) = 0;
    virtual BOOL getOverlappedResult(HANDLE device, OVERLAPPED* overlapped, DWORD* moved) = 0;
    virtual BOOL cancelIoEx(HANDLE device, OVERLAPPED* overlapped) = 0;
};

}  // namespace rkt5

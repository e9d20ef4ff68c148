#include "serial/Win32Calls.h"

namespace rkt5 {

namespace {

class SystemCalls : public Win32Calls {
  public:
    HANDLE createFile(const wchar_t* path) override {
        return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    }
    BOOL closeHandle(HANDLE device) override { return CloseHandle(device); }
    BOOL purgeComm(HANDLE device, DWORD flags) override { return PurgeComm(device, flags); }
    BOOL setupComm(HANDLE device, DWORD inQueue, DWORD outQueue) override {
        return SetupComm(device, inQueue, outQueue);
    }
    BOOL setCommTimeouts(HANDLE device, COMMTIMEOUTS* timeouts) override {
        return SetCommTimeouts(device, timeouts);
    }
    BOOL setCommMask(HANDLE device, DWORD mask) override { return SetCommMask(device, mask); }
    BOOL getCommState(HANDLE device, DCB* dcb) override { return GetCommState(device, dcb); }
    BOOL setCommState(HANDLE device, DCB* dcb) override { return SetCommState(device, dcb); }
    BOOL clearCommError(HANDLE device, DWORD* errors, COMSTAT* status) override {
        return ClearCommError(device, errors, status);
    }
    BOOL waitCommEvent(HANDLE device, DWORD* events, OVERLAPPED* overlapped) override {
        return WaitCommEvent(device, events, overlapped);
    }
    BOOL readFile(HANDLE device, void* buffer, DWORD size, DWORD* read,
                  OVERLAPPED* overlapped) override {
        return ReadFile(device, buffer, size, read, overlapped);
    }
    BOOL writeFile(HANDLE device, const void* bytes, DWORD size, DWORD* written,
                   OVERLAPPED* overlapped) override {
        return WriteFile(device, bytes, size, written, overlapped);
    }
    BOOL getOverlappedResult(HANDLE device, OVERLAPPED* overlapped, DWORD* moved) override {
        return GetOverlappedResult(device, overlapped, moved, FALSE);
    }
    BOOL cancelIoEx(HANDLE device, OVERLAPPED* overlapped) override {
        return CancelIoEx(device, overlapped);
    }
};

}  // namespace

Win32Calls& Win32Calls::system() {
    static SystemCalls calls;
    return calls;
}

}  // namespace rkt5
